#include "app/admin/admin_status_text.h"

namespace wirelark {

QString adminStatusText(AdminState state, const std::optional<std::string>& helperVersion) {
    const QString version =
        helperVersion ? QString::fromStdString(*helperVersion) : QStringLiteral("?");
    switch (state) {
    case AdminState::checking:
        return QStringLiteral("Checking…");
    case AdminState::notInstalled:
        return QStringLiteral("Not installed");
    case AdminState::notPaired:
        return QStringLiteral("Installed (%1), not paired").arg(version);
    case AdminState::pairing:
        return QStringLiteral("Pairing…");
    case AdminState::paired:
        return QStringLiteral("Paired (%1)").arg(version);
    }
    return {};
}

} // namespace wirelark
