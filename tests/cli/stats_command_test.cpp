#include "netcore/history/history_store.h"

#include "command_output.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace wirelark {
namespace {

namespace fs = std::filesystem;

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

class StatsCommandTest : public ::testing::Test {
protected:
    // Runs wirelark-cli with the arguments (and any environment assignments before it).
    CliResult run(const std::string& arguments, const std::string& environment = "") const {
        const fs::path errors = folder_.path() / "stderr.txt";
        // A settings folder of the test's own, so that no user's settings change the output.
        const std::string command = "XDG_CONFIG_HOME='" + (folder_.path() / "config").string() +
                                    "' " + environment + " '" + std::string(WIRELARK_CLI) +
                                    "' stats " + arguments + " 2>'" + errors.string() + "'";
        const auto [status, out] = wirelark::testing::runCapturing(command);
        CliResult result{.status = status, .out = out, .err = {}};
        std::ifstream in(errors);
        result.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return result;
    }

    wirelark::testing::TempDir folder_;
};

// Ten 10-second samples that ended in the last ten minutes, and one old sample.
HistoryMap recentHistories(Instant now) {
    RateHistory busy(RateHistory::kStandardRetention);
    for (int i = 10; i >= 1; --i) {
        busy.add({now - 30.0 * i, 10, 1000 * static_cast<uint64_t>(i), 10});
    }
    RateHistory old(RateHistory::kStandardRetention);
    old.add({now - 5 * 86400.0, 4, 400, 0});
    return {{"ether:00:11:22:33:44:55", busy}, {"name:wg0", old}};
}

TEST_F(StatsCommandTest, JsonHoldsEveryPeriodOfEveryInterface) {
    const fs::path file = folder_.path() / "history.plist";
    ASSERT_FALSE(
        HistoryStore(file).save(recentHistories(toInstant(std::chrono::system_clock::now()))));
    const std::string before = std::to_string(fs::file_size(file));

    const CliResult result =
        run("--history '" + file.string() + "' --period 3600 --period 86400 --json");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto document = nlohmann::json::parse(result.out);
    ASSERT_EQ(document.size(), 2u);

    const auto& hour = document.at("ether:00:11:22:33:44:55").at("3600");
    EXPECT_EQ(hour.at("seconds"), 100.0);
    EXPECT_EQ(hour.at("bytesIn"), 55000u);
    EXPECT_EQ(hour.at("bytesOut"), 100u);
    EXPECT_EQ(hour.at("minIn"), 100.0);
    EXPECT_EQ(hour.at("maxIn"), 1000.0);
    EXPECT_EQ(hour.at("minOut"), 1.0);
    EXPECT_EQ(hour.at("maxOut"), 1.0);
    EXPECT_EQ(hour.at("averageIn"), 550.0);
    EXPECT_EQ(hour.at("averageOut"), 1.0);

    // Nothing in the last day: an empty aggregate, its minimums null.
    const auto& idle = document.at("name:wg0").at("86400");
    EXPECT_EQ(idle.at("seconds"), 0.0);
    EXPECT_TRUE(idle.at("minIn").is_null());
    EXPECT_TRUE(idle.at("minOut").is_null());
    EXPECT_EQ(idle.at("maxIn"), 0.0);
    EXPECT_EQ(idle.at("averageIn"), 0.0);
    EXPECT_EQ(std::to_string(fs::file_size(file)), before);
}

TEST_F(StatsCommandTest, TextUsesRateTextsAndPeriodLabelsAndTheDefaultPeriods) {
    const fs::path file = folder_.path() / "Wirelark" / "history.plist";
    ASSERT_FALSE(
        HistoryStore(file).save(recentHistories(toInstant(std::chrono::system_clock::now()))));

    // The standard location under XDG_DATA_HOME.
    const CliResult result = run("", "XDG_DATA_HOME='" + folder_.path().string() + "'");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("ether:00:11:22:33:44:55\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  1h    measured 100 s, 55000 bytes in, 100 bytes out; average "
                              "\u2193 550 B/s \u2191 1 B/s; min\u2013max \u2193 100 B/s\u20131.0 "
                              "KB/s \u2191 1 B/s\u20131 B/s\n"),
              std::string::npos)
        << result.out;
    for (const char* label : {"  1d ", "  7d ", "  90d "}) {
        EXPECT_NE(result.out.find(label), std::string::npos) << label;
    }
    // The old interface has nothing in the last day.
    EXPECT_NE(result.out.find("name:wg0\n  1h    \u2014\n  1d    \u2014\n  7d    measured 4 s"),
              std::string::npos)
        << result.out;
}

TEST_F(StatsCommandTest, MissingOrUnreadableFilesGiveAnEmptyObject) {
    const fs::path garbage = folder_.write("garbage.plist", "not a property list");
    const fs::path missing = folder_.path() / "none" / "history.plist";
    for (const fs::path& file : {garbage, missing}) {
        SCOPED_TRACE(file);
        const CliResult result = run("--json --history '" + file.string() + "'");
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, "{}\n");
        EXPECT_NE(result.err.find(file.string()), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(missing.parent_path())) << "stats must never write";
}

TEST_F(StatsCommandTest, BadArgumentsExitWithUsage) {
    for (const char* arguments :
         {"--period 0", "--period -5", "--period 1.5", "--period", "--history", "--verbose"}) {
        SCOPED_TRACE(arguments);
        const CliResult result = run(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.out.empty());
        EXPECT_NE(result.err.find("wirelark-cli:"), std::string::npos) << result.err;
    }
}

} // namespace
} // namespace wirelark
