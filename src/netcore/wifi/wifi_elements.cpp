#include "netcore/wifi/wifi_elements.h"

#include "netcore/wifi/wifi_details.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace wirelark {

namespace {

using Bytes = std::span<const uint8_t>;

constexpr uint8_t kElementSSID = 0;
constexpr uint8_t kElementRSN = 48;
constexpr uint8_t kElementVendor = 221;
constexpr uint16_t kCapabilityPrivacy = 0x0010;

bool isValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        size_t extra;
        uint32_t point;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, point = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, point = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, point = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= extra) {
            return false;
        }
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            point = (point << 6) | (next & 0x3F);
        }
        static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (point < kSmallest[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

struct KeyManagement {
    bool psk = false;
    bool sae = false;
    bool enterprise = false;       // 802.1X with SHA-1 or SHA-256
    bool suiteBEnterprise = false; // the 192-bit suites
    bool owe = false;
};

constexpr std::array<uint8_t, 3> kRsnOui{0x00, 0x0F, 0xAC};
constexpr std::array<uint8_t, 3> kMicrosoftOui{0x00, 0x50, 0xF2};

// Reads the AKM suite list of an RSN or WPA element body and returns the suite types under
// `oui`. Every field after the version may be left out, and a body that ends before the list
// means the default suite (802.1X, type 1); a body cut inside a field is malformed.
std::vector<uint8_t> akmSuites(Bytes body, const std::array<uint8_t, 3>& oui) {
    const std::vector<uint8_t> kDefault{1};
    constexpr size_t kVersion = 2;
    constexpr size_t kSuite = 4;
    auto count = [&](size_t at) { return static_cast<size_t>(body[at] | (body[at + 1] << 8)); };
    size_t offset = kVersion;
    if (body.size() < offset) {
        return {};
    }
    if (body.size() == offset || body.size() == offset + kSuite) {
        return kDefault; // nothing, or only the group cipher, after the version
    }
    offset += kSuite;
    if (body.size() < offset + 2) {
        return {};
    }
    offset += 2 + kSuite * count(offset);
    if (body.size() == offset) {
        return kDefault;
    }
    if (body.size() < offset + 2) {
        return {};
    }
    const size_t akms = count(offset);
    offset += 2;
    std::vector<uint8_t> suites;
    for (size_t i = 0; i < akms && offset + kSuite <= body.size(); ++i, offset += kSuite) {
        if (std::equal(oui.begin(), oui.end(),
                       body.begin() + static_cast<std::ptrdiff_t>(offset))) {
            suites.push_back(body[offset + 3]);
        }
    }
    return suites;
}

int rsnSecurity(Bytes body) {
    KeyManagement keys;
    for (const uint8_t suite : akmSuites(body, kRsnOui)) {
        switch (suite) {
        case 2:  // PSK
        case 4:  // FT-PSK
        case 6:  // PSK-SHA256
        case 19: // FT-PSK-SHA384
        case 20: // PSK-SHA384
            keys.psk = true;
            break;
        case 8:  // SAE
        case 9:  // FT-SAE
        case 24: // SAE with group-dependent hash
        case 25: // FT-SAE with group-dependent hash
            keys.sae = true;
            break;
        case 1: // 802.1X
        case 3: // FT-802.1X
        case 5: // 802.1X-SHA256
            keys.enterprise = true;
            break;
        case 11: // Suite B
        case 12: // Suite B 192-bit
        case 13: // FT-802.1X-SHA384
        case 23: // 802.1X-SHA384
            keys.suiteBEnterprise = true;
            break;
        case 18:
            keys.owe = true;
            break;
        default:
            break;
        }
    }
    if (keys.sae) {
        return keys.psk ? kWiFiSecurityWPA3Transition : kWiFiSecurityWPA3Personal;
    }
    if (keys.psk) {
        return kWiFiSecurityWPA2Personal;
    }
    if (keys.enterprise) {
        return kWiFiSecurityWPA2Enterprise;
    }
    if (keys.suiteBEnterprise) {
        return kWiFiSecurityWPA3Enterprise;
    }
    return keys.owe ? kWiFiSecurityOWE : kWiFiSecurityUnknown;
}

int wpaSecurity(Bytes body) {
    const auto suites = akmSuites(body, kMicrosoftOui);
    if (std::find(suites.begin(), suites.end(), 2) != suites.end()) {
        return kWiFiSecurityWPAPersonal;
    }
    if (std::find(suites.begin(), suites.end(), 1) != suites.end()) {
        return kWiFiSecurityWPAEnterprise;
    }
    return kWiFiSecurityUnknown;
}

// Calls `visit(id, body)` for every whole information element.
template <typename Visitor>
void forEachElement(Bytes elements, Visitor&& visit) {
    size_t offset = 0;
    while (offset + 2 <= elements.size()) {
        const size_t length = elements[offset + 1];
        if (offset + 2 + length > elements.size()) {
            return;
        }
        visit(elements[offset], elements.subspan(offset + 2, length));
        offset += 2 + length;
    }
}

} // namespace

std::optional<std::string> ssidText(Bytes bytes) {
    if (bytes.empty()) {
        return std::nullopt;
    }
    std::string text(bytes.begin(), bytes.end());
    if (isValidUtf8(text)) {
        return text;
    }
    std::string latin1;
    for (const uint8_t byte : bytes) {
        if (byte < 0x80) {
            latin1 += static_cast<char>(byte);
        } else {
            latin1 += static_cast<char>(0xC0 | (byte >> 6));
            latin1 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return latin1;
}

std::optional<std::string> ssidOfElements(Bytes elements) {
    std::optional<std::string> ssid;
    forEachElement(elements, [&](uint8_t id, Bytes body) {
        if (id == kElementSSID && !ssid) {
            ssid = ssidText(body);
        }
    });
    return ssid;
}

int securityOfElements(Bytes elements, uint16_t capability) {
    std::optional<Bytes> rsn;
    std::optional<Bytes> wpa;
    forEachElement(elements, [&](uint8_t id, Bytes body) {
        constexpr uint8_t kWpaType = 1;
        if (id == kElementRSN && !rsn) {
            rsn = body;
        } else if (id == kElementVendor && !wpa && body.size() >= 4 &&
                   std::equal(kMicrosoftOui.begin(), kMicrosoftOui.end(), body.begin()) &&
                   body[3] == kWpaType) {
            wpa = body.subspan(4);
        }
    });
    if (rsn) {
        return rsnSecurity(*rsn);
    }
    if (wpa) {
        return wpaSecurity(*wpa);
    }
    return (capability & kCapabilityPrivacy) ? kWiFiSecurityWEP : kWiFiSecurityNone;
}

} // namespace wirelark
