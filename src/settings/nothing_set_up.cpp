#include "settings/nothing_set_up.h"

#include "core/ui_services.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"

#include <string>

namespace vesko {

bool RefuseNothingSetUp(UiServices& ui, SettingsStore& store)
{
    if (!NothingStored(store))
        return false;
    ui.Beep();
    // The store's path: a timer or a cron job that runs as another person, or with another
    // XDG_CONFIG_HOME, reads another store than the window wrote.
    ui.MsgBox("No settings are stored in " + store.Path() + "." + CR + CR
            + "Fill in the folders, the names and the source list on the Settings tab and "
            + "press Apply.",
        "Nothing Set Up", Icon::Exclamation);
    return true;
}

} // namespace vesko
