#include "app/panel/symbol.h"

#include <array>

namespace wirelark {
namespace {

struct SymbolNames {
    Symbol symbol;
    std::string_view themeName;
    std::string_view bundledName;
};

constexpr std::array<SymbolNames, 17> kSymbolNames{{
    {Symbol::questionMark, "dialog-question", "question-mark.svg"},
    {Symbol::loop, "media-playlist-repeat", "loop.svg"},
    {Symbol::wifi, "network-wireless", "wifi.svg"},
    {Symbol::cable, "network-wired", "cable.svg"},
    {Symbol::antenna, "network-cellular", "antenna.svg"},
    {Symbol::lockShield, "network-vpn", "lock-shield.svg"},
    {Symbol::bridge, "network-workgroup", "bridge.svg"},
    {Symbol::network, "network-transmit-receive", "network.svg"},
    {Symbol::pin, "pin", "pin.svg"},
    {Symbol::pinFilled, "window-pin", "pin-filled.svg"},
    {Symbol::gear, "preferences-system", "gear.svg"},
    {Symbol::power, "application-exit", "power.svg"},
    {Symbol::reload, "view-refresh", "reload.svg"},
    {Symbol::arrowDown, "go-down", "arrow-down.svg"},
    {Symbol::arrowUp, "go-up", "arrow-up.svg"},
    {Symbol::checkmark, "emblem-ok", "checkmark.svg"},
    {Symbol::cross, "process-stop", "cross.svg"},
}};

const SymbolNames& namesOf(Symbol symbol) {
    return kSymbolNames[static_cast<size_t>(symbol)];
}

} // namespace

std::string_view themeIconName(Symbol symbol) {
    return namesOf(symbol).themeName;
}

std::string_view bundledIconName(Symbol symbol) {
    return namesOf(symbol).bundledName;
}

Symbol kindSymbol(const InterfaceItem& item) {
    if (!item.snapshot) {
        return Symbol::questionMark;
    }
    switch (item.kind()) {
    case InterfaceKind::loopback:
        return Symbol::loop;
    case InterfaceKind::wifi:
    case InterfaceKind::awdl:
    case InterfaceKind::lowLatencyWLAN:
    case InterfaceKind::accessPoint:
        return Symbol::wifi;
    case InterfaceKind::ethernet:
        return Symbol::cable;
    case InterfaceKind::cellular:
        return Symbol::antenna;
    case InterfaceKind::tunnel:
    case InterfaceKind::gif:
    case InterfaceKind::stf:
        return Symbol::lockShield;
    case InterfaceKind::bridge:
        return Symbol::bridge;
    case InterfaceKind::other:
        return Symbol::network;
    }
    return Symbol::network;
}

} // namespace wirelark
