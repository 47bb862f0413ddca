#include "app/qt/panel_cache_style.h"

#include <QApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionFrame>

namespace tc24 {

namespace {

// A handful of sizes and states (enabled, focus, colours) are all a window shows; past this
// something unusual is going on and drawing directly is the safe choice.
constexpr qsizetype kMostPanels = 64;

// Everything the panel's pixels depend on: the style reads its colours from the palette, the
// frame width, the state flags and the direction. Brushes other than plain colours (gradients,
// textures) depend on where they are drawn and are not cached.
template <typename T>
void append(QByteArray& key, T value) {
    key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

bool panelKey(const QStyleOption& option, qreal ratio, QByteArray& key) {
    static constexpr QPalette::ColorRole kRoles[] = {
        QPalette::Base,     QPalette::Window,        QPalette::Highlight, QPalette::Light,
        QPalette::Dark,     QPalette::Mid,           QPalette::Shadow,    QPalette::Button,
        QPalette::Midlight, QPalette::AlternateBase, QPalette::Text,      QPalette::WindowText};
    key.reserve(160);
    append(key, option.rect.width());
    append(key, option.rect.height());
    append(key, ratio);
    append(key, static_cast<unsigned>(option.state));
    append(key, static_cast<int>(option.direction));
    append(key, static_cast<int>(option.palette.currentColorGroup()));
    if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(&option)) {
        append(key, frame->lineWidth);
        append(key, frame->midLineWidth);
        append(key, static_cast<int>(frame->features));
    }
    for (const QPalette::ColorRole role : kRoles) {
        const QBrush& brush = option.palette.brush(role);
        if (brush.style() != Qt::SolidPattern) {
            return false;
        }
        append(key, brush.color().rgba64());
    }
    return true;
}

}  // namespace

PanelCacheStyle::PanelCacheStyle()
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

void PanelCacheStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
    if (element != PE_PanelLineEdit || option == nullptr || option->rect.isEmpty() ||
        painter->device() == nullptr) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device()->devicePixelRatioF();
    QByteArray key;
    if (!panelKey(*option, ratio, key)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    auto found = panels_.constFind(key);
    if (found == panels_.constEnd()) {
        if (panels_.size() >= kMostPanels) {
            panels_.clear();
        }
        QPixmap picture((QSizeF(option->rect.size()) * ratio).toSize());
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        {
            QPainter picturePainter(&picture);
            picturePainter.setFont(painter->font());
            // The same option, moved to the picture's origin (copied as its own type:
            // the option classes have no virtual destructor).
            if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option)) {
                QStyleOptionFrame moved(*frame);
                moved.rect.moveTopLeft(QPoint(0, 0));
                QProxyStyle::drawPrimitive(element, &moved, &picturePainter, widget);
            } else {
                QStyleOption moved(*option);
                moved.rect.moveTopLeft(QPoint(0, 0));
                QProxyStyle::drawPrimitive(element, &moved, &picturePainter, widget);
            }
        }
        found = panels_.insert(key, picture);
    }
    painter->drawPixmap(option->rect.topLeft(), *found);
}

}  // namespace tc24
