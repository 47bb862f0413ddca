#include "app/qt/value_box.h"

#include <QAccessible>
#include <QEvent>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <utility>

namespace tc24 {

namespace {

// The characters a value is written with; the table is filled with these up front.
constexpr char16_t kValueCharacters[] = u"0123456789.-";

// QLineEdit's own margins around its text (not public, but fixed for years).
constexpr int kHorizontalMargin = 2;

}  // namespace

ValueBox::ValueBox(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
    // A text set on QLineEdit directly, or typed, is newer than a value only painted.
    connect(this, &QLineEdit::textChanged, this, [this] { pendingText_.reset(); });
}

void ValueBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        fontReady_ = false;
    }
    QLineEdit::changeEvent(event);
}

void ValueBox::paintEvent(QPaintEvent* event) {
    if (quickPaint_ && paintQuickly()) {
        ++quickPaints_;
        return;
    }
    catchUp();
    QLineEdit::paintEvent(event);
}

void ValueBox::prepareFont() {
    fontReady_ = true;
    laidOut_.reset();
    glyphs_ = &GlyphTable::of(font(), kValueCharacters);
    const QFontMetrics metrics = fontMetrics();
    // What QLineEdit measures for each text: the font's height, or a text's box when taller;
    // for these characters the box is the same for every text.
    lineHeight_ = std::max(metrics.boundingRect(QString::fromUtf16(kValueCharacters)).height(),
                           metrics.height());
}

const ValueBox::Layout* ValueBox::layoutFor(const QString& value) {
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    if (value.isEmpty() || hasFocus() || hasSelectedText() || !isEnabled() ||
        echoMode() != Normal || layoutDirection() != Qt::LeftToRight ||
        (alignment() & Qt::AlignVertical_Mask) != Qt::AlignVCenter ||
        (horizontal != Qt::AlignRight && horizontal != Qt::AlignLeft)) {
        return nullptr;
    }
    if (!fontReady_) {
        prepareFont();
    }
    // A value is laid out when it is shown and painted again from the same layout.
    if (laidOut_ && laidOut_->value == value && laidOut_->size == size() &&
        laidOut_->alignment == alignment() && laidOut_->margins == textMargins()) {
        return laidOut_->fits ? &*laidOut_ : nullptr;
    }
    laidOut_.emplace();
    Layout& layout = *laidOut_;
    layout.value = value;
    layout.size = size();
    layout.alignment = alignment();
    layout.margins = textMargins();
    layout.indexes.reserve(value.size());
    layout.positions.reserve(value.size());
    QPointF pen;
    if (!glyphs_->place(value, pen, layout.indexes, layout.positions)) {
        return nullptr;
    }
    const qreal width = pen.x();

    // Where QLineEdit puts its text: the contents less the text margins, the line centred
    // vertically, and the text against the right (or left) end less QLineEdit's margin.
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
    area = area.marginsRemoved(textMargins());
    const int top = area.y() + (area.height() - lineHeight_ + 1) / 2;
    const QRect line(area.x() + kHorizontalMargin, top, area.width() - 2 * kHorizontalMargin,
                     lineHeight_);
    const int widthUsed = qRound(width) + 1;  // the text and the cursor after it
    if (widthUsed > line.width()) {
        return nullptr;  // too long to fit: QLineEdit scrolls it to the cursor
    }
    const int scroll = horizontal == Qt::AlignRight ? widthUsed - line.width() + 1 : 0;
    layout.origin = QPointF(line.x() - scroll, line.y() + glyphs_->rawFont().ascent());
    layout.clip = area;
    layout.fits = true;
    return &layout;
}

bool ValueBox::paintQuickly() {
    const Layout* layout = layoutFor(value());
    if (layout == nullptr) {
        return false;
    }
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    painter.setClipRect(layout->clip);
    painter.setPen(valueColor());
    QGlyphRun run;
    run.setRawFont(glyphs_->rawFont());
    run.setGlyphIndexes(layout->indexes);
    run.setPositions(layout->positions);
    painter.drawGlyphRun(layout->origin, run);
    return true;
}

bool ValueBox::mustCatchUpAtOnce() const {
    return !quickPaint_ || hasFocus() || hasSelectedText() || QAccessible::isActive();
}

void ValueBox::showValue(const QString& text) {
    if (text == value()) {
        return;
    }
    if (mustCatchUpAtOnce()) {
        catchUp();
        setText(text);
        return;
    }
    pendingText_ = text;
    if (layoutFor(text) == nullptr) {
        catchUp();  // a value QLineEdit must paint: it needs the text now
        return;
    }
    update();
}

QColor ValueBox::valueColor() const {
    return pendingColor_ ? *pendingColor_ : palette().color(QPalette::Text);
}

void ValueBox::showColor(const QColor& color) {
    if (color == valueColor()) {
        return;
    }
    pendingColor_ = color;
    if (mustCatchUpAtOnce()) {
        catchUp();
        return;
    }
    update();
}

void ValueBox::catchUp() {
    if (pendingText_) {
        const QString text = *std::exchange(pendingText_, std::nullopt);
        setText(text);
    }
    if (pendingColor_) {
        const QColor color = *std::exchange(pendingColor_, std::nullopt);
        QPalette colored = palette();
        colored.setColor(QPalette::Text, color);
        colored.setColor(QPalette::WindowText, color);
        colored.setColor(QPalette::ButtonText, color);
        setPalette(colored);
    }
}

bool ValueBox::event(QEvent* event) {
    switch (event->type()) {
        // The operator turns to the box, or its look changes: QLineEdit takes over.
        case QEvent::FocusIn:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::ContextMenu:
        case QEvent::KeyPress:
        case QEvent::InputMethod:
        case QEvent::InputMethodQuery:
        case QEvent::DragEnter:
        case QEvent::Resize:
        case QEvent::EnabledChange:
        case QEvent::FontChange:
        case QEvent::StyleChange:
            catchUp();
            break;
        default:
            break;
    }
    return QLineEdit::event(event);
}

}  // namespace tc24
