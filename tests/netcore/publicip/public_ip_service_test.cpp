#include "netcore/publicip/public_ip_provider.h"
#include "netcore/publicip/public_ip_service.h"

#include "loopback_server.h"

#include <gtest/gtest.h>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

constexpr const char* kOk = "HTTP/1.1 200 OK";
constexpr const char* kChunked = "Transfer-Encoding: chunked\r\n";

// Servers on 127.0.0.1 and ::1 (each on its own port) behind one name, "lookup.test".
class PublicIPServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!LoopbackServer::available(IPVersion::v6)) {
            GTEST_SKIP() << "::1 can't be used on this machine, so both families can't be tried";
        }
        v4_.emplace(IPVersion::v4, [this](ServerConnection& c) { c.send(answer(v4Answer_)); });
        v6_.emplace(IPVersion::v6, [this](ServerConnection& c) { c.send(answer(v6Answer_)); });
        resolver_->add("lookup.test", IPVersion::v4, v4_->address());
        resolver_->add("lookup.test", IPVersion::v6, v6_->address());
    }

    std::shared_ptr<FixedResolver> resolver_ = std::make_shared<FixedResolver>();
    HttpClient client_{{.resolver = resolver_}};
    PublicIPService service_{client_};
    // What each server answers; set before each lookup, read on the servers' threads.
    void serve(std::string v4Answer, std::string v6Answer) {
        std::lock_guard guard(lock_);
        v4Answer_ = std::move(v4Answer);
        v6Answer_ = std::move(v6Answer);
    }
    std::string answer(const std::string& which) {
        std::lock_guard guard(lock_);
        return which;
    }

    std::mutex lock_;
    std::string v4Answer_;
    std::string v6Answer_;
    std::optional<LoopbackServer> v4_;
    std::optional<LoopbackServer> v6_;
};

} // namespace

