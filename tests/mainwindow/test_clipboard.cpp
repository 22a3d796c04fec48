// The item clipboard in the main window: copy, cut and paste against real store files and a
// real registry file, the Edit menu's captions, the clipboard viewer, and two program
// processes sharing one registry file.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QProcess>
#include <filesystem>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "dialogs/ViewClipUnit.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "store/ItemClipboard.h"
#include "util/RegUtils.h"
#include "util/widgets/AdvGrid.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

class ClipboardWindowTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        qmtest::WriteFile(stores + "Home.store",
                          "[--Info--]\r\nAisles=A1,,A2,,\r\n"
                          "[Dairy]\r\nMilk=A1,-,semi,-,2,-,1,-,46500,-,1,-,\r\n"
                          "Eggs=A2,-,free range,-,3,-,1,-,0,-,0\r\nButter=A1,-,,-,0\r\n"
                          "[Empty]\r\n"
                          "[Fruit]\r\nKiwi=A2,-,,-,1\r\nmilk=,-,old,-,0\r\n");
        qmtest::WriteFile(stores + "Zed.store", "[Fruit]\r\nEggs=Z,-,zed note,-,5,-,0,-,0,-,0\r\n");
    }
    AnsiString Value(const AnsiString& store, const AnsiString& section, const AnsiString& key)
    {
        return IniFile(StoreFolderFile(stores, store, ".store")).ReadString(section, key, "<none>");
    }
    std::vector<AnsiString> Keys(const AnsiString& store, const AnsiString& section)
    {
        return IniFile(StoreFolderFile(stores, store, ".store")).ReadSection(section);
    }
    static constexpr int kDairy = 0, kEmpty = 1, kFruit = 2;
    qmtest::PrivateRegistry registry;
};

TEST_F(ClipboardWindowTest, ACategoryPastedWhereANameIsTakenGetsCopyNamesWithTheClipboardsValues)
{
    Start("Home");
    form->SelectRow(kDairy, -1);
    Trigger(*form, "MItemEditCopy");
    EXPECT_EQ(ClipboardKeys(kCompany, kProduct), (std::vector<AnsiString>{"Butter", "Eggs", "Milk"}));
    EXPECT_TRUE(Enabled(*form, "BtnPaste"));
    // The registry holds the values in their own types.
    EXPECT_EQ(RegReadInteger(kCompany, kProduct, "Clipboard\\Milk", "Qty"), 2);
    EXPECT_EQ(RegReadString(kCompany, kProduct, "Clipboard\\Milk", "Note"), "semi");
    EXPECT_TRUE(RegReadBool(kCompany, kProduct, "Clipboard\\Milk", "IsStoreCoupon"));
    EXPECT_EQ(RegReadFloatDef(kCompany, kProduct, "Clipboard\\Milk", -1, "CouponExpire"), 46500.0);

    form->SelectRow(kFruit, 0);
    Trigger(*form, "MItemEditPaste");
    EXPECT_EQ(Keys("Home", "Fruit"),
              (std::vector<AnsiString>{"Kiwi", "milk", "Butter", "Eggs", "Milk (Copy)"}));
    EXPECT_EQ(Value("Home", "Fruit", "milk"), ",-,old,-,0"); // the item already there is kept
    EXPECT_EQ(Value("Home", "Fruit", "Milk (Copy)"), "A1,-,semi,-,2,-,1,-,46500,-,1");
    EXPECT_EQ(Value("Home", "Fruit", "Eggs"), "A2,-,free range,-,3,-,1,-,0,-,0");
    // Eggs' coupon went on to the same item of the picker's other store.
    EXPECT_EQ(Value("Zed", "Fruit", "Eggs"), "Z,-,zed note,-,5,-,1,-,0,-,0");
    // The store was reloaded, with the lists.
    EXPECT_EQ(form->Store.Categories[kFruit].ItemCount(), 5);

    // A second paste adds a second set; the clipboard is unchanged by pasting.
    Trigger(*form, "MItemEditPaste");
    EXPECT_EQ(Keys("Home", "Fruit"),
              (std::vector<AnsiString>{"Kiwi", "milk", "Butter", "Eggs", "Milk (Copy)", "Butter (Copy)",
                                       "Eggs (Copy)", "Milk (Copy) (Copy)"}));
    EXPECT_EQ(ClipboardKeys(kCompany, kProduct).size(), 3u);

    // A name taken in any letter case grows until it is free; a free name stays.
    QMItem upper, pear;
    upper.Name = "MILK";
    pear.Name = "Pear";
    WriteClipboard(kCompany, kProduct, {upper, pear});
    Trigger(*form, "MItemEditPaste");
    const std::vector<AnsiString> keys = Keys("Home", "Fruit");
    ASSERT_EQ(keys.size(), 10u);
    EXPECT_EQ(keys[8], "MILK (Copy) (Copy) (Copy)");
    EXPECT_EQ(keys[9], "Pear");
}

