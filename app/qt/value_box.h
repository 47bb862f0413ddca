#pragma once

#include <QColor>
#include <QLineEdit>
#include <optional>

#include "app/qt/glyph_table.h"

namespace tc24 {

// The text box of one channel's temperature. It stays a QLineEdit (the operator can click,
// select and copy a value), but while nobody edits it, it paints itself more cheaply: the
// panel comes from the style and the digits from a table of glyphs looked up once, instead of
// shaping the text anew for every paint. A poll repaints all 24 boxes twice (red when the
// request goes out, black with the new value), which made the boxes most of a poll's cost.
// The pixels are the same as QLineEdit's own; anything unusual (focus, a selection, a
// character outside the table, another alignment) is painted by QLineEdit itself.
//
// A new value or colour given through showValue() and showColor() is only painted while
// nobody works with the box: QLineEdit lays out every text it is given and resolves every
// palette, which cost more than the painting. QLineEdit's own text and palette catch up as
// soon as the operator turns to the box (focus, a click, a context menu, a key), when the
// value is one the box cannot paint itself, and at once while an accessibility client
// listens. So read the box through value() and valueColor(), not text() and palette().
class ValueBox : public QLineEdit {
    Q_OBJECT
public:
    explicit ValueBox(const QString& text, QWidget* parent = nullptr);

    void showValue(const QString& text);
    QString value() const { return pendingText_ ? *pendingText_ : text(); }
    // The colour of the value's text (the palette's Text, WindowText and ButtonText roles).
    void showColor(const QColor& color);
    QColor valueColor() const;
    // Hands a value and colour only painted so far on to QLineEdit.
    void catchUp();

    // Off: QLineEdit paints every time; for comparing the two in tests.
    void setQuickPaint(bool on) { quickPaint_ = on; }
    // How many paints took the quick way; for tests.
    int quickPaints() const { return quickPaints_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Where and with which glyphs a value is painted, for the box as it is now.
    struct Layout {
        QString value;
        QSize size;
        Qt::Alignment alignment;
        QMargins margins;
        bool fits = false;  // false: QLineEdit must paint this value
        QList<quint32> indexes;
        QList<QPointF> positions;
        QPointF origin;
        QRect clip;
    };
    // Null when QLineEdit must paint `value`. Valid until the next call.
    const Layout* layoutFor(const QString& value);
    bool mustCatchUpAtOnce() const;
    bool paintQuickly();
    void prepareFont();

    bool quickPaint_ = true;
    int quickPaints_ = 0;
    bool fontReady_ = false;
    const GlyphTable* glyphs_ = nullptr;
    int lineHeight_ = 0;
    std::optional<Layout> laidOut_;
    std::optional<QString> pendingText_;
    std::optional<QColor> pendingColor_;
};

}  // namespace tc24
