#include "netcore/sysconfig/system_configuration_reader.h"

#include "netcore/kernel/link_facts.h"
#include "netcore/sysconfig/network_manager_profiles.h"
#include "netcore/sysconfig/primary_interfaces.h"

#include <sys/socket.h>

namespace wirelark {

namespace {

std::optional<std::string> nameOf(const std::vector<LinkFacts>& links,
                                  std::optional<uint32_t> index) {
    if (!index) {
        return std::nullopt;
    }
    for (const auto& link : links) {
        if (link.index == *index) {
            return link.name;
        }
    }
    return std::nullopt;
}

} // namespace

SystemConfigurationReader::SystemConfigurationReader() : SystemConfigurationReader(Sources{}) {}

SystemConfigurationReader::SystemConfigurationReader(Sources sources)
    : sources_(std::move(sources)) {}

NetworkMetadata SystemConfigurationReader::read() const {
    NetworkMetadata metadata;
    auto socket = NetlinkSocket::open();
    std::vector<LinkFacts> links;
    if (socket) {
        links = dumpLinkFacts(*socket).value_or(std::vector<LinkFacts>{});
    }
    NetworkManagerState networkManager;
    if (sources_.openBus) {
        if (auto bus = sources_.openBus()) {
            networkManager = readNetworkManager(*bus, sources_.busBudget);
        }
    }
    metadata.interfaces =
        readInterfaceMetadata(links, networkManager.deviceInterfaces, sources_.folders);
    metadata.services = servicesFromProfiles(networkManager.profiles);
    if (socket) {
        // A route lookup the kernel does not answer leaves that family without a primary.
        metadata.primaryIPv4Interface =
            nameOf(links, primaryInterfaceIndex(*socket, AF_INET).value_or(std::nullopt));
        metadata.primaryIPv6Interface =
            nameOf(links, primaryInterfaceIndex(*socket, AF_INET6).value_or(std::nullopt));
    }
    return metadata;
}

} // namespace wirelark
