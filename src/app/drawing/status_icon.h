#pragma once

#include <QIcon>

namespace wirelark {

// The application's network glyph: the icon theme's transmit-receive icon, else the bundled
// drawing, which is also the application icon of the desktop entry.
QIcon statusIcon();

} // namespace wirelark
