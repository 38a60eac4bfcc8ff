#pragma once

#include <cstdint>
#include <string>

namespace vesko {

// The line a success box adds so that a backup of one file never reads like one of
// thousands: "327 files (288,512,000 bytes) archived in /home/ann/Backups/x.arj."
// done is what happened to them ("archived in", "restored into").
std::string CountsLine(
    std::uint64_t files, std::uint64_t bytes, const std::string& done, const std::string& where);

// A count with a comma between each group of three digits: 288,512,000.
std::string GroupedCount(std::uint64_t n);

} // namespace vesko
