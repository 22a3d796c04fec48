#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/Exception.h"
#include "platform/Registry.h"

using namespace qm;
namespace fs = std::filesystem;

namespace {

class RegistryTest : public qmtest::DialogFixture {
protected:
    qmtest::PrivateRegistry registry;
};

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ERegistryException& e) {
        return e.what();
    }
    return "no ERegistryException";
}

std::vector<std::string> AsideFiles(const qmtest::PrivateRegistry& registry)
{
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(registry.dir().path()))
        if (e.path().filename().string().find(".damaged-") != std::string::npos)
            out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST_F(RegistryTest, KeysMatchWithoutRegardToCaseAndKeepTheirSpelling)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Brenvoke Software\\Quillmart\\Clipboard\\Cr\xE8me", true));
    reg.WriteInteger("Qty", 3);
    reg.WriteString("", "default value");

    TRegistry other;
    ASSERT_TRUE(other.OpenKeyReadOnly("SOFTWARE\\brenvoke software\\QUILLMART\\clipboard\\CR\xC8ME"));
    EXPECT_EQ(other.ReadInteger("qTY"), 3);
    EXPECT_EQ(other.ReadString(""), "default value");
    other.CloseKey();
    ASSERT_TRUE(other.OpenKeyReadOnly("software\\BRENVOKE SOFTWARE\\quillmart\\CLIPBOARD"));
    EXPECT_EQ(other.GetKeyNames(), std::vector<std::string>{"Cr\xE8me"});

    // Relative and absolute paths; the other root is a separate tree.
    ASSERT_TRUE(other.OpenKey("Zucchini", true));
    EXPECT_EQ(other.CurrentPath(), "software\\BRENVOKE SOFTWARE\\quillmart\\CLIPBOARD\\Zucchini");
    EXPECT_TRUE(other.KeyExists("\\Software\\Brenvoke Software"));
    EXPECT_FALSE(TRegistry(HKEY_CLASSES_ROOT).KeyExists("Software"));
    EXPECT_FALSE(other.OpenKeyReadOnly("\\Software\\Missing"));
    EXPECT_EQ(other.CurrentPath(), "software\\BRENVOKE SOFTWARE\\quillmart\\CLIPBOARD\\Zucchini");
}

TEST_F(RegistryTest, NamesAreListedSortedAndDeleteKeyTakesTheWholeTree)
{
    TRegistry reg;
    for (const char* name : {"banana", "Apple", "cherry"}) {
        ASSERT_TRUE(reg.OpenKey(std::string("\\Clip\\") + name + "\\deep", true));
        reg.WriteBool("Coupon", true);
    }
    reg.OpenKey("\\Clip", false);
    reg.WriteString("b", "");
    reg.WriteString("A", "");
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"Apple", "banana", "cherry"}));
    EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"A", "b"}));

    EXPECT_TRUE(reg.DeleteKey("\\CLIP"));
    EXPECT_FALSE(reg.KeyExists("\\Clip"));
    EXPECT_FALSE(reg.KeyExists("\\Clip\\Apple\\deep"));
    EXPECT_FALSE(reg.DeleteKey("\\Clip"));
    EXPECT_FALSE(reg.DeleteKey("\\"));
    // Values written under the deleted key re-create it, but the old values are gone.
    reg.WriteInteger("Qty", 1);
    EXPECT_EQ(reg.GetValueNames(), std::vector<std::string>{"Qty"});
}

