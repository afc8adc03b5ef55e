#include "fake_dbus_menu_host.h"

#include "netcore/dbus/dbus_value.h"

#include <QTest>

#include <future>
#include <memory>

namespace wirelark::testing {

FakeDbusMenuHost::FakeDbusMenuHost(const std::string& busAddress, std::string service,
                                   std::string path)
    : service_(std::move(service)), path_(std::move(path)),
      thread_(busAddress, [this](sd_bus* bus) {
          const auto onSignal = [](sd_bus_message* m, void* self, sd_bus_error*) {
              return static_cast<FakeDbusMenuHost*>(self)->onLayoutUpdated(m);
          };
          return sd_bus_match_signal(bus, nullptr, nullptr, path_.c_str(), "com.canonical.dbusmenu",
                                     "LayoutUpdated", onSignal, this) >= 0;
      }) {}

int FakeDbusMenuHost::onLayoutUpdated(sd_bus_message* message) {
    uint32_t revision = 0;
    int32_t parent = 0;
    if (sd_bus_message_read(message, "ui", &revision, &parent) >= 0) {
        std::lock_guard lock(mutex_);
        layoutUpdates_.emplace_back(revision, parent);
    }
    return 0;
}

FakeDbusMenuHost::Reply FakeDbusMenuHost::call(const std::string& member,
                                               std::function<int(sd_bus_message*)> appendArguments,
                                               const std::string& interface) {
    auto promise = std::make_shared<std::promise<Reply>>();
    auto answered = promise->get_future();
    thread_.post([this, member, interface, appendArguments = std::move(appendArguments),
                  promise](sd_bus* bus) {
        sd_bus_message* call = nullptr;
        sd_bus_message* reply = nullptr;
        sd_bus_error error = SD_BUS_ERROR_NULL;
        int r = sd_bus_message_new_method_call(bus, &call, service_.c_str(), path_.c_str(),
                                               interface.c_str(), member.c_str());
        r = r < 0 ? r : appendArguments(call);
        r = r < 0 ? r : sd_bus_call(bus, call, 10'000'000, &error, &reply);
        Reply result;
        if (r < 0) {
            result.error = error.name ? error.name : "errno";
        }
        while (reply != nullptr) {
            auto value = readBusValue(reply);
            if (!value) {
                break;
            }
            result.values.push_back(std::move(*value));
        }
        sd_bus_message_unref(reply);
        sd_bus_message_unref(call);
        sd_bus_error_free(&error);
        promise->set_value(std::move(result));
    });
    const bool done = QTest::qWaitFor(
        [&] { return answered.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        15000);
    return done ? answered.get() : Reply{"no answer", {}};
}

FakeDbusMenuHost::Reply FakeDbusMenuHost::property(const std::string& name) {
    return call(
        "Get",
        [name](sd_bus_message* m) {
            return sd_bus_message_append(m, "ss", "com.canonical.dbusmenu", name.c_str());
        },
        "org.freedesktop.DBus.Properties");
}

std::vector<std::pair<uint32_t, int32_t>> FakeDbusMenuHost::layoutUpdates() const {
    std::lock_guard lock(mutex_);
    return layoutUpdates_;
}

} // namespace wirelark::testing
