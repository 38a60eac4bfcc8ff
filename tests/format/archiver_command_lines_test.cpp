// The archiver run as the import and the restore run it: in the folder it extracts into.
#include "format/archiver_command_lines.h"
#include "platform/process.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace vesko::test {
namespace {

// Every entry, the longest names among them (the archiver aborts on them below a destination
// folder given to it), or only those named, each a name even where it looks like a switch;
// the archive given relative to the current folder.
TEST(ArchiverExtractCommand, ExtractsEveryEntryOrThoseNamedInTheFolderItRunsIn)
{
    const TempDir tmp;
    const std::string longest
        = std::string(200, 'a') + "/" + std::string(200, 'b') + "/" + std::string(108, 'c');
    for (const std::string& name : { std::string("-r/f"), longest, std::string("g") })
        WriteFile(tmp / "src/" + name, name.substr(0, 1));
    ASSERT_EQ(Shell("cd '" + tmp / "src' && /usr/bin/arj a -y ../a.arj -- -r/f " + longest
                  + " g >/dev/null"),
        0);
    const struct {
        const char* name;
        std::vector<std::string> entries, extracted;
    } rows[] = {
        { "every entry", {}, { "-r/f", longest, "g" } },
        { "the entries named", { "-r/f", "g" }, { "-r/f", "g" } },
    };
    const std::string here = tmp / "";
    ASSERT_EQ(::chdir(here.c_str()), 0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MakeDirs(tmp / row.name);
        RecordingUi ui;
        const ProcessOutcome outcome
            = RunProcess(ArchiverExtractCommand("/usr/bin/arj", "a.arj", row.entries), ui,
                { .umask = {}, .workingFolder = tmp / row.name });
        EXPECT_TRUE(outcome.Succeeded()) << outcome.Describe();
        EXPECT_EQ(ListFilesBelow(tmp / row.name), row.extracted);
    }
    ASSERT_EQ(::chdir("/"), 0);
}

} // namespace
} // namespace vesko::test
