#include "netcore/history/history_codec.h"
#include "netcore/history/history_key_escape.h"
#include "netcore/history/history_location.h"
#include "netcore/history/history_store.h"

#include "temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <thread>

namespace wirelark {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

const std::string kFixtureScript =
    std::string(WIRELARK_SOURCE_DIR) + "/tests/netcore/history/fixtures/history_plist.py";

std::string fileContents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string repeated(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

// Runs the plistlib fixture script; its standard output, or nothing when it failed.
std::optional<std::string> runFixture(const std::string& arguments) {
    const std::string command = "python3 '" + kFixtureScript + "' " + arguments;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::string output;
    char chunk[4096];
    while (const std::size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) {
        output.append(chunk, got);
    }
    return ::pclose(pipe) == 0 ? std::optional(output) : std::nullopt;
}

bool havePython() {
    return std::system("python3 -c 'import plistlib' >/dev/null 2>&1") == 0;
}

// The same shape the fixture script prints: key -> tiers with their buckets as number lists.
nlohmann::json toJson(const HistoryMap& histories) {
    nlohmann::json document = nlohmann::json::object();
    for (const auto& [key, history] : histories) {
        nlohmann::json tiers = nlohmann::json::array();
        for (const Tier& tier : history.tiers()) {
            nlohmann::json buckets = nlohmann::json::array();
            for (const Bucket& b : tier.buckets) {
                buckets.push_back({b.start, b.seconds, static_cast<double>(b.bytesIn),
                                   static_cast<double>(b.bytesOut), b.minIn, b.maxIn, b.minOut,
                                   b.maxOut});
            }
            tiers.push_back({{"granularity", tier.granularity},
                             {"retention", tier.retention},
                             {"buckets", buckets}});
        }
        document[key] = tiers;
    }
    return document;
}

HistoryMap sampleHistories() {
    HistoryMap histories;
    RateHistory busy(RateHistory::kStandardRetention);
    for (int i = 1; i <= 400; ++i) {
        busy.add({788918400.0 + 5 * i, 5, static_cast<uint64_t>(i) * 1'000'003, 77});
    }
    histories["ether:00:11:22:33:44:55"] = busy;

    // The largest count a double holds exactly, alone in each of its buckets.
    RateHistory large(RateHistory::kStandardRetention);
    large.add({788918400.0, 5, (uint64_t{1} << 53) - 1, 1});
    histories["ether:00:11:22:33:44:66"] = large;

    RateHistory odd({Tier{0, 120, {}}, Tier{600, 1e7, {}}});
    odd.add({788918400.5, 0.25, 3, 0});
    histories["service:5E2A7C1B"] = odd;

    // Without traffic: left out of the file.
    RateHistory idle(RateHistory::kStandardRetention);
    idle.add({788918400.0, 5, 0, 0});
    histories["name:lo"] = idle;
    histories["name:new"] = RateHistory(RateHistory::kStandardRetention);
    return histories;
}

HistoryMap withTrafficOnly(HistoryMap histories) {
    std::erase_if(histories, [](const auto& entry) { return !entry.second.hasTraffic(); });
    return histories;
}

TEST(HistoryStoreTest, SaveCreatesTheFolderAndLoadGivesBackTheHistoriesWithTraffic) {
    const TempDir folder;
    const fs::path file = folder.path() / "data" / "Wirelark" / "history.plist";
    HistoryStore store(file);
    EXPECT_TRUE(store.load().empty());

    const HistoryMap histories = sampleHistories();
    ASSERT_FALSE(store.save(histories));
    EXPECT_EQ(fileContents(file).substr(0, 8), "bplist00");
    EXPECT_EQ(store.load(), withTrafficOnly(histories));
    // Only the file itself is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
              1);
}

TEST(HistoryStoreTest, HistoriesWithoutTrafficLeaveAnEmptyDictionary) {
    const TempDir folder;
    HistoryStore store(folder.path() / "history.plist");
    HistoryMap idle = sampleHistories();
    std::erase_if(idle, [](const auto& entry) { return entry.second.hasTraffic(); });
    ASSERT_FALSE(store.save(idle));
    EXPECT_TRUE(store.load().empty());
    if (havePython()) {
        EXPECT_EQ(runFixture("read '" + store.url().string() + "'"), "{}");
    }
}

TEST(HistoryStoreTest, FilesOfAnotherPropertyListCodecLoadBothWays) {
    if (!havePython()) {
        GTEST_SKIP() << "python3 with plistlib is needed to write and read the fixture files";
    }
    const TempDir folder;
    const auto reference = runFixture("reference");
    ASSERT_TRUE(reference);
    for (const char* format : {"binary", "xml"}) {
        SCOPED_TRACE(format);
        const fs::path file = folder.path() / (std::string(format) + ".plist");
        ASSERT_TRUE(runFixture(std::string("write ") + format + " '" + file.string() + "'"));
        const HistoryMap loaded = HistoryStore(file).load();
        EXPECT_EQ(toJson(loaded), nlohmann::json::parse(*reference));
        // The 130-byte minute blob holds two whole buckets.
        EXPECT_EQ(loaded.at("ether:00:11:22:33:44:55").tiers().at(1).buckets.size(), 2u);
        EXPECT_EQ(loaded.at("ether:00:11:22:33:44:55").tiers().at(0).buckets.at(1).bytesIn,
                  (uint64_t{1} << 53) - 1);
    }

    HistoryStore ours(folder.path() / "ours.plist");
    const HistoryMap histories = sampleHistories();
    ASSERT_FALSE(ours.save(histories));
    const auto read = runFixture("read '" + ours.url().string() + "'");
    ASSERT_TRUE(read);
    EXPECT_EQ(nlohmann::json::parse(*read), toJson(withTrafficOnly(histories)));
}

TEST(HistoryStoreTest, UnusableFilesLoadAsNoHistories) {
    const TempDir folder;
    const fs::path file = folder.path() / "history.plist";
    HistoryStore store(file);
    ASSERT_FALSE(store.save(sampleHistories()));
    const std::string good = fileContents(file);

    const std::pair<const char*, std::string> contents[] = {
        {"empty", ""},
        {"truncated in the middle", good.substr(0, good.size() / 2)},
        {"trailer cut off", good.substr(0, good.size() - 1)},
        {"garbage with NUL bytes", std::string("\x7f"
                                               "ELF\x02\x01\x01\0\0\0garbage",
                                               17)},
        {"binary header with a broken trailer", "bplist00" + std::string(40, '\xff')},
        {"magic only", "bplist00"},
        {"XML nested too deep for a recursive parser",
         "<?xml version=\"1.0\"?><plist version=\"1.0\">" + repeated("<array>", 200000) +
             repeated("</array>", 200000) + "</plist>"},
        {"XML nested deep behind closing tags", "<?xml version=\"1.0\"?><plist version=\"1.0\">" +
                                                    repeated("</dict>", 100) +
                                                    repeated("<dict>", 200000) + "</plist>"},
        {"XML cut short", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>en0</key>"},
        {"XML of another type", "<?xml version=\"1.0\"?><plist version=\"1.0\"><string>x</string>"
                                "</plist>"},
    };
    for (const auto& [name, bytes] : contents) {
        SCOPED_TRACE(name);
        folder.write("history.plist", bytes);
        EXPECT_TRUE(store.load().empty());
    }

    fs::remove(file);
    fs::create_directory(file);
    EXPECT_TRUE(store.load().empty()) << "a folder in place of the file";
    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    EXPECT_TRUE(store.load().empty()) << "a FIFO in place of the file";
    fs::remove(file);

    if (!havePython()) {
        GTEST_SKIP() << "python3 with plistlib is needed to write the wrong-type files";
    }
    const fs::path badFolder = folder.path() / "bad";
    fs::create_directory(badFolder);
    ASSERT_TRUE(runFixture("bad '" + badFolder.string() + "'"));
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(badFolder)) {
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_TRUE(HistoryStore(entry.path()).load().empty());
        ++seen;
    }
    EXPECT_GT(seen, 0);
}

// A file load() cannot use may hold weeks of history, damaged or unreadable for now: the next
// save keeps it under the first free `.unreadable` name instead of overwriting it.
TEST(HistoryStoreTest, ASaveKeepsAFileThatCouldNotBeLoadedAside) {
    const TempDir folder;
    const fs::path file = folder.path() / "history.plist";
    const auto kept = [&](const std::string& suffix) {
        return fs::path(file.string() + ".unreadable" + suffix);
    };
    const HistoryMap histories = sampleHistories();
    HistoryStore store(file);

    EXPECT_TRUE(store.load().empty());
    EXPECT_FALSE(store.unusableFile()) << "a missing file is no fault";
    ASSERT_FALSE(store.save(histories));
    EXPECT_FALSE(fs::exists(kept("")));

    folder.write("history.plist", "bplist00 damaged");
    EXPECT_TRUE(store.load().empty());
    EXPECT_EQ(store.unusableFile(), "not a history file");
    ASSERT_FALSE(store.save(histories));
    EXPECT_EQ(fileContents(kept("")), "bplist00 damaged");
    EXPECT_EQ(HistoryStore(file).load(), withTrafficOnly(histories));
    EXPECT_FALSE(store.unusableFile());

    // One that cannot be read at all goes to the next free name.
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_TRUE(store.load().empty());
    EXPECT_TRUE(store.unusableFile());
    ASSERT_FALSE(store.save(histories));
    EXPECT_TRUE(fs::is_directory(kept(".2")));
    EXPECT_EQ(fileContents(kept("")), "bplist00 damaged");
    // Once kept, the file is replaced as usual.
    ASSERT_FALSE(store.save(histories));
    EXPECT_FALSE(fs::exists(kept(".3")));

    // With every name taken nothing is written.
    for (int n = 3; n <= 100; ++n) {
        folder.write(kept("." + std::to_string(n)).filename(), "");
    }
    folder.write("history.plist", "damaged again");
    EXPECT_TRUE(store.load().empty());
    EXPECT_EQ(store.save(histories), std::errc::file_exists);
    EXPECT_EQ(fileContents(file), "damaged again");

    HistoryStore reader = HistoryStore::readOnly(file);
    EXPECT_TRUE(reader.load().empty());
    EXPECT_EQ(reader.save(histories), std::errc::read_only_file_system);
    EXPECT_EQ(fileContents(file), "damaged again");
}

TEST(HistoryStoreTest, FailedSaveLeavesThePreviousFileIntact) {
    const TempDir folder;
    const fs::path file = folder.path() / "history.plist";
    ASSERT_FALSE(HistoryStore(file).save(sampleHistories()));
    const std::string previous = fileContents(file);

    HistoryMap bigger = sampleHistories();
    bigger["name:eth1"] = bigger.at("ether:00:11:22:33:44:55");

    struct Case {
        const char* name;
        WriteFunction write;
        std::errc error;
    };
    // Accepts a hundred bytes, then reports the disk full.
    auto fullDisk = [written = std::size_t{0}](int fd, const void* data,
                                               std::size_t size) mutable -> ssize_t {
        if (written >= 100) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t now = std::min<std::size_t>(size, 100 - written);
        written += now;
        return ::write(fd, data, now);
    };
    const Case cases[] = {
        {"disk full part-way", fullDisk, std::errc::no_space_on_device},
        {"input/output error at once",
         [](int, const void*, std::size_t) -> ssize_t {
             errno = EIO;
             return -1;
         },
         std::errc::io_error},
        {"nothing written", [](int, const void*, std::size_t) -> ssize_t { return 0; },
         std::errc::no_space_on_device},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::error_code error = HistoryStore(file, c.write).save(bigger);
        EXPECT_EQ(error, std::make_error_code(c.error));
        EXPECT_EQ(fileContents(file), previous);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1)
            << "the temporary file was not removed";
    }

