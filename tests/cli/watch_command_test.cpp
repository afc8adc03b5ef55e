#include "netcore/history/recording_lock.h"

#include "netns_sandbox.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using wirelark::testing::run;
namespace fs = std::filesystem;

namespace {

constexpr const char* kVethKey = "link:ethernet:02:00:00:00:00:01";

class WatchCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The command finds its history file through XDG_DATA_HOME, and the tray's settings
        // (none here) through XDG_CONFIG_HOME.
        ::setenv("XDG_DATA_HOME", folder_.path().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (folder_.path() / "config").c_str(), 1);
    }

    fs::path historyFile() const { return folder_.path() / "Wirelark" / "history.plist"; }

    wirelark::testing::TempDir folder_;
};

std::string cli(const std::string& arguments) {
    return "'" + std::string(WIRELARK_CLI) + "' " + arguments;
}

// Sends datagrams to a neighbour with a fixed link address: each leaves wv0 as one frame.
uint64_t sendThroughVeth(int datagrams, size_t size) {
    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(9);
    inet_pton(AF_INET, "192.0.2.9", &target.sin_addr);
    const std::string payload(size, 'x');
    uint64_t sent = 0;
    for (int i = 0; i < datagrams; ++i) {
        if (sendto(sock, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&target),
                   sizeof target) == static_cast<ssize_t>(size)) {
            sent += size + 14 + 20 + 8; // Ethernet, IPv4 and UDP headers
        }
    }
    close(sock);
    return sent;
}

} // namespace

TEST_F(WatchCommandTest, TrafficShowsAsRatesAndInTheRecordedHistory) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    for (const char* command : {
             "ip link add wv0 type veth peer name wv1",
             "ip link set wv0 address 02:00:00:00:00:01",
             "ip link set wv1 address 02:00:00:00:00:02",
             // No IPv6 means no router solicitations or reports among the counted bytes.
             "sysctl -qw net.ipv6.conf.wv0.disable_ipv6=1",
             "sysctl -qw net.ipv6.conf.wv1.disable_ipv6=1",
             "ip addr add 192.0.2.1/24 dev wv0",
             "ip link set wv0 up",
             "ip link set wv1 up",
             "ip neigh add 192.0.2.9 lladdr 02:00:00:00:00:09 dev wv0",
         }) {
        ASSERT_EQ(run(command), 0) << command;
    }
    FILE* watch =
        popen(cli("watch --json --all --record --interval 1 --count 4 --period 3600").c_str(), "r");
    ASSERT_NE(watch, nullptr);
    std::vector<nlohmann::json> lines;
    char buffer[1 << 16];
    uint64_t sent = 0;
    while (std::fgets(buffer, sizeof buffer, watch) != nullptr) {
        lines.push_back(nlohmann::json::parse(buffer));
        if (lines.size() == 1) {
            sent = sendThroughVeth(50, 1000);
        }
    }
    ASSERT_EQ(pclose(watch), 0);
    ASSERT_EQ(lines.size(), 4u);
    ASSERT_EQ(sent, 50u * 1042);

    double seenRate = 0;
    for (const auto& line : lines) {
        ASSERT_TRUE(line["time"].is_number());
        for (const auto& item : line["items"]) {
            if (item["name"] == "wv0") {
                EXPECT_EQ(item["key"], kVethKey);
                EXPECT_EQ(item["kind"], "ethernet");
                EXPECT_TRUE(item.contains("stats"));
                if (item.contains("currentRates")) {
                    seenRate = std::max(seenRate, item["currentRates"]["rateOut"].get<double>());
                }
            }
        }
    }
    EXPECT_GT(seenRate, 0.0) << "the traffic shows up as a send rate";

    // The recorded history holds exactly the bytes sent between the first and last reading.
    FILE* stats = popen(
        cli("stats --json --period 3600 --history '" + historyFile().string() + "'").c_str(), "r");
    ASSERT_NE(stats, nullptr);
    std::string text;
    while (std::fgets(buffer, sizeof buffer, stats) != nullptr) {
        text += buffer;
    }
    ASSERT_EQ(pclose(stats), 0);
    const auto document = nlohmann::json::parse(text);
    ASSERT_TRUE(document.contains(kVethKey)) << text;
    EXPECT_EQ(document[kVethKey]["3600"]["bytesOut"].get<uint64_t>(), sent);
}

TEST_F(WatchCommandTest, RecordingIsRefusedWhileAnotherProcessRecords) {
    auto acquired = wirelark::RecordingLock::acquire(historyFile());
    ASSERT_TRUE(acquired.has_value()) << acquired.error().description();
    std::optional held(std::move(*acquired));
    const std::string errors = (folder_.path() / "stderr.txt").string();
    const int status =
        std::system((cli("watch --record --count 1") + " >/dev/null 2>'" + errors + "'").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    FILE* file = std::fopen(errors.c_str(), "r");
    ASSERT_NE(file, nullptr);
    char message[512] = {};
    std::fgets(message, sizeof message, file);
    std::fclose(file);
    EXPECT_NE(std::string(message).find("another process is already recording"), std::string::npos)
        << message;
    held.reset();
    EXPECT_EQ(std::system((cli("watch --record --count 1 --json") + " >/dev/null").c_str()), 0);
}
