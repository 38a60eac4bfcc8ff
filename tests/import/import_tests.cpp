// The import: its name rules and refusals, the roads where an archive must not reach the
// folder (unsafe entries, a missing volume, a wildcard name) or must not replace a newer
// file, and round trips of the program's own export, with the real archiver; a stand-in
// where the archiver fails.
#include "export/export_run.h"
#include "import/import_run.h"
#include "platform/dates.h"
#include "platform/host.h"
#include "platform/path_rules.h"
#include "platform/settings_backing.h"
#include "settings/registry_settings.h"
#include "settings/settings_tab.h"
#include "support/made_files.h"
#include "support/memory_form.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <map>

namespace vesko::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// A settings store of its own, the in-memory window, the recorded person and a stand-in
// archiver where the real one's behaviour is not the point.
class ImportTest : public ::testing::Test {
protected:
    using Field = MainForm::Field;

    // Writes the settings and loads them into the window, as a start-up does.
    void StoreSettings(const std::map<std::string, std::string>& settings)
    {
        for (const auto& [key, value] : settings)
            store.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
        RefreshLabels(host);
        ui.Clear();
    }
    std::string Stored(const std::string& key)
    {
        return store.GetSetting(kSettingsApplication, kSettingsSection, key);
    }
    // Presses Import with these fields; the log is cleared first. Whatever the road, the
    // busy pointer and the progress window are off when it ends.
    bool Import(const std::string& importFolder, const std::string& name)
    {
        ui.Clear();
        form.SetText(Field::txtImportFolder, importFolder);
        form.SetText(Field::txtImportName, name);
        report = RunReport(RunKind::Import);
        const bool imported = cmdImport_Click(host, report) == RunOutcome::Success;
        EXPECT_FALSE(ui.Busy()) << "busy pointer left on";
        EXPECT_FALSE(ui.ProgressOpen()) << "progress window left open";
        return imported;
    }

    // The stand-in archiver, the stored Import Name, and a folder for archives.
    void SetUp() override
    {
        FakeArchiver(0);
        StoreSettings({ { "ArjFolder", arjFolder }, { "ImportArj", "stored-name" } });
        MakeDirs(folder);
    }

    // A stand-in in a folder whose name holds a space: it notes its arguments, one a line,
    // prints one line and exits with the given status.
    void FakeArchiver(int status)
    {
        WriteScript(arjFolder + "arj",
            "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"\n"
            "echo 'fake archiver output'\nexit "
                + std::to_string(status));
    }
    // A small archive of one file, n.txt, made by the real archiver.
    std::string TinyArchive()
    {
        WriteFile(tmp / "tiny/n.txt", "restored\n");
        EXPECT_EQ(
            Shell("cd '" + tmp / "tiny" + "' && /usr/bin/arj a -y tiny.arj n.txt >/dev/null"), 0);
        return tmp / "tiny/tiny.arj";
    }
    // Every file and folder below root with its bytes and time, to show nothing changed.
    static std::map<std::string, std::string> Snapshot(const std::string& root)
    {
        std::map<std::string, std::string> tree;
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            const std::string path = e.path().string();
            tree[path.substr(root.size())] = e.is_directory()
                ? "folder"
                : ReadFile(path) + "@" + std::to_string(MTime(path).time_since_epoch().count());
        }
        return tree;
    }

    RunReport report { RunKind::Import }; // the last import's
    TempDir tmp;
    ScopedEnv config { "XDG_CONFIG_HOME", tmp / "config" };
    SettingsStore store;
    MemoryForm form;
    RecordingUi ui;
    Host host { form, ui, store };
    std::string arjFolder = tmp / "fake arj/";
    std::string folder = tmp / "backup/";
};

const char* const kNotFound = "box:Archive Not Found|The archive file can't be found. Check to "
                              "make sure the file exists and the path is correct in the "
                              "settings section.";

