#pragma once

#include <QLabel>

#include "app/qt/backdrop.h"
#include "app/qt/glyph_table.h"

class QPainter;

namespace tc24 {

// The two counters under the panes (lblCounter, lblErrCounter). Each poll changes them, and
// QLabel shapes its text anew on every paint; a number is painted from a table of digit
// glyphs instead, to the same pixels. Anything but a plain number in the plain label the
// window makes (left-aligned, no margin, indent or frame) is painted by QLabel itself.
class CounterLabel : public QLabel {
    Q_OBJECT
public:
    explicit CounterLabel(const QString& text, QWidget* parent = nullptr);

    // Off: QLabel paints every time; for comparing the two in tests.
    void setQuickPaint(bool on) { quickPaint_ = on; }
    int quickPaints() const { return quickPaints_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool paintQuickly(QPainter& painter);

    bool quickPaint_ = true;
    int quickPaints_ = 0;
    const GlyphTable* glyphs_ = nullptr;
    // What the window has under the label: with it a new number repaints the label alone.
    Backdrop backdrop_{*this};
};

}  // namespace tc24
