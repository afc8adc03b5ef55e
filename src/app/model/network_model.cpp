#include "app/model/network_model.h"

#include "app/core/change_log.h"
#include "app/core/item_lists.h"
#include "app/core/loop_interval.h"
#include "netcore/publicip/public_ip_error.h"

#include <QPointer>

#include <chrono>

namespace wirelark {

namespace {

// Runs `job` on the receiver's thread once the event loop gets to it, unless the receiver is gone.
template <typename Job>
void onThreadOf(QObject* receiver, Job job) {
    QMetaObject::invokeMethod(
        receiver,
        [guard = QPointer(receiver), job = std::move(job)]() mutable {
            if (guard) {
                job();
            }
        },
        Qt::QueuedConnection);
}

// Where notifications go when the model is given no sink.
NotificationSink& droppedNotifications() {
    struct Dropped final : NotificationSink {
        void post(const Notification&) override {}
    };
    static Dropped dropped;
    return dropped;
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) {
        text += (i == 0 ? "" : separator) + parts[i];
    }
    return text;
}

void copyOwners(std::vector<InterfaceItem>& items, const TunnelOwnerMap& owners) {
    for (InterfaceItem& item : items) {
        const auto owner = owners.find(item.name);
        item.owner = owner != owners.end() ? std::optional(owner->second) : std::nullopt;
    }
}

} // namespace

NetworkModel::NetworkModel(AppSettings& settings, std::unique_ptr<MonitorService> monitor,
                           const Clock& clock, ModelServices services, QObject* parent)
    : QObject(parent), settings_(settings), monitor_(std::move(monitor)), clock_(clock),
      showInactive_(settings.data().showInactiveByDefault), schedule_(clock_.monotonicNow()),
      services_(std::move(services)),
      notifier_(services_.notifications ? *services_.notifications : droppedNotifications()) {
    if (!services_.admin) {
        services_.admin = std::make_unique<UnpairedAdmin>();
    }
    loopTimer_.setSingleShot(true);
    // The coarse timer allows the tenth of the interval of slack the loop may take.
    loopTimer_.setTimerType(Qt::CoarseTimer);
    connect(&loopTimer_, &QTimer::timeout, this, &NetworkModel::tick);
}

NetworkModel::~NetworkModel() = default;

void NetworkModel::start() {
    if (running_) {
        return;
    }
    running_ = true;
    emit runningChanged();
    services_.admin->refresh();
    startWatcher();
    tick();
}

void NetworkModel::startWatcher() {
    if (!services_.makeWatcher) {
        return;
    }
    // The model owns the watcher, so the handler never outlives it.
    auto watcher = services_.makeWatcher(
        [this](const std::vector<std::string>& keys) { configurationChanged(keys); });
    if (!watcher || watcher->fd() < 0) {
        logLine(LogPriority::Warning, "Cannot watch network configuration changes; the primary "
                                      "interface and profiles are read again only when "
                                      "interfaces come or go");
        return;
    }
    watcherReadable_ = std::make_unique<QSocketNotifier>(watcher->fd(), QSocketNotifier::Read);
    connect(watcherReadable_.get(), &QSocketNotifier::activated, this,
            [this] { watcher_->dispatch(); });
    watcher_ = std::move(watcher);
    emit watcherChanged();
}

void NetworkModel::configurationChanged(const std::vector<std::string>& keys) {
    logLine(LogPriority::Info, "configuration changed: " + joined(keys, " "));
    // Runs on the monitor's thread before the update below, which then reads the system
    // configuration again.
    monitor_->markMetadataStale();
    refresh(false, [this, primaryBefore = metadata().primaryIPv4Interface] {
        // The public address depends on the route traffic takes.
        if (metadata().primaryIPv4Interface != primaryBefore) {
            refreshPublicIP();
        }
    });
}

void NetworkModel::refreshPublicIP() {
    const SettingsData& settings = settings_.data();
    if (!settings.publicIPEnabled) {
        setPublicIP(std::nullopt);
        return;
    }
    if (publicIPLoading_ || !services_.publicAddress) {
        return;
    }
    lastPublicIPLookup_ = clock_.monotonicNow();
    emit lastPublicIPLookupChanged();
    const auto url = settings.lookupURL();
    if (!url) {
        setPublicIP(
            PublicIPResult{std::nullopt, std::nullopt, PublicIPError::badURL().description()});
        return;
    }
    setPublicIPLoading(true);
    services_.publicAddress->lookup(
        *url, settings.publicIPJSONKeyPath, [this](PublicIPResult result) {
            onThreadOf(this, [this, result = std::move(result)] { publicIPFound(result); });
        });
}

void NetworkModel::publicIPFound(PublicIPResult result) {
    notifier_.checkPublicAddress(publicIP_, result, settings_.data().notifyPublicIPChange);
    setPublicIP(std::move(result));
    setPublicIPLoading(false);
}

void NetworkModel::setPublicIP(std::optional<PublicIPResult> result) {
    if (result != publicIP_) {
        publicIP_ = std::move(result);
        emit publicIPChanged();
    }
}

void NetworkModel::setPublicIPLoading(bool loading) {
    publicIPLoading_ = loading;
    emit publicIPLoadingChanged();
}

void NetworkModel::tick() {
    refresh(true, [this] { afterTick(); });
}

