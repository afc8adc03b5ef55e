#include "app/installer/helper_installer.h"

#include "admin/admin_constants.h"
#include "app/admin/admin_web_site.h"
#include "app/installer/desktop_package_installers.h"

#include <QMetaObject>
#include <QProcess>
#include <QStandardPaths>

#include <chrono>
#include <string_view>
#include <utility>

namespace wirelark {

namespace {

// A helper package is a few megabytes; this leaves room without holding anything unbounded.
constexpr std::size_t kLargestPackage = 256 * 1024 * 1024;
constexpr std::chrono::minutes kDownloadTimeout{10};

std::filesystem::path userCacheFolder() {
    // Honours $XDG_CACHE_HOME, falling back to ~/.cache.
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation).toStdString();
}

QString qString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The first of the desktop's package installers on PATH and its arguments for the package.
std::optional<std::pair<QString, QStringList>>
packageInstallerFor(const std::filesystem::path& package) {
    for (const PackageInstallerCommand& command : kDesktopPackageInstallers) {
        const QString program = QStandardPaths::findExecutable(qString(command.program));
        if (program.isEmpty()) {
            continue;
        }
        QStringList arguments;
        if (!command.option.empty()) {
            arguments << qString(command.option);
        }
        arguments << QString::fromStdString(package.string());
        return std::pair(program, arguments);
    }
    return std::nullopt;
}

// Without an installer to open it, the user is told where the verified package lies.
HelperInstallPhase noPackageInstaller(const std::filesystem::path& package) {
    return HelperInstallPhase::failed("No package installer could be started. Install " +
                                      package.string() + " with your package manager.");
}

HttpClientOptions withDownloadLimits(HttpClientOptions options) {
    options.responseLimit = kLargestPackage;
    options.timeout = kDownloadTimeout;
    return options;
}

} // namespace

HelperInstallerOptions HelperInstallerOptions::configured() {
    return {
        .siteURL = makerSiteURL(),
        .builtIn = configuredBuiltInHelperPackage(),
        .signer = {configuredHelperKeyring(), AdminTeamNames::configured().teamID},
        .downloadFolder = userCacheFolder() / "Wirelark" / "AdminHelper",
        .http = {},
    };
}

HelperInstaller::HelperInstaller(HelperInstallerOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), http_(withDownloadLimits(options_.http)) {}

HelperInstaller::~HelperInstaller() {
    cancellation_.cancel();
    if (search_.joinable()) {
        search_.join();
    }
    if (packageInstaller_) {
        // The installer is the user's now; it goes on without us.
        packageInstaller_->disconnect(this);
        static_cast<void>(packageInstaller_.release());
    }
}

bool HelperInstaller::hasBuiltInPackage() const {
    return options_.builtIn && options_.builtIn->locate().has_value();
}

void HelperInstaller::setPhase(HelperInstallPhase phase) {
    if (phase_ != phase) {
        phase_ = std::move(phase);
        emit phaseChanged();
    }
}

void HelperInstaller::install() {
    using Kind = HelperInstallPhase::Kind;
    if (phase_.kind != Kind::idle && phase_.kind != Kind::failed) {
        return;
    }
    setPhase({Kind::checking, {}});
    if (search_.joinable()) {
        search_.join();
    }
    HelperPackageSource source{
        .siteURL = options_.siteURL,
        .builtInVersion = options_.builtIn ? options_.builtIn->version() : "0",
        .downloadFolder = options_.downloadFolder,
        .signer = options_.signer,
    };
    search_ = std::jthread([this, source = std::move(source)] {
        auto downloading = [this](const std::string& version) {
            QMetaObject::invokeMethod(
                this, [this, version] { setPhase(HelperInstallPhase::downloading(version)); },
                Qt::QueuedConnection);
        };
        auto found = newerHelperPackage(source, http_, downloading, &cancellation_);
        QMetaObject::invokeMethod(
            this, [this, found = std::move(found)] { packageFound(found); }, Qt::QueuedConnection);
    });
}

void HelperInstaller::packageFound(const std::optional<std::filesystem::path>& downloaded) {
    std::optional<std::filesystem::path> package = downloaded;
    if (!package && options_.builtIn) {
        package = options_.builtIn->locate();
    }
    if (!package) {
        setPhase(
            HelperInstallPhase::failed("No installer is available. Download it from the website."));
        return;
    }
    handOff(*package);
}

void HelperInstaller::handOff(const std::filesystem::path& package) {
    const auto command = packageInstallerFor(package);
    if (!command) {
        setPhase(noPackageInstaller(package));
        return;
    }
    packageInstaller_ = std::make_unique<QProcess>();
    packageInstaller_->setStandardOutputFile(QProcess::nullDevice());
    packageInstaller_->setStandardErrorFile(QProcess::nullDevice());
    QProcess* process = packageInstaller_.get();
    connect(process, &QProcess::finished, this, [this, process] {
        packageInstallerEnded(process, {HelperInstallPhase::Kind::idle, {}});
    });
    connect(process, &QProcess::errorOccurred, this,
            [this, process, package](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart) {
                    packageInstallerEnded(process, noPackageInstaller(package));
                }
            });
    setPhase({HelperInstallPhase::Kind::waitingForInstaller, {}});
    process->start(command->first, command->second);
}

void HelperInstaller::packageInstallerEnded(QProcess* process, HelperInstallPhase next) {
    if (packageInstaller_.get() != process) {
        return;
    }
    packageInstaller_.release()->deleteLater();
    setPhase(std::move(next));
}

} // namespace wirelark
