#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/AtomicFile.h"
#include "platform/Exception.h"

using namespace qm;
using qmtest::ReadFile;
using qmtest::WriteFile;

namespace {

std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> out;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
            out.emplace_back(e->d_name);
    if (d)
        closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

std::string Thrown(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EInOutError& e) {
        return e.what();
    }
    return "nothing thrown";
}

} // namespace

TEST(AtomicFile, ReplacesKeepsModeAndWritesThroughLinks)
{
    qmtest::TempDir dir;
    const std::string file = dir.file("a.store");
    WriteFile(file, "old");
    chmod(file.c_str(), 0640);
    WriteFileAtomically(file, "new content");
    EXPECT_EQ(ReadFile(file), "new content");
    struct stat st {};
    stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A link to a file that does not exist yet: the file is made, the link stays.
    const std::string link = dir.file("link.store");
    ASSERT_EQ(symlink("elsewhere.store", link.c_str()), 0);
    WriteFileAtomically(link, "through");
    EXPECT_EQ(ReadFile(dir.file("elsewhere.store")), "through");
    struct stat lst {};
    lstat(link.c_str(), &lst);
    EXPECT_TRUE(S_ISLNK(lst.st_mode));
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"a.store", "elsewhere.store", "link.store"}));
}

// The super-user saving a user's file leaves it the user's, so that the user can still write
// it afterwards. A loop of links names no file: it is refused and left as it is.
// A writer that replaces only never makes its target: one that is not there when the new content
// is to take its place is left missing, and nothing of the write stays. A target there is
// replaced, through a link too, and keeps its mode.
TEST(AtomicFile, AWriterThatReplacesOnlyNeverMakesItsTarget)
{
    qmtest::TempDir dir;
    const std::string file = dir.file("a.store"), link = dir.file("link.store");
    WriteFile(file, "old");
    chmod(file.c_str(), 0640);
    ASSERT_EQ(symlink("a.store", link.c_str()), 0);
    {
        AtomicFileWriter w(link, AtomicFileWriter::Mode::ReplaceOnly);
        w.Write("new");
        EXPECT_TRUE(w.Commit().has_value());
    }
    EXPECT_EQ(ReadFile(file), "new");
    struct stat st {};
    ASSERT_EQ(lstat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    AtomicFileWriter w(file, AtomicFileWriter::Mode::ReplaceOnly);
    w.Write("newer");
    ASSERT_EQ(unlink(file.c_str()), 0);
    EXPECT_FALSE(w.Commit().has_value());
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"link.store"});
}

TEST(AtomicFile, AReplacedFileKeepsItsOwnerAndALinkLoopIsRefused)
{
    qmtest::TempDir dir;
    const std::string file = dir.file("Shop.store");
    WriteFile(file, "old");
    if (geteuid() == 0) {
        ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
        WriteFileAtomically(file, "new");
        struct stat st {};
        stat(file.c_str(), &st);
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
        EXPECT_EQ(ReadFile(file), "new");
    }

    ASSERT_EQ(symlink("b.store", dir.file("a.store").c_str()), 0);
    ASSERT_EQ(symlink("a.store", dir.file("b.store").c_str()), 0);
    EXPECT_EQ(Thrown([&] { WriteFileAtomically(dir.file("a.store"), "x"); }),
              "Cannot write to the file \"" + dir.file("a.store") + "\": Too many levels of symbolic links.");
    for (const char* name : {"a.store", "b.store"}) {
        struct stat lst {};
        lstat(dir.file(name).c_str(), &lst);
        EXPECT_TRUE(S_ISLNK(lst.st_mode)) << name;
    }
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"Shop.store", "a.store", "b.store"}));
}

TEST(AtomicFile, AFailureLeavesTheTargetAndNoTemporaryFile)
{
    qmtest::TempDir dir;
    const std::string file = dir.file("big.txt");
    WriteFile(file, "kept");
    {
        qmtest::FileSizeLimit limit(1000);
        EXPECT_EQ(Thrown([&] { WriteFileAtomically(file, std::string(5000, 'x')); }),
                  "Cannot write to the file \"" + file + "\": File too large.");
    }
    EXPECT_EQ(ReadFile(file), "kept");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"big.txt"});

    // A writer dropped before Commit leaves nothing either.
    {
        AtomicFileWriter w(file);
        w.Write("half");
    }
    EXPECT_EQ(ReadFile(file), "kept");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"big.txt"});

    mkdir(dir.file("folder").c_str(), 0755);
    EXPECT_EQ(Thrown([&] { WriteFileAtomically(dir.file("folder"), "x"); }),
              "Cannot write to the file \"" + dir.file("folder") + "\": it is not a regular file.");
    // A read-only file in a folder open to everyone: the rename the folder would allow is
    // not made.
    chmod(dir.path().c_str(), 0777);
    chmod(file.c_str(), 0444);
    EXPECT_EQ(qmtest::AsOtherUser([&] { return Thrown([&] { WriteFileAtomically(file, "x"); }); }),
              "Cannot write to the file \"" + file + "\": Permission denied.");
    EXPECT_EQ(ReadFile(file), "kept");
}

