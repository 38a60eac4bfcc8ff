#pragma once

namespace vesko {

// The names this program gives its own files in the folders it works in: the marker an
// export leaves in its temporary folder, and the start of an import's staging folders. The
// archive never holds the first, and an entry bearing either is refused.
inline constexpr const char* kRunMarkerName = ".vesko-backup-run";
inline constexpr const char* kStagingPrefix = ".vesko-import-";
// The file each export adds at the top of its temporary tree to describe its run, for a
// restore from the archive alone. A source can never mirror onto it: every mirror lies
// below a folder of the tree.
inline constexpr const char* kRunManifestName = "vesko-backup-run.manifest";

} // namespace vesko
