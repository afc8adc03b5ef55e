#include "netcore/http/http_client.h"

#include "loopback_server.h"
#include "test_pki.h"

#include <gtest/gtest.h>

#include <thread>

using namespace wirelark;
using namespace wirelark::testing;
using namespace std::chrono_literals;

namespace {

constexpr auto kShortLimit = 300ms;

std::string text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

Responder reply(std::string response) {
    return [response = std::move(response)](ServerConnection& c) { c.send(response); };
}

constexpr const char* kChunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

// Sends head, then piece after piece until the client goes away.
Responder endless(std::string head, std::string_view piece) {
    std::string block;
    while (block.size() < 65'536) {
        block += piece;
    }
    return [head = std::move(head), block = std::move(block)](ServerConnection& c) {
        c.send(head);
        while (c.send(block)) {
        }
    };
}

bool failedWith(const HttpResult<Bytes>& result, HttpError::Code code) {
    return !result && result.error().code() == code;
}

class HttpClientFamily : public ::testing::TestWithParam<IPVersion> {
protected:
    void SetUp() override {
        if (!LoopbackServer::available(family())) {
            GTEST_SKIP() << "::1 can't be used on this machine, so the IPv6 case is skipped";
        }
    }
    IPVersion family() const { return GetParam(); }
    std::string hostHeader() const { return family() == IPVersion::v4 ? "127.0.0.1" : "[::1]"; }
};

INSTANTIATE_TEST_SUITE_P(Loopback, HttpClientFamily,
                         ::testing::Values(IPVersion::v4, IPVersion::v6), [](const auto& info) {
                             return info.param == IPVersion::v4 ? "IPv4" : "IPv6";
                         });

} // namespace

TEST_P(HttpClientFamily, SendsExactlyTheRequestAndReturnsTheBody) {
    LoopbackServer server(family(), reply("HTTP/1.1 200 OK\r\n\r\n203.0.113.7\n"));
    const HttpClient client;

    const auto withQuery = client.fetch(server.url("/ip?format=text"), family());
    ASSERT_TRUE(withQuery.has_value()) << withQuery.error().description();
    EXPECT_EQ(text(withQuery.value()), "203.0.113.7\n");
    ASSERT_TRUE(client.fetch(server.url(""), family()).has_value());

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    const std::string headers = " HTTP/1.1\r\nHost: " + hostHeader() +
                                "\r\nUser-Agent: Wirelark\r\nAccept: */*\r\n"
                                "Connection: close\r\n\r\n";
    EXPECT_EQ(requests[0], "GET /ip?format=text" + headers);
    EXPECT_EQ(requests[1], "GET /" + headers);
}