TEST_F(ClipboardWindowTest, CuttingAnItemRemovesItFromFileAndListsAndEnablesPaste)
{
    Start("Home");
    EXPECT_FALSE(Enabled(*form, "BtnPaste"));
    form->SelectRow(kDairy, 1); // Eggs
    Click(*form, "BtnCut");
    EXPECT_EQ(Keys("Home", "Dairy"), (std::vector<AnsiString>{"Milk", "Butter"}));
    EXPECT_EQ(form->Store.Categories[kDairy].ItemCount(), 2);
    EXPECT_EQ(form->Store.FindItemByName("Eggs").first, -1);
    EXPECT_TRUE(Enabled(*form, "BtnPaste"));
    EXPECT_EQ(ReadClipboard(kCompany, kProduct).at(0).Note, "free range");

    // Cutting the whole category leaves its section, empty.
    form->SelectRow(kDairy, -1);
    Trigger(*form, "MItemEditCut");
    EXPECT_TRUE(Keys("Home", "Dairy").empty());
    EXPECT_NE(qmtest::ReadFile(stores + "Home.store").find("[Dairy]"), std::string::npos);
    EXPECT_EQ(ClipboardKeys(kCompany, kProduct), (std::vector<AnsiString>{"Butter", "Milk"}));
}

TEST_F(ClipboardWindowTest, ACutWhoseCopyDoesNotReachTheRegistryRemovesNothing)
{
    std::string dairy = "[Dairy]\r\n";
    for (int i = 0; i < 300; ++i)
        dairy += "Item" + std::to_string(i) + "=,-,,-,1\r\n";
    qmtest::WriteFile(stores + "Home.store", dairy + "[Fruit]\r\n");
    Start("Home");
    form->SelectRow(0, -1);
    const std::string before = qmtest::ReadFile(stores + "Home.store");
    // The registry's files may grow a little, then writes fail as on a full disk: the copy
    // breaks off part way, while the store file could still be rewritten.
    std::error_code ec;
    const auto wal = fs::file_size(registry.path() + "-wal", ec);
    const long long limit =
        (long long)std::max<uintmax_t>(fs::file_size(registry.path()), ec ? 0 : wal) + 65536;
    ASSERT_GT(limit, (long long)before.size() * 2);
    dialogs->expectBox("Failed to set data");
    {
        qmtest::FileSizeLimit full(limit);
        Trigger(*form, "MItemEditCut");
    }
    EXPECT_EQ(dialogs->seen().back().type, mtError);
    EXPECT_EQ(qmtest::ReadFile(stores + "Home.store"), before);
    EXPECT_EQ(form->Store.Categories[0].ItemCount(), 300);
}

