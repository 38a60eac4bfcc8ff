#include "settings/registry_settings.h"

#include "platform/host.h"
#include "settings/settings_tab.h"
#include "storage/settings_store.h"

namespace vesko {

void SaveRegistrySetting(Host& host, const std::string& key, const std::string& value)
{
    host.store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
}

void CreateDatFile(Host& host, const std::string& datFile, TimePoint when)
{
    SaveRegistrySetting(host, "Last" + datFile, StoredDateText(when));
    RefreshLabels(host);
}

} // namespace vesko
