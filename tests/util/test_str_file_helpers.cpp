#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "TestSupport.h"
#include "platform/Exception.h"
#include "util/ExtraStrUtils.h"
#include "util/ExtraWinUtils.h"
#include "util/StrUtil2.h"

using namespace qm;

TEST(DelimitedField, SplitsItemLinesWithEmptyAndMissingFields)
{
    const std::string line = "Produce,-,,-,2";
    EXPECT_EQ(GetDelimitedField(",-,", line, 1), "Produce");
    EXPECT_EQ(GetDelimitedField(",-,", line, 2), "");
    EXPECT_EQ(GetDelimitedField(",-,", line, 3), "2");
    EXPECT_EQ(GetDelimitedField(",-,", line, 4), "");
    EXPECT_EQ(GetDelimitedField(",-,", "", 1), "");
}

TEST(DelimitedField, TrailingDelimiterGivesOneEmptyFieldMore)
{
    EXPECT_EQ(GetDelimitedField(",,", "A,,B,,", 1), "A");
    EXPECT_EQ(GetDelimitedField(",,", "A,,B,,", 2), "B");
    EXPECT_EQ(GetDelimitedField(",,", "A,,B,,", 3), "");
}

TEST(DelimitedField, OverlappingOccurrencesOfALongDelimiter)
{
    EXPECT_EQ(NthDelimiterPos(",,", "a,,,b", 1), 2);
    EXPECT_EQ(NthDelimiterPos(",,", "a,,,b", 2), 3);
    EXPECT_EQ(GetDelimitedField(",,", "a,,,b", 1), "a");
    EXPECT_EQ(GetDelimitedField(",,", "a,,,b", 2), "");
    EXPECT_EQ(GetDelimitedField(",,", "a,,,b", 3), "b");
}

TEST(DelimitedField, AbsentDelimiterAndOutOfRangeNumbers)
{
    for (int n = 0; n <= 255; ++n)
        EXPECT_EQ(NthDelimiterPos("&-&", "no separator here", n), 0) << n;
    EXPECT_EQ(NthDelimiterPos(",", "a,b", 0), 0);
    EXPECT_EQ(NthDelimiterPos("", "a,b", 1), 0);
    EXPECT_EQ(GetDelimitedField(",", "a,b", 0), "");
    EXPECT_EQ(GetDelimitedField(",", "a,b", -1), "");
}

TEST(DelimitedField, FieldsUpTo255AndPastPosition65535)
{
    // 300 entries of 300 characters: 90,600 characters, beyond a 16-bit position.
    std::string text;
    for (int i = 1; i <= 300; ++i)
        text += std::to_string(i) + std::string(300 - std::to_string(i).size(), 'x') + ",,";
    EXPECT_EQ(GetDelimitedField(",,", text, 255).substr(0, 4), "255x");
    EXPECT_EQ(GetDelimitedField(",,", text, 255).size(), 300u);
    EXPECT_EQ(GetDelimitedField(",,", text, 256), "");
    EXPECT_EQ(NthDelimiterPos(",,", text, 255), 255 * 302 - 1);
    EXPECT_EQ(NthDelimiterPos(",,", text, 256), 0);
}

TEST(RepeatChar, CountsBelowOneGiveEmptyText)
{
    EXPECT_EQ(RepeatChar('-', 0), "");
    EXPECT_EQ(RepeatChar('-', -3), "");
    EXPECT_EQ(RepeatChar('=', 80), std::string(80, '='));
}

TEST(ExtractFileNameNoExt, TakesTheNameAfterTheLastSlash)
{
    EXPECT_EQ(ExtractFileNameNoExt("/home/ann/Data/Corner.Shop.store"), "Corner.Shop");
    EXPECT_EQ(ExtractFileNameNoExt("/home/ann/Data/Readme"), "Readme");
    EXPECT_EQ(ExtractFileNameNoExt("C:\\Data\\Corner.store"), "C:\\Data\\Corner");
    EXPECT_EQ(ExtractFileNameNoExt("/a.dir/Readme"), "Readme");
    EXPECT_EQ(ExtractFileNameNoExt("Main St.store"), "Main St");
}

TEST(FileExists, TellsFilesFromFoldersThroughLinksAndByTheirBytes)
{
    qmtest::TempDir dir;
    namespace fs = std::filesystem;
    // A path is the system's bytes: "Caf\xC3\xA9" is the folder, "Caf\xE9" (a name that is no
    // UTF-8) another one.
    fs::create_directory(dir.file("Caf\xC3\xA9"));
    qmtest::WriteFile(dir.file("Caf\xC3\xA9/Corner.store"), "x");
    fs::create_directory_symlink(dir.file("Caf\xC3\xA9"), dir.file("link"));
    fs::create_symlink(dir.file("gone"), dir.file("dangling"));
    EXPECT_FALSE(DirectoryExists(dir.file("Caf\xE9")));
    fs::create_directory(dir.file("Caf\xE9"));
    EXPECT_TRUE(DirectoryExists(dir.file("Caf\xE9")));
    EXPECT_FALSE(FileExists(dir.file("Caf\xE9/Corner.store")));

    const std::string cafe = dir.path() + "/Caf\xC3\xA9";
    EXPECT_TRUE(DirectoryExists(cafe));
    EXPECT_TRUE(DirectoryExists(cafe + "/"));
    EXPECT_FALSE(FileExists(cafe));
    EXPECT_TRUE(FileExists(cafe + "/Corner.store"));
    EXPECT_FALSE(DirectoryExists(cafe + "/Corner.store"));
    EXPECT_TRUE(DirectoryExists(dir.file("link")));
    EXPECT_TRUE(FileExists(dir.file("link/Corner.store")));
    EXPECT_FALSE(FileExists(dir.file("dangling")));
    EXPECT_FALSE(DirectoryExists(dir.file("dangling")));
    EXPECT_FALSE(FileExists(cafe + "/Corner.store/x")); // a file is no folder to look in
}

