#include "app/qt/value_box.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace tc24 {

namespace {

// The characters a value is written with; the table is filled with these up front.
constexpr char16_t kValueCharacters[] = u"0123456789.-";

// QLineEdit's own margins around its text (not public, but fixed for years).
constexpr int kHorizontalMargin = 2;

// Pieces of panel in use, each with its pixels. Emptied with the application: a pixmap must
// not outlive it.
std::vector<std::pair<QImage, QPixmap>>& sharedPieces() {
    static std::vector<std::pair<QImage, QPixmap>>* pieces = nullptr;
    if (pieces == nullptr) {
        pieces = new std::vector<std::pair<QImage, QPixmap>>;
        qAddPostRoutine([] {
            delete pieces;
            pieces = nullptr;
        });
    }
    return *pieces;
}

// The pixels of `area` (in logical pixels) in `image`, if every one of them is opaque.
std::optional<QPixmap> opaquePiece(const QImage& image, const QRect& area) {
    const qreal ratio = image.devicePixelRatio();
    const QRect pixels(QPoint(static_cast<int>(std::floor(area.left() * ratio)),
                              static_cast<int>(std::floor(area.top() * ratio))),
                       QPoint(static_cast<int>(std::ceil((area.right() + 1) * ratio)) - 1,
                              static_cast<int>(std::ceil((area.bottom() + 1) * ratio)) - 1));
    if (pixels.isEmpty() || !image.rect().contains(pixels)) {
        return std::nullopt;
    }
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            if (qAlpha(line[x]) != 255) {
                return std::nullopt;
            }
        }
    }
    // Without alpha, painting the piece is a plain copy.
    QImage pixelsOnly = image.copy(pixels).convertToFormat(QImage::Format_RGB32);
    pixelsOnly.setDevicePixelRatio(ratio);
    // Boxes alike in size and palette have the same piece: they share one, so that a repaint
    // of all of them reads one piece, which stays in the processor's cache, instead of one
    // each.
    std::vector<std::pair<QImage, QPixmap>>& shared = sharedPieces();
    for (const auto& [known, piece] : shared) {
        if (known == pixelsOnly && known.devicePixelRatio() == ratio) {
            return piece;
        }
    }
    QPixmap piece = QPixmap::fromImage(pixelsOnly);
    piece.setDevicePixelRatio(ratio);
    if (shared.size() >= 16) {
        shared.erase(shared.begin());
    }
    shared.emplace_back(std::move(pixelsOnly), piece);
    return piece;
}

// The part of `area` in `image` (one pixel per logical pixel) that holds one colour only,
// the colour at its middle: the area less the rows and columns at its edges that differ (a
// panel's frame and shadow).
std::optional<GlyphTable::PlainBackground> plainPart(const QImage& image, QRect area) {
    if (image.devicePixelRatio() != 1.0 || area.isEmpty() || !image.rect().contains(area)) {
        return std::nullopt;
    }
    const QRgb middle = image.pixel(area.center());
    const auto alike = [&image, middle](int left, int top, int right, int bottom) {
        for (int y = top; y <= bottom; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = left; x <= right; ++x) {
                if (line[x] != middle) {
                    return false;
                }
            }
        }
        return true;
    };
    // One differing edge row or column off at a time, until every edge is alike.
    while (!area.isEmpty()) {
        if (!alike(area.left(), area.top(), area.right(), area.top())) {
            area.setTop(area.top() + 1);
        } else if (!alike(area.left(), area.bottom(), area.right(), area.bottom())) {
            area.setBottom(area.bottom() - 1);
        } else if (!alike(area.left(), area.top(), area.left(), area.bottom())) {
            area.setLeft(area.left() + 1);
        } else if (!alike(area.right(), area.top(), area.right(), area.bottom())) {
            area.setRight(area.right() - 1);
        } else {
            break;
        }
    }
    if (area.isEmpty() || !alike(area.left(), area.top(), area.right(), area.bottom())) {
        return std::nullopt;
    }
    return GlyphTable::PlainBackground{middle, area};
}

}  // namespace

