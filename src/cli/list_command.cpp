#include "cli/commands.h"

#include "netcore/base/json_text.h"
#include "netcore/interfaces/address_lines.h"
#include "netcore/interfaces/bit_names.h"
#include "netcore/interfaces/interface_reader.h"
#include "netcore/interfaces/snapshot_json.h"

#include "cli/system_annotations.h"

#include <cstdio>
#include <iostream>

namespace wirelark::cli {

namespace {

void printSnapshot(const InterfaceSnapshot& s) {
    std::printf("%s: index %u\n", s.name.c_str(), s.index);
    std::printf("    flags %s\n", BitNames::interfaceFlags.format(s.flags).c_str());
    std::printf("    mtu %u\n", s.mtu);
    if (s.capabilities && *s.capabilities != 0) {
        std::printf("    options %s\n", BitNames::capabilities.format(*s.capabilities).c_str());
    }
    if (s.nd6Flags && *s.nd6Flags != 0) {
        std::printf("    nd6 %s\n", BitNames::nd6Flags.format(*s.nd6Flags).c_str());
    }
    if (s.media) {
        const char* status = s.media->status == MediaStatus::active     ? " \u00b7 active"
                             : s.media->status == MediaStatus::inactive ? " \u00b7 inactive"
                                                                        : "";
        std::printf("    media %s%s\n", s.media->description().c_str(), status);
    }
    for (const auto& a : s.ipv4) {
        std::printf("    inet %s\n", ipv4Line(a).c_str());
    }
    for (const auto& a : s.ipv6) {
        std::printf("    inet6 %s\n", ipv6Line(a, true).c_str());
    }
    if (s.linkAddress) {
        std::printf("    ether %s\n", s.linkAddress->description().c_str());
    }
    const auto& c = s.counters;
    std::printf("    bytes in %llu out %llu, packets in %llu out %llu, errors in %llu out %llu\n",
                (unsigned long long)c.bytesIn, (unsigned long long)c.bytesOut,
                (unsigned long long)c.packetsIn, (unsigned long long)c.packetsOut,
                (unsigned long long)c.errorsIn, (unsigned long long)c.errorsOut);
    std::printf("    multicast in %llu out %llu, collisions %llu, drops in %llu\n",
                (unsigned long long)c.multicastIn, (unsigned long long)c.multicastOut,
                (unsigned long long)c.collisions, (unsigned long long)c.dropsIn);
}

int run(const ParsedCommandLine& options) {
    InterfaceReader reader;
    const auto listed = reader.snapshot();
    if (!listed || (*listed)->empty()) {
        std::fprintf(stderr, "wirelark-cli list: cannot read the network interfaces: %s\n",
                     listed ? "the kernel listed none" : listed.error().message().c_str());
        return 1;
    }
    const auto& snapshots = **listed;
    const auto annotations = SystemAnnotations::read();
    if (options.has("--json")) {
        auto array = nlohmann::ordered_json::array();
        for (const auto& s : snapshots) {
            array.push_back(toJson(s));
            annotations.annotate(array.back(), s.name);
        }
        std::cout << jsonText(array, 2) << '\n';
        return 0;
    }
    for (size_t i = 0; i < snapshots.size(); ++i) {
        if (i > 0) {
            std::putchar('\n');
        }
        printSnapshot(snapshots[i]);
        annotations.print(stdout, snapshots[i].name);
    }
    return 0;
}

constexpr Option kOptions[] = {
    {.name = "--json", .help = "one JSON array with an object per interface"},
};

} // namespace

const Command listCommand{
    .name = "list",
    .summary = "every interface with its addresses, flags, media and counters",
    .options = kOptions,
    .wording = ErrorWording::command,
    .run = run,
};

} // namespace wirelark::cli
