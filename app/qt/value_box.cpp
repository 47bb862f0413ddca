#include "app/qt/value_box.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace tc24 {

namespace {

// The characters a value is written with; the table is filled with these up front.
constexpr char16_t kValueCharacters[] = u"0123456789.-";

// QLineEdit's own margins around its text (not public, but fixed for years).
constexpr int kHorizontalMargin = 2;

}  // namespace

ValueBox::ValueBox(const QString& text, QWidget* parent) : QLineEdit(text, parent) {}

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
    QLineEdit::paintEvent(event);
}

void ValueBox::prepareFont() {
    fontReady_ = true;
    glyphs_.clear();
    rawFont_ = QRawFont::fromFont(font());
    const QFontMetrics metrics = fontMetrics();
    // What QLineEdit measures for each text: the font's height, or a text's box when taller;
    // for these characters the box is the same for every text.
    lineHeight_ = std::max(metrics.boundingRect(QString::fromUtf16(kValueCharacters)).height(),
                           metrics.height());
    if (!rawFont_.isValid()) {
        return;
    }
    const QString characters = QString::fromUtf16(kValueCharacters);
    const QList<quint32> indexes = rawFont_.glyphIndexesForString(characters);
    if (indexes.size() != characters.size()) {
        return;
    }
    const QList<QPointF> advances = rawFont_.advancesForGlyphIndexes(indexes);
    for (qsizetype i = 0; i < characters.size(); ++i) {
        if (indexes[i] != 0 && i < advances.size()) {
            glyphs_.insert(characters[i].unicode(), Glyph{indexes[i], advances[i]});
        }
    }
}

bool ValueBox::glyphsFor(const QString& text, QList<quint32>& indexes, QList<QPointF>& positions,
                         qreal& width) {
    indexes.reserve(text.size());
    positions.reserve(text.size());
    QPointF pen;
    for (const QChar c : text) {
        const auto found = glyphs_.constFind(c.unicode());
        if (found == glyphs_.constEnd()) {
            return false;
        }
        indexes.append(found->index);
        positions.append(pen);
        pen += found->advance;
    }
    width = pen.x();
    return true;
}

bool ValueBox::paintQuickly() {
    const QString value = text();
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    if (value.isEmpty() || hasFocus() || hasSelectedText() || !isEnabled() ||
        echoMode() != Normal || layoutDirection() != Qt::LeftToRight ||
        (alignment() & Qt::AlignVertical_Mask) != Qt::AlignVCenter ||
        (horizontal != Qt::AlignRight && horizontal != Qt::AlignLeft)) {
        return false;
    }
    if (!fontReady_) {
        prepareFont();
    }
    QList<quint32> indexes;
    QList<QPointF> positions;
    qreal width = 0;
    if (!glyphsFor(value, indexes, positions, width)) {
        return false;
    }

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
        return false;  // too long to fit: QLineEdit scrolls it to the cursor
    }
    const int scroll = horizontal == Qt::AlignRight ? widthUsed - line.width() + 1 : 0;
    const QPointF origin(line.x() - scroll, line.y() + rawFont_.ascent());

    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    painter.setClipRect(area);
    painter.setPen(palette().color(QPalette::Text));
    QGlyphRun run;
    run.setRawFont(rawFont_);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    painter.drawGlyphRun(origin, run);
    return true;
}

}  // namespace tc24
