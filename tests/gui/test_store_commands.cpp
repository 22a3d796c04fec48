// The Store, Category and Item commands driven as a user drives them: shortcuts pressed on the
// window, menus opened and clicked, buttons clicked, boxes and dialogs answered, and the store
// files compared byte for byte afterwards.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <filesystem>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "app/HelpContexts.h"
#include "dialogs/CopyItemUnit.h"
#include "dialogs/CouponUnit.h"
#include "dialogs/NoteUnit.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "platform/gui/QtDialogs.h"
#include "platform/gui/StatusBar.h"
#include "store/StoreLoader.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

const std::string kInfo = "[--Info--]\r\nAisles=A1,,A2,,\r\nLastItemSelected=Milk&-&Dairy\r\n";
const std::string kHome =
    kInfo + "[Dairy]\r\nMilk=A1,-,low fat,-,2,-,1,-,46100,-,0,-,\r\nEggs=A2,-,,-,0,-,1,-,0,-,1,-,\r\n"
            "Butter=A1,-,salted,-,0\r\n[Fruit]\r\nKiwi=A2,-,ripe,-,3,-,0,-,46050,-,0,-,\r\n";
const std::string kMart =
    "[Dairy]\r\nMilk=M1,-,mart note,-,5,-,0,-,0,-,0,-,\r\nEggs=M2,-,,-,1,-,0,-,0,-,0\r\n";
const std::string kCorner = "[--Info--]\r\nAcceptsCoupons=0\r\n[Fruit]\r\nKiwi=C,-,,-,1,-,1,-,46000,-,1\r\n";

// The open store's file after a reset: Dairy's Milk, Eggs and Butter lines and Fruit's Kiwi.
std::string HomeWith(const std::string& milk, const std::string& eggs, const std::string& butter,
                     const std::string& kiwi)
{
    return kInfo + "[Dairy]\r\nMilk=" + milk + "\r\nEggs=" + eggs + "\r\nButter=" + butter +
           "\r\n[Fruit]\r\nKiwi=" + kiwi + "\r\n";
}
// The file with another row remembered as the last selected one.
std::string Selected(std::string text, const std::string& row)
{
    const std::string old = "LastItemSelected=Milk&-&Dairy";
    return text.replace(text.find(old), old.size(), "LastItemSelected=" + row);
}
std::string MartWith(const std::string& milk)
{
    return "[Dairy]\r\nMilk=" + milk + "\r\nEggs=M2,-,,-,1,-,0,-,0,-,0\r\n";
}

class StoreCommandsTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetClock(46000.5);
        SetLastStore("Home");
        HideTipOfTheDay();
        qmtest::WriteFile(File("Home"), kHome);
        qmtest::WriteFile(File("Mart"), kMart);
        qmtest::WriteFile(File("Corner"), kCorner);
    }

    // The window shown and active, the item list holding the keyboard.
    void Start()
    {
        form = std::make_unique<TFormMain>();
        FormMain = form.get();
        form->FormCreate();
        form->show();
        form->activateWindow();
        QApplication::processEvents();
        Control(*form, "ImageItemList").setFocus();
        QApplication::processEvents();
    }
    std::string File(const std::string& store) const { return stores + store + ".store"; }
    std::string Read(const std::string& store) const { return qmtest::ReadFile(File(store)); }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { qmtest::Key(*form, key, mods); }
    const QMItem& Item(int c, int i) const { return form->Store.Categories[size_t(c)].Items[size_t(i)]; }
};

// ---- Resets ---------------------------------------------------------------------------------

struct ResetCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers mods;
    int help;
    std::string home, mart; // the files after Yes
    std::string status;     // the shopping list's totals then
};

void PrintTo(const ResetCase& c, std::ostream* os)
{
    *os << c.name;
}

class ResetTest : public StoreCommandsTest, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(ResetTest, YesWritesTheHandComputedFilesNoAndHelpThenNoChangeNothing)
{
    const ResetCase& c = GetParam();
    Start();
    // No, and Help followed by No: the question stays up after Help, and nothing changes.
    dialogs->expectBox("Are you sure you want to reset", mrNo);
    Key(c.key, c.mods);
    dialogs->expectBox("Are you sure you want to reset", mrHelp).expectBox("Are you sure", mrNo);
    Key(c.key, c.mods);
    EXPECT_EQ(Read("Home"), kHome);
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(shell->calls[0].helpContext, c.help);
    ASSERT_EQ(dialogs->seen().size(), 3u);
    EXPECT_EQ(dialogs->seen()[0].type, mtConfirmation);
    EXPECT_EQ(dialogs->seen()[0].buttons, TMsgDlgButtons(mbYes | mbNo | mbHelp));
    EXPECT_EQ(dialogs->seen()[0].helpContext, c.help);

    dialogs->expectBox("Are you sure you want to reset", mrYes);
    Key(c.key, c.mods);
    EXPECT_EQ(Read("Home"), c.home);
    EXPECT_EQ(Read("Mart"), c.mart);
    EXPECT_EQ(Read("Corner"), kCorner); // its Kiwi is marked for that store only

