#pragma once

#include <string>

namespace wirelark {

// One user notification: the title as the summary line, the body below it (may be empty).
struct Notification {
    std::string title;
    std::string body;

    bool operator==(const Notification&) const = default;
};

// Where notifications go: the desktop's notification server, or a terminal. Posting is
// fire-and-forget; a sink reports nothing back and must not block its caller.
class NotificationSink {
public:
    virtual ~NotificationSink() = default;
    virtual void post(const Notification& notification) = 0;
};

} // namespace wirelark
