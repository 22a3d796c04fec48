// The open store in the main window: the picker, loading with its window steps, the shopping
// list's status text and item writes, against real store files and a real registry.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "platform/gui/Splitter.h"
#include "platform/gui/StatusBar.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

class StoreWindowTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        fs::create_directories(stores + "sub");
        SetLastStore("beta");
        qmtest::WriteFile(stores + "Zed.store", "[Dairy]\r\nMilk=,-,,-,1\r\n");
        qmtest::WriteFile(stores + "beta.store", "[--Info--]\r\nAisles=A1,,A2,,\r\n[Dairy]\r\n"
                                                 "Milk=A1,-,,-,2,-,1,-,0,-,0,-,\r\nEggs=A2,-,,-,3\r\n"
                                                 "[Fruit]\r\nKiwi=A2,-,,-,0\r\n");
        qmtest::WriteFile(stores + "Alpha.store", "[--Info--]\r\nStoreURL=x\r\n");
        qmtest::WriteFile(stores + "sub/Aardvark.store", "[Dairy]\r\n");
    }
    std::unique_ptr<TFormMain> Start(const AnsiString& arg = {})
    {
        SetCommandLine(arg);
        auto form = std::make_unique<TFormMain>();
        form->FormCreate();
        return form;
    }
};

TEST_F(StoreWindowTest, StartUpOpensTheLastStoreAndShowsItInPickerCaptionAndStatusBar)
{
    auto form = Start();
    // Sorted by store name without regard to case; the subfolder's store is listed by its name.
    EXPECT_EQ(Entries(*form), QStringList({"Aardvark", "Alpha", "beta", "Zed"}));
    EXPECT_EQ(form->GetCurrentStoreName(), "beta");
    EXPECT_EQ(form->Store.Name, "beta");
    EXPECT_EQ(form->windowTitle(), "beta - Quillmart");
    EXPECT_EQ(ApplicationTitle(), "beta - Quillmart");
    EXPECT_EQ(PanelText(*form, 1), "Items in store: 3");
    EXPECT_EQ(PanelText(*form, 2), "Items to buy: 5.  With coupons: 1");
    EXPECT_TRUE(Enabled(*form, "BtnQtyUp"));
    EXPECT_FALSE(Enabled(*form, "BtnPaste")); // the item clipboard is empty

    // On screen the totals stand in the last panel, under the shopping list.
    form->show();
    QApplication::processEvents();
    const TStatusBar& bar = Control<TStatusBar>(*form, "StatusBar");
    EXPECT_EQ(bar.Panel(1)->width(), 120);
    EXPECT_EQ(bar.Panel(2)->x(), bar.Panel(1)->geometry().right() + 3);

    // Closing keeps the open store for the next start.
    form->close();
    EXPECT_EQ(RegReadString(kCompany, kProduct, "Settings", "Last Store"), "beta");
}

TEST_F(StoreWindowTest, TheCommandLineStoreWinsAndAnEmptyLastStoreOpensNothing)
{
    EXPECT_EQ(Start(stores + "Zed.store")->GetCurrentStoreName(), "Zed");

    RegWriteString(kCompany, kProduct, "Settings", "", "Last Store");
    auto form = Start();
    EXPECT_EQ(form->GetCurrentStoreName(), ""); // a filled picker selects nothing by itself
    EXPECT_EQ(form->windowTitle(), "Quillmart");
    form->close();
    EXPECT_EQ(RegReadString(kCompany, kProduct, "Settings", "Last Store"), "");
}

TEST_F(StoreWindowTest, AStoreInASubfolderIsListedButReportedMissingAndDropped)
{
    auto form = Start();
    form->Loading = false;
    form->SetCurrentStoreName("Aardvark");
    dialogs->expectBox("Store file \"Aardvark\" not found.");
    form->LoadStore("Aardvark");
    EXPECT_EQ(dialogs->seen().back().type, mtError);
    EXPECT_EQ(Entries(*form), QStringList({"Alpha", "beta", "Zed"}));
    // The open store stays, and the picker names it, so that closing remembers it.
    EXPECT_EQ(form->GetCurrentStoreName(), "beta");
    EXPECT_EQ(form->Store.Name, "beta");
    EXPECT_EQ(form->windowTitle(), "beta - Quillmart");
}

