#include "netcore/publicip/public_ip_address.h"

#include <gtest/gtest.h>

using namespace wirelark;

namespace {

std::optional<std::string> extract(std::string_view body, std::string_view keyPath = "") {
    return extractPublicIPAddress(
        std::span(reinterpret_cast<const uint8_t*>(body.data()), body.size()), keyPath);
}

} // namespace

TEST(PublicIPAddress, ValidatesIPv4AndIPv6Text) {
    const std::pair<std::string_view, bool> cases[] = {
        {"203.0.113.7", true},
        {"0.0.0.0", true},
        {"2001:db8::1", true},
        {"::1", true},
        {"::ffff:192.0.2.1", true},
        {"ffff:ffff:ffff:ffff:ffff:ffff:255.255.255.255", true},
        {"", false},
        {"256.1.1.1", false},
        {"1.2.3", false},
        {"1.2.3.4 ", false},
        {"01.2.3.4", false},
        {"2001:db8::1::2", false},
        {"fe80::1%eth0", false},
        {"example.com", false},
        {std::string_view("1.2.3.4\0junk", 12), false},
    };
    for (const auto& [text, valid] : cases) {
        EXPECT_EQ(isValidIPAddress(text), valid) << text;
    }
}

TEST(PublicIPAddress, TakesTheTrimmedBodyOrAStringInJson) {
    struct Case {
        std::string_view body;
        std::string_view keyPath;
        std::optional<std::string> address;
    };
    const Case cases[] = {
        {"203.0.113.7", "", "203.0.113.7"},
        {"203.0.113.7\n", "", "203.0.113.7"},
        {" \t2001:db8::7\r\n", "", "2001:db8::7"},
        {"203.0.113.7", "data.address", "203.0.113.7"},
        {"", "", std::nullopt},
        {"not an address", "", std::nullopt},
        {R"({"ip":"203.0.113.7"})", "", "203.0.113.7"},
        {R"({"ip_addr":"203.0.113.8"})", "", "203.0.113.8"},
        {R"({"address":"203.0.113.9"})", "", "203.0.113.9"},
        {R"({"query":"2001:db8::a"})", "", "2001:db8::a"},
        {R"({"ipAddress":"2001:db8::b"})", "", "2001:db8::b"},
        {R"({"origin":"2001:db8::c"})", "", "2001:db8::c"},
        {R"({"origin":"2001:db8::c","ip":"unknown"})", "", "2001:db8::c"},
        {R"({"ip":7,"ip_addr":["1.2.3.4"],"query":"1.2.3.5"})", "", "1.2.3.5"},
        {R"({"ip":" 1.2.3.4"})", "", std::nullopt},
        {R"({"IP":"1.2.3.4"})", "", std::nullopt},
        {R"(["1.2.3.4"])", "", std::nullopt},
        {R"("1.2.3.4")", "", std::nullopt},
        {R"({"data":{"address":"2001:db8::d"}})", "data.address", "2001:db8::d"},
        {R"({"data":{"address":"2001:db8::d"}})", ".data..address.", "2001:db8::d"},
        {R"({"ip":"1.2.3.4"})", "data.address", std::nullopt},
        {R"({"data":{"address":7}})", "data.address", std::nullopt},
        {R"({"data":{"address":"1.2.3.4 "}})", "data.address", std::nullopt},
        {R"({"data":["1.2.3.4"]})", "data.0", std::nullopt},
        {R"({"data":"1.2.3.4"})", "data.address", std::nullopt},
        {R"({"ip":"1.2.3.4"})", "...", std::nullopt},
        {R"({"ip":"1.2.3.4")", "", std::nullopt},
        {"{\"ip\":\"1.2.3.4\"}\xff", "", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.body) + " @ " + std::string(c.keyPath));
        EXPECT_EQ(extract(c.body, c.keyPath), c.address);
    }
}
