#include "admin/admin_bus_error.h"

#include <cctype>

namespace wirelark {

std::string busErrorName(AdminError error) {
    std::string member(caseName(error));
    member[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(member[0])));
    return std::string(adminErrorDomain) + ".Error." + member;
}

std::optional<AdminError> adminErrorFromBusErrorName(std::string_view name) {
    for (int code = 1; const auto error = adminErrorFromRawValue(code); ++code) {
        if (busErrorName(*error) == name) {
            return error;
        }
    }
    return std::nullopt;
}

int setBusError(sd_bus_error* into, AdminError error) {
    const std::string name = busErrorName(error);
    const std::string message(description(error));
    return sd_bus_error_set(into, name.c_str(), message.c_str());
}

} // namespace wirelark
