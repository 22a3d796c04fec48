// The File menu's store-file commands on real files: import, export, rename, a new window,
// and the storage folder with its recovery when it has gone. The pickers are answered through
// the Dialogs seam; processes and the file manager are recorded by the shell seam, and one new
// window is started for real.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QCoreApplication>
#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "WindowTestSupport.h"
#include "dialogs/NewStoreUnit.h"
#include "platform/Application.h"
#include "platform/Registry.h"
#include "util/widgets/FolderBrowser.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

const char* const kBeta = "[--Info--]\r\nAisles=A1,,A2,,\r\n[Dairy]\r\nMilk=A1,-,,-,2\r\n";

class StoreFileTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        outside = temp.path() + "/outside/";
        fs::create_directories(outside);
        qmtest::WriteFile(stores + "beta.store", kBeta);
        qmtest::WriteFile(stores + "Alpha.store", "[Fruit]\r\n");
        Start("beta");
    }
    AnsiString outside;
};

TEST_F(StoreFileTest, ImportCopiesTheChosenFilesAndAsksBeforeReplacingAStore)
{
    qmtest::WriteFile(outside + "Corner.store", "[Meat]\r\n");
    qmtest::WriteFile(outside + "Alpha.store", "[Replaced]\r\n");
    qmtest::WriteFile(outside + "New Mart.store", "[Bakery]\r\n");
    dialogs->expectFiles({outside + "Corner.store", outside + "Alpha.store", outside + "New Mart.store"});
    dialogs->expectBox("Do you want to overwrite the store \"Alpha\"?", mrNo);
    dialogs->expectBox("2 files imported.");
    Trigger(*form, "MItemFileImportStore");
    EXPECT_EQ(dialogs->seen()[0].text, "Import Store");
    EXPECT_EQ(dialogs->seen()[0].file.initialDir, stores); // the storage folder
    EXPECT_TRUE(dialogs->seen()[0].file.multiSelect);
    EXPECT_EQ(dialogs->seen()[1].type, mtConfirmation);
    EXPECT_EQ(dialogs->seen()[1].helpContext, 0);
    EXPECT_EQ(dialogs->seen()[2].type, mtInformation);

    EXPECT_EQ(File("Corner"), "[Meat]\r\n");
    EXPECT_EQ(File("New Mart"), "[Bakery]\r\n");
    EXPECT_EQ(File("Alpha"), "[Fruit]\r\n");
    EXPECT_EQ(Entries(*form), QStringList({"Alpha", "beta", "Corner", "New Mart"}));
    EXPECT_EQ(form->GetCurrentStoreName(), "beta");
    EXPECT_EQ(form->Store.Name, "beta");

    // Yes replaces the store; the open store is not reloaded, and one file counts as "1 files".
    dialogs->expectFiles({outside + "Alpha.store"});
    dialogs->expectBox("overwrite the store \"Alpha\"", mrYes);
    dialogs->expectBox("1 files imported.");
    Trigger(*form, "MItemFileImportStore");
    EXPECT_EQ(File("Alpha"), "[Replaced]\r\n");

    // A cancelled picker does nothing at all.
    dialogs->expectFiles({}, false);
    Trigger(*form, "MItemFileImportStore");
}

TEST_F(StoreFileTest, ImportOverTheOpenStoreShowsWhatWasImported)
{
    qmtest::WriteFile(outside + "BETA.store", "[Meat]\r\nBeef=,-,,-,1\r\n");
    dialogs->expectFiles({outside + "BETA.store"});
    dialogs->expectBox("Do you want to overwrite the store \"beta\"?", mrYes);
    dialogs->expectBox("1 files imported.");
    Trigger(*form, "MItemFileImportStore");
    EXPECT_EQ(form->GetCurrentStoreName(), "beta");
    ASSERT_EQ(form->Store.CategoryCount(), 1);
    EXPECT_EQ(form->Store.Categories[0].Name, "Meat");
    EXPECT_EQ(form->ShopList.ItemCount, 1);

    // The next change is made to the imported store: nothing of the replaced one comes back.
    form->SelectRow(0, 0);
    Trigger(*form, "MItemItemQtyUp");
    EXPECT_EQ(ReadStoreString(form->StoreFilesContext(), "beta", "Meat", "Beef"), ",-,,-,2,-,0,-,0,-,0");
    EXPECT_EQ(File("beta").find("Dairy"), std::string::npos) << File("beta");
}

