#include "app/app_delegate.h"

#include "app/admin/admin_web_site.h"
#include "app/admin/keyring_token_store.h"
#include "app/admin/token_file.h"
#include "app/admin_app_launcher.h"
#include "app/core/change_log.h"
#include "app/core/network_monitor.h"
#include "app/panel/panel_view.h"
#include "app/panel/status_panel.h"
#include "app/settings/settings_storage.h"
#include "netcore/dbus/dbus_connection.h"
#include "netcore/history/history_location.h"

#include <QCoreApplication>

#include <future>

namespace wirelark {

AppDelegate::AppDelegate(double started, QObject* parent)
    : QObject(parent), started_(started), settings_(std::make_unique<IniSettingsStorage>()),
      settingsWatcher_(settings_, settings_.storage().location()) {
    connect(&settings_, &AppSettings::storeFailed, this, [this] {
        logLine(LogPriority::Warning, "Cannot save the settings to " +
                                          settings_.storage().location().toStdString() +
                                          "; changes last until Wirelark quits");
    });
}

AppDelegate::~AppDelegate() = default;

Expected<void, RecordingLockError> AppDelegate::launch() {
    const auto historyFile = defaultHistoryFilePath();
    if (historyFile) {
        // The lock on the history file is also what keeps a second tray app from starting.
        auto recording = RecordingLock::acquire(*historyFile);
        if (recording) {
            recording_ = std::move(*recording);
        } else if (recording.error().code == RecordingLockError::Code::heldElsewhere) {
            return Unexpected(std::move(recording).error());
        } else {
            // A read-only home or a full disk costs the history, not the live rates.
            logLine(LogPriority::Warning,
                    "Not recording the history: " + recording.error().description() +
                        "; rates are not kept across runs");
        }
    } else {
        logLine(LogPriority::Notice,
                "No folder for the history file: neither XDG_DATA_HOME nor HOME gives one; "
                "rates are not kept across runs");
    }
    if (auto sessionBus = DbusConnection::openSession()) {
        busDispatcher_ = std::make_unique<QtBusDispatcher>(std::move(*sessionBus));
    } else {
        logLine(LogPriority::Notice, "No session bus: the status item can only dock into an X11 "
                                     "system tray, and no notifications are shown");
    }
    notifications_ = std::make_unique<DesktopNotifications>(busDispatcher_.get());
    auto admin = makeAdminClient();
    admin_ = admin.get();
    ModelServices services{
        .notifications = notifications_.get(),
        .makeWatcher =
            [](NetworkChangeWatcher::Handler handler) {
                // Without the system bus only the kernel's changes are watched.
                return std::make_unique<NetworkChangeWatcher>(std::move(handler),
                                                              DbusConnection::openSystem());
            },
        .publicAddress = std::make_unique<NetworkPublicAddressLookup>(),
        .admin = std::move(admin),
        .helperInstaller = std::make_unique<HelperInstaller>(HelperInstallerOptions::configured()),
        .scanTunnelOwners = [] { return TunnelOwners().scan(); },
    };
    const std::filesystem::path historyPath = historyFile.value_or(std::filesystem::path());
    model_ = std::make_unique<NetworkModel>(
        settings_,
        std::make_unique<NetworkMonitor>(recording_ ? HistoryStore(historyPath)
                                                    : HistoryStore::readOnly(historyPath),
                                         clock_, MonitorSources::system()),
        clock_, std::move(services));
    statusController_ =
        std::make_unique<StatusItemController>(*model_, settings_, busDispatcher_.get());
    connect(statusController_.get(), &StatusItemController::imageUpdated, this,
            &AppDelegate::logFirstImage);
    connect(statusController_.get(), &StatusItemController::shownChanged, this,
            &AppDelegate::logFirstImage);
    // Queued: the menu that asked closes before the event loop ends. exit(), as quit() would ask
    // the X11 tray item to close, which it refuses.
    connect(
        statusController_.get(), &StatusItemController::quitRequested, qApp,
        [] {
            logLine(LogPriority::Info, "Quitting at the user's request");
            QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
    settingsWindow_ = std::make_unique<SettingsWindowController>(
        SettingsWindowSources{settings_, *model_, *admin_, updater_, launchAtLogin_});
    connect(statusController_.get(), &StatusItemController::settingsRequested,
            settingsWindow_.get(), &SettingsWindowController::show);
    StatusPanel& panel = statusController_->panel();
    auto* content = new PanelView(*model_, settings_, *admin_);
    connect(content, &PanelView::preferredHeightChanged, &panel, &StatusPanel::setWantedHeight);
    connect(content, &PanelView::settingsRequested, statusController_.get(),
            &StatusItemController::requestSettings);
    connect(content, &PanelView::quitRequested, statusController_.get(),
            &StatusItemController::quitRequested);
    panel.setContent(content);
    panel.setWantedHeight(content->preferredHeight());
    model_->start();
    return {};
}

std::unique_ptr<AdminClient> AppDelegate::makeAdminClient() const {
    const auto tokenFile = TokenFile::defaultPath();
    auto tokens = std::make_unique<KeyringTokenStore>(
        tokenFile ? std::make_unique<TokenFile>(*tokenFile) : nullptr);
    return std::make_unique<AdminClient>(std::move(tokens), clock_,
                                         AdminClientOptions{
                                             .feedURL = helperFeedURL(),
                                             .openAdminApp = &openWirelarkAdmin,
                                         });
}

void AppDelegate::logFirstImage() {
    if (firstImageLogged_ || model_->items().empty() || !statusController_->isShown()) {
        return;
    }
    firstImageLogged_ = true;
    const auto elapsedMilliseconds =
        static_cast<long long>((clock_.monotonicNow() - started_) * 1000);
    logLine(LogPriority::Info, "Showed the first status image with rates " +
                                   std::to_string(elapsedMilliseconds) + " ms after start");
}

void AppDelegate::shutdown() {
    if (!model_) {
        return;
    }
    std::promise<void> saved;
    model_->monitor().saveHistory([&saved](std::error_code) { saved.set_value(); });
    saved.get_future().wait();
}

} // namespace wirelark
