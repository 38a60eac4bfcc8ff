#pragma once

#include "core/run_report.h"
#include "core/ui_services.h"
#include "history/run_details.h"
#include "storage/run_history.h"

#include <cstddef>
#include <string>
#include <vector>

// The titles and texts of the export's message boxes, character for character as the person
// sees them.
namespace vesko::export_messages {

// The run.
inline constexpr const char* kTempExistsTitle = "Temporary Folder Exists";
inline std::string TempExistsText(const std::string& destination)
{
    return std::string("The temporary destination folder already exists!") + CR + CR + "Files "
        + "can't be copied to an existing folder." + CR + CR + "Rename " + "or delete the folder "
        + destination + " or " + "change the temporary backup folder in the settings "
        + "section to a folder which doesn't already exist.";
}
// A progress step, also a line on standard error: the person learns where the tree went.
inline std::string RemovingLeftTreeStep(const std::string& destination)
{
    return "Removing the temporary folder " + destination
        + " that an earlier export left when it failed or was stopped";
}
// A progress step, also a line on standard error: a folder of the program's own inside a
// source is not backed up.
inline std::string SkippedFolderStep(const LeftOutFile& folder)
{
    return "Not backing up " + folder.path + ", " + folder.reason + ", inside a source";
}
inline constexpr const char* kExportErrorTitle = "Export Error";
inline constexpr const char* kCopyErrorText = "Copy Error!";
inline constexpr const char* kExportCancelledTitle = "Export Cancelled";
inline constexpr const char* kCopyCancelledText
    = "Export cancelled. The files copied so far were removed; no archive was written.";
inline constexpr const char* kArchiveErrorText = "Archive Error!";
inline constexpr const char* kSuccessTitle = "Vesko Backup";
inline constexpr const char* kSuccessText = "Backup completed successfully.";
inline constexpr const char* kCleanupTitle = "Cleanup Temporary Directory";
inline constexpr const char* kCleanupQuestion = "Proceed with cleanup?";
inline constexpr const char* kCleanupCancelledTitle = "Cleanup Cancelled";
inline std::string CleanupCancelledText()
{
    return std::string("Cleanup operation cancelled.") + CR + CR + "Make "
        + "sure that the temporary directory is deleted before running "
        + "another backup otherwise an error will occur.";
}
inline constexpr const char* kCleanupDoneText = "Cleanup operation completed.";
// Nothing was modified after the cut-off: the archiver would write nothing and exit with 1.
inline constexpr const char* kNothingTitle = "Nothing to Archive";
inline std::string NothingText(const std::string& dateText)
{
    return "No file was modified on or after " + dateText + "." + CR + CR
        + "No archive was written.";
}

// The preparation of one source folder.
inline constexpr const char* kInvalidDriveTitle = "Invalid Drive";
inline constexpr const char* kSourceDriveText = "Source drive doesn't exist!";
inline constexpr const char* kDestinationDriveText = "Destination drive doesn't exist!";
inline constexpr const char* kArchiveDriveText = "Archive drive doesn't exist!";
inline constexpr const char* kInvalidSourceTitle = "Invalid Source Folder";
inline constexpr const char* kInvalidSourceText = "Source folder doesn't exist.";
inline constexpr const char* kArchiveExistsTitle = "Archive Exists";
// files: every volume of an archive of that name found in the archive folder.
inline std::string ArchiveExistsText(const std::vector<std::string>& files)
{
    std::string text = std::string("An archive of the same name already exists!") + CR;
    for (const std::string& file : files)
        text += CR + file;
    return text + CR + CR + "Remove or rename " + (files.size() == 1 ? "the file" : "these files")
        + " and try again.";
}
inline constexpr const char* kInvalidArchiveFolderTitle = "Invalid Archive Folder";
inline std::string InvalidArchiveFolderText(const std::string& archiveDir, const std::string& temp)
{
    return "The archive folder " + archiveDir + " is the temporary folder " + temp
        + " or lies inside it." + CR + CR + "The cleanup after the export deletes the "
        + "temporary folder with everything in it, the archive included. Choose an archive "
        + "folder outside the temporary folder in the settings section.";
}
// The archive named elsewhere by its name's "..", or by a link.
inline std::string ArchiveInSourceText(const std::string& archive, const std::string& source)
{
    return "The archive " + archive + " would be written into the source folder " + source + "."
        + CR + CR + "Every later export would back it up again. Choose an archive "
        + "name without \"..\" or an archive folder outside the sources.";
}
inline constexpr const char* kInvalidTempFolderTitle = "Invalid Temporary Folder";
inline std::string DotTempFolderText(const std::string& temp)
{
    return "The temporary folder " + temp + " lies below a folder whose name begins with a "
        + "dot, at the top of the file system." + CR + CR + "The archiver cannot take such "
        + "paths. Choose another temporary folder in the settings section.";
}
inline constexpr const char* kCopyTrapTitle = "Error Copying Files";

// The archive step.
inline constexpr const char* kArchiveFailedTitle = "Archive Failed";
inline constexpr const char* kArchiveFailedText = "Failed to archive files.";
inline constexpr const char* kArchiveTrapTitle = "Archive Error";
inline constexpr const char* kVerifyingStep = "Verifying archive";

// What was left out, as "path: reason" lines.
inline constexpr std::size_t kLeftOutShown = 10;
inline std::string LeftOutLines(const std::vector<LeftOutFile>& leftOut, std::size_t count)
{
    std::string lines;
    for (std::size_t i = 0; i < leftOut.size() && i < count; ++i)
        lines += (i == 0 ? "" : std::string(1, CR)) + leftOut[i].path + ": " + leftOut[i].reason;
    if (leftOut.size() > count)
        lines += CR + std::string("\u2026 and ") + std::to_string(leftOut.size() - count) + " more";
    return lines;
}
inline std::string FileCount(std::size_t n)
{
    return std::to_string(n) + (n == 1 ? " file" : " files");
}
// A missing source and a folder that could not be read are folders, not files.
inline bool IsFolder(const LeftOutFile& entry)
{
    return entry.reason == kInvalidSourceText || entry.reason == kSourceDriveText
        || entry.reason.starts_with("folder cannot be read");
}
inline std::string LeftOutCount(const std::vector<LeftOutFile>& leftOut)
{
    std::size_t folders = 0;
    for (const LeftOutFile& entry : leftOut)
        folders += IsFolder(entry) ? 1 : 0;
    const std::size_t files = leftOut.size() - folders;
    const std::string folderText
        = std::to_string(folders) + (folders == 1 ? " folder" : " folders");
    if (folders == 0)
        return FileCount(files);
    return files == 0 ? folderText : FileCount(files) + " and " + folderText;
}
// Links, special files and the program's own folders found in the sources, when there are.
inline std::string NotTakenLine(const std::vector<LeftOutFile>& notTaken)
{
    if (notTaken.empty())
        return {};
    return std::string(2, CR) + std::to_string(notTaken.size())
        + (notTaken.size() == 1 ? " entry" : " entries")
        + " not taken (links, special files, the archive or temporary folder): the run "
        + "history lists them.";
}
// The archive was verified, but its final name was taken while it was written.
inline std::string NameTakenText(const std::string& kept, const std::string& why)
{
    return std::string(kArchiveFailedText) + CR + CR + why + CR + CR
        + "The verified archive is kept as " + kept + ".";
}
inline constexpr const char* kIncompleteTitle = "Backup Incomplete";
inline std::string IncompleteText(const std::vector<LeftOutFile>& leftOut)
{
    return std::string("The archive was written and verified, but ") + LeftOutCount(leftOut)
        + " could not be backed up:" + CR + CR + LeftOutLines(leftOut, kLeftOutShown) + CR + CR
        + "The date of the last export was not recorded.";
}
// The box's details: every left-out file, then where they stay once the box is closed.
inline std::string IncompleteDetails(const std::vector<LeftOutFile>& leftOut)
{
    return LeftOutLines(leftOut, leftOut.size()) + CR + CR + history::kSeeHistoryLine;
}
// Nothing was copied, and something was left out: no archive would hold anything.
inline std::string NothingCopiedText(const std::vector<LeftOutFile>& leftOut)
{
    return std::string(kCopyErrorText) + CR + CR + "Nothing could be backed up; "
        + LeftOutCount(leftOut) + " could not be:" + CR + CR + LeftOutLines(leftOut, kLeftOutShown);
}

} // namespace vesko::export_messages
