#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"

using namespace qm;
using qmtest::ReadFile;
using qmtest::WriteFile;

namespace {

using Names = std::vector<AnsiString>;

std::string Data(const std::string& name)
{
    return ReadFile(std::string(QM_SOURCE_DIR) + "/tests/platform/data/" + name);
}

class IniFileTest : public ::testing::Test {
protected:
    qmtest::TempDir dir;
    std::string path = dir.file("shop.store");
    IniFile ini{path};
};

} // namespace

TEST_F(IniFileTest, MissingFileReadsAsEmptyAndFirstWriteCreatesIt)
{
    EXPECT_EQ(ini.ReadString("Dairy", "Milk", "none"), "none");
    EXPECT_FALSE(ini.SectionExists("Dairy"));
    EXPECT_TRUE(ini.ReadSections().empty());
    ini.DeleteKey("Dairy", "Milk");
    ini.EraseSection("Dairy");
    EXPECT_FALSE(access(path.c_str(), F_OK) == 0) << "a delete must not create the file";

    ini.WriteString("Dairy", "Milk", "Dairy,-,,-,1");
    ini.WriteString("Produce", "Apples", "Produce,-,,-,2");
    ini.WriteString("Dairy", "Eggs", "Dairy,-,,-,12");
    EXPECT_EQ(ReadFile(path), "[Dairy]\r\nMilk=Dairy,-,,-,1\r\nEggs=Dairy,-,,-,12\r\n"
                              "[Produce]\r\nApples=Produce,-,,-,2\r\n");
}

TEST_F(IniFileTest, NamesMatchWithoutCaseAndKeepTheirSpellingOnRewrite)
{
    WriteFile(path, "[Produce]\nGreen Apples=1\nPears=2\n");
    EXPECT_EQ(ini.ReadString("PRODUCE", "green apples", ""), "1");
    EXPECT_TRUE(ini.ValueExists(" produce ", " PEARS "));
    ini.WriteString("produce", "GREEN APPLES", "5");
    EXPECT_EQ(ReadFile(path), "[Produce]\r\nGreen Apples=5\r\nPears=2\r\n");
    // Only a-z fold; other bytes must match exactly.
    ini.WriteString("Produce", "caf\xE9", "x");
    EXPECT_EQ(ini.ReadString("PRODUCE", "CAF\xC9", "none"), "none");
    EXPECT_EQ(ini.ReadString("PRODUCE", "CAF\xE9", "none"), "x");
}

