#include "platform/filesystem.h"
#include "support/probes.h"
#include "support/temp_dir.h"

#include <csignal>
#include <cstddef>
#include <cstring>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <map>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>

using namespace vesko;
using namespace vesko::test;
using Strings = std::vector<std::string>;
using Tree = std::map<std::string, std::string>;

namespace {

// Every file below a folder with its bytes; nothing when there is no folder.
Tree FilesBelow(const std::string& root)
{
    Tree tree;
    for (const std::string& name : Exists(root) ? ListFilesBelow(root) : Strings {})
        tree[name] = ReadFile(root + "/" + name);
    return tree;
}

void Sh(const std::string& dir, const std::string& command)
{
    std::string output;
    ASSERT_EQ(Shell("cd '" + dir + "' && " + command, &output), 0) << command << output;
}

} // namespace

// Copies a file as the walk does: its folder open, the file looked at once, a change made
// between the look and the copy.
TEST(FileSystem, CopyKeepsBytesTimesAndModeOrLeavesTheDestinationAsItWas)
{
    const struct {
        const char* name;
        const char* source; // "" for the row's "f", beside the folders "d" and "out"
        const char* change; // a shell command run there; '!' first: the disk is full after it
        // "" when the copy must succeed, "passed over" when it is no longer the file looked at,
        // else "read|..." or "write|..."
        const char* error;
    } rows[] = {
        { "fresh copy on the same disk", "", "", "" },
        { "longer old copy replaced", "", "head -c 400000 /dev/zero >out/copy", "" },
        { "link at the destination replaced", "", "ln -s ../d/victim out/copy", "" },
        { "FIFO at the destination replaced", "", "mkfifo out/copy", "" },
        { "kernel file copied by sendfile", "/sys/devices/system/cpu/online", "", "" },
        { "process file copied by reads and writes", "/proc/self/cmdline", "", "" },
        { "unreadable process memory", "/proc/self/mem", "", "read|Input/output error" },
        { "file gone since the look", "", "rm f", "read|No such file or directory" },
        { "file turned into a FIFO", "", "rm f && mkfifo f", "passed over" },
        { "file turned into a link", "", "rm f && ln -s d f", "passed over" },
        { "file turned into a folder", "", "rm f && mkdir f", "passed over" },
        { "another file in its place", "", "cp -p f g && mv g f", "passed over" },
        { "folder at the destination", "", "mkdir out/copy", "write|Is a directory" },
        { "destination folder gone", "", "rmdir out", "write|No such file or directory" },
        { "kernel copy on a full disk", "", "!echo old >out/copy", "write|File too large" },
        { "plain writes on a full disk", "/proc/self/cmdline", "!", "write|File too large" },
    };
    ::signal(SIGXFSZ, SIG_IGN);
    const TempDir rowFolders;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (*row.source && !Exists(row.source)) {
            std::cout << "skipped \"" << row.name << "\": no " << row.source << "\n";
            continue;
        }
        const std::string tmp = rowFolders / row.name;
        MakeDirs(tmp);
        Sh(tmp,
            "mkdir d out && head -c 300000 /dev/urandom >f && chmod 751 f && "
            "touch -d '2025-03-14 15:09:26.5358979' f");
        const std::string source = *row.source ? row.source : tmp + "/f";
        const std::string destination = tmp + "/out/copy", reason = row.error;
        const OpenFolder open(source.substr(0, source.rfind('/')));
        std::size_t i = 0;
        while (open.FileName(i) != source.substr(source.rfind('/') + 1))
            ++i;
        const FileFacts facts = open.LookAt(i).value();
        const ReopenedFolder reopened(source.substr(0, source.rfind('/')));
        Sh(tmp, ": ; " + std::string(row.change + (*row.change == '!')));
        const Tree before = FilesBelow(tmp + "/out");
        rlimit old {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const rlimit full { 1, old.rlim_max }; // writes stop at one byte, as on a full disk
        ::setrlimit(RLIMIT_FSIZE, *row.change == '!' ? &full : &old);
        std::optional<FileFacts> copied;
        const std::string error = ErrorOf([&] {
            copied = reopened.CopyFileIfSame(open.FileName(i), facts.identity, destination);
        });
        ::setrlimit(RLIMIT_FSIZE, &old);
        const bool fails = reason.find('|') != std::string::npos;
        EXPECT_EQ(error,
            !fails ? "no error"
                   : (reason[0] == 'w' ? "Cannot write file \"" + destination
                                       : "Cannot read file \"" + source)
                    + "\": " + reason.substr(reason.find('|') + 1));
        EXPECT_EQ(copied.has_value(), reason.empty());
        if (!reason.empty()) {
            EXPECT_EQ(FilesBelow(tmp + "/out"), before);
            continue;
        }
        EXPECT_EQ(ListFilesBelow(tmp + "/out"), Strings { "copy" });
        EXPECT_EQ(ReadFile(destination), ReadFile(source));
        EXPECT_EQ(MTime(destination), facts.DateLastModified());
        EXPECT_EQ(MTime(destination), copied->DateLastModified());
        EXPECT_EQ(Mode(destination), facts.mode & 0777);
        EXPECT_FALSE(Exists(tmp + "/d/victim"));
    }
}

