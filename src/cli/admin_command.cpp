#include "cli/commands.h"

#include "admin/admin_app_calls.h"
#include "app/admin/admin_client.h"
#include "app/admin/admin_status_text.h"
#include "app/admin/admin_web_site.h"
#include "app/admin/keyring_token_store.h"
#include "app/admin/token_file.h"
#include "netcore/base/json_text.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace wirelark::cli {
namespace {

constexpr const char* kActions[] = {"status", "pair",    "unpair",
                                    "enable", "disable", "tunnel-owners"};

std::string_view stateName(AdminState state) {
    switch (state) {
    case AdminState::checking:
        return "checking";
    case AdminState::notInstalled:
        return "notInstalled";
    case AdminState::notPaired:
        return "notPaired";
    case AdminState::pairing:
        return "pairing";
    case AdminState::paired:
        return "paired";
    }
    return "checking";
}

void processUntil(const std::function<bool()>& finished) {
    while (!finished()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

std::unique_ptr<TokenStore> tokenStore() {
    const auto file = TokenFile::defaultPath();
    return std::make_unique<KeyringTokenStore>(file ? std::make_unique<TokenFile>(*file) : nullptr);
}

// The client as the tray app has it, less the feed check, which a one-off command has no use
// for. Pairing points to Wirelark Admin instead of starting it.
std::unique_ptr<AdminClient> makeClient(const Clock& clock) {
    return std::make_unique<AdminClient>(
        tokenStore(), clock, AdminClientOptions{.openAdminApp = [] {
            std::fprintf(stderr,
                         "Waiting for an administrator to approve the pairing in Wirelark Admin "
                         "(get it at %s)\n",
                         adminHelperPageURL().c_str());
        }});
}

AdminState knownState(AdminClient& admin) {
    admin.refresh();
    processUntil([&] { return admin.state() != AdminState::checking; });
    return admin.state();
}

void printJson(const nlohmann::ordered_json& document) {
    std::printf("%s\n", jsonText(document, 2).c_str());
}

int status(AdminClient& admin, bool json) {
    const AdminState state = knownState(admin);
    if (json) {
        nlohmann::ordered_json document{{"state", stateName(state)}};
        document["helperVersion"] = admin.helperVersion()
                                        ? nlohmann::ordered_json(*admin.helperVersion())
                                        : nlohmann::ordered_json();
        document["helperProtocol"] = admin.helperProtocol();
        document["helperNeedsUpdate"] = admin.helperNeedsUpdate();
        printJson(document);
    } else {
        std::printf("Status: %s\n",
                    adminStatusText(state, admin.helperVersion()).toStdString().c_str());
        std::printf("Helper protocol: %d\n", admin.helperProtocol());
        if (admin.helperNeedsUpdate()) {
            std::printf("This version of the helper is too old for this app. Update it in "
                        "Wirelark Admin.\n");
        }
    }
    return state == AdminState::notInstalled ? 1 : 0;
}

// Prints the outcome of a request, as text or as {"ok": ..., "error": ...}.
int outcome(const std::optional<std::string>& error, const char* success, bool json) {
    if (json) {
        nlohmann::ordered_json document{{"ok", !error}};
        if (error) {
            document["error"] = *error;
        }
        printJson(document);
    } else if (error) {
        std::fprintf(stderr, "wirelark-cli admin: %s\n", error->c_str());
    } else {
        std::printf("%s\n", success);
    }
    return error ? 1 : 0;
}

int pair(AdminClient& admin, bool json) {
    if (knownState(admin) == AdminState::notInstalled) {
        return outcome("The admin helper is not installed", "", json);
    }
    admin.beginPairing();
    processUntil([&] { return admin.state() != AdminState::pairing; });
    return outcome(admin.state() == AdminState::paired ? std::nullopt : admin.lastError(), "Paired",
                   json);
}

// Waits for the helper's answer, which the client does not report, before the token goes.
int unpair(bool json) {
    auto tokens = tokenStore();
    const std::optional<std::string> token = tokens->read();
    if (!token) {
        return outcome(std::nullopt, "Not paired", json);
    }
    std::optional<std::string> failure = "The system bus is not reachable";
    if (auto bus = DbusConnection::openSystem()) {
        failure = "The connection to the admin helper was lost";
        AdminAppCalls calls(bus->get(), {});
        bool answered = false;
        calls.unpair(*token, [&](Expected<void, BusError> result) {
            answered = true;
            failure = result ? std::nullopt : std::optional(failureText(result.error()));
        });
        while (!answered && sd_bus_process(bus->get(), nullptr) >= 0) {
            if (!answered) {
                sd_bus_wait(bus->get(), UINT64_MAX);
            }
        }
    }
    // Forgotten here either way, as the app does: the helper cannot be asked to keep it.
    tokens->remove();
    return outcome(failure, "Unpaired", json);
}

int setService(AdminClient& admin, const std::string& serviceID, bool enabled, bool json) {
    knownState(admin);
    std::optional<std::optional<std::string>> result;
    admin.setServiceEnabled(serviceID, enabled, [&](auto error) { result = std::move(error); });
    processUntil([&] { return result.has_value(); });
    return outcome(*result, enabled ? "Enabled" : "Disabled", json);
}

int tunnelOwners(AdminClient& admin, bool json) {
    const AdminState state = knownState(admin);
    std::optional<TunnelOwnerMap> owners;
    admin.tunnelOwners([&](TunnelOwnerMap found) { owners = std::move(found); });
    processUntil([&] { return owners.has_value(); });
    if (json) {
        auto array = nlohmann::ordered_json::array();
        for (const auto& [interface, owner] : *owners) {
            array.push_back({{"interface", interface},
                             {"pid", owner.pid},
                             {"name", owner.name},
                             {"path", owner.path}});
        }
        printJson(array);
    } else {
        for (const auto& [interface, owner] : *owners) {
            std::printf("%s: %s (pid %d) %s\n", interface.c_str(), owner.name.c_str(), owner.pid,
                        owner.path.c_str());
        }
    }
    return state == AdminState::notInstalled ? 1 : 0;
}

int run(const ParsedCommandLine& options) {
    int given = 0;
    for (const char* action : kActions) {
        given += options.has(action) ? 1 : 0;
    }
    if (given != 1) {
        std::fprintf(stderr, "wirelark-cli admin: give one of status, pair, unpair, enable UUID, "
                             "disable UUID, tunnel-owners\n");
        return 2;
    }
    int argc = 1;
    char name[] = "wirelark-cli";
    char* argv[] = {name, nullptr};
    const QCoreApplication application(argc, argv);
    const bool json = options.has("--json");
    if (options.has("unpair")) {
        return unpair(json);
    }
    const SystemClock clock;
    const auto admin = makeClient(clock);
    if (options.has("pair")) {
        return pair(*admin, json);
    }
    if (const auto id = options.value("enable")) {
        return setService(*admin, *id, true, json);
    }
    if (const auto id = options.value("disable")) {
        return setService(*admin, *id, false, json);
    }
    if (options.has("tunnel-owners")) {
        return tunnelOwners(*admin, json);
    }
    return status(*admin, json);
}

constexpr Option kOptions[] = {
    {.name = "status", .help = "whether the admin helper answers and this user is paired with it"},
    {.name = "pair", .help = "asks for a pairing and waits for an administrator's decision"},
    {.name = "unpair", .help = "forgets the pairing"},
    {.name = "enable", .valueName = "UUID", .help = "activates a NetworkManager connection"},
    {.name = "disable", .valueName = "UUID", .help = "deactivates a NetworkManager connection"},
    {.name = "tunnel-owners", .help = "the processes that hold the tunnel interfaces"},
    {.name = "--json", .help = "the answer as JSON"},
};

} // namespace

const Command adminCommand{
    .name = "admin",
    .summary = "the admin helper: status, pairing, and connections on or off",
    .options = kOptions,
    .run = run,
};

} // namespace wirelark::cli
