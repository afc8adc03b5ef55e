#include "netcore/sysconfig/network_metadata.h"

#include <gtest/gtest.h>

#include <unordered_set>

using namespace wirelark;

TEST(NetworkMetadata, JsonKeepsFieldOrderAndLeavesOutAbsentValues) {
    NetworkMetadata metadata;
    metadata.interfaces["eth0"] = {"eth0", "I219-V", "Ethernet", "00:1a:2b:3c:4d:5e"};
    metadata.interfaces["wg0"] = {"wg0", std::nullopt, "Tunnel", std::nullopt};
    metadata.services = {{"u-1", "Wired", true, "eth0", false},
                         {"u-2", "VPN", false, std::nullopt, true}};
    metadata.primaryIPv4Interface = "eth0";
    EXPECT_EQ(toJson(metadata).dump(),
              R"({"interfaces":{"eth0":{"bsdName":"eth0","displayName":"I219-V",)"
              R"("interfaceType":"Ethernet","hardwareAddress":"00:1a:2b:3c:4d:5e"},)"
              R"("wg0":{"bsdName":"wg0","interfaceType":"Tunnel"}},"services":[)"
              R"({"id":"u-1","name":"Wired","enabled":true,"bsdName":"eth0","hidden":false},)"
              R"({"id":"u-2","name":"VPN","enabled":false,"hidden":true}],)"
              R"("primaryIPv4Interface":"eth0"})");
    EXPECT_EQ(toJson(NetworkMetadata{}).dump(), R"({"interfaces":{},"services":[]})");

    std::unordered_set<NetworkMetadata> set{metadata, metadata, NetworkMetadata{}};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(metadata.service("eth0")->id, "u-1");
    EXPECT_FALSE(metadata.service("wg0"));
}
