#include "app/admin_app_launcher.h"

#include "app/admin/admin_web_site.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace wirelark {

void openWirelarkAdmin() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("wirelark-admin"));
    if (!program.isEmpty() && QProcess::startDetached(program, {})) {
        return;
    }
    QDesktopServices::openUrl(QUrl(QString::fromStdString(adminHelperPageURL())));
}

} // namespace wirelark
