// The shopping list on screen, driven through a real window on a real store: its drawing
// (records and pixels), hit tests and row walks, clicks, the mouse wheel and the scroll bars.
#include <QApplication>
#include <QScrollBar>
#include <array>
#include <filesystem>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "graphics/widgets/RasterImage.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/gui/ToolBar.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;
using namespace qmtest;

// Counts the errand editor's openings instead of showing it; the wheel setting is the test's.
class Window : public TFormMain {
public:
    int errandEditorRuns = 0;
    int wheelLines = 3;
    void MItemStoreEditErrandsClick() override { ++errandEditorRuns; }
    int WheelScrollLines() const override { return wheelLines; }
};

class ShoppingListTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetLastStore("Shop");
        qmtest::WriteFile(stores + "Shop.store", "[--Info--]\r\nAisles=Front,,Back,,\r\n"
                                                 "[--Errands--]\r\nBank=1\r\nPost office=0\r\n"
                                                 "[Dairy]\r\nMilk=Front,-,,-,2,-,1,-,0,-,0,-,\r\n"
                                                 "Eggs=Back,-,Brown ones,-,1\r\nButter=Front,-,,-,0\r\n"
                                                 "[Fruit]\r\nKiwi=Back,-,,-,1\r\n");
    }
    std::unique_ptr<Window> Start(int lines = 0, int split = 320)
    {
        if (lines > 0) {
            std::string text = "[Dairy]\r\n";
            for (int i = 0; i < lines; ++i)
                text += "Item " + std::to_string(100 + i) + "=,-,,-,1\r\n";
            qmtest::WriteFile(stores + "Shop.store", text);
        }
        RegWriteInteger(kCompany, kProduct, "Settings\\Window", 900, "Width");
        RegWriteInteger(kCompany, kProduct, "Settings\\Window", 500, "Height");
        RegWriteInteger(kCompany, kProduct, "Settings\\Window", split, "SplitLR");
        auto form = std::make_unique<Window>();
        form->FormCreate();
        form->show();
        QApplication::processEvents();
        Relayout(*form);
        return form;
    }
    // The columns in [x0, x1) that have a pixel other than the background in rows [y0, y1).
    static std::vector<int> Inked(const TFormMain& form, int x0, int x1, int y0, int y1)
    {
        TBitmap32& bmp = List(form).Bitmap();
        const TColor32 back = bmp.PixelAt(bmp.Width - 1, bmp.Height - 1);
        std::vector<int> columns;
        for (int x = std::max(0, x0); x < std::min(x1, bmp.Width); ++x)
            for (int y = std::max(0, y0); y < std::min(y1, bmp.Height); ++y)
                if (bmp.PixelAt(x, y) != back) {
                    columns.push_back(x);
                    break;
                }
        return columns;
    }
    static int Width(int size, const AnsiString& text)
    {
        TBitmap32 bmp;
        bmp.Font().SetName("Arial");
        bmp.Font().SetSize(size);
        return bmp.TextWidth(text);
    }
    // The shopping list's image and its scroll bar.
    static TImage32& List(const TFormMain& form) { return Control<TImage32>(form, "ImageShoppingList"); }
    static QScrollBar& Bar(const TFormMain& form) { return Control<QScrollBar>(form, "ShoppingListBar"); }
};

