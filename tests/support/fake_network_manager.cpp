#include "fake_network_manager.h"

#include "netcore/sysconfig/network_manager_names.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstring>

namespace wirelark::testing {

using namespace network_manager;

namespace {

std::string numbered(const char* prefix, size_t index) {
    return prefix + std::to_string(index + 1);
}

// Each device has an IPv4 configuration of its own; "/" stands for none.
std::string ip4ConfigOf(const std::optional<size_t>& device) {
    return device ? numbered("/org/freedesktop/NetworkManager/IP4Config/", *device) : "/";
}

// The index encoded at the end of `path` under `prefix`, if the path has that form.
std::optional<size_t> indexUnder(const std::string& path, const char* prefix, size_t count) {
    const size_t length = std::strlen(prefix);
    if (path.compare(0, length, prefix) != 0 || path.size() == length ||
        path.find_first_not_of("0123456789", length) != std::string::npos ||
        path.size() > length + 6) {
        return std::nullopt;
    }
    const size_t number = std::stoul(path.substr(length));
    if (number == 0 || number > count) {
        return std::nullopt;
    }
    return number - 1;
}

int openDict(sd_bus_message* m) {
    return sd_bus_message_open_container(m, 'a', "{sv}");
}

template <typename T>
int appendEntry(sd_bus_message* m, const char* key, const char* type, T value) {
    int r = sd_bus_message_open_container(m, 'e', "sv");
    r = r < 0 ? r : sd_bus_message_append(m, "s", key);
    r = r < 0 ? r : sd_bus_message_open_container(m, 'v', type);
    r = r < 0 ? r : sd_bus_message_append(m, type, value);
    r = r < 0 ? r : sd_bus_message_close_container(m);
    return r < 0 ? r : sd_bus_message_close_container(m);
}

int appendPaths(sd_bus_message* m, const char* key, const std::vector<std::string>& paths) {
    int r = sd_bus_message_open_container(m, 'e', "sv");
    r = r < 0 ? r : sd_bus_message_append(m, "s", key);
    r = r < 0 ? r : sd_bus_message_open_container(m, 'v', "ao");
    r = r < 0 ? r : sd_bus_message_open_container(m, 'a', "o");
    for (const auto& path : paths) {
        r = r < 0 ? r : sd_bus_message_append(m, "o", path.c_str());
    }
    r = r < 0 ? r : sd_bus_message_close_container(m);
    r = r < 0 ? r : sd_bus_message_close_container(m);
    return r < 0 ? r : sd_bus_message_close_container(m);
}

int appendSettings(sd_bus_message* m, const FakeProfile& p) {
    int r = sd_bus_message_open_container(m, 'a', "{sa{sv}}");
    r = r < 0 ? r : sd_bus_message_open_container(m, 'e', "sa{sv}");
    r = r < 0 ? r : sd_bus_message_append(m, "s", "connection");
    r = r < 0 ? r : openDict(m);
    if (p.uuid) {
        r = r < 0 ? r
                  : (p.malformed ? appendEntry(m, "uuid", "i", 42)
                                 : appendEntry(m, "uuid", "s", p.uuid->c_str()));
    }
    if (p.id) {
        r = r < 0 ? r : appendEntry(m, "id", "s", p.id->c_str());
    }
    r = r < 0 ? r : appendEntry(m, "type", "s", p.type.c_str());
    if (p.interfaceName) {
        r = r < 0 ? r : appendEntry(m, "interface-name", "s", p.interfaceName->c_str());
    }
    r = r < 0 ? r : appendEntry(m, "autoconnect-priority", "i", p.autoconnectPriority);
    r = r < 0 ? r : appendEntry(m, "timestamp", "t", p.timestamp);
    r = r < 0 ? r : sd_bus_message_close_container(m);
    r = r < 0 ? r : sd_bus_message_close_container(m);
    return r < 0 ? r : sd_bus_message_close_container(m);
}

int closeAndSend(sd_bus_message* reply, int r) {
    r = r < 0 ? r : sd_bus_message_close_container(reply);
    r = r < 0 ? r : sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r < 0 ? r : 1;
}

} // namespace

FakeNetworkManager::FakeNetworkManager(const std::string& busAddress,
                                       FakeNetworkManagerFixture fixture)
    : fixture_(std::move(fixture)), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    std::promise<bool> started;
    auto result = started.get_future();
    thread_ = std::thread([this, busAddress, &started] { run(busAddress, started); });
    ready_ = result.get();
}

FakeNetworkManager::~FakeNetworkManager() {
    stopping_ = true;
    const uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wakeFd_, &one, sizeof one);
    thread_.join();
    close(wakeFd_);
}

void FakeNetworkManager::post(std::function<void(sd_bus*)> action) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(action));
    }
    const uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wakeFd_, &one, sizeof one);
}

