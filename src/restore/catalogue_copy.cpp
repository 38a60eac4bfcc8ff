#include "restore/catalogue_copy.h"

#include "core/volume_drift.h"
#include "format/entry_safety.h"
#include "format/run_manifest_entry.h"
#include "platform/error.h"

#include <fstream>
#include <iterator>
#include <QByteArray>
#include <sys/stat.h>

namespace vesko {

namespace {

// Fast rather than small: the export pays for it each night, and names compress well anyway.
constexpr int kCompressionLevel = 1;

// Nothing stays nothing, so that only damage uncompresses to nothing.
std::string Compressed(const std::string& bytes)
{
    if (bytes.empty())
        return {};
    const QByteArray packed = qCompress(
        reinterpret_cast<const uchar*>(bytes.data()), qsizetype(bytes.size()), kCompressionLevel);
    return std::string(packed.constData(), std::size_t(packed.size()));
}

// Empty when the bytes are not what Compressed wrote.
std::string Uncompressed(const std::string& bytes)
{
    if (bytes.empty())
        return {};
    const QByteArray plain
        = qUncompress(reinterpret_cast<const uchar*>(bytes.data()), qsizetype(bytes.size()));
    return std::string(plain.constData(), std::size_t(plain.size()));
}

// Each entry as its name, a NUL (which no stored name holds), type, system, flags and the
// size in eight bytes, least significant first.
std::string EntriesBytes(const std::vector<ArchiveEntry>& entries)
{
    std::string out;
    for (const ArchiveEntry& entry : entries) {
        out += entry.name;
        out += '\0';
        out += char(entry.type);
        out += char(entry.hostOs);
        out += char(entry.flags);
        for (int i = 0; i < 8; ++i)
            out += char((entry.size >> (8 * i)) & 0xff);
    }
    return out;
}

std::optional<std::vector<ArchiveEntry>> EntriesFromBytes(const std::string& bytes)
{
    std::vector<ArchiveEntry> entries;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find('\0', at);
        if (end == std::string::npos || bytes.size() - end < 12)
            return std::nullopt;
        ArchiveEntry& entry = entries.emplace_back();
        entry.name.assign(bytes, at, end - at);
        entry.type = static_cast<unsigned char>(bytes[end + 1]);
        entry.hostOs = static_cast<unsigned char>(bytes[end + 2]);
        entry.flags = static_cast<unsigned char>(bytes[end + 3]);
        for (int i = 7; i >= 0; --i)
            entry.size = (entry.size << 8) | static_cast<unsigned char>(bytes[end + 4 + i]);
        at = end + 12;
    }
    return entries;
}

bool SameAsRecorded(const history::RecordedCatalogue& recorded, const std::string& archive)
{
    const auto& volumes = recorded.volumes;
    return volumes.front().path == archive && volumes.size() == recorded.copy.volumeTimes.size()
        && !FirstDriftedVolume(volumes, &recorded.copy.volumeTimes);
}

} // namespace

const std::vector<ManifestFile>& WaitingFiles::Read() const
{
    if (!files_) {
        const std::string lines = Uncompressed(packed_);
        if (lines.empty() && !packed_.empty())
            throw Error("Damaged manifest: its files cannot be uncompressed");
        files_ = ParseManifestFiles(lines);
    }
    return *files_;
}

void KeepCatalogueCopy(SettingsStore& store, std::int64_t run, const ArchiveContents& contents)
{
    const ArchiveEntry* entry = RunManifestEntry(contents);
    // Checked once here rather than at each restore, where it would cost more than the rest
    // of the copy's reading: an archive with an entry the restore must refuse keeps no copy,
    // and is read (and refused) as any other.
    const std::string folder
        = contents.volumes.front().substr(0, contents.volumes.front().rfind('/') + 1);
    if (!entry || FirstUnsafeEntry(contents, folder))
        return;
    // The archiver stored the absolute path it was given without its leading '/'.
    const std::string written = "/" + entry->name;
    std::ifstream in(written, std::ios::binary);
    const std::string manifest
        = in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string();
    if (!in || manifest.size() != entry->size)
        throw Error("Cannot read back " + written);
    history::SaveCatalogueCopy(store, run, MakeCatalogueCopy(contents, manifest));
}

history::CatalogueCopy MakeCatalogueCopy(
    const ArchiveContents& contents, const std::string& manifest)
{
    history::CatalogueCopy copy;
    for (const std::string& volume : contents.volumes) {
        struct stat st { };
        if (::stat(volume.c_str(), &st) != 0)
            throw Error("Cannot read the time of " + volume);
        copy.volumeTimes.push_back(ModifiedNs(st));
    }
    copy.entries = Compressed(EntriesBytes(contents.entries));
    const auto [head, files] = SplitManifest(manifest);
    copy.manifest = head;
    copy.manifestFiles = Compressed(std::string(files));
    return copy;
}

std::optional<CataloguedArchive> CatalogueFromCopy(
    SettingsStore& store, std::int64_t run, const std::string& archive)
{
    const std::optional<history::RecordedCatalogue> recorded
        = history::LoadCatalogueCopy(store, run);
    if (!recorded || !SameAsRecorded(*recorded, archive))
        return std::nullopt;
    std::optional<std::vector<ArchiveEntry>> entries
        = EntriesFromBytes(Uncompressed(recorded->copy.entries));
    if (!entries)
        return std::nullopt;
    CataloguedArchive read;
    read.path = archive;
    for (const ArchiveVolume& volume : recorded->volumes)
        read.contents.volumes.push_back(volume.path);
    read.contents.entries = std::move(*entries);
    // Its entries were found safe when the copy was kept, and the volumes are unchanged.
    const ArchiveEntry* entry = RunManifestEntry(read.contents);
    if (!entry)
        return std::nullopt;
    try {
        read.manifest = ParseManifest(recorded->copy.manifest);
    } catch (const Error&) {
        return std::nullopt;
    }
    read.waiting.emplace(recorded->copy.manifestFiles);
    read.base = entry->name.substr(0, entry->name.size() - std::string(kRunManifestName).size());
    return read;
}

} // namespace vesko
