#pragma once

#include <QHash>
#include <QLineEdit>
#include <QRawFont>

namespace tc24 {

// The text box of one channel's temperature. It stays a QLineEdit (the operator can click,
// select and copy a value), but while nobody edits it, it paints itself more cheaply: the
// panel comes from the style and the digits from a table of glyphs looked up once, instead of
// shaping the text anew for every paint. A poll repaints all 24 boxes twice (red when the
// request goes out, black with the new value), which made the boxes most of a poll's cost.
// The pixels are the same as QLineEdit's own; anything unusual (focus, a selection, a
// character outside the table, another alignment) is painted by QLineEdit itself.
class ValueBox : public QLineEdit {
    Q_OBJECT
public:
    explicit ValueBox(const QString& text, QWidget* parent = nullptr);

    // Off: QLineEdit paints every time; for comparing the two in tests.
    void setQuickPaint(bool on) { quickPaint_ = on; }
    // How many paints took the quick way; for tests.
    int quickPaints() const { return quickPaints_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Glyph {
        quint32 index = 0;
        QPointF advance;
    };
    bool paintQuickly();
    bool glyphsFor(const QString& text, QList<quint32>& indexes, QList<QPointF>& positions,
                   qreal& width);
    void prepareFont();

    bool quickPaint_ = true;
    int quickPaints_ = 0;
    bool fontReady_ = false;
    QRawFont rawFont_;
    QHash<char16_t, Glyph> glyphs_;
    int lineHeight_ = 0;
};

}  // namespace tc24
