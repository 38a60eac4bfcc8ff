#pragma once

#include "platform/filesystem.h"

#include <string>

namespace vesko::foldertree {

// The temporary folder as the walks of a source see it: the place the mirrors go, and the
// one folder they must not enter. When it lies inside a source (the home folder, say),
// walking it would copy the temporary tree into itself, deeper on every level.
class TempTree {
public:
    // fieldText: the Temp Folder text. Mirrors are formed by concatenation, so a text
    // without its closing '/' is given one; otherwise the mirrors would land beside the
    // temporary folder instead of inside it.
    explicit TempTree(const std::string& fieldText);

    // The temporary folder text, ending with '/'.
    const std::string& Text() const { return text_; }
    // True for the temporary folder itself and every path below it.
    bool Holds(const std::string& path) const;
    // True for the temporary folder itself, given a path without repeated or trailing '/'
    // (as a walk forms them): the one subfolder a walk of a source does not enter.
    bool Is(const std::string& normalisedPath) const { return normalisedPath == bare_; }
    // Creates the missing mirror folder Text() + relative. The mirror of a source's own
    // folder lacks the levels above it (home/ann/ for /home/ann/docs, and again after
    // pruning has taken them away), so those are made first, top down, never above the
    // temporary folder itself.
    void MakeMirror(const FileSystem& fs, std::string relative) const;

private:
    std::string text_;
    std::string bare_; // without repeated or trailing '/'
};

// A path without repeated '/' and without a trailing '/' ("/" stays "/").
std::string NormalisedPath(const std::string& path);
// The path normalised, with its links and ".." resolved as far as it exists and the rest
// appended as written: a folder about to be made is compared as it will be.
std::string ResolvedPath(const std::string& path);
// True when outer is inner or holds it, both taken as written and as resolved.
bool SameOrHolds(const std::string& outer, const std::string& inner);

} // namespace vesko::foldertree
