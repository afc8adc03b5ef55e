#include "cli/commands.h"

#include "app/core/settings_data.h"
#include "app/settings/settings_storage.h"
#include "netcore/base/json_text.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>

namespace wirelark::cli {

namespace {

// Far more than any settings record; an import reads no further, as /dev/zero never ends.
constexpr std::size_t kMostSettingsBytes = 1 << 20;

// The effective record, one "name: value" line per field, with the stored JSON's values.
void printText(const SettingsData& settings, const QString& location) {
    const auto encoded = encodeSettings(settings);
    const auto object = nlohmann::ordered_json::parse(encoded.value_or("{}"));
    for (const auto& [name, value] : object.items()) {
        std::printf("%s: %s\n", name.c_str(), jsonText(value).c_str());
    }
    std::printf("stored in %s\n", location.toLocal8Bit().constData());
}

// The table lets at most one option through.
int run(const ParsedCommandLine& options) {
    IniSettingsStorage storage;
    const auto stored = storage.read();
    const SettingsData effective = stored ? decodeSettings(*stored) : SettingsData{};
    if (options.has("--json")) {
        const auto encoded = encodeSettings(effective);
        std::printf("%s\n", encoded.value_or("{}").c_str());
        return 0;
    }
    if (options.has("--export")) {
        if (!stored) {
            std::fprintf(stderr, "wirelark-cli: no settings are stored in %s\n",
                         storage.location().toLocal8Bit().constData());
            return 1;
        }
        std::fwrite(stored->data(), 1, stored->size(), stdout);
        return 0;
    }
    if (const auto path = options.value("--import")) {
        std::ifstream file(*path, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "wirelark-cli: cannot read %s\n", path->c_str());
            return 1;
        }
        std::string bytes(kMostSettingsBytes + 1, '\0');
        file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(file.gcount()));
        if (bytes.size() > kMostSettingsBytes) {
            std::fprintf(stderr,
                         "wirelark-cli: %s is larger than settings can be (1 MiB); nothing was "
                         "stored\n",
                         path->c_str());
            return 1;
        }
        // Loading takes anything but a JSON object as no settings at all, so such a file
        // would silently reset every setting.
        if (!nlohmann::json::parse(bytes, nullptr, false).is_object()) {
            std::fprintf(stderr,
                         "wirelark-cli: %s holds no settings (a JSON object); nothing was stored\n",
                         path->c_str());
            return 1;
        }
        // Stored as they are; the next load decodes each member leniently.
        if (!storage.write(bytes)) {
            std::fprintf(stderr, "wirelark-cli: cannot write %s\n",
                         storage.location().toLocal8Bit().constData());
            return 1;
        }
        return 0;
    }
    printText(effective, storage.location());
    return 0;
}

constexpr Option kOptions[] = {
    {.name = "--json", .help = "the effective settings in their stored JSON form"},
    {.name = "--export", .help = "the stored bytes exactly"},
    {.name = "--import", .valueName = "FILE", .help = "store the file's JSON object unchanged"},
};

} // namespace

const Command settingsCommand{
    .name = "settings",
    .summary = "the tray app's settings, and where they are stored",
    .options = kOptions,
    .exclusive = true,
    .wording = ErrorWording::usageOnly,
    .run = run,
};

} // namespace wirelark::cli
