#include "helper/helper_options.h"

#include <charconv>
#include <string_view>

namespace wirelark {

namespace {

constexpr std::string_view kLifetimeOption = "--pairing-lifetime-ms=";
constexpr const char* kStateFileName = "pairings";

} // namespace

Expected<HelperOptions, std::string> parseHelperOptions(int argc, char** argv,
                                                        const char* stateDirectories) {
    HelperOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!argument.starts_with(kLifetimeOption)) {
            return Unexpected("unknown option " + std::string(argument));
        }
        const std::string_view value = argument.substr(kLifetimeOption.size());
        uint32_t milliseconds = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), milliseconds);
        if (error != std::errc() || end != value.data() + value.size() || value.empty()) {
            return Unexpected("not a number of milliseconds: " + std::string(value));
        }
        options.pairingLifetime = std::chrono::milliseconds(milliseconds);
    }
    const std::string_view directories = stateDirectories ? stateDirectories : "";
    const std::string_view first = directories.substr(0, directories.find(':'));
    if (first.empty() || first.front() != '/') {
        return Unexpected(std::string("STATE_DIRECTORY names no absolute folder (run the helper "
                                      "through its systemd unit)"));
    }
    options.stateFile = std::filesystem::path(first) / kStateFileName;
    return options;
}

} // namespace wirelark
