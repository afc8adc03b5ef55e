#include "command_output.h"
#include "loopback_server.h"

#include <gtest/gtest.h>

#include <string>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

CommandOutput runCli(const std::string& arguments) {
    // No user's settings: a folder that does not exist holds none.
    return runCapturing("XDG_CONFIG_HOME=/nonexistent/wirelark-test " + std::string(WIRELARK_CLI) +
                        " public-ip " + arguments + " 2>&1");
}

} // namespace

// The URL names 127.0.0.1, so only the IPv4 lookup can reach the server.
TEST(PublicIPCommand, PrintsTheAddressesOrTheErrorAndExitsAccordingly) {
    std::string answer;
    std::mutex lock;
    LoopbackServer server(IPVersion::v4, [&](ServerConnection& c) {
        std::lock_guard guard(lock);
        c.send(answer);
    });
    const auto serve = [&](std::string response) {
        std::lock_guard guard(lock);
        answer = std::move(response);
    };
    const std::string url = "--url " + server.url("/ip");

    serve(httpResponse("HTTP/1.1 200 OK", "203.0.113.7\n"));
    auto run = runCli(url);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "IPv4: 203.0.113.7\nIPv6: none\n");

    run = runCli(url + " --json");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "{\n  \"ipv4\": \"203.0.113.7\"\n}\n");

    serve(httpResponse("HTTP/1.1 200 OK",
                       R"({"ip":"203.0.113.9","data":{"address":"203.0.113.8"}})"));
    run = runCli(url + " --key-path data.address --json");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "{\n  \"ipv4\": \"203.0.113.8\"\n}\n");

    serve(httpResponse("HTTP/1.1 403 Forbidden", ""));
    run = runCli(url);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "IPv4: none\nIPv6: none\nError: The server answered HTTP 403\n");

    run = runCli(url + " --json");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "{\n  \"error\": \"The server answered HTTP 403\"\n}\n");
}

TEST(PublicIPCommand, RejectsUnknownOptionsAndBadUrls) {
    auto run = runCli("--colour");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("usage: wirelark-cli public-ip"), std::string::npos);
    EXPECT_EQ(runCli("--url").status, 2);

    run = runCli("--url ftp://127.0.0.1/ip --json");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "{\n  \"error\": \"The lookup URL isn't valid\"\n}\n");
}