void FakeNetworkManager::runPosted(sd_bus* bus) {
    std::vector<std::function<void(sd_bus*)>> actions;
    {
        std::lock_guard lock(mutex_);
        actions.swap(posted_);
    }
    for (auto& action : actions) {
        action(bus);
    }
}

void FakeNetworkManager::addProfile(FakeProfile profile) {
    post([this, profile](sd_bus* bus) {
        fixture_.profiles.push_back(profile);
        const auto path = numbered(kSettingsPrefix, fixture_.profiles.size() - 1);
        sd_bus_emit_signal(bus, kSettingsPath, kSettingsInterface, "NewConnection", "o",
                           path.c_str());
    });
}

void FakeNetworkManager::setActiveState(size_t index, uint32_t state) {
    post([this, index, state](sd_bus* bus) {
        fixture_.profiles.at(index).activeState = state;
        const auto path = numbered(kActivePrefix, index);
        sd_bus_emit_signal(bus, path.c_str(), kActiveInterface, "StateChanged", "uu", state, 0u);
    });
}

void FakeNetworkManager::removeProfile(size_t index) {
    post([this, index](sd_bus* bus) {
        removed_.insert(index);
        const auto path = numbered(kSettingsPrefix, index);
        sd_bus_emit_signal(bus, kSettingsPath, kSettingsInterface, "ConnectionRemoved", "o",
                           path.c_str());
    });
}

std::vector<NetworkManagerSwitch> FakeNetworkManager::switches() const {
    std::lock_guard lock(mutex_);
    return switches_;
}

std::string FakeNetworkManager::profilePath(size_t index) {
    return numbered(kSettingsPrefix, index);
}

std::string FakeNetworkManager::activePath(size_t index) {
    return numbered(kActivePrefix, index);
}

// Activating marks the profile activated with an active connection of the same number;
// deactivating removes that again.
int FakeNetworkManager::handleSwitch(sd_bus_message* m, const std::string& member) {
    const bool activate = member == "ActivateConnection";
    const char* path = nullptr;
    if (sd_bus_message_read(m, "o", &path) < 0) {
        return -EINVAL;
    }
    {
        std::lock_guard lock(mutex_);
        switches_.push_back({member, path});
    }
    auto& profiles = fixture_.profiles;
    const auto index =
        indexUnder(path, activate ? kSettingsPrefix : kActivePrefix, profiles.size());
    if (!index || profiles[*index].refusesSwitching) {
        return sd_bus_reply_method_errorf(m, "org.freedesktop.NetworkManager.UnknownConnection",
                                          "Refused");
    }
    profiles[*index].activeState = activate ? 2 : 0;
    return activate ? sd_bus_reply_method_return(m, "o", activePath(*index).c_str())
                    : sd_bus_reply_method_return(m, "");
}

void FakeNetworkManager::run(const std::string& busAddress, std::promise<bool>& started) {
    sd_bus* bus = nullptr;
    int r = sd_bus_new(&bus);
    r = r < 0 ? r : sd_bus_set_address(bus, busAddress.c_str());
    r = r < 0 ? r : sd_bus_set_bus_client(bus, 1);
    r = r < 0 ? r : sd_bus_start(bus);
    r = r < 0 ? r : sd_bus_request_name(bus, kService, 0);
    const auto handler = [](sd_bus_message* m, void* self, sd_bus_error*) {
        return static_cast<FakeNetworkManager*>(self)->handle(m);
    };
    r = r < 0 ? r : sd_bus_add_fallback(bus, nullptr, kRootPath, handler, this);
    started.set_value(r >= 0);
    while (r >= 0 && !stopping_) {
        while ((r = sd_bus_process(bus, nullptr)) > 0) {
        }
        uint64_t busTimeout = UINT64_MAX;
        sd_bus_get_timeout(bus, &busTimeout);
        pollfd fds[2] = {{sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0},
                         {wakeFd_, POLLIN, 0}};
        poll(fds, 2, busTimeout == UINT64_MAX ? 1000 : 10);
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const auto got = read(wakeFd_, &count, sizeof count);
            runPosted(bus);
        }
    }
    sd_bus_flush_close_unref(bus);
}

