#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "util/ExtraWinUtils.h"
#include "util/RegUtils.h"

using namespace qm;

namespace {

const char* const kCo = "Brenvoke Software";
const char* const kApp = "Quillmart";

class RegUtilsTest : public ::testing::Test {
protected:
    qmtest::PrivateRegistry registry;
};

} // namespace

TEST_F(RegUtilsTest, ReadersGiveTheDefaultUntilAValueIsWritten)
{
    EXPECT_EQ(RegReadIntegerDef(kCo, kApp, "Settings", 10, "GridFontSize"), 10);
    EXPECT_FALSE(RegValueExists(kCo, kApp, "Settings", "GridFontSize"));
    EXPECT_FALSE(RegKeyExists(kCo, kApp, "Settings")); // reading created nothing
    RegWriteInteger(kCo, kApp, "Settings", 12, "GridFontSize");
    EXPECT_EQ(RegReadIntegerDef(kCo, kApp, "Settings", 10, "GridFontSize"), 12);
    EXPECT_TRUE(RegValueExists(kCo, kApp, "Settings", "gridfontsize"));

    EXPECT_EQ(RegReadInteger(kCo, kApp, "Settings\\Window", "Left"), 0);
    EXPECT_EQ(RegReadString(kCo, kApp, "Settings", "StorageDir"), "");
    EXPECT_EQ(RegReadStringDef(kCo, kApp, "Settings", "Arial", "GridFont"), "Arial");
    EXPECT_FALSE(RegReadBool(kCo, kApp, "Settings", "ShowTOTD"));
    EXPECT_TRUE(RegReadBoolDef(kCo, kApp, "Settings", true, "ShowTOTD"));
    EXPECT_EQ(RegReadFloatDef(kCo, kApp, "Settings", 1.5, "Zoom"), 1.5);
    EXPECT_EQ(RegReadDateTime(kCo, kApp, "Settings", "LastUpdateCheck"), 0.0);
    EXPECT_EQ(RegReadDateTimeDef(kCo, kApp, "Settings", 36526.0, "LastUpdateCheck"), 36526.0);
}

TEST_F(RegUtilsTest, WritersStoreTheDocumentedTypes)
{
    RegWriteBool(kCo, kApp, "Settings\\Window", true, "Maximized");
    RegWriteFloat(kCo, kApp, "Settings", 0.25, "Zoom");
    RegWriteDateTime(kCo, kApp, "Settings", 46363.5, "LastUpdateCheck");
    RegWriteString(kCo, kApp, "Settings", "/home/ann/stores/", "StorageDir");
    RegWriteString(kCo, kApp, "Settings", true, "$HOME/stores", "Expanded");

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Brenvoke Software\\Quillmart\\Settings\\Window"));
    EXPECT_EQ(reg.ReadValue("Maximized")->type, rdInteger);
    EXPECT_EQ(reg.ReadValue("Maximized")->data, std::string("\1\0\0\0", 4));
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Brenvoke Software\\Quillmart\\Settings"));
    EXPECT_EQ(reg.ReadValue("Zoom")->data, std::string("\0\0\0\0\0\0\xD0\x3F", 8));
    EXPECT_EQ(reg.GetDataType("StorageDir"), rdString);
    EXPECT_EQ(reg.GetDataType("Expanded"), rdExpandString);

    EXPECT_TRUE(RegReadBool(kCo, kApp, "Settings\\Window", "Maximized"));
    EXPECT_EQ(RegReadFloatDef(kCo, kApp, "Settings", 1.0, "Zoom"), 0.25);
    EXPECT_EQ(RegReadDateTime(kCo, kApp, "Settings", "LastUpdateCheck"), 46363.5);
    EXPECT_EQ(RegReadString(kCo, kApp, "Settings", "Expanded"), "$HOME/stores");

    // An integer other than 0 and 1 still reads as true.
    RegWriteInteger(kCo, kApp, "Settings", -4, "ShowTOTD");
    EXPECT_TRUE(RegReadBoolDef(kCo, kApp, "Settings", false, "ShowTOTD"));
}

TEST_F(RegUtilsTest, AValueOfAnotherTypeIsAnErrorNotTheDefault)
{
    RegWriteString(kCo, kApp, "Settings", "12", "GridFontSize");
    RegWriteInteger(kCo, kApp, "Settings", 1, "StorageDir");
    try {
        RegReadIntegerDef(kCo, kApp, "Settings", 10, "GridFontSize");
        FAIL() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'GridFontSize'");
    }
    EXPECT_THROW(RegReadString(kCo, kApp, "Settings", "StorageDir"), ERegistryException);
    EXPECT_THROW(RegReadFloatDef(kCo, kApp, "Settings", 0.0, "StorageDir"), ERegistryException);
    EXPECT_THROW(RegReadBool(kCo, kApp, "Settings", "GridFontSize"), ERegistryException);
}

