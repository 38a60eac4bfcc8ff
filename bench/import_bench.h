#pragma once

#include <string>

// Archives the tree at source, then times the import of that archive against a plain
// extraction, runs times each, in folders below base. False when the two restore
// different files.
bool ImportBench(const std::string& source, const std::string& base, int runs);