TEST_F(RegistryTest, EachTypedReaderRefusesAValueOfAnotherType)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Types", true));
    reg.WriteInteger("dword", 7);
    reg.WriteString("sz", "text");
    reg.WriteExpandString("expand", "$HOME");
    reg.WriteFloat("double", 1.5);
    reg.WriteBinaryData("four", std::string("\1\0\0\0", 4));

    const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> readers = {
        {"integer", [&](const std::string& n) { reg.ReadInteger(n); }},
        {"bool", [&](const std::string& n) { reg.ReadBool(n); }},
        {"string", [&](const std::string& n) { reg.ReadString(n); }},
        {"float", [&](const std::string& n) { reg.ReadFloat(n); }},
        {"date", [&](const std::string& n) { reg.ReadDateTime(n); }},
        {"binary", [&](const std::string& n) { reg.ReadBinaryData(n); }},
    };
    // The value each reader accepts; every other value must be refused.
    const std::map<std::string, std::vector<std::string>> accepted = {
        {"integer", {"dword"}}, {"bool", {"dword"}},  {"string", {"sz", "expand"}},
        {"float", {"double"}},  {"date", {"double"}}, {"binary", {"double", "four"}},
    };
    for (const auto& entry : readers) {
        const auto& reader = entry.first;
        const auto& read = entry.second;
        for (const char* value : {"dword", "sz", "expand", "double", "four"}) {
            const auto& ok = accepted.at(reader);
            const std::string error = ErrorOf([&] { read(value); });
            if (std::find(ok.begin(), ok.end(), value) != ok.end())
                EXPECT_EQ(error, "no ERegistryException") << reader << " of " << value;
            else
                EXPECT_EQ(error, std::string("Invalid data type for '") + value + "'") << reader;
        }
    }
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("missing"); }), "Failed to get data for 'missing'");
    EXPECT_FALSE(reg.TryReadInteger("missing").has_value());
    EXPECT_EQ(reg.ReadString("expand"), "$HOME");
    EXPECT_EQ(reg.GetDataType("expand"), rdExpandString);
}

TEST_F(RegistryTest, ValuesKeepTheirExactBytes)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Values", true));
    reg.WriteFloat("Quarter", 0.25);
    EXPECT_EQ(reg.ReadFloat("Quarter"), 0.25);
    EXPECT_EQ(reg.ReadBinaryData("Quarter"), std::string("\0\0\0\0\0\0\xD0\x3F", 8));
    reg.WriteDateTime("Expire", 46363.999988425923);
    EXPECT_EQ(reg.ReadDateTime("Expire"), 46363.999988425923);

    for (int v : {0, -1, 2147483647, -2147483647 - 1}) {
        reg.WriteInteger("Qty", v);
        EXPECT_EQ(reg.ReadInteger("Qty"), v);
    }
    reg.WriteInteger("Flag", 2);
    EXPECT_TRUE(reg.ReadBool("Flag"));

    std::string all;
    for (int b = 1; b < 256; ++b)
        all += char(b);
    reg.WriteString("Note", all + std::string(1, '\0') + "after");
    EXPECT_EQ(reg.ReadString("Note"), all + std::string(1, '\0') + "after");
    reg.WriteString("note", "rewritten");
    EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"Expire", "Flag", "Note", "Qty", "Quarter"}));
    EXPECT_EQ(reg.ReadString("NOTE"), "rewritten");
    EXPECT_TRUE(reg.DeleteValue("NOTE"));
    EXPECT_FALSE(reg.ValueExists("Note"));
}

TEST_F(RegistryTest, AReadOnlyKeyRefusesWrites)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Settings", true));
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Settings"));
    EXPECT_EQ(ErrorOf([&] { reg.WriteInteger("GridFontSize", 12); }),
              "Failed to set data for 'GridFontSize'");
    EXPECT_FALSE(reg.ValueExists("GridFontSize"));
}

TEST_F(RegistryTest, ADamagedFileIsMovedAsideTheUserToldOnceAndDefaultsUsed)
{
    std::string garbage(20000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = char(i * 31 + 7);
    qmtest::WriteFile(registry.path(), garbage);
    qmtest::WriteFile(registry.path() + "-wal", "stale journal");
    CloseRegistryDatabase();

    dialogs->expectBox("could not be read (the file is not a settings database)");
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists("\\Software\\Brenvoke Software"));
    ASSERT_TRUE(reg.OpenKey("\\Settings", true));
    reg.WriteInteger("GridFontSize", 12);
    EXPECT_EQ(reg.ReadInteger("GridFontSize"), 12);
    ASSERT_EQ(dialogs->seen().size(), 1u);
    EXPECT_EQ(dialogs->seen()[0].type, mtError);
    EXPECT_NE(dialogs->seen()[0].text.find(registry.path()), std::string::npos) << dialogs->seen()[0].text;

    // The old bytes are kept beside the new file, journal included.
    const auto aside = AsideFiles(registry);
    ASSERT_EQ(aside.size(), 2u);
    EXPECT_EQ(qmtest::ReadFile(aside[0]), garbage);
    EXPECT_EQ(qmtest::ReadFile(aside[1]), "stale journal");

    // The new file is a real one: a later start reads what was written, with no box.
    CloseRegistryDatabase();
    TRegistry again;
    ASSERT_TRUE(again.OpenKeyReadOnly("\\Settings"));
    EXPECT_EQ(again.ReadInteger("GridFontSize"), 12);
    EXPECT_EQ(dialogs->seen().size(), 1u);
}

