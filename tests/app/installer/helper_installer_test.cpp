#include "app/installer/helper_installer.h"

#include "command_output.h"
#include "loopback_server.h"
#include "process_events_until.h"
#include "temp_dir.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace wirelark {
namespace {

using testing::LoopbackServer;
using testing::ServerConnection;
using testing::TempDir;

constexpr std::string_view kTeam = "TEAMID0000";

std::string fileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// OpenPGP keys made for the test, in a GNUPGHOME of its own: ours, ours with another team in
// its user id, and a stranger's naming our team; the keyring the app ships holds the first two.
class TestSigningKeys {
public:
    explicit TestSigningKeys(const std::filesystem::path& folder) : home_(folder / "gnupg") {
        std::filesystem::create_directories(home_);
        std::filesystem::permissions(home_, std::filesystem::perms::owner_all);
        for (const char* userID : {"Wirelark Signing (TEAMID0000) <team@example.com>",
                                   "Wirelark Signing (OTHERTEAM) <other@example.com>",
                                   "Wirelark Signing (TEAMID0000) <stranger@example.com>"}) {
            gpg("--quick-gen-key '" + std::string(userID) + "' ed25519 sign never");
        }
        keyring_ = folder / "helper-signing.gpg";
        gpg("--export team@example.com other@example.com > " + keyring_.string());
    }
    // Under the PATH it was made with: a test may change it.
    ~TestSigningKeys() {
        testing::runCapturing("PATH='" + path_ + "' gpgconf --homedir " + home_.string() +
                              " --kill all");
    }

    const std::filesystem::path& keyring() const { return keyring_; }

    // The detached signature of `file` by the key of `email`.
    std::string sign(const std::string& email, const std::filesystem::path& file) const {
        std::filesystem::path signature = file;
        signature += ".sig";
        gpg("--yes --local-user " + email + " --detach-sign -o " + signature.string() + " " +
            file.string());
        return fileText(signature);
    }

private:
    void gpg(const std::string& arguments) const {
        const auto result = testing::runCapturing(
            "gpg --batch --quiet --homedir " + home_.string() +
            " --pinentry-mode loopback --passphrase '' " + arguments + " 2>/dev/null");
        ASSERT_EQ(result.status, 0) << "gpg " << arguments;
    }

    std::filesystem::path home_;
    std::filesystem::path keyring_;
    std::string path_ = std::getenv("PATH");
};

// The maker's site on loopback: answers each path from a table, 404 for the rest.
class MakerSite {
public:
    MakerSite()
        : server_(IPVersion::v4, [this](ServerConnection& connection) {
              const std::string request = server_.requests().back();
              const size_t start = request.find(' ') + 1;
              const std::string path = request.substr(start, request.find(' ', start) - start);
              std::lock_guard guard(lock_);
              const auto found = pages_.find(path);
              connection.send(found != pages_.end()
                                  ? testing::httpResponse("HTTP/1.1 200 OK", found->second)
                                  : testing::httpResponse("HTTP/1.1 404 Not Found", "gone"));
          }) {}

