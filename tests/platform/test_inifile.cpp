#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <ctime>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"

using namespace qm;
using qmtest::InChild;
using qmtest::ReadFile;
using qmtest::WriteFile;

namespace {

using Names = std::vector<AnsiString>;

// The bytes a rewrite keeps of a file: every line as it was, ended with CR LF (a line ends at
// LF, CR LF or a lone CR).
std::string WithCrLf(const std::string& bytes)
{
    std::string out;
    for (size_t pos = 0, end; pos < bytes.size(); pos = end + 1) {
        end = std::min(bytes.find_first_of("\r\n", pos), bytes.size());
        out.append(bytes, pos, end - pos).append("\r\n");
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++end;
    }
    return out;
}

Names Entries(const std::string& dir)
{
    Names out;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
        if (std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..")
            out.emplace_back(e->d_name);
    if (d)
        closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

long long Ns(const timespec& t)
{
    return t.tv_sec * 1'000'000'000LL + t.tv_nsec;
}

class IniFileTest : public ::testing::Test {
protected:
    ~IniFileTest() override { SetTestFileClock(std::nullopt); }
    qmtest::TempDir dir;
    std::string path = dir.file("shop.store");
    IniFile ini{path};
};

} // namespace

TEST_F(IniFileTest, WritesSectionsAndKeysInOrderAndMatchesNamesWithoutCase)
{
    EXPECT_EQ(ini.ReadString("Dairy", "Milk", "none"), "none");
    ini.DeleteKey("Dairy", "Milk");
    ini.EraseSection("Dairy");
    EXPECT_EQ(Entries(dir.path()), Names{}) << "removing from no file makes none";

    ini.WriteString(" Dairy ", "  Milk ", "  Dairy,-,,-,1 \t");
    ini.WriteString("Produce", "Green Apples", "Produce,-,,-,2");
    ini.WriteString("DAIRY", "Eggs", "");
    ini.WriteString("produce", "GREEN APPLES", "5");
    ini.WriteString("Produce", "caf\xE9", "x"); // only a-z fold
    EXPECT_EQ(ReadFile(path), "[Dairy]\r\nMilk=Dairy,-,,-,1\r\nEggs=\r\n"
                              "[Produce]\r\nGreen Apples=5\r\ncaf\xE9=x\r\n");
    EXPECT_EQ(ini.ReadString("dairy ", " MILK", ""), "Dairy,-,,-,1");
    EXPECT_EQ(ini.ReadString("Dairy", "eggs", "def"), "");
    EXPECT_EQ(ini.ReadString("Produce", "CAF\xC9", "none"), "none");
    EXPECT_TRUE(ini.ValueExists("PRODUCE", "Caf\xE9"));
}

TEST_F(IniFileTest, ReadsEveryLineEndAndKeepsWhatItDoesNotUnderstand)
{
    const std::string original = ReadFile(std::string(QM_SOURCE_DIR) + "/tests/platform/data/mixed.ini");
    WriteFile(path, original);
    EXPECT_EQ(ini.ReadSections(), (Names{"--Info--", "Produce", "Dairy"}));
    EXPECT_EQ(ini.ReadString("--Info--", "StoreURL", ""), "http://shop.example/a=b");
    EXPECT_EQ(ini.ReadSection("Produce"), (Names{"Apples", "Pears", "\x80\xff\x01 odd"}));
    EXPECT_EQ(ini.ReadString("Produce", "pears", ""), "Produce,-,ripe,-,1");
    EXPECT_EQ(ini.ReadString("Produce", "\x80\xff\x01 ODD", ""), "\xe9t\xe9");
    EXPECT_EQ(ini.ReadString("Produce", ";Bananas", "-"), "-");
    EXPECT_EQ(ini.ReadSectionValues("Dairy"),
              (std::vector<std::pair<AnsiString, AnsiString>>{{"Milk", "Dairy,-,,-,1"}}));

    // The rewrite changes the one line; every other byte stays.
    ini.WriteString("Produce", "Apples", "Produce,-,,-,3");
    std::string expected = WithCrLf(original);
    expected.replace(expected.find("Apples=Produce,-,,-,2"), 21, "Apples=Produce,-,,-,3");
    EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(IniFileTest, RepeatedSectionsAndKeysReadAsOneAndGoAsOne)
{
    WriteFile(path, "[A]\r\nx=1\r\nX=9\r\n; about B\r\n\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n");
    EXPECT_EQ(ini.ReadSections(), (Names{"A", "B"}));
    EXPECT_EQ(ini.ReadSection("a"), (Names{"x", "z"}));
    EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
    ini.WriteString("a", "w", "4"); // after the section's last line that is not blank
    ini.WriteString("A", "z", "6"); // in place, in the later copy
    EXPECT_EQ(ReadFile(path), "[A]\r\nx=1\r\nX=9\r\n; about B\r\nw=4\r\n\r\n[B]\r\ny=2\r\n[a]\r\nz=6\r\n");
    ini.DeleteKey("A", "X");
    EXPECT_EQ(ini.ReadString("A", "x", "gone"), "gone");
    ini.EraseSection("a");
    ini.WriteString("Empty", "---blank---", "");
    ini.DeleteKey("Empty", "---blank---");
    EXPECT_EQ(ReadFile(path), "[B]\r\ny=2\r\n[Empty]\r\n");
    EXPECT_TRUE(ini.SectionExists("empty"));
    EXPECT_FALSE(ini.SectionExists("A"));
}

TEST_F(IniFileTest, SeesWhatAnotherProgramWroteAtTheNextRead)
{
    // A change in place within one tick of the file clock leaves size, time and inode as
    // they were; it is still seen after a read made in the tick of the change.
    ini.WriteString("S", "k", "1");
    struct stat st {};
    stat(path.c_str(), &st);
    SetTestFileClock(Ns(st.st_ctim));
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    WriteFile(path, "[S]\r\nk=2\r\n");
    const timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "2");
    unlink(path.c_str());
    EXPECT_EQ(ini.ReadString("S", "k", "gone"), "gone");
    mkdir(path.c_str(), 0755); // a folder where the file was reads as no file
    EXPECT_TRUE(ini.ReadSections().empty());
    rmdir(path.c_str());
    WriteFile(path, "[S]\r\nk=3\r\nl=4\r\n");
    EXPECT_EQ(ini.ReadSection("S"), (Names{"k", "l"}));
}

TEST_F(IniFileTest, EditAppliesManyChangesInOneRewriteOrNone)
{
    ini.WriteString("Old", "a", "1");
    ini.WriteString("Old", "b", "2");
    ini.Edit([](IniFile::Editor& e) {
        for (const auto& key : e.ReadSection("Old"))
            e.WriteString("New", key, e.ReadString("Old", key, ""));
        e.EraseSection("Old");
        EXPECT_EQ(e.ReadSections(), Names{"New"});
    });
    const std::string kept = "[New]\r\na=1\r\nb=2\r\n";
    EXPECT_EQ(ReadFile(path), kept);

    EXPECT_THROW(ini.Edit([](IniFile::Editor& e) {
        e.WriteString("New", "a", "changed");
        throw EConvertError("stop");
    }),
                 EConvertError);
    // Writing the file from inside its own edit would wait for itself.
    EXPECT_THROW(ini.Edit([&](IniFile::Editor&) { IniFile(path).WriteString("New", "c", "3"); }),
                 EInvalidOperation);
    EXPECT_EQ(ReadFile(path), kept);
    EXPECT_EQ(ini.ReadString("New", "a", ""), "1");
}

TEST_F(IniFileTest, RefusesNamesAndValuesThatWouldNotReadBack)
{
    ini.WriteString("S", "k", "1");
    const std::string kept = ReadFile(path);
    for (auto [sec, key, value] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"S", "a=b", "1"},
             {"S", " ;note", "1"},
             {"S", "[Sale] Bread", "1"},
             {"S", "[Sale", "half]price"},
             {"S\n[T]", "k", "1"},
             {"S", "k", "one\r\n[Injected]\r\nx=1"}})
        EXPECT_THROW(ini.WriteString(sec, key, value), EStoreError) << key;
    EXPECT_EQ(ReadFile(path), kept);
    ini.WriteString("S", "[Sale", "half price");
    EXPECT_EQ(ini.ReadSection("S"), (Names{"k", "[Sale"}));
    // Names already in the file, with the same refusals: through a name spelt with a line
    // break around it, and for a value that would turn the key's line into a section.
    const std::string written = ReadFile(path);
    for (auto [sec, key, value] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"S\n", "k", "2"}, {"\rs", "K", "2"}, {"S", "[Sale", "half]price"}}) {
        EXPECT_THROW(ini.WriteString(sec, key, value), EStoreError) << key;
        EXPECT_THROW(ini.Edit([&](IniFile::Editor& e) { e.WriteString(sec, key, value); }), EStoreError)
            << key;
    }
    EXPECT_EQ(ReadFile(path), written);
}

