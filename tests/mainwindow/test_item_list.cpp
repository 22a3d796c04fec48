// The item list against real store files: its layout, drawing and hit tests, and the
// selection driven through the image with mouse events and through the window with keys.
#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <map>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "graphics/RasterBlend.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

const TDateTime kToday = 46000; // 9 December 2025

// The top of a row in the last drawing; item -1 is the category's row.
int Top(const TFormMain& form, int cat, int item = -1)
{
    return form.ItemListRows().RowTop(cat, item);
}

// Counts the commands whose dialogs come later.
class TestForm : public TFormMain {
public:
    std::map<std::string, int> runs;
    void MItemItemEditClick() override { ++runs["edit"]; }
    void MItemItemAddClick() override { ++runs["add"]; }
    void MItemItemAddMultClick() override { ++runs["addmult"]; }
    void MItemItemDeleteClick() override { ++runs["delete"]; }
    void MItemItemCouponClick() override { ++runs["coupon"]; }
    void MItemItemNotesClick() override { ++runs["notes"]; }
    void MItemCategoryEditClick() override { ++runs["catedit"]; }
    void MItemCategoryAddClick() override { ++runs["catadd"]; }
};

class ItemListTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetClock(kToday + 0.5);
        SetLastStore("Shop");
        qmtest::WriteFile(stores + "Shop.store", "[--Info--]\r\nAisles=A1,,A2,,\r\n"
                                                 "[Dairy]\r\nButter=A1,-,,-,0\r\nCheese=A1,-,,-,3\r\n"
                                                 "Milk=A1,-,low fat,-,2\r\n"
                                                 "[Fruit]\r\nApples=A2,-,,-,0\r\nKiwi=A2,-,,-,0\r\n"
                                                 "[Pantry]\r\nRice=A2,-,,-,0\r\n");
    }
    // A window on the store, its item list w x h pixels, drawn once.
    std::unique_ptr<TestForm> Start(int w = 600, int h = 400)
    {
        auto form = std::make_unique<TestForm>();
        form->FormCreate();
        form->Loading = false;
        list = &Control<TImage32>(*form, "ImageItemList");
        listHeader = &Control<TImage32>(*form, "ImageItemListHeader");
        bar = &Control<QScrollBar>(*form, "ItemListBar");
        cols = &form->ItemListColumns();
        list->resize(w, h);
        list->setFocus();
        form->DrawItemList();
        return form;
    }
    AnsiString Line(const AnsiString& section, const AnsiString& key)
    {
        return ReadStoreString(StoreContext{stores, {}}, "Shop", section, key);
    }

    // The started window's item list, its header, its scroll bar and its column layout.
    TImage32* list = nullptr;
    TImage32* listHeader = nullptr;
    QScrollBar* bar = nullptr;
    const ItemListColumnLayout* cols = nullptr;
};

