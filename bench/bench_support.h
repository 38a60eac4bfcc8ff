#pragma once

// What every benchmark program needs: failing loudly, timing, the median of runs, shell
// quoting, and the files of a tree.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace vesko::bench {

using Clock = std::chrono::steady_clock;

inline void Check(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error(what);
}

inline double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// s in single quotes for sh, its own single quotes closed, escaped and reopened.
inline std::string Quoted(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The regular files below root, relative to it, sorted.
inline std::vector<std::string> FilesBelow(const std::string& root)
{
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_regular_file())
            out.push_back(std::filesystem::relative(e.path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace vesko::bench