TEST_F(ShoppingListTest, ByAisleRowsFollowEachOtherWithPrefixCouponAndNote)
{
    auto form = Start();
    const ShopListLayout& rows = form->ShopListRows();
    const int item = rows.ItemRowHeight, group = rows.GroupRowHeight, note = rows.NoteRowHeight;
    // Errands (no aisle name), then Front: Dairy/Milk, then Back: Dairy/Eggs, Fruit/Kiwi.
    ASSERT_EQ(form->ShopList.AisleCount(), 3);
    const int frontDairy = rows.Group(1, 0).RowTop, milk = rows.Line(1, 0, 0).RowTop;
    const ShopListLayout::Row eggs = rows.Line(2, 0, 0);
    EXPECT_EQ(rows.Line(0, 0, 0).RowTop, group);
    EXPECT_EQ(rows.AisleTop(1), group + item); // the aisle name shares its header's line
    EXPECT_EQ(milk, 2 * group + item);
    EXPECT_EQ(eggs.RowTop, 3 * group + 2 * item);
    EXPECT_EQ(eggs.RowHeight, item + note);
    EXPECT_EQ(rows.Group(2, 1).RowTop, eggs.RowTop + item + note);
    EXPECT_TRUE(Bar(*form).isHidden());

    // "(2)" ends one blank before the name; a quantity of 1 has no prefix.
    const int nameLeft = Width(8, "  ") + Width(8, "(20)") + rows.TextMarginX;
    const std::vector<int> prefix = Inked(*form, 0, nameLeft, milk + 1, milk + item);
    ASSERT_FALSE(prefix.empty());
    EXPECT_LE(prefix.back(), nameLeft - Width(8, " "));
    EXPECT_GE(prefix.back(), nameLeft - Width(8, " ") - 3);
    EXPECT_TRUE(Inked(*form, 0, nameLeft, eggs.RowTop + 1, eggs.RowTop + item).empty());
    // The coupon line ends in two blanks and the cent sign.
    const std::vector<int> name = Inked(*form, nameLeft, 320, milk + 1, milk + item);
    ASSERT_FALSE(name.empty());
    EXPECT_GT(name.back(), nameLeft + Width(10, "Milk  "));
    EXPECT_LE(name.back(), nameLeft + Width(10, "Milk  \xA2"));
    // The note is a second line indented by nine blanks.
    const std::vector<int> noteInk = Inked(*form, 0, 320, eggs.RowTop + item, eggs.RowTop + item + note);
    ASSERT_FALSE(noteInk.empty());
    EXPECT_GE(noteInk.front(), Width(10, "         ") + rows.TextMarginX);
    EXPECT_LE(noteInk.front(), Width(10, "         ") + rows.TextMarginX + 2);

    // The aisle name ends at the right margin of its header line, under a rule across.
    TBitmap32& bmp = List(*form).Bitmap();
    const TColor32 text = Color32(form->TextColor.red(), form->TextColor.green(), form->TextColor.blue());
    EXPECT_EQ(bmp.PixelAt(0, frontDairy), text);
    EXPECT_EQ(bmp.PixelAt(bmp.Width - 1, frontDairy), text);
    const std::vector<int> aisle = Inked(*form, bmp.Width / 2, bmp.Width, frontDairy + 1, milk);
    ASSERT_FALSE(aisle.empty());
    EXPECT_GE(aisle.back(), bmp.Width - rows.TextMarginX - 3);
    EXPECT_LT(aisle.back(), bmp.Width - rows.TextMarginX);
}

// A quantity raised with the keypad to the largest number is cut short, as in the item list:
// its prefix begins inside the list, with its opening bracket as a short one does, and ends
// one blank before the name as a short one does.
TEST_F(ShoppingListTest, AQuantityTooWideForItsRoomStartsInsideTheList)
{
    qmtest::WriteFile(stores + "Shop.store", "[Dairy]\r\nEggs=,-,,-,2147483647\r\nMilk=,-,,-,2\r\n");
    auto form = Start();
    const ShopListLayout& rows = form->ShopListRows();
    const std::vector<QMShopListItem>& lines = form->ShopList.Aisles[0].Cats[0].Items;
    ASSERT_EQ(lines.size(), 2u);
    const int big = rows.Line(0, 0, lines[0].Qty == 2 ? 1 : 0).RowTop;
    const int small = rows.Line(0, 0, lines[0].Qty == 2 ? 0 : 1).RowTop;
    const int nameLeft = Width(8, "  ") + Width(8, "(20)") + rows.TextMarginX;
    const std::vector<int> bigInk = Inked(*form, 0, nameLeft, big + 1, big + rows.ItemRowHeight);
    const std::vector<int> smallInk = Inked(*form, 0, nameLeft, small + 1, small + rows.ItemRowHeight);
    ASSERT_FALSE(bigInk.empty());
    ASSERT_FALSE(smallInk.empty());
    EXPECT_NEAR(bigInk.back(), smallInk.back(), 1);

    // The first two inked columns of both prefixes are those of "(".
    TBitmap32& bmp = List(*form).Bitmap();
    for (int dx = 0; dx < 2; ++dx)
        for (int dy = 1; dy < rows.ItemRowHeight; ++dy)
            ASSERT_EQ(bmp.PixelAt(bigInk.front() + dx, big + dy),
                      bmp.PixelAt(smallInk.front() + dx, small + dy))
                << "column " << bigInk.front() + dx << ", row " << dy;
}