TEST_F(StoreFileTest, AFileOfTheStorageFolderItselfIsNotImported)
{
    dialogs->expectFiles({stores + "Alpha.store"});
    dialogs->expectBox("This file already exists.");
    dialogs->expectBox("0 files imported.");
    Trigger(*form, "MItemFileImportStore");
    EXPECT_EQ(File("Alpha"), "[Fruit]\r\n");

    // Also when the path is spelled another way.
    dialogs->expectFiles({stores + "./Alpha.store"});
    dialogs->expectBox("This file already exists.");
    dialogs->expectBox("0 files imported.");
    Trigger(*form, "MItemFileImportStore");
}

TEST_F(StoreFileTest, ImportRefusesWhatIsNoReadableStoreFileAndGoesOn)
{
    fs::create_directory(outside + "Folder.store");
    ASSERT_EQ(::mkfifo((outside + "Pipe.store").c_str(), 0600), 0);
    qmtest::WriteFile(outside + ".store", "[X]\r\n");
    qmtest::WriteFile(outside + " Padded.store", "[X]\r\n");
    qmtest::WriteFile(outside + "Good.store", "[Good]\r\n");
    qmtest::WriteFile(outside + "BETA.store", "[Other beta]\r\n");
    qmtest::WriteFile(outside + "Huge.store", "[X]\r\n");
    fs::resize_file(outside + "Huge.store", (uint64_t(64) << 20) + 1); // sparse: no disk taken
    dialogs->expectFiles({outside + "Folder.store", outside + "Pipe.store", outside + "Gone.store",
                          outside + "Huge.store", outside + ".store", outside + " Padded.store",
                          outside + "BETA.store", outside + "Good.store"});
    dialogs->expectBox("\"" + outside + "Folder.store\" cannot be imported: it is a folder.");
    dialogs->expectBox("\"" + outside + "Pipe.store\" cannot be imported: it is not a regular file.");
    dialogs->expectBox("\"" + outside + "Gone.store\" cannot be imported: No such file or directory.");
    dialogs->expectBox("\"" + outside + "Huge.store\" cannot be imported: it is larger than 64 MB");
    dialogs->expectBox("\"" + outside + ".store\" cannot be imported: its name gives no store name.");
    dialogs->expectBox("must not begin or end with a blank");
    // The picker tells stores apart without regard to case: "BETA" would replace "beta".
    dialogs->expectBox("Do you want to overwrite the store \"beta\"?", mrNo);
    dialogs->expectBox("1 files imported.");
    Trigger(*form, "MItemFileImportStore");
    for (size_t i = 1; i <= 6; ++i)
        EXPECT_EQ(dialogs->seen()[i].type, mtError);
    EXPECT_FALSE(fs::exists(stores + "Huge.store"));
    EXPECT_EQ(Entries(*form), QStringList({"Alpha", "beta", "Good"}));
    EXPECT_FALSE(fs::exists(stores + "BETA.store"));
    EXPECT_EQ(File("beta"), kBeta);
}

TEST_F(StoreFileTest, ACopyThatFailsEndsTheImportAndListsWhatWasCopied)
{
    qmtest::WriteFile(outside + "First.store", "[A]\r\n");
    qmtest::WriteFile(outside + "Second.store", std::string(4096, 'x'));
    qmtest::WriteFile(outside + "Third.store", "[C]\r\n");
    dialogs->expectFiles({outside + "First.store", outside + "Second.store", outside + "Third.store"});
    dialogs->expectBox("Second");
    dialogs->expectBox("1 files imported.");
    {
        qmtest::FileSizeLimit limit(1024);
        Trigger(*form, "MItemFileImportStore");
    }
    EXPECT_EQ(Entries(*form), QStringList({"Alpha", "beta", "First"}));
    EXPECT_EQ(form->GetCurrentStoreName(), "beta");
    EXPECT_FALSE(fs::exists(stores + "Second.store"));
    for (const auto& entry : fs::directory_iterator(stores))
        EXPECT_EQ(entry.path().extension(), ".store") << entry.path();
}