TEST_F(ImportTest, NameRulesGiveTheArchivePath)
{
    StoreSettings({ { "ArjFolder", "/usr/bin/" } });
    const std::string tiny = TinyArchive();
    const std::string dotted = tmp / "my.arj.files/";
    struct Case {
        std::string folder, name, archive;
    };
    for (const Case& c : std::vector<Case> {
             { folder, "week12", "week12.arj" },
             { folder, "week12.arj", "week12.arj" },
             // The extension is found case-sensitively: "WEEK12.ARJ" gets ".arj".
             { folder, "WEEK12.ARJ", "WEEK12.ARJ.arj" },
             // "old.arjx" holds ".arj": nothing is appended.
             { folder, "old.arjx", "old.arjx" },
             // A folder holding the extension is used whole.
             { dotted, "week12", "week12.arj" },
         }) {
        MakeDirs(c.folder);
        fs::copy_file(tiny, c.folder + c.archive, fs::copy_options::overwrite_existing);
        fs::remove(c.folder + "n.txt");
        ASSERT_TRUE(Import(c.folder, c.name)) << c.name << ::testing::PrintToString(ui.Log());
        EXPECT_THAT(ui.Steps().back(), HasSubstr(" " + c.folder + c.archive + " ")) << c.name;
        EXPECT_EQ(ReadFile(c.folder + "n.txt"), "restored\n") << c.name;
        EXPECT_EQ(report.archive, c.folder + c.archive);
    }
}

TEST_F(ImportTest, RefusalsAndTheFolderField)
{
    const std::string typed = tmp / "backup";
    EXPECT_FALSE(Import(typed, ""));
    EXPECT_EQ(ui.Log(), (Lines { "beep", "box:Entry Required|Please enter a file name." }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Information);
    EXPECT_EQ(form.Text(Field::txtImportFolder), typed); // refused before the folder step
    EXPECT_TRUE(ui.BusyChanges().empty());

    // "WEEK12.ARJ" holds no ".arj": with the extension appended it is not found.
    WriteFile(folder + "WEEK12.ARJ", "volume");
    EXPECT_FALSE(Import(folder, "WEEK12.ARJ"));
    EXPECT_EQ(ui.Log(), (Lines { "beep", kNotFound }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Exclamation);

    // A folder typed without its '/' gets one in the field; an empty one becomes the root.
    EXPECT_FALSE(Import(typed, "absent"));
    EXPECT_EQ(form.Text(Field::txtImportFolder), typed + "/");
    EXPECT_EQ(ui.Log(), (Lines { "beep", kNotFound }));
    EXPECT_FALSE(Import("", "vesko-import-test-no-such-archive"));
    EXPECT_EQ(form.Text(Field::txtImportFolder), "/");
    EXPECT_EQ(ui.Log(), (Lines { "beep", kNotFound }));
    EXPECT_EQ(report.outcome, RunOutcome::Refused);
    EXPECT_FALSE(fs::exists(arjFolder + "args")) << "the archiver ran for a refusal";
}

TEST_F(ImportTest, FailuresRecordNothingAndSuccessRecordsTheStart)
{
    fs::copy_file(TinyArchive(), folder + "week12.arj"); // its headers are read first
    FakeArchiver(2);
    EXPECT_FALSE(Import(folder, "week12"));
    EXPECT_THAT(ui.Log(),
        ElementsAre("beep",
            AllOf(StartsWith("box:Import Failed|Archive restore failed.||"),
                HasSubstr("Exit status 2."), HasSubstr("fake archiver output"),
                HasSubstr("Nothing in the import folder was changed."))));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Exclamation);
    EXPECT_EQ(form.Text(Field::txtImportName), "week12"); // no refresh
    EXPECT_EQ(report.archiverStatus, 2);

    form.SetText(Field::txtArjFolder, tmp / "no-arj/");
    EXPECT_FALSE(Import(folder, "week12"));
    EXPECT_THAT(
        ui.Log(), ElementsAre("beep", AllOf(StartsWith("box:Import Error|"), HasSubstr("no-arj"))));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Critical);
    EXPECT_EQ(Stored("LastImport"), "");

    form.SetText(Field::txtArjFolder, "/usr/bin/");
    fs::copy_file(TinyArchive(), folder + "week12.arj", fs::copy_options::overwrite_existing);
    const std::size_t busyChanges = ui.BusyChanges().size();
    const auto before = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    ASSERT_TRUE(Import(folder, "week12"));
    const auto after = std::chrono::system_clock::now();
    EXPECT_EQ(ui.Log(),
        (Lines { "beep",
            "box:Archive Import|Archive restored successfully.||1 file restored into " + folder
                + "." }));
    EXPECT_EQ(ui.Boxes().at(0).icon, Icon::Information);
    TimePoint recorded;
    ASSERT_TRUE(ParseStoredDate(Stored("LastImport"), recorded)) << Stored("LastImport");
    EXPECT_GE(recorded, before);
    EXPECT_LE(recorded, after);
    // The refresh put the stored values back over what was typed for this run.
    EXPECT_EQ(form.Text(Field::txtImportName), "stored-name");
    EXPECT_EQ(form.Text(Field::txtImportFolder), "/");
    EXPECT_THAT(ui.Output(), Contains(HasSubstr("n.txt"))); // the archiver's own lines
    EXPECT_EQ(std::vector(ui.BusyChanges().begin() + busyChanges, ui.BusyChanges().end()),
        (std::vector<bool> { true, false }));
    EXPECT_EQ(report.files, 1u);
    EXPECT_EQ(report.bytes, 9u);
    EXPECT_EQ(report.volumes.size(), 1u);
}

