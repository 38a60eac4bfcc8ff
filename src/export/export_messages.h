#pragma once

#include "platform/ui_services.h"

#include <string>

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
inline constexpr const char* kExportErrorTitle = "Export Error";
inline constexpr const char* kCopyErrorText = "Copy Error!";
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
inline std::string ArchiveExistsText(const std::string& archive)
{
    return std::string("An archive of the same name already exists!") + CR + CR + "Remove "
        + "or rename the file " + archive + " and try again.";
}
inline constexpr const char* kCopyTrapTitle = "Error Copying Files";

// The archive step.
inline constexpr const char* kArchiveFailedTitle = "Archive Failed";
inline constexpr const char* kArchiveFailedText = "Failed to archive files.";
inline constexpr const char* kArchiveTrapTitle = "Archive Error";

} // namespace vesko::export_messages
