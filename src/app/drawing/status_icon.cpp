#include "app/drawing/status_icon.h"

#include <QString>

#include <mutex>

// Resources compiled into a static library are only registered when something asks for them;
// Q_INIT_RESOURCE has to be used outside any namespace.
static void registerBundledIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace wirelark {

QIcon statusIcon() {
    static std::once_flag registered;
    std::call_once(registered, registerBundledIcons);
    return QIcon::fromTheme(QStringLiteral("network-transmit-receive"),
                            QIcon(QStringLiteral(":/icons/wirelark.svg")));
}

} // namespace wirelark
