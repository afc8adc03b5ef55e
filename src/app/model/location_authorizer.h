#pragma once

namespace wirelark {

// Whether the app may see the Wi-Fi network's name. Linux gives it to every program, so the
// status is always authorized and a request has nothing to ask; the panel never offers one.
class LocationAuthorizer {
public:
    enum class Status { notDetermined, restricted, denied, authorized };

    Status status() const { return Status::authorized; }
    // Nothing to ask for here.
    void requestAuthorization() {}
};

} // namespace wirelark
