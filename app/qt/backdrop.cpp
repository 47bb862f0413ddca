#include "app/qt/backdrop.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace tc24 {

namespace {

// Every backdrop's owner, so that all of them can paint nothing, and show what is under
// them, while one picture is taken. GUI thread only.
std::vector<Backdrop*>& owners() {
    static std::vector<Backdrop*> all;
    return all;
}

bool coversAll(const QImage& picture) {
    if (!picture.hasAlphaChannel()) {
        return true;
    }
    const QImage pixels = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        if (!std::all_of(line, line + pixels.width(), [](QRgb p) { return qAlpha(p) == 255; })) {
            return false;
        }
    }
    return true;
}

}  // namespace

Backdrop::Backdrop(QWidget& owner) : owner_(owner) {
    owners().push_back(this);
}

Backdrop::~Backdrop() {
    auto& all = owners();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

Backdrop::Key Backdrop::keyNow() const {
    const QWidget* window = owner_.window();
    return {owner_.mapTo(window, QPoint(0, 0)),
            owner_.size(),
            owner_.devicePixelRatioF(),
            owner_.style(),
            owner_.palette().cacheKey(),
            owner_.isEnabled(),
            owner_.isActiveWindow()};
}

void Backdrop::paint(QPainter& painter) {
    const bool current = enabled_ && taken_ && key_ == keyNow();
    if (owner_.testAttribute(Qt::WA_OpaquePaintEvent)) {
        // Qt painted nothing under the owner: the picture, even one no longer current, is
        // closer to the truth than what was there before.
        if (!picture_.isNull()) {
            painter.drawPixmap(0, 0, picture_);
        }
        if (!current) {
            // See-through from now on, and what is under the owner painted again.
            setOpaque(false);
            QTimer::singleShot(0, &owner_, [this] { owner_.update(); });
        }
    }
    if (!current || (!owner_.testAttribute(Qt::WA_OpaquePaintEvent) && !picture_.isNull())) {
        scheduleTake();  // or only covers its area again, after a time see-through
    }
}

void Backdrop::scheduleTake() {
    if (takePending_ || !enabled_) {
        return;
    }
    takePending_ = true;
    QTimer::singleShot(0, &owner_, [this] { take(); });
}

void Backdrop::take() {
    takePending_ = false;
    if (!enabled_ || !owner_.isVisible() || owner_.size().isEmpty()) {
        return;
    }
    const Key key = keyNow();
    if (taken_ && key == key_) {
        setOpaque(!picture_.isNull());
        return;
    }
    // The window painted over the owner's area as it is painted on screen, with every owner
    // see-through and painting nothing.
    std::vector<QWidget*> opaqueOwners;
    for (Backdrop* backdrop : owners()) {
        if (backdrop->owner_.testAttribute(Qt::WA_OpaquePaintEvent)) {
            opaqueOwners.push_back(&backdrop->owner_);
            backdrop->owner_.setAttribute(Qt::WA_OpaquePaintEvent, false);
        }
    }
    QPixmap picture((QSizeF(key.size) * key.ratio).toSize());
    picture.setDevicePixelRatio(key.ratio);
    picture.fill(Qt::transparent);
    taking_ = true;
    owner_.window()->render(&picture, QPoint(), QRegion(QRect(key.place, key.size)),
                            QWidget::DrawWindowBackground | QWidget::DrawChildren);
    taking_ = false;
    for (QWidget* owner : opaqueOwners) {
        owner->setAttribute(Qt::WA_OpaquePaintEvent, true);
    }
    ++pictures_;
    taken_ = true;
    key_ = key;
    // A see-through window leaves see-through pixels: the owner cannot cover those. Without
    // alpha, painting the picture is a plain copy.
    const QImage pixels = picture.toImage();
    picture_ = coversAll(pixels) ? QPixmap::fromImage(pixels.convertToFormat(QImage::Format_RGB32))
                                 : QPixmap();
    setOpaque(!picture_.isNull());
}

void Backdrop::setOpaque(bool on) {
    if (owner_.testAttribute(Qt::WA_OpaquePaintEvent) != on) {
        owner_.setAttribute(Qt::WA_OpaquePaintEvent, on);
    }
}

void Backdrop::setEnabled(bool on) {
    if (enabled_ == on) {
        return;
    }
    enabled_ = on;
    for (Backdrop* backdrop : owners()) {
        if (!on) {
            backdrop->setOpaque(false);
        }
        backdrop->owner_.update();
    }
}

}  // namespace tc24