TEST_F(RegUtilsTest, ClipboardKeysAreListedAndDeletedWithTheirSubkeys)
{
    AnsiString names = "stale";
    int count = -1;
    RegGetKeyNames(kCo, kApp, "Clipboard", names, count, ",,,");
    EXPECT_EQ(names, "");
    EXPECT_EQ(count, 0);

    RegWriteInteger(kCo, kApp, "Clipboard\\Milk", 2, "Qty");
    RegWriteString(kCo, kApp, "Clipboard\\Eggs", "Dairy", "Aisle");
    RegGetKeyNames(kCo, kApp, "Clipboard", names, count, ",,,");
    EXPECT_EQ(names, "Eggs,,,Milk,,,");
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(RegKeyExists(kCo, kApp, "Clipboard"));
    EXPECT_TRUE(RegKeyExists(kCo, kApp, "CLIPBOARD\\milk"));

    RegDeleteSubKey(kCo, kApp, "Clipboard", "Milk");
    RegDeleteSubKey(kCo, kApp, "Clipboard", "Bread"); // missing: nothing happens
    RegGetKeyNames(kCo, kApp, "Clipboard", names, count, ",,,");
    EXPECT_EQ(names, "Eggs,,,");

    RegWriteInteger(kCo, kApp, "Settings", 12, "GridFontSize");
    RegDeleteKey(kCo, kApp, "Clipboard");
    EXPECT_FALSE(RegKeyExists(kCo, kApp, "Clipboard"));
    EXPECT_FALSE(RegKeyExists(kCo, kApp, "Clipboard\\Eggs"));
    EXPECT_EQ(RegReadString(kCo, kApp, "Clipboard\\Eggs", "Aisle"), "");
    RegDeleteKey(kCo, kApp, "Clipboard");
    RegDeleteKey(kCo, kApp, "");
    RegDeleteSubKey(kCo, kApp, "Settings", "");
    EXPECT_EQ(RegReadInteger(kCo, kApp, "Settings", "GridFontSize"), 12);
}

// A path setting: the text earlier versions wrote whenever that can spell the path, so they
// still read it; the path's bytes otherwise. What earlier versions wrote reads as before.
TEST_F(RegUtilsTest, APathSettingKeepsItsBytesAndReadsWhatEarlierVersionsWrote)
{
    TRegistry reg;
    const AnsiString settings = "\\Software\\Brenvoke Software\\Quillmart\\Settings";
    // Windows-1252 text, as the program's text has always been stored; on disk the folder's
    // name is that text in UTF-8.
    RegWriteString(kCo, kApp, "Settings", "/home/jos\xE9/stores/", "StorageDir");
    EXPECT_EQ(RegReadPathDef(kCo, kApp, "Settings", "", "StorageDir"), "/home/jos\xC3\xA9/stores/");
    RegWritePath(kCo, kApp, "Settings", "/home/jos\xC3\xA9/stores/", "StorageDir");
    ASSERT_TRUE(reg.OpenKeyReadOnly(settings));
    EXPECT_EQ(reg.GetDataType("StorageDir"), rdString);
    EXPECT_EQ(RegReadString(kCo, kApp, "Settings", "StorageDir"), "/home/jos\xE9/stores/");

    // Names no Windows-1252 text spells, and bytes that are no UTF-8, are kept as they are.
    for (const std::string path :
         {"/home/\xD0\xB4\xD0\xBE\xD0\xBC/\xE5\xAE\xB6 \xF0\x9F\x9B\x92/", "/home/jos\xE9/"}) {
        RegWritePath(kCo, kApp, "Settings", path, "StorageDir");
        EXPECT_EQ(reg.GetDataType("StorageDir"), rdBinary);
        EXPECT_EQ(RegReadPathDef(kCo, kApp, "Settings", "", "StorageDir"), path);
    }
    EXPECT_EQ(RegReadPathDef(kCo, kApp, "Settings", "/default/", "Missing"), "/default/");
    RegWriteInteger(kCo, kApp, "Settings", 1, "StorageDir");
    EXPECT_THROW(RegReadPathDef(kCo, kApp, "Settings", "", "StorageDir"), ERegistryException);
}