TEST_F(ItemListTest, ColumnsFollowTheWidthWithAFloorOfFiftyPixelsAndNoCouponColumnWhenCouponsAreOff)
{
    auto form = Start(600, 300);
    EXPECT_EQ(cols->ColNameX, 80);
    EXPECT_EQ(cols->ColNotesX, 480);
    EXPECT_EQ(cols->ColCouponX, 415);
    EXPECT_EQ(cols->ColAisleX, 315);

    list->resize(300, 300);
    form->DrawItemList();
    EXPECT_EQ(cols->ColAisleX, 130); // 300 - 60 - 65 - 50 would leave less than 50 for names
    EXPECT_EQ(cols->ColCouponX, 180);
    EXPECT_EQ(cols->ColNotesX, 230);

    // Without coupons the Coupon column has no width and the aisle runs up to the notes.
    form->Store.AcceptsCoupons = false;
    form->DrawItemList();
    EXPECT_EQ(cols->ColNotesX, 240);
    EXPECT_EQ(cols->ColCouponX, 240);
    EXPECT_EQ(cols->ColAisleX, 190);
    list->resize(600, 300);
    form->DrawItemList();
    EXPECT_EQ(cols->ColCouponX, cols->ColNotesX);
    EXPECT_EQ(cols->ColAisleX, 380);

    // Without coupons the header has no Coupon groove: the one groove at the Notes edge (where
    // the Coupon edge lies too) looks like the Aisle groove. Nor has it the Coupon caption,
    // which is wider than "Notes" and would show beyond it.
    listHeader->resize(600, 18); // the hidden window's header follows the list once shown
    form->DrawItemListHeader();
    TBitmap32& header = listHeader->Bitmap();
    ASSERT_EQ(header.Width, 600);
    const TColor32 flat = header.PixelAt(200, 9);
    EXPECT_NE(header.PixelAt(cols->ColAisleX + 1, 9), flat);
    for (int y = 0; y < header.Height; ++y) {
        EXPECT_EQ(header.PixelAt(cols->ColNotesX, y), header.PixelAt(cols->ColAisleX, y)) << y;
        EXPECT_EQ(header.PixelAt(cols->ColNotesX + 1, y), header.PixelAt(cols->ColAisleX + 1, y)) << y;
        const int notesEnd = cols->ColNotesX + 2 + header.TextWidth("Notes") + 2;
        for (int x = notesEnd; x < cols->ColNotesX + 2 + header.TextWidth("Coupon") + 2; ++x)
            ASSERT_EQ(header.PixelAt(x, y), header.PixelAt(200, y)) << x << "," << y;
    }
    form->Store.AcceptsCoupons = true;
    form->DrawItemList();
    form->DrawItemListHeader();
    EXPECT_NE(header.PixelAt(cols->ColCouponX + 1, 9), flat);
}

// Column titles end before the next column's groove, cut short with an ellipsis when the
// column is too narrow for them, as in a narrow window where the columns lie 50 pixels apart.
TEST_F(ItemListTest, AColumnTitleTooWideForItsColumnIsCutShortBeforeTheNextGroove)
{
    auto form = Start(300, 300);
    form->Store.AcceptsCoupons = true;
    form->DrawItemList();
    ASSERT_EQ(cols->ColCouponX - cols->ColAisleX, 50);
    listHeader->resize(300, 18);
    form->DrawItemListHeader();
    TBitmap32& header = listHeader->Bitmap();
    ASSERT_GT(header.TextWidth("Aisle/Dept."), 50);
    ASSERT_GT(header.TextWidth("Coupon"), 50);
    // Left of each groove only the strip's own shade: no stroke of the title before it.
    for (int32_t groove : {cols->ColAisleX, cols->ColCouponX, cols->ColNotesX})
        for (int y = 0; y < header.Height; ++y)
            for (int x = groove - 2; x < groove; ++x)
                ASSERT_EQ(header.PixelAt(x, y), header.PixelAt(0, y)) << groove << ": " << x << "," << y;
    // The titles that fit are drawn as they are.
    int ink = 0;
    for (int y = 0; y < header.Height; ++y)
        for (int x = cols->ColAisleX + 2; x < cols->ColCouponX - 2; ++x)
            ink += header.PixelAt(x, y) != header.PixelAt(0, y);
    EXPECT_GT(ink, 20);
}

