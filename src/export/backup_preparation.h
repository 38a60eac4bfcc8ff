#pragma once

#include <string>

namespace vesko {

struct Host;

namespace export_steps {

// CopyBackupFiles, also telling the run whether this call made the temporary folder: the
// run removes an empty temporary folder only when one of its own calls made it.
bool PrepareSource(Host& host, const std::string& strSource, const std::string& strArchiveDir,
    const std::string& strArchiveFile, const std::string& strDestination);

} // namespace export_steps
} // namespace vesko
