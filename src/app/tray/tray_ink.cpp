#include "app/tray/tray_ink.h"

namespace wirelark {

namespace {

bool isDark(const QColor& color) {
    // Perceived brightness: green counts most, blue least.
    const double luminance =
        0.2126 * color.redF() + 0.7152 * color.greenF() + 0.0722 * color.blueF();
    return luminance < 0.5;
}

} // namespace

QColor trayInk(ColorScheme scheme, std::optional<QColor> trayBackground, const QColor& fallback) {
    if (trayBackground && trayBackground->isValid()) {
        return isDark(*trayBackground) ? QColor(Qt::white) : QColor(Qt::black);
    }
    switch (scheme) {
    case ColorScheme::dark:
        return Qt::white;
    case ColorScheme::light:
        return Qt::black;
    case ColorScheme::noPreference:
        break;
    }
    return fallback;
}

} // namespace wirelark