int FakeNetworkManager::handle(sd_bus_message* m) {
    const std::string path = sd_bus_message_get_path(m);
    const std::string member = sd_bus_message_get_member(m) ? sd_bus_message_get_member(m) : "";
    if (fixture_.hangOn.contains(member)) {
        return 1;
    }
    const auto& profiles = fixture_.profiles;
    sd_bus_message* reply = nullptr;
    if (sd_bus_message_new_method_return(m, &reply) < 0) {
        return -ENOMEM;
    }
    if (member == "GetAll") {
        int r = openDict(reply);
        if (path == kRootPath) {
            std::vector<std::string> active;
            std::vector<std::string> devices;
            for (size_t i = 0; i < profiles.size(); ++i) {
                if (profiles[i].activeState != 0) {
                    active.push_back(numbered(kActivePrefix, i));
                }
            }
            for (size_t i = 0; i < fixture_.devices.size(); ++i) {
                devices.push_back(numbered(kDevicePrefix, i));
            }
            r = r < 0 ? r : appendPaths(reply, "ActiveConnections", active);
            r = r < 0 ? r : appendPaths(reply, "Devices", devices);
            r = r < 0 ? r : appendEntry(reply, "Version", "s", "1.42.4");
        } else if (const auto i = indexUnder(path, kSettingsPrefix, profiles.size())) {
            r = r < 0 ? r
                      : (profiles[*i].malformed
                             ? appendEntry(reply, "Flags", "s", "generated")
                             : appendEntry(reply, "Flags", "u", profiles[*i].flags));
            r = r < 0 ? r : appendEntry(reply, "Unsaved", "b", 0);
        } else if (const auto a = indexUnder(path, kActivePrefix, profiles.size())) {
            const auto& p = profiles[*a];
            const auto settings = numbered(kSettingsPrefix, *a);
            r = r < 0 ? r : appendEntry(reply, "Connection", "o", settings.c_str());
            r = r < 0 ? r : appendEntry(reply, "State", "u", p.activeState);
            std::vector<std::string> devices;
            if (p.device) {
                devices.push_back(numbered(kDevicePrefix, *p.device));
            }
            r = r < 0 ? r : appendPaths(reply, "Devices", devices);
            r = r < 0 ? r : appendEntry(reply, "Vpn", "b", static_cast<int>(p.vpn));
            const auto config = ip4ConfigOf(p.vpn ? p.tunnelDevice : p.device);
            r = r < 0 ? r : appendEntry(reply, "Ip4Config", "o", config.c_str());
            r = r < 0 ? r : appendEntry(reply, "Ip6Config", "o", "/");
        } else if (const auto d = indexUnder(path, kDevicePrefix, fixture_.devices.size())) {
            const auto& device = fixture_.devices[*d];
            r = r < 0 ? r : appendEntry(reply, "Interface", "s", device.interface.c_str());
            r = r < 0 ? r : appendEntry(reply, "IpInterface", "s", device.ipInterface.c_str());
            const auto config = ip4ConfigOf(*d);
            r = r < 0 ? r : appendEntry(reply, "Ip4Config", "o", config.c_str());
        }
        return closeAndSend(reply, r);
    }
    if (member == "Get") {
        const char* interface = nullptr;
        const char* property = nullptr;
        const auto a = indexUnder(path, kActivePrefix, profiles.size());
        if (sd_bus_message_read(m, "ss", &interface, &property) > 0 && a && profiles[*a].uuid &&
            std::strcmp(property, "Uuid") == 0) {
            int r = sd_bus_message_append(reply, "v", "s", profiles[*a].uuid->c_str());
            r = r < 0 ? r : sd_bus_send(nullptr, reply, nullptr);
            sd_bus_message_unref(reply);
            return r < 0 ? r : 1;
        }
    }
    if ((member == "ActivateConnection" || member == "DeactivateConnection") && path == kRootPath) {
        sd_bus_message_unref(reply);
        return handleSwitch(m, member);
    }
    if (member == "GetConnectionByUuid" && path == kSettingsPath) {
        const char* uuid = nullptr;
        if (sd_bus_message_read(m, "s", &uuid) > 0) {
            for (size_t i = 0; i < profiles.size(); ++i) {
                if (!removed_.contains(i) && profiles[i].uuid == uuid) {
                    sd_bus_message_unref(reply);
                    return sd_bus_reply_method_return(m, "o", profilePath(i).c_str());
                }
            }
        }
        sd_bus_message_unref(reply);
        return sd_bus_reply_method_errorf(
            m, "org.freedesktop.NetworkManager.Settings.InvalidConnection", "No such connection");
    }
    if (member == "ListConnections" && path == kSettingsPath) {
        int r = sd_bus_message_open_container(reply, 'a', "o");
        for (size_t i = 0; i < profiles.size(); ++i) {
            if (!removed_.contains(i)) {
                r = r < 0 ? r
                          : sd_bus_message_append(reply, "o", numbered(kSettingsPrefix, i).c_str());
            }
        }
        return closeAndSend(reply, r);
    }
    if (member == "GetSettings") {
        if (const auto i = indexUnder(path, kSettingsPrefix, profiles.size());
            i && !removed_.contains(*i)) {
            int r = appendSettings(reply, profiles[*i]);
            r = r < 0 ? r : sd_bus_send(nullptr, reply, nullptr);
            sd_bus_message_unref(reply);
            return r < 0 ? r : 1;
        }
    }
    sd_bus_message_unref(reply);
    return 0;
}

} // namespace wirelark::testing