    // Short writes and interruptions are carried on, not failures.
    auto trickle = [interrupted = false](int fd, const void* data,
                                         std::size_t size) mutable -> ssize_t {
        interrupted = !interrupted;
        if (interrupted) {
            errno = EINTR;
            return -1;
        }
        return ::write(fd, data, std::min<std::size_t>(size, 7));
    };
    ASSERT_FALSE(HistoryStore(file, trickle).save(bigger));
    EXPECT_EQ(HistoryStore(file).load(), withTrafficOnly(bigger));
}

TEST(HistoryStoreTest, SaveFailsWithoutWritingWhenTheFolderCannotBeMade) {
    const TempDir folder;
    folder.write("Wirelark", "a file where the folder belongs");
    HistoryStore store(folder.path() / "Wirelark" / "history.plist");
    EXPECT_TRUE(store.save(sampleHistories()));
    EXPECT_EQ(fileContents(folder.path() / "Wirelark"), "a file where the folder belongs");
}

TEST(HistoryStoreTest, AReadOnlyStoreLoadsButNeverWrites) {
    const TempDir folder;
    const fs::path file = folder.path() / "history.plist";
    const HistoryMap histories = sampleHistories();
    ASSERT_FALSE(HistoryStore(file).save(histories));
    const std::string before = fileContents(file);

    HistoryStore store = HistoryStore::readOnly(file);
    EXPECT_EQ(store.load(), withTrafficOnly(histories));
    EXPECT_EQ(store.save({}), std::errc::read_only_file_system);
    EXPECT_EQ(fileContents(file), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1)
        << "not even a temporary file";
}