// A store picked whose file another program removed: said so, its entry goes, and the window
// stays on the store it shows, which the picker names and closing remembers for the next start.
TEST_F(StoreWindowTest, AFailedStoreSwitchKeepsTheStoreShownAsTheLastStore)
{
    auto form = Start();
    form->Loading = false;
    form->SelectRow(0, 0);
    fs::remove(stores + "Zed.store");
    dialogs->expectBox("Store file \"Zed\" not found.");
    Pick(*form, "ComboStores", "Zed");
    EXPECT_EQ(Entries(*form), QStringList({"Aardvark", "Alpha", "beta"}));
    EXPECT_EQ(Text(*form, "ComboStores"), "beta");
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(ReadStoreString(StoreContext{stores, {}}, "beta", "Dairy", "Eggs"), "A2,-,,-,4,-,0,-,0,-,0");
    Trigger(*form, "MItemFileExit");
    EXPECT_EQ(RegReadString(kCompany, kProduct, "Settings", "Last Store"), "beta");
    EXPECT_EQ(Start()->Store.Name, "beta");
}

TEST_F(StoreWindowTest, AStoreWithoutCategoriesDisablesTheButtonsThatNeedOne)
{
    RegWriteInteger(kCompany, kProduct, "Clipboard\\Milk", 2, "Qty");
    auto form = Start();
    EXPECT_TRUE(Enabled(*form, "BtnPaste"));
    QScrollBar& bar = Control<QScrollBar>(*form, "ShoppingListBar");
    bar.setMaximum(100);
    bar.setValue(40);
    form->LoadStore("Alpha");
    for (const char* b :
         {"BtnCut", "BtnCopy", "BtnPaste", "BtnResetStore", "BtnCategoryEdit", "BtnCategoryDelete",
          "BtnEditItem", "BtnAddItem", "BtnDeleteItem", "BtnQtyUp", "BtnQtyDown", "BtnCoupon", "BtnEditNote"})
        EXPECT_FALSE(Enabled(*form, b)) << b;
    EXPECT_EQ(bar.value(), 0);
}

TEST_F(StoreWindowTest, ExpiredCouponsAreReportedAndCarriedToThePickersStores)
{
    qmtest::WriteFile(stores + "Zed.store",
                      "[Dairy]\r\nMilk=Z,-,,-,1,-,1,-,46000,-,0\r\n[Fruit]\r\nKiwi=,-,,-,1\r\n");
    qmtest::WriteFile(
        stores + "beta.store",
        "[Dairy]\r\nMilk=A1,-,,-,2,-,1,-,46000,-,0,-,\r\n[Fruit]\r\nKiwi=,-,,-,1,-,1,-,46000,-,0\r\n");
    fs::create_directory(IniFile::LockFileFor(stores + "Alpha.store")); // Alpha's file cannot be rewritten
    qmtest::WriteFile(stores + "Alpha.store", "[Fruit]\r\nKiwi=,-,,-,1\r\n");
    dialogs->expectBox("\"Alpha\"");
    dialogs->expectBox("The following coupons have expired:\rDairy, Milk\rFruit, Kiwi\r");
    auto form = Start();
    EXPECT_EQ(dialogs->seen().back().type, mtInformation);
    EXPECT_EQ(qmtest::ReadFile(stores + "Zed.store"),
              "[Dairy]\r\nMilk=Z,-,,-,1,-,0,-,0,-,0\r\n[Fruit]\r\nKiwi=,-,,-,1,-,0,-,0,-,0\r\n");

    // An item write through the window carries the coupon the same way.
    form->ChangeItem(0, 0, [](QMItem& item) {
        item.HasCoupon = true;
        item.CouponExpire = 46100;
    });
    EXPECT_EQ(ReadStoreString(form->StoreFilesContext(), "Zed", "Dairy", "Milk"), "Z,-,,-,1,-,1,-,46100,-,0");
}

// A store with many expired coupons reports them in a box that fits the screen: the first
// line, the first entries, and how many more there are; a name too long for one line is cut.
TEST_F(StoreWindowTest, TheExpiredCouponReportFitsTheScreen)
{
    std::string text = "[Dairy]\r\n";
    for (int i = 0; i < 30; ++i)
        text += "Item " + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=,-,,-,1,-,1,-,46000,-,0\r\n";
    text += std::string(150, 'L') + "=,-,,-,1,-,1,-,46000,-,0\r\n";
    qmtest::WriteFile(stores + "beta.store", text);
    dialogs->expectBox("The following coupons have expired:\rDairy, Item 00\r");
    auto form = Start();
    const AnsiString box = dialogs->seen().back().text;
    EXPECT_EQ(std::count(box.begin(), box.end(), '\r'), 21);
    EXPECT_NE(box.find("\rDairy, Item 18\r\x85 and 12 more.\r"), AnsiString::npos) << box;
    EXPECT_EQ(form->Store.Categories[0].CouponCount, 31); // every coupon was cleared in the file
    EXPECT_EQ(qmtest::ReadFile(stores + "beta.store").find(",-,1,-,46000"), std::string::npos);

    text = "[Dairy]\r\n" + std::string(150, 'L') + "=,-,,-,1,-,1,-,46000,-,0\r\n";
    qmtest::WriteFile(stores + "beta.store", text);
    dialogs->expectBox("expired");
    form->LoadStore("beta");
    EXPECT_EQ(dialogs->seen().back().text,
              "The following coupons have expired:\rDairy, " + std::string(92, 'L') + "\x85\r");
}

