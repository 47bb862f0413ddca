#pragma once

#include <QImage>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <QRawFont>
#include <QRgb>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tc24 {

// The glyphs of one raw font, each blended once onto a plain background in a given colour at a
// given sub-pixel place, so that a text over that background is painted by copying pixels
// instead of blending every glyph's coverage anew. Qt blends coverage pixel by pixel through a
// gamma curve, and that was the dearest single part of painting a poll (about 2000
// instructions per glyph, some 400 glyphs a poll).
//
// A cell is Qt's own painting of its glyph, so the copy has Qt's pixels: the blend depends only
// on the coverage, the colour and the pixel under it, and the coverage only on the glyph and its
// position's fraction of a pixel (Qt places glyphs at 1/64 pixel). The copy is used only where
// that reasoning holds: a raster painter that only moves by whole pixels and a plain background
// under every glyph. Otherwise paint() paints nothing and says so, and the caller draws the
// glyphs with Qt. Where two glyphs reach the same pixel, Qt blends the second over the first:
// such glyphs are drawn by Qt, in their order, after the others are copied.
class GlyphCells {
public:
    explicit GlyphCells(const QRawFont& font) : font_(font) {}

    // Paints the glyphs `indexes` at `origin` + `positions` with `painter`'s pen, as
    // QPainter::drawGlyphRun() would, where the painter's device holds `background` (opaque)
    // all over `plainArea` (in the painter's coordinates). False, with nothing painted, when
    // it cannot give Qt's pixels, a glyph reaching beyond `plainArea` among them.
    bool paint(QPainter& painter, QPointF origin, const QList<quint32>& indexes,
               const QList<QPointF>& positions, QRgb background, const QRect& plainArea);

private:
    struct Cell {
        bool usable = false;
        // The glyph painted on the background, over every pixel its coverage reaches; null
        // for a blank.
        QImage ink;
        QPoint offset;  // of the ink's top left from the glyph's whole-pixel position
        QSize size;     // of the ink
        const uchar* pixels = nullptr;
        qsizetype stride = 0;
    };
    struct Style {
        QRgb color = 0;
        QRgb background = 0;
        QImage::Format format = QImage::Format_Invalid;
        QPainter::RenderHints hints;
        bool operator==(const Style&) const = default;
    };
    // A small number for `style`, part of its cells' keys.
    quint64 styleNumber(const Style& style);
    const Cell& cell(quint32 glyph, int fractionX, int fractionY, quint64 styleNumber);

    QRawFont font_;
    std::vector<Style> styles_;
    // Node-based: a cell stays where it is while others are added during one paint.
    std::unordered_map<quint64, Cell> cells_;
    int widestReach_ = 0;  // the furthest a cell's ink reaches right of its glyph's place
    QImage band_;          // where a text is put together before it is drawn in one go
};

}  // namespace tc24
