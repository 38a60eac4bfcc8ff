#include "support/temp_dir.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace vesko::test {

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "vesko-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    // Tests take write or read permission away to provoke failures; give it back first.
    Shell("chmod -R u+rwX '" + path_ + "' 2>/dev/null");
    // rm, unlike remove_all, also takes folder chains deeper than a path can name.
    Shell("rm -rf '" + path_ + "'");
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value)
    : name_(std::move(name))
{
    if (const char* old = std::getenv(name_.c_str())) {
        had_ = true;
        old_ = old;
    }
    ::setenv(name_.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (had_)
        ::setenv(name_.c_str(), old_.c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void SetMTime(const std::string& path, std::chrono::system_clock::time_point when)
{
    const auto ns
        = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
    const timespec time { ns / 1000000000, ns % 1000000000 }, times[2] = { time, time };
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("utimensat failed for " + path);
}

void MakeDirs(const std::string& path)
{
    fs::create_directories(path);
}

std::chrono::system_clock::time_point MTime(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0)
        throw std::runtime_error("lstat failed for " + path);
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(st.st_mtim.tv_sec)
            + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
}

std::chrono::system_clock::time_point LocalTime(
    int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

std::vector<std::string> ListFilesBelow(const std::string& root)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && !entry.is_symlink())
            files.push_back(fs::relative(entry.path(), root).string());
    std::sort(files.begin(), files.end());
    return files;
}

int Shell(const std::string& command, std::string* output)
{
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, n);
    int status = ::pclose(pipe);
    if (output)
        *output = out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Sql(const std::string& file, const std::string& sql)
{
    std::string output;
    if (Shell("sqlite3 -bail '" + file + "' \"" + sql + "\"", &output) != 0)
        throw std::runtime_error("sqlite3: " + output);
    return output;
}

} // namespace vesko::test
