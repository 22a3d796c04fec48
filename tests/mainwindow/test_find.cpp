// The find bar, the quick-find box and the status-bar hints, driven as a user would: typing
// into the boxes, clicking their buttons and moving the mouse over the window.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QHelpEvent>
#include <QTest>
#include <QToolButton>
#include <QTimer>
#include <QToolTip>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/gui/StatusBar.h"
#include "platform/gui/ToolBar.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;
using namespace qmtest;

const TDateTime kToday = 46000;

class FindTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetClock(kToday + 0.75);
        // Hidden Cats collapses Pantry, whose Mints must still be found.
        qmtest::WriteFile(stores + "Shop.store", "[--Info--]\r\nAisles=A1,,Mid,,\r\n"
                                                 "[--Hidden Cats--]\r\nPantry=1\r\n"
                                                 "[Dairy]\r\nButter=A1,-,,-,0\r\nMILK=A1,-,,-,2\r\n"
                                                 "Yogurt=A1,-,mild,-,0\r\n"
                                                 "[Fruit]\r\nApples=Mid,-,,-,0\r\nKiwi=A1,-,,-,0\r\n"
                                                 "[Pantry]\r\nMints=A1,-,,-,0\r\nRice=A1,-,,-,0\r\n");
        qmtest::WriteFile(stores + "Tiny.store", "[Bakery]\r\nBread=,-,,-,0\r\n");
    }
    // The window on Shop, shown and active, the item list with the keyboard.
    void Start()
    {
        MainWindowTest::Start("Shop");
        form->resize(1100, 700);
        form->show();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        Control(*form, "ImageItemList").setFocus();
        Relayout(*form);
    }
    // The status-bar hint once the pointer is at (x, y) of the control.
    static QString HintAt(QWidget& control, int x = 3, int y = 3)
    {
        MoveTo(control, x, y);
        return PanelText(*control.window(), 0);
    }
};

TEST_F(FindTest, TypingSearchesNamesNotesAndAislesAndStepsThroughTheMatches)
{
    Start();
    QWidget& bar = Control(*form, "ToolbarSearch");
    auto& edit = Control<QLineEdit>(*form, "EditSearch");
    Key(*form, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar.isVisible());
    ASSERT_EQ(form->focusWidget(), &edit);

    // "mi": MILK by name, Yogurt by its note "mild", Apples by its aisle "Mid", Mints (in the
    // collapsed Pantry) by name; not the aisle A1 nor a category name.
    QTest::keyClicks(&edit, "mi");
    EXPECT_EQ(Text(*form, "LabelResults"), "     Items Found: 4");
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));

    Click(*form, "BtnSearchNext");
    EXPECT_EQ(Sel(*form), std::make_pair(0, 2));
    Click(*form, "BtnSearchNext");
    EXPECT_EQ(Sel(*form), std::make_pair(1, 0));
    Click(*form, "BtnSearchNext"); // into the collapsed category, which opens
    EXPECT_EQ(Sel(*form), std::make_pair(2, 0));
    EXPECT_TRUE(form->Store.Categories[2].Expanded);
    Click(*form, "BtnSearchNext"); // after the last: the first
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));
    Click(*form, "BtnSearchLast"); // before the first: the last
    EXPECT_EQ(Sel(*form), std::make_pair(2, 0));
    Key(*form, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));

    // No match: nothing moves.
    QTest::keyClicks(&edit, "zz");
    EXPECT_EQ(Text(*form, "LabelResults"), "     Items Found: 0");
    Click(*form, "BtnSearchNext");
    Click(*form, "BtnSearchLast");
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));
    edit.clear();
    EXPECT_EQ(Text(*form, "LabelResults"), "     Items Found: 0");

    Click(*form, "BtnSearchClose");
    EXPECT_FALSE(bar.isVisible());
    EXPECT_EQ(form->focusWidget(), &Control(*form, "ImageItemList"));
}