TEST_F(PublicIPServiceTest, EachFamilyExtractsTheAddressOrSaysWhyNot) {
    struct Case {
        std::string response;
        std::string keyPath;
        std::string expected; // the address, or the error text
    };
    const Case cases[] = {
        {httpResponse(kOk, "203.0.113.7"), "", "203.0.113.7"},
        {httpResponse(kOk, "203.0.113.7\n"), "", "203.0.113.7"},
        {httpResponse(kOk, R"({"ip":"203.0.113.1"})"), "", "203.0.113.1"},
        {httpResponse(kOk, R"({"ip_addr":"203.0.113.2"})"), "", "203.0.113.2"},
        {httpResponse(kOk, R"({"address":"203.0.113.3"})"), "", "203.0.113.3"},
        {httpResponse(kOk, R"({"query":"203.0.113.4"})"), "", "203.0.113.4"},
        {httpResponse(kOk, R"({"ipAddress":"2001:db8::5"})"), "", "2001:db8::5"},
        {httpResponse(kOk, R"({"ip":"hidden","origin":"2001:db8::6"})"), "", "2001:db8::6"},
        {httpResponse(kOk, R"({"data":{"address":"2001:db8::7"}})"), "data.address", "2001:db8::7"},
        {httpResponse(kOk, R"({"ip":"203.0.113.8"})"), "data.address",
         "The response has no IP address"},
        {httpResponse(kOk, R"({"data":{"address":2001}})"), "data.address",
         "The response has no IP address"},
        {httpResponse("HTTP/1.1 204 No Content", ""), "", "The response has no IP address"},
        {httpResponse("HTTP/1.1 301 Moved Permanently", "", "Location: /elsewhere\r\n"), "",
         "The server answered HTTP 301"},
        {httpResponse("HTTP/1.1 403 Forbidden", "203.0.113.9"), "", "The server answered HTTP 403"},
        {httpResponse("HTTP/1.1", "203.0.113.9"), "", "The server answered HTTP 0"},
        {httpResponse(kOk, "b\r\n203.0.113.9\r\n0\r\n\r\n", kChunked), "", "203.0.113.9"},
        {httpResponse(kOk, "b;source=edge\r\n203.0.113.9\r\n0\r\n\r\n", kChunked), "",
         "203.0.113.9"},
        {httpResponse(kOk, "b\r\n203.0.113.9\r\n0\r\n\r\n", "TRANSFER-ENCODING: Chunked\r\n"), "",
         "203.0.113.9"},
        {httpResponse(kOk, "xyz\r\n203.0.113.9\r\n0\r\n\r\n", kChunked), "",
         "The server's response couldn't be read"},
        {httpResponse(kOk, "20\r\n203.0.113.9", kChunked), "",
         "The server's response couldn't be read"},
        {"not http at all", "", "The server's response couldn't be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.response);
        serve(c.response, c.response);
        for (const auto family : {IPVersion::v4, IPVersion::v6}) {
            const auto result = service_.lookupFamily("http://lookup.test/ip", c.keyPath, family);
            EXPECT_EQ(result ? result.value() : describe(result.error()), c.expected);
        }
    }
    EXPECT_EQ(v4_->requests().size(), std::size(cases));
    EXPECT_EQ(v6_->requests().size(), std::size(cases));
}

TEST_F(PublicIPServiceTest, CombinesTheFamilies) {
    struct Case {
        const char* name;
        std::string v4Answer;
        std::string v6Answer;
        PublicIPResult expected;
    };
    const std::string forbidden = httpResponse("HTTP/1.1 403 Forbidden", "");
    const std::string broken = httpResponse("HTTP/1.1 500 Broken", "");
    const Case cases[] = {
        {"both",
         httpResponse(kOk, "203.0.113.7"),
         httpResponse(kOk, "2001:db8::7"),
         {"203.0.113.7", "2001:db8::7", std::nullopt}},
        {"only IPv4",
         httpResponse(kOk, "203.0.113.7"),
         broken,
         {"203.0.113.7", std::nullopt, std::nullopt}},
        {"only IPv6",
         forbidden,
         httpResponse(kOk, "2001:db8::7"),
         {std::nullopt, "2001:db8::7", std::nullopt}},
        {"neither",
         forbidden,
         broken,
         {std::nullopt, std::nullopt, "The server answered HTTP 403"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        serve(c.v4Answer, c.v6Answer);
        EXPECT_EQ(service_.lookup("http://lookup.test/ip", ""), c.expected);
    }
}

TEST_F(PublicIPServiceTest, AFamilyWithoutAnyRouteLeavesOnlyTheOther) {
    auto v4Only = std::make_shared<FixedResolver>();
    v4Only->add("lookup.test", IPVersion::v4, v4_->address());
    const HttpClient client({.resolver = v4Only});
    serve(httpResponse(kOk, "203.0.113.7\n"), "");
    EXPECT_EQ(PublicIPService(client).lookup("http://lookup.test/ip", ""),
              (PublicIPResult{"203.0.113.7", std::nullopt, std::nullopt}));

    const HttpClient nowhere({.resolver = std::make_shared<FixedResolver>()});
    EXPECT_EQ(PublicIPService(nowhere).lookup("http://lookup.test/ip", ""),
              (PublicIPResult{std::nullopt, std::nullopt, "No address is known for lookup.test"}));
    EXPECT_EQ(service_.lookup("ftp://lookup.test/ip", "").error, "The lookup URL isn't valid");
}

TEST_F(PublicIPServiceTest, CancellingEndsBothFamilies) {
    LoopbackServer silentV4(IPVersion::v4, [](ServerConnection& c) { c.waitForClose(); });
    LoopbackServer silentV6(IPVersion::v6, [](ServerConnection& c) { c.waitForClose(); });
    auto resolver = std::make_shared<FixedResolver>();
    resolver->add("lookup.test", IPVersion::v4, silentV4.address());
    resolver->add("lookup.test", IPVersion::v6, silentV6.address());
    const HttpClient client({.resolver = resolver});
    Cancellation cancellation;
    std::optional<PublicIPResult> result;
    {
        const std::jthread lookup([&] {
            result = PublicIPService(client).lookup("http://lookup.test/ip", "", &cancellation);
        });
        ASSERT_TRUE(eventually(
            [&] { return !silentV4.requests().empty() && !silentV6.requests().empty(); }));
        cancellation.cancel();
    }
    EXPECT_EQ(*result, (PublicIPResult{std::nullopt, std::nullopt, "The lookup was cancelled."}));
}

TEST(PublicIPResult, AsJsonLeavesOutAbsentMembers) {
    EXPECT_EQ(toJson({"203.0.113.7", "2001:db8::7", std::nullopt}).dump(),
              R"({"ipv4":"203.0.113.7","ipv6":"2001:db8::7"})");
    EXPECT_EQ(toJson({std::nullopt, "2001:db8::7", std::nullopt}).dump(),
              R"({"ipv6":"2001:db8::7"})");
    EXPECT_EQ(toJson({std::nullopt, std::nullopt, "The server answered HTTP 403"}).dump(),
              R"({"error":"The server answered HTTP 403"})");
}

TEST(PublicIPProvider, NamesAndUrls) {
    EXPECT_EQ(kPublicIPProviders.size(), 3u);
    for (const auto provider : kPublicIPProviders) {
        EXPECT_EQ(publicIPProviderFromRawValue(rawValue(provider)), provider);
        if (provider == PublicIPProvider::custom) {
            EXPECT_EQ(title(provider), "Custom URL");
            EXPECT_FALSE(url(provider).has_value());
            continue;
        }
        const auto parsed = parseUrl(*url(provider));
        ASSERT_TRUE(parsed.has_value());
        EXPECT_TRUE(parsed->isHttps());
        EXPECT_EQ(parsed->host, title(provider));
        EXPECT_EQ(parsed->path, "/ip");
    }
    EXPECT_EQ(rawValue(PublicIPProvider::serviceA), "serviceA");
    EXPECT_EQ(rawValue(PublicIPProvider::serviceB), "serviceB");
    EXPECT_EQ(rawValue(PublicIPProvider::custom), "custom");
    EXPECT_FALSE(publicIPProviderFromRawValue("ServiceA").has_value());
}
