#pragma once

#include "app/core/clock.h"
#include "app/core/interface_item.h"
#include "app/core/monitor_service.h"
#include "app/core/recording_schedule.h"
#include "app/model/location_authorizer.h"
#include "app/model/model_services.h"
#include "app/notify/change_notifier.h"
#include "app/settings/app_settings.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace wirelark {

// The application's one model, on the main thread: runs the loop that asks the monitor for
// fresh items, publishes them, keeps the pins matched, saves the histories every ten minutes
// and logs what changed. A configuration change reported by the watcher refreshes at once,
// without recording, so the primary interface and the profiles never wait for a tick.
class NetworkModel : public QObject {
    Q_OBJECT

public:
    NetworkModel(AppSettings& settings, std::unique_ptr<MonitorService> monitor, const Clock& clock,
                 ModelServices services = {}, QObject* parent = nullptr);
    ~NetworkModel() override;

    // Creates the change watcher, then runs the first tick at once and one every update interval.
    void start();
    // One refresh outside the loop; `record` false leaves counters and histories untouched.
    void refresh(bool record, std::function<void()> done = {});
    // The watcher's handler: marks the monitor's system configuration stale and refreshes; looks
    // up the public address again when the primary IPv4 interface changed.
    void configurationChanged(const std::vector<std::string>& keys);
    // Starts a public-address lookup unless one runs; also the panel's refresh button.
    void refreshPublicIP();

    const std::vector<InterfaceItem>& items() const { return items_; }
    const NetworkMetadata& metadata() const { return *metadata_; }
    bool showInactive() const { return showInactive_; }
    void setShowInactive(bool show);
    bool showAllDetails() const { return showAllDetails_; }
    void setShowAllDetails(bool show);
    const std::optional<std::string>& selectedKey() const { return selectedKey_; }
    void setSelectedKey(std::optional<std::string> key);
    bool isRunning() const { return running_; }
    const std::optional<PublicIPResult>& publicIP() const { return publicIP_; }
    bool publicIPLoading() const { return publicIPLoading_; }
    const TunnelOwnerMap& tunnelOwners() const { return tunnelOwners_; }
    const std::set<std::string>& knownTunnels() const { return knownTunnels_; }
    AdminService& admin() { return *services_.admin; }
    // Null when the model was given none.
    HelperInstaller* helperInstaller() const { return services_.helperInstaller.get(); }
    LocationAuthorizer& location() { return location_; }
    // On the monotonic clock, as lastSave.
    std::optional<double> lastPublicIPLookup() const { return lastPublicIPLookup_; }
    double lastSave() const { return schedule_.lastSave(); }

    std::vector<InterfaceItem> pinnedItems() const;
    std::vector<InterfaceItem> visibleItems() const;
    InterfaceElementSet elements(const InterfaceItem& item) const;
    // Pointers into items(), valid until the next publication.
    std::vector<const InterfaceItem*> menubarItems() const;
    std::optional<Rates> menubarRates() const;
    std::vector<RateSample> menubarSamples() const;

    MonitorService& monitor() { return *monitor_; }
    // None until started, or when the watcher could not be set up.
    const NetworkChangeWatcher* watcher() const { return watcher_.get(); }

signals:
    void itemsChanged();
    // The system configuration was read again; it may be equal to the last reading.
    void metadataChanged();
    void showInactiveChanged();
    void showAllDetailsChanged();
    void selectedKeyChanged();
    void runningChanged();
    void watcherChanged();
    void publicIPChanged();
    void publicIPLoadingChanged();
    void lastPublicIPLookupChanged();
    void tunnelOwnersChanged();
    void knownTunnelsChanged();
    void lastSaveChanged();
    // One summary line of what the last refresh changed (also written to the log).
    void changeLogged(const QString& line);

private:
    void startWatcher();
    void tick();
    void apply(MonitorUpdate update, bool record);
    void skip(std::error_code readFailure);
    void afterTick();
    void setPublicIP(std::optional<PublicIPResult> result);
    void setPublicIPLoading(bool loading);
    void publicIPFound(PublicIPResult result);
    void updateTunnelOwners();
    void queryTunnelOwners();
    void tunnelOwnersFound(TunnelOwnerMap owners);

    AppSettings& settings_;
    std::unique_ptr<MonitorService> monitor_;
    const Clock& clock_;
    std::vector<InterfaceItem> items_;
    // Never null; replaced, and announced, only when the monitor read the configuration again.
    std::shared_ptr<const NetworkMetadata> metadata_ = std::make_shared<const NetworkMetadata>();
    bool showInactive_;
    bool showAllDetails_ = false;
    std::optional<std::string> selectedKey_;
    bool running_ = false;
    RecordingSchedule schedule_;
    std::optional<std::error_code> readFailure_; // of the last refresh, when it failed
    QTimer loopTimer_;
    ModelServices services_;
    ChangeNotifier notifier_;
    LocationAuthorizer location_;
    std::unique_ptr<NetworkChangeWatcher> watcher_;
    // Watches watcher_'s descriptor, so it goes first.
    std::unique_ptr<QSocketNotifier> watcherReadable_;
    std::optional<PublicIPResult> publicIP_;
    bool publicIPLoading_ = false;
    std::optional<double> lastPublicIPLookup_;
    TunnelOwnerMap tunnelOwners_;
    std::set<std::string> knownTunnels_;
    // Last: its thread calls back into the model.
    BackgroundJob ownerScan_;
};

} // namespace wirelark