// The face of every value box in one parent widget (a column of the window): a child of that
// parent above the boxes, masked to their text areas, that paints every pixel it covers; each
// box paints its own area in it. One face for a column rather than one per box: Qt sets up a
// painter, and unites the regions it repaints and shows, once for every widget it paints, and
// with a face per box that was a third of a poll's painting.
class ValueBox::ColumnFace : public QWidget {
public:
    static ColumnFace* of(QWidget* column) {
        for (QObject* child : column->children()) {
            if (auto* face = dynamic_cast<ColumnFace*>(child)) {
                return face;
            }
        }
        return new ColumnFace(column);
    }

    // Shows `box`'s face over `area` (in the column's coordinates) and repaints it.
    void place(ValueBox* box, const QRect& area) {
        const auto found = find(box);
        if (found == faces_.end()) {
            faces_.push_back({box, area});
            reshape();
        } else if (found->area != area) {
            found->area = area;
            found->marked = false;
            reshape();
        }
        markForPaint(area);
    }
    // Repaints the face over `area` (in the column's coordinates).
    void repaintArea(const QRect& area) { markForPaint(area); }
    void remove(ValueBox* box) {
        const auto found = find(box);
        if (found != faces_.end()) {
            faces_.erase(found);
            reshape();
        }
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        for (Face& face : faces_) {
            const QRect local = face.area.translated(-pos());
            if (!event->region().intersects(local)) {
                continue;
            }
            face.marked = false;
            // The box's own coordinates, as the box paints.
            const QPoint box = face.box->pos() - pos();
            painter.setWorldTransform(QTransform::fromTranslate(box.x(), box.y()));
            face.box->paintFace(painter, face.area.translated(-face.box->pos()));
        }
    }

private:
    explicit ColumnFace(QWidget* column) : QWidget(column) {
        setObjectName(QStringLiteral("valueBoxFace"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

    struct Face {
        ValueBox* box;
        QRect area;
        bool marked = false;  // for the next paint
    };
    // A box repaints for its colour and again for its value when a reply comes in: the
    // second time Qt need not be told, which costs it a region union each time.
    void markForPaint(const QRect& area) {
        const auto found = std::find_if(faces_.begin(), faces_.end(),
                                        [&area](const Face& face) { return face.area == area; });
        if (found != faces_.end()) {
            if (found->marked) {
                return;
            }
            found->marked = true;
        }
        update(area.translated(-pos()));
    }
    std::vector<Face>::iterator find(const ValueBox* box) {
        return std::find_if(faces_.begin(), faces_.end(),
                            [box](const Face& face) { return face.box == box; });
    }
    // The face's place and mask for the boxes it shows; on top of the boxes.
    void reshape() {
        if (faces_.empty()) {
            hide();  // Qt repaints what was under it
            return;
        }
        QRect bounds;
        for (const Face& face : faces_) {
            bounds |= face.area;
        }
        QRegion shape;
        for (const Face& face : faces_) {
            shape += face.area.translated(-bounds.topLeft());
        }
        if (geometry() != bounds) {
            setGeometry(bounds);
        }
        if (mask() != shape) {
            setMask(shape);  // Qt repaints what the new mask uncovers
        }
        if (parentWidget()->children().constLast() != this) {
            raise();
        }
        if (isHidden()) {
            show();
        }
    }

    std::vector<Face> faces_;
};

ValueBox::ValueBox(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
    // A text set on QLineEdit directly, or typed, is newer than a value only painted.
    connect(this, &QLineEdit::textChanged, this, [this] {
        pendingText_.reset();
        if (faceArea_) {
            syncFace();
        }
    });
    connect(this, &QLineEdit::selectionChanged, this, [this] {
        if (faceArea_) {
            syncFace();
        }
    });
}

ValueBox::~ValueBox() {
    if (faceArea_ && column_ != nullptr) {
        column_->remove(this);
    }
}

void ValueBox::setQuickPaint(bool on) {
    quickPaint_ = on;
    syncFace();
    update();
}

void ValueBox::changeEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::FontChange:
        case QEvent::StyleChange:
            fontReady_ = false;
            panelCheck_.reset();
            break;
        case QEvent::PaletteChange:
        case QEvent::EnabledChange:
        case QEvent::ActivationChange:
        case QEvent::ReadOnlyChange:
        case QEvent::LayoutDirectionChange:
            panelCheck_.reset();
            break;
        default:
            break;
    }
    QLineEdit::changeEvent(event);
    if (faceArea_) {
        syncFace();
    }
}

void ValueBox::paintEvent(QPaintEvent* event) {
    // A change that reached QLineEdit alone (an alignment, margins, an echo mode) repaints the
    // box but not the face over it.
    if (faceArea_) {
        syncFace();
    }
    if (const Layout* layout = quickPaint_ ? layoutFor(value()) : nullptr) {
        QStyleOptionFrame panel;
        initStyleOption(&panel);
        QPainter painter(this);
        paintValue(painter, *layout, panel);
        ++quickPaints_;
        return;
    }
    catchUp();
    QLineEdit::paintEvent(event);
}

void ValueBox::prepareFont() {
    fontReady_ = true;
    laidOut_.reset();
    textLine_.reset();
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
    if (!laidOut_) {
        laidOut_.emplace();
    }
    Layout& layout = *laidOut_;  // its lists keep their room from one value to the next
    layout.value = value;
    layout.size = size();
    layout.alignment = alignment();
    layout.margins = textMargins();
    layout.fits = false;
    layout.indexes.clear();
    layout.positions.clear();
    QPointF pen;
    if (!glyphs_->place(value, pen, layout.indexes, layout.positions)) {
        return nullptr;
    }
    const qreal width = pen.x();

    // Where QLineEdit puts its text: the contents less the text margins, the line centred
    // vertically, and the text against the right (or left) end less QLineEdit's margin. The
    // same for every value, so worked out once for the box as it is.
    if (!textLine_ || textLine_->size != size() || textLine_->margins != textMargins() ||
        textLine_->style != style()) {
        QStyleOptionFrame panel;
        initStyleOption(&panel);
        QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
        area = area.marginsRemoved(textMargins());
        const int top = area.y() + (area.height() - lineHeight_ + 1) / 2;
        const QRect line(area.x() + kHorizontalMargin, top, area.width() - 2 * kHorizontalMargin,
                         lineHeight_);
        textLine_ = TextLine{size(), textMargins(), style(), area, line};
    }
    const QRect& line = textLine_->line;
    const int widthUsed = qRound(width) + 1;  // the text and the cursor after it
    if (widthUsed > line.width()) {
        return nullptr;  // too long to fit: QLineEdit scrolls it to the cursor
    }
    const int scroll = horizontal == Qt::AlignRight ? widthUsed - line.width() + 1 : 0;
    layout.origin = QPointF(line.x() - scroll, line.y() + glyphs_->rawFont().ascent());
    layout.clip = textLine_->area;
    layout.fits = true;
    return &layout;
}

void ValueBox::paintValue(QPainter& painter, const Layout& layout, const QStyleOptionFrame& panel) {
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    painter.setClipRect(layout.clip);
    paintGlyphs(painter, layout, std::nullopt);
}

void ValueBox::paintGlyphs(QPainter& painter, const Layout& layout,
                           const std::optional<GlyphTable::PlainBackground>& plainBackground) {
    painter.setPen(valueColor());
    glyphs_->paint(painter, layout.origin, layout.indexes, layout.positions, plainBackground);
}

void ValueBox::paintFace(QPainter& painter, const QRect& area) {
    const Layout* layout = layoutFor(value());
    // Events keep the face's set-up current; the cheap parts of it are checked again here.
    const bool current = layout != nullptr && layout->clip == area && panelCheck_ &&
                         panelCheck_->piece.has_value() && panelCheck_->area == layout->clip &&
                         panelCheck_->size == size() && panelCheck_->style == style() &&
                         panelCheck_->paletteKey == palette().cacheKey();
    if (current) {
        // The piece covers the area, and the glyphs are clipped to it where the box clips
        // its text. The face's mask would clip them too, but a clip of one rectangle lets Qt
        // copy whole rows where the mask's many rectangles make it go pixel by pixel.
        painter.setClipRect(layout->clip);
        painter.drawPixmap(layout->clip.topLeft(), *panelCheck_->piece);
        paintGlyphs(painter, *layout, panelCheck_->plain);
        ++quickPaints_;
        return;
    }
    // The box changed in a way that reached neither an event nor a signal here: paint what
    // can be painted now and let the box decide again once this paint is over.
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    if (layout == nullptr || layout->clip != area || !panelOpaqueUnder(panel, area)) {
        QTimer::singleShot(0, this, [this] { syncFace(); });
    }
    painter.save();
    painter.setClipRect(area);
    if (layout != nullptr) {
        paintValue(painter, *layout, panel);
        ++quickPaints_;
    } else {
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    }
    painter.restore();
}

bool ValueBox::panelOpaqueUnder(const QStyleOptionFrame& panel, const QRect& area) {
    const qint64 paletteKey = panel.palette.cacheKey();
    const int state = static_cast<int>(panel.state);
    if (panelCheck_ && panelCheck_->paletteKey == paletteKey && panelCheck_->state == state &&
        panelCheck_->size == panel.rect.size() && panelCheck_->area == area &&
        panelCheck_->style == style()) {
        return panelCheck_->piece.has_value();
    }
    const qreal ratio = devicePixelRatioF();
    QImage image((QSizeF(panel.rect.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    }
    panelCheck_ = PanelCheck{paletteKey,
                             state,
                             panel.rect.size(),
                             area,
                             style(),
                             opaquePiece(image, area),
                             plainPart(image, area)};
    return panelCheck_->piece.has_value();
}

void ValueBox::syncFace() {
    const Layout* layout =
        quickPaint_ && !QAccessible::isActive() && !isHidden() && parentWidget() != nullptr
            ? layoutFor(value())
            : nullptr;
    bool wanted = false;
    if (layout != nullptr) {
        if (panelCheck_ && panelCheck_->area == layout->clip && panelCheck_->size == size()) {
            wanted = panelCheck_->piece.has_value();
        } else {
            QStyleOptionFrame panel;
            initStyleOption(&panel);
            wanted = panelOpaqueUnder(panel, layout->clip);
        }
    }
    if (!wanted) {
        hideFace();
        return;
    }
    if (column_ == nullptr || column_->parentWidget() != parentWidget()) {
        hideFace();
        column_ = ColumnFace::of(parentWidget());
    }
    faceArea_ = layout->clip.translated(pos());
    column_->place(this, *faceArea_);
}

void ValueBox::hideFace() {
    if (!faceArea_) {
        return;
    }
    faceArea_.reset();
    if (column_ != nullptr) {
        column_->remove(this);
    }
    update();  // the box shows again where its face was
}

void ValueBox::repaintValue() {
    if (faceArea_ && column_ != nullptr) {
        column_->repaintArea(*faceArea_);
        return;
    }
    syncFace();
    if (!faceArea_) {
        update();
    }
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
    repaintValue();
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
    repaintValue();
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
    const bool handled = QLineEdit::event(event);
    switch (event->type()) {
        // Focus, the pointer over the box or a new size may change the panel, and focus hands
        // the painting to QLineEdit.
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::Resize:
            panelCheck_.reset();
            if (faceArea_) {
                syncFace();
            }
            break;
        // The face lies in the parent: it follows the box there, and leaves with it.
        case QEvent::Move:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            if (faceArea_) {
                syncFace();
            }
            break;
        case QEvent::ParentAboutToChange:
            hideFace();
            column_ = nullptr;
            break;
        default:
            break;
    }
    return handled;
}

}  // namespace tc24