// The find bar's picture is an image control 22 pixels square that shows its 36 x 36 bitmap
// resized to fit, blended over the bar's colour with the bilinear resampler.
TEST_F(FindTest, TheFindBarPictureIsItsBitmapResizedIntoA22PixelImage)
{
    Start();
    Trigger(*form, "MItemEditFind");
    QApplication::processEvents();
    QWidget& bar = Control(*form, "ToolbarSearch");
    auto& image = Control<TImage32>(bar, "ImageSearch");
    EXPECT_EQ(image.size(), QSize(22, 22));
    TBitmap32& picture = image.Bitmap();
    EXPECT_EQ(picture.Width, 36);
    EXPECT_EQ(picture.Height, 36);
    EXPECT_EQ(image.ScaleMode(), smResize);
    EXPECT_EQ(picture.DrawMode(), dmBlend);
    EXPECT_EQ(picture.ResamplerClassName(), "TLinearResampler");
    const TRect shown = image.GetBitmapRect();
    EXPECT_EQ(std::tuple(shown.Left, shown.Top, shown.Right, shown.Bottom), std::tuple(0, 0, 22, 22));

    // On screen: the bar's colour where the picture is clear, the lens's handle where it runs.
    const QImage screen = image.grab().toImage();
    ASSERT_EQ(screen.size(), QSize(22, 22));
    EXPECT_EQ(screen.pixelColor(0, 0), bar.palette().color(QPalette::Window));
    EXPECT_LT(screen.pixelColor(16, 16).lightness(), 100);
}

TEST_F(FindTest, HitsOfAnotherStoreAreNeverSelected)
{
    Start();
    Trigger(*form, "MItemEditFind");
    QTest::keyClicks(&Control(*form, "EditSearch"), "i"); // six matches in Shop
    ASSERT_EQ(Text(*form, "LabelResults"), "     Items Found: 6");
    form->SetCurrentStoreName("Tiny");
    form->LoadStore("Tiny");
    EXPECT_EQ(Text(*form, "LabelResults"), "");
    Trigger(*form, "MItemEditFindNext");
    Trigger(*form, "MItemEditFindPrevious");
    EXPECT_EQ(Sel(*form), std::make_pair(-1, -1));
}

TEST_F(FindTest, TheQuickFindBoxListsEveryNameSortedAndSelectsTheChosenRow)
{
    Start();
    auto& find = Control<QComboBox>(*form, "ComboFind");
    find.setFocus();
    FocusIn(find);
    EXPECT_EQ(Entries(*form, "ComboFind"), QStringList({"Apples", "Butter", "Dairy", "Fruit", "Kiwi", "MILK",
                                                        "Mints", "Pantry", "Rice", "Yogurt"}));
    // Entering again refills without duplicates and keeps what the box shows.
    find.setEditText("Ki");
    FocusIn(find);
    EXPECT_EQ(find.count(), 10);
    EXPECT_EQ(find.currentText(), "Ki");

    Pick(*form, "ComboFind", "Dairy");
    EXPECT_EQ(Sel(*form), std::make_pair(0, -1)); // the category row
    // Typing a name and Enter chooses it and gives the keyboard back to the item list.
    find.setFocus();
    find.setEditText("milk");
    QTest::keyClick(&find, Qt::Key_Return);
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));
    EXPECT_EQ(form->focusWidget(), &Control(*form, "ImageItemList"));
}

