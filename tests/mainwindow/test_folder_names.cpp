// Every command that reads or writes a file, in folders whose names are no Windows-1252 text:
// Cyrillic, CJK, an emoji, and a name that is not even UTF-8. Paths are the system's bytes; the
// only conversion is that of a store's name (Windows-1252) into its file's name.
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <sys/stat.h>

#include "PrintTestSupport.h"
#include "WindowTestSupport.h"
#include "platform/Application.h"
#include "platform/Registry.h"
#include "platform/gui/Printer.h"
#include "util/ExtraWinUtils.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

struct FolderName {
    const char* label;
    const char* bytes;
};
void PrintTo(const FolderName& name, std::ostream* os)
{
    *os << name.label;
}

const FolderName kFolderNames[] = {
    {"Cyrillic", "\xD0\xB4\xD0\xBE\xD0\xBC\xD0\xBE\xD0\xB9"}, // "домой"
    {"Cjk", "\xE5\xAE\xB6 \xE5\x95\x86\xE5\xBA\x97"},         // "家 商店"
    {"Emoji", "\xF0\x9F\x9B\x92 list"},                       // a shopping cart
    {"NotUtf8", "caf\xE9 \xFF"},                              // Windows-1252 bytes on disk
};

// A store whose name is Windows-1252 text ("Café"); its file is named in UTF-8.
const char* const kStore = "Caf\xE9";
const char* const kStoreFile = "Caf\xC3\xA9.store";
// A store file whose name is no Windows-1252 text ("Маг").
const char* const kCyrillicFile = "\xD0\x9C\xD0\xB0\xD0\xB3.store";
const char* const kContent = "[--Info--]\r\nAisles=Front,,\r\n[Dairy]\r\nMilk=Front,-,,-,2\r\n";

class FolderNameTest : public qmtest::MainWindowTest, public ::testing::WithParamInterface<FolderName> {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        base = temp.path() + "/" + GetParam().bytes + "/";
        fs::create_directories(base + "outside");
        fs::create_directories(base + "out");
        // The home is the folder of that name; the data folder is the default one under it,
        // and the storage folder the default one there.
        setenv("HOME", (base + "home").c_str(), 1);
        fs::create_directories(base + "home");
        unsetenv("XDG_DATA_HOME");
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Brenvoke Software\\Quillmart\\Settings", false));
        reg.DeleteValue("StorageDir");
        HideTipOfTheDay();
        ASSERT_TRUE(Printer().SetPrinterName(TPrinter::PdfFilePrinterName));
        Printer().OutputFileName.clear();
    }
    void TearDown() override
    {
        main.reset();
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        setenv("PATH", path.c_str(), 1);
        SetCommandLine(""); // no argument left for the windows of the tests after this one
        MainWindowTest::TearDown();
    }
    // The program started on the command line as main() hands it over, byte for byte.
    void Launch(const std::string& commandLine = {})
    {
        main.reset();
        SetCommandLine(commandLine);
        main = StartShown();
    }
    // What qpdf says of a PDF file; the tools take their arguments as UTF-8 text, so the file
    // is looked at under a plain name.
    std::string PdfProblems(const std::string& file) const
    {
        std::error_code ec;
        fs::copy_file(file, temp.file("check.pdf"), fs::copy_options::overwrite_existing, ec);
        return ec ? ec.message() : qmtest::PdfCheckProblems(temp.file("check.pdf"));
    }
    // A stand-in xdg-email first on PATH: writes its arguments, one per line, into "args".
    void MailStandIn()
    {
        qmtest::WriteFile(temp.file("xdg-email"), "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" +
                                                      temp.file("args") + "\"\n");
        chmod(temp.file("xdg-email").c_str(), 0755);
        setenv("PATH", (temp.path() + ":" + path).c_str(), 1);
    }

    std::string base; // ends with "/"
    std::unique_ptr<TFormMain> main;
    const std::string home = std::getenv("HOME");
    const std::string data = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const std::string path = std::getenv("PATH");
};