TEST_F(RegUtilsTest, RegisterFileTypeWritesTheClassKeysAndTheDesktopFiles)
{
    const std::string program = "/opt/Quill Mart/quillmart";
    RegisterFileType("store", "Quillmart Store", program + ",0", "\"" + program + "\" \"%1\"");

    TRegistry reg(HKEY_CLASSES_ROOT);
    ASSERT_TRUE(reg.OpenKeyReadOnly(".store"));
    EXPECT_EQ(reg.GetValueNames(), std::vector<std::string>{""});
    EXPECT_EQ(reg.ReadString(""), "Quillmart_StoreRef");
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Quillmart_StoreRef"));
    EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"", "EditFlags"}));
    EXPECT_EQ(reg.ReadString(""), "Quillmart Store");
    EXPECT_EQ(reg.GetDataType("EditFlags"), rdBinary);
    EXPECT_EQ(reg.ReadBinaryData("EditFlags"), std::string("\0\0\1\0", 4));
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"DefaultIcon", "Shell"}));
    ASSERT_TRUE(reg.OpenKeyReadOnly("DefaultIcon"));
    EXPECT_EQ(reg.ReadString(""), program + ",0");
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Quillmart_StoreRef\\Shell\\Open"));
    EXPECT_TRUE(reg.GetValueNames().empty());
    ASSERT_TRUE(reg.OpenKeyReadOnly("Command"));
    EXPECT_EQ(reg.ReadString(""), "\"/opt/Quill Mart/quillmart\" \"%1\"");
    EXPECT_FALSE(TRegistry(HKEY_CURRENT_USER).KeyExists("\\.store"));

    const std::string data = GetShellFolder("AppData");
    const std::string xml = qmtest::ReadFile(data + "/mime/packages/quillmart-store.xml");
    EXPECT_NE(xml.find("<mime-type type=\"application/x-quillmart-store\">"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<glob pattern=\"*.store\"/>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<comment>Quillmart Store</comment>"), std::string::npos) << xml;

    const std::string entry = qmtest::ReadFile(data + "/applications/quillmart.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    EXPECT_NE(entry.find("\nExec=\"/opt/Quill Mart/quillmart\" %f\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nMimeType=application/x-quillmart-store;\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nName=Quillmart\n"), std::string::npos) << entry;
}

// The desktop's files go into the data folder whatever its name's bytes.
TEST_F(RegUtilsTest, RegisterFileTypeWritesIntoADataFolderOfAnyName)
{
    qmtest::TempDir dir;
    const std::string saved = std::getenv("XDG_DATA_HOME");
    for (const std::string name : {"\xD0\xB4\xD0\xBE\xD0\xBC \xE5\xAE\xB6", "caf\xE9"}) {
        setenv("XDG_DATA_HOME", dir.file(name).c_str(), 1);
        RegisterFileType("store", "Quillmart Store", "", "\"/bin/quillmart\" \"%1\"");
        EXPECT_TRUE(std::filesystem::exists(dir.file(name + "/mime/packages/quillmart-store.xml"))) << name;
        EXPECT_TRUE(std::filesystem::exists(dir.file(name + "/applications/quillmart.desktop"))) << name;
    }
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

TEST_F(RegUtilsTest, RegisterFileTypeQuotesAwkwardProgramPaths)
{
    RegisterFileType("store", "Quillmart Store", "", "\"/tmp/a\\b $HOME 100%/quillmart\" \"%1\"");
    const std::string entry = qmtest::ReadFile(GetShellFolder("AppData") + "/applications/quillmart.desktop");
    // Quoted for the Exec line ("\\", "\$", "%%"), then the backslashes escaped once more.
    EXPECT_NE(entry.find("\nExec=\"/tmp/a\\\\\\\\b \\\\$HOME 100%%/quillmart\" %f\n"), std::string::npos)
        << entry;
}

TEST_F(RegUtilsTest, RegisterFileTypeRefusesBadInputBeforeWritingAnything)
{
    EXPECT_THROW(RegisterFileType("", "Quillmart Store", "", "\"/bin/quillmart\" \"%1\""),
                 ERegistryException);
    EXPECT_THROW(RegisterFileType("st/re", "Quillmart Store", "", "\"/bin/quillmart\" \"%1\""),
                 ERegistryException);
    EXPECT_THROW(RegisterFileType("store", "Quillmart Store", "", "  "), ERegistryException);
    EXPECT_FALSE(TRegistry(HKEY_CLASSES_ROOT).KeyExists(".store"));
    EXPECT_FALSE(TRegistry(HKEY_CLASSES_ROOT).KeyExists("Quillmart_StoreRef"));
}