// A quantity raised with the keypad to the largest number stays inside its column: the item
// name beside it shows exactly as it does beside a quantity of 1.
TEST_F(ItemListTest, AQuantityTooWideForItsColumnLeavesTheNameAlone)
{
    qmtest::WriteFile(stores + "Shop.store", "[Dairy]\r\nButter=A1,-,,-,2147483646\r\nMilk=A1,-,,-,0\r\n");
    auto form = Start(600, 300);
    form->SelectRow(0, 0);
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    ASSERT_EQ(form->Store.Categories[0].Items[0].Qty, 2147483647);
    form->SelectRow(0, 1); // the row itself unselected: nothing else drawn over it
    TBitmap32& bmp = list->Bitmap();
    const int32_t top = Top(*form, 0, 0);
    auto row = [&](int32_t from, int32_t to) {
        std::vector<TColor32> pixels;
        for (int y = top + 1; y < top + form->ItemListRows().ItemRowHeight; ++y)
            for (int x = from; x < to; ++x)
                pixels.push_back(bmp.PixelAt(x, y));
        return pixels;
    };
    const auto names = row(cols->ColNameX, cols->ColAisleX);
    const auto qtys = row(cols->ColQtyX + 1, cols->ColNameX);
    form->Store.Categories[0].Items[0].Qty = 1;
    form->DrawItemList();
    EXPECT_EQ(row(cols->ColNameX, cols->ColAisleX), names);
    EXPECT_NE(row(cols->ColQtyX + 1, cols->ColNameX), qtys); // the big number is shown, cut short
}

TEST_F(ItemListTest, RowsArePaintedOnlyWhenTheirTopLiesInsideTheImage)
{
    std::string pantry = "[Pantry]\r\n";
    for (char c = 'A'; c <= 'T'; ++c)
        pantry += std::string("Tin ") + c + "=A2,-,,-,0\r\n";
    qmtest::WriteFile(stores + "Shop.store",
                      "[Dairy]\r\nButter=A1,-,,-,0\r\nCheese=A1,-,,-,3\r\nMilk=A1,-,,-,2\r\n"
                      "[Fruit]\r\nApples=A2,-,,-,0\r\nKiwi=A2,-,,-,0\r\n" +
                          pantry);
    auto form = Start(600, 400);
    TBitmap32& bmp = list->Bitmap();
    const int crh = form->ItemListRows().CatRowHeight, irh = form->ItemListRows().ItemRowHeight;
    // At the starting position the first row begins under the 18-pixel header.
    EXPECT_EQ(bar->value(), -18);
    EXPECT_EQ(Top(*form, 0), 18);
    EXPECT_EQ(Top(*form, 1), 18 + crh + 3 * irh);

    // The image ends one pixel below a row's top: its separator line is drawn; the next row
    // is left out.
    ASSERT_FALSE(bar->isHidden()); // the content is longer than the image
    const int top = Top(*form, 2, 10);
    list->resize(600, top + 1);
    form->DrawItemList();
    EXPECT_EQ(bmp.PixelAt(300, top), form->LineColor);

    // Scrolled so that the first row starts one line above the image: it is left unpainted,
    // though most of it would show.
    bar->setValue(1);
    form->DrawItemList();
    EXPECT_EQ(Top(*form, 0), -1);
    const TColor32 back = Color32(form->BackColor.red(), form->BackColor.green(), form->BackColor.blue());
    EXPECT_EQ(bmp.PixelAt(300, 5), back);
    EXPECT_EQ(bmp.PixelAt(300, crh - 1), form->LineColor); // the first item's row is painted
}

TEST_F(ItemListTest, HitTestsGiveASharedBorderToTheEarlierRowAndTheWalkerEndsAfterTheLastRow)
{
    auto form = Start();
    const ItemListLayout& rows = form->ItemListRows();
    int c, i;
    rows.ItemListHitTest(form->Store, Top(*form, 0), c, i);
    EXPECT_EQ(std::make_pair(c, i), std::make_pair(0, -1));
    rows.ItemListHitTest(form->Store, Top(*form, 0, 0), c, i); // = the category row's bottom
    EXPECT_EQ(std::make_pair(c, i), std::make_pair(0, -1));
    rows.ItemListHitTest(form->Store, Top(*form, 0, 0) + 1, c, i);
    EXPECT_EQ(std::make_pair(c, i), std::make_pair(0, 0));
    rows.ItemListHitTest(form->Store, Top(*form, 1), c, i);
    EXPECT_EQ(std::make_pair(c, i), std::make_pair(0, 2));
    rows.ItemListHitTest(form->Store, 10000, c, i);
    EXPECT_EQ(std::make_pair(c, i), std::make_pair(-1, -1));

    // Walking every row; a collapsed category's items are skipped.
    form->Store.Categories[1].Expanded = false;
    form->DrawItemList();
    std::vector<std::pair<int, int>> walk;
    for (int cat = 0, item = -1; cat >= 0;) {
        walk.emplace_back(cat, item);
        rows.ItemListRowBelow(form->Store, cat, item, cat, item);
    }
    EXPECT_EQ(walk,
              (std::vector<std::pair<int, int>>{{0, -1}, {0, 0}, {0, 1}, {0, 2}, {1, -1}, {2, -1}, {2, 0}}));
}

