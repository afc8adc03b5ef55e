#pragma once

#include "app/installer/built_in_helper_package.h"
#include "app/installer/helper_install_phase.h"
#include "app/installer/newer_helper_package.h"
#include "netcore/base/cancellation.h"
#include "netcore/http/http_client.h"

#include <QObject>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

class QProcess;

namespace wirelark {

struct HelperInstallerOptions {
    // The maker's site the feed and packages come from.
    std::string siteURL;
    // None: the build carries no helper package.
    std::optional<BuiltInHelperPackage> builtIn;
    PackageSigner signer;
    // Where downloads are kept.
    std::filesystem::path downloadFolder;
    HttpClientOptions http;

    // The site, keyring and package this build was configured with; downloads in
    // $XDG_CACHE_HOME/Wirelark/AdminHelper.
    static HelperInstallerOptions configured();
};

// Installs the admin helper: picks the built-in package or a newer, verified one from the
// maker's site, hands it to the desktop's package installer and waits for that to end. Lives on
// the main thread; the feed, the download and the signature check run on a thread of their own.
class HelperInstaller : public QObject {
    Q_OBJECT

public:
    explicit HelperInstaller(HelperInstallerOptions options, QObject* parent = nullptr);
    ~HelperInstaller() override;

    const HelperInstallPhase& phase() const { return phase_; }
    // Whether the app carries a helper package to fall back on.
    bool hasBuiltInPackage() const;

    // Starts the whole sequence; does nothing while one is under way.
    void install();

signals:
    void phaseChanged();

private:
    void setPhase(HelperInstallPhase phase);
    void packageFound(const std::optional<std::filesystem::path>& downloaded);
    void handOff(const std::filesystem::path& package);
    // Forgets the installer that ended (a late signal of an earlier one changes nothing).
    void packageInstallerEnded(QProcess* process, HelperInstallPhase next);

    HelperInstallerOptions options_;
    HelperInstallPhase phase_;
    std::unique_ptr<QProcess> packageInstaller_;
    HttpClient http_;
    Cancellation cancellation_;
    // Last: its thread uses the members above.
    std::jthread search_;
};

} // namespace wirelark
