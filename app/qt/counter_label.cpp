#include "app/qt/counter_label.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>

namespace tc24 {

namespace {

constexpr char16_t kDigits[] = u"0123456789";

}  // namespace

CounterLabel::CounterLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void CounterLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        glyphs_ = nullptr;
    }
    QLabel::changeEvent(event);
}

void CounterLabel::paintEvent(QPaintEvent* event) {
    if (Backdrop::taking()) {
        return;
    }
    QPainter painter(this);
    backdrop_.paint(painter);
    if (quickPaint_ && paintQuickly(painter)) {
        ++quickPaints_;
        return;
    }
    painter.end();  // QLabel paints with a painter of its own
    QLabel::paintEvent(event);
}

bool CounterLabel::paintQuickly(QPainter& painter) {
    const QString value = text();
    if (value.isEmpty() || !isEnabled() || layoutDirection() != Qt::LeftToRight ||
        alignment() != (Qt::AlignLeft | Qt::AlignVCenter) || margin() != 0 || indent() > 0 ||
        frameWidth() != 0 || wordWrap() || textFormat() == Qt::RichText ||
        textInteractionFlags() != Qt::LinksAccessibleByMouse || !pixmap().isNull()) {
        return false;
    }
    if (glyphs_ == nullptr) {
        glyphs_ = &GlyphTable::of(font(), kDigits);
    }
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(value.size());
    positions.reserve(value.size());
    QPointF pen;
    if (!glyphs_->place(value, pen, indexes, positions)) {
        return false;
    }
    // Where QPainter::drawText() puts one line in the contents: against the left edge,
    // centred vertically by the line's height (ascent and descent).
    const QRect area = contentsRect();
    const QFontMetricsF metrics(font());
    const qreal top = area.y() + (area.height() - (metrics.ascent() + metrics.descent())) / 2;
    painter.setPen(palette().color(foregroundRole()));
    QGlyphRun run;
    run.setRawFont(glyphs_->rawFont());
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    painter.drawGlyphRun(QPointF(area.x(), top + metrics.ascent()), run);
    return true;
}

}  // namespace tc24