TEST_F(RegistryTest, ADamagedPageInsideAValidFileIsFound)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Settings", true));
        for (int i = 0; i < 2000; ++i)
            reg.WriteString("Value" + std::to_string(i), std::string(100, 'v'));
    }
    CloseRegistryDatabase(); // the last close folds the journal into the file
    std::string bytes = qmtest::ReadFile(registry.path());
    ASSERT_GT(bytes.size(), 40000u);
    for (size_t i = 8192; i < 40000; ++i)
        bytes[i] = char(0xA5 ^ i);
    qmtest::WriteFile(registry.path(), bytes);

    dialogs->expectBox("Quillmart goes on with default settings");
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists("\\Settings"));
    EXPECT_EQ(AsideFiles(registry).size(), 1u);
}

// A settings file this user may not read is not damaged: it stays in place, untouched, the
// user is told why it cannot be read, and the program goes on with defaults.
TEST_F(RegistryTest, AnUnreadableFileIsKeptAndTheReasonShown)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Settings", true));
        reg.WriteInteger("GridFontSize", 12);
    }
    CloseRegistryDatabase();
    const std::string before = qmtest::ReadFile(registry.path());
    chmod(registry.dir().path().c_str(), 0777);
    chmod(registry.path().c_str(), 0);
    const std::string out = qmtest::AsOtherUser([&] {
        dialogs->expectBox("");
        TRegistry reg;
        const bool found = reg.OpenKeyReadOnly("\\Settings");
        reg.OpenKey("\\Settings", true);
        reg.WriteInteger("GridFontSize", 14);
        return std::string(found ? "found" : "defaults") + "|" + std::string(dialogs->seen().at(0).text);
    });
    EXPECT_EQ(out, "defaults|The settings file \"" + registry.path() +
                       "\" cannot be read: Permission denied. Quillmart leaves it as it is and goes on with "
                       "default settings; changes to them will not be kept.");
    chmod(registry.path().c_str(), 0600);
    EXPECT_EQ(qmtest::ReadFile(registry.path()), before);
    EXPECT_TRUE(AsideFiles(registry).empty());
}

// A settings file this user may read but not write is not damaged either: it stays as it is,
// its settings are used, and the user is told that changes will not be kept.
TEST_F(RegistryTest, AReadOnlyFileIsKeptAndItsSettingsAreUsed)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Settings", true));
        reg.WriteString("StorageDir", "/home/ann/stores/");
    }
    CloseRegistryDatabase();
    const std::string before = qmtest::ReadFile(registry.path());
    chmod(registry.dir().path().c_str(), 0777);
    chmod(registry.path().c_str(), 0444);
    const std::string out = qmtest::AsOtherUser([&] {
        dialogs->expectBox("");
        TRegistry reg;
        EXPECT_TRUE(reg.OpenKey("\\Settings", true));
        const std::string stored = reg.ReadString("StorageDir");
        reg.WriteString("StorageDir", "/tmp/elsewhere/");
        return stored + "|" + reg.ReadString("StorageDir") + "|" + std::string(dialogs->seen().at(0).text);
    });
    EXPECT_EQ(out,
              "/home/ann/stores/|/tmp/elsewhere/|The settings file \"" + registry.path() +
                  "\" cannot be written: Permission denied. Quillmart leaves it as it is and goes on with "
                  "the settings it holds; changes to them will not be kept.");
    EXPECT_TRUE(qmtest::ReadFile(registry.path()) == before); // the file is not changed
    EXPECT_TRUE(AsideFiles(registry).empty());

    // The same in a folder this user may not write.
    chmod(registry.dir().path().c_str(), 0555);
    chmod(registry.path().c_str(), 0666);
    EXPECT_EQ(qmtest::AsOtherUser([&] {
                  TRegistry reg;
                  reg.OpenKey("\\Settings", true);
                  return reg.ReadString("StorageDir");
              }),
              "/home/ann/stores/");
    EXPECT_TRUE(qmtest::ReadFile(registry.path()) == before);
}