TEST_F(ClipboardWindowTest, TheEditMenuNamesCategoryOrItemAndEnablesPasteOnlyWithData)
{
    Start("Home");
    const auto entries = [&] {
        return Text(*form, "MItemEditCut") + ", " + Text(*form, "MItemEditCopy") + ", " +
               Text(*form, "MItemEditPaste");
    };
    form->SelectRow(kDairy, -1);
    OpenMenu(*form, "MMenuEdit");
    EXPECT_EQ(entries(), "Cut Category, Copy Category, Paste Category");
    EXPECT_TRUE(Enabled(*form, "MItemEditCut"));
    EXPECT_FALSE(Enabled(*form, "MItemEditPaste"));
    EXPECT_FALSE(Enabled(*form, "MItemEditViewClipboard"));
    emit Control<QMenu>(*form, "MMenuEdit").aboutToHide(); // the shortcuts work again once it closes
    EXPECT_TRUE(Enabled(*form, "MItemEditPaste"));

    form->SelectRow(kFruit, 0);
    Trigger(*form, "MItemEditCopy");
    OpenMenu(*form, "MMenuEdit");
    EXPECT_EQ(entries(), "Cut Item, Copy Item, Paste Item");
    EXPECT_TRUE(Enabled(*form, "MItemEditPaste"));
    EXPECT_TRUE(Enabled(*form, "MItemEditViewClipboard"));

    // With the category row selected, paste still goes into that category.
    form->SelectRow(kDairy, -1);
    Trigger(*form, "PItemContextPaste");
    EXPECT_EQ(Value("Home", "Dairy", "Kiwi"), "A2,-,,-,1,-,0,-,0,-,0");
}

TEST_F(ClipboardWindowTest, CopyingAnEmptyCategoryEmptiesTheClipboard)
{
    Start("Home");
    form->SelectRow(kFruit, 0);
    Trigger(*form, "MItemEditCopy");
    EXPECT_TRUE(Enabled(*form, "BtnPaste"));
    form->SelectRow(kEmpty, -1);
    Trigger(*form, "MItemEditCopy");
    EXPECT_FALSE(ClipboardHasEntries(kCompany, kProduct));
    EXPECT_FALSE(Enabled(*form, "BtnPaste"));
    const std::string before = qmtest::ReadFile(stores + "Home.store");
    Trigger(*form, "MItemEditPaste"); // nothing to paste
    EXPECT_EQ(qmtest::ReadFile(stores + "Home.store"), before);
}

TEST_F(ClipboardWindowTest, NamesTheRegistryCannotCarryComeBackUnchanged)
{
    qmtest::WriteFile(stores + "Home.store",
                      "[Dairy]\r\nA\\B=x,-,n,-,1\r\nA/B=y,-,,-,2\r\nQ&-&R=,-,,-,4\r\n[Fruit]\r\n");
    Start("Home");
    form->SelectRow(0, -1);
    Trigger(*form, "MItemEditCopy");
    form->SelectRow(1, -1);
    Trigger(*form, "MItemEditPaste");
    EXPECT_EQ(Value("Home", "Fruit", "A\\B"), "x,-,n,-,1,-,0,-,0,-,0");
    EXPECT_EQ(Value("Home", "Fruit", "A/B"), "y,-,,-,2,-,0,-,0,-,0");
    // A name with "&-&" is refused as a new name, but it is an existing item's name.
    EXPECT_EQ(Value("Home", "Fruit", "Q&-&R"), ",-,,-,4,-,0,-,0,-,0");
}

TEST_F(ClipboardWindowTest, AClipboardNameTheStoreFileCannotHoldStopsThePasteBeforeAnyWrite)
{
    Start("Home");
    RegWriteInteger(kCompany, kProduct, "Clipboard\\Apple", 1, "Qty");
    RegWriteString(kCompany, kProduct, "Clipboard\\Bad", "X=Y", "Name");
    form->SelectRow(kFruit, -1);
    const std::string before = qmtest::ReadFile(stores + "Home.store");
    dialogs->expectBox("must not contain \"=\"");
    Trigger(*form, "MItemEditPaste");
    EXPECT_EQ(qmtest::ReadFile(stores + "Home.store"), before);
}

