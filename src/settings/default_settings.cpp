#include "settings/default_settings.h"

#include "platform/filesystem.h"
#include "platform/home_folder.h"
#include "platform/path_rules.h"
#include "settings/stored_settings.h"
#include "storage/settings_store.h"

#include <cstdlib>
#include <QFileInfo>
#include <QStandardPaths>

namespace vesko {

namespace {

// The cache folder as the XDG rules name it; a relative XDG_CACHE_HOME is ignored.
std::string CacheFolder()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/') {
        std::string folder = cache;
        if (!paths::EndsWithSeparator(folder))
            folder += paths::kSeparator;
        return folder;
    }
    return "~/.cache/";
}

} // namespace

std::string ArchiverFolderOnPath()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("arj"));
    if (program.isEmpty())
        return "";
    return QFileInfo(program).absolutePath().toStdString() + paths::kSeparator;
}

Settings DefaultSettings()
{
    Settings settings;
    settings.archiveFolder = "~/Backups/";
    settings.archiverFolder = ArchiverFolderOnPath();
    settings.tempFolder = CacheFolder() + "vesko-backup/tree/";
    settings.exportName = kDefaultExportName;
    return settings;
}

void MakeDefaultTempParents(const std::string& tempFolder)
{
    std::string folder = paths::ExpandHome(tempFolder);
    if (!paths::EndsWithSeparator(folder))
        folder += paths::kSeparator;
    const std::string wanted = paths::ExpandHome(DefaultSettings().tempFolder);
    if (folder != wanted || folder.size() < 2)
        return;
    const std::string parent = folder.substr(0, folder.find_last_of('/', folder.size() - 2));
    FileSystem().MakeMissingFolders("/", parent.substr(1), 0700);
}

Settings LoadSettingsOrDefaults(SettingsStore& store)
{
    Settings settings = LoadSettings(store);
    const SettingsStore::Entries entries
        = store.GetAllSettings(kSettingsApplication, kSettingsSection);
    const auto stored = [&entries](const char* key) {
        for (const auto& entry : entries)
            if (entry.first == key)
                return true;
        return false;
    };
    const Settings defaults = DefaultSettings();
    if (!stored("ArcFolder"))
        settings.archiveFolder = defaults.archiveFolder;
    if (!stored("ArjFolder"))
        settings.archiverFolder = defaults.archiverFolder;
    if (!stored("DestinDir"))
        settings.tempFolder = defaults.tempFolder;
    if (!stored("ExportArj"))
        settings.exportName = defaults.exportName;
    return settings;
}

} // namespace vesko
