#pragma once

#include "app/bus/qt_bus_dispatcher.h"
#include "app/tray/tray_ink.h"

#include <QObject>

namespace wirelark {

// The desktop's colour scheme from its settings portal on the session bus, followed as the user
// changes it. Without a portal, or before its answer, there is no preference.
class AppearancePortal : public QObject {
    Q_OBJECT

public:
    // Reads on the dispatcher's connection, which must outlive the object.
    explicit AppearancePortal(QtBusDispatcher& dispatcher, QObject* parent = nullptr);

    AppearancePortal(const AppearancePortal&) = delete;
    AppearancePortal& operator=(const AppearancePortal&) = delete;

    ColorScheme colorScheme() const { return scheme_; }

signals:
    void colorSchemeChanged(ColorScheme scheme);

private:
    static int onReadReply(sd_bus_message* reply, void* self, sd_bus_error* error);
    static int onSettingChanged(sd_bus_message* message, void* self, sd_bus_error* error);
    // Takes the scheme from the message's next value, a number in one or more variants.
    void takeScheme(sd_bus_message* message);

    QtBusDispatcher& dispatcher_;
    ColorScheme scheme_ = ColorScheme::noPreference;
    bool changeSeen_ = false; // a change signal is newer than the answer to the first read
    BusSlot changeMatch_;
    BusSlot readCall_;
};

} // namespace wirelark
