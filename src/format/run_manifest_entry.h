#pragma once

#include "format/archive_headers.h"

namespace vesko {

// The archive's entry that describes the export's run: the shallowest file entry named
// kRunManifestName (every source's mirror lies below the folder it was written in); null
// in an archive that holds none.
const ArchiveEntry* RunManifestEntry(const ArchiveContents& contents);

} // namespace vesko
