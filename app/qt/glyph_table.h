#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRect>
#include <QRgb>
#include <QStringView>
#include <memory>
#include <optional>

class QPainter;

namespace tc24 {

class GlyphCells;

// The glyphs of a few characters (digits, hex letters) in one font, looked up once, so that
// a text made of them is placed without shaping it anew on every change. The table is only
// usable when placing by table gives what Qt's shaping gives: the font has every character,
// its shaped advances are the raw ones, and it kerns no pair of the set (checked when built).
class GlyphTable {
public:
    // The table of `characters` in `font`, built on first use and shared by every widget
    // with that font (the checks shape a few hundred pairs). GUI thread only.
    static const GlyphTable& of(const QFont& font, QStringView characters);

    void prepare(const QFont& font, QStringView characters);
    bool usable() const { return usable_; }
    const QRawFont& rawFont() const { return rawFont_; }

    // Appends the glyphs of `text` placed from `pen` on; false when a character is not in
    // the table (or the table is not usable). `pen` ends behind the last character.
    bool place(QStringView text, QPointF& pen, QList<quint32>& indexes,
               QList<QPointF>& positions) const;
    // Width of `text`; negative when a character is not in the table.
    qreal width(QStringView text) const;

    // A part of what a painter paints on that holds one colour only.
    struct PlainBackground {
        QRgb color = 0;
        QRect area;  // in the painter's coordinates
    };
    // Paints glyphs of the table as QPainter::drawGlyphRun() would. Where they lie on a plain
    // background they are copied from glyphs blended once (see GlyphCells), which gives the
    // same pixels for a fraction of the work.
    void paint(QPainter& painter, QPointF origin, const QList<quint32>& indexes,
               const QList<QPointF>& positions,
               const std::optional<PlainBackground>& plainBackground) const;
    // Off: every text is drawn by Qt; for comparing the two in tests and benchmarks.
    static void setCellsEnabled(bool on);
    // How many texts were painted from cells so far; for tests.
    static long cellPaints();

    GlyphTable();
    GlyphTable(GlyphTable&&) noexcept;
    ~GlyphTable();

private:
    struct Glyph {
        quint32 index = 0;
        QPointF advance;
    };
    bool usable_ = false;
    QRawFont rawFont_;
    QHash<char16_t, Glyph> glyphs_;
    mutable std::unique_ptr<GlyphCells> cells_;
};

}  // namespace tc24
