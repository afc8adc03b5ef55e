#pragma once

#include "app/core/clock.h"
#include "app/core/interface_item.h"
#include "app/core/monitor_service.h"
#include "app/core/recording_schedule.h"
#include "app/settings/app_settings.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace wirelark {

// The application's one model, on the main thread: runs the loop that asks the monitor for
// fresh items, publishes them, keeps the pins matched, saves the histories every ten minutes
// and logs what changed.
class NetworkModel : public QObject {
    Q_OBJECT

public:
    NetworkModel(AppSettings& settings, std::unique_ptr<MonitorService> monitor, const Clock& clock,
                 QObject* parent = nullptr);
    ~NetworkModel() override;

    // Runs the first tick at once, then one every update interval.
    void start();
    // One refresh outside the loop; `record` false leaves counters and histories untouched.
    void refresh(bool record, std::function<void()> done = {});

    const std::vector<InterfaceItem>& items() const { return items_; }
    const NetworkMetadata& metadata() const { return metadata_; }
    bool showInactive() const { return showInactive_; }
    void setShowInactive(bool show);
    bool showAllDetails() const { return showAllDetails_; }
    void setShowAllDetails(bool show);
    const std::optional<std::string>& selectedKey() const { return selectedKey_; }
    void setSelectedKey(std::optional<std::string> key);
    bool isRunning() const { return running_; }
    double lastSave() const { return schedule_.lastSave(); }

    std::vector<InterfaceItem> pinnedItems() const;
    std::vector<InterfaceItem> visibleItems() const;
    InterfaceElementSet elements(const InterfaceItem& item) const;
    std::vector<InterfaceItem> menubarItems() const;
    std::optional<Rates> menubarRates() const;
    std::vector<RateSample> menubarSamples() const;

    MonitorService& monitor() { return *monitor_; }

signals:
    void itemsChanged();
    void metadataChanged();
    void showInactiveChanged();
    void showAllDetailsChanged();
    void selectedKeyChanged();
    void runningChanged();
    void lastSaveChanged();
    // One summary line of what the last refresh changed (also written to the log).
    void changeLogged(const QString& line);

private:
    void tick();
    void apply(MonitorUpdate update, bool record);
    void skip(std::error_code readFailure);
    void afterTick();

    AppSettings& settings_;
    std::unique_ptr<MonitorService> monitor_;
    const Clock& clock_;
    std::vector<InterfaceItem> items_;
    NetworkMetadata metadata_;
    bool showInactive_;
    bool showAllDetails_ = false;
    std::optional<std::string> selectedKey_;
    bool running_ = false;
    RecordingSchedule schedule_;
    std::optional<std::error_code> readFailure_; // of the last refresh, when it failed
    QTimer loopTimer_;
};

} // namespace wirelark
