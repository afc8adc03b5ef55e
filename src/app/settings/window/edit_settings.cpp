#include "app/settings/window/edit_settings.h"

namespace wirelark {

void editSettings(AppSettings& settings, const std::function<void(SettingsData&)>& change) {
    SettingsData data = settings.data();
    change(data);
    settings.setData(data);
}

} // namespace wirelark
