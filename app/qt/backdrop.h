#pragma once

#include <QPixmap>
#include <QPoint>
#include <QSize>

class QPainter;
class QStyle;
class QWidget;

namespace tc24 {

// What the window paints under a small widget that changes with every poll (a status image,
// a counter), kept as a picture. A widget that paints the picture first covers its whole
// area, so it tells Qt that it is opaque: a change then repaints the widget alone, and not
// also the frame, the window's background and the images stacked under it.
//
// The picture is taken from the window itself, with every such widget painting nothing. It
// is taken again once the owner's place in the window, size, palette, style, enabled or
// active state or pixel ratio differ from when it was taken: what lies under these widgets
// (the plain inside of a frame) changes only with those.
class Backdrop {
public:
    explicit Backdrop(QWidget& owner);
    ~Backdrop();
    Backdrop(const Backdrop&) = delete;
    Backdrop& operator=(const Backdrop&) = delete;

    // True while a picture is being taken: every owner then paints nothing at all.
    static bool taking() { return taking_; }

    // Paints the picture under the owner's whole area with the owner's painter; first thing
    // in the owner's paint event. Without a current picture the owner is painted
    // see-through, over what the window paints under it, and a picture is taken once this
    // paint is over.
    void paint(QPainter& painter);

    // Off: every owner is see-through and painted as a plain QLabel; for comparing the two
    // in tests.
    static void setEnabled(bool on);
    static bool enabled() { return enabled_; }
    // How many pictures were taken so far; for tests.
    static int pictures() { return pictures_; }

private:
    struct Key {
        QPoint place;  // in the window
        QSize size;
        qreal ratio = 0;
        const QStyle* style = nullptr;
        qint64 palette = 0;
        bool enabled = false;
        bool active = false;
        bool operator==(const Key&) const = default;
    };
    Key keyNow() const;
    void scheduleTake();
    void take();
    void setOpaque(bool on);

    QWidget& owner_;
    QPixmap picture_;  // null where the window leaves see-through pixels under the owner
    Key key_;
    bool taken_ = false;
    bool takePending_ = false;

    static inline bool taking_ = false;
    static inline bool enabled_ = true;
    static inline int pictures_ = 0;
};

}  // namespace tc24