TEST(ShellFolder, AppDataFollowsXdgDataHome)
{
    const std::string saved = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    setenv("XDG_DATA_HOME", "/tmp/some data/", 1);
    EXPECT_EQ(GetShellFolder("AppData"), "/tmp/some data");
    EXPECT_EQ(GetShellFolder("APPDATA"), "/tmp/some data");
    // The environment's bytes, in any script and also when they are no UTF-8.
    for (const char* data :
         {"/home/\xD0\xB4\xD0\xBE\xD0\xBC\xD0\xBE\xD0\xB9/.local/share", "/tmp/x\xE9\xFF"}) {
        setenv("XDG_DATA_HOME", data, 1);
        EXPECT_EQ(GetShellFolder("AppData"), data);
    }
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(GetShellFolder("AppData"), std::string(std::getenv("HOME")) + "/.local/share");
    const std::string home = std::getenv("HOME");
    setenv("HOME", "/home/\xE5\xAE\xB6", 1);
    EXPECT_EQ(GetShellFolder("AppData"), "/home/\xE5\xAE\xB6/.local/share");
    setenv("HOME", home.c_str(), 1);
    EXPECT_EQ(GetShellFolder("Cookies"), "");
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

TEST(CopyFileByStream, CopiesOverwritesAndReportsFailures)
{
    qmtest::TempDir dir;
    std::string content(200000, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = char(i * 7);
    qmtest::WriteFile(dir.file("a.store"), content);
    qmtest::WriteFile(dir.file("b.store"), std::string(500000, 'z'));

    CopyFileByStream(dir.file("a.store"), dir.file("b.store"));
    EXPECT_EQ(qmtest::ReadFile(dir.file("b.store")), content);

    try {
        CopyFileByStream(dir.file("missing.store"), dir.file("c.store"));
        FAIL() << "no exception";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.store"), std::string::npos) << e.what();
    }
    EXPECT_THROW(CopyFileByStream(dir.file("a.store"), dir.file("no/such/dir.store")), EInOutError);
    EXPECT_THROW(CopyFileByStream(dir.path(), dir.file("d.store")), EInOutError);
}

TEST(CopyFileByStream, ACopyThatStopsHalfWayLeavesTheDestinationAsItWas)
{
    qmtest::TempDir dir;
    qmtest::WriteFile(dir.file("import.store"), "[Dairy]\r\n" + std::string(200000, 'm') + "=,-,,-,1\r\n");
    const std::string kept = "[Bakery]\r\nBread=,-,,-,2\r\n";
    qmtest::WriteFile(dir.file("shop.store"), kept);
    chmod(dir.file("shop.store").c_str(), 0640);

    // A file-size limit stops the copy half-way, as a full disk would.
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{50000, 50000};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            CopyFileByStream(dir.file("import.store"), dir.file("shop.store"));
        } catch (const EInOutError&) {
            _exit(3);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << "the failed copy was not reported";
    EXPECT_EQ(qmtest::ReadFile(dir.file("shop.store")), kept);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"import.store", "shop.store"}));

    // A whole copy replaces the store and keeps its permissions.
    CopyFileByStream(dir.file("import.store"), dir.file("shop.store"));
    EXPECT_EQ(qmtest::ReadFile(dir.file("shop.store")), qmtest::ReadFile(dir.file("import.store")));
    struct stat st {};
    stat(dir.file("shop.store").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(CopyFileByStream, CopyingAFileOntoItselfKeepsIt)
{
    qmtest::TempDir dir;
    qmtest::WriteFile(dir.file("a.store"), "[Dairy]\r\nMilk=,-,,-,1\r\n");
    CopyFileByStream(dir.file("a.store"), dir.path() + "/./a.store");
    EXPECT_EQ(qmtest::ReadFile(dir.file("a.store")), "[Dairy]\r\nMilk=,-,,-,1\r\n");
}

// Paths are taken as the bytes they are, in any script and also when they are no UTF-8; a
// failure names the file readably.
TEST(CopyFileByStream, PathsAreTheSystemsBytes)
{
    qmtest::TempDir dir;
    for (const std::string folder :
         {"\xD0\x94\xD0\xBE\xD0\xBC", "\xE5\xAE\xB6 \xF0\x9F\x9B\x92", "caf\xE9"}) {
        std::filesystem::create_directory(dir.file(folder));
        qmtest::WriteFile(dir.file(folder + "/caf\xC3\xA9.store"), folder);
        CopyFileByStream(dir.file(folder + "/caf\xC3\xA9.store"), dir.file(folder + "/copy.store"));
        EXPECT_EQ(qmtest::ReadFile(dir.file(folder + "/copy.store")), folder);
    }
    try {
        CopyFileByStream(dir.file("caf\xE9/gone.store"), dir.file("copy.store"));
        ADD_FAILURE() << "copied a missing file";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot read the file \"" + dir.file("caf?/gone.store") + "\": No such file or directory.");
    }
}
