#pragma once

#include "restore/archive_catalogue.h"
#include "storage/catalogue_copies.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vesko {

class SettingsStore;

// Keeps beside the history what a restore reads of the archive the run's export has just
// verified: its headers as the verification read them, the manifest the export wrote (read
// back from the temporary folder the archiver took it from), and each volume's modification
// time. An archive without a manifest, or with an entry a restore must refuse, keeps nothing.
// Throws Error.
void KeepCatalogueCopy(SettingsStore& store, std::int64_t run, const ArchiveContents& contents);
// The copy KeepCatalogueCopy stores: each volume's time, the entries and the manifest's bytes
// compressed. Throws Error when a volume cannot be looked at.
history::CatalogueCopy MakeCatalogueCopy(
    const ArchiveContents& contents, const std::string& manifest);

// The archive as that copy gives it, when every volume the history recorded is still a
// regular file with its recorded size and modification time; nullopt when the copy is
// absent, unreadable or any volume differs: the archive must then be read itself.
std::optional<CataloguedArchive> CatalogueFromCopy(
    SettingsStore& store, std::int64_t run, const std::string& archive);

} // namespace vesko
