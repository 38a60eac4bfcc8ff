#pragma once

#include "care/chains.h"
#include "platform/dates.h"

#include <cstdint>
#include <map>
#include <string>

namespace vesko {

class SettingsStore;
class UiServices;

enum class CheckVerdict {
    Holds,
    Missing, // a recorded volume is gone (renamed, moved or deleted)
    Changed, // a volume's size, or the files the headers list, differ from the record
    Damaged, // the archiver's test or the headers fail
};
// "holds", "missing", "changed", "damaged": the words the history keeps.
const char* VerdictName(CheckVerdict verdict);

struct ArchiveCheck {
    std::int64_t run = 0;
    std::string archive;
    TimePoint checked;
    CheckVerdict verdict = CheckVerdict::Holds;
    std::string detail; // why it does not hold
};

// Tests an archive the history knows, cheapest first: every recorded volume present with its
// recorded size; the archiver's test of every volume (archiver: its program); the headers
// against the files the run recorded, by path below the source and size. The archiver's
// output goes to ui. Throws Error when the history cannot be read or the archiver started.
ArchiveCheck CheckArchive(SettingsStore& store, const history::KnownArchive& archive,
    const std::string& archiver, UiServices& ui);

// Keeps a check in the history; the last check of each run's archive, by run.
void RecordCheck(SettingsStore& store, const ArchiveCheck& check);
std::map<std::int64_t, ArchiveCheck> LastChecks(SettingsStore& store);

} // namespace vesko