TEST_F(IniFileTest, KeepsPermissionsAndSymbolicLinks)
{
    ini.WriteString("S", "k", "1");
    chmod(path.c_str(), 0640);
    const std::string link = dir.file("link.store");
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    IniFile(link).WriteString("S", "k", "2");
    struct stat st {};
    lstat(link.c_str(), &st);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "2");
}

TEST_F(IniFileTest, BinaryGarbageIsReadWithoutHarmAndKeptOnRewrite)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        // Random bytes, a third of them the ones the reader looks for.
        std::string garbage(size_t(rng() % 20000), '\0');
        for (char& c : garbage)
            c = rng() % 3 ? char(rng()) : "[]=;\r\n \t\x1a\xEF"[rng() % 11];
        WriteFile(path, garbage);
        for (const auto& section : ini.ReadSections())
            for (const auto& [key, value] : ini.ReadSectionValues(section))
                EXPECT_EQ(ini.ReadString(section, key, ""), value);
        ini.WriteString("Fresh Section", "key", "value");
        EXPECT_EQ(ReadFile(path), WithCrLf(garbage) + "[Fresh Section]\r\nkey=value\r\n") << round;
    }
}

TEST_F(IniFileTest, MegabyteLinesAndTenThousandSectionsAreReadWhole)
{
    const std::string huge(1 << 20, 'x');
    std::string text = "[Big]\r\n" + huge + "\r\nnote=" + huge + "\r\n";
    for (int i = 0; i < 10000; ++i)
        text += "[Category " + std::to_string(i) + "]\r\nItem=Aisle " + std::to_string(i) + ",-,,-,1\r\n";
    WriteFile(path, text);

    EXPECT_EQ(ini.ReadString("Big", "note", ""), huge);
    EXPECT_EQ(ini.ReadSection("Big"), Names{"note"});
    ASSERT_EQ(ini.ReadSections().size(), 10001u);
    EXPECT_EQ(ini.ReadSections().back(), "Category 9999");
    ini.WriteString("Category 5000", "Item", "Aisle 5,-,,-,2");
    ini.EraseSection("Category 9999");
    IniFile::DropCache();
    EXPECT_EQ(ini.ReadString("Big", "note", ""), huge);
    EXPECT_EQ(ini.ReadString("category 5000", "ITEM", ""), "Aisle 5,-,,-,2");
    EXPECT_EQ(ini.ReadSections().size(), 10000u);
}

TEST_F(IniFileTest, TwoProcessesWritingDifferentKeysLoseNone)
{
    ini.WriteString("Shared", "start", "1");
    // Both processes are forked from this thread and then run side by side (a fork from a
    // second thread could copy a lock that thread holds, such as the allocator's).
    auto start = [&](const std::string& prefix) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            std::string out = "done";
            try {
                for (int i = 0; i < 500; ++i)
                    IniFile(path).WriteString("Shared", prefix + std::to_string(i), std::to_string(i));
            } catch (const std::exception& e) {
                out = e.what();
            }
            (void)!write(fds[1], out.data(), out.size());
            _exit(0);
        }
        close(fds[1]);
        return std::make_pair(pid, fds[0]);
    };
    auto finish = [](std::pair<pid_t, int> child) {
        std::string out;
        char buf[256];
        for (ssize_t n; (n = read(child.second, buf, sizeof buf)) > 0;)
            out.append(buf, size_t(n));
        close(child.second);
        waitpid(child.first, nullptr, 0);
        return out;
    };
    const auto a = start("a");
    const auto b = start("b");
    EXPECT_EQ(finish(a) + finish(b), "donedone");
    EXPECT_EQ(ini.ReadSection("Shared").size(), 1001u);
    for (int i = 0; i < 500; ++i) {
        EXPECT_EQ(ini.ReadString("Shared", "a" + std::to_string(i), ""), std::to_string(i));
        EXPECT_EQ(ini.ReadString("Shared", "b" + std::to_string(i), ""), std::to_string(i));
    }
    EXPECT_EQ(Entries(dir.path()), Names{"shop.store"});
}

TEST_F(IniFileTest, FailedWritesSayWhyAndKeepTheFile)
{
    ini.WriteString("S", "note", std::string(100000, 'n'));
    const std::string kept = ReadFile(path);
    auto failure = [&](int err) {
        return "thrown: Cannot write to the file \"" + path + "\": " + strerror(err) + ".";
    };

    // A file-size limit makes the write stop half-way, as a full disk would.
    EXPECT_EQ(InChild([&] {
                  signal(SIGXFSZ, SIG_IGN);
                  rlimit limit{50000, 50000};
                  setrlimit(RLIMIT_FSIZE, &limit);
                  ini.WriteString("S", "k", "1");
                  return std::string("written");
              }),
              failure(EFBIG));

    // The super-user writes anywhere, so the writes below run as another user.
    auto asOtherUser = [&](const std::function<void()>& write) {
        return InChild([&] {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                return std::string("cannot drop privileges");
            write();
            return std::string("written");
        });
    };

    // A file marked read-only in a folder open to everyone: the replacement the folder would
    // allow is not made, so neither a key write nor a removal changes it.
    chmod(dir.path().c_str(), 0777);
    chmod(path.c_str(), 0444);
    EXPECT_EQ(asOtherUser([&] { ini.WriteString("S", "k", "1"); }), failure(EACCES));
    EXPECT_EQ(asOtherUser([&] { ini.EraseSection("S"); }), failure(EACCES));
    EXPECT_EQ(ReadFile(path), kept);

    // A read-only folder.
    chmod(dir.path().c_str(), 0555);
    chmod(path.c_str(), 0666);
    EXPECT_EQ(asOtherUser([&] { ini.WriteString("S", "k", "1"); }), failure(EACCES));
    EXPECT_EQ(ReadFile(path), kept);
    EXPECT_EQ(Entries(dir.path()), Names{"shop.store"});
}

