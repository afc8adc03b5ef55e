#include "app/admin/keyring_token_store.h"
#include "app/admin/token_file.h"

#include "netcore/dbus/dbus_connection.h"
#include "private_bus.h"
#include "temp_dir.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using namespace wirelark;
using namespace wirelark::testing;

namespace {

std::string contents(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

mode_t permissions(const std::filesystem::path& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0);
    return status.st_mode & 07777;
}

TEST(TokenFileTest, KeepsTheTokenForItsUserAloneAndReplacesItWhole) {
    const TempDir folder;
    const auto path = folder.path() / "Wirelark" / "admin-token";
    TokenFile tokens(path);
    EXPECT_EQ(tokens.read(), std::nullopt) << "no file yet";

    // A wide umask must not widen the file.
    const mode_t previous = umask(0);
    EXPECT_TRUE(tokens.write("first-token"));
    umask(previous);
    EXPECT_EQ(permissions(path), 0600);
    EXPECT_EQ(contents(path), "first-token");
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    EXPECT_TRUE(tokens.write("second"));
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "a new file renamed into place";
    EXPECT_EQ(tokens.read(), "second");
    EXPECT_EQ(permissions(path), 0600);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path.parent_path()),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file left behind";

    tokens.remove();
    EXPECT_EQ(tokens.read(), std::nullopt);
    tokens.remove();

    // A folder that cannot be made: the token is not kept, and the caller is told.
    EXPECT_FALSE(TokenFile("/proc/self/nonexistent/admin-token").write("third"));
}

TEST(TokenFileTest, SitsNextToTheHistoryUnderTheDataHome) {
    const TempDir folder;
    setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
    EXPECT_EQ(TokenFile::defaultPath(), folder.path() / "Wirelark" / "admin-token");
}

// A session bus of the test's own, with a gnome-keyring-daemon serving the Secret Service on it
// from an unlocked login keyring in a home folder of its own.
class KeyringTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        bus_ = PrivateBus::start(why);
        if (!bus_) {
            GTEST_SKIP() << why;
        }
        bus_->becomeSessionBus();
        const std::filesystem::path runtime = home_.path() / "run";
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        setenv("HOME", home_.path().c_str(), 1);
        setenv("XDG_DATA_HOME", (home_.path() / "data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }

    void TearDown() override {
        if (keyring_ > 0) {
            kill(keyring_, SIGTERM);
            waitpid(keyring_, nullptr, 0);
        }
        bus_.reset();
    }

    // False when gnome-keyring-daemon cannot run here.
    bool startKeyring() {
        int input[2];
        if (pipe2(input, O_CLOEXEC) != 0) {
            return false;
        }
        keyring_ = fork();
        if (keyring_ == 0) {
            dup2(input[0], 0);
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, 1);
            dup2(quiet, 2);
            execlp("gnome-keyring-daemon", "gnome-keyring-daemon", "--unlock", "--foreground",
                   "--components=secrets", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(input[0]);
        // The login keyring's password, read once to create and unlock it.
        [[maybe_unused]] const auto written = write(input[1], "password", 8);
        close(input[1]);
        return keyring_ > 0 && QTest::qWaitFor([this] { return secretServiceRuns(); }, 10'000);
    }

    // Once the daemon owns the Secret Service's name and has a default collection to keep items.
    bool secretServiceRuns() const {
        const auto session = DbusConnection::openAddress(bus_->address());
        if (!session || waitpid(keyring_, nullptr, WNOHANG) != 0) {
            return false;
        }
        const BusMessage call =
            session->newMethodCall("org.freedesktop.secrets", "/org/freedesktop/secrets",
                                   "org.freedesktop.Secret.Service", "ReadAlias");
        if (!call || sd_bus_message_append(call.get(), "s", "default") < 0) {
            return false;
        }
        const BusReply reply = session->call(call.get(), std::chrono::seconds(2));
        const char* collection = nullptr;
        return reply && sd_bus_message_read(reply->get(), "o", &collection) >= 0 &&
               std::string_view(collection) != "/";
    }

    const std::filesystem::path& home() const { return home_.path(); }

private:
    TempDir home_;
    std::unique_ptr<PrivateBus> bus_;
    pid_t keyring_ = -1;
};

TEST_F(KeyringTest, KeepsTheTokenInTheKeyringAndLeavesNoFile) {
    if (!startKeyring()) {
        GTEST_SKIP() << "gnome-keyring-daemon did not start (is the gnome-keyring package "
                        "installed?)";
    }
    const auto fallbackPath = home() / "token";
    KeyringTokenStore tokens(std::make_unique<TokenFile>(fallbackPath));
    EXPECT_EQ(tokens.read(), std::nullopt);
    EXPECT_TRUE(tokens.write("keyring-token"));
    EXPECT_EQ(tokens.read(), "keyring-token");
    EXPECT_FALSE(std::filesystem::exists(fallbackPath));
    // Another reader of the same item sees it too: it is in the keyring, not in this object.
    EXPECT_EQ(KeyringTokenStore(nullptr).read(), "keyring-token");
    tokens.remove();
    EXPECT_EQ(tokens.read(), std::nullopt);
}

TEST_F(KeyringTest, WithoutAKeyringTheFileKeepsTheToken) {
    const auto fallbackPath = home() / "data" / "Wirelark" / "admin-token";
    KeyringTokenStore tokens(std::make_unique<TokenFile>(fallbackPath));
    EXPECT_EQ(tokens.read(), std::nullopt);
    EXPECT_TRUE(tokens.write("file-token"));
    EXPECT_EQ(contents(fallbackPath), "file-token");
    EXPECT_EQ(permissions(fallbackPath), 0600);
    EXPECT_EQ(tokens.read(), "file-token");
    tokens.remove();
    EXPECT_FALSE(std::filesystem::exists(fallbackPath));
    EXPECT_EQ(KeyringTokenStore(nullptr).read(), std::nullopt) << "a failed read is no token";
}

} // namespace