    void serve(const std::string& path, std::string body) {
        std::lock_guard guard(lock_);
        pages_[path] = std::move(body);
    }
    std::string url(std::string_view path = "") const { return server_.url(path); }
    std::vector<std::string> requests() const { return server_.requests(); }

private:
    std::mutex lock_;
    std::map<std::string, std::string> pages_;
    LoopbackServer server_;
};

class HelperInstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!LoopbackServer::available(IPVersion::v4)) {
            GTEST_SKIP() << "no IPv4 loopback here";
        }
        if (testing::runCapturing("command -v gpg gpgv").status != 0) {
            GTEST_SKIP() << "gpg and gpgv are needed to sign and verify test packages";
        }
        keys_.emplace(dir_.path());
        // The first of the desktop's installers, standing in for all: records what it was given
        // and runs until the test lets it end.
        installerArguments_ = dir_.path() / "installer-arguments";
        installerRelease_ = dir_.path() / "installer-may-end";
        const auto program = dir_.write(
            "bin/gnome-software",
            "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + installerArguments_.string() + ".part\nmv " +
                installerArguments_.string() + ".part " + installerArguments_.string() +
                "\nwhile [ ! -e " + installerRelease_.string() + " ]; do sleep 0.02; done\n");
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        ::setenv("PATH", ((dir_.path() / "bin").string() + ":" + std::getenv("PATH")).c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (dir_.path() / "cache").c_str(), 1);
        builtInPackage_ = dir_.write("share/WirelarkAdmin.deb", "built-in package");
        packageBytes_ = "downloaded package 1.10";
    }

    // An installer of a build that carries a package of `builtInVersion` (none: no package).
    std::unique_ptr<HelperInstaller> installer(std::optional<std::string> builtInVersion) {
        HelperInstallerOptions options = HelperInstallerOptions::configured();
        options.siteURL = site_.url();
        options.signer = {keys_->keyring(), std::string(kTeam)};
        options.builtIn.reset();
        if (builtInVersion) {
            options.builtIn = BuiltInHelperPackage{
                builtInPackage_, dir_.write("share/helper-release.json",
                                            R"({"version": ")" + *builtInVersion + "\"}")};
        }
        auto made = std::make_unique<HelperInstaller>(std::move(options));
        QObject::connect(made.get(), &HelperInstaller::phaseChanged, made.get(),
                         [this, raw = made.get()] { phases_.push_back(raw->phase()); });
        return made;
    }

    // Publishes `version` with a package at `path` signed by the key of `signer`.
    void publish(const std::string& version, const std::string& path, const std::string& signer) {
        site_.serve("/helper.json",
                    R"({"version": ")" + version + R"(", "download": ")" + site_.url(path) + "\"}");
        const auto file = dir_.write("signing/package.deb", packageBytes_);
        site_.serve(path, packageBytes_);
        site_.serve(path + ".sig", keys_->sign(signer, file));
    }

    // Runs install() until it waits for the installer or has failed.
    HelperInstallPhase::Kind installed(HelperInstaller& installer) {
        using Kind = HelperInstallPhase::Kind;
        installer.install();
        EXPECT_TRUE(testing::processEventsUntil(
            [&] {
                return installer.phase().kind == Kind::waitingForInstaller ||
                       installer.phase().kind == Kind::failed;
            },
            30'000));
        if (installer.phase().kind == Kind::waitingForInstaller) {
            EXPECT_TRUE(testing::processEventsUntil(
                [&] { return std::filesystem::exists(installerArguments_); }, 10'000));
        }
        return installer.phase().kind;
    }

    // What the installer was given, one argument a line.
    std::string openedWith() const { return fileText(installerArguments_); }

    // Lets the stand-in installer end and waits for the phase to follow.
    void finishInstaller(HelperInstaller& installer) {
        dir_.write(installerRelease_.filename(), "");
        EXPECT_TRUE(testing::processEventsUntil(
            [&] { return installer.phase().kind == HelperInstallPhase::Kind::idle; }, 10'000));
        std::filesystem::remove(installerRelease_);
        std::filesystem::remove(installerArguments_);
    }

    std::filesystem::path downloaded(const std::string& version) const {
        return dir_.path() / "cache/Wirelark/AdminHelper" / ("WirelarkAdmin-" + version + ".deb");
    }

    TempDir dir_;
    std::optional<TestSigningKeys> keys_;
    MakerSite site_;
    std::filesystem::path installerArguments_;
    std::filesystem::path installerRelease_;
    std::filesystem::path builtInPackage_;
    std::string packageBytes_;
    std::vector<HelperInstallPhase> phases_;
};

TEST_F(HelperInstallerTest, AFeedNoNewerThanTheBuiltInPackageOpensTheBuiltInOne) {
    publish("1.2", "/downloads/WirelarkAdmin-1.2.deb", "team@example.com");
    auto helperInstaller = installer("1.2.0");
    ASSERT_TRUE(helperInstaller->hasBuiltInPackage());

    ASSERT_EQ(installed(*helperInstaller), HelperInstallPhase::Kind::waitingForInstaller);
    EXPECT_EQ(openedWith(), "--local-filename\n" + builtInPackage_.string() + "\n");
    EXPECT_EQ(site_.requests().size(), 1u) << "only the feed";
    finishInstaller(*helperInstaller);
    using Kind = HelperInstallPhase::Kind;
    EXPECT_EQ(phases_,
              (std::vector<HelperInstallPhase>{
                  {Kind::checking, {}}, {Kind::waitingForInstaller, {}}, {Kind::idle, {}}}));
}

TEST_F(HelperInstallerTest, ANewerVerifiedPackageIsDownloadedToTheCacheAndOpened) {
    publish("1.10", "/downloads/WirelarkAdmin-1.10.deb", "team@example.com");
    auto helperInstaller = installer("1.9");

    ASSERT_EQ(installed(*helperInstaller), HelperInstallPhase::Kind::waitingForInstaller);
    EXPECT_EQ(openedWith(), "--local-filename\n" + downloaded("1.10").string() + "\n");
    EXPECT_EQ(fileText(downloaded("1.10")), packageBytes_);
    using Kind = HelperInstallPhase::Kind;
    EXPECT_EQ(phases_, (std::vector<HelperInstallPhase>{{Kind::checking, {}},
                                                        HelperInstallPhase::downloading("1.10"),
                                                        {Kind::waitingForInstaller, {}}}));
    EXPECT_EQ(statusText(phases_[1]), "Downloading helper 1.10…");
    finishInstaller(*helperInstaller);
}

TEST_F(HelperInstallerTest, PackagesThatAreNotTrustedAreNeverOpened) {
    struct Case {
        const char* what;
        std::string path;
        std::string signer;
        // Changes the published package after it was signed.
        bool altered;
    };
    const std::vector<Case> cases = {
        {"a download outside /downloads/", "/elsewhere/WirelarkAdmin-1.10.deb", "team@example.com",
         false},
        {"a key outside the keyring", "/downloads/WirelarkAdmin-1.10.deb", "stranger@example.com",
         false},
        {"our key naming another team", "/downloads/WirelarkAdmin-1.10.deb", "other@example.com",
         false},
        {"a package altered after signing", "/downloads/WirelarkAdmin-1.10.deb", "team@example.com",
         true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        publish("1.10", test.path, "team@example.com");
        publish("1.10", test.path, test.signer);
        if (test.altered) {
            site_.serve(test.path, packageBytes_ + " and more");
        }
        phases_.clear();
        auto helperInstaller = installer("1.9");
        ASSERT_EQ(installed(*helperInstaller), HelperInstallPhase::Kind::waitingForInstaller);
        EXPECT_EQ(openedWith(), "--local-filename\n" + builtInPackage_.string() + "\n");
        // Refused for its own reason, not for want of a download.
        const bool fetched = std::find(phases_.begin(), phases_.end(),
                                       HelperInstallPhase::downloading("1.10")) != phases_.end();
        EXPECT_EQ(fetched, test.path.starts_with("/downloads/"));
        finishInstaller(*helperInstaller);

        auto withoutBuiltIn = installer(std::nullopt);
        EXPECT_EQ(installed(*withoutBuiltIn), HelperInstallPhase::Kind::failed);
        EXPECT_FALSE(std::filesystem::exists(installerArguments_));
    }
}

TEST_F(HelperInstallerTest, AMissingDownloadFallsBackToTheBuiltInPackage) {
    publish("1.10", "/downloads/WirelarkAdmin-1.10.deb", "team@example.com");
    site_.serve("/helper.json", R"({"version": "1.10", "download": ")" +
                                    site_.url("/downloads/missing.deb") + "\"}");
    auto helperInstaller = installer("1.9");

    ASSERT_EQ(installed(*helperInstaller), HelperInstallPhase::Kind::waitingForInstaller);
    EXPECT_EQ(openedWith(), "--local-filename\n" + builtInPackage_.string() + "\n");
    finishInstaller(*helperInstaller);
}

TEST_F(HelperInstallerTest, WithoutAnyPackageTheInstallFails) {
    auto helperInstaller = installer(std::nullopt);
    EXPECT_FALSE(helperInstaller->hasBuiltInPackage());

    ASSERT_EQ(installed(*helperInstaller), HelperInstallPhase::Kind::failed);
    EXPECT_EQ(statusText(helperInstaller->phase()),
              "No installer is available. Download it from the website.");
    EXPECT_FALSE(std::filesystem::exists(installerArguments_));
}

TEST_F(HelperInstallerTest, WithoutAPackageInstallerTheFailureSaysWhereThePackageIs) {
    ::setenv("PATH", (dir_.path() / "empty").c_str(), 1);
    auto helperInstaller = installer("1.0");

    ASSERT_EQ(installed(*helperInstaller), HelperInstallPhase::Kind::failed);
    EXPECT_EQ(statusText(helperInstaller->phase()),
              "No package installer could be started. Install " + builtInPackage_.string() +
                  " with your package manager.");
}

TEST_F(HelperInstallerTest, AnotherProcessEndingLeavesThePhaseWaiting) {
    auto helperInstaller = installer("1.0");
    ASSERT_EQ(installed(*helperInstaller), HelperInstallPhase::Kind::waitingForInstaller);

    QProcess other;
    other.start(QStringLiteral("true"), {});
    ASSERT_TRUE(other.waitForFinished());
    QCoreApplication::processEvents();
    EXPECT_EQ(helperInstaller->phase().kind, HelperInstallPhase::Kind::waitingForInstaller);
    EXPECT_EQ(statusText(helperInstaller->phase()),
              "Finish the installation in Installer, then come back here.");
    // Asking again while the installer runs starts nothing new.
    helperInstaller->install();
    EXPECT_EQ(helperInstaller->phase().kind, HelperInstallPhase::Kind::waitingForInstaller);
    finishInstaller(*helperInstaller);
}

} // namespace
} // namespace wirelark