TEST_F(ClipboardWindowTest, MoreThan255EntriesAreAllPasted)
{
    std::string dairy = "[Dairy]\r\n";
    for (int i = 0; i < 300; ++i)
        dairy += "Item" + std::to_string(i) + "=,-,,-,1\r\n";
    qmtest::WriteFile(stores + "Home.store", dairy + "[Fruit]\r\n");
    Start("Home");
    form->SelectRow(0, -1);
    Trigger(*form, "MItemEditCopy");
    form->SelectRow(1, -1);
    Trigger(*form, "MItemEditPaste");
    EXPECT_EQ(Keys("Home", "Fruit").size(), 300u);
    EXPECT_EQ(Value("Home", "Fruit", "Item299"), ",-,,-,1,-,0,-,0,-,0");
}

TEST_F(ClipboardWindowTest, TheViewerShowsTheRegistryAndDeletesEntriesAndClearsAll)
{
    Start("Home");
    TFormViewClip viewer(*form, form.get());
    FormViewClip = &viewer;

    Trigger(*form, "MItemEditViewClipboard"); // an empty clipboard: the viewer does not stay open
    EXPECT_FALSE(viewer.isVisible());

    form->SelectRow(kDairy, -1);
    Trigger(*form, "MItemEditCopy");
    Trigger(*form, "MItemEditViewClipboard");
    ASSERT_TRUE(viewer.isVisible());
    TAdvStringGrid& grid = *viewer.GridClipList;
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cells(1, 0), "Item Name");
    EXPECT_EQ(grid.Cells(1, 3), "Milk");
    EXPECT_EQ(grid.Cells(0, 3), "2");
    EXPECT_EQ(grid.Cells(2, 3), "A1");
    EXPECT_EQ(grid.Cells(3, 3), " \xA2");
    EXPECT_EQ(grid.Cells(4, 2), "free range");
    EXPECT_EQ(grid.Cells(3, 1), ""); // Butter: no coupon

    // Delete with a modifier does nothing; without, it deletes the current row's entry.
    grid.SetRow(2);
    QKeyEvent shifted(QEvent::KeyRelease, Qt::Key_Delete, Qt::ShiftModifier);
    QApplication::sendEvent(&grid, &shifted);
    EXPECT_EQ(ClipboardKeys(kCompany, kProduct).size(), 3u);
    QKeyEvent plain(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(&grid, &plain);
    EXPECT_EQ(ClipboardKeys(kCompany, kProduct), (std::vector<AnsiString>{"Butter", "Milk"}));
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cells(1, 2), "Milk");

    // An entry gone from the registry meanwhile: only the grid row goes.
    DeleteClipboardEntry(kCompany, kProduct, "Butter");
    grid.SetRow(1);
    Click(viewer, "BtnDelete");
    EXPECT_EQ(ClipboardKeys(kCompany, kProduct), (std::vector<AnsiString>{"Milk"}));
    EXPECT_EQ(grid.RowCount(), 2);

    // The last entry takes the whole key, closes the viewer and disables Paste.
    Click(viewer, "BtnDelete");
    EXPECT_FALSE(ClipboardHasEntries(kCompany, kProduct));
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_FALSE(Enabled(*form, "BtnPaste"));

    // Clear All asks first; No keeps everything.
    Trigger(*form, "MItemEditCopy");
    viewer.show();
    dialogs->expectBox("Are you sure you want to clear the clipboard?", mrNo);
    Click(viewer, "BtnClear");
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_TRUE(Enabled(*form, "BtnPaste"));
    dialogs->expectBox("Are you sure you want to clear the clipboard?", mrYes);
    Click(viewer, "BtnClear");
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_FALSE(ClipboardHasEntries(kCompany, kProduct));
    EXPECT_FALSE(Enabled(*form, "BtnPaste"));
    EXPECT_EQ(dialogs->seen().back().type, mtConfirmation);
}

