#include "app/qt/glyph_table.h"

#include "app/qt/glyph_cells.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QString>
#include <cmath>
#include <map>

namespace tc24 {

namespace {

bool same(qreal a, qreal b) {
    return std::abs(a - b) < 1e-3;
}

std::map<QString, GlyphTable>& tables() {
    // A node-based map: the references handed out stay valid as tables are added.
    static std::map<QString, GlyphTable> all;
    return all;
}

bool cellsEnabled = true;
long cellPaintCount = 0;

}  // namespace

GlyphTable::GlyphTable() = default;
GlyphTable::GlyphTable(GlyphTable&&) noexcept = default;
GlyphTable::~GlyphTable() = default;

void GlyphTable::setCellsEnabled(bool on) {
    cellsEnabled = on;
}

long GlyphTable::cellPaints() {
    return cellPaintCount;
}

const GlyphTable& GlyphTable::of(const QFont& font, QStringView characters) {
    auto& all = tables();
    if (all.empty()) {
        // The raw fonts must go while the application, and with it the font engines, is
        // still there: not in the static destructors after main() has returned.
        qAddPostRoutine([] { tables().clear(); });
    }
    const QString key = font.key() + QLatin1Char('|') + characters.toString();
    auto found = all.find(key);
    if (found == all.end()) {
        found = all.emplace(key, GlyphTable{}).first;
        found->second.prepare(font, characters);
    }
    return found->second;
}

void GlyphTable::prepare(const QFont& font, QStringView characters) {
    usable_ = false;
    glyphs_.clear();
    cells_.reset();
    rawFont_ = QRawFont::fromFont(font);
    if (!rawFont_.isValid()) {
        return;
    }
    const QString set = characters.toString();
    const QList<quint32> indexes = rawFont_.glyphIndexesForString(set);
    if (indexes.size() != set.size()) {
        return;
    }
    const QList<QPointF> advances = rawFont_.advancesForGlyphIndexes(indexes);
    if (advances.size() != set.size()) {
        return;
    }
    const QFontMetricsF metrics(font);
    for (qsizetype i = 0; i < set.size(); ++i) {
        // A missing glyph, or a shaped advance other than the raw one (hinting), and the
        // table would place the text elsewhere than Qt does.
        if (indexes[i] == 0 || !same(metrics.horizontalAdvance(set[i]), advances[i].x())) {
            return;
        }
        glyphs_.insert(set[i].unicode(), Glyph{indexes[i], advances[i]});
    }
    // Kerning between two characters of the set would move the second one.
    for (const QChar first : set) {
        for (const QChar second : set) {
            const QString pair = QString(first) + second;
            if (!same(metrics.horizontalAdvance(pair), glyphs_[first.unicode()].advance.x() +
                                                           glyphs_[second.unicode()].advance.x())) {
                glyphs_.clear();
                return;
            }
        }
    }
    usable_ = true;
}

bool GlyphTable::place(QStringView text, QPointF& pen, QList<quint32>& indexes,
                       QList<QPointF>& positions) const {
    if (!usable_) {
        return false;
    }
    for (const QChar c : text) {
        const auto found = glyphs_.constFind(c.unicode());
        if (found == glyphs_.constEnd()) {
            return false;
        }
        indexes.append(found->index);
        positions.append(pen);
        pen += found->advance;
    }
    return true;
}

qreal GlyphTable::width(QStringView text) const {
    qreal total = 0;
    for (const QChar c : text) {
        const auto found = glyphs_.constFind(c.unicode());
        if (!usable_ || found == glyphs_.constEnd()) {
            return -1;
        }
        total += found->advance.x();
    }
    return total;
}

void GlyphTable::paint(QPainter& painter, QPointF origin, const QList<quint32>& indexes,
                       const QList<QPointF>& positions,
                       const std::optional<PlainBackground>& plainBackground) const {
    if (plainBackground && cellsEnabled) {
        if (!cells_) {
            cells_ = std::make_unique<GlyphCells>(rawFont_);
        }
        if (cells_->paint(painter, origin, indexes, positions, plainBackground->color,
                          plainBackground->area)) {
            ++cellPaintCount;
            return;
        }
    }
    QGlyphRun run;
    run.setRawFont(rawFont_);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    painter.drawGlyphRun(origin, run);
}

}  // namespace tc24
