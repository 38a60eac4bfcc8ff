#include "settings/settings_tab.h"

#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/path_rules.h"
#include "platform/ui_services.h"
#include "settings/registry_settings.h"
#include "storage/settings_store.h"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace vesko {

namespace {

using Field = MainForm::Field;

// Every key that begins with these nine characters is an item of the stored source list,
// whatever follows them, including entries written by other tools.
constexpr std::string_view kSourceKeyPrefix = "SourceDir";

bool IsSourceKey(const std::string& key)
{
    return key.compare(0, kSourceKeyPrefix.size(), kSourceKeyPrefix) == 0;
}

std::string Stored(Host& host, const std::string& key)
{
    return host.store.GetSetting(kSettingsApplication, kSettingsSection, key);
}

// Writes a field unless the person left it as the window showed it: then the stored text
// stays byte for byte, also where the window gave a folder its ending '/' (an unset folder
// shows as "/" and must not become the root).
void SaveField(Host& host, const std::string& key, const std::string& text, bool folder)
{
    const std::string stored = Stored(host, key);
    const bool shownAsStored
        = text == stored || (folder && !paths::EndsWithSeparator(stored) && text == stored + '/');
    if (!shownAsStored)
        SaveRegistrySetting(host, key, text);
}

} // namespace

void RefreshLabels(Host& host)
{
    try {
        MainForm& form = host.form;
        form.SetText(Field::txtArcFolder, Stored(host, "ArcFolder"));
        form.SetText(Field::txtArjFolder, Stored(host, "ArjFolder"));
        form.SetText(Field::txtDestinDir, Stored(host, "DestinDir"));
        form.SetText(Field::txtExportArj, Stored(host, "ExportArj"));
        form.SetText(Field::txtImportArj, Stored(host, "ImportArj"));

        const std::string lastExport = Stored(host, "LastExport");
        const std::string lastImport = Stored(host, "LastImport");
        const std::string disksSpan = Stored(host, "DisksSpan");
        form.SetSpanValue(disksSpan == "yes" ? 1 : 0);

        form.ClearSources();
        for (const auto& [key, value] :
            host.store.GetAllSettings(kSettingsApplication, kSettingsSection))
            if (IsSourceKey(key))
                form.AppendSource(value);

        form.SetCaption(
            MainForm::Label::lblImport, "Date of last import:   " + LongDateForDisplay(lastImport));
        form.SetCaption(
            MainForm::Label::lblExport, "Date of last export:   " + LongDateForDisplay(lastExport));

        CheckPathEndings(host);

        form.SetText(Field::txtImportFolder, form.Text(Field::txtArcFolder));
        form.SetText(Field::txtImportName, form.Text(Field::txtImportArj));
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Refresh Labels Error", e.what());
    }
}

void CheckPathEndings(Host& host)
{
    for (Field field : { Field::txtArcFolder, Field::txtArjFolder, Field::txtDestinDir }) {
        const std::string text = host.form.Text(field);
        if (!paths::EndsWithSeparator(text))
            host.form.SetText(field, text + paths::kSeparator);
    }
}

void cmdApply_Click(Host& host)
{
    try {
        MainForm& form = host.form;
        SettingsStore& store = host.store;
        // All or nothing: a failure part-way must not leave the stored source list empty or
        // half written.
        SettingsStore::Transaction transaction(store);

        SaveField(host, "ArcFolder", form.Text(Field::txtArcFolder), true);
        SaveField(host, "ArjFolder", form.Text(Field::txtArjFolder), true);
        SaveField(host, "DestinDir", form.Text(Field::txtDestinDir), true);
        if (form.SpanValue() != (Stored(host, "DisksSpan") == "yes" ? 1 : 0))
            SaveRegistrySetting(host, "DisksSpan", form.SpanValue() == 1 ? "yes" : "no");
        SaveField(host, "ExportArj", form.Text(Field::txtExportArj), false);
        SaveField(host, "ImportArj", form.Text(Field::txtImportArj), false);

        const SettingsStore::Entries entries
            = store.GetAllSettings(kSettingsApplication, kSettingsSection);
        std::vector<std::string> storedSources;
        for (const auto& [key, value] : entries)
            if (IsSourceKey(key))
                storedSources.push_back(value);
        std::vector<std::string> sources;
        for (int i = 0; i < form.SourceCount(); ++i)
            sources.push_back(form.SourceItem(i));
        // A list left as it was loaded keeps its keys, those written by other tools included.
        if (sources != storedSources) {
            for (const auto& entry : entries)
                if (IsSourceKey(entry.first))
                    store.DeleteSetting(kSettingsApplication, kSettingsSection, entry.first);
            for (std::size_t i = 0; i < sources.size(); ++i)
                if (!sources[i].empty())
                    store.SaveSetting(kSettingsApplication, kSettingsSection,
                        std::string(kSourceKeyPrefix) + std::to_string(i), sources[i]);
        }

        transaction.Commit();
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Apply Changes Error", e.what());
        return;
    }
    RefreshLabels(host);
}

void cmdReset_Click(Host& host)
{
    RefreshLabels(host);
}

} // namespace vesko
