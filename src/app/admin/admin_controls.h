#pragma once

#include <QObject>

#include <functional>
#include <optional>
#include <string>

namespace wirelark {

// Where the app stands with the admin helper.
enum class AdminState { checking, notInstalled, notPaired, pairing, paired };

// What the panel and the settings window see of the admin helper's client: its state, and the
// requests a user makes there. Lives on the main thread; `changed` follows every field.
class AdminControls : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual AdminState state() const = 0;
    virtual std::optional<std::string> helperVersion() const = 0;
    virtual int helperProtocol() const = 0;
    // The text of the last pairing failure.
    virtual std::optional<std::string> lastError() const = 0;
    // A newer helper version published on the web site.
    virtual std::optional<std::string> availableUpdate() const = 0;
    // True once the helper answers but speaks an older protocol than this app.
    bool helperNeedsUpdate() const;

    virtual void refresh() = 0;
    virtual void beginPairing() = 0;
    virtual void unpair() = 0;
    // `done` runs once on the main thread, with the failure's text or without one on success.
    virtual void setServiceEnabled(const std::string& serviceID, bool enabled,
                                   std::function<void(std::optional<std::string> error)> done) = 0;
    // Brings Wirelark Admin forward, or opens the helper's download page when it is missing.
    virtual void openAdminApp() = 0;

signals:
    void changed();
};

} // namespace wirelark
