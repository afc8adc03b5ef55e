// Links no OpenSSL: the servers run in a process of their own, so that what this process maps
// is only what the client loaded.

#include "netcore/http/http_client.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

extern char** environ;

using namespace wirelark;
using namespace wirelark::testing;

namespace {

bool mapped(const std::string& library) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("/" + library) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The servers' process: started with its standard input and output on pipes, ended by closing
// its input.
class LoopbackServers {
public:
    explicit LoopbackServers(const std::string& authorityFile) {
        std::array<int, 2> input{};
        std::array<int, 2> output{};
        if (pipe2(input.data(), O_CLOEXEC) != 0 || pipe2(output.data(), O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        const std::string program = WIRELARK_LOOPBACK_SERVERS;
        char* const argv[] = {const_cast<char*>(program.c_str()),
                              const_cast<char*>(authorityFile.c_str()), nullptr};
        if (posix_spawn(&child_, program.c_str(), &actions, nullptr, argv, environ) != 0) {
            child_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(input[0]);
        close(output[1]);
        input_ = input[1];
        if (FILE* ports = fdopen(output[0], "r")) {
            if (std::fscanf(ports, "%hu %hu", &httpPort_, &httpsPort_) != 2) {
                httpPort_ = httpsPort_ = 0;
            }
            std::fclose(ports);
        }
    }
    ~LoopbackServers() {
        close(input_);
        if (child_ > 0) {
            waitpid(child_, nullptr, 0);
        }
    }
    LoopbackServers(const LoopbackServers&) = delete;
    LoopbackServers& operator=(const LoopbackServers&) = delete;

    bool running() const { return httpsPort_ != 0; }
    std::string url(const char* scheme, uint16_t port) const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + "/";
    }
    std::string httpURL() const { return url("http", httpPort_); }
    std::string httpsURL() const { return url("https", httpsPort_); }

private:
    pid_t child_ = -1;
    int input_ = -1;
    uint16_t httpPort_ = 0;
    uint16_t httpsPort_ = 0;
};

class TlsOnDemandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(mapped("libssl.so")) << "the test itself must not link OpenSSL";
        if (!servers_.running()) {
            GTEST_SKIP() << "the loopback servers did not start (no IPv4 loopback here?)";
        }
    }

    std::string body(const HttpResult<Bytes>& fetched) {
        EXPECT_TRUE(fetched) << fetched.error().description();
        return fetched ? std::string(fetched->begin(), fetched->end()) : std::string();
    }

    TempDir folder_;
    const std::string authorityFile_ = (folder_.path() / "authority.pem").string();
    LoopbackServers servers_{authorityFile_};
    const HttpClient client_{{.trustAnchorsFile = authorityFile_}};
};

TEST_F(TlsOnDemandTest, AnHttpFetchLoadsNoOpenSsl) {
    EXPECT_EQ(body(client_.fetch(servers_.httpURL(), IPVersion::v4)), "served");
    EXPECT_FALSE(mapped("libssl.so"));
    EXPECT_FALSE(mapped("libcrypto.so"));
}

TEST_F(TlsOnDemandTest, TheFirstHttpsFetchLoadsOpenSslAndSucceeds) {
    EXPECT_EQ(body(client_.fetch(servers_.httpsURL(), IPVersion::v4)), "served");
    EXPECT_TRUE(mapped("libssl.so"));
    EXPECT_EQ(body(client_.fetch(servers_.httpsURL(), IPVersion::v4)), "served");
}

} // namespace