TEST_F(ItemListTest, TheCouponGlyphFollowsTheDaysLeftAndAnExpiredCouponLeavesTheListButNotTheFile)
{
    auto form = Start(600, 300);
    QMItem& milk = form->Store.Categories[0].Items[2];
    milk.HasCoupon = true;
    TBitmap32& bmp = list->Bitmap();
    // The glyph's colour family inside its square: red urgent, orange soon, green otherwise.
    auto mark = [&](double expire) {
        milk.HasCoupon = true;
        milk.CouponExpire = expire;
        form->DrawItemList();
        int red = 0, orange = 0, green = 0;
        for (int y = Top(*form, 0, 2) + 1; y < Top(*form, 0, 2) + cols->CouponBtnW; ++y)
            for (int x = cols->CouponBtnX; x < cols->CouponBtnX + cols->CouponBtnW; ++x) {
                const TColor32 p = bmp.PixelAt(x, y);
                const int r = RedComponent(p), g = GreenComponent(p), b = BlueComponent(p);
                red += r > 150 && g < 90 && b < 90;
                orange += r > 180 && g > 110 && g < 170 && b < 90;
                green += g > r + 50 && g > b + 30;
            }
        return red > 20 ? "urgent" : orange > 20 ? "soon" : green > 20 ? "coupon" : "none";
    };
    EXPECT_STREQ(mark(0), "coupon"); // no expiry date
    EXPECT_STREQ(mark(kToday), "urgent");
    EXPECT_STREQ(mark(kToday + 0.75), "urgent");
    EXPECT_STREQ(mark(kToday + 1), "urgent");
    EXPECT_STREQ(mark(kToday + 3), "urgent");
    EXPECT_STREQ(mark(kToday + 10), "soon");
    EXPECT_STREQ(mark(kToday + 11), "coupon");

    const std::string before = qmtest::ReadFile(stores + "Shop.store");
    EXPECT_STREQ(mark(kToday - 1), "none");
    EXPECT_FALSE(milk.HasCoupon);
    EXPECT_EQ(milk.CouponExpire, 0);
    EXPECT_EQ(qmtest::ReadFile(stores + "Shop.store"), before);

    // A store without coupons shows none.
    form->Store.AcceptsCoupons = false;
    EXPECT_STREQ(mark(0), "none");
}

TEST_F(ItemListTest, AnEmptyStoreShowsTheNoticeAndItsLinkAddsACategory)
{
    qmtest::WriteFile(stores + "Shop.store", "[--Info--]\r\nAisles=A1,,\r\n");
    auto form = Start(600, 300);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(bar->value(), 0);
    const TRect link = cols->LinkRect;
    ASSERT_GT(link.Right, link.Left);
    EXPECT_GE(link.Top, 70);
    EXPECT_EQ(list->Bitmap().PixelAt(20, 30), 0xFF000000); // the frame

    ClickAt(*list, link.Right, link.Top); // the right edge lies outside
    EXPECT_EQ(form->runs["catadd"], 0);
    ClickAt(*list, link.Left, link.Bottom - 1, Qt::RightButton);
    EXPECT_EQ(form->runs["catadd"], 1);
}

