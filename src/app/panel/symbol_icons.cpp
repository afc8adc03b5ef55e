#include "app/panel/symbol_icons.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmapCache>

#include <map>
#include <mutex>

// Resources compiled into a static library are only registered when something asks for them;
// Q_INIT_RESOURCE has to be used outside any namespace.
static void registerBundledSymbols() {
    Q_INIT_RESOURCE(symbols);
}

namespace wirelark {
namespace {

// Reading an SVG costs more than laying out a whole row, and every row shows the same few
// symbols: each icon is made once for the icon theme in use. Like Qt's own icon cache it is
// emptied as the application ends, while the plugins that draw the icons are still loaded.
struct IconCache {
    QString theme;
    std::map<Symbol, QIcon> icons;
    bool emptiedAtExit = false;
};

IconCache& iconCache() {
    static IconCache cache;
    return cache;
}

void emptyIconCache() {
    iconCache() = {};
}

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QIcon makeSymbolIcon(Symbol symbol) {
    static std::once_flag registered;
    std::call_once(registered, registerBundledSymbols);
    return QIcon::fromTheme(toQString(themeIconName(symbol)),
                            QIcon(":/panel/symbols/" + toQString(bundledIconName(symbol))));
}

} // namespace

QIcon symbolIcon(Symbol symbol) {
    IconCache& cache = iconCache();
    if (!cache.emptiedAtExit) {
        qAddPostRoutine(emptyIconCache);
        cache.emptiedAtExit = true;
    }
    const QString theme = QIcon::themeName();
    if (theme != cache.theme) {
        cache.icons.clear();
        cache.theme = theme;
    }
    const auto [found, made] = cache.icons.try_emplace(symbol);
    if (made) {
        found->second = makeSymbolIcon(symbol);
    }
    return found->second;
}

QPixmap tintedSymbol(Symbol symbol, int size, const QColor& color) {
    const QString key = QStringLiteral("wirelark-symbol-%1-%2-%3-%4-%5")
                            .arg(static_cast<int>(symbol))
                            .arg(size)
                            .arg(color.rgba(), 0, 16)
                            .arg(qApp->devicePixelRatio())
                            .arg(QIcon::themeName());
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) {
        return pixmap;
    }
    pixmap = symbolIcon(symbol).pixmap(size, size);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    painter.end();
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

} // namespace wirelark
