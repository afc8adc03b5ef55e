#include "command_output.h"
#include "netns_sandbox.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using wirelark::testing::CommandOutput;
using wirelark::testing::run;
using wirelark::testing::runCapturing;

// Standard output and standard error together.
CommandOutput cli(const fs::path& program, const std::string& arguments) {
    return runCapturing("'" + program.string() + "' " + arguments + " 2>&1");
}

// One veth with a fixed link address, an IPv4 address and no IPv6, so that nothing sends on it
// and its counters stay at zero; lo stays as the namespace makes it.
constexpr const char* kQuietVeth[] = {
    "sysctl -qw net.ipv6.conf.default.disable_ipv6=1",
    "ip link add wl0 mtu 1400 address 02:00:00:00:00:01 type veth peer name wl1 address "
    "02:00:00:00:00:02",
    "ip addr add 192.0.2.1/24 dev wl0",
    "ip link set wl0 up",
    "ip link set wl1 up",
    // The kernel reports a veth running only once it has seen the carrier, a moment later.
    "for i in $(seq 200); do ip -o link show up | grep -c 'wl[01].*state UP' | grep -qx 2 && "
    "exit 0; sleep 0.05; done; exit 1",
};

constexpr const char* kListText = R"(lo: index 1
    flags 10049<UP,LOOPBACK,RUNNING,LOWER_UP>
    mtu 65536
    nd6 3<PERFORMNUD,ACCEPT_RTADV>
    inet 127.0.0.1/8  255.0.0.0
    inet6 ::1/128
    bytes in 0 out 0, packets in 0 out 0, errors in 0 out 0
    multicast in 0 out 0, collisions 0, drops in 0

wl1: index 2
    flags 11043<UP,BROADCAST,RUNNING,MULTICAST,LOWER_UP>
    mtu 1500
    nd6 20b<PERFORMNUD,ACCEPT_RTADV,IFDISABLED,DAD>
    ether 02:00:00:00:00:02
    bytes in 0 out 0, packets in 0 out 0, errors in 0 out 0
    multicast in 0 out 0, collisions 0, drops in 0

wl0: index 3
    flags 11043<UP,BROADCAST,RUNNING,MULTICAST,LOWER_UP>
    mtu 1400
    nd6 20b<PERFORMNUD,ACCEPT_RTADV,IFDISABLED,DAD>
    inet 192.0.2.1/24  255.255.255.0
    ether 02:00:00:00:00:01
    bytes in 0 out 0, packets in 0 out 0, errors in 0 out 0
    multicast in 0 out 0, collisions 0, drops in 0
)";

constexpr const char* kListJson = R"([
  {
    "name": "lo",
    "index": 1,
    "flags": 65609,
    "mtu": 65536,
    "ifType": 24,
    "baudrate": 0,
    "counters": {
      "bytesIn": 0,
      "bytesOut": 0,
      "packetsIn": 0,
      "packetsOut": 0,
      "errorsIn": 0,
      "errorsOut": 0,
      "multicastIn": 0,
      "multicastOut": 0,
      "collisions": 0,
      "dropsIn": 0
    },
    "ipv4": [
      {
        "address": "127.0.0.1",
        "netmask": "255.0.0.0",
        "prefixLength": 8
      }
    ],
    "ipv6": [
      {
        "address": "::1",
        "prefixLength": 128,
        "scopeID": 0,
        "flags": 0
      }
    ],
    "nd6Flags": 3,
    "functionalType": "loopback",
    "isPrimaryIPv4": false,
    "isPrimaryIPv6": false
  },
  {
    "name": "wl1",
    "index": 2,
    "flags": 69699,
    "mtu": 1500,
    "ifType": 6,
    "baudrate": 0,
    "counters": {
      "bytesIn": 0,
      "bytesOut": 0,
      "packetsIn": 0,
      "packetsOut": 0,
      "errorsIn": 0,
      "errorsOut": 0,
      "multicastIn": 0,
      "multicastOut": 0,
      "collisions": 0,
      "dropsIn": 0
    },
    "linkAddress": "02:00:00:00:00:02",
    "ipv4": [],
    "ipv6": [],
    "nd6Flags": 523,
    "functionalType": "unknown",
    "deviceKind": "veth",
    "isPrimaryIPv4": false,
    "isPrimaryIPv6": false
  },
  {
    "name": "wl0",
    "index": 3,
    "flags": 69699,
    "mtu": 1400,
    "ifType": 6,
    "baudrate": 0,
    "counters": {
      "bytesIn": 0,
      "bytesOut": 0,
      "packetsIn": 0,
      "packetsOut": 0,
      "errorsIn": 0,
      "errorsOut": 0,
      "multicastIn": 0,
      "multicastOut": 0,
      "collisions": 0,
      "dropsIn": 0
    },
    "linkAddress": "02:00:00:00:00:01",
    "ipv4": [
      {
        "address": "192.0.2.1",
        "netmask": "255.255.255.0",
        "prefixLength": 24
      }
    ],
    "ipv6": [],
    "nd6Flags": 523,
    "functionalType": "unknown",
    "deviceKind": "veth",
    "isPrimaryIPv4": false,
    "isPrimaryIPv6": false
  }
]
)";