// Each road with the real archiver, in a folder of its own: the archive is refused or fails
// and nothing around the import folder changes, or it is restored and newer files stay
// unless the person says otherwise.
TEST_F(ImportTest, UnsafeSpannedWildcardNewerAndLeftoverRoads)
{
    // An archive of three files, a spanned one of 1 MiB, both made by the archiver itself.
    const auto archived = [&](const std::string& area, const std::string& archive,
                              const std::string& switches) {
        const std::string src = area + "/src";
        WriteFile(src + "/note.txt", "archived note\n");
        WriteFile(src + "/old.txt", "archived old\n");
        WriteFile(src + "/sub/new.txt", "archived new\n");
        WriteFile(src + "/big.bin", RandomBytes(1 << 20, 7));
        for (const char* name : { "note.txt", "old.txt", "sub/new.txt", "big.bin" })
            SetMTime(src + "/" + name, LocalTime(2022, 3, 4, 5, 6, 7));
        const std::string files = switches.empty() ? "note.txt old.txt sub/new.txt" : "big.bin";
        EXPECT_EQ(Shell("cd '" + src + "' && /usr/bin/arj a -y " + switches + " '" + archive + "' "
                      + files + " >/dev/null"),
            0);
    };
    // A file edited after the export and an older one lie where the archive restores.
    const auto edited = [&](const std::string& area, const std::string& into) {
        archived(area, into + "week.arj", "");
        WriteFile(into + "note.txt", "edited since\n");
        SetMTime(into + "note.txt", LocalTime(2023, 1, 1));
        WriteFile(into + "old.txt", "stale\n");
        SetMTime(into + "old.txt", LocalTime(2021, 1, 1));
        return std::string("week");
    };
    const auto spanned = [&](const std::string& area, const std::string& into, const char* drop) {
        archived(area, into + "span.arj", "-v300K");
        WriteFile(into + "big.bin", "the good copy that lay here before\n");
        fs::remove(into + drop);
        return std::string("span");
    };
    // The tiny archive with its first file header changed: at offset 4 of `header` lies the
    // header's own size, then the header whose CRC follows it.
    const auto mutated = [&](std::function<void(std::string & bytes, std::size_t header)> change) {
        return [&, change](const std::string&, const std::string& dir) {
            std::string bytes = ReadFile(TinyArchive());
            const std::size_t header
                = 4 + (std::uint8_t(bytes[2]) | std::uint8_t(bytes[3]) << 8) + 6;
            change(bytes, header);
            WriteFile(dir + "m.arj", bytes);
            return std::string("m");
        };
    };
    const auto crc32 = [](const std::string& bytes, std::size_t from, std::size_t size) {
        std::uint32_t crc = 0xFFFFFFFF;
        for (std::size_t i = from; i < from + size; ++i) {
            crc ^= std::uint8_t(bytes[i]);
            for (int k = 0; k < 8; ++k)
                crc = (crc & 1) ? 0xEDB88320 ^ (crc >> 1) : crc >> 1;
        }
        return ~crc;
    };
    const Lines unreadable
        = { "beep", "box:Import Failed|Archive restore failed.||The archive \"" };
    struct Road {
        std::string name;
        std::function<std::string(const std::string& area, const std::string& into)> setUp;
        std::vector<Answer> answers;
        RunOutcome outcome;
        Lines log; // each box's start
        std::map<std::string, std::string> restored = {}; // success: the files below the folder
        std::string says = {}; // in the last box
    };
    const std::string into = "/x/y/z/"; // the import folder below the road's area
    const std::vector<Road> roads = {
        { "unsafe entry",
            [&](const std::string& area, const std::string& dir) {
                // Archived from the import folder itself, then the person's file changes.
                MakeDirs(dir + "a");
                WriteFile(area + "/x/victim.txt", "archived\n");
                WriteFile(dir + "ok.txt", "ok\n");
                EXPECT_EQ(Shell("cd '" + dir
                              + "' && /usr/bin/arj a -y evil.arj ok.txt a/../../../victim.txt "
                                ">/dev/null"),
                    0);
                WriteFile(area + "/x/victim.txt", "the person's own\n");
                fs::remove(dir + "ok.txt");
                return std::string("evil");
            },
            {}, RunOutcome::Refused,
            { "beep",
                "box:Unsafe Archive|The archive's entry \"a/../../../victim.txt\" climbs out of "
                "its "
                "folder through \"..\".||The archive was refused; nothing was written." } },
        { "missing last volume",
            [&](const std::string& area, const std::string& dir) {
                return spanned(area, dir, "span.a03");
            },
            {}, RunOutcome::Failed, { "beep", "box:Import Failed|Archive restore failed.||" }, {},
            "span.a03\", which is missing." },
        { "missing middle volume",
            [&](const std::string& area, const std::string& dir) {
                return spanned(area, dir, "span.a01");
            },
            {}, RunOutcome::Failed, { "beep", "box:Import Failed|Archive restore failed.||" }, {},
            "span.a01\", which is missing." },
        // Foreign archives cut short or damaged are refused from their headers alone.
        { "header cut short", mutated([](std::string& b, std::size_t h) { b.resize(h + 10); }), {},
            RunOutcome::Failed, unreadable, {}, "cannot be read: it ends inside a header." },
        { "header over the limit",
            mutated([](std::string& b, std::size_t h) { b[h + 2] = 0x29, b[h + 3] = 0x0A; }), {},
            RunOutcome::Failed, unreadable, {}, "cannot be read: a header of 2601 bytes." },
        { "name byte flipped",
            mutated([](std::string& b, std::size_t h) { b[h + 4 + std::uint8_t(b[h + 4])] ^= 1; }),
            {}, RunOutcome::Failed, unreadable, {}, "cannot be read: a header fails its CRC." },
        { "data cut short", mutated([](std::string& b, std::size_t) { b.resize(b.size() - 6); }),
            {}, RunOutcome::Failed, unreadable, {}, "cannot be read: a file's data runs past" },
        { "unknown type with its CRC", mutated([&](std::string& b, std::size_t h) {
             const std::size_t size = std::uint8_t(b[h + 2]) | std::uint8_t(b[h + 3]) << 8;
             b[h + 4 + 6] = 6;
             const std::uint32_t crc = crc32(b, h + 4, size);
             for (int i = 0; i < 4; ++i)
                 b[h + 4 + size + i] = char(crc >> (8 * i));
         }),
            {}, RunOutcome::Refused,
            { "beep",
                "box:Unsafe Archive|The archive's entry \"n.txt\" is a link, a special file or of "
                "a type not known." } },
        { "wildcard name",
            [&](const std::string&, const std::string& dir) {
                for (const char* name : { "w1.arj", "w2.arj" })
                    fs::copy_file(TinyArchive(), dir + name);
                return std::string("w?");
            },
            {}, RunOutcome::Refused, { "beep", "box:Invalid Name|The archive name can't hold" } },
        { "newer kept", edited, {}, RunOutcome::Success,
            { "box:Archive Import|1 files in the import folder are newer than the archive's "
              "copies (first: ",
                "beep",
                "box:Archive Import|Archive restored successfully.||2 files restored into " },
            { { "note.txt", "edited since\n" }, { "old.txt", "archived old\n" },
                { "sub/new.txt", "archived new\n" } } },
        { "newer replaced", edited, { Answer::Yes }, RunOutcome::Success,
            { "box:Archive Import|1 files", "beep",
                "box:Archive Import|Archive restored successfully.||3 files restored into " },
            { { "note.txt", "archived note\n" }, { "old.txt", "archived old\n" },
                { "sub/new.txt", "archived new\n" } } },
        { "leftover staging folder",
            [&](const std::string&, const std::string& dir) {
                // As a killed run leaves it; no run holds it any more.
                WriteFile(dir + ".vesko-import-Ab12Cd/files/n.txt", "half\n");
                fs::copy_file(TinyArchive(), dir + "tiny.arj");
                return std::string("tiny");
            },
            {}, RunOutcome::Success,
            { "beep", "box:Archive Import|Archive restored successfully.||1 file restored " },
            { { "n.txt", "restored\n" } } },
    };
    StoreSettings({ { "ArjFolder", "/usr/bin/" } });
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        const std::string area = tmp / road.name;
        const std::string dir = area + into;
        MakeDirs(dir);
        const std::string name = road.setUp(area, dir);
        const auto before = Snapshot(area);
        for (Answer a : road.answers)
            ui.Answer(a);

        Import(dir, name);
        EXPECT_EQ(report.outcome, road.outcome);
        const Lines log = ui.Log();
        EXPECT_EQ(log.size(), road.log.size()) << ::testing::PrintToString(log);
        for (std::size_t i = 0; i < std::min(log.size(), road.log.size()); ++i)
            EXPECT_THAT(log[i], StartsWith(road.log[i]));
        if (!log.empty()) {
            EXPECT_THAT(log.back(), HasSubstr(road.says));
        }
        for (const auto& entry : fs::directory_iterator(dir))
            EXPECT_THAT(entry.path().filename().string(), Not(StartsWith(".vesko-import-")));
        if (road.outcome != RunOutcome::Success) {
            EXPECT_EQ(Snapshot(area), before);
            EXPECT_EQ(Stored("LastImport"), "");
            continue;
        }
        EXPECT_NE(Stored("LastImport"), "");
        store.DeleteSetting(kSettingsApplication, kSettingsSection, "LastImport");
        for (const auto& [path, bytes] : road.restored) {
            EXPECT_EQ(ReadFile(dir + path), bytes) << path;
            if (bytes.rfind("archived", 0) == 0) {
                EXPECT_EQ(MTime(dir + path), LocalTime(2022, 3, 4, 5, 6, 7)) << path;
            }
        }
        if (log.size() == 3) {
            EXPECT_EQ(ui.Boxes().at(0).buttons, Buttons::YesNoDefaultNo);
            EXPECT_THAT(log[0], HasSubstr("(first: " + dir + "note.txt). Replace them"));
            EXPECT_EQ(report.leftOut.size(), road.answers.empty() ? 1u : 0u);
        }
    }
}