TEST(AtomicFile, TemporaryNamesAreShortAndRecognised)
{
    long pid = 0;
    EXPECT_TRUE(IsAtomicTempName(".~qm1234-7.tmp", pid));
    EXPECT_EQ(pid, 1234);
    for (const char* no : {".~qm-7.tmp", ".~qm12-.tmp", ".~qm1x-7.tmp", "a.store.tmp12-3", ".~qm12-3.tm"})
        EXPECT_FALSE(IsAtomicTempName(no, pid)) << no;
}

// A process that was killed during a write leaves its temporary file; the next process that
// writes into the folder removes it, but never one of a process that still runs.
TEST(AtomicFile, LeftoversOfEndedProcessesAreRemovedAtTheFirstWrite)
{
    qmtest::TempDir dir;
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string gone = std::to_string(ended);
    const std::string running = std::to_string(getppid());
    for (const std::string& name :
         std::vector<std::string>{".~qm" + gone + "-3.tmp", "Shop.store.tmp" + gone + "-12",
                                  ".~qm" + running + "-1.tmp", "Shop.store.tmp" + running + "-2",
                                  ".~qm" + std::to_string(getpid()) + "-9.tmp", "Shop.store", "x.tmp1-2"})
        WriteFile(dir.file(name), "leftover");
    EXPECT_EQ(qmtest::InChild([&] {
                  WriteFileAtomically(dir.file("Shop.store"), "new");
                  return std::string("written");
              }),
              "written");
    std::vector<std::string> kept{".~qm" + running + "-1.tmp", ".~qm" + std::to_string(getpid()) + "-9.tmp",
                                  "Shop.store", "Shop.store.tmp" + running + "-2", "x.tmp1-2"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Entries(dir.path()), kept);
    EXPECT_EQ(ReadFile(dir.file("Shop.store")), "new");
    EXPECT_EQ(RemoveStaleTempFiles(dir.path()), 0);
}

// A window killed during a PDF export leaves its temporary file (as large as it got) in the
// export folder; the next write into that folder removes it, also when it comes from a window
// that had written there before (and so had looked at the folder already).
TEST(AtomicFile, AKilledWritersLeftoverGoesAtTheNextWriteIntoItsFolder)
{
    qmtest::TempDir dir;
    const std::string pdf = dir.file("list.pdf");
    WriteFileAtomically(pdf, "first");
    const pid_t writer = fork();
    if (writer == 0) {
        AtomicFileWriter w(pdf);
        w.Write(std::string(100000, 'x'));
        raise(SIGKILL);
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status));
    std::vector<std::string> left = Entries(dir.path());
    ASSERT_EQ(left.size(), 2u);
    long pid = 0;
    EXPECT_TRUE(IsAtomicTempName(left[0], pid) && pid == writer) << left[0];

    WriteFileAtomically(pdf, "second");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"list.pdf"});
    EXPECT_EQ(ReadFile(pdf), "second");
}

// A writer this process cannot see (in another process namespace, or on another machine that
// shares the folder) looks like one that has ended; what tells them apart is the lock every
// writer holds on its temporary file until the rename, so the clean-up leaves a locked file.
TEST(AtomicFile, ATemporaryFileItsWriterStillHoldsIsNeverRemoved)
{
    qmtest::TempDir dir;
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string name = ".~qm" + std::to_string(ended) + "-1.tmp";
    WriteFile(dir.file(name), "being written");
    const int held = open(dir.file(name).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    EXPECT_EQ(RemoveStaleTempFiles(dir.path()), 0);
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{name});
    close(held);
    EXPECT_EQ(RemoveStaleTempFiles(dir.path()), 1);

    // A store-file lock a killed window left goes when asked for (at start-up); one that is
    // held stays.
    const std::string lock = ".~qm0123456789abcdef.lock";
    WriteFile(dir.file(lock), "");
    const int holder = open(dir.file(lock).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    EXPECT_EQ(RemoveStaleTempFiles(dir.path(), true), 0);
    close(holder);
    EXPECT_EQ(RemoveStaleTempFiles(dir.path()), 0);
    EXPECT_EQ(RemoveStaleTempFiles(dir.path(), true), 1);
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{});

    // The writer's own temporary file is locked from its creation until after the rename.
    const std::string file = dir.file("list.pdf");
    AtomicFileWriter w(file);
    w.Write("content");
    const std::vector<std::string> temp = Entries(dir.path());
    ASSERT_EQ(temp.size(), 1u);
    const int other = open(dir.file(temp[0]).c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);
    close(other);
    w.Commit();
    EXPECT_EQ(ReadFile(file), "content");
}

// A file-size limit fails the write with its message instead of ending the process.
TEST(AtomicFile, AFileSizeLimitFailsTheWriteAndKeepsTheProcess)
{
    qmtest::TempDir dir;
    const std::string file = dir.file("list.pdf");
    EXPECT_EQ(qmtest::InChild([&] {
                  signal(SIGXFSZ, SIG_DFL);
                  rlimit limit{1000, 1000};
                  setrlimit(RLIMIT_FSIZE, &limit);
                  return Thrown([&] { WriteFileAtomically(file, std::string(5000, 'x')); });
              }),
              "Cannot write to the file \"" + file + "\": File too large.");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{});
}
