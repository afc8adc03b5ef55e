#pragma once

#include <string_view>

namespace wirelark {

// Whether the dotted version `candidate` is newer than `installed`. Each piece counts by its
// leading digits (none reads as 0) and a missing piece as 0, so "1.10" is newer than "1.9",
// "1.2" equals "1.2.0" and "2.0b" equals "2.0".
bool isNewerVersion(std::string_view candidate, std::string_view installed);

} // namespace wirelark
