#include "export/path_checks.h"

#include "core/requests.h"
#include "export/export_messages.h"
#include "foldertree/temp_tree.h"

namespace vesko::export_steps {

namespace msg = export_messages;

namespace {

// The first name of the path, which becomes the top-level name of every entry the archiver
// is handed.
std::string FirstName(const std::string& path)
{
    const std::string normal = foldertree::NormalisedPath(path);
    const std::size_t begin = normal.find_first_not_of('/');
    if (begin == std::string::npos)
        return {};
    return normal.substr(begin, normal.find('/', begin) - begin);
}

} // namespace

std::optional<PathRefusal> RefusedPaths(const ExportRequest& request)
{
    const std::string& temp = request.tempFolder;
    for (const std::string& path : { temp, foldertree::ResolvedPath(temp) })
        if (FirstName(path).starts_with('.'))
            return PathRefusal { msg::kInvalidTempFolderTitle, msg::DotTempFolderText(temp) };

    const std::string archive
        = foldertree::ResolvedPath(request.archiveFolder + request.archiveName + ".arj");
    if (foldertree::SameOrHolds(temp, archive))
        return PathRefusal { msg::kInvalidArchiveFolderTitle,
            msg::InvalidArchiveFolderText(archive, temp) };
    // Inside the archive folder the walk steps around it; anywhere else in a source it is a
    // file like any other.
    if (foldertree::SameOrHolds(request.archiveFolder, archive))
        return std::nullopt;
    for (const std::string& source : request.sources)
        if (!source.empty() && foldertree::SameOrHolds(source, archive))
            return PathRefusal { msg::kInvalidArchiveFolderTitle,
                msg::ArchiveInSourceText(archive, source) };
    return std::nullopt;
}

} // namespace vesko::export_steps
