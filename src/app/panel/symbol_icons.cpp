#include "app/panel/symbol_icons.h"

#include <QPainter>

#include <mutex>

// Resources compiled into a static library are only registered when something asks for them;
// Q_INIT_RESOURCE has to be used outside any namespace.
static void registerBundledSymbols() {
    Q_INIT_RESOURCE(symbols);
}

namespace wirelark {

QIcon symbolIcon(Symbol symbol) {
    static std::once_flag registered;
    std::call_once(registered, registerBundledSymbols);
    const QString bundled = ":/panel/symbols/" + QString::fromUtf8(bundledIconName(symbol).data(),
                                                                   bundledIconName(symbol).size());
    const std::string_view theme = themeIconName(symbol);
    return QIcon::fromTheme(QString::fromUtf8(theme.data(), theme.size()), QIcon(bundled));
}

QPixmap tintedSymbol(Symbol symbol, int size, const QColor& color) {
    QPixmap pixmap = symbolIcon(symbol).pixmap(size, size);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    return pixmap;
}

} // namespace wirelark