TEST_F(ItemListTest, TheBuyColumnAndTheQuantityArrowsWriteTheItemAndRebuildTheList)
{
    auto form = Start();
    const QMStore& s = form->Store;
    auto rowY = [&](int c, int i) { return Top(*form, c, i) + 5; };

    // Cheese (quantity 3) is not selected; its Buy column takes it off the list and selects it.
    ClickAt(*list, 10, rowY(0, 1));
    EXPECT_EQ(Sel(*form), std::make_pair(0, 1));
    EXPECT_EQ(Line("Dairy", "Cheese"), "A1,-,,-,0,-,0,-,0,-,0");
    EXPECT_EQ(PanelText(*form, 2), "Items to buy: 2.  With coupons: 0");
    ClickAt(*list, 10, rowY(0, 1));
    EXPECT_EQ(s.Categories[0].Items[1].Qty, 1);

    // The arrows of the selected row: upper half up, lower half down, never below 0.
    const int x = cols->QtyArrowX + 1, top = Top(*form, 0, 1);
    ClickAt(*list, x, top + 1);
    EXPECT_EQ(s.Categories[0].Items[1].Qty, 2);
    ClickAt(*list, x, top + form->ItemListRows().ItemRowHeight - 1);
    ClickAt(*list, x, top + form->ItemListRows().ItemRowHeight - 1);
    EXPECT_EQ(s.Categories[0].Items[1].Qty, 0);
    // At 0 the lower arrow keeps 0 and still writes the item and rebuilds the list.
    WriteStoreString(StoreContext{stores, {}}, "Shop", "Dairy", "Cheese", "A1,-,,-,7");
    form->ShopList.ItemCount = 99;
    ClickAt(*list, x, top + form->ItemListRows().ItemRowHeight - 1);
    EXPECT_EQ(s.Categories[0].Items[1].Qty, 0);
    EXPECT_EQ(Line("Dairy", "Cheese"), "A1,-,,-,0,-,0,-,0,-,0");
    EXPECT_EQ(form->ShopList.ItemCount, 1);

    // Butter's arrows are not there while Butter is not selected: the click selects it.
    ClickAt(*list, x, rowY(0, 0));
    EXPECT_EQ(Sel(*form), std::make_pair(0, 0));
    EXPECT_EQ(s.Categories[0].Items[0].Qty, 0);
    EXPECT_EQ(Line("--Info--", "LastItemSelected"), "Butter&-&Dairy");
}

TEST_F(ItemListTest, TheButtonsOfASelectedRowRunTheirCommandsAndTheMarkerCollapsesIntoTheFile)
{
    auto form = Start();
    const QMStore& s = form->Store;
    const int milkY = Top(*form, 0, 2) + 3;
    ClickAt(*list, cols->EditBtnX + 2, milkY); // not selected yet: selects
    EXPECT_EQ(form->runs["edit"], 0);
    ClickAt(*list, cols->EditBtnX + 2, milkY);
    ClickAt(*list, cols->NoteBtnX + 2, milkY);
    ClickAt(*list, cols->CouponBtnX + 2, milkY);
    ClickAt(*list, cols->CouponBtnX + 2, milkY, Qt::RightButton);
    EXPECT_EQ(form->runs, (std::map<std::string, int>{{"edit", 1}, {"notes", 1}, {"coupon", 1}}));
    EXPECT_TRUE(Enabled(*form, "BtnCoupon"));

    const int fruitY = Top(*form, 1) + 3;
    ClickAt(*list, cols->CatEditBtnX + 2, fruitY);
    ClickAt(*list, cols->CatEditBtnX + 2, fruitY);
    EXPECT_EQ(form->runs["catedit"], 1);
    EXPECT_FALSE(Enabled(*form, "BtnQtyUp"));
    EXPECT_EQ(Text(*form, "ComboFind"), "Fruit");

    // A right click on the marker only selects; a left click collapses and remembers it.
    const int markerY = Top(*form, 0) + form->ItemListRows().TextMarginY +
                        (form->ItemListRows().ItemRowHeight - cols->ExpandGlyphW) / 2;
    ClickAt(*list, cols->ExpandGlyphX, markerY, Qt::RightButton);
    EXPECT_TRUE(s.Categories[0].Expanded);
    EXPECT_EQ(Sel(*form), std::make_pair(0, -1));
    ClickAt(*list, cols->ExpandGlyphX, markerY);
    EXPECT_FALSE(s.Categories[0].Expanded);
    EXPECT_EQ(Line("--Hidden Cats--", "Dairy"), "1");
    EXPECT_EQ(Text(*form, "MItemCategoryShowHide"), "Expand This Category");

    // Selecting an item of the collapsed category expands it in memory only.
    form->SelectRow(0, 1);
    EXPECT_TRUE(s.Categories[0].Expanded);
    EXPECT_EQ(Line("--Hidden Cats--", "Dairy"), "1");
}

