#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace wirelark {

// The text of a JSON document, compact or indented by `indent` spaces. Documents carry names
// the kernel supplied, which may be any bytes (an interface can be named "v\xff"): bytes that
// are not valid UTF-8 become U+FFFD rather than throwing, so no output ever aborts on them.
template <typename Json>
std::string jsonText(const Json& document, int indent = -1) {
    return document.dump(indent, ' ', false, Json::error_handler_t::replace);
}

} // namespace wirelark