TEST_F(StoreFileTest, ExportCopiesTheOpenStoresFileToTheChosenPath)
{
    dialogs->expectFile(outside + "copy of beta.store");
    Trigger(*form, "MItemFileSaveStoreAs");
    EXPECT_EQ(dialogs->seen()[0].text, "Export Store");
    EXPECT_EQ(dialogs->seen()[0].file.initialDir, stores);
    EXPECT_EQ(dialogs->seen()[0].initial, "beta.store");
    EXPECT_EQ(qmtest::ReadFile(outside + "copy of beta.store"), kBeta);

    dialogs->expectFile(outside + "never.store", false);
    Trigger(*form, "MItemFileSaveStoreAs");
    EXPECT_FALSE(fs::exists(outside + "never.store"));
}

TEST_F(StoreFileTest, ARenamedStoreIsWrittenUnderItsNewNameEverywhere)
{
    dialogs->expectQuery("Rename Store: New Name:", "Zulu's \"Best\" $5");
    Trigger(*form, "MItemFileRenameStore");
    EXPECT_EQ(dialogs->seen()[0].initial, "beta");
    const AnsiString name = "Zulu's \"Best\" $5";
    EXPECT_FALSE(fs::exists(stores + "beta.store"));
    EXPECT_EQ(File(name), kBeta);
    EXPECT_EQ(form->Store.Name, name);
    EXPECT_EQ(Entries(*form), QStringList({"Alpha", ToQString(name)}));
    EXPECT_EQ(form->GetCurrentStoreName(), name);
    EXPECT_EQ(form->windowTitle(), ToQString(name + " - Quillmart"));
    EXPECT_EQ(ApplicationTitle(), name + " - Quillmart");

    // The next quantity change goes into the renamed file.
    form->SelectRow(0, 0);
    Trigger(*form, "MItemItemQtyUp");
    EXPECT_EQ(ReadStoreString(form->StoreFilesContext(), name, "Dairy", "Milk"), "A1,-,,-,3,-,0,-,0,-,0");
    EXPECT_FALSE(fs::exists(stores + "beta.store"));
}

// The picker lists the stores by name without regard to case, as filled from the folder and
// as sorted again after a rename, so Next and Previous keep one order.
TEST_F(StoreFileTest, ThePickerKeepsOneOrderForNextAndPreviousAfterARename)
{
    qmtest::WriteFile(stores + "A-B.store", "[X]\r\n");
    qmtest::WriteFile(stores + "A.store", "[X]\r\n");
    Start("beta");
    EXPECT_EQ(Entries(*form), QStringList({"A", "A-B", "Alpha", "beta"}));
    Trigger(*form, "MItemStoreNext");
    EXPECT_EQ(form->Store.Name, "A");
    Trigger(*form, "MItemStoreNext");
    EXPECT_EQ(form->Store.Name, "A-B");

    dialogs->expectQuery("New Name:", "A-");
    Trigger(*form, "MItemFileRenameStore");
    const QStringList renamed = {"A", "A-", "Alpha", "beta"};
    EXPECT_EQ(Entries(*form), renamed);
    Trigger(*form, "MItemStorePrevious");
    EXPECT_EQ(form->Store.Name, "A");
    Trigger(*form, "MItemStoreNext");
    Trigger(*form, "MItemStoreNext");
    EXPECT_EQ(form->Store.Name, "Alpha");
    form->FillStoreList();
    EXPECT_EQ(Entries(*form), renamed);
}