// At the default window size every status-bar panel shows its text whole; the hint panel
// gives way.
TEST_F(StoreWindowTest, StatusBarPanelsShowTheirTextsWhole)
{
    auto form = Start();
    form->show();
    form->resize(1038, 713);
    Relayout(*form);
    TStatusBar* bar = &Control<TStatusBar>(*form, "StatusBar");
    bar->SetPanelText(0, "Raise the quantity of the selected item");
    for (const char* totals :
         {"Items to buy: 5.  With coupons: 0", "Items to buy: 64516.  With coupons: 64516"}) {
        bar->SetPanelText(1, "Items in store: 64516");
        bar->SetPanelText(2, totals);
        QApplication::processEvents();
        for (int i : {1, 2}) {
            const QLabel* panel = bar->Panel(i);
            EXPECT_GE(panel->width(),
                      panel->fontMetrics().horizontalAdvance(panel->text()) + 2 * panel->frameWidth())
                << totals;
            EXPECT_LE(panel->mapTo(bar, QPoint(panel->width(), 0)).x(), bar->width()) << totals;
        }
        EXPECT_EQ(
            bar->PanelWidth(2),
            Control<TSplitter>(*form, "SplitterLR").LastPanelSize()); // the widths the layout gives stay
        EXPECT_LT(bar->Panel(0)->width(), bar->PanelWidth(0));
    }

    // Short texts leave the panels the widths the layout gives.
    bar->SetPanelText(1, "Items in store: 6");
    bar->SetPanelText(2, "");
    QApplication::processEvents();
    EXPECT_EQ(bar->Panel(1)->width(), 120);
    EXPECT_EQ(bar->Panel(0)->width(), bar->PanelWidth(0));
}

// After start-up, and after the box of expired coupons, the keyboard is with the item list;
// a click on a row gives it back from the quick-find box, and the keypad then acts on the row.
TEST_F(StoreWindowTest, TheItemListHasTheKeyboardAfterStartUpAndAfterAClick)
{
    qmtest::WriteFile(stores + "beta.store",
                      "[Dairy]\r\nMilk=A1,-,,-,2,-,1,-,46000,-,0,-,\r\nEggs=A2,-,,-,3\r\n");
    dialogs->expectBox("The following coupons have expired:");
    auto form = Start();
    form->show();
    QApplication::setActiveWindow(form.get());
    QApplication::processEvents();
    TImage32& list = Control<TImage32>(*form, "ImageItemList");
    EXPECT_EQ(form->focusWidget(), &list);

    Control(*form, "ComboFind").setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    ASSERT_EQ(form->Store.Categories[0].Items[1].Name, "Milk");
    form->DrawItemList();
    // The control's own mouse-down, as the paint box hands it on (a click would take the
    // focus by itself).
    list.OnMouseDown(&list, mbLeft, 0, list.width() / 2, form->ItemListRows().ItemTop(0, 1) + 5, nullptr);
    EXPECT_EQ(form->focusWidget(), &list);
    EXPECT_EQ(form->Store.SelItem, 1);
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(form->Store.Categories[0].Items[1].Qty, 4);
    EXPECT_EQ(Text(*form, "ComboFind"), "Milk");
}

// Start-up removes the copies of stores that windows no longer running left behind.
TEST_F(StoreWindowTest, StartUpRemovesLeftoversOfWindowsThatNoLongerRun)
{
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string leftover = stores + "beta.store.tmp" + std::to_string(ended) + "-4";
    const std::string mine = stores + ".~qm" + std::to_string(getppid()) + "-1.tmp";
    const std::string lock = IniFile::LockFileFor(stores + "beta.store"); // its window was killed
    qmtest::WriteFile(leftover, "[Dairy]\r\n");
    qmtest::WriteFile(mine, "[Dairy]\r\n");
    qmtest::WriteFile(lock, "");
    auto form = Start();
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_FALSE(fs::exists(lock));
    EXPECT_TRUE(fs::exists(mine)); // a running process's file stays
}

} // namespace
