#pragma once

#include <QHash>
#include <QPixmap>
#include <QProxyStyle>

namespace tc24 {

// The window's style with the panel of a text box drawn from a picture kept per look. The
// value boxes change with every poll and the style builds each panel anew from rounded
// strokes and colour arithmetic, which costs more than the text in it; a picture of the same
// panel, drawn once by the style itself, gives the same pixels for a fraction of that.
class PanelCacheStyle : public QProxyStyle {
public:
    PanelCacheStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

    // How many pictures are kept; for tests.
    qsizetype cachedPanels() const { return panels_.size(); }

private:
    mutable QHash<QByteArray, QPixmap> panels_;
};

}  // namespace tc24
