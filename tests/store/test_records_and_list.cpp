#include <gtest/gtest.h>

#include <random>

#include "platform/Exception.h"
#include "store/QMStore.h"
#include "store/ShopList.h"
#include "store/StoreFiles.h"
#include "util/ExtraStrUtils.h"

using namespace qm;

namespace {

QMItem Item(const char* name, const char* aisle, int qty, int32_t aisleIndex, bool coupon = false)
{
    QMItem i;
    i.Name = name;
    i.Aisle = aisle;
    i.Qty = qty;
    i.AisleIndex = aisleIndex;
    i.HasCoupon = coupon;
    return i;
}

QMCategory Cat(const char* name, std::vector<QMItem> items)
{
    QMCategory c;
    c.Name = name;
    c.Items = std::move(items);
    return c;
}

// The order records must end in: a bubble sort that swaps only strictly greater neighbours.
using Tagged = std::pair<AnsiString, int>;
std::vector<Tagged> BubbleSorted(std::vector<Tagged> v)
{
    for (int p = int(v.size()) - 2; p >= 0; --p)
        for (int j = 0; j <= p; ++j)
            if (CompareNames(v[size_t(j)].first, v[size_t(j) + 1].first) > 0)
                std::swap(v[size_t(j)], v[size_t(j) + 1]);
    return v;
}

} // namespace

TEST(StoreRecords, NameLookupFoldsOnlyAsciiLettersAndPrefersTheEarlierRow)
{
    QMStore s;
    EXPECT_EQ(s.FindItemByName("milk"), std::make_pair(-1, -1));
    EXPECT_EQ(s.GetSelectedCategoryName(), "");
    EXPECT_EQ(s.GetSelectedItemName(), "");
    s.Categories = {Cat("Bakery", {Item("Dairy", "", 0, -1), Item("Caf\xE9", "", 0, -1)}),
                    Cat("Dairy", {Item("Milk", "", 0, -1)}), Cat("Milk", {})};
    EXPECT_EQ(s.FindItemByName("DAIRY"), std::make_pair(0, 0)); // earlier item beats later category
    EXPECT_EQ(s.FindItemByName("milk"), std::make_pair(1, 0));
    EXPECT_EQ(s.FindItemByName("bakery"), std::make_pair(0, -1));
    EXPECT_EQ(s.FindItemByName("caf\xC9"), std::make_pair(-1, -1)); // no "é" -> "É" folding,
    EXPECT_EQ(s.FindItemByName("CAF\xE9"), std::make_pair(0, 1));   // only a-z
    s.Aisles = {"Produce", "Dairy", "dairy"};
    EXPECT_EQ(s.FindAisleIndex("DAIRY"), 1);
    EXPECT_EQ(s.FindAisleIndex("Frozen"), -1);
    s.SelCategory = 1;
    s.SelItem = 0;
    EXPECT_EQ(s.GetSelectedItemName(), "Milk");
    EXPECT_EQ(s.GetSelectedItemFieldText(7), "");
    s.SelItem = 5;
    EXPECT_THROW(s.GetSelectedItemFieldText(1), ERangeError);
}

TEST(StoreRecords, SortsMatchTheStableBubbleOrderOnUpperCasedNames)
{
    std::mt19937 rng(7);
    const char* pool[] = {"a", "A", "b", "B", "ab", "AB", "Ab", "\xE9", "\xC9", "a b", "_", "z"};
    for (int round = 0; round < 50; ++round) {
        QMStore s;
        s.Categories.push_back(Cat("x", {}));
        std::vector<Tagged> cats, items;
        for (int n = 0; n < 12; ++n) {
            cats.emplace_back(pool[rng() % std::size(pool)], n);
            items.emplace_back(pool[rng() % std::size(pool)], n);
            s.Categories[0].Items.push_back(Item(items.back().first.c_str(), "", 0, -1));
            s.Categories[0].Items.back().ListItemIdx = n; // tells equal names apart
        }
        s.SortItems(0);
        std::vector<Tagged> got;
        for (const auto& i : s.Categories[0].Items)
            got.emplace_back(i.Name, i.ListItemIdx);
        ASSERT_EQ(got, BubbleSorted(items)) << "round " << round;

        s.Categories.clear();
        for (const auto& [name, tag] : cats) {
            s.Categories.push_back(Cat(name.c_str(), {}));
            s.Categories.back().ListCatIdx = tag;
        }
        s.SortCategories();
        got.clear();
        for (const auto& c : s.Categories)
            got.emplace_back(c.Name, c.ListCatIdx);
        ASSERT_EQ(got, BubbleSorted(cats)) << "round " << round;
    }
}

