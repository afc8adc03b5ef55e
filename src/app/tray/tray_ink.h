#pragma once

#include <QColor>

#include <optional>

namespace wirelark {

// The desktop's colour scheme as its settings portal reports it.
enum class ColorScheme {
    noPreference,
    dark,
    light,
};

// The one colour the tray's monochrome image is drawn in, light on dark panels: from the tray's
// background where it was seen (it is what the image shows against), else from the desktop's
// colour scheme where it states one, else `fallback`.
QColor trayInk(ColorScheme scheme, std::optional<QColor> trayBackground, const QColor& fallback);

} // namespace wirelark