TEST(HistoryStoreTest, WritersHoldTheFolderLockAndNeverInterleave) {
    const TempDir folder;
    const fs::path file = folder.path() / "history.plist";
    // While the bytes are written, nobody else can take the folder's lock.
    int lockAttempt = 0;
    auto probing = [&](int fd, const void* data, std::size_t size) -> ssize_t {
        const int other = ::open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        lockAttempt = ::flock(other, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
        ::close(other);
        return ::write(fd, data, size);
    };
    ASSERT_FALSE(HistoryStore(file, probing).save(sampleHistories()));
    EXPECT_EQ(lockAttempt, EWOULDBLOCK);

    // Two writers saving different sets at once: the file is always one whole set.
    HistoryMap first = withTrafficOnly(sampleHistories());
    HistoryMap second = first;
    second.erase("service:5E2A7C1B");
    std::vector<std::thread> writers;
    for (const HistoryMap* set : {&first, &second}) {
        writers.emplace_back([&file, set] {
            for (int i = 0; i < 20; ++i) {
                EXPECT_FALSE(HistoryStore(file).save(*set));
            }
        });
    }
    for (int i = 0; i < 40; ++i) {
        const HistoryMap seen = HistoryStore(file).load();
        EXPECT_TRUE(seen == first || seen == second);
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
}

TEST(HistoryCodecTest, BucketBlobsAreWholeGroupsOfEightLittleEndianNumbers) {
    const Bucket bucket{1.0, 2.0, 3, 4, 5.0, 6.0, 7.0, 8.0};
    const std::vector<uint8_t> blob = encodeBuckets({bucket, bucket});
    ASSERT_EQ(blob.size(), 128u);
    // 1.0 is 0x3ff0000000000000, least significant byte first.
    EXPECT_EQ(std::vector<uint8_t>(blob.begin(), blob.begin() + 8),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0xf0, 0x3f}));

    std::vector<uint8_t> withTail = blob;
    withTail.insert(withTail.end(), {1, 2});
    EXPECT_EQ(decodeBuckets(withTail), (std::vector<Bucket>{bucket, bucket}));
    std::vector<uint8_t> partialGroup = blob;
    partialGroup.resize(120);
    EXPECT_EQ(decodeBuckets(partialGroup), (std::vector<Bucket>{bucket}));
    EXPECT_EQ(decodeBuckets({}), std::vector<Bucket>{});
}

