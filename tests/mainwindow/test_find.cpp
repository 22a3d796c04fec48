// The find bar, the quick-find box and the status-bar hints, driven as a user would: typing
// into the boxes, clicking their buttons and moving the mouse over the window.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>
#include <QTimer>
#include <QToolTip>
#include <filesystem>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/gui/StatusBar.h"
#include "platform/gui/ToolBar.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;
namespace fs = std::filesystem;

const TDateTime kToday = 46000;

class FindTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetClock(kToday + 0.75);
        SetLastStore("Shop");
        // Hidden Cats collapses Pantry, whose Mints must still be found.
        qmtest::WriteFile(stores + "Shop.store", "[--Info--]\r\nAisles=A1,,Mid,,\r\n"
                                                 "[--Hidden Cats--]\r\nPantry=1\r\n"
                                                 "[Dairy]\r\nButter=A1,-,,-,0\r\nMILK=A1,-,,-,2\r\n"
                                                 "Yogurt=A1,-,mild,-,0\r\n"
                                                 "[Fruit]\r\nApples=Mid,-,,-,0\r\nKiwi=A1,-,,-,0\r\n"
                                                 "[Pantry]\r\nMints=A1,-,,-,0\r\nRice=A1,-,,-,0\r\n");
        qmtest::WriteFile(stores + "Tiny.store", "[Bakery]\r\nBread=,-,,-,0\r\n");
    }
    std::unique_ptr<TFormMain> Start()
    {
        auto form = std::make_unique<TFormMain>();
        form->FormCreate();
        form->Loading = false;
        form->resize(1100, 700);
        form->show();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        form->ImageItemList->setFocus();
        form->FormResize();
        return form;
    }
    static std::pair<int, int> Sel(const TFormMain& form)
    {
        return {form.Store.SelCategory, form.Store.SelItem};
    }
    static void Move(QWidget* w, int x, int y)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    static QString Hint(const TFormMain& form) { return form.StatusBar->PanelText(0); }
};

TEST_F(FindTest, TypingSearchesNamesNotesAndAislesAndStepsThroughTheMatches)
{
    auto form = Start();
    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(form->ToolbarSearch->isVisible());
    ASSERT_EQ(form->focusWidget(), form->EditSearch);

    // "mi": MILK by name, Yogurt by its note "mild", Apples by its aisle "Mid", Mints (in the
    // collapsed Pantry) by name; not the aisle A1 nor a category name.
    QTest::keyClicks(form->EditSearch, "mi");
    EXPECT_EQ(form->LabelResults->text(), "     Items Found: 4");
    EXPECT_EQ(form->FindHits, (std::vector<std::pair<int32_t, int32_t>>{{0, 1}, {0, 2}, {1, 0}, {2, 0}}));
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));

    form->BtnSearchNext->click();
    form->BtnSearchNext->click();
    EXPECT_EQ(Sel(*form), std::make_pair(1, 0));
    form->BtnSearchNext->click(); // into the collapsed category, which opens
    EXPECT_EQ(Sel(*form), std::make_pair(2, 0));
    EXPECT_TRUE(form->Store.Categories[2].Expanded);
    form->BtnSearchNext->click(); // after the last: the first
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));
    form->BtnSearchLast->click(); // before the first: the last
    EXPECT_EQ(Sel(*form), std::make_pair(2, 0));
    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));

    // No match: nothing moves.
    QTest::keyClicks(form->EditSearch, "zz");
    EXPECT_EQ(form->LabelResults->text(), "     Items Found: 0");
    form->BtnSearchNext->click();
    form->BtnSearchLast->click();
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));
    form->EditSearch->clear();
    EXPECT_EQ(form->FindHitCount, 0);

    form->BtnSearchClose->click();
    EXPECT_FALSE(form->ToolbarSearch->isVisible());
    EXPECT_EQ(form->focusWidget(), form->ImageItemList);
}