TEST_F(ItemListTest, ArrowsHomeEndAndPageKeysStepThroughTheRowsAndStopAtTheEnds)
{
    auto form = Start(600, 18 + 3 * 30);
    const int page = (list->height() - 18) / form->ItemListRows().ItemRowHeight;
    ASSERT_GE(page, 2);
    form->Store.Categories[2].Expanded = false;

    Key(*form, Qt::Key_Up); // from no selection: the first category's row, and it stays
    EXPECT_EQ(Sel(*form), std::make_pair(0, -1));
    Key(*form, Qt::Key_Up);
    EXPECT_EQ(Sel(*form), std::make_pair(0, -1));
    Key(*form, Qt::Key_Down);
    EXPECT_EQ(Sel(*form), std::make_pair(0, 0));
    Key(*form, Qt::Key_End);
    EXPECT_EQ(Sel(*form), std::make_pair(0, 2));
    Key(*form, Qt::Key_Down);
    EXPECT_EQ(Sel(*form), std::make_pair(1, -1));
    Key(*form, Qt::Key_Home);
    EXPECT_EQ(Sel(*form), std::make_pair(1, -1));
    Key(*form, Qt::Key_Up);
    EXPECT_EQ(Sel(*form), std::make_pair(0, 2));
    Key(*form, Qt::Key_PageDown);
    std::pair<int, int> expect = page == 2   ? std::make_pair(1, 0)
                                 : page == 3 ? std::make_pair(1, 1)
                                             : std::make_pair(2, -1);
    EXPECT_EQ(Sel(*form), expect);
    Key(*form, Qt::Key_End, Qt::ControlModifier); // the collapsed last category opens
    EXPECT_EQ(Sel(*form), std::make_pair(2, 0));
    EXPECT_TRUE(form->Store.Categories[2].Expanded);
    Key(*form, Qt::Key_Down);
    EXPECT_EQ(Sel(*form), std::make_pair(2, 0));
    EXPECT_EQ(Line("--Info--", "LastItemSelected"), "Rice&-&Pantry");
    Key(*form, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Sel(*form), std::make_pair(0, -1));
    EXPECT_EQ(bar->value(), -18);

    // Down through a short image scrolls the selected row into view.
    for (int n = 0; n < 5; ++n)
        Key(*form, Qt::Key_Down);
    const int top = Top(*form, 1, 0);
    EXPECT_GT(top, 18);
    EXPECT_LE(top + form->ItemListRows().ItemRowHeight, list->height());
}

