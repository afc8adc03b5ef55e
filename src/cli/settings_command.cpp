#include "cli/commands.h"

#include "app/core/settings_data.h"
#include "app/settings/settings_storage.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>

namespace wirelark::cli {

namespace {

constexpr const char* kUsage = "usage: wirelark-cli settings [--json | --export | --import FILE]\n";

// The effective record, one "name: value" line per field, with the stored JSON's values.
void printText(const SettingsData& settings, const QString& location) {
    const auto encoded = encodeSettings(settings);
    const auto object = nlohmann::ordered_json::parse(encoded.value_or("{}"));
    for (const auto& [name, value] : object.items()) {
        std::printf("%s: %s\n", name.c_str(), value.dump().c_str());
    }
    std::printf("stored in %s\n", location.toLocal8Bit().constData());
}

} // namespace

int runSettings(int argc, char** argv) {
    const std::string_view mode = argc > 0 ? argv[0] : "";
    IniSettingsStorage storage;
    const auto stored = storage.read();
    const SettingsData effective = stored ? decodeSettings(*stored) : SettingsData{};
    if (argc == 0) {
        printText(effective, storage.location());
        return 0;
    }
    if (argc == 1 && mode == "--json") {
        const auto encoded = encodeSettings(effective);
        std::printf("%s\n", encoded.value_or("{}").c_str());
        return 0;
    }
    if (argc == 1 && mode == "--export") {
        if (!stored) {
            std::fprintf(stderr, "wirelark-cli: no settings are stored in %s\n",
                         storage.location().toLocal8Bit().constData());
            return 1;
        }
        std::fwrite(stored->data(), 1, stored->size(), stdout);
        return 0;
    }
    if (argc == 2 && mode == "--import") {
        std::ifstream file(argv[1], std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "wirelark-cli: cannot read %s\n", argv[1]);
            return 1;
        }
        const std::string bytes{std::istreambuf_iterator<char>(file), {}};
        // Stored as they are; the next load decodes them leniently like any stored value.
        if (!storage.write(bytes)) {
            std::fprintf(stderr, "wirelark-cli: cannot write %s\n",
                         storage.location().toLocal8Bit().constData());
            return 1;
        }
        return 0;
    }
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace wirelark::cli
