#pragma once

#include <QString>

namespace vesko {

class SettingsStore;

// Checks every archive the history knows and has not removed, recording each result, with
// the archiver of the stored settings; the window's events are served meanwhile. Answers a
// line for the person: how many hold, and each that does not with why.
QString CheckKnownArchives(SettingsStore& store);

} // namespace vesko
