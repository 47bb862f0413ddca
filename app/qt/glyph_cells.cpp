#include "app/qt/glyph_cells.h"

#include <QGlyphRun>
#include <QPaintEngine>
#include <QVarLengthArray>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace tc24 {

namespace {

// Room around a glyph's outline when it is painted into its cell: antialiasing and hinting
// reach a pixel or so beyond it. Ink that reaches the edge all the same makes the cell unusable.
constexpr int kCellPad = 4;

// Enough for every colour, place and glyph a window shows; more would mean something unusual
// (a fading colour, say), and the cells are simply made again.
constexpr std::size_t kMostCells = 4096;
constexpr std::size_t kMostStyles = 64;

bool wholePixel(qreal value) {
    return value == std::floor(value);
}

// A rectangle of pixels, edges included; empty when left > right. (QRect's operations are
// calls into the library, and a text asks hundreds of them.)
struct Box {
    int left = INT_MAX;
    int top = INT_MAX;
    int right = INT_MIN;
    int bottom = INT_MIN;

    bool meets(const Box& other) const {
        return left <= other.right && other.left <= right && top <= other.bottom &&
               other.top <= bottom;
    }
    bool holds(const Box& other) const {
        return left <= other.left && other.right <= right && top <= other.top &&
               other.bottom <= bottom;
    }
    void add(const Box& other) {
        left = std::min(left, other.left);
        top = std::min(top, other.top);
        right = std::max(right, other.right);
        bottom = std::max(bottom, other.bottom);
    }
    bool empty() const { return left > right || top > bottom; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

// `glyph` at `fraction` (in 64ths of a pixel) painted with `pen` on `background` into an image
// of `canvas` (relative to the glyph's whole-pixel place), as a window's painter paints it.
QImage paintedGlyph(const QRawFont& font, quint32 glyph, QPoint fraction, const QRect& canvas,
                    QImage::Format format, QPainter::RenderHints hints, QRgb pen, QRgb background) {
    QImage image(canvas.size(), format);
    image.fill(QColor::fromRgba(background));
    QPainter painter(&image);
    painter.setRenderHints(painter.renderHints(), false);
    painter.setRenderHints(hints, true);
    painter.setPen(QColor::fromRgba(pen));
    // Moved by whole pixels, as the window's painters are; the glyph keeps its fraction.
    painter.translate(-canvas.left(), -canvas.top());
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes({glyph});
    run.setPositions({QPointF(fraction.x() / 64.0, fraction.y() / 64.0)});
    painter.drawGlyphRun(QPointF(0, 0), run);
    return image;
}

// The pixels of `painted` that differ from its top left one (which is background), added to
// `reach`.
void addChanged(const QImage& painted, QRect& reach) {
    const quint32 plain = reinterpret_cast<const quint32*>(painted.constScanLine(0))[0];
    for (int y = 0; y < painted.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(painted.constScanLine(y));
        for (int x = 0; x < painted.width(); ++x) {
            if (line[x] != plain) {
                reach |= QRect(x, y, 1, 1);
            }
        }
    }
}

}  // namespace

quint64 GlyphCells::styleNumber(const Style& style) {
    const auto found = std::find(styles_.begin(), styles_.end(), style);
    if (found != styles_.end()) {
        return static_cast<quint64>(found - styles_.begin());
    }
    styles_.push_back(style);
    return styles_.size() - 1;
}

const GlyphCells::Cell& GlyphCells::cell(quint32 glyph, int fractionX, int fractionY,
                                         quint64 styleNumber) {
    const quint64 key =
        quint64(glyph) | quint64(fractionX) << 32 | quint64(fractionY) << 40 | styleNumber << 48;
    if (const auto found = cells_.find(key); found != cells_.end()) {
        return found->second;
    }
    const Style& style = styles_[styleNumber];
    Cell& made = cells_[key];
    const QRect canvas = font_.boundingRect(glyph).toAlignedRect().adjusted(-kCellPad, -kCellPad,
                                                                            kCellPad, kCellPad);
    if (canvas.isEmpty()) {
        return made;
    }
    const QPoint fraction(fractionX, fractionY);
    const QImage painted = paintedGlyph(font_, glyph, fraction, canvas, style.format, style.hints,
                                        style.color, style.background);
    // Where the glyph's coverage reaches: the pixels it changes in this colour on this
    // background, and those it changes in black on white and in white on black, since faint
    // coverage may leave a pixel as it was in one of them but not in both.
    QRect reach;
    addChanged(painted, reach);
    addChanged(paintedGlyph(font_, glyph, fraction, canvas, style.format, style.hints,
                            qRgb(0, 0, 0), qRgb(255, 255, 255)),
               reach);
    addChanged(paintedGlyph(font_, glyph, fraction, canvas, style.format, style.hints,
                            qRgb(255, 255, 255), qRgb(0, 0, 0)),
               reach);
    if (reach.isNull()) {
        made.usable = true;  // a blank
        return made;
    }
    if (reach.left() == 0 || reach.top() == 0 || reach.right() == canvas.width() - 1 ||
        reach.bottom() == canvas.height() - 1) {
        return made;  // the glyph may reach beyond the cell
    }
    // Blended onto an opaque background every pixel is opaque, and an opaque pixel has the
    // same bits in both formats.
    made.ink = painted.copy(reach);
    made.usable = made.ink.reinterpretAsFormat(QImage::Format_RGB32);
    made.offset = reach.topLeft() + canvas.topLeft();
    made.size = made.ink.size();
    made.pixels = made.ink.constBits();
    made.stride = made.ink.bytesPerLine();
    widestReach_ = std::max(widestReach_, made.offset.x() + made.ink.width());
    return made;
}

bool GlyphCells::paint(QPainter& painter, QPointF origin, const QList<quint32>& indexes,
                       const QList<QPointF>& positions, QRgb background, const QRect& plainArea) {
    if (indexes.size() != positions.size() || qAlpha(background) != 255 || !painter.isActive()) {
        return false;
    }
    QPaintEngine* engine = painter.paintEngine();
    if (engine == nullptr || engine->type() != QPaintEngine::Raster) {
        return false;
    }
    const QPaintDevice* device = engine->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image) {
        return false;
    }
    const auto* target = static_cast<const QImage*>(device);
    if ((target->format() != QImage::Format_RGB32 &&
         target->format() != QImage::Format_ARGB32_Premultiplied) ||
        target->devicePixelRatio() != 1.0) {
        return false;
    }
    const QTransform transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate || !wholePixel(transform.dx()) ||
        !wholePixel(transform.dy())) {
        return false;
    }
    const QPen& pen = painter.pen();
    if (pen.style() == Qt::NoPen || pen.brush().style() != Qt::SolidPattern ||
        painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver) {
        return false;
    }
    const Style style{pen.color().rgba(), background, target->format(), painter.renderHints()};
    if (cells_.size() >= kMostCells || styles_.size() >= kMostStyles) {
        cells_.clear();  // not during the text below: it keeps pointers to its cells
        styles_.clear();
    }
    const quint64 styleKey = styleNumber(style);
    const QPoint move(static_cast<int>(transform.dx()), static_cast<int>(transform.dy()));
    const QRect plainInDevice = plainArea.translated(move);
    const Box plain{plainInDevice.left(), plainInDevice.top(), plainInDevice.right(),
                    plainInDevice.bottom()};

