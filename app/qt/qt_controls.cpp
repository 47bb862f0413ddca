#include "app/qt/qt_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <array>

#include "link/control_names.h"
#include "link/window.h"

namespace tc24 {

namespace {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr std::array<const char*, 3> kStatusImages = {control::imgNotConnected, control::ImgYellow,
                                                      control::imgConnected};

bool isStatusImage(std::string_view name) {
    for (const char* image : kStatusImages) {
        if (name == image) {
            return true;
        }
    }
    return false;
}

const QColor kRed(0xFF, 0x00, 0x00);
const QColor kBlack(0x00, 0x00, 0x00);

// The text colour of every kind of control: line and text edits paint with Text, labels with
// WindowText, buttons with ButtonText. Only these roles are set, so the rest still comes from
// the application's palette and follows its theme.
QPalette textPalette(const QColor& color) {
    QPalette palette;
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(role, color);
    }
    return palette;
}

}  // namespace

QtControls::QtControls(QWidget* window, QStatusBar* statusBar) : statusBar_(statusBar) {
    QList<QWidget*> all = window->findChildren<QWidget*>();
    all.prepend(window);
    for (QWidget* w : all) {
        const std::string name = w->objectName().toStdString();
        // Qt's own inner widgets carry "qt_" names; they are not controls of the window.
        if (name.empty() || name.starts_with("qt_")) {
            continue;
        }
        if (!widgets_.emplace(name, w).second) {
            qWarning("tc24: two controls are named %s; the first one is used", name.c_str());
        }
    }
}

QWidget* QtControls::widget(std::string_view name) const {
    const auto it = widgets_.find(name);
    if (it == widgets_.end() || it->second.isNull()) {
        warnOnce(name, "there is no such control");
        return nullptr;
    }
    return it->second.data();
}

template <typename W>
W* QtControls::find(std::string_view name, const char* what) const {
    QWidget* w = widget(name);
    if (w == nullptr) {
        return nullptr;
    }
    W* typed = qobject_cast<W*>(w);
    if (typed == nullptr) {
        warnOnce(name, what);
    }
    return typed;
}

void QtControls::warnOnce(std::string_view name, const char* what) const {
    if (warned_.emplace(name).second) {
        qWarning("tc24: control %s ignored: %s", std::string(name).c_str(), what);
    }
}

std::string QtControls::text(std::string_view name) const {
    QWidget* w = widget(name);
    if (w == nullptr) {
        return {};
    }
    QString text;
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        text = edit->text();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        text = plain->toPlainText();
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        text = label->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        text = button->text();
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        text = group->title();
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        text = combo->currentIndex() < 0 && !combo->isEditable() ? combo->placeholderText()
                                                                 : combo->currentText();
    } else {
        warnOnce(name, "it has no text");
    }
    return text.toStdString();
}

void QtControls::setText(std::string_view name, std::string_view text) {
    QWidget* w = widget(name);
    if (w == nullptr) {
        return;
    }
    const QString value = toQString(text);
    // Writing a text a control already shows would only cost a relayout and a repaint: the
    // poll writes the same command and mostly the same values many times a second.
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (edit->text() != value) {
            edit->setText(value);
        }
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        if (plain->toPlainText() != value) {
            plain->setPlainText(value);
        }
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text() != value) {
            label->setText(value);
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        const int index = combo->findText(value, Qt::MatchExactly);
        combo->setCurrentIndex(index);
        if (index < 0) {
            combo->setPlaceholderText(value);
        }
    } else {
        warnOnce(name, "it has no text");
    }
}

void QtControls::appendText(std::string_view name, std::string_view text) {
    QWidget* w = widget(name);
    if (w == nullptr) {
        return;
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        // appendPlainText() would start a new paragraph; insert at the end instead.
        plain->moveCursor(QTextCursor::End);
        plain->textCursor().insertText(toQString(text));
        plain->ensureCursorVisible();
        return;
    }
    setText(name, this->text(name) + std::string(text));
}

TextColor QtControls::textColor(std::string_view name) const {
    QWidget* w = widget(name);
    if (w == nullptr) {
        return TextColor::Black;
    }
    return w->palette().color(QPalette::Text) == kRed ? TextColor::Red : TextColor::Black;
}

void QtControls::setTextColor(std::string_view name, TextColor color) {
    QWidget* w = widget(name);
    if (w == nullptr) {
        return;
    }
    static const QPalette red = textPalette(kRed);
    static const QPalette black = textPalette(kBlack);
    const QPalette& wanted = color == TextColor::Red ? red : black;
    const QPalette& current = w->palette();
    if (current.color(QPalette::Text) == wanted.color(QPalette::Text) &&
        current.color(QPalette::WindowText) == wanted.color(QPalette::WindowText) &&
        current.color(QPalette::ButtonText) == wanted.color(QPalette::ButtonText)) {
        return;  // a palette change costs a resolve and a repaint even when nothing changes
    }
    w->setPalette(wanted);
}

bool QtControls::isShown(std::string_view name) const {
    QWidget* w = widget(name);
    return w != nullptr && !w->isHidden();
}

void QtControls::setShown(std::string_view name, bool shown) {
    if (QWidget* w = widget(name)) {
        w->setHidden(!shown);
    }
}

void QtControls::bringToFront(std::string_view imageName) {
    QWidget* w = widget(imageName);
    if (w == nullptr) {
        return;
    }
    if (isStatusImage(imageName)) {
        // The status images lie on top of each other: the one in front is the one shown, so
        // the two behind it are hidden and nothing of them shows through its edge.
        for (const char* image : kStatusImages) {
            if (image != imageName) {
                if (QWidget* other = widget(image); other != nullptr && !other->isHidden()) {
                    other->hide();
                }
            }
        }
    }
    if (w->isHidden()) {
        w->show();
    }
    // Raising repaints the widget even when it already is in front.
    if (w != lastRaised_) {
        w->raise();
        lastRaised_ = w;
    }
}

std::string QtControls::frontImage() const {
    for (const char* image : kStatusImages) {
        const QWidget* w = widget(image);
        if (w != nullptr && !w->isHidden()) {
            return image;
        }
    }
    return {};
}

int QtControls::currentIndex(std::string_view combo) const {
    const auto* box = find<QComboBox>(combo, "it is not a combo box");
    return box == nullptr ? -1 : box->currentIndex();
}

void QtControls::setCurrentIndex(std::string_view combo, int index) {
    auto* box = find<QComboBox>(combo, "it is not a combo box");
    if (box == nullptr) {
        return;
    }
    if (index < -1 || index >= box->count()) {
        qWarning("tc24: %s has no entry %d", std::string(combo).c_str(), index);
        return;
    }
    box->setCurrentIndex(index);  // emits currentIndexChanged, never activated
}

int QtControls::itemCount(std::string_view combo) const {
    const auto* box = find<QComboBox>(combo, "it is not a combo box");
    return box == nullptr ? 0 : box->count();
}

std::string QtControls::itemText(std::string_view combo, int index) const {
    const auto* box = find<QComboBox>(combo, "it is not a combo box");
    if (box == nullptr || index < 0 || index >= box->count()) {
        return {};
    }
    return box->itemText(index).toStdString();
}

void QtControls::showStatus(std::string_view message) {
    if (statusBar_.isNull()) {
        return;
    }
    if (message.empty()) {
        statusBar_->clearMessage();
    } else {
        statusBar_->showMessage(toQString(message));
    }
}

}  // namespace tc24