TEST_F(FindTest, ChoosingFromTheBoxsOwnListSelectsTheRowAndGivesTheKeyboardBack)
{
    Start();
    auto& find = Control<QComboBox>(*form, "ComboFind");
    QWidget* const items = &Control(*form, "ImageItemList");
    form->SelectRow(2, 1); // Rice
    // The box takes the focus, fills its list and drops it down.
    find.setFocus();
    find.showPopup();
    QAbstractItemView* list = find.view();
    ASSERT_TRUE(list->isVisible());
    const int kiwi = find.findText("Kiwi");
    ASSERT_GE(kiwi, 0);
    const QRect r = list->visualRect(list->model()->index(kiwi, 0));
    QTest::mouseMove(list->viewport(), r.center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(Sel(*form), std::make_pair(1, 1));
    EXPECT_EQ(form->focusWidget(), items);

    // Dropped down and closed without a choice: the selection stays, the keyboard comes back.
    find.setFocus();
    find.showPopup();
    ASSERT_TRUE(list->isVisible());
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(Sel(*form), std::make_pair(1, 1));
    EXPECT_EQ(form->focusWidget(), items);
}

// The quick-find box is the window's only tab stop: Tab, Shift+Tab and Escape leave it for
// the item list, whether its list is dropped down or not, and the arrow keys then move the
// selection again.
TEST_F(FindTest, TabShiftTabAndEscapeLeaveTheQuickFindBoxForTheItemList)
{
    Start();
    auto& find = Control<QComboBox>(*form, "ComboFind");
    QWidget* const items = &Control(*form, "ImageItemList");
    form->SelectRow(1, 1); // Kiwi
    for (const auto& [key, mods] :
         {std::pair{Qt::Key_Tab, Qt::NoModifier}, std::pair{Qt::Key_Backtab, Qt::ShiftModifier},
          std::pair{Qt::Key_Escape, Qt::NoModifier}}) {
        find.setFocus(Qt::MouseFocusReason);
        ASSERT_EQ(form->focusWidget(), &find);
        QTest::keyClick(&find, key, mods);
        EXPECT_EQ(form->focusWidget(), items) << key;
        EXPECT_EQ(Sel(*form), std::make_pair(1, 1)) << key;
    }
    QTest::keyClick(items, Qt::Key_Up);
    EXPECT_EQ(Sel(*form), std::make_pair(1, 0));

    // Typed into from the item list, the box shows its list under it; Shift+Tab reaches the
    // box through that list.
    QTest::keyClick(items, Qt::Key_K, Qt::NoModifier);
    ASSERT_EQ(form->focusWidget(), &find);
    QWidget* popup = find.completer()->popup();
    ASSERT_TRUE(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(form->focusWidget(), items);
}

TEST_F(FindTest, ToolButtonsAndBarsExplainThemselvesInTheStatusBar)
{
    Start();
    EXPECT_EQ(HintAt(Control(*form, "BtnQtyUp")), "Click to increase the quantity.");
    form->SelectRow(0, -1);
    EXPECT_EQ(HintAt(Control(*form, "BtnCut")), "Cut all items in this category to the clipboard.");
    form->SelectRow(0, 0);
    EXPECT_EQ(HintAt(Control(*form, "BtnCopy")), "Copy this item to the clipboard.");
    EXPECT_EQ(HintAt(Control(*form, "BtnSortByCategory")), "Resort the shopping list by item category.");
    QWidget& bar = Control(*form, "ToolBar");
    EXPECT_EQ(HintAt(bar, bar.width() - 2, 2), "");
    // Every button of the three bars has its text.
    for (const char* name : {"ToolBar", "ToolBarItem", "ToolBarShopAlign"})
        for (QToolButton* b : Control<TToolBar>(*form, name).Buttons())
            EXPECT_NE(HintAt(*b), "") << b->objectName().toStdString();
}

TEST_F(FindTest, TheItemListExplainsTheSpotUnderThePointer)
{
    Start();
    form->SelectRow(0, 1); // MILK
    const ItemListLayout& rows = form->ItemListRows();
    const ItemListColumnLayout& cols = form->ItemListColumns();
    QWidget& list = Control(*form, "ImageItemList");
    const int midY = rows.ItemTop(0, 1) + rows.ItemRowHeight / 2;
    EXPECT_EQ(HintAt(list, cols.ColBuyX + 1, midY), "Click to remove \"MILK\" from your shopping list.");
    EXPECT_EQ(HintAt(list, cols.ColBuyX + 1, rows.ItemTop(0, 0) + 3),
              "Click to add \"Butter\" to your shopping list.");
    EXPECT_EQ(HintAt(list, cols.QtyArrowX + 1, rows.ItemTop(0, 1) + 2),
              "Click to increase quantity of \"MILK\" in your shopping list.");
    EXPECT_EQ(HintAt(list, cols.QtyArrowX + 1, rows.ItemTop(0, 1) + rows.ItemRowHeight - 2),
              "Click to decrease quantity of \"MILK\" in your shopping list.");
    EXPECT_EQ(HintAt(list, cols.EditBtnX + 1, midY), "Click to edit \"MILK\".");
    EXPECT_EQ(HintAt(list, cols.CouponBtnX + 1, midY), "Click to enter a coupon for \"MILK\".");
    EXPECT_EQ(HintAt(list, cols.NoteBtnX + 1, midY), "Click to enter a note for \"MILK\".");
    // The same spot of a row that is not selected says nothing.
    EXPECT_EQ(HintAt(list, cols.EditBtnX + 1, rows.ItemTop(0, 2) + 3), "");

    form->SelectRow(1, -1); // Fruit's own row, the marker and its edit button
    EXPECT_EQ(HintAt(list, cols.ExpandGlyphX + 1, rows.CategoryTop(1) + 4), "Click to collapse \"Fruit\".");
    EXPECT_EQ(HintAt(list, cols.CatEditBtnX + 1, rows.CategoryTop(1) + 4), "Click to edit \"Fruit\".");
    // The first category's row answers as well; below the last row nothing does.
    form->SelectRow(0, -1);
    EXPECT_EQ(HintAt(list, cols.ExpandGlyphX + 1, rows.CategoryTop(0) + 4), "Click to collapse \"Dairy\".");
    EXPECT_EQ(HintAt(list, 5, list.height() - 2), "");
}

TEST_F(FindTest, TheCouponTooltipCountsDownFromTheClock)
{
    QMItem item;
    item.HasCoupon = true;
    const std::pair<double, const char*> cases[] = {
        {0, "Never Expires"},          {100, "Never Expires"},        {kToday + 61, "2 months left"},
        {kToday + 60, "8 weeks left"}, {kToday + 15, "2 weeks left"}, {kToday + 14, "14 days left"},
        {kToday + 1, "1 day left"},    {kToday + 0.9, "0 days left"}, {kToday, "0 days left"},
    };
    for (const auto& [expiry, text] : cases) {
        item.CouponExpire = expiry;
        EXPECT_EQ(TFormMain::CouponHint(item, kToday + 0.75), text) << expiry;
    }
    item.IsStoreCoupon = true;
    item.CouponExpire = 0;
    EXPECT_EQ(TFormMain::CouponHint(item, kToday), "Never Expires\rThis Store Only");

    // Over the coupon square of any row with a coupon, selected or not.
    qmtest::WriteFile(stores + "Shop.store",
                      "[Dairy]\r\nMilk=,-,,-,1,-,1,-,46001,-,1,-,\r\nEggs=,-,,-,1\r\n");
    Start();
    ASSERT_EQ(form->Store.Categories[0].Items[1].Name, "Milk");
    QWidget& list = Control(*form, "ImageItemList");
    const int x = form->ItemListColumns().CouponBtnX + 1;
    MoveTo(list, x, form->ItemListRows().ItemTop(0, 1) + 3);
    EXPECT_EQ(list.toolTip(), "1 day left\nThis Store Only");
    MoveTo(list, x, form->ItemListRows().ItemTop(0, 0) + 3);
    EXPECT_EQ(list.toolTip(), "");
}

TEST_F(FindTest, TheCouponTooltipGoesOnceThePointerLeavesTheCoupon)
{
    qmtest::WriteFile(stores + "Shop.store",
                      "[Dairy]\r\nMilk=,-,,-,1,-,1,-,46001,-,0,-,\r\nEggs=,-,,-,1\r\n");
    Start();
    Control<QTimer>(*form, "TimerTip").stop(); // no tip of the day over the list while the test waits
    // A move sent to the list, unlike one from the screen, starts no tooltip timer of the toolkit.
    QWidget& list = Control(*form, "ImageItemList");
    const QPoint at(form->ItemListColumns().CouponBtnX + 1, form->ItemListRows().ItemTop(0, 1) + 3);
    MoveTo(list, at.x(), at.y());
    QHelpEvent rest(QEvent::ToolTip, at, list.mapToGlobal(at)); // the pointer rests
    QApplication::sendEvent(&list, &rest);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "1 day left");
    // The offscreen platform reports a window focus change once a tooltip shows, which closes
    // it at once; a desktop does not, so that report is held back here.
    struct HoldFocusReports : QObject {
        bool eventFilter(QObject* o, QEvent* e) override
        {
            return o->isWindowType() && (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut);
        }
    } hold;
    qApp->installEventFilter(&hold);
    // Off the coupon (onto Eggs, which has none) the tooltip goes after its short fade, rather
    // than standing beside a row it does not belong to.
    MoveTo(list, at.x(), form->ItemListRows().ItemTop(0, 0) + 3);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000));
    qApp->removeEventFilter(&hold);
}

TEST_F(FindTest, TheShoppingListInvitesToSelectOrToEditTheErrands)
{
    qmtest::WriteFile(stores + "Shop.store", "[--Errands--]\r\nBank=1\r\n[Dairy]\r\nMilk=,-,,-,2\r\n");
    Start();
    form->DrawShoppingList();
    QWidget& list = Control(*form, "ImageShoppingList");
    std::vector<QString> seen;
    for (int y = 0; y < list.height(); y += 2)
        if (const QString hint = HintAt(list, 10, y); seen.empty() || seen.back() != hint)
            seen.push_back(hint);
    EXPECT_EQ(seen, (std::vector<QString>{"Click to edit the errands in your shopping list.",
                                          "Click to select \"Dairy\" in the Item List.",
                                          "Click to select \"Milk\" in the Item List.", ""}));
}

} // namespace
