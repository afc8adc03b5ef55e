#include "netcore/dbus/dbus_value.h"

#include <cstdint>
#include <string>

namespace wirelark {

namespace {

std::optional<nlohmann::json> readBasic(sd_bus_message* message, char type) {
    union {
        uint8_t byte;
        int boolean;
        int16_t i16;
        uint16_t u16;
        int32_t i32;
        uint32_t u32;
        int64_t i64;
        uint64_t u64;
        double dbl;
        const char* text;
        int fd;
    } value{};
    if (sd_bus_message_read_basic(message, type, &value) <= 0) {
        return std::nullopt;
    }
    switch (type) {
    case SD_BUS_TYPE_BYTE:
        return nlohmann::json(value.byte);
    case SD_BUS_TYPE_BOOLEAN:
        return nlohmann::json(value.boolean != 0);
    case SD_BUS_TYPE_INT16:
        return nlohmann::json(value.i16);
    case SD_BUS_TYPE_UINT16:
        return nlohmann::json(value.u16);
    case SD_BUS_TYPE_INT32:
        return nlohmann::json(value.i32);
    case SD_BUS_TYPE_UINT32:
        return nlohmann::json(value.u32);
    case SD_BUS_TYPE_INT64:
        return nlohmann::json(value.i64);
    case SD_BUS_TYPE_UINT64:
        return nlohmann::json(value.u64);
    case SD_BUS_TYPE_DOUBLE:
        return nlohmann::json(value.dbl);
    case SD_BUS_TYPE_UNIX_FD:
        return nlohmann::json(value.fd);
    default:
        return nlohmann::json(std::string(value.text ? value.text : ""));
    }
}

// Reads values until the current container ends; false when one of them is malformed.
bool readUntilExit(sd_bus_message* message, nlohmann::json& into) {
    for (;;) {
        char type = 0;
        const char* contents = nullptr;
        const int more = sd_bus_message_peek_type(message, &type, &contents);
        if (more < 0) {
            return false;
        }
        if (more == 0) {
            return sd_bus_message_exit_container(message) >= 0;
        }
        auto value = readBusValue(message);
        if (!value) {
            return false;
        }
        into.push_back(std::move(*value));
    }
}

std::optional<nlohmann::json> readArray(sd_bus_message* message, const char* contents) {
    if (sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, contents) <= 0) {
        return std::nullopt;
    }
    if (contents[0] != SD_BUS_TYPE_DICT_ENTRY_BEGIN) {
        nlohmann::json items = nlohmann::json::array();
        return readUntilExit(message, items) ? std::optional(std::move(items)) : std::nullopt;
    }
    // A dictionary: "{" key-type value-type "}".
    const std::string entry(contents + 1, std::char_traits<char>::length(contents) - 2);
    nlohmann::json object = nlohmann::json::object();
    for (;;) {
        const int entered =
            sd_bus_message_enter_container(message, SD_BUS_TYPE_DICT_ENTRY, entry.c_str());
        if (entered < 0) {
            return std::nullopt;
        }
        if (entered == 0) {
            break;
        }
        auto key = readBasic(message, entry[0]);
        auto value = readBusValue(message);
        if (!key || !value || sd_bus_message_exit_container(message) < 0) {
            return std::nullopt;
        }
        object[key->is_string() ? key->get<std::string>() : key->dump()] = std::move(*value);
    }
    if (sd_bus_message_exit_container(message) < 0) {
        return std::nullopt;
    }
    return object;
}

} // namespace

std::optional<nlohmann::json> readBusValue(sd_bus_message* message) {
    char type = 0;
    const char* contents = nullptr;
    if (sd_bus_message_peek_type(message, &type, &contents) <= 0) {
        return std::nullopt;
    }
    switch (type) {
    case SD_BUS_TYPE_ARRAY:
        return readArray(message, contents);
    case SD_BUS_TYPE_VARIANT: {
        if (sd_bus_message_enter_container(message, SD_BUS_TYPE_VARIANT, contents) <= 0) {
            return std::nullopt;
        }
        auto value = readBusValue(message);
        if (!value || sd_bus_message_exit_container(message) < 0) {
            return std::nullopt;
        }
        return value;
    }
    case SD_BUS_TYPE_STRUCT: {
        if (sd_bus_message_enter_container(message, SD_BUS_TYPE_STRUCT, contents) <= 0) {
            return std::nullopt;
        }
        nlohmann::json fields = nlohmann::json::array();
        return readUntilExit(message, fields) ? std::optional(std::move(fields)) : std::nullopt;
    }
    default:
        return readBasic(message, type);
    }
}

} // namespace wirelark
