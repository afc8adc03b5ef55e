#pragma once

#include "netcore/base/expected.h"

#include <chrono>
#include <filesystem>
#include <string>

namespace wirelark {

struct HelperOptions {
    std::filesystem::path stateFile;
    std::chrono::milliseconds pairingLifetime = std::chrono::minutes(10);
};

// The command line ("--pairing-lifetime-ms=N" shortens how long a pairing request waits, for
// tests) and systemd's STATE_DIRECTORY (a colon-separated list; the first entry holds the
// state). A text for the user when either is unusable.
Expected<HelperOptions, std::string> parseHelperOptions(int argc, char** argv,
                                                        const char* stateDirectories);

} // namespace wirelark