TEST_F(IniFileTest, ReadsEveryLineEndAndKeepsWhatItDoesNotUnderstand)
{
    const std::string original = Data("mixed.ini");
    WriteFile(path, original);
    EXPECT_EQ(ini.ReadSections(), (Names{"--Info--", "Produce", "Dairy"}));
    EXPECT_EQ(ini.ReadString("--Info--", "StoreURL", ""), "http://shop.example/a=b");
    EXPECT_EQ(ini.ReadString("--Info--", "AcceptsCoupons", ""), "1");
    EXPECT_EQ(ini.ReadSection("Produce"), (Names{"Apples", "Pears", "\x80\xff\x01 odd"}));
    EXPECT_EQ(ini.ReadString("Produce", "pears", ""), "Produce,-,ripe,-,1");
    EXPECT_EQ(ini.ReadString("Produce", "\x80\xff\x01 ODD", ""), "\xe9t\xe9");
    EXPECT_EQ(ini.ReadString("Produce", ";Bananas", "-"), "-");
    EXPECT_EQ(ini.ReadString("", "loose", "-"), "-");
    EXPECT_EQ(ini.ReadString("Dairy", "Milk", ""), "Dairy,-,,-,1");
    EXPECT_EQ(ini.ReadSectionValues("Dairy"),
              (std::vector<std::pair<AnsiString, AnsiString>>{{"Milk", "Dairy,-,,-,1"}}));

    // A rewrite changes the one line and writes CR LF; every other byte stays.
    ini.WriteString("Produce", "Apples", "Produce,-,,-,3");
    std::string expected;
    for (size_t pos = 0; pos < original.size();) {
        size_t nl = original.find('\n', pos);
        std::string line = original.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        expected += (line == "Apples=Produce,-,,-,2" ? "Apples=Produce,-,,-,3" : line) + "\r\n";
        pos = nl == std::string::npos ? original.size() : nl + 1;
    }
    EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(IniFileTest, NewKeysGoToTheEndOfTheirSectionBeforeTrailingBlankLines)
{
    WriteFile(path, "[A]\r\nx=1\r\n; about B\r\n\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n");
    ini.WriteString("a", "w", "4");
    ini.WriteString("C", "v", "5");
    EXPECT_EQ(ReadFile(path), "[A]\r\nx=1\r\n; about B\r\nw=4\r\n\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n[C]\r\nv=5\r\n");
    // A repeated section reads as one, its first line of a key winning.
    EXPECT_EQ(ini.ReadSections(), (Names{"A", "B", "C"}));
    EXPECT_EQ(ini.ReadSection("A"), (Names{"x", "w", "z"}));
    ini.WriteString("A", "z", "6");
    EXPECT_EQ(ini.ReadString("a", "Z", ""), "6");
}

TEST_F(IniFileTest, DeletingAndErasingRemoveEveryCopy)
{
    WriteFile(path, "[S]\nk=1\nK=2\nj=0\n[T]\nt=1\n[s]\nk=3\nm=4\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    EXPECT_EQ(ini.ReadSection("S"), (Names{"k", "j", "m"}));
    ini.DeleteKey("S", "K");
    EXPECT_EQ(ini.ReadString("S", "k", "gone"), "gone");
    EXPECT_EQ(ReadFile(path), "[S]\r\nj=0\r\n[T]\r\nt=1\r\n[s]\r\nm=4\r\n");
    ini.EraseSection("s");
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_EQ(ReadFile(path), "[T]\r\nt=1\r\n");
    ini.WriteString("S", "n", "1");
    EXPECT_EQ(ReadFile(path), "[T]\r\nt=1\r\n[S]\r\nn=1\r\n");
}

TEST_F(IniFileTest, TrimsBlanksOnWriteAndKeepsEmptySectionsAndValues)
{
    ini.WriteString(" Deli ", "  Ham ", "  thin sliced \t");
    ini.WriteString("Empty", "---blank---", "");
    ini.DeleteKey("Empty", "---blank---");
    ini.WriteString("Deli", "Cheese", "");
    EXPECT_EQ(ReadFile(path), "[Deli]\r\nHam=thin sliced\r\nCheese=\r\n[Empty]\r\n");
    EXPECT_TRUE(ini.SectionExists("empty"));
    EXPECT_TRUE(ini.ValueExists("Deli", "Cheese"));
    EXPECT_EQ(ini.ReadString("Deli", "Cheese", "def"), "");
}

TEST_F(IniFileTest, ValuesAndListsAreReadWhole)
{
    const std::string note(5000, 'n');
    std::string value = "Produce,-," + note + ",-,3,-,1,-,46000,-,0";
    ini.Edit([&](IniFile::Editor& e) {
        for (int i = 0; i < 1000; ++i)
            e.WriteString("Big", "An item with a long name " + std::to_string(i), "x");
        e.WriteString("Big", "Long", value);
    });
    EXPECT_EQ(ini.ReadString("Big", "Long", ""), value);
    const Names keys = ini.ReadSection("Big");
    ASSERT_EQ(keys.size(), 1001u);
    EXPECT_EQ(keys[999], "An item with a long name 999");
}

TEST_F(IniFileTest, SeesWhatAnotherProgramWroteAtTheNextRead)
{
    // A change in place within one tick of the file clock leaves size, time and inode as
    // they were; it is still seen. (The times are set ahead so that no version ages.)
    const timespec soon[2] = {{time(nullptr) + 30, 0}, {time(nullptr) + 30, 0}};
    ini.WriteString("S", "k", "1");
    utimensat(AT_FDCWD, path.c_str(), soon, 0);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    WriteFile(path, "[S]\r\nk=2\r\n");
    utimensat(AT_FDCWD, path.c_str(), soon, 0);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "2");
    unlink(path.c_str());
    WriteFile(path, "[S]\r\nk=3\r\nl=4\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "3");
    IniFile::DropCache();
    EXPECT_EQ(ini.ReadString("S", "l", ""), "4");
}

TEST_F(IniFileTest, EditAppliesManyChangesInOneRewrite)
{
    ini.WriteString("Old", "a", "1");
    ini.WriteString("Old", "b", "2");
    struct stat before {};
    stat(path.c_str(), &before);
    ini.Edit([](IniFile::Editor& e) {
        for (const auto& key : e.ReadSection("Old")) {
            e.WriteString("New", key, e.ReadString("Old", key, ""));
            e.DeleteKey("Old", key);
        }
        e.EraseSection("Old");
        EXPECT_EQ(e.ReadSections(), Names{"New"});
    });
    EXPECT_EQ(ReadFile(path), "[New]\r\na=1\r\nb=2\r\n");

    // A change that fails half-way leaves the file as it was.
    const std::string kept = ReadFile(path);
    EXPECT_THROW(ini.Edit([](IniFile::Editor& e) {
        e.WriteString("New", "a", "changed");
        throw EConvertError("stop");
    }),
                 EConvertError);
    EXPECT_EQ(ReadFile(path), kept);
    EXPECT_EQ(ini.ReadString("New", "a", ""), "1");
    // Writing the same file from inside its own edit would wait for itself.
    EXPECT_THROW(ini.Edit([&](IniFile::Editor&) { IniFile(path).WriteString("New", "c", "3"); }),
                 EInvalidOperation);
}

TEST_F(IniFileTest, RefusesNamesAndValuesThatWouldNotReadBack)
{
    ini.WriteString("S", "k", "1");
    const std::string kept = ReadFile(path);
    for (auto [sec, key, value] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"S", "a=b", "1"},
             {"S", ";note", "1"},
             {"S", "[Sale] Bread", "1"},
             {"S", "two\nlines", "1"},
             {"S\r\n[T]", "k", "1"},
             {"S", "k", "one\r\n[Injected]\r\nx=1"}}) {
        try {
            ini.WriteString(sec, key, value);
            ADD_FAILURE() << "accepted key " << key;
        } catch (const EStoreError& e) {
            EXPECT_NE(e.Message().find(path), std::string::npos) << e.Message();
        }
    }
    EXPECT_EQ(ReadFile(path), kept);
    EXPECT_EQ(ini.ReadSections(), Names{"S"});
}

TEST_F(IniFileTest, KeepsPermissionsAndSymbolicLinks)
{
    ini.WriteString("S", "k", "1");
    chmod(path.c_str(), 0640);
    ini.WriteString("S", "k", "2");
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const std::string link = dir.file("link.store");
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    IniFile(link).WriteString("S", "k", "3");
    lstat(link.c_str(), &st);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ini.ReadString("S", "k", ""), "3");
}