TEST_F(ClipboardWindowTest, AViewerEmptiedRowByRowStillHasItsTitleRowWhenShownAgain)
{
    Start("Home");
    TFormViewClip viewer(*form, form.get());
    FormViewClip = &viewer;
    form->SelectRow(kFruit, -1);
    Trigger(*form, "MItemEditCopy"); // Kiwi, milk
    viewer.show();
    ASSERT_EQ(viewer.GridClipList->RowCount(), 3);

    // Another window copies meanwhile, so each Delete only drops a grid row, down to none.
    std::vector<QMItem> other(3);
    other[0].Name = "Bagels", other[1].Name = "Bread", other[2].Name = "Rolls";
    WriteClipboard(kCompany, kProduct, other);
    Click(viewer, "BtnDelete");
    Click(viewer, "BtnDelete");
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_EQ(ClipboardKeys(kCompany, kProduct).size(), 3u);

    viewer.show();
    TAdvStringGrid& grid = *viewer.GridClipList;
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cells(0, 0), "Qty");
    EXPECT_EQ(grid.Cells(1, 1), "Bagels");
    EXPECT_EQ(grid.Row(), 1);
}

// The other program window of the two-process test: started by the test below as a process of
// its own on the same registry file, it opens the store and copies the Dairy category.
TEST_F(ClipboardWindowTest, OtherProcessCopiesDairy)
{
    if (!qEnvironmentVariableIsSet("QM_CLIPBOARD_OTHER_PROCESS"))
        GTEST_SKIP() << "run by TwoProgramProcessesShareTheClipboard";
    // The first process's registry file, not this process's own.
    setenv("QUILLMART_REGISTRY", qgetenv("QM_CLIPBOARD_OTHER_PROCESS").constData(), 1);
    CloseRegistryDatabase();
    Start("Zed");
    ASSERT_EQ(form->GetCurrentStoreName(), "Zed");
    form->SelectRow(0, -1);
    Trigger(*form, "MItemEditCopy");
    EXPECT_TRUE(ClipboardHasEntries(kCompany, kProduct));
}

TEST_F(ClipboardWindowTest, TwoProgramProcessesShareTheClipboard)
{
    if (qEnvironmentVariableIsSet("QM_CLIPBOARD_OTHER_PROCESS"))
        GTEST_SKIP();
    Start("Home");
    EXPECT_FALSE(Enabled(*form, "BtnPaste"));

    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QM_CLIPBOARD_OTHER_PROCESS", QString::fromStdString(registry.path()));
    other.setProcessEnvironment(env);
    other.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=ClipboardWindowTest.OtherProcessCopiesDairy"});
    ASSERT_TRUE(other.waitForFinished(60000));
    const QByteArray output = other.readAllStandardOutput();
    ASSERT_EQ(other.exitCode(), 0) << output.toStdString();
    ASSERT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();

    // This window sees the other's copy at once and pastes it.
    OpenMenu(*form, "MMenuEdit");
    EXPECT_TRUE(Enabled(*form, "MItemEditPaste"));
    form->SelectRow(kFruit, -1);
    Trigger(*form, "MItemEditPaste");
    EXPECT_EQ(Value("Home", "Fruit", "Eggs"), "Z,-,zed note,-,5,-,0,-,0,-,0");
}

TEST_F(ClipboardWindowTest, AKeyWithAnEmptyValueIsTakenAndAnEmptyNameIsAnError)
{
    qmtest::WriteFile(stores + "Home.store", "[Fruit]\r\nPlum=\r\nPlum (Copy)=,-,,-,1\r\n[Other]\r\n");
    Start("Home");
    QMItem plum;
    plum.Name = "plum";
    WriteClipboard(kCompany, kProduct, {plum});
    form->SelectRow(0, -1);
    Trigger(*form, "MItemEditPaste");
    form->SelectRow(1, -1);
    Trigger(*form, "MItemEditPaste");
    EXPECT_EQ(Keys("Home", "Fruit"), (std::vector<AnsiString>{"Plum", "Plum (Copy)", "plum (Copy) (Copy)"}));
    EXPECT_EQ(Keys("Home", "Other"), std::vector<AnsiString>{"plum"});

    // A name of blanks alone is refused before anything is written.
    RegWriteString(kCompany, kProduct, "Clipboard\\plum", " ", "Name");
    const std::string before = qmtest::ReadFile(stores + "Home.store");
    dialogs->expectBox("must not be empty");
    Trigger(*form, "MItemEditPaste");
    EXPECT_EQ(qmtest::ReadFile(stores + "Home.store"), before);
}

} // namespace
