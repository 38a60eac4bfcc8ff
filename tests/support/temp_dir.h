#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace vesko::test {

// A fresh folder below the system's temporary folder, removed with everything in it
// (write permission restored first) when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing '/'.
    const std::string& Path() const { return path_; }
    // path_ + "/" + relative.
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Sets an environment variable for the scope, restoring the old value afterwards.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    bool had_ = false;
    std::string old_;
};

// Small helpers on real files.
void WriteFile(const std::string& path, const std::string& bytes); // makes parent folders
std::string ReadFile(const std::string& path);
void MakeDirs(const std::string& path);
// Sets the modification time (and access time) of a file or folder.
void SetMTime(const std::string& path, std::chrono::system_clock::time_point when);
std::chrono::system_clock::time_point MTime(const std::string& path);
// Local time of a given day and clock time.
std::chrono::system_clock::time_point LocalTime(
    int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
// Every regular file below root, as relative paths, sorted.
std::vector<std::string> ListFilesBelow(const std::string& root);
// Runs a command through /bin/sh, returns its exit status; output to the given string.
int Shell(const std::string& command, std::string* output = nullptr);
// Runs SQL (no '"', '$' or '`' in it) on an SQLite file as another program would; its output.
std::string Sql(const std::string& file, const std::string& sql);

} // namespace vesko::test
