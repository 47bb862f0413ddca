#include "app/qt/hex_pane.h"

#include <QAccessible>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>
#include <utility>

namespace tc24 {

namespace {

// The characters of a hex text; the table is filled with these up front.
constexpr char16_t kHexCharacters[] = u"0123456789ABCDEF ";

// A word that ends this close to the right edge may wrap either way in Qt's own layout (it
// allows for the last glyph's bearing): the document decides those.
constexpr qreal kUndecidedWrap = 2.0;

}  // namespace

HexPane::HexPane(QWidget* parent) : QPlainTextEdit(parent) {
    // Hex bytes line up in a fixed-pitch font.
    QFont hex;
    hex.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Sans Mono")});
    hex.setStyleHint(QFont::TypeWriter);
    setFont(hex);
    // Text put into the document by other means is newer than a text only painted.
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        pendingText_.reset();
        pendingLines_.clear();
    });
}

void HexPane::setQuickPaint(bool on) {
    quickPaint_ = on;
    if (!on) {
        catchUp();
    }
}

void HexPane::catchUp() {
    if (!pendingText_) {
        return;
    }
    const QString text = *std::exchange(pendingText_, std::nullopt);
    pendingLines_.clear();
    setPlainText(text);
}

void HexPane::showText(const QString& text) {
    if (text == value()) {
        return;
    }
    std::optional<std::vector<Line>> lines;
    if (mayPaintQuickly()) {
        lines = wrap(text);
    }
    if (!lines) {
        pendingText_.reset();
        pendingLines_.clear();
        setPlainText(text);
        return;
    }
    pendingText_ = text;
    pendingLines_ = std::move(*lines);
    viewport()->update();
}

bool HexPane::mayPaintQuickly() const {
    return quickPaint_ && !hasFocus() && !textCursor().hasSelection() && isEnabled() &&
           layoutDirection() == Qt::LeftToRight && lineWrapMode() == WidgetWidth &&
           wordWrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere && !centerOnScroll() &&
           verticalScrollBar()->maximum() == 0 && horizontalScrollBar()->value() == 0 &&
           !QAccessible::isActive();
}

void HexPane::prepareMetrics() {
    metricsReady_ = true;
    glyphs_ = &GlyphTable::of(font(), kHexCharacters);
    // One line laid out as the document lays out its lines gives the line step and where
    // the baseline sits in it.
    QTextLayout probe(QStringLiteral("0"), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    probe.setTextOption(option);
    probe.beginLayout();
    QTextLine line = probe.createLine();
    line.setLeadingIncluded(true);
    line.setLineWidth(1000);
    line.setPosition(QPointF(0, 0));
    probe.endLayout();
    lineStep_ = line.height();
    if (line.leading() < 0) {
        lineStep_ += std::ceil(line.leading());
    }
    const QList<QGlyphRun> runs = probe.glyphRuns();
    if (runs.isEmpty() || runs.first().positions().isEmpty()) {
        glyphs_ = nullptr;
        return;
    }
    baseline_ = runs.first().positions().first().y();
}

std::optional<std::vector<HexPane::Line>> HexPane::wrap(const QString& text) {
    if (!metricsReady_) {
        prepareMetrics();
    }
    if (glyphs_ == nullptr || !glyphs_->usable()) {
        return std::nullopt;
    }
    const qreal margin = document()->documentMargin();
    const qreal available = viewport()->width() - 2 * margin;
    std::vector<Line> lines;
    const qsizetype size = text.size();
    const auto runEnd = [&](qsizetype from, bool blanks) {
        while (from < size && (text[from] == QLatin1Char(' ')) == blanks) {
            ++from;
        }
        return from;
    };

    // Greedy, as QTextLayout wraps at word boundaries: a word goes on the line when it ends
    // within the width; the blanks after it stay on the line even past the edge.
    qsizetype lineStart = 0;
    qsizetype position = runEnd(0, true);  // leading blanks take room on the first line
    qreal blanks = glyphs_->width(QStringView(text).first(position));
    qreal used = 0;
    bool lineHasWord = false;
    if (blanks < 0) {
        return std::nullopt;
    }
    while (position < size) {
        const qsizetype wordEnd = runEnd(position, false);
        const qreal word = glyphs_->width(QStringView(text).sliced(position, wordEnd - position));
        if (word < 0) {
            return std::nullopt;  // a character outside the table
        }
        const qreal wanted = used + blanks + word;
        if (std::abs(wanted - available) < kUndecidedWrap) {
            return std::nullopt;
        }
        if (wanted > available) {
            if (!lineHasWord) {
                return std::nullopt;  // a word wider than the line is broken anywhere
            }
            lines.push_back({lineStart, position - lineStart});
            lineStart = position;
            used = 0;
            blanks = 0;
            lineHasWord = false;
            continue;
        }
        used = wanted;
        lineHasWord = true;
        const qsizetype blanksEnd = runEnd(wordEnd, true);
        blanks = glyphs_->width(QStringView(text).sliced(wordEnd, blanksEnd - wordEnd));
        position = blanksEnd;
    }
    if (size > 0) {
        lines.push_back({lineStart, size - lineStart});
    }
    // Only texts that need no scrolling: the scroll bar stays as the document has it.
    if (2 * margin + static_cast<qreal>(lines.size()) * lineStep_ > viewport()->height()) {
        return std::nullopt;
    }
    return lines;
}

void HexPane::paintEvent(QPaintEvent* event) {
    if (!pendingText_ || !mayPaintQuickly() || glyphs_ == nullptr) {
        catchUp();
        QPlainTextEdit::paintEvent(event);
        return;
    }
    ++quickPaints_;
    if (pendingLines_.empty()) {
        return;  // the background is all there is
    }
    const qreal margin = document()->documentMargin();
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(pendingText_->size());
    positions.reserve(pendingText_->size());
    for (std::size_t i = 0; i < pendingLines_.size(); ++i) {
        QPointF pen(margin, margin + static_cast<qreal>(i) * lineStep_ + baseline_);
        glyphs_->place(
            QStringView(*pendingText_).sliced(pendingLines_[i].start, pendingLines_[i].length), pen,
            indexes, positions);
    }
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    // The viewport fills itself before it paints: with a plain colour the glyphs are copied.
    std::optional<GlyphTable::PlainBackground> plainBackground;
    const QBrush& fill = viewport()->palette().brush(viewport()->backgroundRole());
    if (viewport()->autoFillBackground() && fill.style() == Qt::SolidPattern &&
        fill.color().alpha() == 255) {
        plainBackground = GlyphTable::PlainBackground{fill.color().rgba(), viewport()->rect()};
    }
    glyphs_->paint(painter, QPointF(0, 0), indexes, positions, plainBackground);
}

bool HexPane::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::FontChange:
        case QEvent::StyleChange:
            metricsReady_ = false;
            catchUp();
            break;
        // The operator turns to the pane, or its look changes: the document takes over.
        case QEvent::FocusIn:
        case QEvent::KeyPress:
        case QEvent::ContextMenu:
        case QEvent::InputMethodQuery:
        case QEvent::Resize:
        case QEvent::EnabledChange:
        case QEvent::LayoutDirectionChange:
            catchUp();
            break;
        default:
            break;
    }
    return QPlainTextEdit::event(event);
}

bool HexPane::viewportEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::Wheel:
        case QEvent::Resize:
            catchUp();
            break;
        default:
            break;
    }
    return QPlainTextEdit::viewportEvent(event);
}

}  // namespace tc24
