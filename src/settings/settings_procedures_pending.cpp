// Temporary: replaced by the settings subsystem.
#include "settings/registry_settings.h"
#include "settings/settings_tab.h"
#include "settings/source_list.h"
namespace vesko {
void SaveRegistrySetting(Host&, const std::string&, const std::string&) {}
void CreateDatFile(Host&, const std::string&, TimePoint) {}
void RefreshLabels(Host&) {}
void CheckPathEndings(Host&) {}
void cmdApply_Click(Host&) {}
void cmdReset_Click(Host&) {}
void cmdAddSource_Click(Host&) {}
void cmdDeleteSource_Click(Host&) {}
void cmdDirList_Click(Host&, int) {}
} // namespace vesko
