#pragma once

#include "app/core/interface_item.h"

#include <string_view>

namespace wirelark {

// The pictures the panel shows, named for what they depict.
enum class Symbol {
    questionMark,
    loop,
    wifi,
    cable,
    antenna,
    lockShield,
    bridge,
    network,
    pin,
    pinFilled,
    gear,
    power,
    reload,
    arrowDown,
    arrowUp,
    checkmark,
    cross,
};

// The freedesktop icon-theme name that shows the symbol where the theme has one.
std::string_view themeIconName(Symbol symbol);
// The file name of the bundled picture used where the theme has none.
std::string_view bundledIconName(Symbol symbol);

// What the row header shows for an item: its kind's picture, or a question mark for an
// interface that is not present.
Symbol kindSymbol(const InterfaceItem& item);

} // namespace wirelark