// A store read again and a row selected before the list is drawn (as the edit-item dialog
// does after a rename): the new store's rows all lie at the top until it is drawn, so the
// selection scrolls the list up by the header's height.
TEST_F(ItemListTest, AStoreLoadedAgainScrollsBeforeItsDrawingAsIfEveryRowLayAtTheTop)
{
    std::string text = "[Pantry]\r\n";
    for (int i = 0; i < 40; ++i)
        text += "Item " + std::to_string(10 + i) + "=,-,,-,0\r\n";
    qmtest::WriteFile(stores + "Shop.store", text);
    auto form = Start(600, 300);
    bar->setValue(200);
    ASSERT_GT(Top(*form, 0, 15), 18); // in view
    form->LoadStore("Shop");
    form->SelectRow(0, 15);
    EXPECT_EQ(bar->value(), 200 - 18);
}

// Ctrl+End into a collapsed category opens it and brings its last item into view, however
// far below the last drawing that lies.
TEST_F(ItemListTest, CtrlEndIntoACollapsedCategoryScrollsItsLastItemIntoView)
{
    std::string text = "[--Hidden Cats--]\r\nPantry=1\r\n[Dairy]\r\nMilk=,-,,-,1\r\n[Pantry]\r\n";
    for (int i = 0; i < 30; ++i)
        text += "Item " + std::to_string(10 + i) + "=,-,,-,0\r\n";
    qmtest::WriteFile(stores + "Shop.store", text);
    auto form = Start(600, 18 + 4 * 30);
    ASSERT_FALSE(form->Store.Categories[1].Expanded);
    Key(*form, Qt::Key_End, Qt::ControlModifier);
    ASSERT_EQ(Sel(*form), std::make_pair(1, 29));
    const int top = Top(*form, 1, 29);
    EXPECT_GT(top, listHeader->height());
    EXPECT_LE(top + form->ItemListRows().ItemRowHeight, list->height());
    Key(*form, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Sel(*form), std::make_pair(0, -1));
    EXPECT_GT(Top(*form, 0), 0);
}