// The find bar's picture is an image control 22 pixels square that shows its 36 x 36 bitmap
// resized to fit, blended over the bar's colour with the bilinear resampler.
TEST_F(FindTest, TheFindBarPictureIsItsBitmapResizedIntoA22PixelImage)
{
    auto form = Start();
    form->MItemEditFindClick();
    QApplication::processEvents();
    auto* image = form->ToolbarSearch->findChild<TImage32*>("ImageSearch");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size(), QSize(22, 22));
    TBitmap32& picture = image->Bitmap();
    EXPECT_EQ(picture.Width, 36);
    EXPECT_EQ(picture.Height, 36);
    EXPECT_EQ(image->ScaleMode(), smResize);
    EXPECT_EQ(picture.DrawMode(), dmBlend);
    EXPECT_EQ(picture.ResamplerClassName(), "TLinearResampler");
    const TRect shown = image->GetBitmapRect();
    EXPECT_EQ(std::tuple(shown.Left, shown.Top, shown.Right, shown.Bottom), std::tuple(0, 0, 22, 22));

    // On screen: the bar's colour where the picture is clear, the lens's handle where it runs.
    const QImage screen = image->grab().toImage();
    ASSERT_EQ(screen.size(), QSize(22, 22));
    EXPECT_EQ(screen.pixelColor(0, 0), form->ToolbarSearch->palette().color(QPalette::Window));
    EXPECT_LT(screen.pixelColor(16, 16).lightness(), 100);
}

TEST_F(FindTest, HitsOfAnotherStoreAreNeverSelected)
{
    auto form = Start();
    form->MItemEditFindClick();
    QTest::keyClicks(form->EditSearch, "i"); // six matches in Shop
    ASSERT_EQ(form->FindHitCount, 6);
    form->ComboStores->setCurrentIndex(form->ComboStores->findText("Tiny"));
    form->LoadStore("Tiny");
    EXPECT_EQ(form->FindHitCount, 0);
    EXPECT_TRUE(form->FindHits.empty());
    form->MItemEditFindNextClick();
    form->MItemEditFindPreviousClick();
    EXPECT_EQ(Sel(*form), std::make_pair(-1, -1));
}

TEST_F(FindTest, TheQuickFindBoxListsEveryNameSortedAndSelectsTheChosenRow)
{
    auto form = Start();
    form->ComboFind->setFocus();
    form->ComboFindEnter();
    const QStringList names = Texts(form->ComboFind);
    EXPECT_EQ(names, QStringList({"Apples", "Butter", "Dairy", "Fruit", "Kiwi", "MILK", "Mints", "Pantry",
                                  "Rice", "Yogurt"}));
    // Entering again refills without duplicates and keeps what the box shows.
    form->ComboFind->setEditText("Ki");
    form->ComboFindEnter();
    EXPECT_EQ(form->ComboFind->count(), 10);
    EXPECT_EQ(form->ComboFind->currentText(), "Ki");

    form->ComboFind->setCurrentIndex(names.indexOf("Dairy"));
    emit form->ComboFind->activated(names.indexOf("Dairy"));
    EXPECT_EQ(Sel(*form), std::make_pair(0, -1)); // the category row
    // Typing a name and Enter chooses it and gives the keyboard back to the item list.
    form->ComboFind->setFocus();
    form->ComboFind->setEditText("milk");
    QTest::keyClick(form->ComboFind, Qt::Key_Return);
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));
    EXPECT_EQ(form->focusWidget(), form->ImageItemList);
}