    // The items in memory, and so on screen, are what the file now holds.
    QMStore fromFile;
    LoadStoreData(form->StoreFilesContext(), fromFile, "Home");
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < fromFile.Categories[size_t(c)].ItemCount(); ++i) {
            const QMItem& f = fromFile.Categories[size_t(c)].Items[size_t(i)];
            EXPECT_EQ(Item(c, i).Qty, f.Qty) << f.Name;
            EXPECT_EQ(Item(c, i).HasCoupon, f.HasCoupon) << f.Name;
            EXPECT_EQ(Item(c, i).CouponExpire, f.CouponExpire) << f.Name;
            EXPECT_EQ(Item(c, i).Note, f.Note) << f.Name;
        }
    form->BuildShoppingList();
    EXPECT_EQ(PanelText(*form, 2).toStdString(), c.status);
}

const std::string kMilkTrail = "A1,-,low fat,-,2,-,1,-,46100,-,0,-,";
const std::string kEggs = "A2,-,,-,0,-,1,-,0,-,1,-,";
const std::string kKiwi = "A2,-,ripe,-,3,-,0,-,46050,-,0,-,";

INSTANTIATE_TEST_SUITE_P(
    FiveResets, ResetTest,
    ::testing::Values(
        ResetCase{
            "Purchased", Qt::Key_F5, Qt::NoModifier, HelpContextOf("Resetting purchased items"),
            HomeWith("A1,-,,-,0,-,0,-,46100,-,0", kEggs, "A1,-,salted,-,0", "A2,-,,-,0,-,0,-,46050,-,0"),
            MartWith("M1,-,mart note,-,5,-,0,-,46100,-,0"), "Items to buy: 0.  With coupons: 0"},
        ResetCase{"Quantities", Qt::Key_F5, Qt::AltModifier, HelpContextOf("Resetting quantities"),
                  HomeWith("A1,-,low fat,-,0,-,1,-,46100,-,0", "A2,-,,-,0,-,1,-,0,-,1,-,",
                           "A1,-,salted,-,0,-,0,-,0,-,0", "A2,-,ripe,-,0,-,0,-,46050,-,0"),
                  MartWith("M1,-,mart note,-,5,-,1,-,46100,-,0"), "Items to buy: 0.  With coupons: 0"},
        ResetCase{"Coupons", Qt::Key_F5, Qt::ShiftModifier, HelpContextOf("Resetting coupons"),
                  HomeWith("A1,-,low fat,-,2,-,0,-,0,-,0", "A2,-,,-,0,-,0,-,0,-,1,-,",
                           "A1,-,salted,-,0,-,0,-,0,-,0", "A2,-,ripe,-,3,-,0,-,0,-,0"),
                  MartWith("M1,-,mart note,-,5,-,0,-,0,-,0"), "Items to buy: 5.  With coupons: 0"},
        ResetCase{"Notes", Qt::Key_F5, Qt::ControlModifier, HelpContextOf("Resetting notes"),
                  HomeWith("A1,-,,-,2,-,1,-,46100,-,0", kEggs, "A1,-,,-,0,-,0,-,0,-,0",
                           "A2,-,,-,3,-,0,-,46050,-,0"),
                  MartWith("M1,-,mart note,-,5,-,1,-,46100,-,0"), "Items to buy: 5.  With coupons: 1"},
        ResetCase{"All", Qt::Key_F6, Qt::NoModifier, HelpContextOf("Resetting everything"),
                  HomeWith("A1,-,,-,0,-,0,-,0,-,0", "A2,-,,-,0,-,0,-,0,-,1,-,", "A1,-,,-,0,-,0,-,0,-,0",
                           "A2,-,,-,0,-,0,-,0,-,0"),
                  MartWith("M1,-,mart note,-,5,-,0,-,0,-,0"), "Items to buy: 0.  With coupons: 0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StoreCommandsTest, TheResetMenuButtonAndDropDownRunTheResets)
{
    Start();
    OpenMenu(*form, "MMenuStore");
    EXPECT_TRUE(Enabled(*form, "MItemStoreResetAction"));
    EXPECT_EQ(Text(*form, "MItemStoreSortList"), "Sort Shopping List by Category");
    EXPECT_TRUE(Checked(*form, "MItemStoreAcceptCoupons"));

    dialogs->expectBox("for all purchased (checked) items\r(NOTE:", mrYes);
    Click(*form, "BtnResetStore");
    EXPECT_EQ(PanelText(*form, 2), "Items to buy: 0.  With coupons: 0");
    dialogs->expectBox("reset all notes?", mrYes);
    Trigger(*form, "PItemResetNotes");
    dialogs->expectBox("reset all quantities, coupons, and notes?\r", mrNo);
    Choose(*form, "MItemStoreReset", "MItemStoreResetAll");
    EXPECT_EQ(Item(0, 0).Note, ""); // Butter's note went with the notes reset
}

// The open store's file cannot be rewritten: nothing is written anywhere, one box names the
// file, and the items on screen keep what the file holds.
TEST_F(StoreCommandsTest, AResetTheOpenStoresFileRefusesChangesNothing)
{
    Start();
    const std::string status = PanelText(*form, 2).toStdString();
    dialogs->expectBox("reset all quantities, coupons, and notes?", mrYes).expectBox("Home.store");
    {
        qmtest::FileSizeLimit limit(100);
        Key(Qt::Key_F6);
    }
    EXPECT_EQ(dialogs->seen().back().type, mtError);
    EXPECT_EQ(Read("Home"), kHome);
    EXPECT_EQ(Read("Mart"), kMart);
    EXPECT_EQ(Item(0, 2).Qty, 2);
    EXPECT_TRUE(Item(0, 2).HasCoupon);
    EXPECT_EQ(Item(0, 2).Note, "low fat");
    EXPECT_EQ(PanelText(*form, 2).toStdString(), status);
}

// A receiving store that refuses its carry-over is named once; the open store and the other
// receivers are written.
TEST_F(StoreCommandsTest, AResetWithOneStoreRefusingTheCarryOverNamesIt)
{
    const std::string bigMart = kMart + "[Bulk]\r\n" + std::string(1000, 'x') + "=1\r\n";
    qmtest::WriteFile(File("Mart"), bigMart);
    qmtest::WriteFile(File("Deli"), "[Dairy]\r\nMilk=D,-,,-,1\r\n");
    Start();
    dialogs->expectBox("reset all coupons", mrYes).expectBox("\"Mart\"");
    {
        qmtest::FileSizeLimit limit(600);
        Key(Qt::Key_F5, Qt::ShiftModifier);
    }
    EXPECT_EQ(Read("Mart"), bigMart);
    EXPECT_EQ(Read("Deli"), "[Dairy]\r\nMilk=D,-,,-,1,-,0,-,0,-,0\r\n");
    EXPECT_EQ(qm::ReadStoreString(form->StoreFilesContext(), "Home", "Dairy", "Milk"),
              "A1,-,low fat,-,2,-,0,-,0,-,0");
    EXPECT_FALSE(Item(0, 2).HasCoupon);
}

// ---- Sort, coupons, switching, web site ---------------------------------------------------

TEST_F(StoreCommandsTest, F7AndTheSortButtonsSwitchTheShoppingListsOrder)
{
    Start();
    EXPECT_TRUE(form->ShopList.SortByAisle);
    Key(Qt::Key_F7);
    EXPECT_TRUE(Checked(*form, "BtnSortByCategory"));
    EXPECT_FALSE(form->ShopList.SortByAisle);
    OpenMenu(*form, "MMenuStore");
    EXPECT_EQ(Text(*form, "MItemStoreSortList"), "Sort Shopping List by Aisle/Dept.");
    Click(*form, "BtnSortByAisle");
    EXPECT_TRUE(form->ShopList.SortByAisle);
    Click(*form, "BtnSortByCategory");
    EXPECT_FALSE(form->ShopList.SortByAisle);
}

TEST_F(StoreCommandsTest, TheCouponSwitchWritesOneKeyAndReloads)
{
    Start();
    form->SelectRow(0, 2); // Milk, with a coupon
    dialogs->expectBox("Are you sure you want to turn off coupons for this store?", mrYes);
    Choose(*form, "MMenuStore", "MItemStoreAcceptCoupons");
    EXPECT_EQ(Read("Home"),
              "[--Info--]\r\nAisles=A1,,A2,,\r\nLastItemSelected=Milk&-&Dairy\r\nAcceptsCoupons=0\r\n" +
                  kHome.substr(kInfo.size()));
    EXPECT_FALSE(form->Store.AcceptsCoupons);
    EXPECT_FALSE(Item(0, 2).HasCoupon); // left unread while coupons are off
    EXPECT_FALSE(Enabled(*form, "BtnCoupon"));
    EXPECT_EQ(PanelText(*form, 2), "Items to buy: 5.  With coupons: 0");

    // On again without a question: the coupons in the file come back.
    Choose(*form, "MMenuStore", "MItemStoreAcceptCoupons");
    EXPECT_NE(Read("Home").find("AcceptsCoupons=1\r\n"), std::string::npos);
    EXPECT_TRUE(Item(0, 2).HasCoupon);
    EXPECT_TRUE(Enabled(*form, "BtnCoupon"));

    // No keeps coupons on and still reloads the store from its file.
    form->Store.Categories[0].Items[2].Note = "not in the file";
    dialogs->expectBox("turn off coupons", mrNo);
    Choose(*form, "MMenuStore", "MItemStoreAcceptCoupons");
    EXPECT_TRUE(form->Store.AcceptsCoupons);
    EXPECT_EQ(Item(0, 2).Note, "low fat");
    EXPECT_TRUE(Checked(*form, "MItemStoreAcceptCoupons"));
}

TEST_F(StoreCommandsTest, NextAndPreviousWrapRoundThePicker)
{
    Start();
    ASSERT_EQ(form->GetCurrentStoreName(), "Home"); // picker: Corner, Home, Mart
    Key(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(form->Store.Name, "Mart");
    EXPECT_EQ(form->windowTitle(), "Mart - Quillmart");
    Key(Qt::Key_Right, Qt::AltModifier); // the last store: on to the first
    EXPECT_EQ(form->Store.Name, "Corner");
    EXPECT_EQ(PanelText(*form, 2), "Items to buy: 1.  With coupons: 0");
    Key(Qt::Key_Left, Qt::AltModifier); // the first store: back to the last
    EXPECT_EQ(form->Store.Name, "Mart");

    // The remembered row is selected again.
    Pick(*form, "ComboStores", "Home");
    EXPECT_EQ(form->Store.Name, "Home");
    EXPECT_EQ(Sel(*form), std::make_pair(0, 2));
    EXPECT_EQ(form->focusWidget(), &Control(*form, "ImageItemList"));

    // Without a selection Previous has nowhere to go and Next starts at the first store.
    QComboBox& picker = Control<QComboBox>(*form, "ComboStores");
    picker.setCurrentIndex(-1);
    Trigger(*form, "MItemStorePrevious");
    EXPECT_EQ(form->Store.Name, "Home");
    Trigger(*form, "MItemStoreNext");
    EXPECT_EQ(form->Store.Name, "Corner");
    picker.clear();
    Trigger(*form, "MItemStoreNext");
    Trigger(*form, "MItemStorePrevious");
    EXPECT_EQ(form->Store.Name, "Corner");
}

// The mouse's thumb buttons step through the stores like Alt+Left and Alt+Right, over any part
// of the window; other buttons do not.
TEST_F(StoreCommandsTest, ThumbButtonsStepToThePreviousAndNextStore)
{
    Start();
    ASSERT_EQ(form->GetCurrentStoreName(), "Home"); // picker: Corner, Home, Mart
    const auto press = [this](const char* over, Qt::MouseButton button) {
        QTest::mousePress(&Control(*form, over), button, {}, QPoint(5, 5));
        QTest::mouseRelease(&Control(*form, over), button, {}, QPoint(5, 5));
        QApplication::processEvents();
    };
    press("ImageItemList", Qt::ForwardButton);
    EXPECT_EQ(form->Store.Name, "Mart");
    press("ImageShoppingList", Qt::ForwardButton); // the last store: on to the first
    EXPECT_EQ(form->Store.Name, "Corner");
    press("ImageItemList", Qt::BackButton);
    EXPECT_EQ(form->Store.Name, "Mart");
    EXPECT_EQ(form->windowTitle(), "Mart - Quillmart");
    press("ImageItemList", Qt::MiddleButton);
    EXPECT_EQ(form->Store.Name, "Mart");
}

TEST_F(StoreCommandsTest, SwitchingToAStoreScrollsItsRememberedRowIntoView)
{
    // Mart remembers an item far down a long list; the window shows a few rows only.
    std::string mart = "[--Info--]\r\nLastItemSelected=Item 170&-&Long\r\n[Long]\r\n";
    for (int i = 100; i < 180; ++i)
        mart += "Item " + std::to_string(i) + "=,-,,-,0\r\n";
    qmtest::WriteFile(File("Mart"), mart);
    Start();
    form->resize(800, 400);
    QApplication::processEvents();
    Relayout(*form);
    ASSERT_EQ(form->Store.Name, "Home");

    Key(Qt::Key_Right, Qt::AltModifier);
    ASSERT_EQ(form->Store.Name, "Mart");
    ASSERT_EQ(Sel(*form), std::make_pair(0, 70));
    const int top = form->ItemListRows().ItemTop(0, 70);
    EXPECT_GE(top, Control(*form, "ImageItemListHeader").height());
    EXPECT_LE(top + form->ItemListRows().ItemRowHeight, Control(*form, "ImageItemList").height());
    EXPECT_EQ(Text(*form, "ComboFind"), "Item 170");
}

TEST_F(StoreCommandsTest, TheWebSiteOpensOnlyWebAddresses)
{
    Start();
    auto visit = [&](const std::string& stored) {
        WriteStoreString(form->StoreFilesContext(), "Home", kInfoSection, "StoreURL", stored);
        shell->calls.clear();
        Key(Qt::Key_W, Qt::ControlModifier);
    };
    for (const char* address : {"http://shop.example/list", "HTTPS://shop.example/"}) {
        visit(address);
        ASSERT_EQ(shell->calls.size(), 1u) << address;
        EXPECT_EQ(shell->calls[0].what, "url");
        EXPECT_EQ(shell->calls[0].target, address);
    }
    for (const char* address : {"file:///etc/passwd", "javascript:x", "/etc/passwd", "https://"}) {
        dialogs->expectBox(std::string("\"") + address + "\" is not opened");
        visit(address);
        EXPECT_TRUE(shell->calls.empty()) << address;
        EXPECT_EQ(dialogs->seen().back().type, mtError);
    }

    // Empty, or only "http://": asked for first, written, then opened.
    dialogs->expectQuery("Store's Website:", "https://new.example");
    visit("");
    EXPECT_EQ(dialogs->seen().back().initial, "");
    EXPECT_EQ(ReadStoreString(form->StoreFilesContext(), "Home", kInfoSection, "StoreURL"),
              "https://new.example");
    ASSERT_EQ(shell->calls.size(), 1u);
    dialogs->expectQuery("Store's Website:", "javascript:alert(1)");
    dialogs->expectBox("is not opened");
    visit("http://");
    EXPECT_EQ(dialogs->seen()[dialogs->seen().size() - 2].initial, "http://");
    EXPECT_TRUE(shell->calls.empty());

    // Edit only writes.
    dialogs->expectQuery("Store's Website:", "http://edited.example");
    Trigger(*form, "MItemStoreWebEdit");
    EXPECT_EQ(dialogs->seen().back().initial, "javascript:alert(1)");
    EXPECT_EQ(ReadStoreString(form->StoreFilesContext(), "Home", kInfoSection, "StoreURL"),
              "http://edited.example");
    EXPECT_TRUE(shell->calls.empty());

    // Blanks around a typed address are dropped, as the file drops them.
    dialogs->expectQuery("Store's Website:", " https://typed.example/ ");
    visit("");
    EXPECT_EQ(ReadStoreString(form->StoreFilesContext(), "Home", kInfoSection, "StoreURL"),
              "https://typed.example/");
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(shell->calls[0].target, "https://typed.example/");
}

// ---- Category and item commands -------------------------------------------------------------

// A name of 300 letters is cut short with an ellipsis in the context menu's captions, so the
// menu stays narrower than the screen; that ellipsis ends a caption that opens a dialog, with
// no "..." after it. A short name and an "&" in it show as they are.
TEST_F(StoreCommandsTest, TheContextMenuShortensALongNameToFitTheScreen)
{
    const std::string name = "Extra " + std::string(294, 'L');
    qmtest::WriteFile(File("Home"), "[Dairy & Eggs]\r\n" + name + "=,-,,-,0\r\n[" + name + "]\r\n");
    Start();
    form->SelectRow(0, 0);
    OpenMenu(*form, "PMenuItemsContext");
    const QString edit = Text(*form, "PItemContextEdit");
    const QString ellipsis(QChar(0x2026));
    EXPECT_TRUE(edit.startsWith("Edit Extra LLL")) << edit.toStdString();
    EXPECT_TRUE(edit.endsWith("L" + ellipsis)) << edit.toStdString();
    EXPECT_LT(edit.size(), 200);
    EXPECT_EQ(Text(*form, "PItemContextDelete"), "Delete" + edit.mid(4));
    EXPECT_TRUE(Text(*form, "PItemContextCopyItem").endsWith("L" + ellipsis + " to Another Store..."));
    EXPECT_EQ(Text(*form, "PItemContextEditCat"), "Edit Dairy && Eggs...");
    EXPECT_EQ(Text(*form, "PItemContextDeleteCat"), "Delete Dairy && Eggs...");
    form->SelectRow(1, -1); // the category of the long name
    OpenMenu(*form, "PMenuItemsContext");
    EXPECT_EQ(Text(*form, "PItemContextEditCat"), edit);
    EXPECT_EQ(Text(*form, "PItemContextDeleteCat"), "Delete" + edit.mid(4));
    form->SelectRow(0, 0);
    OpenMenu(*form, "PMenuItemsContext");
    EXPECT_LE(Control<QMenu>(*form, "PMenuItemsContext").sizeHint().width(),
              form->screen()->availableGeometry().width());
}

TEST_F(StoreCommandsTest, MenusFollowTheSelectionWhenTheyOpenAndBeforeTheirKeys)
{
    Start();
    form->SelectRow(1, -1); // Fruit's own row
    OpenMenu(*form, "PMenuItemsContext");
    EXPECT_FALSE(Control<QAction>(*form, "PItemContextEdit").isVisible());
    EXPECT_FALSE(Control<QAction>(*form, "PItemContextItemAction").isVisible());
    EXPECT_EQ(Text(*form, "PItemContextCollapseCat"), "Collapse Fruit");
    EXPECT_EQ(Text(*form, "PItemContextDeleteCat"), "Delete Fruit...");
    EXPECT_FALSE(Enabled(*form, "PItemContextPaste"));
    OpenMenu(*form, "MMenuItem");
    EXPECT_FALSE(Enabled(*form, "MItemItemCopy"));
    EXPECT_TRUE(Enabled(*form, "MItemItemAdd"));

    // The Item menu closed with Copy disabled; its key still acts once an item is selected.
    form->SelectRow(0, 2);
    Play<TFormCopyItem>([](TFormCopyItem& f) { f.BtnCancel->click(); });
    Key(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(modalRuns, 1);

    OpenMenu(*form, "PMenuItemsContext");
    EXPECT_TRUE(Control<QAction>(*form, "PItemContextEdit").isVisible());
    EXPECT_EQ(Text(*form, "PItemContextItem"), "Milk Properties");
    EXPECT_EQ(Text(*form, "PItemContextCopyItem"), "Copy Milk to Another Store...");
    OpenMenu(*form, "MMenuItem");
    EXPECT_TRUE(Checked(*form, "MItemItemCoupon"));
    EXPECT_TRUE(Enabled(*form, "MItemItemCoupon"));
}

TEST_F(StoreCommandsTest, CollapseAndExpandAreRememberedInTheStoreFile)
{
    Start();
    form->SelectRow(0, 2);
    OpenMenu(*form, "MMenuCategory");
    EXPECT_EQ(Text(*form, "MItemCategoryShowHide"), "Collapse This Category");
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Sel(*form), std::make_pair(0, -1));
    EXPECT_FALSE(form->Store.Categories[0].Expanded);
    EXPECT_EQ(ReadStoreString(form->StoreFilesContext(), "Home", kHiddenCatsSection, "Dairy"), "1");
    EXPECT_EQ(Text(*form, "MItemCategoryShowHide"), "Expand This Category");
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(ReadStoreString(form->StoreFilesContext(), "Home", kHiddenCatsSection, "Dairy"), "0");

    Key(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Read("Home"), Selected(kHome, "&-&Dairy") + "[--Hidden Cats--]\r\nDairy=1\r\nFruit=1\r\n");
    EXPECT_FALSE(form->Store.Categories[1].Expanded);
    Key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Read("Home"), Selected(kHome, "&-&Dairy") + "[--Hidden Cats--]\r\nDairy=0\r\nFruit=0\r\n");
    EXPECT_TRUE(form->Store.Categories[1].Expanded);
}

// A category of an older file whose name cannot be a key of "--Hidden Cats--" still expands
// and collapses; only its state is not remembered, and the other categories' states are.
TEST_F(StoreCommandsTest, ACategoryWhoseNameCannotBeAKeyStillCollapses)
{
    const std::string home = kInfo + "[Deli=Cheese]\r\nBrie=,-,,-,1\r\n[;Spices]\r\nSalt=,-,,-,0\r\n";
    qmtest::WriteFile(File("Home"), home);
    Start();
    ASSERT_EQ(form->Store.CategoryCount(), 2);
    form->SelectRow(0, -1);
    Key(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(form->Store.Categories[0].Expanded);
    EXPECT_FALSE(form->Store.Categories[1].Expanded);
    Key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(form->Store.Categories[0].Expanded);
    EXPECT_TRUE(form->Store.Categories[1].Expanded);
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_FALSE(form->Store.CategoryAt(form->Store.SelCategory).Expanded);
    EXPECT_TRUE(dialogs->seen().empty()) << dialogs->seen().back().text;
    EXPECT_EQ(Read("Home"), Selected(home, "&-&" + form->GetSelectedCategoryName()));
}

TEST_F(StoreCommandsTest, DeletesAskFirstAndKeepTheCategorysOtherKeys)
{
    qmtest::WriteFile(File("Home"),
                      kHome + "[--Hidden Cats--]\r\nFruit=1\r\n[--Aisle Guesses--]\r\nFruit=A2\r\n");
    Start();
    form->SelectRow(1, -1);
    dialogs->expectBox("Are you sure you want to delete the category \"Fruit\" and all its items?", mrNo);
    Click(*form, "BtnCategoryDelete");
    EXPECT_EQ(dialogs->seen().back().helpContext, HelpContextOf("Deleting a category"));
    EXPECT_EQ(form->Store.CategoryCount(), 2);
    dialogs->expectBox("delete the category \"Fruit\"", mrYes);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Read("Home"), Selected(kInfo, "&-&Fruit") +
                                "[Dairy]\r\nMilk=A1,-,low fat,-,2,-,1,-,46100,-,0,-,\r\nEggs=" + kEggs +
                                "\r\nButter=A1,-,salted,-,0\r\n[--Hidden Cats--]\r\nFruit=1\r\n"
                                "[--Aisle Guesses--]\r\nFruit=A2\r\n");
    EXPECT_EQ(form->Store.CategoryCount(), 1);
    EXPECT_EQ(PanelText(*form, 1), "Items in store: 3");

    form->SelectRow(0, 0); // Butter
    dialogs->expectBox("Are you sure you want to delete the item \"Butter\"?", mrYes);
    Choose(*form, "MMenuItem", "MItemItemDelete");
    EXPECT_EQ(dialogs->seen().back().helpContext, HelpContextOf("Deleting an item"));
    EXPECT_EQ(qm::ReadStoreString(form->StoreFilesContext(), "Home", "Dairy", "Butter"), "");
    EXPECT_EQ(form->Store.Categories[0].ItemCount(), 2);
}

TEST_F(StoreCommandsTest, TheCouponDialogOpensOnTheItemsCouponAndItsAnswerIsWrittenAndCarried)
{
    Start();
    form->SelectRow(0, 2); // Milk: coupon until day 46100
    Play<TFormCoupon>([](TFormCoupon& f) {
        EXPECT_EQ(f.LabelCategoryName->text(), "Dairy");
        EXPECT_EQ(f.LabelItemName->text(), "Milk");
        EXPECT_TRUE(f.RadioCouponExpire->isChecked());
        EXPECT_EQ(f.DateTimeCouponExpire->date(), QDate(2026, 3, 19));
        EXPECT_EQ(f.LabelStoresToChange->text(), "Home, Mart");
        f.CheckCoupon->setChecked(false); // taken off: expiry and mark stay
        f.BtnOK->click();
    });
    Click(*form, "BtnCoupon");
    EXPECT_EQ(qm::ReadStoreString(form->StoreFilesContext(), "Home", "Dairy", "Milk"),
              "A1,-,low fat,-,2,-,0,-,46100,-,0");
    EXPECT_EQ(Read("Mart"), MartWith("M1,-,mart note,-,5,-,0,-,46100,-,0"));
    EXPECT_FALSE(Item(0, 2).HasCoupon);
    EXPECT_EQ(Item(0, 2).CouponExpire, 46100);

    // A coupon without expiry opens on today's date with Never Expires; Cancel changes nothing.
    form->SelectRow(0, 1); // Eggs: coupon, no expiry, this store only
    Play<TFormCoupon>([](TFormCoupon& f) {
        EXPECT_TRUE(f.RadioCouponNever->isChecked());
        EXPECT_EQ(f.DateTimeCouponExpire->date(), QDate(2025, 12, 9));
        EXPECT_EQ(f.LabelStoresToChange->text(), "Home");
        f.RadioCouponExpire->setChecked(true);
        f.BtnHelp->click();
        f.BtnCancel->click();
    });
    Key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(modalRuns, 2);
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(shell->calls[0].helpContext, HelpContextOf("Coupons"));
    Play<TFormCoupon>([](TFormCoupon& f) {
        f.CheckStoreCoupon->setChecked(false);
        f.RadioCouponExpire->setChecked(true);
        f.DateTimeCouponExpire->setDate(QDate(2025, 12, 31));
        f.BtnOK->click();
    });
    Trigger(*form, "PItemContextCoupon");
    EXPECT_EQ(qm::ReadStoreString(form->StoreFilesContext(), "Mart", "Dairy", "Eggs"),
              "M2,-,,-,1,-,1,-,46022,-,0");
    EXPECT_EQ(PanelText(*form, 2), "Items to buy: 5.  With coupons: 0");
}

TEST_F(StoreCommandsTest, TheNoteDialogRefusesANoteTheLineCannotHold)
{
    Start();
    form->SelectRow(1, 0); // Kiwi
    Play<TFormNote>([this](TFormNote& f) {
        EXPECT_EQ(f.EditNote->text(), "ripe");
        EXPECT_EQ(f.EditNote->selectedText(), "ripe");
        EXPECT_EQ(f.focusWidget(), f.EditNote);
        dialogs->expectBox("\",-,\", which separates the fields of an item");
        f.EditNote->setText("2 for 1,-,cheap");
        f.BtnOK->click();
        EXPECT_TRUE(f.isVisible());
        f.BtnHelp->click();
        f.BtnCancel->click();
    });
    Click(*form, "BtnEditNote");
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(shell->calls[0].helpContext, HelpContextOf("Notes"));
    EXPECT_EQ(Read("Home"), Selected(kHome, "Kiwi&-&Fruit"));

    Play<TFormNote>([](TFormNote& f) {
        f.EditNote->setText("very ripe, -2 days");
        f.BtnOK->click();
    });
    Key(Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_EQ(qm::ReadStoreString(form->StoreFilesContext(), "Home", "Fruit", "Kiwi"),
              "A2,-,very ripe, -2 days,-,3,-,0,-,46050,-,0");
    EXPECT_EQ(Item(1, 0).Note, "very ripe, -2 days");
    EXPECT_EQ(form->ShopList.Aisles[1].Cats[0].Items[0].Note, "very ripe, -2 days");
}

// A note or coupon that the file cannot take is reported, and the item, its row and the
// shopping list keep what they had.
TEST_F(StoreCommandsTest, ANoteOrCouponThatCannotBeWrittenStaysAsItWas)
{
    Start();
    form->SelectRow(0, 2); // Milk: "low fat", coupon until day 46100
    const std::string before = Read("Home");
    const QString totals = PanelText(*form, 2);
    fs::remove(IniFile::LockFileFor(File("Home")));
    fs::create_directory(IniFile::LockFileFor(File("Home"))); // the file cannot be rewritten now

    Play<TFormNote>([](TFormNote& f) {
        f.EditNote->setText("skimmed");
        f.BtnOK->click();
    });
    dialogs->expectBox("");
    Click(*form, "BtnEditNote");
    EXPECT_EQ(dialogs->seen().size(), 1u);
    EXPECT_EQ(Item(0, 2).Note, "low fat");
    EXPECT_EQ(form->ShopList.Aisles[0].Cats[0].Items[0].Note, "low fat");

    Play<TFormCoupon>([](TFormCoupon& f) {
        f.CheckCoupon->setChecked(false);
        f.CheckStoreCoupon->setChecked(false);
        f.BtnOK->click();
    });
    dialogs->expectBox("");
    Click(*form, "BtnCoupon");
    EXPECT_EQ(dialogs->seen().size(), 2u);
    EXPECT_TRUE(Item(0, 2).HasCoupon);
    EXPECT_EQ(Item(0, 2).CouponExpire, 46100);
    EXPECT_TRUE(Checked(*form, "MItemItemCoupon"));
    EXPECT_EQ(PanelText(*form, 2), totals);
    EXPECT_EQ(Read("Home"), before);
}

TEST_F(StoreCommandsTest, CopyItemWritesTheItemIntoTheChosenStore)
{
    Start();
    form->SelectRow(1, 0); // Kiwi
    Play<TFormCopyItem>([](TFormCopyItem& f) {
        ASSERT_EQ(f.ComboStores->count(), 2);
        EXPECT_EQ(f.ComboStores->itemText(0), "Corner");
        EXPECT_EQ(f.ComboStores->itemText(1), "Mart");
        EXPECT_EQ(f.ComboStores->currentIndex(), -1);
        EXPECT_FALSE(f.CheckCopyAisle->isChecked());
        EXPECT_EQ(f.LabelItemName->text(), "Kiwi");
        EXPECT_EQ(f.LabelCatName->text(), "Fruit");
        f.BtnHelp->click();
        f.BtnOK->click(); // no store chosen: said so, and nothing written
    });
    dialogs->expectBox("You must choose a store.");
    Trigger(*form, "PItemContextCopyItem");
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(shell->calls[0].helpContext, HelpContextOf("Copying an item to another store"));
    EXPECT_EQ(Read("Mart"), kMart);

    Play<TFormCopyItem>([](TFormCopyItem& f) {
        f.ComboStores->setCurrentIndex(1);
        f.BtnOK->click();
    });
    Trigger(*form, "MItemItemCopy");
    EXPECT_EQ(Read("Mart"), kMart + "[Fruit]\r\nKiwi=,-,ripe,-,3,-,0,-,46050,-,0\r\n");
    // The copy's coupon is carried back as any write's is; the store itself is not reloaded.
    EXPECT_EQ(qm::ReadStoreString(form->StoreFilesContext(), "Home", "Fruit", "Kiwi"),
              "A2,-,ripe,-,3,-,0,-,46050,-,0");

    Play<TFormCopyItem>([](TFormCopyItem& f) {
        f.ComboStores->setCurrentIndex(1);
        f.CheckCopyAisle->setChecked(true);
        f.BtnOK->click();
    });
    dialogs->expectBox("Kiwi already exists in Fruit in the store \"Mart\". Replace it?", mrYes);
    Trigger(*form, "MItemItemCopy");
    EXPECT_EQ(qm::ReadStoreString(form->StoreFilesContext(), "Mart", "Fruit", "Kiwi"),
              "A2,-,ripe,-,3,-,0,-,46050,-,0");
}

TEST_F(StoreCommandsTest, WithASingleStoreCopyItemOffersNoStoreAndWritesNothing)
{
    fs::remove(File("Mart"));
    fs::remove(File("Corner"));
    Start();
    form->SelectRow(1, 0);
    Play<TFormCopyItem>([](TFormCopyItem& f) {
        EXPECT_EQ(f.ComboStores->count(), 0);
        f.BtnOK->click();
    });
    Trigger(*form, "MItemItemCopy");
    EXPECT_EQ(modalRuns, 1);
    EXPECT_EQ(Read("Home"), Selected(kHome, "Kiwi&-&Fruit"));
    EXPECT_FALSE(fs::exists(File("Mart")));
}

TEST_F(StoreCommandsTest, TheQuantityEntriesOfTheItemMenuChangeTheSelectedItem)
{
    Start();
    form->SelectRow(0, 0); // Butter, quantity 0
    Choose(*form, "MItemItemQty", "MItemItemQtyDown");
    EXPECT_EQ(qm::ReadStoreString(form->StoreFilesContext(), "Home", "Dairy", "Butter"),
              "A1,-,salted,-,0,-,0,-,0,-,0");
    Choose(*form, "MItemItemQty", "MItemItemQtyUp");
    EXPECT_EQ(Item(0, 0).Qty, 1);
    EXPECT_EQ(PanelText(*form, 2), "Items to buy: 6.  With coupons: 1");
}

// Each command opens its dialog, whose Help button opens its topic; without a row or a store to
// work on, a command opens none.
TEST_F(StoreCommandsTest, EachDialogCommandOpensItsDialogWithItsHelp)
{
    const std::string home = kHome + "[--Errands--]\r\nBank=1\r\n";
    qmtest::WriteFile(File("Home"), home);
    Start();
    const QMShopListCat& errands = form->ShopList.Aisles[0].Cats[0];
    ASSERT_EQ(errands.CategoryIndex, kErrandRow);
    // The button or menu entry, or else an errand line of the shopping list, and the dialog it opens.
    struct Case {
        QString way;
        const char *name, *caption;
        int help;
    };
    const Case cases[] = {
        {"BtnEditItem", "FormEditItem", "Edit Item", HelpContextOf("Editing an item")},
        {"PItemContextEdit", "FormEditItem", "Edit Item", HelpContextOf("Editing an item")},
        {"BtnAddItem", "FormAddItem", "Add Item", HelpContextOf("Adding an item")},
        {"PItemAddItem", "FormAddItem", "Add Item", HelpContextOf("Adding an item")},
        {"PItemContextAddMult", "FormAddMultItems", "Add Multiple Items",
         HelpContextOf("Adding several items at once")},
        {"MItemItemAddMult", "FormAddMultItems", "Add Multiple Items",
         HelpContextOf("Adding several items at once")},
        {"BtnCategoryEdit", "FormEditCategory", "Edit Category", HelpContextOf("Editing a category")},
        {"BtnCategoryAdd", "FormAddCategory", "Add Category", HelpContextOf("Adding a category")},
        {"PItemContextCopyCat", "FormCopyCategory", "Copy Category",
         HelpContextOf("Copying a category to another store")},
        {"MItemCategoryChangeAisle", "FormEditCatAisle", "Change Aisle/Dept. for Category",
         HelpContextOf("Changing a category's aisle")},
        {"MItemFileNewStore", "FormNewStore", "New Store Wizard...", HelpContextOf("Creating a new store")},
        {"BtnNewStore", "FormNewStore", "New Store Wizard...", HelpContextOf("Creating a new store")},
        {"MItemStoreEditAisles", "FormAisles", "Edit Aisles / Departments",
         HelpContextOf("Editing aisles and departments")},
        {"BtnEditAisles", "FormAisles", "Edit Aisles / Departments",
         HelpContextOf("Editing aisles and departments")},
        {"MItemStoreEditErrands", "FormErrands", "Errands", HelpContextOf("Errands")},
        {"BtnErrand", "FormErrands", "Errands", HelpContextOf("Errands")},
        {"", "FormErrands", "Errands", HelpContextOf("Errands")},
    };
    for (const Case& c : cases) {
        QString name, caption;
        SetModalHook([&](QDialog& d) {
            name = d.objectName();
            caption = d.windowTitle();
            Click(d, "BtnHelp");
            return int(mrCancel);
        });
        if (c.way.isEmpty())
            ClickAt(Control(*form, "ImageShoppingList"), 10, form->ShopListRows().Line(0, 0, 0).RowTop + 2);
        else
            c.way.startsWith("Btn") ? Click(*form, c.way) : Trigger(*form, c.way);
        EXPECT_EQ(name, c.name) << c.way.toStdString();
        EXPECT_EQ(caption, c.caption);
        ASSERT_FALSE(shell->calls.empty()) << c.name;
        EXPECT_EQ(shell->calls.back().helpContext, c.help) << c.name;
    }
    EXPECT_EQ(Read("Home"), home);

    SetModalHook([&](QDialog&) {
        ADD_FAILURE() << "no dialog expected";
        return int(mrCancel);
    });
    form->SelectRow(1, -1); // a category row: no item to edit
    Trigger(*form, "MItemItemEdit");
    Control<QComboBox>(*form, "ComboStores").setCurrentIndex(-1); // no store: no aisles or errands to edit
    Trigger(*form, "MItemStoreEditAisles");
    Click(*form, "BtnErrand");
}

} // namespace