TEST_F(StoreFileTest, RenameOntoAStoreOrWithABadNameChangesNothing)
{
    dialogs->expectQuery("New Name:", "Alpha");
    dialogs->expectBox("That store already exists");
    Trigger(*form, "MItemFileRenameStore");
    dialogs->expectQuery("New Name:", "ALPHA"); // the same store to the picker
    dialogs->expectBox("That store already exists");
    Trigger(*form, "MItemFileRenameStore");
    dialogs->expectQuery("New Name:", "beta"); // unchanged
    Trigger(*form, "MItemFileRenameStore");
    dialogs->expectQuery("New Name:", "x", false);
    Trigger(*form, "MItemFileRenameStore");
    dialogs->expectQuery("New Name:", "../beta");
    dialogs->expectBox("must not contain \"/\"");
    Trigger(*form, "MItemFileRenameStore");
    // A character the program's text cannot hold is named, not turned into "?".
    dialogs->expectQueryTyped("New Name:", "Caf\u00e9 \u2615");
    dialogs->expectBox("U+2615");
    Trigger(*form, "MItemFileRenameStore");
    EXPECT_EQ(File("beta"), kBeta);
    EXPECT_EQ(File("Alpha"), "[Fruit]\r\n");
    EXPECT_EQ(Entries(*form), QStringList({"Alpha", "beta"}));
    EXPECT_EQ(form->Store.Name, "beta");
    EXPECT_FALSE(fs::exists(temp.path() + "/beta.store"));
}

TEST_F(StoreFileTest, ARenameTheFileSystemRefusesLeavesTheOldNameEverywhere)
{
    fs::remove(stores + "beta.store"); // gone under the window
    dialogs->expectQuery("New Name:", "Gamma");
    dialogs->expectBox("The store \"beta\" cannot be renamed to \"Gamma\": No such file or directory.");
    Trigger(*form, "MItemFileRenameStore");
    EXPECT_EQ(dialogs->seen().back().type, mtError);
    EXPECT_EQ(form->Store.Name, "beta");
    EXPECT_EQ(Entries(*form), QStringList({"Alpha", "beta"}));
    EXPECT_EQ(form->GetCurrentStoreName(), "beta");
    EXPECT_EQ(form->windowTitle(), "beta - Quillmart");
    EXPECT_FALSE(fs::exists(stores + "Gamma.store"));
}

TEST_F(StoreFileTest, ALetterCaseRenameRenamesTheFile)
{
    dialogs->expectQuery("New Name:", "Beta");
    Trigger(*form, "MItemFileRenameStore");
    EXPECT_FALSE(fs::exists(stores + "beta.store"));
    EXPECT_EQ(File("Beta"), kBeta);
    EXPECT_EQ(Entries(*form), QStringList({"Alpha", "Beta"}));
    EXPECT_EQ(form->GetCurrentStoreName(), "Beta");
    EXPECT_EQ(form->windowTitle(), "Beta - Quillmart");
}

TEST_F(StoreFileTest, ExploreOpensTheFolderOrMovesOneThatHasGone)
{
    EXPECT_EQ(Control<TFolderBrowser>(*form, "DialogFolder").BrowseFlags, TBrowseFlags(bfDirsOnly));
    Trigger(*form, "MItemFileExplore");
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(shell->calls[0].what, "folder");
    EXPECT_EQ(shell->calls[0].target, stores);

    // The folder is gone: No, and a cancelled picker, leave everything as it was.
    const AnsiString old = stores;
    fs::remove_all(stores);
    dialogs->expectBox(
        "It appears the store folder doesn't exist.  Would you like to place the store folder in "
        "another location?",
        mrNo);
    Trigger(*form, "MItemFileExplore");
    EXPECT_EQ(dialogs->seen().back().type, mtError);
    dialogs->expectBox("It appears the store folder doesn't exist.", mrYes);
    dialogs->expectFile("", false);
    Trigger(*form, "MItemFileExplore");
    EXPECT_EQ(dialogs->seen().back().text, "Select folder");
    // The old folder is gone: the picker starts in the home folder.
    EXPECT_EQ(dialogs->seen().back().initial, std::string(std::getenv("HOME")) + "/");
    EXPECT_EQ(form->StoresFolder, old);
    EXPECT_EQ(RegReadString(kCompany, kProduct, "Settings", "StorageDir"), old);
    EXPECT_EQ(shell->calls.size(), 1u);

    const AnsiString moved = temp.path() + "/moved";
    fs::create_directories(moved);
    qmtest::WriteFile(moved + "/Moved Store.store", "[Deli]\r\n");
    dialogs->expectBox("doesn't exist", mrYes);
    dialogs->expectFile(moved);
    dialogs->expectBox("Store folder changed.  Please restart the program.");
    Trigger(*form, "MItemFileExplore");
    EXPECT_EQ(RegReadString(kCompany, kProduct, "Settings", "StorageDir"), moved + "/");
    EXPECT_EQ(Entries(*form), QStringList({"Alpha", "beta"})); // not refilled until the next start
    // Asked again, the picker starts where it was last used.
    dialogs->expectBox("doesn't exist", mrYes);
    dialogs->expectFile("", false);
    Trigger(*form, "MItemFileExplore");
    EXPECT_EQ(dialogs->seen().back().initial, moved);

    // The next start lists and opens the stores of the new folder.
    form->close();
    form.reset();
    Start("Moved Store");
    EXPECT_EQ(form->StoresFolder, moved + "/");
    EXPECT_EQ(Entries(*form), QStringList({"Moved Store"}));
    EXPECT_EQ(form->GetCurrentStoreName(), "Moved Store");
}

