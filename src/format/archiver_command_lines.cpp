#include "format/archiver_command_lines.h"

#include "format/working_names.h"
#include "platform/path_rules.h"

namespace vesko {

std::vector<std::string> ArchiverAddCommand(const std::string& program, const std::string& archive,
    const std::string& tempFolder, bool spanned)
{
    std::vector<std::string> argv { program, "a", "-r" };
    if (spanned)
        argv.push_back("-v1440");
    argv.push_back("-y");
    // The whole path: a name alone would leave out a file of the person's that bears it.
    argv.push_back("-x" + tempFolder + kRunMarkerName);
    argv.push_back(archive);
    // "*", not "*.*": on Linux the archiver's "*.*" matches only names holding a dot, and
    // would leave a README or a Makefile silently out of the archive.
    argv.push_back(tempFolder + "*");
    return argv;
}

std::vector<std::string> ArchiverTestCommand(const std::string& program, const std::string& archive)
{
    // Without -v the test reads a file that spans volumes from its first part alone; -i
    // leaves out the percentages, which cost the test more writes than its result lines.
    return { program, "t", "-v", "-y", "-i", archive };
}

std::vector<std::string> ArchiverExtractCommand(
    const std::string& program, const std::string& archive, const std::vector<std::string>& entries)
{
    // The archive itself, not a pattern of its volumes: given them one by one as separate
    // archives, the archiver cuts every file that spans two volumes short and still exits
    // with 0. With -v it follows .a01, .a02, ... on its own. -i leaves out the percentages,
    // drawn over each line with backspaces, which a progress window never shows.
    // No destination folder: given one, the archiver aborts once it and a stored name
    // together pass 512 bytes, though every name it stores fits on its own. Started in
    // another folder, it is given the program and the archive by their full paths.
    std::vector<std::string> argv
        = { paths::AbsolutePath(program), "x", "-v", "-y", "-i", paths::AbsolutePath(archive) };
    // An entry beginning with '-' would be read as a switch.
    if (!entries.empty())
        argv.push_back("--");
    argv.insert(argv.end(), entries.begin(), entries.end());
    return argv;
}

std::vector<std::string> ArchiverExtractOneCommand(const std::string& program,
    const std::string& archive, const std::string& folder, const std::string& entry)
{
    return { program, "e", "-v", "-y", "-i", archive, folder, "--", entry };
}

} // namespace vesko
