#pragma once

#include "app/settings/app_settings.h"

#include <QWidget>

namespace wirelark {

// Which changes become desktop notifications.
class NotificationsTab : public QWidget {
public:
    explicit NotificationsTab(AppSettings& settings, QWidget* parent = nullptr);
};

} // namespace wirelark
