#pragma once

#include "app/core/interface_item.h"
#include "app/core/settings_data.h"
#include "app/settings/settings_storage.h"

#include <QObject>

#include <memory>
#include <string>
#include <vector>

namespace wirelark {

// The one holder of the user's settings on the main thread. Every change that alters the record
// is stored at once and announced through changed().
class AppSettings : public QObject {
    Q_OBJECT

public:
    explicit AppSettings(std::unique_ptr<SettingsStorage> storage, QObject* parent = nullptr);

    const SettingsData& data() const { return data_; }
    // Storing an equal record does nothing; a different one is announced, then stored.
    void setData(const SettingsData& data);
    // Takes the stored record when another process has changed it, announced but not stored
    // again. Its own writes read back equal and change nothing; a file that is gone or does not
    // hold a settings object leaves the record as it is.
    void reload();

    bool isPinned(const std::string& key) const;
    void togglePin(const InterfaceItem& item);
    void movePin(const std::string& key, int offset);
    void movePin(const std::string& moved, const std::string& target);
    void reconcilePins(const std::vector<InterfaceItem>& items);

    const SettingsStorage& storage() const { return *storage_; }

signals:
    void changed();
    // A change could not be stored, so it lasts only until the program ends. Sent once, and
    // again only after a later change was stored.
    void storeFailed();

private:
    std::unique_ptr<SettingsStorage> storage_;
    SettingsData data_;
    bool storeFailing_ = false;
};

} // namespace wirelark
