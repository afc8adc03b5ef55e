#include "cli/cli_settings.h"
#include "cli/commands.h"

#include "netcore/http/http_client.h"
#include "netcore/publicip/public_ip_provider.h"
#include "netcore/publicip/public_ip_service.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace wirelark::cli {
namespace {

constexpr const char* kUsage =
    "usage: wirelark-cli public-ip [--url URL] [--key-path PATH] [--json]\n";

void printLine(const char* label, const std::optional<std::string>& value) {
    std::printf("%s %s\n", label, value ? value->c_str() : "none");
}

} // namespace

int runPublicIP(int argc, char** argv) {
    // Without --url, the provider and key path of the tray app's settings.
    const SettingsData settings = storedSettings();
    std::string url = settings.lookupURL().value_or("");
    std::string keyPath = settings.publicIPJSONKeyPath;
    bool json = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--json") {
            json = true;
        } else if ((argument == "--url" || argument == "--key-path") && i + 1 < argc) {
            (argument == "--url" ? url : keyPath) = argv[++i];
        } else {
            std::fprintf(stderr, "wirelark-cli public-ip: unexpected argument '%s'\n%s", argv[i],
                         kUsage);
            return 2;
        }
    }

    const HttpClient client;
    const auto result = PublicIPService(client).lookup(url, keyPath);
    if (json) {
        std::printf("%s\n", toJson(result).dump(2).c_str());
    } else {
        printLine("IPv4:", result.ipv4);
        printLine("IPv6:", result.ipv6);
        if (result.error) {
            std::printf("Error: %s\n", result.error->c_str());
        }
    }
    return result.ipv4 || result.ipv6 ? 0 : 1;
}

} // namespace wirelark::cli
