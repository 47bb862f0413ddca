#pragma once

#include <QColor>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QStyleOptionFrame>
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
//
// The value is painted on a face: a widget over the box's text area that paints every pixel
// it covers. Qt repaints such a widget on its own. The box itself is rounded at the corners,
// so for it Qt first repaints everything behind it (the window, the panel, the column),
// walking the whole window to find it; for 24 boxes that was most of a repaint. The boxes of
// one parent (a column of the window) share one face widget, masked to their text areas. The
// face is used only where the box's panel is opaque under it, and left whenever QLineEdit
// paints the box itself.
class ValueBox : public QLineEdit {
    Q_OBJECT
public:
    explicit ValueBox(const QString& text, QWidget* parent = nullptr);
    ~ValueBox() override;

    void showValue(const QString& text);
    QString value() const { return pendingText_ ? *pendingText_ : text(); }
    // The colour of the value's text (the palette's Text, WindowText and ButtonText roles).
    void showColor(const QColor& color);
    QColor valueColor() const;
    // Hands a value and colour only painted so far on to QLineEdit.
    void catchUp();

    // Off: QLineEdit paints every time; for comparing the two in tests.
    void setQuickPaint(bool on);
    // How many paints took the quick way; for tests.
    int quickPaints() const { return quickPaints_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class ColumnFace;

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
    void paintValue(QPainter& painter, const Layout& layout, const QStyleOptionFrame& panel);
    void paintGlyphs(QPainter& painter, const Layout& layout,
                     const std::optional<GlyphTable::PlainBackground>& plainBackground);
    // Paints the face over `area` (the text area, in the box's coordinates) with a painter
    // of the column's face set to the box's coordinates.
    void paintFace(QPainter& painter, const QRect& area);
    void repaintValue();
    void prepareFont();
    // Shows, moves or hides the face for the box as it is now, and repaints what changed.
    void syncFace();
    void hideFace();
    bool panelOpaqueUnder(const QStyleOptionFrame& panel, const QRect& area);

    bool quickPaint_ = true;
    int quickPaints_ = 0;
    bool fontReady_ = false;
    const GlyphTable* glyphs_ = nullptr;
    int lineHeight_ = 0;
    std::optional<Layout> laidOut_;
    // Where the line of text goes, for the box as it is.
    struct TextLine {
        QSize size;
        QMargins margins;
        const QStyle* style = nullptr;
        QRect area;  // the text's clip
        QRect line;
    };
    std::optional<TextLine> textLine_;
    std::optional<QString> pendingText_;
    std::optional<QColor> pendingColor_;
    QPointer<ColumnFace> column_;
    std::optional<QRect> faceArea_;  // where the face shows, in the parent's coordinates
    // What the panel's opacity under the face was last checked for.
    struct PanelCheck {
        qint64 paletteKey = 0;
        int state = 0;
        QSize size;
        QRect area;
        const QStyle* style = nullptr;
        std::optional<QPixmap> piece;  // the panel under the face, if opaque there
        // The part of it in one colour (in the box's coordinates), if there is one.
        std::optional<GlyphTable::PlainBackground> plain;
    };
    std::optional<PanelCheck> panelCheck_;
};

}  // namespace tc24