    // Where each glyph's ink goes in the device.
    struct Placed {
        const Cell* cell;
        Box ink;
        int whole;        // the glyph's place in whole pixels, across
        qsizetype index;  // in the text
        qsizetype line;
        bool meets = false;  // another glyph reaches one of its pixels
    };
    QVarLengthArray<Placed, 64> placed;
    QVarLengthArray<qsizetype, 8> lineStarts;  // in `placed`
    QVarLengthArray<Box, 8> lineBounds;        // the ink of each line
    QPointF previous;
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        // As QPainter places it: the run's origin plus the glyph's place, then the move.
        const QPointF place = origin + positions[i];
        const QPointF at(place.x() + transform.dx(), place.y() + transform.dy());
        if (i == 0 || place.y() != previous.y() || place.x() < previous.x()) {
            lineStarts.append(placed.size());
            lineBounds.append(Box());
        }
        previous = place;
        QPoint whole(static_cast<int>(std::floor(at.x())), static_cast<int>(std::floor(at.y())));
        const qreal fractionX = (at.x() - whole.x()) * 64;
        const qreal fractionY = (at.y() - whole.y()) * 64;
        int cellX = qRound(fractionX);
        int cellY = qRound(fractionY);
        if (std::abs(fractionX - cellX) > 1e-6 || std::abs(fractionY - cellY) > 1e-6) {
            return false;  // not on Qt's 1/64 grid: the rounding could differ
        }
        if (cellX == 64) {
            whole.rx() += 1;
            cellX = 0;
        }
        if (cellY == 64) {
            whole.ry() += 1;
            cellY = 0;
        }
        const Cell& found = cell(indexes[i], cellX, cellY, styleKey);
        if (!found.usable) {
            return false;
        }
        if (found.ink.isNull()) {
            continue;  // a blank changes nothing
        }
        const QPoint topLeft = whole + found.offset;
        const Box ink{topLeft.x(), topLeft.y(), topLeft.x() + found.size.width() - 1,
                      topLeft.y() + found.size.height() - 1};
        if (!plain.holds(ink)) {
            return false;
        }
        Placed glyph{&found, ink, whole.x(), i, lineStarts.size() - 1};
        // Glyphs that reach the same pixels. On its own line a glyph lies right of the ones
        // before: the search back ends at one whose ink, and so all ink before it, cannot
        // reach this far.
        const auto meet = [&glyph](Placed& other) {
            if (other.ink.meets(glyph.ink)) {
                other.meets = true;
                glyph.meets = true;
            }
        };
        for (qsizetype j = placed.size() - 1; j >= lineStarts[glyph.line]; --j) {
            if (placed[j].whole + widestReach_ <= ink.left) {
                break;
            }
            meet(placed[j]);
        }
        for (qsizetype line = 0; line < glyph.line; ++line) {
            if (lineBounds[line].meets(ink)) {
                const qsizetype end = lineStarts[line + 1];
                for (qsizetype j = lineStarts[line]; j < end; ++j) {
                    meet(placed[j]);
                }
            }
        }
        lineBounds[glyph.line].add(ink);
        placed.append(glyph);
    }

    // The glyphs that meet no other are put together on the background and drawn in one go.
    Box all;
    for (const Placed& glyph : placed) {
        if (!glyph.meets) {
            all.add(glyph.ink);
        }
    }
    if (!all.empty()) {
        if (band_.width() < all.width() || band_.height() < all.height()) {
            band_ = QImage(std::max(band_.width(), all.width()),
                           std::max(band_.height(), all.height()), QImage::Format_RGB32);
        }
        const quint32 plainPixel = 0xff000000u | background;
        uchar* const band = band_.bits();
        const qsizetype bandStride = band_.bytesPerLine();
        // One row filled pixel by pixel, the others copied from it: a copy moves many pixels
        // at a time.
        const auto bandRowBytes = static_cast<std::size_t>(all.width()) * sizeof(quint32);
        std::fill_n(reinterpret_cast<quint32*>(band), all.width(), plainPixel);
        for (int y = 1; y < all.height(); ++y) {
            std::memcpy(band + y * bandStride, band, bandRowBytes);
        }
        for (const Placed& glyph : placed) {
            if (glyph.meets) {
                continue;
            }
            const Cell& cell = *glyph.cell;
            const QPoint at(glyph.ink.left - all.left, glyph.ink.top - all.top);
            const auto rowBytes = static_cast<std::size_t>(cell.size.width()) * sizeof(quint32);
            uchar* to = band + at.y() * bandStride + at.x() * qsizetype(sizeof(quint32));
            const uchar* from = cell.pixels;
            for (int y = cell.size.height(); y > 0; --y, to += bandStride, from += cell.stride) {
                std::memcpy(to, from, rowBytes);
            }
        }
        painter.drawImage(QPointF(all.left - move.x(), all.top - move.y()), band_,
                          QRectF(0, 0, all.width(), all.height()));
    }
    // The others Qt blends, each over what is there, in their order.
    QList<quint32> meetingIndexes;
    QList<QPointF> meetingPositions;
    for (const Placed& glyph : placed) {
        if (glyph.meets) {
            meetingIndexes.append(indexes[glyph.index]);
            meetingPositions.append(positions[glyph.index]);
        }
    }
    if (!meetingIndexes.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(font_);
        run.setGlyphIndexes(meetingIndexes);
        run.setPositions(meetingPositions);
        painter.drawGlyphRun(origin, run);
    }
    return true;
}

}  // namespace tc24
