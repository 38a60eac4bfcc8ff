#pragma once

#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/path_rules.h"
#include "platform/settings_backing.h"
#include "support/memory_form.h"
#include "support/probes.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vesko::test {

using Strings = std::vector<std::string>;

// A source tree and a temporary folder (made private, as the export makes it) side by side
// in a fresh folder, with the person faked and the window in memory.
class TreeTest : public ::testing::Test {
protected:
    TreeTest()
    {
        ::mkdir(temp.c_str(), 0700);
        form.SetText(MainForm::Field::txtDestinDir, temp);
        form.SetDateText("06-15-2020");
    }

    // The mirror below the temporary folder of a full path.
    std::string Mirror(const std::string& path) const { return temp + paths::RelativePath(path); }

    static void Put(const std::string& path, std::chrono::system_clock::time_point when,
        const std::string& bytes = "x")
    {
        WriteFile(path, bytes);
        SetMTime(path, when);
    }

    // Every entry below a folder, links not followed, relative and sorted; folders end in '/'.
    static Strings Entries(const std::string& root)
    {
        namespace fs = std::filesystem;
        Strings out;
        for (auto it = fs::recursive_directory_iterator(root);
             it != fs::recursive_directory_iterator(); ++it)
            out.push_back(fs::relative(it->path(), root).string()
                + (it->is_directory() && !it->is_symlink() ? "/" : ""));
        std::sort(out.begin(), out.end());
        return out;
    }

    const std::chrono::system_clock::time_point cutOff = LocalTime(2020, 6, 15);
    const std::chrono::system_clock::time_point before = LocalTime(2020, 6, 1, 12);
    const std::chrono::system_clock::time_point after = LocalTime(2020, 6, 20, 12);

    TempDir dir;
    const std::string src = dir / "src";
    const std::string temp = dir / "temp/";
    RecordingUi ui;
    MemoryForm form;
    SettingsStore store { dir / "settings.sqlite" };
    Host host { form, ui, store };
};

} // namespace vesko::test