TEST_F(RegistryTest, AFileThatCannotBeMadeGivesOneBoxAndAWorkingRegistry)
{
    qmtest::WriteFile(registry.dir().file("plain"), "not a folder");
    setenv("QUILLMART_REGISTRY", registry.dir().file("plain/registry.db").c_str(), 1);
    CloseRegistryDatabase();

    dialogs->expectBox("could not be opened");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Settings", true));
    reg.WriteString("StorageDir", "/home/ann/stores/");
    EXPECT_EQ(reg.ReadString("StorageDir"), "/home/ann/stores/");
    EXPECT_TRUE(reg.OpenKey("\\Settings\\Window", true));
    EXPECT_EQ(qmtest::ReadFile(registry.dir().file("plain")), "not a folder");
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kPerProcess = 300;
    // Both start on a file that does not exist yet, each with its own connection.
    CloseRegistryDatabase();
    std::vector<pid_t> children;
    for (int p = 0; p < 2; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int rc = 0;
            try {
                TRegistry reg;
                reg.OpenKey("\\Settings", true);
                for (int i = 0; i < kPerProcess; ++i) {
                    reg.WriteInteger("P" + std::to_string(p) + "_" + std::to_string(i), i);
                    // Both also rewrite one shared value and create keys in one shared parent.
                    reg.WriteInteger("Shared", i);
                    TRegistry(HKEY_CURRENT_USER).OpenKey("\\Clipboard\\Item" + std::to_string(i % 50), true);
                }
            } catch (const std::exception& e) {
                fprintf(stderr, "child %d: %s\n", p, e.what());
                rc = 1;
            }
            _exit(rc);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Settings"));
    EXPECT_EQ(reg.GetValueNames().size(), size_t(2 * kPerProcess + 1));
    for (int p = 0; p < 2; ++p)
        for (int i = 0; i < kPerProcess; i += 37)
            EXPECT_EQ(reg.ReadInteger("P" + std::to_string(p) + "_" + std::to_string(i)), i);
    EXPECT_EQ(reg.ReadInteger("Shared"), kPerProcess - 1);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Clipboard"));
    EXPECT_EQ(reg.GetKeyNames().size(), 50u);
}

// Calls grouped in a transaction are kept together at Commit and all undone without it; an
// inner transaction that is not committed undoes only its own part, and a refused call leaves
// the rest standing.
TEST_F(RegistryTest, ATransactionKeepsItsWritesTogetherOrNone)
{
    TRegistry reg;
    {
        TRegistryTransaction tx(TRegistryTransaction::ForWriting);
        ASSERT_TRUE(reg.OpenKey("\\Clip\\A", true));
        reg.WriteInteger("Qty", 1);
        EXPECT_EQ(reg.ReadInteger("Qty"), 1); // seen inside before it is kept
    }
    EXPECT_FALSE(reg.KeyExists("\\Clip"));

    {
        TRegistryTransaction tx(TRegistryTransaction::ForWriting);
        ASSERT_TRUE(reg.OpenKey("\\Clip\\A", true));
        reg.WriteInteger("Qty", 1);
        {
            TRegistryTransaction inner(TRegistryTransaction::ForWriting);
            ASSERT_TRUE(reg.OpenKey("\\Clip\\B", true));
            reg.WriteInteger("Qty", 2);
        }
        ASSERT_TRUE(reg.OpenKeyReadOnly("\\Clip\\A"));
        EXPECT_EQ(ErrorOf([&] { reg.WriteString("Aisle", "A1"); }), "Failed to set data for 'Aisle'");
        tx.Commit();
    }
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Clip"));
    EXPECT_EQ(reg.GetKeyNames(), std::vector<AnsiString>{"A"});
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Clip\\A"));
    EXPECT_EQ(reg.GetValueNames(), std::vector<AnsiString>{"Qty"});

    // A reading transaction reads, and leaves the registry as it was.
    {
        TRegistryTransaction snapshot(TRegistryTransaction::ForReading);
        EXPECT_EQ(reg.ReadInteger("Qty"), 1);
    }
    ASSERT_TRUE(reg.OpenKey("\\Clip\\A", false));
    reg.WriteInteger("Qty", 3);
    EXPECT_EQ(reg.ReadInteger("Qty"), 3);
}
