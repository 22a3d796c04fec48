// The shopping list on screen: its drawing (records and pixels), hit tests and row walkers,
// clicks, the mouse wheel and the scroll bars, driven through a real window on a real store.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>
#include <filesystem>

#include "TestSupport.h"
#include "graphics/widgets/RasterImage.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/gui/ToolBar.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;

// Records the errand editor's openings instead of showing it, and takes the system's wheel
// setting from the test.
class Window : public TFormMain {
public:
    int errandEditorRuns = 0;
    int wheelLines = 3;
    void MItemStoreEditErrandsClick() override { ++errandEditorRuns; }
    int WheelScrollLines() const override { return wheelLines; }
};

class ShoppingListTest : public qmtest::DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        RegDeleteKey(kCompany, kProduct, "Settings");
        SetTestNow(EncodeDate(2026, 12, 7) + 0.5);
        stores = temp.path() + "/stores/";
        std::filesystem::create_directories(stores);
        RegWriteString(kCompany, kProduct, "Settings", stores, "StorageDir");
        RegWriteString(kCompany, kProduct, "Settings", "Shop", "Last Store");
        RegWriteBool(kCompany, kProduct, "Settings", false, "DoCheckForLatest");
        RegWriteBool(kCompany, kProduct, "Settings", false, "ShowTOTD");
        RegWriteDateTime(kCompany, kProduct, "Settings", Now(), "LastCheckDT");
        RegWriteInteger(kCompany, kProduct, "Settings\\Window", 320, "SplitLR");
        qmtest::WriteFile(stores + "Shop.store", "[--Info--]\r\nAisles=Front,,Back,,\r\n"
                                                 "[--Errands--]\r\nBank=1\r\nPost office=0\r\n"
                                                 "[Dairy]\r\nMilk=Front,-,,-,2,-,1,-,0,-,0,-,\r\n"
                                                 "Eggs=Back,-,Brown ones,-,1\r\nButter=Front,-,,-,0\r\n"
                                                 "[Fruit]\r\nKiwi=Back,-,,-,1\r\n");
    }
    void TearDown() override
    {
        SetTestNow(std::nullopt);
        DialogFixture::TearDown();
    }
    std::unique_ptr<Window> Start(int height = 500)
    {
        RegWriteInteger(kCompany, kProduct, "Settings\\Window", height, "Height");
        RegWriteInteger(kCompany, kProduct, "Settings\\Window", 900, "Width");
        auto form = std::make_unique<Window>();
        form->FormCreate();
        form->show();
        QApplication::processEvents();
        form->FormResize(); // the lists are laid out from the first resize after start-up
        return form;
    }
    // Store files with many lines, for scrolling.
    void WriteLongStore(int lines)
    {
        std::string text = "[Dairy]\r\n";
        for (int i = 0; i < lines; ++i)
            text += "Item " + std::to_string(100 + i) + "=,-,,-,1\r\n";
        qmtest::WriteFile(stores + "Shop.store", text);
    }
    // Columns in [x0, x1) of rows [y0, y1) of the list picture that are not background.
    static std::vector<int> InkedColumns(TFormMain& form, int x0, int x1, int y0, int y1)
    {
        TBitmap32& bmp = form.ImageShoppingList->Bitmap();
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
    static int TextWidthAt(int size, const AnsiString& text)
    {
        TBitmap32 bmp;
        bmp.Font().SetName("Arial");
        bmp.Font().SetSize(size);
        return bmp.TextWidth(text);
    }
    static void Wheel(QWidget* over, int delta)
    {
        const QPointF local(over->width() / 2.0, over->height() / 2.0);
        QWheelEvent event(local, over->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(over, &event);
    }
    static void Click(QWidget* on, int x, int y)
    {
        const QPointF local(x, y);
        QMouseEvent press(QEvent::MouseButtonPress, local, on->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(on, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, local, on->mapToGlobal(local), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(on, &release);
    }
    qmtest::TempDir temp;
    AnsiString stores;
};

TEST_F(ShoppingListTest, ByAisleRowsFollowEachOtherWithPrefixCouponAndNote)
{
    auto form = Start();
    const QMShopList& list = form->ShopList;
    ASSERT_TRUE(list.SortByAisle);
    const int item = list.ItemRowHeight;
    const int group = list.GroupRowHeight;
    const int note = list.NoteRowHeight;
    EXPECT_GT(group, item);
    EXPECT_GT(item, note + 2);

    // Errands first (no aisle name), then Front: Dairy/Milk, then Back: Dairy/Eggs, Fruit/Kiwi.
    ASSERT_EQ(list.AisleCount(), 3);
    const QMShopListCat& errands = list.Aisles[0].Cats[0];
    const QMShopListCat& frontDairy = list.Aisles[1].Cats[0];
    const QMShopListCat& backDairy = list.Aisles[2].Cats[0];
    const QMShopListCat& fruit = list.Aisles[2].Cats[1];
    EXPECT_EQ(list.Aisles[0].RowTop, 0);
    EXPECT_EQ(errands.RowTop, 0);
    EXPECT_EQ(errands.Items[0].RowTop, group);
    EXPECT_EQ(list.Aisles[1].RowTop, group + item); // the aisle name shares its header's line
    EXPECT_EQ(frontDairy.RowTop, group + item);
    const QMShopListItem& milk = frontDairy.Items[0];
    const QMShopListItem& eggs = backDairy.Items[0];
    EXPECT_EQ(milk.RowTop, 2 * group + item);
    EXPECT_EQ(milk.RowHeight, item);
    EXPECT_EQ(backDairy.RowTop, 2 * group + 2 * item);
    EXPECT_EQ(eggs.RowHeight, item + note);
    EXPECT_EQ(fruit.RowTop, eggs.RowTop + item + note);
    EXPECT_EQ(fruit.Items[0].RowTop, fruit.RowTop + group);
    EXPECT_TRUE(form->ShoppingListBar->isHidden());

    // "(2)" ends one blank before the name; a quantity of 1 has no prefix.
    const int nameLeft = TextWidthAt(8, "  ") + TextWidthAt(8, "(20)") + list.TextMarginX;
    const std::vector<int> milkPrefix = InkedColumns(*form, 0, nameLeft, milk.RowTop + 1, milk.RowTop + item);
    ASSERT_FALSE(milkPrefix.empty());
    EXPECT_LE(milkPrefix.back(), nameLeft - TextWidthAt(8, " "));
    EXPECT_GE(milkPrefix.back(), nameLeft - TextWidthAt(8, " ") - 3);
    EXPECT_TRUE(InkedColumns(*form, 0, nameLeft, eggs.RowTop + 1, eggs.RowTop + item).empty());

    // The coupon line ends in two blanks and the cent sign.
    const std::vector<int> milkText = InkedColumns(*form, nameLeft, 320, milk.RowTop + 1, milk.RowTop + item);
    ASSERT_FALSE(milkText.empty());
    EXPECT_GT(milkText.back(), nameLeft + TextWidthAt(10, "Milk  "));
    EXPECT_LE(milkText.back(), nameLeft + TextWidthAt(10, "Milk  \xA2"));

    // The note is a second line indented by nine blanks.
    const int noteLeft = TextWidthAt(10, "         ") + list.TextMarginX;
    const std::vector<int> noteInk =
        InkedColumns(*form, 0, 320, eggs.RowTop + item, eggs.RowTop + item + note);
    ASSERT_FALSE(noteInk.empty());
    EXPECT_GE(noteInk.front(), noteLeft);
    EXPECT_LE(noteInk.front(), noteLeft + 2);

    // The aisle name stands at the right end of its header line, under a rule across.
    TBitmap32& bmp = form->ImageShoppingList->Bitmap();
    EXPECT_EQ(bmp.Width, form->ImageShoppingList->width());
    const TColor32 text = Color32(form->TextColor.red(), form->TextColor.green(), form->TextColor.blue());
    EXPECT_EQ(bmp.PixelAt(0, frontDairy.RowTop), text);
    EXPECT_EQ(bmp.PixelAt(bmp.Width - 1, frontDairy.RowTop), text);
    const std::vector<int> header =
        InkedColumns(*form, bmp.Width / 2, bmp.Width, frontDairy.RowTop + 1, frontDairy.RowTop + group);
    ASSERT_FALSE(header.empty());
    EXPECT_GE(header.back(), bmp.Width - list.TextMarginX - 3);
    EXPECT_LT(header.back(), bmp.Width - list.TextMarginX);
}

TEST_F(ShoppingListTest, ByCategoryGroupsUnderBlackRulesAndWalksRowByRow)
{
    RegWriteBool(kCompany, kProduct, "Settings", false, "SortByAisle");
    RegWriteBool(kCompany, kProduct, "Settings", false, "ErrandsOnTop");
    auto form = Start();
    const QMShopList& list = form->ShopList;
    ASSERT_FALSE(list.SortByAisle);
    ASSERT_EQ(list.CatCount(), 3); // Dairy, Fruit, Errands
    TBitmap32& bmp = form->ImageShoppingList->Bitmap();
    for (const QMShopListCat& group : list.Cats)
        EXPECT_EQ(bmp.PixelAt(bmp.Width - 1, group.RowTop), 0xFF000000u) << group.Name;

    // From the first header down, every row once, then the end.
    std::vector<std::array<int32_t, 3>> walk;
    int32_t aisle = 7, cat = 0, line = -1;
    while (cat >= 0) {
        walk.push_back({aisle, cat, line});
        form->ShoppingListRowBelow(aisle, cat, line, aisle, cat, line);
    }
    const std::vector<std::array<int32_t, 3>> expected = {
        {7, 0, -1}, {-1, 0, 0}, {-1, 0, 1}, {-1, 1, -1}, {-1, 1, 0}, {-1, 2, -1}, {-1, 2, 0}};
    EXPECT_EQ(walk, expected);
    EXPECT_EQ(line, -1);
    EXPECT_THROW(form->ShoppingListRowBelow(-1, 3, -1, aisle, cat, line), ERangeError);
    EXPECT_THROW(form->ShoppingListRowBelow(-1, 0, 2, aisle, cat, line), ERangeError);

    // A group without lines is followed by the next group's header.
    form->ShopList.Cats[1].Items.clear();
    form->ShopList.ItemCount -= 1;
    form->DrawShoppingList();
    form->ShoppingListRowBelow(-1, 1, -1, aisle, cat, line);
    EXPECT_EQ(cat, 2);
    EXPECT_EQ(line, -1);
}

TEST_F(ShoppingListTest, HitTestsGiveSharedBordersToTheUpperRow)
{
    auto form = Start();
    const QMShopList& list = form->ShopList;
    const QMShopListCat& backDairy = list.Aisles[2].Cats[0];
    const QMShopListItem& eggs = backDairy.Items[0];
    int32_t cat = 0, item = 0;
    const auto hit = [&](int32_t y) {
        form->ShoppingListHitTest(y, cat, item);
        return std::pair(cat, item);
    };
    EXPECT_EQ(hit(0), std::pair(kErrandRow, kNoRow)); // the errands caption
    EXPECT_EQ(hit(list.GroupRowHeight + 1), std::pair(kErrandRow, kErrandRow));
    const int32_t milk = list.Aisles[1].Cats[0].Items[0].ItemIndex;
    EXPECT_EQ(hit(backDairy.RowTop), std::pair(0, milk)); // the border above Back's Dairy
    EXPECT_EQ(hit(backDairy.RowTop + 1), std::pair(0, -1));
    EXPECT_EQ(hit(eggs.RowTop), std::pair(0, -1));
    EXPECT_EQ(hit(eggs.RowTop + list.ItemRowHeight + 2), std::pair(0, eggs.ItemIndex)); // the note line
    EXPECT_EQ(hit(eggs.RowTop + eggs.RowHeight), std::pair(0, eggs.ItemIndex));
    EXPECT_EQ(hit(eggs.RowTop + eggs.RowHeight + 1), std::pair(1, -1));
    EXPECT_EQ(hit(400), std::pair(kNoRow, kNoRow));
    EXPECT_EQ(hit(-1), std::pair(kNoRow, kNoRow));

    // In list terms a line is its first line only; the aisle is kept when nothing is there.
    int32_t aisle = 5, group = 0, line = 0;
    form->ShoppingListRowAt(eggs.RowTop + 1, aisle, group, line);
    EXPECT_EQ(std::tuple(aisle, group, line), std::tuple(2, 0, 0));
    aisle = 5;
    form->ShoppingListRowAt(eggs.RowTop + list.ItemRowHeight + 2, aisle, group, line);
    EXPECT_EQ(std::tuple(aisle, group, line), std::tuple(5, -1, -1));
}

TEST_F(ShoppingListTest, ClicksOpenTheErrandEditorOrSelectTheRowAndLeaveTheKeysToTheItemList)
{
    auto form = Start();
    const QMShopList& list = form->ShopList;
    form->ComboStores->setFocus();
    Click(form->ImageShoppingList, 50, 1);
    Click(form->ImageShoppingList, 50, list.GroupRowHeight + 2);
    EXPECT_EQ(form->errandEditorRuns, 2);
    EXPECT_EQ(form->focusWidget(), form->ImageItemList);

    form->ComboStores->setFocus();
    const QMShopListItem& kiwi = list.Aisles[2].Cats[1].Items[0];
    Click(form->ImageShoppingList, 50, kiwi.RowTop + 2);
    EXPECT_EQ(form->errandEditorRuns, 2);
    EXPECT_EQ(form->focusWidget(), form->ImageItemList);
    EXPECT_EQ(std::pair(form->Store.SelCategory, form->Store.SelItem), std::pair(kiwi.CategoryIndex, kiwi.ItemIndex));

    // Below the last row: the first category's row.
    Click(form->ImageShoppingList, 50, form->ImageShoppingList->height() - 2);
    EXPECT_EQ(std::pair(form->Store.SelCategory, form->Store.SelItem), std::pair(0, -1));
}

TEST_F(ShoppingListTest, ALongListScrollsAndShowsItsTopAgainOnceItFits)
{
    WriteLongStore(60);
    auto form = Start();
    const QMShopList& list = form->ShopList;
    const QMShopListCat& dairy = list.Aisles[0].Cats[0];
    const int content = list.GroupRowHeight + 60 * list.ItemRowHeight;
    const int height = form->ImageShoppingList->height();
    ASSERT_GT(content, height);
    EXPECT_FALSE(form->ShoppingListBar->isHidden());
    EXPECT_EQ(form->ShoppingListBar->maximum(), content - height);
    EXPECT_EQ(form->ShoppingListBar->pageStep(), height);
    EXPECT_EQ(form->ShoppingListBar->singleStep(), list.ItemRowHeight);
    // The picture spans the image beside the bar.
    EXPECT_EQ(form->ImageShoppingList->Bitmap().Width, form->ImageShoppingList->width());
    EXPECT_LE(form->ImageShoppingList->geometry().right(), form->ShoppingListBar->geometry().left());

    // Scrolled to the end, the last line ends at the image's bottom.
    form->ShoppingListBar->setValue(form->ShoppingListBar->maximum());
    EXPECT_EQ(dairy.RowTop, -(content - height));
    EXPECT_EQ(dairy.Items.back().RowTop + list.ItemRowHeight, height);
    EXPECT_FALSE(InkedColumns(*form, 0, 200, height - list.ItemRowHeight, height).empty());

    // A row cut by the top edge shows its lower part.
    form->ShoppingListBar->setValue(list.GroupRowHeight + list.ItemRowHeight / 2);
    EXPECT_EQ(dairy.Items[0].RowTop, -(list.ItemRowHeight / 2));
    EXPECT_FALSE(InkedColumns(*form, 0, 200, 0, list.ItemRowHeight / 2).empty());

    // Fewer lines: the bar goes and the list shows from its top.
    form->ShopList.Aisles[0].Cats[0].Items.resize(3);
    form->ShopList.ItemCount = 3;
    form->DrawShoppingList();
    EXPECT_TRUE(form->ShoppingListBar->isHidden());
    EXPECT_EQ(form->ShoppingListBar->value(), 0);
    EXPECT_EQ(dairy.RowTop, 0);
    EXPECT_EQ(form->ImageShoppingList->Bitmap().Width, form->ImageShoppingList->width());
}

TEST_F(ShoppingListTest, OneWheelNotchScrollsOneRowOrAThirdOfAPage)
{
    WriteLongStore(80);
    auto form = Start();
    QScrollBar* bar = form->ShoppingListBar;
    const int row = form->ShopList.ItemRowHeight;
    form->ImageItemList->setFocus();
    bar->setValue(100);

    Wheel(form->ImageShoppingList, -120);
    EXPECT_EQ(bar->value(), 100 + row);
    EXPECT_EQ(form->ShopList.Aisles[0].Cats[0].RowTop, -(100 + row)); // redrawn at once
    Wheel(form->ShoppingListBar, 120); // over the bar it is the same wheel
    EXPECT_EQ(bar->value(), 100);
    Wheel(form->ImageShoppingList, 60); // half a notch waits for the other half
    EXPECT_EQ(bar->value(), 100);
    Wheel(form->ImageShoppingList, 60);
    EXPECT_EQ(bar->value(), 100 - row);

    // Over the item list its own bar moves by one of its rows.
    QScrollBar* items = form->ItemListBar;
    ASSERT_FALSE(items->isHidden());
    items->setValue(100);
    Wheel(form->ImageItemList, -120);
    EXPECT_EQ(items->value(), 100 + form->Store.ItemRowHeight);
    EXPECT_EQ(bar->value(), 100 - row);

    form->wheelLines = -1; // a page per notch
    const int page = form->ImageShoppingList->height() / row;
    Wheel(form->ImageShoppingList, -120);
    EXPECT_EQ(bar->value(), 100 - row + int(std::lrint(page / 3.0 * row)));
    Wheel(form->ImageShoppingList, 240);
    EXPECT_EQ(bar->value(), 0); // kept within the range
}

TEST_F(ShoppingListTest, TheWheelRestsWhileTheFindBoxesHaveTheFocusOrTheBarIsHidden)
{
    WriteLongStore(80);
    auto form = Start();
    QScrollBar* bar = form->ShoppingListBar;
    bar->setValue(100);
    form->ToolbarSearch->setVisible(true);
    for (QWidget* box : {static_cast<QWidget*>(form->ComboFind), static_cast<QWidget*>(form->EditSearch)}) {
        box->setFocus();
        Wheel(form->ImageShoppingList, -120);
        EXPECT_EQ(bar->value(), 100) << box->objectName().toStdString();
    }

    // Over the item list with its bar hidden the shopping list does not move either.
    form->ImageItemList->setFocus();
    form->ItemListBar->setVisible(false);
    Wheel(form->ImageItemList, -120);
    EXPECT_EQ(bar->value(), 100);

    // Nor over a shopping list that fits.
    qmtest::WriteFile(stores + "Shop.store", "[Dairy]\r\nMilk=,-,,-,1\r\n");
    form->LoadStore("Shop");
    form->BuildShoppingList();
    form->DrawShoppingList();
    ASSERT_TRUE(bar->isHidden());
    Wheel(form->ImageShoppingList, -120);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(form->ShopList.Aisles[0].Cats[0].RowTop, 0);
}

TEST_F(ShoppingListTest, AScrollBarHandsTheFocusBackToTheItemList)
{
    WriteLongStore(80);
    auto form = Start();
    form->ImageItemList->setFocus();
    for (QScrollBar* bar : {form->ShoppingListBar, form->ItemListBar}) {
        bar->setFocusPolicy(Qt::StrongFocus);
        bar->setFocus(Qt::MouseFocusReason);
        EXPECT_EQ(form->focusWidget(), form->ImageItemList) << bar->objectName().toStdString();
    }
    const int before = form->ShoppingListBar->value();
    Click(form->ShoppingListBar, form->ShoppingListBar->width() / 2, form->ShoppingListBar->height() - 30);
    EXPECT_GT(form->ShoppingListBar->value(), before);
    EXPECT_EQ(form->focusWidget(), form->ImageItemList);
}

TEST_F(ShoppingListTest, StorePickerEntriesShowTheNameBesideTheIcon)
{
    auto form = Start();
    QImage picture(200, 16, QImage::Format_ARGB32);
    picture.fill(Qt::green);
    const QPalette& colours = form->ComboStores->palette();
    for (bool selected : {false, true}) {
        QPainter painter(&picture);
        form->ComboStoresDrawItem(form->ComboStores, painter, 0, QRect(0, 0, 200, 16), selected);
        painter.end();
        const QColor fill = colours.color(selected ? QPalette::Highlight : QPalette::Base);
        EXPECT_EQ(picture.pixelColor(150, 8), fill);
        int firstInk = -1;
        for (int x = 2; x < 150 && firstInk < 0; ++x)
            for (int y = 2; y < 14; ++y)
                if (picture.pixelColor(x, y) != fill) {
                    firstInk = x;
                    break;
                }
        EXPECT_GE(firstInk, 24); // the store's name, "Shop", after the icon's room
        EXPECT_LE(firstInk, 27);
    }
}

} // namespace