// The lock that parts two windows' rewrites leaves no file behind once a rewrite is done. A
// lock file another user's window left (a killed one, say) stops no one who may write the
// store, and goes with the next rewrite.
TEST_F(IniFileTest, NoLockFileStaysAndAnyoneWhoMayWriteTheFileTakesTheLock)
{
    ini.WriteString("S", "k", "1");
    ini.DeleteKey("S", "k");
    ini.Edit([](IniFile::Editor& e) { e.WriteString("S", "j", "2"); });
    EXPECT_EQ(Entries(dir.path()), Names{"shop.store"});

    chmod(dir.path().c_str(), 0777);
    chmod(path.c_str(), 0666);
    const int left = open(IniFile::LockFileFor(path).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(left, 0);
    close(left);
    EXPECT_EQ(qmtest::AsOtherUser([&] {
                  IniFile(path).WriteString("S", "k", "3");
                  return std::string("written");
              }),
              "written");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "3");
    EXPECT_EQ(Entries(dir.path()), Names{"shop.store"});
}

// A file that cannot be read for another reason than its absence (here a loop of links) is
// no empty file: reading it fails with the reason, and a write leaves it as it is.
TEST_F(IniFileTest, ALoopOfLinksIsNoEmptyFile)
{
    ASSERT_EQ(symlink("other.store", path.c_str()), 0);
    ASSERT_EQ(symlink("shop.store", dir.file("other.store").c_str()), 0);
    const std::string message = "Cannot read the file \"" + path + "\": Too many levels of symbolic links.";
    for (const auto& read : std::vector<std::function<void()>>{[&] { ini.ReadString("S", "k", ""); },
                                                               [&] { ini.ReadSections(); },
                                                               [&] { ini.WriteString("S", "k", "1"); }}) {
        try {
            read();
            ADD_FAILURE() << "nothing thrown";
        } catch (const EInOutError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    EXPECT_EQ(Entries(dir.path()), (Names{"other.store", "shop.store"}));
}

TEST_F(IniFileTest, APipeUnderTheFileNameIsNeitherWaitedForNorReplaced)
{
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    EXPECT_EQ(ini.ReadString("S", "k", "none"), "none");
    EXPECT_EQ(InChild([&] {
                  alarm(10); // a write that waits for a writer on the pipe ends here
                  ini.DeleteKey("S", "k");
                  ini.WriteString("S", "k", "1");
                  return std::string("written");
              }),
              "thrown: Cannot write to the file \"" + path + "\": it is not a regular file.");
    struct stat st {};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    // The refused write made no lock file either.
    EXPECT_EQ(Entries(dir.path()), Names{"shop.store"});
}

// A lone CR ends a line as LF and CR LF do, so every value read can be written back and no
// write joins or splits a neighbour's line.
TEST_F(IniFileTest, ALoneCarriageReturnEndsALine)
{
    WriteFile(path, "[Tail]\r\nSalt=Front,-,,-,1\rPepper=Front,-,,-,1,-,1,-,46000,-,0\r\n");
    EXPECT_EQ(ini.ReadSection("Tail"), (Names{"Salt", "Pepper"}));
    EXPECT_EQ(ini.ReadString("Tail", "Salt", ""), "Front,-,,-,1");
    ini.WriteString("Tail", "Salt", "Front,-,,-,2");
    EXPECT_EQ(ReadFile(path), "[Tail]\r\nSalt=Front,-,,-,2\r\nPepper=Front,-,,-,1,-,1,-,46000,-,0\r\n");
    // Nor is a CR written into a value or a name, where it would end the line at the next read.
    EXPECT_THROW(ini.WriteString("Tail", "Salt", "a\rb"), EStoreError);
    EXPECT_THROW(ini.WriteString("Tail", "Sa\rlt", "1"), EStoreError);
    EXPECT_THROW(ini.WriteString("Ta\ril", "Salt", "1"), EStoreError);
    EXPECT_EQ(ini.ReadString("Tail", "Salt", ""), "Front,-,,-,2");
}

// Lines that are neither keys nor headers are kept as they were, whatever their number; a new
// key goes after the last of them that is not blank.
TEST_F(IniFileTest, CommentsAndBlankLinesKeepTheirPlaceAndANewKeyGoesBeforeTheBlankOnes)
{
    WriteFile(path, "; top\n\n[A]\nx=1\n; one\r\n\n; two\r  \n\t\n\n[B]\ny=2\n" + std::string(100000, '\n'));
    ini.WriteString("A", "z", "3");
    EXPECT_EQ(
        ReadFile(path),
        "; top\r\n\r\n[A]\r\nx=1\r\n; one\r\n\r\n; two\r\nz=3\r\n  \r\n\t\r\n\r\n[B]\r\ny=2\r\n" + [] {
            std::string crlf;
            for (int i = 0; i < 100000; ++i)
                crlf += "\r\n";
            return crlf;
        }());
    ini.DeleteKey("A", "x");
    ini.WriteString("B", "w", "4");
    EXPECT_EQ(ini.ReadSection("A"), Names{"z"});
    EXPECT_EQ(ini.ReadSection("B"), (Names{"y", "w"}));
    const std::string after = ReadFile(path);
    EXPECT_EQ(after.substr(0, after.find("y=2")),
              "; top\r\n\r\n[A]\r\n; one\r\n\r\n; two\r\nz=3\r\n  \r\n\t\r\n\r\n[B]\r\n");
}

// Every file whose name fits the file system can be written: the lock and the temporary
// file have names of their own length.
TEST_F(IniFileTest, ALongFileNameCanBeWritten)
{
    const std::string longPath = dir.file(std::string(249, 'n') + ".store"); // 255 bytes
    IniFile longIni(longPath);
    longIni.WriteString("S", "k", "1");
    longIni.WriteString("S", "k", "2");
    EXPECT_EQ(ReadFile(longPath), "[S]\r\nk=2\r\n");
    EXPECT_LE(std::filesystem::path(IniFile::LockFileFor(longPath)).filename().string().size(), 30u);
    EXPECT_NE(IniFile::LockFileFor(longPath), IniFile::LockFileFor(path));
}

// A file larger than the limit is refused by name, for reading and writing, and is kept.
TEST_F(IniFileTest, AFileLargerThanTheLimitIsRefusedAndKept)
{
    WriteFile(path, "[S]\r\nk=1\r\n");
    ASSERT_EQ(truncate(path.c_str(), off_t(kMaxIniFileBytes) + 1), 0);
    const std::string message = "Cannot read the file \"" + path + "\": it is larger than 64 MB.";
    auto thrown = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const EInOutError& e) {
            return std::string(e.what());
        }
        return std::string("nothing thrown");
    };
    const AnsiString section = "S", key = "k";
    IniFile::KeyList keys;
    keys.Add(section, key);
    const std::string large(kMaxIniFileBytes, 'v');
    auto update = [&](size_t, std::string_view, IniFile::Splice& out) {
        out.Append = large;
        return true;
    };
    EXPECT_EQ(thrown([&] { ini.ReadSections(); }), message);
    EXPECT_EQ(thrown([&] { ini.WriteString("S", "k", "2"); }), message);
    EXPECT_EQ(thrown([&] { ini.UpdateKeysIfPresent(keys, update); }), message);
    EXPECT_EQ(std::filesystem::file_size(path), kMaxIniFileBytes + 1);

    // Nor does a write make a file grow past it, nor leave a part of one behind.
    ASSERT_EQ(truncate(path.c_str(), 0), 0);
    EXPECT_EQ(thrown([&] { ini.WriteString("S", "k", large); }),
              "Cannot write to the file \"" + path + "\": it would grow past 64 MB.");
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    WriteFile(path, "[S]\r\nk=1\r\n");
    EXPECT_EQ(thrown([&] { ini.UpdateKeysIfPresent(keys, update); }),
              "Cannot write to the file \"" + path + "\": it would grow past 64 MB.");
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=1\r\n");
    EXPECT_EQ(Entries(dir.path()), Names{"shop.store"});
}

