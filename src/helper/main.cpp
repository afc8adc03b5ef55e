// wirelark-admin-helper: the root service on the system bus that switches NetworkManager
// connections for paired apps. Started by D-Bus activation through its systemd unit.
#include "helper/admin_helper.h"
#include "helper/helper_options.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace wirelark;

int main(int argc, char** argv) {
    const auto options = parseHelperOptions(argc, argv, std::getenv("STATE_DIRECTORY"));
    if (!options) {
        std::fprintf(stderr, "wirelark-admin-helper: %s\n", options.error().c_str());
        return 2;
    }
    auto tokens = PairedTokens::load(options->stateFile);
    if (!tokens) {
        std::fprintf(stderr, "wirelark-admin-helper: cannot read %s: %s\n",
                     options->stateFile.c_str(), tokens.error().message().c_str());
        return 1;
    }
    auto bus = DbusConnection::openSystem();
    if (!bus) {
        std::fprintf(stderr, "wirelark-admin-helper: no system bus\n");
        return 1;
    }
    sd_event* event = nullptr;
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    // A caller that vanishes must not kill the helper through a write to its socket.
    signal(SIGPIPE, SIG_IGN);
    int r = sd_event_default(&event);
    r = r < 0 ? r : sd_event_add_signal(event, nullptr, SIGTERM, nullptr, nullptr);
    r = r < 0 ? r : sd_event_add_signal(event, nullptr, SIGINT, nullptr, nullptr);
    r = r < 0 ? r : sd_bus_attach_event(bus->get(), event, SD_EVENT_PRIORITY_NORMAL);
    if (r >= 0) {
        AdminHelper helper(
            bus->get(), event, std::move(*tokens),
            {.version = WIRELARK_VERSION, .pairingLifetime = options->pairingLifetime});
        r = helper.serve();
        if (r < 0) {
            std::fprintf(stderr, "wirelark-admin-helper: cannot serve on the system bus: %s\n",
                         std::strerror(-r));
        } else {
            r = sd_event_loop(event);
        }
    }
    sd_bus_detach_event(bus->get());
    sd_event_unref(event);
    return r < 0 ? 1 : 0;
}