TEST_F(ShoppingListTest, AnAisleNameNeverRunsIntoItsFirstCategorysName)
{
    // The list at its narrowest default width, an aisle and a category of the same long name.
    qmtest::WriteFile(stores + "Shop.store",
                      "[--Info--]\r\nAisles=Meat and Seafood,,Back,,\r\n"
                      "[Meat and Seafood]\r\nChicken Breast=Meat and Seafood,-,,-,3\r\n"
                      "[Fruit]\r\nKiwi=Back,-,,-,1\r\n");
    auto form = Start(0, 200);
    const ShopListLayout& rows = form->ShopListRows();
    ASSERT_EQ(form->ShopList.AisleCount(), 2);
    const int width = List(*form).Bitmap().Width;
    ASSERT_LT(width, 2 * Width(12, "Meat and Seafood")); // the two names cannot both fit whole

    // Both names are there, apart by at least two blanks, the aisle's ending at the right margin.
    const int meat = rows.Group(0, 0).RowTop;
    const std::vector<int> ink = Inked(*form, 0, width, meat + 1, meat + rows.GroupRowHeight);
    ASSERT_GE(ink.size(), 2u);
    int widestGap = 0;
    for (size_t i = 1; i < ink.size(); ++i)
        widestGap = std::max(widestGap, ink[i] - ink[i - 1] - 1);
    EXPECT_GE(widestGap, Width(12, "  ") - 2);
    EXPECT_LE(ink.front(), rows.TextMarginX + 2);
    EXPECT_GE(ink.back(), width - rows.TextMarginX - 3);

    // A short aisle name beside a short category name is drawn whole, as before.
    const int fruit = rows.Group(1, 0).RowTop;
    const std::vector<int> back = Inked(*form, width / 2, width, fruit + 1, fruit + rows.GroupRowHeight);
    ASSERT_FALSE(back.empty());
    EXPECT_NEAR(back.back() - back.front(), Width(12, "Back"), 3);
}

TEST_F(ShoppingListTest, ByCategoryGroupsUnderBlackRulesWalkRowByRow)
{
    RegWriteBool(kCompany, kProduct, "Settings", false, "SortByAisle");
    RegWriteBool(kCompany, kProduct, "Settings", false, "ErrandsOnTop");
    auto form = Start();
    const QMShopList& list = form->ShopList;
    const ShopListLayout& rows = form->ShopListRows();
    ASSERT_EQ(list.CatCount(), 3); // Dairy, Fruit, Errands
    TBitmap32& bmp = List(*form).Bitmap();
    for (int32_t g = 0; g < list.CatCount(); ++g)
        EXPECT_EQ(bmp.PixelAt(bmp.Width - 1, rows.Group(-1, g).RowTop), 0xFF000000u) << g;

    std::vector<std::array<int32_t, 3>> walk;
    int32_t aisle = 7, cat = 0, line = -1;
    while (cat >= 0) {
        walk.push_back({aisle, cat, line});
        rows.ShoppingListRowBelow(list, aisle, cat, line, aisle, cat, line);
    }
    EXPECT_EQ(walk,
              (std::vector<std::array<int32_t, 3>>{
                  {7, 0, -1}, {-1, 0, 0}, {-1, 0, 1}, {-1, 1, -1}, {-1, 1, 0}, {-1, 2, -1}, {-1, 2, 0}}));
    EXPECT_EQ(line, -1);
    EXPECT_THROW(rows.ShoppingListRowBelow(list, -1, 3, -1, aisle, cat, line), ERangeError);
    EXPECT_THROW(rows.ShoppingListRowBelow(list, -1, 0, 2, aisle, cat, line), ERangeError);

    // A group without lines is followed by the next group's header.
    form->ShopList.Cats[1].Items.clear();
    form->ShopList.ItemCount -= 1;
    form->DrawShoppingList();
    rows.ShoppingListRowBelow(list, -1, 1, -1, aisle, cat, line);
    EXPECT_EQ(std::pair(cat, line), std::pair(2, -1));
}