// Many updates in one pass over the text against the same updates made one by one through a
// parse, on files of every odd shape: a byte-order mark, LF, lone CR and no end on the last
// line, comments, blank lines, blanks around names and values, keys before any section,
// sections and keys twice and in other letter cases, a "[" line without "]", values holding
// "=", empty names, and key lists that name a line twice or name it with blanks around. Every
// other round reads its files long after their last change, so that the parses kept of them are
// trusted and a pass that would change nothing is found out from the parse.
TEST_F(IniFileTest, UpdateKeysEndsAsUpdateStringOneByOne)
{
    const std::string twinPath = dir.file("twin.store");
    std::mt19937 rng(23);
    const std::vector<std::string> headers = {"[S]", "[s]",        " [ S ]\t", "[S] trailing", "[T]",
                                              "[t]", "[--Info--]", "[]",       "[Odd"};
    const std::vector<std::string> lines = {
        "k=1",         "K = 2 ",    "  k=", "=v",     "k2=a=b",
        "; c=1",       "",          "   ",  "[Odd=1", "x",
        "\tk\t=\tv\t", "k2 = x",    "K2=y", "m=\x1a", "Item 1-1=A,-,n,-,2,-,1,-,46000,-,0,-,",
        "k=a b c",     "K = a  b ", "x=1 2"};
    const std::vector<std::string> ends = {"\r\n", "\n", "\r", "\r\n", "\r\n"};
    const std::vector<std::string> sections = {"S", "s", " S ", "T", "--Info--", "", "Odd", "U", "\nS"};
    const std::vector<std::string> keys = {"k", "K", " k", "k2", "", "x", "m", "Item 1-1", "[Odd", "q"};
    for (int round = 0; round < 400; ++round) {
        std::string text = rng() % 6 == 0 ? "\xEF\xBB\xBF" : "";
        for (int n = int(rng() % 30); n > 0; --n) {
            text += rng() % 4 == 0 ? headers[rng() % headers.size()] : lines[rng() % lines.size()];
            text += ends[rng() % ends.size()];
        }
        if (rng() % 3 == 0)
            text += lines[rng() % lines.size()]; // no end on the last line
        // The names, kept in place for the list.
        std::vector<std::pair<AnsiString, AnsiString>> names;
        names.reserve(20);
        for (int n = int(rng() % 12); n > 0; --n)
            names.emplace_back(sections[rng() % sections.size()], keys[rng() % keys.size()]);
        const int mode = int(rng() % 4);
        // Depends on nothing but its arguments: nothing, the same value, a new one with blanks
        // around it, a part of the old one with or without more after it (which may end or be
        // all in blanks), a part longer than the value, and now and then a value that cannot
        // be written.
        std::string appended;
        auto change = [&](size_t n, std::string_view old, IniFile::Splice& out) {
            if (mode == 3 && n % 4 == 1) {
                appended = n % 8 == 1 ? "a\nb" : "a\r";
                out.Keep = n % 3;
                out.Append = appended;
                return true;
            }
            switch ((n + old.size() + size_t(mode)) % 7) {
            case 0:
                return false;
            case 1:
                out.Keep = old.size();
                return true;
            case 2:
                appended = " " + std::string(old) + "#" + std::to_string(n) + " ";
                out.Append = appended;
                return true;
            case 3:
                appended = mode == 3 && n == 2 ? "a\nb" : "v" + std::to_string(n);
                out.Keep = std::min<size_t>(2, old.size());
                out.Append = appended;
                return true;
            case 4:
                out.Keep = old.size() / 2;
                return true;
            case 5:
                out.Keep = 1;
                out.Append = "  ";
                return true;
            default:
                out.Keep = old.size() + 5;
                out.Append = " x";
                return true;
            }
        };
        WriteFile(path, text);
        WriteFile(twinPath, text);
        IniFile::DropCache();
        if (round % 2)
            SetTestFileClock(FileClockNs() + 3'600'000'000'000);
        else
            SetTestFileClock(std::nullopt);
        IniFile::KeyList list;
        for (const auto& [section, key] : names)
            list.Add(section, key);
        // Three times: the second with the list as the first pass left it (which guesses each
        // next line from the order found by the pass before), the third with more names added
        // to the list already used.
        for (int turn = 0; turn < 3; ++turn) {
            std::string passed = "done", oneByOne = "done";
            try {
                ini.UpdateKeysIfPresent(list, change);
            } catch (const EStoreError& e) {
                passed = e.what();
            }
            try {
                IniFile(twinPath).Edit([&](IniFile::Editor& e) {
                    for (size_t n = 0; n < names.size(); ++n)
                        e.UpdateString(
                            names[n].first, names[n].second, [&](std::string_view old, AnsiString& out) {
                                IniFile::Splice splice;
                                if (!change(n, old, splice))
                                    return false;
                                out = std::string(old.substr(0, std::min(splice.Keep, old.size()))) +
                                      std::string(splice.Append);
                                return true;
                            });
                });
            } catch (const EStoreError& e) {
                oneByOne = e.what();
            }
            ASSERT_EQ(passed == "done", oneByOne == "done") << passed << " / " << oneByOne;
            ASSERT_EQ(ReadFile(path), ReadFile(twinPath)) << "round " << round << " turn " << turn << " of\n"
                                                          << text;
            // What the pass wrote is read afresh.
            for (const auto& [section, key] : names)
                ASSERT_EQ(ini.ReadString(section, key, "\x01"),
                          IniFile(twinPath).ReadString(section, key, "\x01"));
            for (int n = turn == 1 ? int(1 + rng() % 3) : 0; n > 0; --n) {
                names.emplace_back(sections[rng() % sections.size()], keys[rng() % keys.size()]);
                list.Add(names.back().first, names.back().second);
            }
        }
    }
}

