// The row positions of the two list images, against the rows laid out one by one.
#include <gtest/gtest.h>
#include <vector>

#include "mainwindow/ListLayout.h"

namespace {

using namespace qm;
using Row = ShopListLayout::Row;

// Items placed with one row height and read with another (the font changed since the
// category was last open), or with none (not open in a drawing since the store was loaded):
// the first item whose row holds a line, and the items whose top lies in the image, are
// those a walk over every row finds.
TEST(ItemListLayout, ItemsAreFoundByArithmeticAsAWalkOverEveryRowFindsThem)
{
    for (int32_t step : {0, 1, 7, 20})
        for (int32_t height : {step, 15, 25})
            for (int32_t first : {-1000, -41, -40, 0, 3})
                for (int32_t count : {0, 1, 5, 40}) {
                    ItemListLayout rows;
                    rows.ItemRowHeight = step;
                    rows.PlaceItems(2, first);
                    rows.ItemRowHeight = height;
                    const auto top = [&](int32_t i) { return first + i * step; };
                    for (int32_t y = first - 50; y <= top(count) + 50; ++y) {
                        int32_t expected = -1;
                        for (int32_t i = 0; i < count && expected < 0; ++i)
                            if (top(i) <= y && y <= top(i) + height)
                                expected = i;
                        ASSERT_EQ(rows.ItemAt(2, count, y), expected) << step << " " << first << " " << y;
                    }
                    for (int32_t image : {0, 1, 99, 100}) {
                        std::vector<int32_t> expected, found;
                        for (int32_t i = 0; i < count; ++i)
                            if (top(i) >= 0 && top(i) <= image)
                                expected.push_back(i);
                        const auto [begin, end] = rows.ItemsWithTopIn(2, count, image);
                        for (int32_t i = begin; i < end; ++i)
                            found.push_back(i);
                        ASSERT_EQ(found, expected) << step << " " << first << " " << image;
                    }
                }
}

TEST(ItemListLayout, RowsKeepTheirDrawingUntilTheStoreIsLoaded)
{
    ItemListLayout rows;
    rows.ItemRowHeight = 20;
    rows.PlaceCategory(1, 30);
    rows.PlaceItems(1, 52);
    rows.PlaceCategory(1, -70); // drawn again collapsed and scrolled: its items stay
    EXPECT_EQ(rows.RowTop(1, -1), -70);
    EXPECT_EQ(rows.RowTop(1, 3), 112);
    EXPECT_EQ(rows.RowTop(0, 3), 0); // never drawn
    rows.ForgetRows();
    EXPECT_EQ(rows.RowTop(1, -1), 0);
    EXPECT_EQ(rows.RowTop(1, 3), 0);
    EXPECT_EQ(rows.ItemRowHeight, 20);
}

TEST(ShopListLayout, RowsAreFoundByTheirPlaceInTheListAndOnlyThere)
{
    ShopListLayout rows;
    rows.Begin(true);
    rows.AddAisle(0);
    rows.AddGroup(0, 20);
    rows.AddLine(20, 15);
    rows.AddLine(35, 25);
    rows.AddAisle(60);
    rows.AddGroup(60, 20); // no lines
    rows.AddGroup(80, 20);
    rows.AddLine(100, 15);
    EXPECT_EQ(rows.AisleTop(1), 60);
    EXPECT_EQ(rows.Line(0, 0, 1).RowTop, 35);
    EXPECT_EQ(rows.Line(1, 1, 0).RowTop, 100);
    EXPECT_EQ(rows.Group(1, 1).RowTop, 80);
    EXPECT_EQ(rows.NthGroup(2).RowTop, 80);
    EXPECT_EQ(rows.NthLine(2).RowTop, 100);
    // Past the end of a group or an aisle is no row, not the next one's.
    for (const Row& none : {rows.Group(0, 1), rows.Group(2, 0), rows.Line(1, 0, 0), rows.Line(0, 0, 2),
                            rows.Line(1, 1, 1), rows.NthLine(3), rows.Group(-1, 0)})
        EXPECT_EQ(std::pair(none.RowTop, none.RowHeight), std::pair(0, 0));

    rows.Begin(false); // by category the aisle is not looked at
    rows.AddGroup(0, 20);
    rows.AddGroup(20, 20);
    rows.AddLine(40, 15);
    EXPECT_EQ(rows.Group(7, 1).RowTop, 20);
    EXPECT_EQ(rows.Line(-1, 1, 0).RowHeight, 15);
    rows.ForgetRows();
    EXPECT_EQ(rows.Line(-1, 1, 0).RowHeight, 0);
    EXPECT_EQ(rows.Group(-1, 1).RowTop, 0);
}

} // namespace
