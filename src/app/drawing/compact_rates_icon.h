#pragma once

#include <QColor>
#include <QImage>

#include <string>

namespace wirelark {

// A square tray icon holding the rates in two lines, download (↓) over upload (↑), for hosts
// that show no text beside the icon. Each line is squeezed to the width so that "↓1.2M" stays
// legible down to 22 pixels.
QImage compactRatesIcon(const std::string& down, const std::string& up, int side,
                        const QColor& ink);

} // namespace wirelark