// One list passed over files one after another, as a batch carries its lines to several
// stores: each pass guesses the next line from the order the pass before found, so files whose
// lines come in other orders, hold the same keys in other sections or repeat a section, in any
// order of the passes, must end as the same changes made one by one.
TEST_F(IniFileTest, OneListOverFilesOfOtherOrdersEndsAsTheChangesMadeOneByOne)
{
    const std::vector<std::string> texts = {"[A]\r\nk1=a\r\nk2=b\r\nk3=c\r\n[B]\r\nk1=d\r\nk2=e\r\n",
                                            "[B]\r\nk2=f\r\nk1=g\r\n[A]\r\nk3=h\r\nk1=i\r\nk2=j\r\n",
                                            "[A]\r\nk2=k\r\n[B]\r\nk1=l\r\n[a]\r\nk1=m\r\nk3=n\r\n",
                                            "[B]\r\nk1=o\r\nk2=p\r\nk3=q\r\n[A]\r\nK1=r\r\n"};
    const std::vector<std::pair<AnsiString, AnsiString>> names = {{"A", "k1"}, {"A", "k2"}, {"A", "k3"},
                                                                  {"B", "k1"}, {"B", "k2"}, {"A", "K1"}};
    static const char* const kAdded[] = {"+0", "+1", "+2", "+3", "+4", "+5"};
    const auto change = [](size_t n, std::string_view old, IniFile::Splice& out) {
        out.Keep = old.size();
        out.Append = kAdded[n];
        return true;
    };
    std::vector<size_t> order = {0, 1, 2, 3};
    do {
        IniFile::KeyList list;
        for (const auto& [section, key] : names)
            list.Add(section, key);
        for (size_t f : order) {
            const std::string passed = dir.file("passed" + std::to_string(f) + ".store");
            const std::string oneByOne = dir.file("one-by-one" + std::to_string(f) + ".store");
            WriteFile(passed, texts[f]);
            WriteFile(oneByOne, texts[f]);
            IniFile(passed).UpdateKeysIfPresent(list, change);
            IniFile(oneByOne).Edit([&](IniFile::Editor& e) {
                for (size_t n = 0; n < names.size(); ++n)
                    e.UpdateString(names[n].first, names[n].second,
                                   [&](std::string_view old, AnsiString& out) {
                                       out = std::string(old) + kAdded[n];
                                       return true;
                                   });
            });
            ASSERT_EQ(ReadFile(passed), ReadFile(oneByOne)) << "file " << f;
        }
    } while (std::next_permutation(order.begin(), order.end()));
}

// One edit keeps its place in the file from change to change (the last line found, the next
// key line, values rewritten where they stood); the same changes made one by one, each on a
// fresh parse of the file, must read and end alike.
TEST_F(IniFileTest, OneEditEndsAsTheSameChangesMadeOneByOne)
{
    const std::string twinPath = dir.file("twin.store");
    std::mt19937 rng(11);
    const char* sections[] = {"Dairy", "DAIRY", " dairy ", "Pantry", "Bulk", "New"};
    const char* keys[] = {"Milk", "milk", " Eggs ", "Salt", "Bread", "Item 12-100", "[Odd"};
    auto value = [&] {
        switch (rng() % 5) {
        case 0:
            return std::string();
        case 1:
            return std::string("x");
        case 2:
            return " A" + std::to_string(rng() % 3) + ",-,n,-,1 "; // blanks go
        case 3:
            return std::string(40 + rng() % 40, char('a' + rng() % 3)); // longer than the line
        default:
            return "A" + std::to_string(rng() % 3) + ",-,n,-," + std::to_string(rng() % 4);
        }
    };
    for (int round = 0; round < 40; ++round) {
        // Repeated sections and keys, comments, blanks, blanks around "=", lone CRs.
        std::string text = "; head\r\n\r\n[Dairy]\r\nMilk = A1,-,n,-,2\r\n  eggs=E\r\nMILK=dup\r\n\r\n"
                           "[Pantry]\r\nSalt=S\r\n; note\r\nBread=B\rItem 12-100=I\n\n"
                           "[dairy]\r\nSalt=other\r\nBread=B2\r\n[Bulk]\r\n";
        for (int i = 0; i < 20; ++i)
            text += "Item 1-" + std::to_string(i) + "=" + value() + "\r\n";
        if (rng() % 2)
            text += "ITEM 1-" + std::to_string(rng() % 20) + "=dup\r\n"; // a key twice in the section
        if (rng() % 3 == 0)
            text += "[BULK]\r\nItem 1-" + std::to_string(rng() % 20) + "=later\r\n"; // the section twice
        WriteFile(path, text);
        WriteFile(twinPath, text);
        IniFile::DropCache();

        struct Op {
            int kind;
            std::string section, key, value;
        };
        std::vector<Op> ops;
        for (int n = 0; n < 30; ++n) {
            const int kind = int(rng() % 10);
            if (kind == 9) {
                // Through the keys of one section in file order, as batches go.
                const int from = int(rng() % 20), kindOfAll = int(2 + rng() % 6);
                for (int i = from; i < 20; ++i)
                    ops.push_back({kindOfAll, rng() % 4 ? "Bulk" : "bulk",
                                   (rng() % 5 ? "Item 1-" : "item 1-") + std::to_string(i), value()});
                continue;
            }
            const std::string sec = sections[rng() % 6];
            const std::string key = rng() % 3 ? keys[rng() % 7] : "Item 1-" + std::to_string(rng() % 20);
            ops.push_back({kind, sec, key, value()});
        }
        // What each step reads, in the edit and in the twin.
        std::vector<std::string> seen, twinSeen;
        auto changed = [](std::string_view old, const std::string& v) {
            return std::string(old.substr(0, 3)) + v;
        };
        // The steps the edit and a plain file take alike; false for an update, theirs to make.
        auto common = [](auto& file, const Op& op, std::vector<std::string>& log) {
            switch (op.kind) {
            case 0:
                file.DeleteKey(op.section, op.key);
                break;
            case 1:
                file.EraseSection(op.section);
                break;
            case 2:
            case 3:
                return false;
            case 4:
                log.push_back(file.ReadString(op.section, op.key, "none"));
                break;
            default:
                try {
                    file.WriteString(op.section, op.key, op.value);
                } catch (const EStoreError&) {
                    log.emplace_back("refused");
                }
            }
            return true;
        };
        ini.Edit([&](IniFile::Editor& e) {
            for (const Op& op : ops)
                if (!common(e, op, seen))
                    e.UpdateString(op.section, op.key, [&](std::string_view old, AnsiString& out) {
                        seen.emplace_back(old);
                        out = changed(old, op.value);
                        return op.kind == 2;
                    });
        });
        for (const Op& op : ops) {
            IniFile::DropCache();
            IniFile twin(twinPath);
            if (!common(twin, op, twinSeen) && twin.ValueExists(op.section, op.key)) {
                const std::string old = twin.ReadString(op.section, op.key, "");
                twinSeen.push_back(old);
                if (op.kind == 2)
                    twin.WriteString(op.section, op.key, changed(old, op.value));
            }
        }
        EXPECT_EQ(seen, twinSeen);
        EXPECT_EQ(ReadFile(path), ReadFile(twinPath));
        if (HasFailure())
            break;
    }
}

// A pass over a file that may be absent: a missing file, a folder under its name and a file
// this user may not read are left alone without a word; a file whose lock cannot be taken
// fails only when the pass would have changed it; any other file is updated.
TEST_F(IniFileTest, UpdateKeysLeavesWhatReadsAsMissingAlone)
{
    const AnsiString section = "S", key = "k";
    IniFile::KeyList keys;
    keys.Add(section, key);
    bool called = false;
    auto write = [&](size_t, std::string_view, IniFile::Splice& out) {
        called = true;
        out.Append = "2";
        return true;
    };
    auto same = [](size_t, std::string_view old, IniFile::Splice& out) {
        out.Keep = old.size();
        return true;
    };
    ini.UpdateKeysIfPresent(keys, write);
    EXPECT_FALSE(called);
    EXPECT_EQ(Entries(dir.path()), Names{}) << "neither the file nor a lock file is made";

    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    ini.UpdateKeysIfPresent(keys, write);
    EXPECT_THROW(ini.Edit([](IniFile::Editor& e) { e.WriteString("S", "k", "2"); }), EInOutError);
    ASSERT_EQ(rmdir(path.c_str()), 0);

    WriteFile(path, "[S]\r\nk=1\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    EXPECT_EQ(qmtest::AsOtherUser([&] {
                  IniFile(path).UpdateKeysIfPresent(keys, write);
                  return std::string("left alone");
              }),
              "left alone");
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=1\r\n");
    EXPECT_EQ(Entries(dir.path()), Names{"shop.store"});

    // A folder where the lock file goes: the lock cannot be taken.
    ASSERT_EQ(mkdir(IniFile::LockFileFor(path).c_str(), 0755), 0);
    ini.UpdateKeysIfPresent(keys, same);
    EXPECT_THROW(ini.UpdateKeysIfPresent(keys, write), EInOutError);
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=1\r\n");
    ASSERT_EQ(rmdir(IniFile::LockFileFor(path).c_str()), 0);

    called = false;
    ini.UpdateKeysIfPresent(keys, write);
    EXPECT_TRUE(called);
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=2\r\n");
    EXPECT_EQ(Entries(dir.path()), Names{"shop.store"});
}