TEST_P(HttpClientFamily, StopsReadingPastAMillionBytes) {
    const std::string head = "HTTP/1.1 200 OK\r\n\r\n";
    LoopbackServer server(family(), [&](ServerConnection& c) {
        const std::string block(65'536, 'x');
        c.send(head);
        for (int i = 0; i < 40 && c.send(block); ++i) {
        }
    });
    const auto result = HttpClient().fetch(server.url("/"), family());
    ASSERT_TRUE(result.has_value()) << result.error().description();
    EXPECT_GT(result.value().size() + head.size(), HttpClient::kResponseLimit);
    EXPECT_LE(result.value().size() + head.size(), HttpClient::kResponseLimit + 65'536);
}

TEST_P(HttpClientFamily, HostileServersStayWithinTheLimits) {
    struct Case {
        const char* name;
        Responder responder;
        bool timesOut;
    };
    const Case cases[] = {
        {"endless headers", endless("HTTP/1.1 200 OK\r\n", "X-Filler: aaaaaaaaaaaaaaaa\r\n"),
         false},
        {"endless chunks", endless(kChunkedHead, "1\r\nx\r\n"), false},
        {"endless chunk size", endless(kChunkedHead, "f"), false},
        {"slow drip",
         [](ServerConnection& c) {
             for (const char byte : std::string("HTTP/1.1 200 OK\r\nX-Slow: yes")) {
                 if (!c.send(std::string(1, byte)) || c.waitForClose(20ms)) {
                     return;
                 }
             }
             c.waitForClose();
         },
         true},
        {"no answer", [](ServerConnection& c) { c.waitForClose(); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(family(), c.responder);
        const HttpClient client({.timeout = c.timesOut ? kShortLimit : 15'000ms});
        const auto result = client.fetch(server.url("/ip"), family());
        if (c.timesOut) {
            EXPECT_TRUE(failedWith(result, HttpError::Code::timedOut));
            // The client closed its socket when it gave up.
            EXPECT_TRUE(eventually([&] { return server.clientCloses() == 1; }));
        } else if (result.has_value()) {
            EXPECT_LE(result.value().size(), HttpClient::kResponseLimit + 65'536);
        } else {
            EXPECT_EQ(result.error(), HttpError::malformed()) << result.error().description();
        }
    }
}

TEST_P(HttpClientFamily, ReportsClosedAndRefusedConnections) {
    LoopbackServer closing(family(), [](ServerConnection&) {});
    const auto closed = HttpClient().fetch(closing.url("/ip"), family());
    ASSERT_FALSE(closed.has_value());
    EXPECT_EQ(closed.error(), HttpError::malformed()) << closed.error().description();

    std::string refusedUrl;
    {
        LoopbackServer gone(family(), [](ServerConnection&) {});
        refusedUrl = gone.url("/ip");
    }
    const auto refused = HttpClient().fetch(refusedUrl, family());
    ASSERT_TRUE(failedWith(refused, HttpError::Code::connection));
    EXPECT_NE(refused.error().detail().find("Connection refused"), std::string::npos)
        << refused.error().detail();
}

TEST_P(HttpClientFamily, CancellationFromAnotherThreadEndsTheFetchAndClosesTheSocket) {
    LoopbackServer server(family(), [](ServerConnection& c) { c.waitForClose(); });
    const HttpClient client; // the full limit: only cancellation can end this fetch early
    Cancellation cancellation;
    std::optional<HttpResult<Bytes>> result;
    {
        const std::jthread fetching(
            [&] { result.emplace(client.fetch(server.url("/ip"), family(), &cancellation)); });
        ASSERT_TRUE(eventually([&] { return server.requests().size() == 1; }));
        cancellation.cancel();
        cancellation.cancel();
    }
    EXPECT_TRUE(failedWith(*result, HttpError::Code::cancelled));
    EXPECT_TRUE(eventually([&] { return server.clientCloses() == 1; }));

    // Once cancelled, a fetch does not even connect.
    EXPECT_TRUE(failedWith(client.fetch(server.url("/ip"), family(), &cancellation),
                           HttpError::Code::cancelled));
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(HttpClient, ShipsWithTheFifteenSecondLimit) {
    EXPECT_EQ(HttpClientOptions().timeout, 15'000ms);
}

TEST(HttpClient, ForcedFamilyReachesOnlyThatFamilysServer) {
    if (!LoopbackServer::available(IPVersion::v6)) {
        GTEST_SKIP() << "::1 can't be used on this machine, so there is no second family";
    }
    LoopbackServer v4(IPVersion::v4, reply("HTTP/1.1 200 OK\r\n\r\nfour"));
    LoopbackServer v6(IPVersion::v6, reply("HTTP/1.1 200 OK\r\n\r\nsix"));
    auto resolver = std::make_shared<FixedResolver>();
    resolver->add("lookup.test", IPVersion::v4, v4.address());
    resolver->add("lookup.test", IPVersion::v6, v6.address());
    const HttpClient client({.resolver = resolver});

    EXPECT_EQ(text(client.fetch("http://lookup.test/ip", IPVersion::v6).value()), "six");
    EXPECT_EQ(text(client.fetch("http://lookup.test/ip", IPVersion::v4).value()), "four");
    EXPECT_EQ(resolver->asked(), (std::vector{IPVersion::v6, IPVersion::v4}));
    EXPECT_EQ(v4.requests().size(), 1u);
    EXPECT_EQ(v6.requests().size(), 1u);

    // With the system resolver an address literal of the other family has no address at all.
    const HttpClient system;
    const auto wrongFamily = system.fetch(v4.url("/ip"), IPVersion::v6);
    ASSERT_FALSE(wrongFamily.has_value());
    EXPECT_EQ(wrongFamily.error(), HttpError::connection("No IPv6 address is known for 127.0.0.1"));
    EXPECT_FALSE(system.fetch(v6.url("/ip"), IPVersion::v4).has_value());
}

TEST(HttpClient, TriesEveryAddressOfTheFamilyInOrder) {
    LoopbackServer server(IPVersion::v4, reply("HTTP/1.1 200 OK\r\n\r\nsecond"));
    SocketAddress refused;
    {
        LoopbackServer gone(IPVersion::v4, [](ServerConnection&) {});
        refused = gone.address();
    }
    auto resolver = std::make_shared<FixedResolver>();
    resolver->add("lookup.test", IPVersion::v4, refused);
    resolver->add("lookup.test", IPVersion::v4, server.address());
    const auto result =
        HttpClient({.resolver = resolver}).fetch("http://lookup.test/", IPVersion::v4);
    ASSERT_TRUE(result.has_value()) << result.error().description();
    EXPECT_EQ(text(result.value()), "second");
}

TEST(HttpClient, RejectsBadUrlsWithoutConnecting) {
    auto resolver = std::make_shared<FixedResolver>();
    const HttpClient client({.resolver = resolver});
    for (const char* url : {"ftp://lookup.test/ip", "HTTP://lookup.test/ip", "lookup.test/ip",
                            "http://lookup.test:70000/ip"}) {
        const auto result = client.fetch(url, IPVersion::v4);
        ASSERT_FALSE(result.has_value());
        EXPECT_EQ(result.error(), HttpError::badURL()) << url;
    }
    EXPECT_TRUE(resolver->asked().empty());
}

TEST(HttpClient, TrustsOnlyCertificatesThatPassEveryCheck) {
    const TestAuthority authority("Wirelark test authority");
    const TestAuthority stranger("Unknown test authority");
    const std::string trustFile = ::testing::TempDir() + "wirelark-test-authority.pem";
    authority.writePem(trustFile);

    struct Case {
        const char* name;
        TestCertificate certificate;
        const char* url;
        const char* error; // part of the error text; null when the fetch must succeed
    };
    Case cases[] = {
        {"valid", authority.issue({.dnsNames = {"lookup.test"}}), "https://lookup.test/ip",
         nullptr},
        {"valid address", authority.issue({.ipAddresses = {"127.0.0.1"}}), nullptr, nullptr},
        {"wrong host", authority.issue({.dnsNames = {"other.test"}}), "https://lookup.test/ip",
         "hostname mismatch"},
        {"wrong address", authority.issue({.ipAddresses = {"127.0.0.2"}}), nullptr,
         "IP address mismatch"},
        {"expired",
         authority.issue({.dnsNames = {"lookup.test"}, .notBefore = -172800, .notAfter = -86400}),
         "https://lookup.test/ip", "certificate has expired"},
        {"not yet valid", authority.issue({.dnsNames = {"lookup.test"}, .notBefore = 86400}),
         "https://lookup.test/ip", "certificate is not yet valid"},
        {"self-signed", selfSignedCertificate({.dnsNames = {"lookup.test"}}),
         "https://lookup.test/ip", "self-signed certificate"},
        {"unknown authority", stranger.issue({.dnsNames = {"lookup.test"}}),
         "https://lookup.test/ip", "unable to get local issuer certificate"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(
            IPVersion::v4, reply("HTTP/1.1 200 OK\r\n\r\n203.0.113.7"),
            TlsIdentity{c.certificate.certificate.get(), c.certificate.key.get()});
        auto resolver = std::make_shared<FixedResolver>();
        resolver->add("lookup.test", IPVersion::v4, server.address());
        resolver->add("127.0.0.1", IPVersion::v4, server.address());
        const HttpClient client({.trustAnchorsFile = trustFile, .resolver = resolver});
        const std::string url = c.url ? c.url : server.url("/ip", "https");
        const auto result = client.fetch(url, IPVersion::v4);
        if (c.error == nullptr) {
            ASSERT_TRUE(result.has_value()) << result.error().description();
            EXPECT_EQ(text(result.value()), "203.0.113.7");
            // A name travels in SNI, an address never does.
            EXPECT_EQ(server.lastServerName(), c.url ? "lookup.test" : "");
            continue;
        }
        ASSERT_FALSE(result.has_value());
        ASSERT_EQ(result.error().code(), HttpError::Code::connection);
        const auto& message = result.error().detail();
        EXPECT_NE(message.find("The server's certificate isn't trusted"), std::string::npos)
            << message;
        EXPECT_NE(message.find(c.error), std::string::npos) << message;
        EXPECT_TRUE(server.requests().empty());
    }

    // Without the test authority, the system store does not know this server.
    const auto valid = authority.issue({.ipAddresses = {"127.0.0.1"}});
    LoopbackServer server(IPVersion::v4, reply("HTTP/1.1 200 OK\r\n\r\n203.0.113.7"),
                          TlsIdentity{valid.certificate.get(), valid.key.get()});
    EXPECT_FALSE(HttpClient().fetch(server.url("/ip", "https"), IPVersion::v4).has_value());
}

TEST(HttpClient, SpeaksTlsOverIPv6) {
    if (!LoopbackServer::available(IPVersion::v6)) {
        GTEST_SKIP() << "::1 can't be used on this machine, so the IPv6 case is skipped";
    }
    const TestAuthority authority("Wirelark test authority");
    const std::string trustFile = ::testing::TempDir() + "wirelark-test-authority-v6.pem";
    authority.writePem(trustFile);
    const auto certificate = authority.issue({.ipAddresses = {"::1"}});
    LoopbackServer server(IPVersion::v6, reply("HTTP/1.1 200 OK\r\n\r\n2001:db8::7"),
                          TlsIdentity{certificate.certificate.get(), certificate.key.get()});
    const auto result = HttpClient({.trustAnchorsFile = trustFile})
                            .fetch(server.url("/ip", "https"), IPVersion::v6);
    ASSERT_TRUE(result.has_value()) << result.error().description();
    EXPECT_EQ(text(result.value()), "2001:db8::7");
    EXPECT_EQ(server.requests().at(0).substr(0, 33), "GET /ip HTTP/1.1\r\nHost: [::1]\r\nUs");
}

TEST(HttpClient, AnUnreadableTrustFileFailsEveryHttpsFetch) {
    const HttpClient client({.trustAnchorsFile = "/nonexistent/authority.pem"});
    const auto result = client.fetch("https://127.0.0.1:1/ip", IPVersion::v4);
    ASSERT_FALSE(result.has_value());
    EXPECT_NE(result.error().detail().find("The trusted certificates couldn't be loaded"),
              std::string::npos);
}