TEST_P(FolderNameTest, EveryFileCommandWorksInTheFolder)
{
    // Start-up makes the default storage folder where the home folder is, not beside it.
    SetLastStore("");
    Launch();
    const std::string folder = base + "home/.local/share/Quillmart/";
    EXPECT_EQ(main->StoresFolder, folder);
    ASSERT_TRUE(DirectoryExists(folder));
    // Nothing was made beside it: the temporary folder holds the folder of this name and the
    // fixture's own "stores".
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 2);

    // Import reads from the folder and writes into the storage folder, under the store's name.
    qmtest::WriteFile(base + "outside/" + kStoreFile, kContent);
    dialogs->expectFiles({base + "outside/" + kStoreFile});
    dialogs->expectBox("1 files imported.");
    Trigger(*main, "MItemFileImportStore");
    EXPECT_EQ(qmtest::ReadFile(folder + kStoreFile), kContent);
    ASSERT_EQ(Entries(*main), QStringList({ToQString(kStore)}));

    // A file whose name no store name can spell is not imported under a made-up one.
    qmtest::WriteFile(base + "outside/" + kCyrillicFile, kContent);
    dialogs->expectFiles({base + "outside/" + kCyrillicFile});
    dialogs->expectBox("cannot be imported. The store name cannot be used: the character U+041C cannot be "
                       "stored in a store file.");
    dialogs->expectBox("0 files imported.");
    Trigger(*main, "MItemFileImportStore");
    EXPECT_EQ(Entries(*main), QStringList({ToQString(kStore)}));

    // The store opens from there, and a change is written back.
    Pick(*main, "ComboStores", ToQString(kStore));
    ASSERT_EQ(main->Store.Name, kStore);
    main->SelectRow(0, 0);
    Trigger(*main, "MItemItemQtyUp");
    EXPECT_NE(qmtest::ReadFile(folder + kStoreFile).find("Milk=Front,-,,-,3"), std::string::npos);

    // Export Store As: the dialog offers the store's file name, the copy lands where chosen.
    dialogs->expectFile(base + "out/backup.store");
    Trigger(*main, "MItemFileSaveStoreAs");
    EXPECT_EQ(dialogs->seen().back().initial, kStoreFile);
    EXPECT_EQ(qmtest::ReadFile(base + "out/backup.store"), qmtest::ReadFile(folder + kStoreFile));

    // Export Shopping List, as PDF and as text.
    dialogs->expectFile(base + "out/list.pdf", true, 1);
    Trigger(*main, "MItemFileSaveList");
    EXPECT_EQ(PdfProblems(base + "out/list.pdf"), "");
    dialogs->expectFile(base + "out/list.txt", true, 2);
    Trigger(*main, "MItemFileSaveList");
    EXPECT_EQ(qmtest::ReadFile(base + "out/list.txt").substr(0, 6), "Caf\xE9\r\n");

    // Print to File: the file asked for is the one written.
    dialogs->expectPrint(PrintDialogRequest::prAllPages);
    dialogs->expectFile(base + "out/printed.pdf");
    Trigger(*main, "MItemFilePrintShoppingList");
    EXPECT_EQ(PdfProblems(base + "out/printed.pdf"), "");

    // E-mail: the PDF beside the store files, handed over by its own bytes.
    MailStandIn();
    Trigger(*main, "MItemFileEmailList");
    EXPECT_EQ(PdfProblems(folder + "Caf\xC3\xA9.pdf"), "");
    EXPECT_NE(qmtest::ReadFile(temp.file("args")).find("\n--attach\n" + folder + "Caf\xC3\xA9.pdf\n"),
              std::string::npos);

    // New Window and Explore hand the paths over as they are.
    Trigger(*main, "MItemFileNewWindow");
    Trigger(*main, "MItemFileExplore");
    ASSERT_EQ(shell->calls.size(), 2u);
    EXPECT_EQ(shell->calls[0].args, std::vector<std::string>{folder + kStoreFile});
    EXPECT_EQ(shell->calls[1].what, "folder");
    EXPECT_EQ(shell->calls[1].target, folder);

    // Rename keeps the store in its folder.
    dialogs->expectQuery("New Name", "Market");
    Trigger(*main, "MItemFileRenameStore");
    EXPECT_TRUE(fs::exists(folder + "Market.store"));
    EXPECT_FALSE(fs::exists(folder + kStoreFile));

    // The storage folder gone, Explore places it in a folder of the same kind of name, and the
    // setting brings it back at the next start.
    fs::rename(folder, base + "moved");
    dialogs->expectBox("It appears the store folder doesn't exist.", mrYes);
    dialogs->expectFile(base + "moved");
    dialogs->expectBox("Store folder changed.  Please restart the program.");
    Trigger(*main, "MItemFileExplore");
    EXPECT_EQ(RegReadPathDef(kCompany, kProduct, "Settings", "", "StorageDir"), base + "moved/");
    main->close();

    // A store file named on the command line is copied in from its folder; one whose name is no
    // store name is refused with the reason, and the last store opens.
    dialogs->expectBox("cannot be opened. The store name cannot be used: the character U+041C");
    Launch(base + "outside/" + kCyrillicFile);
    EXPECT_EQ(main->Store.Name, "Market");
    main->close();
    qmtest::WriteFile(base + "outside/Corner.store", kContent);
    dialogs->expectBox("Store imported.");
    Launch(base + "outside/Corner.store");
    EXPECT_EQ(main->StoresFolder, base + "moved/");
    EXPECT_EQ(main->Store.Name, "Corner");
    EXPECT_NE(qmtest::ReadFile(base + "moved/Corner.store").find("Milk=Front,-,,-,2"), std::string::npos);
    EXPECT_EQ(Entries(*main), QStringList({"Corner", "Market"}));
}

INSTANTIATE_TEST_SUITE_P(Names, FolderNameTest, ::testing::ValuesIn(kFolderNames),
                         [](const ::testing::TestParamInfo<FolderName>& info) { return info.param.label; });

} // namespace