TEST_F(IniFileTest, UpdateStringWritesOnlyWhatItIsAskedToAndChecksIt)
{
    WriteFile(path, "[S]\r\nk = one \r\n[Odd=1\r\n");
    struct stat before {};
    stat(path.c_str(), &before);
    bool called = false;
    ini.Edit([&](IniFile::Editor& e) {
        e.UpdateString("S", "missing", [&](std::string_view, AnsiString&) { return called = true; });
        e.UpdateString(" s ", "K", [&](std::string_view old, AnsiString& out) {
            EXPECT_EQ(old, "one");
            out = "changed";
            return false; // nothing written after all
        });
    });
    EXPECT_FALSE(called) << "a missing key is not offered";
    struct stat after {};
    stat(path.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino) << "nothing changed, nothing rewritten";

    auto update = [&](const char* key, const char* value) {
        ini.Edit([&](IniFile::Editor& e) {
            e.UpdateString("S", key, [&](std::string_view, AnsiString& out) {
                out = value;
                return true;
            });
        });
    };
    EXPECT_THROW(update("k", "two\r\n[Injected]"), EStoreError);
    EXPECT_THROW(update("[Odd", "a]b"), EStoreError) << "the line would read as a section";
    EXPECT_EQ(ReadFile(path), "[S]\r\nk = one \r\n[Odd=1\r\n");
    update("k", "  two  ");
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=two\r\n[Odd=1\r\n");
}

// A pass spares reading a file whose kept parse holds none of its keys, but trusts only a parse
// the file has not changed since, and looks at it only under the file's lock: the lines another
// program gave the file since it was read, or gives it while the pass waits for the lock, are
// updated.
TEST_F(IniFileTest, UpdateKeysTrustsAKeptParseOnlyWhileItIsCurrentUnderTheLock)
{
    WriteFile(path, "[S]\r\nk=1\r\n");
    const AnsiString section = "s", key = "K", other = "other";
    IniFile::KeyList held, notHeld;
    held.Add(section, key);
    notHeld.Add(section, other);
    auto write = [](size_t, std::string_view, IniFile::Splice& out) {
        out.Append = "2";
        return true;
    };
    // Read long after the file's last change, so that its parse is trusted.
    auto readLongAfter = [&] {
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        SetTestFileClock(Ns(st.st_ctim) + 3'600'000'000'000);
        EXPECT_NE(ini.ReadString("S", "other", "none"), "");
        SetTestFileClock(std::nullopt);
    };
    ini.UpdateKeysIfPresent(held, write);
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=2\r\n") << "no parse kept";

    readLongAfter();
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ini.UpdateKeysIfPresent(notHeld, write);
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino) << "holds none: not rewritten";
    EXPECT_EQ(Entries(dir.path()), Names{"shop.store"});
    WriteFile(path, "[S]\r\nother=1\r\n"); // another program
    ini.UpdateKeysIfPresent(notHeld, write);
    EXPECT_EQ(ReadFile(path), "[S]\r\nother=2\r\n") << "changed since it was read";

    readLongAfter();
    qmtest::HeldFileLock writer(path);
    std::atomic<bool> done = false;
    std::thread pass([&] {
        IniFile(path).UpdateKeysIfPresent(held, write);
        done = true;
    });
    writer.WaitForWaiterOr([&] { return done.load(); });
    WriteFile(path + ".new", "[S]\r\nother=2\r\nk=1\r\n");
    EXPECT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
    writer.Release();
    pass.join();
    EXPECT_EQ(ReadFile(path), "[S]\r\nother=2\r\nk=2\r\n") << "given the key while the pass waited";
}