TEST_F(ImportTest, SpannedExportComesBackWholeAndDamagedFailsRecordingNothing)
{
    const std::string src = tmp / "source", arc = tmp / "archive/", temp = tmp / "work temp/";
    const std::map<std::string, std::string> files = {
        { "README", "no dot in this name\n" },
        { "with space/file name.txt", "spaces\n" },
        { "shell $(touch pwned); `id` 'q' \"d\"/a&b|c;d.txt", "shell characters\n" },
        { "big.bin", RandomBytes(3'500'000, 12) },
        { "caf\xe9 \xff/n\xe4me.txt", "bytes that are not UTF-8\n" },
    };
    for (const auto& [name, bytes] : files) {
        WriteFile(src + "/" + name, bytes);
        SetMTime(src + "/" + name, LocalTime(2022, 3, 4, 5, 6, 7));
    }
    // The program's own export, with the real archiver.
    StoreSettings({ { "ArcFolder", arc }, { "ArjFolder", "/usr/bin/" }, { "DestinDir", temp },
        { "ExportArj", "week 12" }, { "ImportArj", "week 12" }, { "DisksSpan", "yes" },
        { "SourceDir0", src } });
    form.SetDateText("01-01-2021");
    ASSERT_EQ(cmdExport_Click(host), RunOutcome::Success) << ::testing::PrintToString(ui.Log());
    ASSERT_TRUE(fs::exists(arc + "week 12.a02")) << "expected several volumes";

    ASSERT_TRUE(Import(arc, "week 12")) << ::testing::PrintToString(ui.Log());
    // The archive holds the temporary tree, which mirrors the source by its relative path.
    const std::string restored = arc + paths::RelativePath(temp) + paths::RelativePath(src) + "/";
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(fs::exists(restored + name)) << name;
        EXPECT_TRUE(ReadFile(restored + name) == bytes) << name; // no 3 MB diff on failure
        EXPECT_EQ(MTime(restored + name), LocalTime(2022, 3, 4, 5, 6, 7)) << name;
    }
    EXPECT_FALSE(fs::exists(tmp / "pwned"));
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_NE(Stored("LastImport"), "");
    EXPECT_FALSE(ui.Output().empty()); // the archiver's lines reached the progress window

    store.DeleteSetting(kSettingsApplication, kSettingsSection, "LastImport");
    {
        std::fstream f(arc + "week 12.arj", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(100'000);
        f.write(std::string(64, '\x5a').data(), 64);
    }
    // The archiver fails partway through, over the files restored above.
    const auto before = Snapshot(arc);
    EXPECT_FALSE(Import(arc, "week 12"));
    EXPECT_EQ(Snapshot(arc), before);
    EXPECT_THAT(
        ui.Log(), ElementsAre("beep", StartsWith("box:Import Failed|Archive restore failed.||")));
    EXPECT_EQ(Stored("LastImport"), "");
}

} // namespace
} // namespace vesko::test
