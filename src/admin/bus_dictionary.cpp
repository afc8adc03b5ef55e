#include "admin/bus_dictionary.h"

#include <type_traits>

namespace wirelark {

namespace {

int appendValue(sd_bus_message* message, const BusDictionaryValue& value) {
    return std::visit(
        [message](const auto& content) {
            using T = std::decay_t<decltype(content)>;
            if constexpr (std::is_same_v<T, bool>) {
                return sd_bus_message_append(message, "v", "b", static_cast<int>(content));
            } else if constexpr (std::is_same_v<T, int32_t>) {
                return sd_bus_message_append(message, "v", "i", content);
            } else if constexpr (std::is_same_v<T, int64_t>) {
                return sd_bus_message_append(message, "v", "x", content);
            } else {
                return sd_bus_message_append(message, "v", "s", content.c_str());
            }
        },
        value);
}

// Reads the variant at the read position into `value`, or skips it when it holds another type.
// False when the message cannot be read on.
bool readValue(sd_bus_message* message, std::optional<BusDictionaryValue>& value) {
    const char* contents = nullptr;
    if (sd_bus_message_peek_type(message, nullptr, &contents) <= 0 || contents == nullptr) {
        return false;
    }
    const std::string_view signature = contents;
    if (signature != "b" && signature != "i" && signature != "x" && signature != "s") {
        return sd_bus_message_skip(message, "v") >= 0;
    }
    if (sd_bus_message_enter_container(message, SD_BUS_TYPE_VARIANT, contents) <= 0) {
        return false;
    }
    union {
        int boolean;
        int32_t i32;
        int64_t i64;
        const char* text;
    } content{};
    if (sd_bus_message_read_basic(message, signature[0], &content) <= 0) {
        return false;
    }
    switch (signature[0]) {
    case SD_BUS_TYPE_BOOLEAN:
        value = content.boolean != 0;
        break;
    case SD_BUS_TYPE_INT32:
        value = content.i32;
        break;
    case SD_BUS_TYPE_INT64:
        value = content.i64;
        break;
    default:
        value = std::string(content.text);
    }
    return sd_bus_message_exit_container(message) >= 0;
}

} // namespace

int appendDictionary(sd_bus_message* message, const BusDictionary& dictionary) {
    int result = sd_bus_message_open_container(message, SD_BUS_TYPE_ARRAY, "{sv}");
    for (auto entry = dictionary.begin(); result >= 0 && entry != dictionary.end(); ++entry) {
        result = sd_bus_message_open_container(message, SD_BUS_TYPE_DICT_ENTRY, "sv");
        if (result >= 0) {
            result = sd_bus_message_append_basic(message, SD_BUS_TYPE_STRING, entry->first.c_str());
        }
        if (result >= 0) {
            result = appendValue(message, entry->second);
        }
        if (result >= 0) {
            result = sd_bus_message_close_container(message);
        }
    }
    return result < 0 ? result : sd_bus_message_close_container(message);
}

int appendDictionaries(sd_bus_message* message, const std::vector<BusDictionary>& dictionaries) {
    int result = sd_bus_message_open_container(message, SD_BUS_TYPE_ARRAY, "a{sv}");
    for (auto dictionary = dictionaries.begin(); result >= 0 && dictionary != dictionaries.end();
         ++dictionary) {
        result = appendDictionary(message, *dictionary);
    }
    return result < 0 ? result : sd_bus_message_close_container(message);
}

std::optional<BusDictionary> readDictionary(sd_bus_message* message) {
    if (sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "{sv}") <= 0) {
        return std::nullopt;
    }
    BusDictionary dictionary;
    for (;;) {
        const int entered = sd_bus_message_enter_container(message, SD_BUS_TYPE_DICT_ENTRY, "sv");
        if (entered < 0) {
            return std::nullopt;
        }
        if (entered == 0) {
            break;
        }
        const char* key = nullptr;
        std::optional<BusDictionaryValue> value;
        if (sd_bus_message_read_basic(message, SD_BUS_TYPE_STRING, &key) <= 0 ||
            !readValue(message, value) || sd_bus_message_exit_container(message) < 0) {
            return std::nullopt;
        }
        if (value) {
            dictionary.insert_or_assign(key, std::move(*value));
        } else {
            dictionary.erase(key);
        }
    }
    if (sd_bus_message_exit_container(message) < 0) {
        return std::nullopt;
    }
    return dictionary;
}

std::vector<BusDictionary> readDictionaries(sd_bus_message* message) {
    std::vector<BusDictionary> dictionaries;
    if (sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "a{sv}") <= 0) {
        return dictionaries;
    }
    while (auto dictionary = readDictionary(message)) {
        dictionaries.push_back(std::move(*dictionary));
    }
    sd_bus_message_exit_container(message);
    return dictionaries;
}

} // namespace wirelark