TEST_F(ItemListTest, KeypadKeysActOnReleaseOnlyOnTheItemListAndTypingMovesToQuickFind)
{
    auto form = Start();
    QComboBox& find = Control<QComboBox>(*form, "ComboFind");
    find.addItem("Milk");
    form->SelectRow(0, 2);
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(form->Store.Categories[0].Items[2].Qty, 3);
    EXPECT_EQ(Line("Dairy", "Milk"), "A1,-,low fat,-,3,-,0,-,0,-,0");
    Key(*form, Qt::Key_Minus, Qt::KeypadModifier);
    Key(*form, Qt::Key_Plus); // the main keyboard's plus is no shortcut
    EXPECT_EQ(form->Store.Categories[0].Items[2].Qty, 2);
    EXPECT_EQ(form->focusWidget(), list);
    Key(*form, Qt::Key_Asterisk, Qt::KeypadModifier);
    Key(*form, Qt::Key_Slash, Qt::KeypadModifier);
    Key(*form, Qt::Key_Space);
    Key(*form, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(form->runs,
              (std::map<std::string, int>{{"coupon", 1}, {"notes", 1}, {"edit", 1}, {"addmult", 1}}));
    form->Store.AcceptsCoupons = false;
    Key(*form, Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(form->runs["coupon"], 1);

    // The Delete key and keys held with Alt or Ctrl type nothing into the quick-find box, though
    // the windowing system gives them text.
    QTest::sendKeyEvent(QTest::Click, form->focusWidget(), Qt::Key_Delete, "\x7f", {}); // Key() gives it none
    Key(*form, Qt::Key_A, Qt::AltModifier);
    Key(*form, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(form->runs["delete"], 1);
    EXPECT_EQ(form->focusWidget(), list);
    EXPECT_EQ(Text(*form, "ComboFind"), "Milk");

    // A letter moves to the quick-find box as its text; what follows is typed there.
    Key(*form, Qt::Key_M);
    ASSERT_TRUE(form->focusWidget() == &find || find.isAncestorOf(form->focusWidget()));
    EXPECT_EQ(Text(*form, "ComboFind"), "m");
    EXPECT_EQ(find.lineEdit()->cursorPosition(), 1);
    EXPECT_FALSE(find.lineEdit()->hasSelectedText());
    EXPECT_TRUE(find.completer()->popup()->isVisible()); // the list dropped down
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(form->Store.Categories[0].Items[2].Qty, 2); // the box has the keys, not the list
    // Closing the list gives the keyboard back to the item list, on the row selected before.
    find.completer()->popup()->hide();
    EXPECT_EQ(form->focusWidget(), list);
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(form->Store.Categories[0].Items[2].Qty, 3);
}

// A quantity that cannot be written is reported and not shown as changed.
TEST_F(ItemListTest, AQuantityThatCannotBeWrittenStaysAsItWas)
{
    auto form = Start();
    form->SelectRow(0, 1);
    const std::string before = qmtest::ReadFile(stores + "Shop.store");
    fs::remove(IniFile::LockFileFor(stores + "Shop.store"));
    fs::create_directory(IniFile::LockFileFor(stores + "Shop.store")); // the file cannot be rewritten now
    dialogs->expectBox("");
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(dialogs->seen().size(), 1u);
    EXPECT_EQ(form->Store.Categories[0].Items[1].Qty, 3);
    dialogs->expectBox("");
    ClickAt(*list, 10, Top(*form, 0, 1) + 5);
    EXPECT_EQ(form->Store.Categories[0].Items[1].Qty, 3);
    // Nor on a row the click selects, whose selection the file cannot remember either.
    dialogs->expectBox("");
    ClickAt(*list, 10, Top(*form, 0, 0) + 5);
    EXPECT_EQ(form->Store.Categories[0].Items[0].Qty, 0);
    EXPECT_EQ(qmtest::ReadFile(stores + "Shop.store"), before);
    EXPECT_EQ(PanelText(*form, 2), "Items to buy: 5.  With coupons: 0");

    // Nor does the marker show a category collapsed that the file cannot record.
    const QMStore& s = form->Store;
    const int markerY = Top(*form, 1) + form->ItemListRows().TextMarginY +
                        (form->ItemListRows().ItemRowHeight - cols->ExpandGlyphW) / 2;
    dialogs->expectBox("");
    ClickAt(*list, cols->ExpandGlyphX, markerY);
    EXPECT_EQ(dialogs->seen().size(), 4u);
    EXPECT_TRUE(s.Categories[1].Expanded);
    EXPECT_EQ(qmtest::ReadFile(stores + "Shop.store"), before);
}

TEST_F(ItemListTest, AResizeLaysOutAndDrawsBothListsWhenTheSelectionCannotBeRemembered)
{
    auto form = Start(); // the file remembers no row, so selecting one again writes it
    const std::string before = qmtest::ReadFile(stores + "Shop.store");
    fs::remove(IniFile::LockFileFor(stores + "Shop.store"));
    fs::create_directory(IniFile::LockFileFor(stores + "Shop.store")); // the file cannot be rewritten now
    ASSERT_EQ(form->ShopList.Aisles[0].Cats[0].Items[0].Name, "Cheese");
    form->DrawShoppingList();
    form->BuildShoppingList(); // its rows read 0 until the list is drawn again
    ASSERT_EQ(form->ShopListRows().Line(0, 0, 0).RowHeight, 0);

    // A window being resized shows no box; the row is selected and the shopping list drawn.
    Relayout(*form);
    EXPECT_EQ(Sel(*form), std::pair(0, -1));
    EXPECT_GT(form->ShopListRows().Line(0, 0, 0).RowHeight, 0);
    EXPECT_EQ(qmtest::ReadFile(stores + "Shop.store"), before);

    // A row the person selects still reports what could not be written.
    dialogs->expectBox("");
    Key(*form, Qt::Key_Down);
    EXPECT_EQ(dialogs->seen().size(), 1u);
}

} // namespace
