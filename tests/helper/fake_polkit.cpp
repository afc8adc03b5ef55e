#include "fake_polkit.h"

#include <cstring>

namespace wirelark::testing {

namespace {

constexpr const char* kPath = "/org/freedesktop/PolicyKit1/Authority";
constexpr const char* kInterface = "org.freedesktop.PolicyKit1.Authority";

// The subject's kind and its "name" detail, from (sa{sv}).
int readSubject(sd_bus_message* call, PolkitQuestion& question) {
    const char* kind = nullptr;
    int r = sd_bus_message_enter_container(call, 'r', "sa{sv}");
    r = r < 0 ? r : sd_bus_message_read(call, "s", &kind);
    r = r < 0 ? r : sd_bus_message_enter_container(call, 'a', "{sv}");
    while (r >= 0 && (r = sd_bus_message_enter_container(call, 'e', "sv")) > 0) {
        const char* key = nullptr;
        const char* name = nullptr;
        r = sd_bus_message_read(call, "s", &key);
        if (r >= 0 && std::strcmp(key, "name") == 0 &&
            sd_bus_message_read(call, "v", "s", &name) > 0) {
            question.busName = name;
        } else {
            r = r < 0 ? r : sd_bus_message_skip(call, "v");
        }
        r = r < 0 ? r : sd_bus_message_exit_container(call);
    }
    r = r < 0 ? r : sd_bus_message_exit_container(call);
    r = r < 0 ? r : sd_bus_message_exit_container(call);
    if (r >= 0) {
        question.subjectKind = kind;
    }
    return r;
}

} // namespace

FakePolkit::FakePolkit(const std::string& busAddress)
    : thread_(busAddress, [this](sd_bus* bus) {
          static const sd_bus_vtable vtable[] = {
              SD_BUS_VTABLE_START(0),
              SD_BUS_METHOD("CheckAuthorization", "(sa{sv})sa{ss}us", "(bba{ss})",
                            checkAuthorization, 0),
              SD_BUS_VTABLE_END,
          };
          return sd_bus_request_name(bus, "org.freedesktop.PolicyKit1", 0) >= 0 &&
                 sd_bus_add_object_vtable(bus, nullptr, kPath, kInterface, vtable, this) >= 0;
      }) {}

std::vector<PolkitQuestion> FakePolkit::questions() const {
    std::lock_guard lock(mutex_);
    return questions_;
}

int FakePolkit::checkAuthorization(sd_bus_message* call, void* self, sd_bus_error*) {
    auto& polkit = *static_cast<FakePolkit*>(self);
    PolkitQuestion question;
    const char* action = nullptr;
    int r = readSubject(call, question);
    r = r < 0 ? r : sd_bus_message_read(call, "s", &action);
    r = r < 0 ? r : sd_bus_message_skip(call, "a{ss}");
    r = r < 0 ? r : sd_bus_message_read(call, "u", &question.flags);
    if (r < 0) {
        return r;
    }
    question.action = action;
    {
        std::lock_guard lock(polkit.mutex_);
        polkit.questions_.push_back(question);
    }
    sd_bus_message* reply = nullptr;
    r = sd_bus_message_new_method_return(call, &reply);
    r = r < 0 ? r : sd_bus_message_open_container(reply, 'r', "bba{ss}");
    r = r < 0 ? r : sd_bus_message_append(reply, "bba{ss}", polkit.authorized_ ? 1 : 0, 0, 0);
    r = r < 0 ? r : sd_bus_message_close_container(reply);
    r = r < 0 ? r : sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
}

} // namespace wirelark::testing
