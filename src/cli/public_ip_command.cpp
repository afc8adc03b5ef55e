#include "cli/cli_settings.h"
#include "cli/commands.h"

#include "netcore/base/json_text.h"
#include "netcore/http/http_client.h"
#include "netcore/publicip/public_ip_provider.h"
#include "netcore/publicip/public_ip_service.h"

#include <cstdio>
#include <string>

namespace wirelark::cli {
namespace {

void printLine(const char* label, const std::optional<std::string>& value) {
    std::printf("%s %s\n", label, value ? value->c_str() : "none");
}

int run(const ParsedCommandLine& options) {
    // Without --url, the provider and key path of the tray app's settings.
    const SettingsData settings = storedSettings();
    const std::string url = options.value("--url").value_or(settings.lookupURL().value_or(""));
    const std::string keyPath = options.value("--key-path").value_or(settings.publicIPJSONKeyPath);

    const HttpClient client;
    const auto result = PublicIPService(client).lookup(url, keyPath);
    if (options.has("--json")) {
        std::printf("%s\n", jsonText(toJson(result), 2).c_str());
    } else {
        printLine("IPv4:", result.ipv4);
        printLine("IPv6:", result.ipv6);
        if (result.error) {
            std::printf("Error: %s\n", result.error->c_str());
        }
    }
    return result.ipv4 || result.ipv6 ? 0 : 1;
}

constexpr Option kOptions[] = {
    {.name = "--url", .valueName = "URL", .help = "the lookup service, an http or https URL"},
    {.name = "--key-path",
     .valueName = "PATH",
     .help = "where the address stands in a JSON answer, as dotted keys"},
    {.name = "--json", .help = "one object with the members ipv4, ipv6 and error"},
};

} // namespace

const Command publicIPCommand{
    .name = "public-ip",
    .summary = "the public IPv4 and IPv6 addresses, as a lookup service sees them",
    .options = kOptions,
    .wording = ErrorWording::unexpectedArgument,
    .run = run,
};

} // namespace wirelark::cli