TEST(StoreRecords, ValueLinesAndNumbers)
{
    QMStore s;
    s.Categories = {Cat("Dairy", {Item("Milk", "Produce", 2, 0)})};
    EXPECT_EQ(s.FormatItemValue(0, 0), "Produce,-,,-,2,-,0,-,0,-,0,-,");
    QMItem& m = s.Categories[0].Items[0];
    m.HasCoupon = m.IsStoreCoupon = true;
    m.CouponExpire = 46363.75;
    m.Note = "2%";
    EXPECT_EQ(s.FormatItemValue(0, 0), "Produce,-,2%,-,2,-,1,-,46363.75,-,1,-,");
    EXPECT_THROW(s.FormatItemValue(0, 1), ERangeError);
    EXPECT_EQ(FormatExpiry(46364), "46364");
    EXPECT_EQ(FormatExpiry(0), "0");
    EXPECT_EQ(FormatExpiry(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(ParseStoreInt(" 12"), 12);
    EXPECT_EQ(ParseStoreInt("12x"), 0);
    EXPECT_EQ(ParseStoreInt("99999999999"), 0);
    EXPECT_EQ(ParseStoreFloat("46363,5"), 46363.5); // written under a comma-decimal setting
    EXPECT_EQ(ParseStoreFloat("4.6E4"), 46000.0);
    EXPECT_EQ(ParseStoreFloat("nan"), 0.0);
    EXPECT_EQ(ParseStoreFloat("soon"), 0.0);
}

TEST(DelimitedFields, SplitLikeTheFieldRoutineBeyondItsLimit)
{
    const auto f = SplitFields(",,", "a,,,b", 10);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0], "a");
    EXPECT_EQ(f[1], "");
    EXPECT_EQ(f[2], "b");
    EXPECT_EQ(SplitList(",,", "A,,B,,,,C,,"), (std::vector<AnsiString>{"A", "B"}));
    std::string long300;
    for (int n = 0; n < 300; ++n)
        long300 += "e" + std::to_string(n) + ",,";
    EXPECT_EQ(SplitList(",,", long300).size(), 300u);

    // Within the field routine's range both splits agree, overlapping delimiters included.
    std::mt19937 rng(11);
    const char alphabet[] = ",-&a";
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (int n = int(rng() % 14); n > 0; --n)
            text += alphabet[rng() % 4];
        for (const char* delim : {",,", ",-,", "&-&", ","}) {
            const auto fields = SplitFields(delim, text, 255);
            for (int n = 1; n <= int(fields.size()) + 2; ++n)
                ASSERT_EQ(n <= int(fields.size()) ? AnsiString(fields[size_t(n) - 1]) : AnsiString(),
                          GetDelimitedField(delim, text, n))
                    << "text '" << text << "' delimiter '" << delim << "' field " << n;
        }
    }
}

class ShopListTest : public ::testing::Test {
protected:
    QMStore s;
    QMShopList list;
    ShopListSettings settings;

    void SetUp() override
    {
        for (int n = 0; n < 120; ++n)
            s.Aisles.push_back(std::to_string(n));
        s.Categories = {Cat("Dairy", {Item("Cheese", "110", 1, 110), Item("Eggs", "3", 0, 3),
                                      Item("Milk", "3", 3, 3, true), Item("Yogurt", "Far away", 1, -1)}),
                        Cat("errands", {Item("Post", "5", 2, 5)}),
                        Cat("Fruit", {Item("Apple", "", 1, -1), Item("Pear", "3", 1, 3)})};
        s.Errands = {{"Bank", true}, {"Bottles", false}};
        s.ErrandsOnList = 1;
    }
    // Every listed item's links must lead back to its own line.
    void ExpectLinksLeadBack()
    {
        for (int32_t c = 0; c < s.CategoryCount(); ++c)
            for (int32_t i = 0; i < s.Categories[size_t(c)].ItemCount(); ++i) {
                const QMItem& it = s.Categories[size_t(c)].Items[size_t(i)];
                if (it.Qty <= 0)
                    continue;
                const auto& cats =
                    it.ListAisleIdx < 0 ? list.Cats : list.Aisles.at(size_t(it.ListAisleIdx)).Cats;
                const auto& line = cats.at(size_t(it.ListCatIdx)).Items.at(size_t(it.ListItemIdx));
                EXPECT_EQ(line.CategoryIndex, c);
                EXPECT_EQ(line.ItemIndex, i);
            }
    }
};