// Updates that would change nothing are found out without the file's lock while no rewrite of it
// is under way: no lock file is made, nor the file rewritten, whether they are looked at in the
// file or in the parse kept of it. Updates that change it take the lock.
TEST_F(IniFileTest, UpdateKeysThatChangeNothingTakeNoLock)
{
    WriteFile(path, "[S]\r\nk=1\r\n");
    const AnsiString section = "S", key = "k";
    IniFile::KeyList keys;
    keys.Add(section, key);
    const int events = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(events, 0);
    inotify_add_watch(events, dir.path().c_str(), IN_CREATE);
    const auto made = [&] {
        int n = 0;
        alignas(inotify_event) char buf[4096];
        for (ssize_t got; (got = read(events, buf, sizeof buf)) > 0;)
            for (char* p = buf; p < buf + got;
                 p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
                ++n;
        return n;
    };
    const auto update = [&](const char* value) {
        ini.UpdateKeysIfPresent(keys, [value](size_t, std::string_view, IniFile::Splice& out) {
            out.Append = value;
            return true;
        });
    };
    update("1"); // the file read, its parse kept
    SetTestFileClock(FileClockNs() + 3'600'000'000'000);
    update("1"); // the parse kept found current, and trusted from here on
    update("1"); // the parse kept looked at
    EXPECT_EQ(made(), 0);
    update("2");
    EXPECT_EQ(made(), 2) << "the lock file and the temporary file";
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=2\r\n");
    close(events);
}

// A program that rewrites the file in place and sets its modification time back (a copy
// keeping times) is still seen at the next plain read, long after the file had settled.
TEST_F(IniFileTest, SeesAChangeWhoseModificationTimeWasSetBack)
{
    ini.WriteString("S", "k", "1");
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    SetTestFileClock(Ns(before.st_ctim) + 3'600'000'000'000); // read an hour after the change
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    struct stat after {};
    do { // until the system gives the rewrite a change time of its own
        WriteFile(path, "[S]\r\nk=2\r\n");
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        ASSERT_EQ(stat(path.c_str(), &after), 0);
    } while (Ns(after.st_ctim) == Ns(before.st_ctim));
    ASSERT_EQ(after.st_ino, before.st_ino) << "the file must be rewritten in place";
    EXPECT_EQ(ini.ReadString("S", "k", ""), "2");
}

// A parse kept from before is taken again only when the file still holds its very bytes, also
// when another program changed it without changing its size or time.
TEST_F(IniFileTest, AnEditAppliesToWhatAnotherProgramWroteInTheSameSizeAndTime)
{
    ini.WriteString("S", "k", "1");
    struct stat st {};
    stat(path.c_str(), &st);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    WriteFile(path, "[S]\r\nk=2\r\n");
    utimensat(AT_FDCWD, path.c_str(), times, 0);
    ini.Edit([](IniFile::Editor& e) { e.WriteString("S", "j", "3"); });
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=2\r\nj=3\r\n");
    // And the parse the edit left is the file's.
    EXPECT_EQ(ini.ReadString("S", "k", ""), "2");
}

// Each read in an edit answers from the file as the changes before it left it: the first line
// of a key that is there twice, nothing after a delete or an erase, a value rewritten in its
// line (a shorter one where the old stood, a longer one anew) with the key's own spelling.
TEST_F(IniFileTest, OneEditReadsEveryLineAsTheChangesBeforeLeftIt)
{
    WriteFile(path, "[S]\r\nA=1\r\nB=2\r\nA=dup\r\n  Milk  =  old value  \r\nC=3\r\nE=5\r\n[T]\r\nx=0\r\n"
                    "[s]\r\nD=4\r\nE=late\r\n");
    ini.Edit([](IniFile::Editor& e) {
        EXPECT_EQ(e.ReadString("S", "B", ""), "2");
        EXPECT_EQ(e.ReadString("S", "A", ""), "1") << "the first line of a key that is there twice";
        EXPECT_EQ(e.ReadString("S", "C", ""), "3");
        EXPECT_EQ(e.ReadString("S", "D", ""), "4") << "from the later section of the name";
        EXPECT_EQ(e.ReadString("S", "E", ""), "5") << "from the first section that has it";
        EXPECT_EQ(e.ReadString("S", "C", ""), "3");
        e.DeleteKey("S", "C");
        EXPECT_EQ(e.ReadString("S", "C", "gone"), "gone");
        EXPECT_EQ(e.ReadString("s", "milk", ""), "old value");
        e.WriteString("S", "Milk", "new");
        EXPECT_EQ(e.ReadString("S", "Milk", ""), "new");
        e.WriteString("S", "MILK", "a value longer than the line it had");
        e.WriteString("S", "Milk", "short");
        EXPECT_EQ(e.ReadString("S", "milk", ""), "short");
        EXPECT_EQ(e.ReadString("T", "x", ""), "0");
        e.EraseSection("T");
        EXPECT_EQ(e.ReadString("T", "x", "gone"), "gone");
        e.WriteString("T", "y", "5");
        EXPECT_EQ(e.ReadString("t", "Y", ""), "5");
    });
    EXPECT_EQ(ReadFile(path), "[S]\r\nA=1\r\nB=2\r\nA=dup\r\nMilk=short\r\nE=5\r\n[s]\r\nD=4\r\nE=late\r\n"
                              "[T]\r\ny=5\r\n");
}

// A watch knows the file as its holder last read or wrote it. This program's changes keep it
// knowing; another program's change does not, nor does a change of this program made on top of
// one; the edit on the watch's terms then leaves the file alone. The same bytes written anew,
// and a file that is gone, are no change to read again.
TEST_F(IniFileTest, AWatchKnowsTheFileAsItsHolderLastReadOrWroteIt)
{
    using State = IniFile::Watch::State;
    using Result = IniFile::EditResult;
    const auto writeK = [](const char* value) {
        return [value](IniFile::Editor& e) { e.WriteString("S", "k", value); };
    };
    IniFile::Watch watch;
    ini.WriteString("S", "k", "1");
    watch.Start(path);
    EXPECT_EQ(watch.Look(path), State::Unchanged);
    ini.WriteString("S", "k", "2");
    EXPECT_EQ(ini.EditIfUnchanged(watch, writeK("3")), Result::Done);
    EXPECT_EQ(watch.Look(path), State::Unchanged);

    WriteFile(path, "[S]\r\nk=other\r\n");
    EXPECT_EQ(watch.Look(path), State::Changed);
    ini.WriteString("S", "j", "1");
    EXPECT_EQ(watch.Look(path), State::Changed);
    EXPECT_EQ(ini.EditIfUnchanged(watch, writeK("4")), Result::Changed);
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=other\r\nj=1\r\n");

    watch.Start(path);
    WriteFile(path, ReadFile(path));
    EXPECT_EQ(watch.Look(path), State::Unchanged);
    const std::string other = dir.file("other.store");
    WriteFile(other, "[S]\r\n");
    EXPECT_EQ(watch.Look(other), State::Changed);
    IniFile::Watch taken;
    taken.TakeFrom(watch);
    EXPECT_EQ(taken.Look(path), State::Unchanged);
    EXPECT_EQ(watch.Look(path), State::Changed);
}

// A read from one look: what another program writes while it reads shows neither in what it
// reads nor in the version its watch then knows, which the next look finds changed. A file
// that is not there is not read.
TEST_F(IniFileTest, AReadSeesOneVersionOfTheFileAndItsWatchKnowsThatOne)
{
    using State = IniFile::Watch::State;
    using Pairs = std::vector<std::pair<AnsiString, AnsiString>>;
    WriteFile(path, "[S]\r\nk=1\r\nK=9\r\n l = 2 \r\n");
    IniFile::Watch watch;
    Pairs pairs;
    EXPECT_TRUE(ini.Read(
        [&](const IniFile::View& file) {
            WriteFile(path, "[S]\r\nk=changed\r\n[T]\r\n");
            file.ForEachValue(
                "s", [&](std::string_view key, std::string_view value) { pairs.emplace_back(key, value); });
            EXPECT_FALSE(file.SectionExists("T"));
        },
        &watch));
    EXPECT_EQ(pairs, (Pairs{{"k", "1"}, {"l", "2"}}));
    EXPECT_EQ(watch.Look(path), State::Changed);
    EXPECT_TRUE(ini.Read(
        [&](const IniFile::View& file) { EXPECT_EQ(file.ReadString("S", "k", ""), "changed"); }, &watch));
    EXPECT_EQ(watch.Look(path), State::Unchanged);

    unlink(path.c_str());
    bool read = false;
    EXPECT_FALSE(ini.Read([&](const IniFile::View&) { read = true; }, &watch));
    EXPECT_FALSE(read);
}

// A file that went away is not made again by a change on terms: not by a holder's write (its
// watch sees it missing), nor by any change to a file that must be there. Its folder gone, the
// change fails as any write there does.
TEST_F(IniFileTest, AChangeOnTermsNeverMakesAFileThatWentAway)
{
    using State = IniFile::Watch::State;
    using Result = IniFile::EditResult;
    const auto write = [](IniFile::Editor& e) { e.WriteString("S", "k", "5"); };
    ini.WriteString("S", "k", "1");
    IniFile::Watch watch;
    watch.Start(path);
    unlink(path.c_str());
    EXPECT_EQ(watch.Look(path), State::Missing);
    EXPECT_EQ(ini.EditIfUnchanged(watch, write), Result::Missing);
    EXPECT_EQ(ini.EditExisting(write), Result::Missing);
    EXPECT_EQ(Entries(dir.path()), Names{});

    // Back under its name, it is another file than the one known.
    WriteFile(path, "[S]\r\nk=1\r\n");
    EXPECT_EQ(watch.Look(path), State::Changed);
    EXPECT_EQ(ini.EditExisting(write), Result::Done);
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=5\r\n");

    const std::string gone = dir.file("gone/shop.store");
    EXPECT_EQ(watch.Look(gone), State::Unreadable);
    EXPECT_THROW(IniFile(gone).EditExisting(write), EInOutError);
}

// A file that must be there and goes while a change of it is written (another program renames
// or removes it just before the new content takes its place) is not made again: EditExisting
// and EditIfUnchanged answer Missing, the one-pass update leaves it alone, and neither a
// temporary file nor a lock file stays. A write that makes files makes it again, as ever.
TEST_F(IniFileTest, AFileThatGoesWhileItIsWrittenIsNotMadeAgain)
{
    using Result = IniFile::EditResult;
    const std::string moved = dir.file("moved.store");
    const auto write = [](IniFile::Editor& e) { e.WriteString("S", "k", "2"); };
    const AnsiString section = "S", key = "k";
    IniFile::KeyList keys;
    keys.Add(section, key);
    IniFile::Watch watch;
    const std::vector<std::pair<std::string, std::function<Result()>>> changes = {
        {"EditExisting", [&] { return ini.EditExisting(write); }},
        {"EditIfUnchanged", [&] { return ini.EditIfUnchanged(watch, write); }},
        {"UpdateKeysIfPresent", [&] {
             ini.UpdateKeysIfPresent(keys, [](size_t, std::string_view, IniFile::Splice& out) {
                 out.Append = "2";
                 return true;
             });
             return Result::Missing;
         }}};
    for (const bool renamed : {true, false})
        for (const auto& [name, change] : changes) {
            const std::string what = name + (renamed ? ", renamed" : ", removed");
            WriteFile(path, "[S]\r\nk=1\r\n");
            watch.Start(path);
            {
                qmtest::AtReplacing other(path, [&] {
                    EXPECT_EQ(renamed ? rename(path.c_str(), moved.c_str()) : unlink(path.c_str()), 0);
                });
                EXPECT_EQ(change(), Result::Missing) << what;
            }
            EXPECT_EQ(Entries(dir.path()), renamed ? Names{"moved.store"} : Names{}) << what;
            EXPECT_EQ(watch.Look(path), IniFile::Watch::State::Missing) << what;
            if (renamed) {
                // Back under its name, it is read as it is.
                ASSERT_EQ(rename(moved.c_str(), path.c_str()), 0);
                EXPECT_EQ(ini.ReadString("S", "k", ""), "1") << what;
            }
        }

    qmtest::AtReplacing other(path, [&] { unlink(path.c_str()); });
    ini.WriteString("S", "k", "3");
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=3\r\n");
    EXPECT_EQ(Entries(dir.path()), Names{"shop.store"});
}

// The file's folder replaced while a change is written (moved away and a new one made under its
// name): a change of a file that must be there answers Missing, as for a file that went away,
// and leaves nothing behind in either folder. The folder moved away with none in its place, the
// change fails as a write there does, and still leaves nothing behind.
TEST_F(IniFileTest, AFolderReplacedWhileAFileIsWrittenKeepsNothingOfTheWrite)
{
    using Result = IniFile::EditResult;
    const std::string folder = dir.file("stores"), moved = dir.file("stores.old");
    const std::string file = folder + "/shop.store";
    IniFile shop(file);
    const auto write = [](IniFile::Editor& e) { e.WriteString("S", "k", "2"); };
    const AnsiString section = "S", key = "k";
    IniFile::KeyList keys;
    keys.Add(section, key);
    for (const bool replaced : {true, false})
        for (const bool update : {false, true}) {
            std::filesystem::remove_all(moved);
            ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
            WriteFile(file, "[S]\r\nk=1\r\n");
            qmtest::AtReplacing other(file, [&] {
                EXPECT_EQ(rename(folder.c_str(), moved.c_str()), 0);
                EXPECT_EQ(replaced ? mkdir(folder.c_str(), 0755) : 0, 0);
            });
            std::string outcome = "Missing";
            try {
                if (update)
                    shop.UpdateKeysIfPresent(keys, [](size_t, std::string_view, IniFile::Splice& out) {
                        out.Append = "2";
                        return true;
                    });
                else if (shop.EditExisting(write) != Result::Missing)
                    outcome = "Done";
            } catch (const EInOutError& e) {
                outcome = e.what();
            }
            const std::string what =
                std::string(replaced ? "replaced" : "moved") + (update ? ", update" : "");
            EXPECT_EQ(outcome, replaced || update
                                   ? "Missing"
                                   : "Cannot write to the file \"" + file + "\": No such file or directory.")
                << what;
            EXPECT_EQ(Entries(moved), Names{"shop.store"}) << what;
            EXPECT_EQ(ReadFile(moved + "/shop.store"), "[S]\r\nk=1\r\n") << what;
            EXPECT_EQ(Entries(folder), Names{}) << what;
            std::filesystem::remove_all(folder);
        }
    std::filesystem::remove_all(moved);
}

// A rewrite that fails leaves the file as it was, and so what its holder knows of it: the
// next change finds it unchanged, with no reading of it (a store's holder would read the whole
// store again). The parse kept is of the file's bytes, not of the change that failed.
TEST_F(IniFileTest, AFailedRewriteKeepsTheFileKnown)
{
    using State = IniFile::Watch::State;
    ini.WriteString("S", "note", std::string(100000, 'n'));
    ini.WriteString("S", "k", "100");
    ini.WriteString("T", "j", "1");
    const std::string kept = ReadFile(path);
    IniFile::Watch watch;
    watch.Start(path);
    EXPECT_EQ(InChild([&] {
                  signal(SIGXFSZ, SIG_IGN);
                  rlimit limit{50000, 50000};
                  setrlimit(RLIMIT_FSIZE, &limit);
                  std::string out;
                  // Changes in place, after the text and of whole sections, each failing.
                  for (const auto& change : std::vector<std::function<void(IniFile::Editor&)>>{
                           [](IniFile::Editor& e) { e.WriteString("S", "k", "7"); },
                           [](IniFile::Editor& e) { e.WriteString("S", "k", "123456"); },
                           [](IniFile::Editor& e) {
                               e.WriteString("U", "new", "1");
                               e.EraseSection("T");
                               e.DeleteKey("S", "k");
                           }}) {
                      try {
                          ini.EditIfUnchanged(watch, change);
                          out += "written ";
                      } catch (const EInOutError&) {
                          out += "failed ";
                      }
                      out += watch.Look(path) == State::Unchanged ? "known; " : "not known; ";
                      out += ini.ReadString("S", "k", "") + ini.ReadString("T", "j", "") +
                             ini.ReadString("U", "new", "") + "; ";
                  }
                  return out;
              }),
              "failed known; 1001; failed known; 1001; failed known; 1001; ");
    EXPECT_EQ(ReadFile(path), kept);
}

// The watch is asked under the file's lock, in the rewrite itself: a write another process
// makes while this one waits for the lock is seen, though the file was as known when asked.
TEST_F(IniFileTest, AnEditOnAWatchsTermsDecidesUnderTheLock)
{
    ini.WriteString("S", "k", "1");
    IniFile::Watch watch;
    watch.Start(path);
    qmtest::ChildProcess other([&] {
        ini.Edit([](IniFile::Editor& e) {
            e.WriteString("S", "k", "other");
            usleep(300'000); // the lock held, the file not yet replaced
        });
        return std::string("written");
    });
    // Until the other holds the lock.
    for (bool held = false; !held; usleep(1000)) {
        const int fd = open(IniFile::LockFileFor(path).c_str(), O_RDONLY | O_CLOEXEC);
        held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        if (fd >= 0)
            close(fd);
    }
    EXPECT_EQ(ini.EditIfUnchanged(watch, [](IniFile::Editor& e) { e.WriteString("S", "k", "mine"); }),
              IniFile::EditResult::Changed);
    EXPECT_EQ(other.Wait(), "written");
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=other\r\n");
}
