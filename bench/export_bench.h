#pragma once

#include <string>

// Runs the whole export (copy phase, archiver, verification) of the tree at source, runs
// times, in folders below base, and prints each phase and the verification's share of the
// archiver's own time. False when an export did not succeed.
bool ExportBench(const std::string& source, const std::string& base, int runs);