TEST(HistoryCodecTest, EveryKeyLoadsBackEqualAndValidUtf8KeysAreStoredAsTheyAre) {
    struct Case {
        const char* key;
        bool validUtf8;
    };
    const Case cases[] = {
        {"name:eth0", true},
        {"name:caf\xc3\xa9", true},
        {"name:\xf0\x9f\x93\xb6", true},
        {"name:v\xff", false}, // the kernel takes any bytes for an interface name
        {"link:ethernet:02:00:00:00:00:01#v\xfe\x80", false},
        {"name:\xc3", false},             // cut short
        {"name:\xc0\xaf", false},         // overlong
        {"name:\xed\xb2\x80", false},     // a surrogate, which is also the escaped form
        {"name:\xf4\x90\x80\x80", false}, // above U+10FFFF
    };
    RateHistory history(RateHistory::kStandardRetention);
    history.add({788918400.0, 5, 1000, 10});
    HistoryMap histories;
    for (const auto& c : cases) {
        EXPECT_EQ(escapedHistoryKey(c.key) == c.key, c.validUtf8) << c.key;
        EXPECT_EQ(unescapedHistoryKey(escapedHistoryKey(c.key)), c.key);
        histories[c.key] = history;
    }
    const auto encoded = encodeHistories(histories);
    ASSERT_TRUE(encoded);
    EXPECT_EQ(decodeHistories(encoded->bytes()), histories);
}

TEST(HistoryCodecTest, SaturatedByteCountsStayReadable) {
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    const Bucket saturated{1.0, 2.0, kMax, kMax - 1000, 5.0, 6.0, 7.0, 8.0};
    const auto decoded = decodeBuckets(encodeBuckets({saturated}));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), 1u);
    // The largest double below 2^64.
    EXPECT_EQ(decoded->front().bytesIn, kMax - 2047);
    EXPECT_EQ(decoded->front().bytesOut, kMax - 2047);
    // Fractions are cut toward zero.
    Bucket fractional = saturated;
    fractional.bytesIn = 0;
    std::vector<uint8_t> blob = encodeBuckets({fractional});
    const double half = 2.75;
    std::memcpy(blob.data() + 16, &half, sizeof half);
    EXPECT_EQ(decodeBuckets(blob)->front().bytesIn, 2u);
}

TEST(HistoryLocationTest, DataHomeOrTheHomeFolder) {
    struct Case {
        const char* dataHome;
        const char* home;
        std::optional<fs::path> path;
    };
    const Case cases[] = {
        {"/data", "/home/ann", fs::path("/data/Wirelark/history.plist")},
        {"", "/home/ann", fs::path("/home/ann/.local/share/Wirelark/history.plist")},
        {"relative/data", "/home/ann", fs::path("/home/ann/.local/share/Wirelark/history.plist")},
        {"", "", std::nullopt},
        {"", "home/ann", std::nullopt},
        {"/data", "", fs::path("/data/Wirelark/history.plist")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(historyFilePath(c.dataHome, c.home), c.path) << c.dataHome << " " << c.home;
    }
}

} // namespace
} // namespace wirelark
