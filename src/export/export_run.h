#pragma once

#include <string>

namespace vesko {

struct Host;

// The Export button. Returns true when the archive was written (the archiver ended with 0
// and the date was recorded) or when nothing was modified after the cut-off and the person
// was told so; the window ignores it, the command line turns it into the exit status.
bool cmdExport_Click(Host& host);

void CopyBackupFiles(Host& host, const std::string& strSource, const std::string& strArchiveDir,
    const std::string& strArchiveFile, const std::string& strDestination);
void ArchiveCopiedFiles(Host& host, const std::string& strArchiveDir,
    const std::string& strArchiveFile, const std::string& strDestination);

} // namespace vesko
