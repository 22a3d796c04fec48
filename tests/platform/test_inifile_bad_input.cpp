#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"

using namespace qm;
using qmtest::ReadFile;
using qmtest::WriteFile;

namespace {

// The bytes a rewrite keeps of a file: every line as it was, ended with CR LF.
std::string WithCrLf(const std::string& bytes)
{
    std::string out;
    for (size_t pos = 0; pos < bytes.size();) {
        const size_t nl = bytes.find('\n', pos);
        const size_t end = nl == std::string::npos ? bytes.size() : nl;
        size_t len = end - pos;
        if (len && bytes[end - 1] == '\r')
            --len;
        out.append(bytes, pos, len).append("\r\n");
        pos = end + 1;
    }
    return out;
}

// Runs body in a child process and hands back what it returns (or the message of what it
// throws, prefixed with "thrown: ").
std::string InChild(const std::function<std::string()>& body)
{
    int fds[2];
    if (pipe(fds) != 0)
        return "no pipe";
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::string out;
        try {
            out = body();
        } catch (const std::exception& e) {
            out = std::string("thrown: ") + e.what();
        }
        (void)!write(fds[1], out.data(), out.size());
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        out.append(buf, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child failed";
    return out;
}

std::vector<std::string> FolderEntries(const std::string& dir)
{
    std::vector<std::string> out;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                out.emplace_back(e->d_name);
        closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

class IniBadInput : public ::testing::Test {
protected:
    qmtest::TempDir dir;
    std::string path = dir.file("shop.store");
    IniFile ini{path};
};

} // namespace

TEST_F(IniBadInput, BinaryGarbageIsReadWithoutHarmAndKeptOnRewrite)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        std::string garbage(size_t(rng() % 20000), '\0');
        // Random bytes, a third of them the ones the reader looks for.
        for (char& c : garbage)
            c = rng() % 3 ? char(rng()) : "[]=;\r\n \t\x1a\xEF"[rng() % 11];
        WriteFile(path, garbage);
        for (const auto& section : ini.ReadSections())
            for (const auto& key : ini.ReadSection(section))
                ini.ReadString(section, key, "");
        ini.WriteString("Fresh Section", "key", "value");
        EXPECT_EQ(ReadFile(path), WithCrLf(garbage) + "[Fresh Section]\r\nkey=value\r\n") << round;
        EXPECT_EQ(ini.ReadString("FRESH SECTION", "KEY", ""), "value");
    }
}

TEST_F(IniBadInput, MegabyteLinesAndTenThousandSections)
{
    const std::string huge(1 << 20, 'x');
    std::string text = "[Big]\r\n" + huge + "\r\nnote=" + huge + "\r\n";
    for (int i = 0; i < 10000; ++i)
        text += "[Category " + std::to_string(i) + "]\r\nItem=Aisle " + std::to_string(i) + ",-,,-,1\r\n";
    WriteFile(path, text);

    EXPECT_EQ(ini.ReadString("Big", "note", ""), huge);
    EXPECT_EQ(ini.ReadSection("Big"), std::vector<AnsiString>{"note"});
    const auto sections = ini.ReadSections();
    ASSERT_EQ(sections.size(), 10001u);
    EXPECT_EQ(sections.back(), "Category 9999");
    EXPECT_EQ(ini.ReadString("category 5000", "item", ""), "Aisle 5000,-,,-,1");

    ini.WriteString("Category 5000", "Item", "Aisle 5,-,,-,2");
    ini.EraseSection("Category 9999");
    EXPECT_EQ(ini.ReadString("Category 5000", "Item", ""), "Aisle 5,-,,-,2");
    EXPECT_EQ(ini.ReadSections().size(), 10000u);
    IniFile::DropCache();
    EXPECT_EQ(ini.ReadString("Big", "note", ""), huge);
    EXPECT_EQ(ini.ReadString("Category 5000", "Item", ""), "Aisle 5,-,,-,2");
    EXPECT_FALSE(ini.SectionExists("Category 9999"));
}

