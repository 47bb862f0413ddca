#pragma once

#include <QPlainTextEdit>
#include <optional>
#include <vector>

#include "app/qt/glyph_table.h"

namespace tc24 {

// The read-only panes that show requests and replies as hex text (txtCommand, txtState).
// Every request empties txtState and every reply fills it, and QPlainTextEdit lays each new
// text out, selects it to reset its format and lays it out again: a fifth of a reply's
// cost in the window. So, like the value boxes, a new text given through showText() is only
// painted while nobody works with the pane and it fits without scrolling: wrapped at the
// blanks as QPlainTextEdit wraps it and drawn from a table of hex glyphs, to the same pixels.
// The document catches up as soon as the operator turns to the pane (focus, a click, a
// context menu, a key, the wheel), when the text needs scrolling or holds other characters,
// and at once while an accessibility client listens. Read the pane through value().
class HexPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit HexPane(QWidget* parent = nullptr);

    void showText(const QString& text);
    QString value() const { return pendingText_ ? *pendingText_ : toPlainText(); }
    // Hands a text only painted so far on to the document.
    void catchUp();

    // Off: QPlainTextEdit paints every time; for comparing the two in tests.
    void setQuickPaint(bool on);
    // How many paints took the quick way; for tests.
    int quickPaints() const { return quickPaints_; }

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Line {
        qsizetype start = 0;
        qsizetype length = 0;
    };
    // The lines `text` wraps into in the viewport as it is now; nullopt when the document
    // must show it (characters outside the table, scrolling, a wrap too close to call).
    std::optional<std::vector<Line>> wrap(const QString& text);
    bool mayPaintQuickly() const;
    // The glyph table, the line step and the baseline's place in a line, for the font.
    void prepareMetrics();

    bool quickPaint_ = true;
    int quickPaints_ = 0;
    bool metricsReady_ = false;
    const GlyphTable* glyphs_ = nullptr;
    qreal lineStep_ = 0;
    qreal baseline_ = 0;
    std::optional<QString> pendingText_;
    std::vector<Line> pendingLines_;
};

}  // namespace tc24
