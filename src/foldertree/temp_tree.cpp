#include "foldertree/temp_tree.h"

#include "platform/path_rules.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace vesko::foldertree {

std::string NormalisedPath(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path)
        if (c != paths::kSeparator || out.empty() || out.back() != paths::kSeparator)
            out.push_back(c);
    if (out.size() > 1 && out.back() == paths::kSeparator)
        out.pop_back();
    return out;
}

std::string ResolvedPath(const std::string& path)
{
    std::string head = NormalisedPath(path), tail;
    while (!head.empty()) {
        char resolved[PATH_MAX];
        // The rest may hold ".." (an Export Name "../x"): taken away by its words.
        if (::realpath(head.c_str(), resolved) != nullptr)
            return NormalisedPath(std::filesystem::path(resolved + tail).lexically_normal());
        const auto cut = head.find_last_of(paths::kSeparator);
        if (cut == std::string::npos)
            break;
        tail = head.substr(cut) + tail;
        head = head.substr(0, cut);
    }
    return NormalisedPath(path);
}

bool SameOrHolds(const std::string& outer, const std::string& inner)
{
    return TempTree(outer).Holds(inner) || TempTree(ResolvedPath(outer)).Holds(ResolvedPath(inner));
}

TempTree::TempTree(const std::string& fieldText)
    : text_(fieldText)
    , bare_(NormalisedPath(fieldText))
{
    if (!paths::EndsWithSeparator(text_))
        text_.push_back(paths::kSeparator);
    // "/" as the temporary folder holds every path; "" keeps the prefix test below simple.
    if (bare_ == "/")
        bare_.clear();
}

bool TempTree::Holds(const std::string& path) const
{
    const std::string p = NormalisedPath(path);
    if (p == bare_)
        return true;
    return p.size() > bare_.size() && p.compare(0, bare_.size(), bare_) == 0
        && p[bare_.size()] == paths::kSeparator;
}

void TempTree::MakeMirror(const FileSystem& fs, std::string relative) const
{
    while (paths::EndsWithSeparator(relative))
        relative.pop_back();
    if (relative.empty()) {
        // The mirror of "/" is the temporary folder itself; it holds copies of the user's
        // files, so it is private when it has to be made here.
        fs.MakeDir(text_, S_IRWXU);
        return;
    }
    fs.MakeMissingFolders(text_, relative);
}

} // namespace vesko::foldertree
