// Glyphs copied from cells must be the pixels Qt blends itself, wherever a text falls.

#include "app/qt/glyph_cells.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QGlyphRun>
#include <QPainter>

#include "app/qt/glyph_table.h"
#include "app/qt/main_window.h"

namespace tc24 {
namespace {

struct Text {
    QList<quint32> indexes;
    QList<QPointF> positions;
};

Text place(const GlyphTable& table, const QString& text, QPointF pen = {}) {
    Text placed;
    EXPECT_TRUE(table.place(text, pen, placed.indexes, placed.positions)) << text.toStdString();
    return placed;
}

QImage plainImage(QImage::Format format, QRgb background) {
    QImage image(96, 40, format);
    image.fill(QColor::fromRgba(background));
    return image;
}

// Qt's own drawing of the text and the copy from cells, each on a plain image.
struct BothWays {
    QImage byQt;
    QImage copied;
    bool copiedAtAll = false;
};

BothWays paintBothWays(GlyphCells& cells, const QRawFont& font, const Text& text, QPointF origin,
                       QPoint move, QColor color, QRgb background, QImage::Format format) {
    BothWays both{plainImage(format, background), plainImage(format, background)};
    {
        QPainter painter(&both.byQt);
        painter.translate(move);
        painter.setPen(color);
        QGlyphRun run;
        run.setRawFont(font);
        run.setGlyphIndexes(text.indexes);
        run.setPositions(text.positions);
        painter.drawGlyphRun(origin, run);
    }
    {
        QPainter painter(&both.copied);
        painter.translate(move);
        painter.setPen(color);
        both.copiedAtAll = cells.paint(painter, origin, text.indexes, text.positions, background,
                                       QRect(-move, both.copied.size()));
    }
    return both;
}

QFont valueFont() {
    MainWindow::applyApplicationFont();
    return QApplication::font();
}

QFont hexFont() {
    QFont hex;
    hex.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Sans Mono")});
    hex.setStyleHint(QFont::TypeWriter);
    return hex;
}

TEST(GlyphCells, CopiesWhatQtBlendsAtEveryFractionOfAPixel) {
    const GlyphTable& values = GlyphTable::of(valueFont(), u"0123456789.-");
    const GlyphTable& hex = GlyphTable::of(hexFont(), u"0123456789ABCDEF ");
    ASSERT_TRUE(values.usable());
    ASSERT_TRUE(hex.usable());
    GlyphCells valueCells(values.rawFont());
    GlyphCells hexCells(hex.rawFont());

    struct Case {
        GlyphCells& cells;
        const GlyphTable& table;
        QString text;
    };
    const Case cases[] = {{valueCells, values, QStringLiteral("-12.5")},
                          {valueCells, values, QStringLiteral("1987.60")},
                          {valueCells, values, QStringLiteral("-.-")},
                          {hexCells, hex, QStringLiteral(" 01 03 FA")},
                          {hexCells, hex, QStringLiteral("BCDE 789")}};
    int compared = 0;
    for (const Case& c : cases) {
        const Text text = place(c.table, c.text);
        // Every 64th of a pixel across, a few down: the places Qt tells apart.
        for (int x = 0; x < 64; ++x) {
            for (const int y : {0, 17, 32, 63}) {
                const QPointF origin(2 + x / 64.0, 20 + y / 64.0);
                for (const QImage::Format format :
                     {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
                    const auto both =
                        paintBothWays(c.cells, c.table.rawFont(), text, origin, QPoint(3, -2),
                                      QColor(Qt::red), qRgb(255, 255, 255), format);
                    ASSERT_TRUE(both.copiedAtAll) << c.text.toStdString() << " at " << x;
                    ASSERT_EQ(both.byQt, both.copied)
                        << c.text.toStdString() << " at " << x << "/64, " << y << "/64";
                    ++compared;
                }
            }
        }
        // Other colours on another background.
        for (const QColor color : {QColor(Qt::black), QColor(0, 0, 255), QColor(20, 200, 90)}) {
            const auto both =
                paintBothWays(c.cells, c.table.rawFont(), text, QPointF(1.25, 19.5), QPoint(0, 0),
                              color, qRgb(239, 239, 239), QImage::Format_RGB32);
            ASSERT_TRUE(both.copiedAtAll);
            ASSERT_EQ(both.byQt, both.copied)
                << c.text.toStdString() << " " << color.name().toStdString();
        }
    }
    EXPECT_EQ(compared, 5 * 64 * 4 * 2);
}

TEST(GlyphCells, GlyphsThatReachTheSamePixelsAreBlendedOneOverTheOther) {
    const GlyphTable& values = GlyphTable::of(valueFont(), u"0123456789.-");
    GlyphCells cells(values.rawFont());
    // Glyphs pushed into one another, on one line and from one line into the next; the
    // ones that meet nothing are still copied.
    for (const qreal squeeze : {0.0, 1.0, 2.5, 4.0, 7.0}) {
        Text text = place(values, QStringLiteral("8-8.1808"));
        for (qsizetype i = 0; i < text.positions.size(); ++i) {
            text.positions[i].rx() -= squeeze * static_cast<qreal>(i % 4);
            if (i >= 4) {
                text.positions[i].ry() += 16 - 3 * squeeze;  // a second line
                text.positions[i].rx() -= 20;
            }
        }
        const auto both =
            paintBothWays(cells, values.rawFont(), text, QPointF(3.5, 14), QPoint(1, 1),
                          QColor(Qt::black), qRgb(255, 255, 255), QImage::Format_RGB32);
        ASSERT_TRUE(both.copiedAtAll) << squeeze;
        EXPECT_EQ(both.byQt, both.copied) << "squeezed by " << squeeze;
    }
}

TEST(GlyphCells, LeavesToQtWhatItCannotCopyExactly) {
    const GlyphTable& values = GlyphTable::of(valueFont(), u"0123456789.-");
    GlyphCells cells(values.rawFont());
    const Text text = place(values, QStringLiteral("23.5"));
    const QRgb white = qRgb(255, 255, 255);

    QRect plainArea(0, 0, 96, 40);
    const auto refuses = [&](auto&& setUp, QImage image, QRgb background, const Text& what) {
        const QImage before = image;
        QPainter painter(&image);
        painter.setPen(Qt::black);
        setUp(painter);
        const bool copied = cells.paint(painter, QPointF(2, 20), what.indexes, what.positions,
                                        background, plainArea);
        painter.end();
        return !copied && image == before;
    };
    const auto nothing = [](QPainter&) {};
    const QImage plain = plainImage(QImage::Format_RGB32, white);

    EXPECT_TRUE(refuses([](QPainter& p) { p.scale(2, 2); }, plain, white, text)) << "scaled";
    EXPECT_TRUE(refuses([](QPainter& p) { p.translate(0.5, 0); }, plain, white, text))
        << "moved by half a pixel";
    EXPECT_TRUE(refuses([](QPainter& p) { p.setOpacity(0.5); }, plain, white, text))
        << "half transparent";
    EXPECT_TRUE(
        refuses([](QPainter& p) { p.setPen(QPen(QBrush(Qt::black, Qt::Dense4Pattern), 1)); }, plain,
                white, text))
        << "patterned pen";
    EXPECT_TRUE(refuses(nothing, plain, qRgba(255, 255, 255, 128), text)) << "see-through";
    EXPECT_TRUE(refuses(nothing, plainImage(QImage::Format_RGB16, white), white, text))
        << "another pixel format";

    // A glyph beyond the part that is plain.
    plainArea = QRect(0, 0, 12, 40);
    EXPECT_TRUE(refuses(nothing, plain, white, text)) << "beyond the plain part";
    plainArea = QRect(0, 0, 96, 40);

    // Positions off Qt's 1/64 grid could round otherwise than Qt rounds them.
    Text offGrid = text;
    offGrid.positions[0] += QPointF(1.0 / 200, 0);
    EXPECT_TRUE(refuses(nothing, plain, white, offGrid)) << "off the grid";
}

}  // namespace
}  // namespace tc24
