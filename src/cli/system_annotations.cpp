#include "cli/system_annotations.h"

#include "netcore/sysconfig/system_configuration_reader.h"

namespace wirelark::cli {

SystemAnnotations SystemAnnotations::read() {
    return {SystemConfigurationReader().read(), TunnelOwners().scan()};
}

void SystemAnnotations::annotate(nlohmann::ordered_json& entry, const std::string& name) const {
    if (const auto it = metadata.interfaces.find(name); it != metadata.interfaces.end()) {
        entry["metadata"] = toJson(it->second);
    }
    if (const auto service = metadata.service(name)) {
        entry["service"] = toJson(*service);
    }
    if (const auto it = owners.find(name); it != owners.end()) {
        entry["owner"] = toJson(it->second);
    }
    entry["isPrimaryIPv4"] = metadata.primaryIPv4Interface == name;
    entry["isPrimaryIPv6"] = metadata.primaryIPv6Interface == name;
}

void SystemAnnotations::print(std::FILE* out, const std::string& name) const {
    if (const auto it = metadata.interfaces.find(name); it != metadata.interfaces.end()) {
        const auto& entry = it->second;
        if (entry.displayName) {
            std::fprintf(out, "    name %s\n", entry.displayName->c_str());
        }
        if (entry.interfaceType) {
            std::fprintf(out, "    type %s\n", entry.interfaceType->c_str());
        }
    }
    if (const auto service = metadata.service(name)) {
        std::fprintf(out, "    service %s (%s)\n", service->name.c_str(),
                     service->enabled ? "active" : "inactive");
    }
    const bool primary4 = metadata.primaryIPv4Interface == name;
    const bool primary6 = metadata.primaryIPv6Interface == name;
    if (primary4 || primary6) {
        std::fprintf(out, "    primary %s\n",
                     primary4 && primary6 ? "IPv4 IPv6"
                     : primary4           ? "IPv4"
                                          : "IPv6");
    }
    if (const auto it = owners.find(name); it != owners.end()) {
        std::fprintf(out, "    owner %s (pid %d, %s)\n", it->second.name.c_str(), it->second.pid,
                     it->second.path.empty() ? "path unknown" : it->second.path.c_str());
    }
}

} // namespace wirelark::cli
