// The files a walk chose, copied into their mirror folders.
#include "core/ui_services.h"
#include "foldertree/copy_plan.h"
#include "foldertree/temp_tree.h"
#include "platform/error.h"
#include "platform/filesystem.h"

#include <exception>
#include <memory>
#include <utility>

namespace vesko {

namespace {

struct Copier {
    const FileSystem fs;
    const foldertree::TempTree temp;
    UiServices& ui;
    const CopyPlan& plan;
    CopyLog& log;
    std::vector<bool> made; // per folder of the plan: its mirror is there
    // The folders from a source folder down to the last file's, held open as the walk held
    // them: the plan goes folder by folder, so each is opened once.
    std::vector<std::pair<std::size_t, std::unique_ptr<ReopenedFolder>>> chain;
};

const ReopenedFolder& Reopened(Copier& copier, std::size_t folder)
{
    if (!copier.chain.empty() && copier.chain.back().first == folder)
        return *copier.chain.back().second;
    std::vector<std::size_t> way;
    for (std::size_t f = folder; f != PlannedFolder::kNone; f = copier.plan.folders[f].parent)
        way.insert(way.begin(), f);
    std::size_t kept = 0;
    while (kept < copier.chain.size() && kept < way.size() && copier.chain[kept].first == way[kept])
        ++kept;
    copier.chain.resize(kept);
    for (std::size_t k = kept; k < way.size(); ++k) {
        const PlannedFolder& next = copier.plan.folders[way[k]];
        copier.chain.emplace_back(way[k],
            k == 0 ? std::make_unique<ReopenedFolder>(next.path)
                   : std::make_unique<ReopenedFolder>(*copier.chain[k - 1].second, next.name));
    }
    return *copier.chain.back().second;
}

// The mirror of a folder, after the mirrors above it: a folder that receives nothing is never
// made.
void Make(Copier& copier, std::size_t folder)
{
    if (copier.made[folder])
        return;
    const PlannedFolder& mirror = copier.plan.folders[folder];
    if (mirror.parent == PlannedFolder::kNone) {
        if (!copier.fs.FolderExists(mirror.mirror))
            copier.temp.MakeMirror(copier.fs, mirror.mirror.substr(copier.temp.Text().size()));
    } else {
        Make(copier, mirror.parent);
        try {
            copier.fs.MakeDir(mirror.mirror);
        } catch (const Error&) {
            // Another source of the export may have made it already.
            if (!copier.fs.FolderExists(mirror.mirror))
                throw;
        }
    }
    copier.made[folder] = true;
}

void Copy(Copier& copier, const PlannedFile& file)
{
    const PlannedFolder& folder = copier.plan.folders[file.folder];
    const std::string original = folder.path + (folder.path == "/" ? "" : "/") + file.name;
    const std::string copy = folder.mirror + file.name;
    const ReopenedFolder* open = nullptr;
    try {
        open = &Reopened(copier, file.folder);
    } catch (const Error& e) {
        copier.log.leftOut.push_back({ original, "its folder cannot be read: " + e.reason() });
        return;
    }
    Make(copier, file.folder);
    std::optional<FileFacts> copied;
    try {
        copied = open->CopyFileIfSame(file.name, file.facts.identity, copy);
    } catch (const WriteError&) {
        throw;
    } catch (const Error& e) {
        // Unreadable, or gone since it was looked at.
        copier.log.leftOut.push_back({ original, "cannot be read: " + e.reason() });
        return;
    }
    if (!copied) {
        copier.log.leftOut.push_back({ original, "replaced since it was looked at" });
        return;
    }
    copier.log.copied.push_back({ copy, original, original.substr(folder.belowAt) });
    ++copier.log.counters.copied;
    copier.log.counters.bytes += copied->size;
}

} // namespace

CopyEnd CopyPlannedFiles(UiServices& ui, const CopyPlan& plan, CopyLog& log)
{
    if (plan.files.empty())
        return CopyEnd::Done;
    try {
        Copier copier { FileSystem(), foldertree::TempTree(plan.tempFolder), ui, plan, log,
            std::vector<bool>(plan.folders.size()), {} };
        std::size_t shown = PlannedFolder::kNone;
        for (const PlannedFile& file : plan.files) {
            if (file.folder != shown) {
                shown = file.folder;
                ui.ProgressFolder(plan.folders[shown].path);
            }
            Copy(copier, file);
            const CopyCounters& counters = log.counters;
            ui.ProgressCounts(counters.examined, counters.copied, counters.bytes);
            if (ui.ProgressPoll())
                return CopyEnd::Cancelled;
        }
        return CopyEnd::Done;
    } catch (const std::exception& e) {
        ShowTrap(ui, "Error Add Files", e.what());
        return CopyEnd::Failed;
    }
}

} // namespace vesko
