#include "netcore/history/history_store.h"
#include "netcore/history/recording_lock.h"

#include "netns_sandbox.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using wirelark::testing::addTwoDefaultRoutes;
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

// Sends datagrams through wv0; returns the bytes that left it.
uint64_t sendThroughVeth(int datagrams, size_t size) {
    // Ethernet, IPv4 and UDP headers
    return wirelark::testing::sendDatagrams("192.0.2.9", datagrams, size) * (size + 14 + 20 + 8);
}

// Everything a command printed on standard output, and its exit status.
std::pair<std::string, int> output(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    std::string text;
    char buffer[1 << 16];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        text += buffer;
    }
    return {text, pipe != nullptr ? pclose(pipe) : -1};
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

TEST_F(WatchCommandTest, AnInterfaceNameThatIsNotUtf8SurvivesTheJsonOutputsAndTheHistory) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    // The second veth shares the first one's MAC address, so its key holds its name.
    for (const char* command : {
             "sysctl -qw net.ipv6.conf.default.disable_ipv6=1",
             "ip link add wv0 type veth peer name wv1",
             "ip link add \"$(printf 'v\\377')\" type veth peer name v1",
             "ip link set wv0 address 02:00:00:00:00:01",
             "ip link set \"$(printf 'v\\377')\" address 02:00:00:00:00:01",
             "ip addr add 192.0.2.1/24 dev \"$(printf 'v\\377')\"",
             "ip link set \"$(printf 'v\\377')\" up",
             "ip link set v1 up",
             "ip neigh add 192.0.2.9 lladdr 02:00:00:00:00:09 dev \"$(printf 'v\\377')\"",
         }) {
        ASSERT_EQ(run(command), 0) << command;
    }
    const std::string name = "v\xff";
    const std::string shown = "v\uFFFD"; // what JSON text makes of the byte
    const std::string key = std::string(kVethKey) + "#" + name;

    const auto [list, listStatus] = output(cli("list --json"));
    ASSERT_EQ(listStatus, 0);
    const auto interfaces = nlohmann::json::parse(list);
    EXPECT_TRUE(std::any_of(interfaces.begin(), interfaces.end(), [&](const auto& i) {
        return i["name"] == shown;
    })) << list;

    FILE* watch = popen(cli("watch --json --all --record --interval 1 --count 2").c_str(), "r");
    ASSERT_NE(watch, nullptr);
    std::vector<nlohmann::json> lines;
    char buffer[1 << 16];
    while (std::fgets(buffer, sizeof buffer, watch) != nullptr) {
        lines.push_back(nlohmann::json::parse(buffer));
        if (lines.size() == 1) {
            ASSERT_GT(sendThroughVeth(10, 1000), 0u);
        }
    }
    ASSERT_EQ(pclose(watch), 0);
    ASSERT_EQ(lines.size(), 2u);
    const auto& items = lines.back()["items"];
    EXPECT_TRUE(std::any_of(items.begin(), items.end(), [&](const auto& i) {
        return i["name"] == shown && i["key"] == std::string(kVethKey) + "#" + shown;
    })) << lines.back().dump();

    const auto histories = wirelark::HistoryStore(historyFile()).load();
    ASSERT_TRUE(histories.contains(key)) << "the key loads back byte for byte";
    EXPECT_TRUE(histories.at(key).hasTraffic());
    const auto [stats, statsStatus] =
        output(cli("stats --json --history '" + historyFile().string() + "'"));
    ASSERT_EQ(statsStatus, 0);
    EXPECT_TRUE(nlohmann::json::parse(stats).contains(std::string(kVethKey) + "#" + shown));
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

// A history file the command cannot use is kept beside the new one rather than overwritten, and
// only when it records.
TEST_F(WatchCommandTest, RecordingKeepsAHistoryFileItCannotUseAside) {
    const std::string damaged = "bplist00 damaged";
    const fs::path kept = historyFile().string() + ".unreadable";
    fs::create_directories(historyFile().parent_path());
    std::ofstream(historyFile()) << damaged;
    const auto contents = [](const fs::path& file) {
        std::ifstream in(file);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };

    ASSERT_EQ(std::system((cli("watch --json --count 1") + " >/dev/null").c_str()), 0);
    EXPECT_EQ(contents(historyFile()), damaged);
    EXPECT_FALSE(fs::exists(kept)) << "set aside without --record";

    const std::string errors = (folder_.path() / "stderr.txt").string();
    ASSERT_EQ(
        std::system(
            (cli("watch --json --record --count 1") + " >/dev/null 2>'" + errors + "'").c_str()),
        0);
    EXPECT_EQ(contents(kept), damaged);
    wirelark::HistoryStore store(historyFile());
    store.load();
    EXPECT_FALSE(store.unusableFile()) << "no new history saved in its place";
    EXPECT_NE(contents(errors).find("cannot use the history file"), std::string::npos)
        << contents(errors);
}

