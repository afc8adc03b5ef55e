#include "admin/bus_name.h"

namespace wirelark {

std::string busNameForService(std::string_view serviceName) {
    std::string busName;
    busName.reserve(serviceName.size() + 1);
    bool elementStarts = true;
    for (const char c : serviceName) {
        if (elementStarts && c >= '0' && c <= '9') {
            busName += '_';
        }
        busName += c;
        elementStarts = c == '.';
    }
    return busName;
}

} // namespace wirelark