// Without the offload features the kernel's drivers announce: they differ between kernels.
std::string withoutOffloadFeatures(const std::string& output) {
    std::istringstream lines(output);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("    options ") && !line.starts_with("    \"capabilities\": ")) {
            kept += line + "\n";
        }
    }
    return kept;
}

TEST(ListCommandTest, PrintsEveryInterfaceAsTextAndAsJson) {
    WIRELARK_ENTER_NETNS_OR_SKIP();
    for (const char* command : kQuietVeth) {
        ASSERT_EQ(run(command), 0) << command;
    }
    const CommandOutput text = cli(WIRELARK_CLI, "list");
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(withoutOffloadFeatures(text.output), kListText);
    const CommandOutput json = cli(WIRELARK_CLI, "list --json");
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(withoutOffloadFeatures(json.output), kListJson);
}

// The overview the full program prints for --help, and on standard error for a command line
// that names no command it has.
constexpr const char* kOverview = R"(usage: wirelark-cli <command> [options]

commands:
  list [--json]                                        every interface with its addresses, flags, media and counters
  public-ip [--url URL] [--key-path PATH] [--json]     the public IPv4 and IPv6 addresses, as a lookup service sees them
  settings [--json | --export | --import FILE]         the tray app's settings, and where they are stored
  stats [--history FILE] [--period SECONDS]... [--json] measured time, bytes and rates per interface over periods, from the history file
  watch [--interval S] [--count N] [--period S]... [--all] [--json] [--record] [--notify] live rates and statistics of the active interfaces, every interval
  watch-config                                         print each batch of changed configuration keys (Ctrl-C ends)
  admin [status] [pair] [unpair] [enable UUID] [disable UUID] [tunnel-owners] [--json] the admin helper: status, pairing, and connections on or off
)";

TEST(ListCommandTest, EveryOtherCommandLineIsHandedToTheFullProgram) {
    const struct {
        const char* arguments;
        int status;
        std::string output;
    } cases[] = {
        {"--help", 0, kOverview},
        {"", 2, kOverview},
        {"bogus", 2, "wirelark-cli: unknown command 'bogus'\n\n" + std::string(kOverview)},
        {"watch-config --json", 2,
         "wirelark-cli watch-config: unknown option '--json'\nusage: wirelark-cli watch-config\n"},
        // list's own mistakes are told without the full program.
        {"list --xml", 2,
         "wirelark-cli list: unknown option '--xml'\nusage: wirelark-cli list [--json]\n"},
    };
    for (const auto& c : cases) {
        const CommandOutput result = cli(WIRELARK_CLI, c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments;
        EXPECT_EQ(result.output, c.output) << c.arguments;
    }
}

// Output that could not be written fails the command, in either program: a full disk must never
// pass for a saved export.
TEST(ListCommandTest, OutputThatCannotBeWrittenFailsTheCommand) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "needs /dev/full, where every write fails for want of space";
    }
    const wirelark::testing::TempDir folder;
    const std::string home = "XDG_CONFIG_HOME='" + folder.path().string() + "' ";
    const fs::path stored = folder.write("settings.json", "{}");
    ASSERT_EQ(runCapturing(home + "'" WIRELARK_CLI "' settings --import '" + stored.string() + "'")
                  .status,
              0);
    for (const char* arguments : {"list", "list --json", "--help", "settings --export"}) {
        const CommandOutput result =
            runCapturing(home + "'" WIRELARK_CLI "' " + arguments + " 2>&1 >/dev/full");
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_EQ(result.output, "wirelark-cli: cannot write the output: No space left on device\n")
            << arguments;
    }
}

TEST(ListCommandTest, TheFullProgramIsFoundBesideTheRealExecutableOrReportedMissing) {
    const fs::path built = WIRELARK_CLI;
    const fs::path fullFromHere = fs::relative(WIRELARK_CLI_FULL, built.parent_path());
    enum class Placed { link, copy, copyBesideAFileThatCannotRun };
    const struct {
        Placed placed;
        const char* reason; // why the full program cannot start, nullptr when it can
    } cases[] = {
        {Placed::link, nullptr},
        {Placed::copy, "No such file or directory"},
        {Placed::copyBesideAFileThatCannotRun, "Permission denied"},
    };
    for (const auto& c : cases) {
        const wirelark::testing::TempDir folder;
        const fs::path program = folder.path() / "bin" / "wirelark-cli";
        fs::create_directories(program.parent_path());
        const fs::path full = (program.parent_path() / fullFromHere).lexically_normal();
        if (c.placed == Placed::link) {
            fs::create_symlink(built, program);
        } else {
            fs::copy_file(built, program);
        }
        if (c.placed == Placed::copyBesideAFileThatCannotRun) {
            folder.write(fs::relative(full, folder.path()), "#!/bin/sh\n");
        }
        const CommandOutput result = cli(program, "--help");
        if (c.reason == nullptr) {
            EXPECT_EQ(result.status, 0);
            EXPECT_EQ(result.output, kOverview);
        } else {
            EXPECT_EQ(result.status, 1) << c.reason;
            EXPECT_EQ(result.output,
                      "wirelark-cli: cannot start " + full.string() + ": " + c.reason + "\n");
        }
        EXPECT_EQ(cli(program, "list >/dev/null").status, 0) << "list needs no full program";
    }
}

} // namespace