// Ended by termination or by the hang-up of the terminal that started it.
class WatchEndedBySignalTest : public WatchCommandTest,
                               public ::testing::WithParamInterface<int> {};

TEST_P(WatchEndedBySignalTest, RecordingSavesTheHistoryBeforeItEnds) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    ASSERT_EQ(run("ip link set lo up"), 0);
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const std::string command = "exec " + cli("watch --json --all --record --interval 1");
    const pid_t watch = ::fork();
    ASSERT_GE(watch, 0);
    if (watch == 0) {
        ::dup2(ends[1], STDOUT_FILENO);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ends[1]);
    FILE* lines = ::fdopen(ends[0], "r");
    ASSERT_NE(lines, nullptr);
    char line[1 << 16];
    ASSERT_NE(std::fgets(line, sizeof line, lines), nullptr) << "the first reading";
    ASSERT_GT(wirelark::testing::sendDatagrams("127.0.0.1", 20, 1000), 0);
    ASSERT_NE(std::fgets(line, sizeof line, lines), nullptr) << "the reading with the traffic";
    ASSERT_EQ(::kill(watch, GetParam()), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(watch, &status, 0), watch);
    std::fclose(lines);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself, without saving";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const auto histories = wirelark::HistoryStore(historyFile()).load();
    const auto loopback = histories.find("name:lo");
    ASSERT_NE(loopback, histories.end()) << "no history of the loopback interface";
    EXPECT_TRUE(loopback->second.hasTraffic());
}

INSTANTIATE_TEST_SUITE_P(Signals, WatchEndedBySignalTest, ::testing::Values(SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

// A reader that stops reading (`head`, a pager that quits) ends the command by the broken pipe,
// as before, but only once the history is saved.
TEST_F(WatchCommandTest, RecordingSavesTheHistoryWhenItsReaderGoesAway) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    ASSERT_EQ(run("ip link set lo up"), 0);
    FILE* watch = popen(("exec " + cli("watch --json --all --record --interval 1")).c_str(), "r");
    ASSERT_NE(watch, nullptr);
    char line[1 << 16];
    ASSERT_NE(std::fgets(line, sizeof line, watch), nullptr) << "the first reading";
    ASSERT_GT(wirelark::testing::sendDatagrams("127.0.0.1", 20, 1000), 0);
    ASSERT_NE(std::fgets(line, sizeof line, watch), nullptr) << "the reading with the traffic";
    const int status = pclose(watch);
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGPIPE);
    const auto histories = wirelark::HistoryStore(historyFile()).load();
    const auto loopback = histories.find("name:lo");
    ASSERT_NE(loopback, histories.end()) << "the history was not saved";
    EXPECT_TRUE(loopback->second.hasTraffic());
}

TEST_F(WatchCommandTest, ThePrimaryMarkFollowsTheDefaultRouteWhenItMoves) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    ASSERT_EQ(addTwoDefaultRoutes(), std::nullopt);
    FILE* watch = popen(cli("watch --json --interval 1 --count 3").c_str(), "r");
    ASSERT_NE(watch, nullptr);
    std::vector<std::vector<std::string>> primaries; // per update
    char buffer[1 << 16];
    while (std::fgets(buffer, sizeof buffer, watch) != nullptr) {
        primaries.emplace_back();
        const auto line = nlohmann::json::parse(buffer);
        for (const auto& item : line["items"]) {
            if (item["isPrimary"] == true) {
                primaries.back().push_back(item["name"]);
            }
        }
        if (primaries.size() == 1) {
            // The interfaces stay as they are; only the route changes.
            EXPECT_EQ(run("ip route del default dev wd0"), 0);
        }
    }
    ASSERT_EQ(pclose(watch), 0);
    ASSERT_EQ(primaries.size(), 3u);
    EXPECT_EQ(primaries.front(), std::vector<std::string>{"wd0"});
    EXPECT_EQ(primaries.back(), std::vector<std::string>{"wd1"});
}

TEST_F(WatchCommandTest, NotifyPrintsThePrimaryChangeWithTheStoredSwitches) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    const fs::path stored = folder_.path() / "stored.json";
    std::FILE* file = std::fopen(stored.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs(R"({"notifyPrimaryChange":true})", file);
    std::fclose(file);
    ASSERT_EQ(std::system(cli("settings --import '" + stored.string() + "'").c_str()), 0);
    ASSERT_EQ(addTwoDefaultRoutes(), std::nullopt);
    // The route moves while the first interval runs; the first update comes at once.
    std::thread mover([] {
        ::usleep(700'000);
        run("ip route del default dev wd0");
    });
    const auto [text, status] = output(cli("watch --notify --json --interval 2 --count 2"));
    mover.join();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text, "{\"title\":\"Primary interface is now wd1 (Ethernet)\",\"body\":\"\"}\n");
}