// After Explore has moved the storage folder, the window keeps to the folder its store came
// from until the next start: a change to the open store makes no store file in the new folder
// (one holding only that change). The failed write is shown, and once the folder is back the
// store is written there.
TEST_F(StoreFileTest, AfterTheFolderMovesTheOpenStoreMakesNoFileInTheNewOne)
{
    form->SelectRow(0, 0); // Milk
    const AnsiString old = stores;
    fs::remove_all(stores);
    const AnsiString moved = temp.path() + "/moved";
    fs::create_directories(moved);
    dialogs->expectBox("doesn't exist", mrYes);
    dialogs->expectFile(moved);
    dialogs->expectBox("Store folder changed.  Please restart the program.");
    Trigger(*form, "MItemFileExplore");
    EXPECT_EQ(RegReadString(kCompany, kProduct, "Settings", "StorageDir"), moved + "/");
    EXPECT_EQ(form->StoresFolder, old);

    dialogs->expectBox("Cannot write");
    Trigger(*form, "MItemItemQtyUp");
    EXPECT_TRUE(fs::is_empty(moved));

    fs::create_directories(stores);
    qmtest::WriteFile(stores + "beta.store", kBeta);
    Trigger(*form, "MItemItemQtyUp");
    EXPECT_EQ(File("beta"), "[--Info--]\r\nAisles=A1,,A2,,\r\n[Dairy]\r\nMilk=A1,-,,-,3,-,0,-,0,-,0\r\n");
    EXPECT_TRUE(fs::is_empty(moved));
}

TEST_F(StoreFileTest, NewWindowStartsTheProgramWithTheStoresPathAsOneArgument)
{
    qmtest::WriteFile(stores + "Joe's \"Deli\" $HOME & co.store", "[Deli]\r\n");
    form->FillStoreList();
    form->SetCurrentStoreName("Joe's \"Deli\" $HOME & co");
    Trigger(*form, "MItemFileNewWindow");
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(shell->calls[0].what, "process");
    EXPECT_EQ(shell->calls[0].target, ApplicationExeName());
    EXPECT_EQ(shell->calls[0].args, std::vector<AnsiString>{stores + "Joe's \"Deli\" $HOME & co.store"});

    // Without an open store the new window starts as the program does without an argument.
    Control<QComboBox>(*form, "ComboStores").setCurrentIndex(-1);
    Trigger(*form, "MItemFileNewWindow");
    ASSERT_EQ(shell->calls.size(), 2u);
    EXPECT_TRUE(shell->calls[1].args.empty());
}