namespace {

// Makes this thread's renames that must not replace fail as on a disk that cannot promise
// it (EINVAL), and with noHardLinks its hard links as well, as on vfat (EPERM).
bool ActLikeAnOlderDisk(bool noHardLinks)
{
    std::vector<sock_filter> filter { BPF_STMT(
        BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)) };
    const auto refuse = [&](long call, int err) {
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<__u32>(call), 0, 1));
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | static_cast<__u32>(err)));
    };
    refuse(SYS_renameat2, EINVAL);
    if (noHardLinks) {
        refuse(SYS_linkat, EPERM);
#ifdef SYS_link
        refuse(SYS_link, EPERM);
#endif
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog program { static_cast<unsigned short>(filter.size()), filter.data() };
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
        && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

} // namespace

// Each disk's way of refusing to replace, in a thread of its own (the refusals made for a
// way stay with its thread). The entries are told by their identities.
TEST(FileSystem, MoveNoReplaceMovesOrLeavesBothAsTheyWere)
{
    const struct {
        const char* name;
        const char* from;
        const char* to;
        const char* error; // "" when it must succeed
    } rows[] = {
        { "to a free name", "a", "c", "" },
        { "onto an existing file", "a", "b", "File exists" },
        { "onto an existing folder", "a", "d", "File exists" },
        { "across a missing folder", "a", "m/c", "No such file or directory" },
        { "a folder to a free name", "d", "e/", "" },
    };
    const TempDir tmp;
    const FileSystem fs;
    const char* ways[]
        = { "renamed without replacing", "linked, then unlinked", "looked at, then renamed" };
    for (int refusals = 0; refusals < 3; ++refusals) {
        std::thread([&] {
            SCOPED_TRACE(ways[refusals]);
            if (refusals > 0) {
                ASSERT_TRUE(ActLikeAnOlderDisk(refusals == 2)) << std::strerror(errno);
            }
            for (const auto& row : rows) {
                SCOPED_TRACE(row.name);
                const std::string folder = tmp / (ways[refusals] + std::string(", ") + row.name);
                MakeDirs(folder);
                Sh(folder, "echo A >a && echo B >b && mkdir d");
                const std::string from = folder + "/" + row.from, to = folder + "/" + row.to;
                const auto fromBefore = fs.IdentityOf(from), toBefore = fs.IdentityOf(to);
                const std::string error = ErrorOf([&] { fs.MoveNoReplace(from, to); });
                const std::string state
                    = fs.IdentityOf(from) == fromBefore && fs.IdentityOf(to) == toBefore
                    ? "both as they were"
                    : !fs.IdentityOf(from) && fs.IdentityOf(to) == fromBefore ? "moved"
                                                                              : "changed";
                EXPECT_EQ(error + " | " + state,
                    *row.error ? "Cannot move \"" + from + "\" to \"" + to + "\": " + row.error
                            + " | both as they were"
                               : "no error | moved");
            }
        }).join();
    }
    // A name that cannot be looked at is an error, never "nothing there".
    const std::string tooLong = tmp / std::string(300, 'n');
    EXPECT_EQ(ErrorOf([&] { fs.IdentityOf(tooLong); }),
        "Cannot look at \"" + tooLong + "\": File name too long");
}