TEST_F(ShopListTest, ByAisleGroupsInWalkingOrderWithErrandsFirstOrLast)
{
    EXPECT_EQ(BuildShoppingList(s, list, settings), "Items to buy: 9.  With coupons: 1");
    std::vector<int32_t> order;
    for (const auto& a : list.Aisles)
        order.push_back(a.AisleIndex);
    EXPECT_EQ(order, (std::vector<int32_t>{-2, -1, 3, 5, 110}));
    EXPECT_EQ(list.Aisles[1].Name, "Far away"); // the first unlisted aisle text met names the group
    ASSERT_EQ(list.Aisles[1].CatCount(), 2);    // Dairy's Yogurt, Fruit's Apple
    EXPECT_EQ(list.Aisles[0].Cats[0].Name, "Errands");
    EXPECT_EQ(list.Aisles[0].Cats[0].Items[0].CategoryIndex, kErrandRow);
    EXPECT_EQ(list.ItemCount, 7); // 6 item lines + 1 errand
    EXPECT_EQ(list.ErrandCount, 1);
    // Dairy is split over three aisles; its links name the group made last (Yogurt's, -1).
    EXPECT_EQ(list.Aisles.at(size_t(s.Categories[0].ListAisleIdx)).AisleIndex, -1);
    ExpectLinksLeadBack();

    settings.ErrandsOnTop = false;
    BuildShoppingList(s, list, settings);
    order.clear();
    for (const auto& a : list.Aisles)
        order.push_back(a.AisleIndex);
    EXPECT_EQ(order, (std::vector<int32_t>{-1, 3, 5, 99, 110})); // aisles past 99 follow the errands
    ExpectLinksLeadBack();
}

TEST_F(ShopListTest, ByCategoryPutsACategoryNamedLikeTheCaptionIntoTheErrands)
{
    settings.SortByAisle = false;
    BuildShoppingList(s, list, settings);
    ASSERT_EQ(list.CatCount(), 3);
    EXPECT_EQ(list.Cats[0].Name, "Errands");
    ASSERT_EQ(list.Cats[0].ItemCount(), 2); // Bank, then the item Post of category "errands"
    EXPECT_EQ(list.Cats[0].Items[1].Name, "Post");
    EXPECT_EQ(list.Cats[1].Name, "Dairy");
    ExpectLinksLeadBack();

    settings.ErrandsOnTop = false; // now "errands" is a group of its own, before the errands
    BuildShoppingList(s, list, settings);
    ASSERT_EQ(list.CatCount(), 4);
    EXPECT_EQ(list.Cats[1].Name, "errands");
    EXPECT_EQ(list.Cats[3].Name, "Errands");
    EXPECT_FALSE(list.SortByAisle);
}

TEST_F(ShopListTest, NothingToBuyGivesNoGroupsAndZeroTotals)
{
    for (auto& c : s.Categories)
        for (auto& i : c.Items)
            i.Qty = 0;
    s.ErrandsOnList = 0;
    EXPECT_EQ(BuildShoppingList(s, list, settings), "Items to buy: 0.  With coupons: 0");
    EXPECT_EQ(list.AisleCount(), 0);
    EXPECT_EQ(list.ItemCount, 0);
}

TEST_F(ShopListTest, HugeQuantitiesStopTheTotalAtTheLargestCount)
{
    s.Categories[0].Items[0].Qty = INT32_MAX;
    s.Categories[0].Items[2].Qty = INT32_MAX;
    EXPECT_EQ(BuildShoppingList(s, list, settings), "Items to buy: 2147483647.  With coupons: 1");
    EXPECT_EQ(list.ItemCount, 7);
}