TEST_F(ShoppingListTest, HitTestsGiveSharedBordersToTheUpperRowAndNotesToTheirLine)
{
    auto form = Start();
    const QMShopList& list = form->ShopList;
    const ShopListLayout& rows = form->ShopListRows();
    const ShopListLayout::Row eggs = rows.Line(2, 0, 0), backDairy = rows.Group(2, 0);
    const auto hit = [&](int32_t y) {
        int32_t cat = 9, item = 9;
        rows.ShoppingListHitTest(list, y, cat, item);
        return std::pair(cat, item);
    };
    EXPECT_EQ(hit(0), std::pair(kErrandRow, kNoRow));
    EXPECT_EQ(hit(rows.GroupRowHeight + 1), std::pair(kErrandRow, kErrandRow));
    EXPECT_EQ(hit(backDairy.RowTop), std::pair(0, list.Aisles[1].Cats[0].Items[0].ItemIndex)); // Milk's
    EXPECT_EQ(hit(backDairy.RowTop + 1), std::pair(0, -1));
    EXPECT_EQ(hit(eggs.RowTop + eggs.RowHeight),
              std::pair(0, list.Aisles[2].Cats[0].Items[0].ItemIndex)); // the note's last line
    EXPECT_EQ(hit(eggs.RowTop + eggs.RowHeight + 1), std::pair(1, -1));
    EXPECT_EQ(hit(400), std::pair(kNoRow, kNoRow));

    // In list terms a line is its first line only; the aisle stays as given when nothing is hit.
    int32_t aisle = 5, group = 0, line = 0;
    rows.ShoppingListRowAt(list, eggs.RowTop + 1, aisle, group, line);
    EXPECT_EQ(std::tuple(aisle, group, line), std::tuple(2, 0, 0));
    aisle = 5;
    rows.ShoppingListRowAt(list, eggs.RowTop + rows.ItemRowHeight + 2, aisle, group, line);
    EXPECT_EQ(std::tuple(aisle, group, line), std::tuple(5, -1, -1));
}

TEST_F(ShoppingListTest, ClicksOpenTheErrandEditorOrSelectTheRowAndLeaveTheKeysToTheItemList)
{
    auto form = Start();
    TImage32& list = List(*form);
    Control(*form, "ComboStores").setFocus();
    Press(list, 50, 1);
    Press(list, 50, form->ShopListRows().GroupRowHeight + 2);
    EXPECT_EQ(form->errandEditorRuns, 2);
    EXPECT_EQ(form->focusWidget(), &Control(*form, "ImageItemList"));

    Control(*form, "ComboStores").setFocus();
    const QMShopListItem& kiwi = form->ShopList.Aisles[2].Cats[1].Items[0];
    Press(list, 50, form->ShopListRows().Line(2, 1, 0).RowTop + 2);
    EXPECT_EQ(form->errandEditorRuns, 2);
    EXPECT_EQ(form->focusWidget(), &Control(*form, "ImageItemList"));
    EXPECT_EQ(Sel(*form), std::pair(kiwi.CategoryIndex, kiwi.ItemIndex));
    Press(list, 50, list.height() - 2); // below the last row
    EXPECT_EQ(Sel(*form), std::pair(0, -1));
}