void NetworkModel::afterTick() {
    const double now = clock_.monotonicNow();
    const SettingsData& settings = settings_.data();
    // Turned off, the address goes at the next tick rather than when a lookup would be due.
    if (!settings.publicIPEnabled || !lastPublicIPLookup_ ||
        now - *lastPublicIPLookup_ >= settings.publicIPRefreshMinutes * 60) {
        refreshPublicIP();
    }
    if (schedule_.isSaveDue(now)) {
        schedule_.markSaved(now);
        emit lastSaveChanged();
        // A failed save is ignored; the next one comes ten minutes later.
        monitor_->saveHistory([](std::error_code) {});
    }
    // Read at every sleep, so a changed interval applies from the next one.
    const double interval = loopInterval(settings_.data().updateInterval);
    loopTimer_.start(std::chrono::milliseconds(static_cast<long long>(interval * 1000)));
}

void NetworkModel::refresh(bool record, std::function<void()> done) {
    const SettingsData& settings = settings_.data();
    const UpdateRequest request{.record = record,
                                .periods = settings.periods,
                                .recentCount = RecordingSchedule::kRecentCount,
                                .interval = loopInterval(settings.updateInterval)};
    monitor_->update(request, [this, record, done = std::move(done)](
                                  Expected<MonitorUpdate, std::error_code> update) mutable {
        onThreadOf(this,
                   [this, record, update = std::move(update), done = std::move(done)]() mutable {
                       if (update) {
                           readFailure_.reset();
                           apply(std::move(*update), record);
                       } else {
                           skip(update.error());
                       }
                       if (done) {
                           done();
                       }
                   });
    });
}

void NetworkModel::skip(std::error_code readFailure) {
    // The items stay as they were; a lasting failure is logged once, not on every tick.
    if (readFailure_ != readFailure) {
        readFailure_ = readFailure;
        logLine(LogPriority::Warning, "cannot read the interfaces: " + readFailure.message());
    }
}

void NetworkModel::apply(MonitorUpdate update, bool record) {
    const std::vector<InterfaceItem> before = std::move(items_);
    const std::shared_ptr<const NetworkMetadata> metadataBefore = metadata_;
    items_ = std::move(update.items);
    // Owners change only with the set of tunnels; between two queries items keep the last.
    copyOwners(items_, tunnelOwners_);
    metadata_ = std::move(update.metadata);
    emit itemsChanged();
    if (metadata_ != metadataBefore) {
        emit metadataChanged();
    }
    settings_.reconcilePins(items_);
    updateTunnelOwners();
    notifier_.checkItems(items_, metadata_->primaryIPv4Interface, settings_.data());
    const auto entries = changeLogEntries(before, items_, metadataBefore->primaryIPv4Interface,
                                          metadata_->primaryIPv4Interface);
    if (!entries.empty()) {
        const std::string line = (record ? "tick: " : "notification: ") + joined(entries, ", ");
        logLine(LogPriority::Notice, line);
        emit changeLogged(QString::fromStdString(line));
    }
}

void NetworkModel::updateTunnelOwners() {
    std::set<std::string> names;
    for (const InterfaceItem& item : items_) {
        if (item.snapshot && item.kind() == InterfaceKind::tunnel) {
            names.insert(item.name);
        }
    }
    if (names == knownTunnels_) {
        return;
    }
    knownTunnels_ = std::move(names);
    emit knownTunnelsChanged();
    queryTunnelOwners();
}

void NetworkModel::queryTunnelOwners() {
    const bool paired = services_.admin->isPaired();
    // The helper sees every process; the local scan only this user's.
    const auto scanLocally = [this] {
        if (!services_.scanTunnelOwners) {
            onThreadOf(this, [this] { tunnelOwnersFound({}); });
            return;
        }
        ownerScan_.start([this, scan = services_.scanTunnelOwners] {
            onThreadOf(this,
                       [this, owners = scan()]() mutable { tunnelOwnersFound(std::move(owners)); });
        });
    };
    if (!paired) {
        scanLocally();
        return;
    }
    services_.admin->tunnelOwners([this, scanLocally](TunnelOwnerMap owners) {
        onThreadOf(this, [this, scanLocally, owners = std::move(owners)]() mutable {
            if (owners.empty()) {
                scanLocally();
            } else {
                tunnelOwnersFound(std::move(owners));
            }
        });
    });
}

void NetworkModel::tunnelOwnersFound(TunnelOwnerMap owners) {
    if (owners == tunnelOwners_) {
        return;
    }
    tunnelOwners_ = std::move(owners);
    emit tunnelOwnersChanged();
    copyOwners(items_, tunnelOwners_);
    emit itemsChanged();
}

void NetworkModel::setShowInactive(bool show) {
    if (show != showInactive_) {
        showInactive_ = show;
        emit showInactiveChanged();
    }
}

void NetworkModel::setShowAllDetails(bool show) {
    if (show != showAllDetails_) {
        showAllDetails_ = show;
        emit showAllDetailsChanged();
    }
}

void NetworkModel::setSelectedKey(std::optional<std::string> key) {
    if (key != selectedKey_) {
        selectedKey_ = std::move(key);
        emit selectedKeyChanged();
    }
}

std::vector<InterfaceItem> NetworkModel::pinnedItems() const {
    return wirelark::pinnedItems(items_, settings_.data());
}

std::vector<InterfaceItem> NetworkModel::visibleItems() const {
    return wirelark::visibleItems(items_, settings_.data(), showInactive_);
}

InterfaceElementSet NetworkModel::elements(const InterfaceItem& item) const {
    return elementsFor(item, settings_.data(), showAllDetails_);
}

std::vector<const InterfaceItem*> NetworkModel::menubarItems() const {
    return wirelark::menubarItems(items_, settings_.data());
}

std::optional<Rates> NetworkModel::menubarRates() const {
    return wirelark::menubarRates(menubarItems());
}

std::vector<RateSample> NetworkModel::menubarSamples() const {
    return wirelark::menubarSamples(menubarItems());
}

} // namespace wirelark
