#pragma once

#include "support/temp_dir.h"

#include <filesystem>
#include <random>
#include <string>

namespace vesko::test {

// Bytes no archiver can compress, the same for the same seed.
inline std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (auto& b : bytes)
        b = static_cast<char>(random() & 0xff);
    return bytes;
}

// An executable shell script at path, with the given body.
inline void WriteScript(const std::string& path, const std::string& body)
{
    WriteFile(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

} // namespace vesko::test
