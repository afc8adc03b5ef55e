#pragma once

#include "netcore/sysconfig/network_metadata.h"
#include "netcore/sysconfig/tunnel_owners.h"

#include <cstdio>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

namespace wirelark::cli {

// How the system sees the interfaces beyond the kernel: metadata, connection profiles, the
// primary interfaces and the owners of tunnels (those of other users only for root).
struct SystemAnnotations {
    NetworkMetadata metadata;
    std::map<std::string, TunnelOwner> owners;

    static SystemAnnotations read();

    // Adds "metadata", "service" and "owner" (each only when known) and "isPrimaryIPv4" and
    // "isPrimaryIPv6" to an interface's JSON object.
    void annotate(nlohmann::ordered_json& entry, const std::string& name) const;
    // The same as indented text lines.
    void print(std::FILE* out, const std::string& name) const;
};

} // namespace wirelark::cli