TEST_F(IniBadInput, FileThatVanishesBetweenReads)
{
    ini.WriteString("S", "k", "1");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    unlink(path.c_str());
    EXPECT_EQ(ini.ReadString("S", "k", "gone"), "gone");
    EXPECT_TRUE(ini.ReadSections().empty());
    EXPECT_TRUE(ini.ReadSection("S").empty());
    mkdir(path.c_str(), 0755); // a folder where the file was reads as no file
    EXPECT_EQ(ini.ReadString("S", "k", "gone"), "gone");
    rmdir(path.c_str());
    ini.WriteString("S", "l", "2");
    EXPECT_EQ(ReadFile(path), "[S]\r\nl=2\r\n");
}

TEST_F(IniBadInput, TwoProcessesWritingDifferentKeysLoseNone)
{
    ini.WriteString("Shared", "start", "1");
    auto writer = [&](const std::string& prefix) {
        return [&, prefix] {
            IniFile mine(path);
            for (int i = 0; i < 500; ++i)
                mine.WriteString("Shared", prefix + std::to_string(i), std::to_string(i));
            return std::string();
        };
    };
    // Both run at once; each write starts from what the other has written so far.
    std::string outA, outB;
    std::thread a([&] { outA = InChild(writer("a")); });
    std::thread b([&] { outB = InChild(writer("b")); });
    a.join();
    b.join();
    EXPECT_EQ(outA, "");
    EXPECT_EQ(outB, "");

    const auto keys = ini.ReadSection("Shared");
    EXPECT_EQ(keys.size(), 1001u);
    for (int i = 0; i < 500; ++i) {
        EXPECT_EQ(ini.ReadString("Shared", "a" + std::to_string(i), ""), std::to_string(i));
        EXPECT_EQ(ini.ReadString("Shared", "b" + std::to_string(i), ""), std::to_string(i));
    }
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"shop.store", "shop.store.lock"}));
}

TEST_F(IniBadInput, WriteIntoReadOnlyFolderFailsClearlyAndKeepsTheFile)
{
    const std::string folder = dir.file("ro");
    const std::string file = folder + "/shop.store";
    mkdir(folder.c_str(), 0755);
    IniFile(file).WriteString("S", "k", "1");
    const std::string kept = ReadFile(file);
    chmod(dir.path().c_str(), 0755);
    chmod(folder.c_str(), 0555);
    chmod(file.c_str(), 0666);

    // The super-user writes anywhere, so the write runs as an ordinary user when needed.
    auto attempt = [&] {
        return InChild([&] {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                return std::string("cannot drop privileges");
            IniFile(file).WriteString("S", "k", "2");
            return std::string("written");
        });
    };
    const std::string expected =
        "thrown: Cannot write to the file \"" + file + "\": " + strerror(EACCES) + ".";
    EXPECT_EQ(attempt(), expected); // no lock file can be made

    unlink((file + ".lock").c_str());
    chmod(folder.c_str(), 0755);
    WriteFile(file + ".lock", "");
    chmod((file + ".lock").c_str(), 0666);
    chmod(folder.c_str(), 0555);
    EXPECT_EQ(attempt(), expected); // locked, but no new file can be made beside it

    EXPECT_EQ(ReadFile(file), kept);
    EXPECT_EQ(IniFile(file).ReadString("S", "k", ""), "1");
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"shop.store", "shop.store.lock"}));
}

TEST_F(IniBadInput, WriteThatRunsOutOfSpaceKeepsTheFile)
{
    ini.WriteString("S", "note", std::string(100000, 'n'));
    const std::string kept = ReadFile(path);
    // A file-size limit makes the write fail half-way, as a full disk would.
    const std::string out = InChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{50000, 50000};
        setrlimit(RLIMIT_FSIZE, &limit);
        ini.WriteString("S", "k", "1");
        return std::string("written");
    });
    EXPECT_EQ(out, "thrown: Cannot write to the file \"" + path + "\": " + strerror(EFBIG) + ".");
    EXPECT_EQ(ReadFile(path), kept);
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"shop.store", "shop.store.lock"}));
}
