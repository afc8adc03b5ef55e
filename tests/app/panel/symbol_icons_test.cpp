#include "app/panel/symbol_icons.h"

#include "app/panel/panel_style.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace wirelark;

namespace {

// The colour of the most opaque pixel: where the symbol's ink is.
QColor inkOf(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    QColor ink(Qt::transparent);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() > ink.alpha()) {
                ink = pixel;
            }
        }
    }
    return ink;
}

bool sameHue(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2;
}

} // namespace

TEST(SymbolIconsTest, EachSymbolIsMadeOnceAndShown) {
    EXPECT_FALSE(symbolIcon(Symbol::pin).isNull());
    EXPECT_EQ(symbolIcon(Symbol::pin).cacheKey(), symbolIcon(Symbol::pin).cacheKey());
    EXPECT_NE(symbolIcon(Symbol::pin).cacheKey(), symbolIcon(Symbol::pinFilled).cacheKey());
}

TEST(SymbolIconsTest, TintedSymbolsAreKeptPerSymbolSizeAndColour) {
    struct Case {
        Symbol symbol;
        int size;
        QColor color;
    };
    // Neighbours differ in one thing only, so a key that ignored it would hand back the other.
    const std::vector<Case> cases = {
        {Symbol::arrowDown, 12, kDownloadColor},
        {Symbol::arrowDown, 12, kUploadColor},
        {Symbol::arrowDown, 16, kUploadColor},
        {Symbol::arrowUp, 16, kUploadColor},
    };
    std::vector<QPixmap> made;
    for (const Case& c : cases) {
        made.push_back(tintedSymbol(c.symbol, c.size, c.color));
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const QPixmap again = tintedSymbol(c.symbol, c.size, c.color);
        EXPECT_EQ(again.cacheKey(), made[i].cacheKey()) << i;
        EXPECT_LE(again.width(), c.size) << i;
        EXPECT_GT(again.width(), 0) << i;
        const QColor ink = inkOf(again);
        EXPECT_GT(ink.alpha(), 200) << i;
        EXPECT_TRUE(sameHue(ink, c.color)) << i << ": " << ink.name().toStdString();
        if (i > 0) {
            EXPECT_NE(again.cacheKey(), made[i - 1].cacheKey()) << i;
        }
    }
    EXPECT_NE(made[2].toImage(), made[3].toImage()); // down and up are different pictures
}