TEST_F(FindTest, ChoosingFromTheBoxsOwnListSelectsTheRowAndGivesTheKeyboardBack)
{
    auto form = Start();
    form->SelectRow(2, 1); // Rice
    // The box takes the focus, fills its list and drops it down.
    form->ComboFind->setFocus();
    form->ComboFind->showPopup();
    QAbstractItemView* list = form->ComboFind->view();
    ASSERT_TRUE(list->isVisible());
    const int kiwi = form->ComboFind->findText("Kiwi");
    ASSERT_GE(kiwi, 0);
    const QRect r = list->visualRect(list->model()->index(kiwi, 0));
    QTest::mouseMove(list->viewport(), r.center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(Sel(*form), std::make_pair(1, 1));
    EXPECT_EQ(form->focusWidget(), form->ImageItemList);

    // Dropped down and closed without a choice: the selection stays, the keyboard comes back.
    form->ComboFind->setFocus();
    form->ComboFind->showPopup();
    ASSERT_TRUE(list->isVisible());
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(Sel(*form), std::make_pair(1, 1));
    EXPECT_EQ(form->focusWidget(), form->ImageItemList);
}

// The quick-find box is the window's only tab stop: Tab, Shift+Tab and Escape leave it for
// the item list, whether its list is dropped down or not, and the arrow keys then move the
// selection again.
TEST_F(FindTest, TabShiftTabAndEscapeLeaveTheQuickFindBoxForTheItemList)
{
    auto form = Start();
    form->SelectRow(1, 1); // Kiwi
    for (const auto& [key, mods] :
         {std::pair{Qt::Key_Tab, Qt::NoModifier}, std::pair{Qt::Key_Backtab, Qt::ShiftModifier},
          std::pair{Qt::Key_Escape, Qt::NoModifier}}) {
        form->ComboFind->setFocus(Qt::MouseFocusReason);
        ASSERT_EQ(form->focusWidget(), form->ComboFind);
        QTest::keyClick(form->ComboFind, key, mods);
        EXPECT_EQ(form->focusWidget(), form->ImageItemList) << key;
        EXPECT_EQ(Sel(*form), std::make_pair(1, 1)) << key;
    }
    QTest::keyClick(form->ImageItemList, Qt::Key_Up);
    EXPECT_EQ(Sel(*form), std::make_pair(1, 0));

    // Typed into from the item list, the box shows its list under it; Shift+Tab reaches the
    // box through that list.
    QTest::keyClick(form->ImageItemList, Qt::Key_K, Qt::NoModifier);
    ASSERT_EQ(form->focusWidget(), form->ComboFind);
    QWidget* popup = form->ComboFind->completer()->popup();
    ASSERT_TRUE(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(form->focusWidget(), form->ImageItemList);
}

TEST_F(FindTest, ToolButtonsAndBarsExplainThemselvesInTheStatusBar)
{
    auto form = Start();
    Move(form->BtnQtyUp, 3, 3);
    EXPECT_EQ(Hint(*form), "Click to increase the quantity.");
    form->SelectRow(0, -1);
    Move(form->BtnCut, 3, 3);
    EXPECT_EQ(Hint(*form), "Cut all items in this category to the clipboard.");
    form->SelectRow(0, 0);
    Move(form->BtnCopy, 3, 3);
    EXPECT_EQ(Hint(*form), "Copy this item to the clipboard.");
    Move(form->BtnSortByCategory, 3, 3);
    EXPECT_EQ(Hint(*form), "Resort the shopping list by item category.");
    Move(form->ToolBar, form->ToolBar->width() - 2, 2);
    EXPECT_EQ(Hint(*form), "");
    // Every button of the three bars has its text.
    for (TToolBar* bar : {form->ToolBar, form->ToolBarItem, form->ToolBarShopAlign})
        for (QToolButton* b : bar->Buttons())
            EXPECT_FALSE(form->ToolButtonHint(b).empty()) << b->objectName().toStdString();
}

TEST_F(FindTest, TheItemListExplainsTheSpotUnderThePointer)
{
    auto form = Start();
    form->SelectRow(0, 1); // MILK
    const ItemListLayout& rows = form->ItemListRows();
    const int midY = rows.ItemTop(0, 1) + rows.ItemRowHeight / 2;
    Move(form->ImageItemList, form->ColBuyX + 1, midY);
    EXPECT_EQ(Hint(*form), "Click to remove \"MILK\" from your shopping list.");
    Move(form->ImageItemList, form->ColBuyX + 1, rows.ItemTop(0, 0) + 3);
    EXPECT_EQ(Hint(*form), "Click to add \"Butter\" to your shopping list.");
    Move(form->ImageItemList, form->QtyArrowX + 1, rows.ItemTop(0, 1) + 2);
    EXPECT_EQ(Hint(*form), "Click to increase quantity of \"MILK\" in your shopping list.");
    Move(form->ImageItemList, form->QtyArrowX + 1, rows.ItemTop(0, 1) + rows.ItemRowHeight - 2);
    EXPECT_EQ(Hint(*form), "Click to decrease quantity of \"MILK\" in your shopping list.");
    Move(form->ImageItemList, form->EditBtnX + 1, midY);
    EXPECT_EQ(Hint(*form), "Click to edit \"MILK\".");
    Move(form->ImageItemList, form->CouponBtnX + 1, midY);
    EXPECT_EQ(Hint(*form), "Click to enter a coupon for \"MILK\".");
    Move(form->ImageItemList, form->NoteBtnX + 1, midY);
    EXPECT_EQ(Hint(*form), "Click to enter a note for \"MILK\".");
    // The same spot of a row that is not selected says nothing.
    Move(form->ImageItemList, form->EditBtnX + 1, rows.ItemTop(0, 2) + 3);
    EXPECT_EQ(Hint(*form), "");

    form->SelectRow(1, -1); // Fruit's own row, the marker and its edit button
    Move(form->ImageItemList, form->ExpandGlyphX + 1, rows.CategoryTop(1) + 4);
    EXPECT_EQ(Hint(*form), "Click to collapse \"Fruit\".");
    Move(form->ImageItemList, form->CatEditBtnX + 1, rows.CategoryTop(1) + 4);
    EXPECT_EQ(Hint(*form), "Click to edit \"Fruit\".");
    // The first category's row answers as well; below the last row nothing does.
    form->SelectRow(0, -1);
    Move(form->ImageItemList, form->ExpandGlyphX + 1, rows.CategoryTop(0) + 4);
    EXPECT_EQ(Hint(*form), "Click to collapse \"Dairy\".");
    Move(form->ImageItemList, 5, form->ImageItemList->height() - 2);
    EXPECT_EQ(Hint(*form), "");
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
    auto form = Start();
    ASSERT_EQ(form->Store.Categories[0].Items[1].Name, "Milk");
    Move(form->ImageItemList, form->CouponBtnX + 1, form->ItemListRows().ItemTop(0, 1) + 3);
    EXPECT_EQ(form->ImageItemList->toolTip(), "1 day left\nThis Store Only");
    Move(form->ImageItemList, form->CouponBtnX + 1, form->ItemListRows().ItemTop(0, 0) + 3);
    EXPECT_EQ(form->ImageItemList->toolTip(), "");
}

TEST_F(FindTest, TheCouponTooltipGoesOnceThePointerLeavesTheCoupon)
{
    qmtest::WriteFile(stores + "Shop.store",
                      "[Dairy]\r\nMilk=,-,,-,1,-,1,-,46001,-,0,-,\r\nEggs=,-,,-,1\r\n");
    auto form = Start();
    form->TimerTip->stop(); // no tip of the day over the list while the test waits
    // The move handler alone, without the toolkit's tooltip timer that a mouse event starts.
    const QPoint at(form->CouponBtnX + 1, form->ItemListRows().ItemTop(0, 1) + 3);
    form->ImageItemListMouseMove(form->ImageItemList, {}, at.x(), at.y(), nullptr);
    QHelpEvent rest(QEvent::ToolTip, at, form->ImageItemList->mapToGlobal(at)); // the pointer rests
    QApplication::sendEvent(form->ImageItemList, &rest);
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
    form->ImageItemListMouseMove(form->ImageItemList, {}, at.x(), form->ItemListRows().ItemTop(0, 0) + 3,
                                 nullptr);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000));
    qApp->removeEventFilter(&hold);
}

TEST_F(FindTest, TheShoppingListInvitesToSelectOrToEditTheErrands)
{
    qmtest::WriteFile(stores + "Shop.store", "[--Errands--]\r\nBank=1\r\n[Dairy]\r\nMilk=,-,,-,2\r\n");
    auto form = Start();
    form->DrawShoppingList();
    std::vector<QString> seen;
    for (int y = 0; y < form->ImageShoppingList->height(); y += 2) {
        Move(form->ImageShoppingList, 10, y);
        if (seen.empty() || seen.back() != Hint(*form))
            seen.push_back(Hint(*form));
    }
    EXPECT_EQ(seen, (std::vector<QString>{"Click to edit the errands in your shopping list.",
                                          "Click to select \"Dairy\" in the Item List.",
                                          "Click to select \"Milk\" in the Item List.", ""}));
}

} // namespace
