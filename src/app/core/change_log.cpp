#include "app/core/change_log.h"

#include <systemd/sd-journal.h>
#include <unistd.h>

#include <cstdio>

namespace wirelark {

void logLine(LogPriority priority, const std::string& message) {
    static const bool journal = access("/run/systemd/journal/socket", W_OK) == 0;
    if (journal &&
        sd_journal_send("MESSAGE=%s", message.c_str(), "PRIORITY=%d", static_cast<int>(priority),
                        "SYSLOG_IDENTIFIER=wirelark", "WIRELARK_SUBSYSTEM=com.quillfern.Wirelark",
                        "WIRELARK_CATEGORY=network", nullptr) == 0) {
        return;
    }
    std::fprintf(stderr, "wirelark: %s\n", message.c_str());
}

} // namespace wirelark
