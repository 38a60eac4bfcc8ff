#pragma once

#include "format/archive_headers.h"
#include "restore/run_manifest.h"

#include <optional>
#include <string>
#include <vector>

namespace vesko {

class SettingsStore;
class UiServices;

// A manifest's file lines as the history's copy keeps them, compressed, read on first use: a
// restore needs the files of one archive only, and they are most of its manifest.
class WaitingFiles {
public:
    explicit WaitingFiles(std::string packed)
        : packed_(std::move(packed))
    {
    }
    // Throws Error when the lines are damaged.
    const std::vector<ManifestFile>& Read() const;

private:
    std::string packed_;
    mutable std::optional<std::vector<ManifestFile>> files_;
};

// An archive of this program's with what its manifest says about the run that made it.
struct CataloguedArchive {
    std::string path; // its first volume
    ArchiveContents contents; // as its headers give it
    RunManifest manifest; // without its files while they wait
    std::string base; // the stored folder the manifest lies in: "" or "tmp/vesko-temp/"
    std::optional<WaitingFiles> waiting;

    // The files the manifest lists.
    const std::vector<ManifestFile>& Files() const
    {
        return waiting ? waiting->Read() : manifest.files;
    }
};

// The first volumes of the archives in folder (ending with '/'), by name. Error when the
// folder cannot be read.
std::vector<std::string> ArchivesInFolder(const std::string& folder);
// The archives of the exports the history knows as written and verified, oldest first;
// one whose first volume is gone is left out (removed by the person or by retention).
std::vector<std::string> ArchivesInHistory(SettingsStore& store);

// Reads each archive's headers and extracts its manifest alone into a private scratch
// folder. An archive without a manifest (not made by this program) is left out; one that
// is damaged or misses a volume throws Error naming it. Oldest run first.
std::vector<CataloguedArchive> ReadCatalogue(
    const std::vector<std::string>& archives, const std::string& program, UiServices& ui);
// The catalogue of the history's archives (those of ArchivesInHistory): each from the copy
// its export kept beside the history while every volume is as recorded, else read as
// ReadCatalogue reads it.
std::vector<CataloguedArchive> ReadHistoryCatalogue(
    SettingsStore& store, const std::string& program, UiServices& ui);

} // namespace vesko