// A real second program process, on a store whose path a shell would have to quote.
TEST_F(StoreFileTest, ASecondProgramOpensTheStoreAndClosesCleanly)
{
    const QString program = QCoreApplication::applicationDirPath() + "/../quillmart";
    ASSERT_TRUE(fs::exists(program.toStdString())) << "build the program first";
    const AnsiString name = "Joe's \"Deli\" $HOME";
    qmtest::WriteFile(stores + name + ".store", kBeta);
    form->FillStoreList();
    form->SetCurrentStoreName(name);
    Trigger(*form, "MItemFileNewWindow");
    ASSERT_EQ(shell->calls.size(), 1u);
    form->close();
    form.reset();

    // The new window's settings: no tip and no version check, so nothing but the store shows.
    RegWriteBool(kCompany, kProduct, "Settings", false, "ShowTOTD");
    RegWriteString(kCompany, kProduct, "Settings", "Alpha", "Last Store");
    CloseRegistryDatabase();

    QProcess second;
    QStringList args;
    for (const std::string& a : shell->calls[0].args)
        args << PathToQString(a);
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(program, args);
    ASSERT_TRUE(second.waitForStarted(30000));
    // Once shown, the window remembers its selected row in the store it opened.
    bool opened = false;
    for (int i = 0; i < 600 && !opened && second.state() == QProcess::Running; ++i) {
        second.waitForFinished(50);
        opened = File(name).find("LastItemSelected=") != std::string::npos;
    }
    ASSERT_TRUE(opened) << second.readAll().toStdString();
    second.terminate();
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    // Closing wrote the settings: the store it had open is the last store.
    EXPECT_EQ(RegReadString(kCompany, kProduct, "Settings", "Last Store"), name);
    EXPECT_TRUE(fs::exists(stores + name + ".store"));
}

// The first start (no settings but the storage folder) runs the new-store wizard, played here
// by play, before it opens a store.
class FirstStartTest : public qmtest::MainWindowTest {
protected:
    void StartFirst(const std::function<void(TFormNewStore&)>& play)
    {
        form.reset();
        RegDeleteKey(kCompany, kProduct, "Settings");
        RegWriteString(kCompany, kProduct, "Settings", stores, "StorageDir");
        dialogs->expectBox("Thanks for using the program.  Please create a new store.");
        Play<TFormNewStore>(play);
        form = std::make_unique<TFormMain>();
        FormMain = form.get();
        form->FormCreate();
    }
    // The wizard's play that makes a store of that name with the defaults.
    static std::function<void(TFormNewStore&)> Make(const char* name)
    {
        return [name](TFormNewStore& w) {
            w.EditStoreName->setText(name);
            w.BtnNext->click();
            w.BtnNext->click();
            w.BtnFinish->click();
        };
    }
};

TEST_F(FirstStartTest, TheFirstStartFromAnEmptyFolderEndsWithTheNewStoreOpen)
{
    StartFirst(Make("Home Market"));
    EXPECT_EQ(modalRuns, 1);
    EXPECT_EQ(Entries(*form), QStringList({"Home Market"}));
    EXPECT_EQ(form->GetCurrentStoreName(), "Home Market");
    EXPECT_EQ(form->Store.CategoryCount(), 22);
    EXPECT_EQ(form->Store.AisleCount(), 16);
    EXPECT_TRUE(Enabled(*form, "ComboFind"));
    form->show();
    QApplication::processEvents();
    form->close();
    EXPECT_EQ(RegReadString(kCompany, kProduct, "Settings", "Last Store"), "Home Market");
}

// A first start on a folder that already holds stores (a new registry, an old folder): the
// store just made is the one opened, not the first one listed.
TEST_F(FirstStartTest, TheFirstStartOpensTheStoreTheWizardMade)
{
    qmtest::WriteFile(stores + "Alpha.store", "[Dairy]\r\nMilk=,-,,-,1\r\n");
    StartFirst(Make("Zulu"));
    EXPECT_EQ(Entries(*form), QStringList({"Alpha", "Zulu"}));
    EXPECT_EQ(form->GetCurrentStoreName(), "Zulu");
    EXPECT_EQ(form->Store.Name, "Zulu");

    // Cancelled, the wizard leaves the first store listed open.
    fs::remove(stores + "Zulu.store");
    StartFirst([](TFormNewStore& w) { w.BtnCancel->click(); });
    EXPECT_EQ(form->GetCurrentStoreName(), "Alpha");
    EXPECT_EQ(form->Store.Name, "Alpha");
}

} // namespace
