#pragma once

#include "app/panel/symbol.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>

namespace wirelark {

// The icon theme's picture of the symbol, or the bundled one where the theme has none.
QIcon symbolIcon(Symbol symbol);
// The symbol drawn in one colour, as the panel's palette asks.
QPixmap tintedSymbol(Symbol symbol, int size, const QColor& color);

} // namespace wirelark