TEST_F(ShoppingListTest, ALongListScrollsAndShowsItsTopAgainOnceItFits)
{
    auto form = Start(60);
    const ShopListLayout& rows = form->ShopListRows();
    TImage32& list = List(*form);
    QScrollBar& bar = Bar(*form);
    const int content = rows.GroupRowHeight + 60 * rows.ItemRowHeight;
    const int height = list.height();
    ASSERT_FALSE(bar.isHidden());
    EXPECT_EQ(bar.maximum(), content - height);
    EXPECT_EQ(bar.pageStep(), height);
    EXPECT_EQ(list.Bitmap().Width, bar.x()); // beside the bar

    // At the end the last line ends at the image's bottom; a row cut by the top shows its rest.
    bar.setValue(bar.maximum());
    EXPECT_EQ(rows.Line(0, 0, 59).RowTop + rows.ItemRowHeight, height);
    EXPECT_FALSE(Inked(*form, 0, 200, height - rows.ItemRowHeight, height).empty());
    bar.setValue(rows.GroupRowHeight + rows.ItemRowHeight / 2);
    EXPECT_EQ(rows.Line(0, 0, 0).RowTop, -(rows.ItemRowHeight / 2));
    EXPECT_FALSE(Inked(*form, 0, 200, 0, rows.ItemRowHeight / 2).empty());

    form->ShopList.Aisles[0].Cats[0].Items.resize(3);
    form->ShopList.ItemCount = 3;
    form->DrawShoppingList();
    QApplication::processEvents();
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(rows.Group(0, 0).RowTop, 0);
    EXPECT_EQ(list.Bitmap().Width, list.width()); // the bar's room too
}

TEST_F(ShoppingListTest, TheWheelAndTheScrollBarsLeaveTheKeysWithTheItemList)
{
    auto form = Start(80);
    TImage32& list = List(*form);
    QWidget& itemList = Control(*form, "ImageItemList");
    QScrollBar& bar = Bar(*form);
    const int row = form->ShopListRows().ItemRowHeight;
    itemList.setFocus();
    bar.setValue(100);
    Wheel(list, -120);
    EXPECT_EQ(bar.value(), 100 + row);
    EXPECT_EQ(form->ShopListRows().Group(0, 0).RowTop, -(100 + row)); // redrawn at once
    Wheel(bar, 60); // over the bar too; half a notch waits for the other half
    EXPECT_EQ(bar.value(), 100 + row);
    Wheel(list, 60);
    EXPECT_EQ(bar.value(), 100);

    // Over the item list its own bar moves by one of its rows.
    QScrollBar& items = Control<QScrollBar>(*form, "ItemListBar");
    ASSERT_FALSE(items.isHidden());
    items.setValue(100);
    Wheel(itemList, -120);
    EXPECT_EQ(items.value(), 100 + form->ItemListRows().ItemRowHeight);
    EXPECT_EQ(bar.value(), 100);

    form->wheelLines = -1; // a page per notch
    Wheel(list, -120);
    EXPECT_EQ(bar.value(), 100 + int(std::lrint(list.height() / row / 3.0 * row)));
    Wheel(list, 360);
    EXPECT_EQ(bar.value(), 0); // kept within the range

    // Nothing while a find box has the keys, or over a list whose bar is hidden.
    bar.setValue(100);
    Control(*form, "ToolbarSearch").setVisible(true);
    for (const char* box : {"ComboFind", "EditSearch"}) {
        Control(*form, box).setFocus();
        Wheel(list, -120);
        EXPECT_EQ(bar.value(), 100) << box;
        Wheel(bar, -120); // not even over the bar itself
        EXPECT_EQ(bar.value(), 100) << box;
        const int itemsAt = items.value();
        Wheel(items, -120);
        EXPECT_EQ(items.value(), itemsAt) << box;
    }
    itemList.setFocus();
    items.setVisible(false);
    Wheel(itemList, -120);
    EXPECT_EQ(bar.value(), 100);
    form->ShopList.Aisles[0].Cats[0].Items.resize(1);
    form->ShopList.ItemCount = 1;
    form->DrawShoppingList();
    Wheel(list, -120);
    EXPECT_EQ(bar.value(), 0);

    // A scroll bar that takes the focus (as a clicked one may) hands it back at once.
    for (QScrollBar* b : {&bar, &items}) {
        b->setFocusPolicy(Qt::StrongFocus);
        b->setFocus(Qt::MouseFocusReason);
        EXPECT_EQ(form->focusWidget(), &itemList) << b->objectName().toStdString();
    }
}

} // namespace
