#include "format/run_manifest_entry.h"

#include "format/working_names.h"

#include <string>

namespace vesko {

const ArchiveEntry* RunManifestEntry(const ArchiveContents& contents)
{
    const std::string suffix = std::string("/") + kRunManifestName;
    const ArchiveEntry* found = nullptr;
    for (const ArchiveEntry& entry : contents.entries) {
        if (!entry.IsFile())
            continue;
        if (entry.name != kRunManifestName && !entry.name.ends_with(suffix))
            continue;
        if (!found || entry.name.size() < found->name.size())
            found = &entry;
    }
    return found;
}

} // namespace vesko
