#include "cli/system_annotations.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace wirelark;
using wirelark::cli::SystemAnnotations;

namespace {

SystemAnnotations sample() {
    SystemAnnotations annotations;
    annotations.metadata.interfaces["eth0"] = {"eth0", "I219-V", "Ethernet", "00:1a:2b:3c:4d:5e"};
    annotations.metadata.services = {{"u-1", "Wired", true, "eth0", false},
                                     {"u-2", "Spare", false, "eth0", false},
                                     {"u-3", "VPN", false, "tun0", false}};
    annotations.metadata.primaryIPv4Interface = "eth0";
    annotations.metadata.primaryIPv6Interface = "tun0";
    annotations.owners["tun0"] = {4242, "openvpn", "/usr/sbin/openvpn"};
    return annotations;
}

std::string printed(const SystemAnnotations& annotations, const std::string& name) {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    annotations.print(out, name);
    std::fclose(out);
    std::string result(text, size);
    std::free(text);
    return result;
}

} // namespace

TEST(SystemAnnotations, JsonMembersAreAddedWhereKnown) {
    const auto annotations = sample();
    nlohmann::ordered_json eth0 = {{"name", "eth0"}};
    annotations.annotate(eth0, "eth0");
    EXPECT_EQ(eth0.dump(),
              R"({"name":"eth0","metadata":{"bsdName":"eth0","displayName":"I219-V",)"
              R"("interfaceType":"Ethernet","hardwareAddress":"00:1a:2b:3c:4d:5e"},)"
              R"("service":{"id":"u-1","name":"Wired","enabled":true,"bsdName":"eth0",)"
              R"("hidden":false},"isPrimaryIPv4":true,"isPrimaryIPv6":false})");
    nlohmann::ordered_json tun0 = {{"name", "tun0"}};
    annotations.annotate(tun0, "tun0");
    EXPECT_EQ(tun0.dump(),
              R"({"name":"tun0","service":{"id":"u-3","name":"VPN","enabled":false,)"
              R"("bsdName":"tun0","hidden":false},"owner":{"pid":4242,"name":"openvpn",)"
              R"("path":"/usr/sbin/openvpn"},"isPrimaryIPv4":false,"isPrimaryIPv6":true})");
    nlohmann::ordered_json lo = {{"name", "lo"}};
    annotations.annotate(lo, "lo");
    EXPECT_EQ(lo.dump(), R"({"name":"lo","isPrimaryIPv4":false,"isPrimaryIPv6":false})");
}

TEST(SystemAnnotations, TextLinesFollowTheSnapshot) {
    const auto annotations = sample();
    EXPECT_EQ(printed(annotations, "eth0"), "    name I219-V\n"
                                            "    type Ethernet\n"
                                            "    service Wired (active)\n"
                                            "    primary IPv4\n");
    EXPECT_EQ(printed(annotations, "tun0"), "    service VPN (inactive)\n"
                                            "    primary IPv6\n"
                                            "    owner openvpn (pid 4242, /usr/sbin/openvpn)\n");
    EXPECT_EQ(printed(annotations, "lo"), "");
}
