#pragma once

#include <functional>
#include <string>

namespace vesko {

class SettingsStore;
class SettingsTab;
class UiServices;

// The Settings tab's nightly export: its check box turns the schedule on and off for the
// Export Name the tab shows, at the time beside it, and its status line tells whether it is
// on and when it runs next, or how to have cron run it where there is no systemd user
// instance. The check after the night is part of the schedule's command: its box is stored
// at once and, while the schedule is on, the schedule is written again with it.
class NightlyControls {
public:
    NightlyControls(SettingsTab& tab, UiServices& ui, SettingsStore& store,
        std::function<std::string()> exportName);

    // The schedule as it stands into the check box, the time and the status line.
    void ShowStatus();
    // The check box pressed, or the time changed while it is on. Trap "Schedule Error".
    void Toggled(bool on);
    // The check-after box pressed. Trap "Schedule Error".
    void CheckAfterToggled(bool on);

private:
    void ShowFallback(const std::string& fallback);

    SettingsTab& tab_;
    UiServices& ui_;
    SettingsStore& store_;
    std::function<std::string()> exportName_;
};

} // namespace vesko
