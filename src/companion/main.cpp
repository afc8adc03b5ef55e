// Wirelark Admin: approves the pairing requests of Wirelark with the admin helper.
#include "admin/admin_constants.h"

#include "companion/admin_control_client.h"
#include "companion/admin_window.h"
#include "companion/user_names.h"

#include <QApplication>

#include <memory>
#include <optional>

int main(int argc, char** argv) {
    using namespace wirelark;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wirelark Admin"));
    QApplication::setDesktopFileName(QStringLiteral("wirelark-admin"));

    // Without a system bus the window still opens and says so.
    std::unique_ptr<QtBusDispatcher> systemBus;
    if (std::optional<DbusConnection> bus = DbusConnection::openSystem()) {
        systemBus = std::make_unique<QtBusDispatcher>(std::move(*bus));
    }
    AdminControlClient client(systemBus.get(), AdminTeamNames::configured().controlBusName);
    AdminWindow window(client, systemUserName);
    window.show();
    return QApplication::exec();
}
