#include "mainwindow/ListLayout.h"

#include <algorithm>

#include "platform/Exception.h"
#include "store/QMStore.h"
#include "store/ShopList.h"

namespace qm {

namespace {

// Integer division rounding up and down, for a positive divisor.
int64_t DivUp(int64_t a, int64_t b)
{
    return a >= 0 ? (a + b - 1) / b : -(-a / b);
}

int64_t DivDown(int64_t a, int64_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The category group at a shopping-list position; ERangeError when there is none.
const QMShopListCat& GroupAt(const QMShopList& list, int32_t aisleIdx, int32_t catIdx)
{
    const std::vector<QMShopListCat>* cats = &list.Cats;
    if (list.SortByAisle) {
        if (aisleIdx < 0 || aisleIdx >= list.AisleCount())
            throw ERangeError(Format("Aisle group index out of range (%d)", int(aisleIdx)));
        cats = &list.Aisles[size_t(aisleIdx)].Cats;
    }
    if (catIdx < 0 || catIdx >= int32_t(cats->size()))
        throw ERangeError(Format("Category group index out of range (%d)", int(catIdx)));
    return (*cats)[size_t(catIdx)];
}

} // namespace

ItemListLayout::CategoryRows ItemListLayout::Rows(int32_t cat) const
{
    return cat >= 0 && size_t(cat) < cats_.size() ? cats_[size_t(cat)] : CategoryRows{};
}

ItemListLayout::CategoryRows& ItemListLayout::Placed(int32_t cat)
{
    if (size_t(cat) >= cats_.size())
        cats_.resize(size_t(cat) + 1);
    return cats_[size_t(cat)];
}

void ItemListLayout::PlaceCategory(int32_t cat, int32_t top)
{
    Placed(cat).Top = top;
}

void ItemListLayout::PlaceItems(int32_t cat, int32_t firstItemTop)
{
    CategoryRows& rows = Placed(cat);
    rows.FirstItemTop = firstItemTop;
    rows.ItemStep = ItemRowHeight;
}

int32_t ItemListLayout::CategoryTop(int32_t cat) const
{
    return Rows(cat).Top;
}

int32_t ItemListLayout::ItemTop(int32_t cat, int32_t item) const
{
    const CategoryRows rows = Rows(cat);
    return int32_t(rows.FirstItemTop + int64_t(item) * rows.ItemStep);
}

int32_t ItemListLayout::ItemAt(int32_t cat, int32_t count, int32_t y) const
{
    if (count <= 0)
        return -1;
    const CategoryRows rows = Rows(cat);
    const int64_t first = rows.FirstItemTop, step = rows.ItemStep;
    // Without a step every item lies at the first one's top, and the first of them wins.
    if (step <= 0)
        return first <= y && y <= first + ItemRowHeight ? 0 : -1;
    // Item i holds y when first + i * step <= y <= first + i * step + ItemRowHeight.
    const int64_t i = std::max<int64_t>(0, DivUp(y - ItemRowHeight - first, step));
    return i < count && first + i * step <= y ? int32_t(i) : -1;
}

std::pair<int32_t, int32_t> ItemListLayout::ItemsWithTopIn(int32_t cat, int32_t count, int32_t height) const
{
    const CategoryRows rows = Rows(cat);
    const int64_t first = rows.FirstItemTop, step = rows.ItemStep;
    if (count <= 0)
        return {0, 0};
    if (step <= 0)
        return first >= 0 && first <= height ? std::pair(0, count) : std::pair(0, 0);
    const int64_t from = first >= 0 ? 0 : DivUp(-first, step);
    const int64_t to = height >= first ? DivDown(height - first, step) + 1 : 0;
    const int64_t end = std::min<int64_t>(to, count);
    const int64_t begin = std::min<int64_t>(from, end);
    return {int32_t(begin), int32_t(end)};
}

void ItemListLayout::ItemListHitTest(const QMStore& store, int32_t y, int32_t& cat, int32_t& item) const
{
    cat = -1;
    item = -1;
    for (int32_t c = 0; c < store.CategoryCount(); ++c) {
        const QMCategory& category = store.Categories[size_t(c)];
        const int32_t top = CategoryTop(c);
        if (top <= y && y <= top + CatRowHeight) {
            cat = c;
            return;
        }
        if (!category.Expanded)
            continue;
        const int32_t i = ItemAt(c, category.ItemCount(), y);
        if (i >= 0) {
            cat = c;
            item = i;
            return;
        }
    }
}

void ItemListLayout::ItemListRowBelow(const QMStore& store, int32_t cat, int32_t item, int32_t& nextCat,
                                      int32_t& nextItem) const
{
    nextCat = -1;
    nextItem = -1;
    if (cat < 0 || cat >= store.CategoryCount())
        return;
    if (item >= store.Categories[size_t(cat)].ItemCount())
        return;
    const int32_t height = item >= 0 ? ItemRowHeight : CatRowHeight;
    ItemListHitTest(store, RowTop(cat, item) + height + 1, nextCat, nextItem);
}

void ShopListLayout::Begin(bool byAisle)
{
    byAisle_ = byAisle;
    aisleTops_.clear();
    aisleFirstGroup_.clear();
    groups_.clear();
    groupFirstLine_.clear();
    lines_.clear();
}

void ShopListLayout::AddAisle(int32_t top)
{
    aisleTops_.push_back(top);
    aisleFirstGroup_.push_back(groups_.size());
}

void ShopListLayout::AddGroup(int32_t top, int32_t height)
{
    groups_.push_back({top, height});
    groupFirstLine_.push_back(lines_.size());
}

void ShopListLayout::AddLine(int32_t top, int32_t height)
{
    lines_.push_back({top, height});
}

int32_t ShopListLayout::AisleTop(int32_t aisle) const
{
    return aisle >= 0 && size_t(aisle) < aisleTops_.size() ? aisleTops_[size_t(aisle)] : 0;
}

int64_t ShopListLayout::GroupIndex(int32_t aisle, int32_t cat) const
{
    size_t begin = 0, end = groups_.size();
    if (byAisle_) {
        if (aisle < 0 || size_t(aisle) >= aisleFirstGroup_.size())
            return -1;
        begin = aisleFirstGroup_[size_t(aisle)];
        if (size_t(aisle) + 1 < aisleFirstGroup_.size())
            end = aisleFirstGroup_[size_t(aisle) + 1];
    }
    return cat >= 0 && size_t(cat) < end - begin ? int64_t(begin + size_t(cat)) : -1;
}

ShopListLayout::Row ShopListLayout::Group(int32_t aisle, int32_t cat) const
{
    const int64_t g = GroupIndex(aisle, cat);
    return g >= 0 ? groups_[size_t(g)] : Row{};
}

ShopListLayout::Row ShopListLayout::Line(int32_t aisle, int32_t cat, int32_t line) const
{
    const int64_t g = GroupIndex(aisle, cat);
    if (g < 0 || line < 0)
        return {};
    const size_t begin = groupFirstLine_[size_t(g)];
    const size_t end =
        size_t(g) + 1 < groupFirstLine_.size() ? groupFirstLine_[size_t(g) + 1] : lines_.size();
    return size_t(line) < end - begin ? lines_[begin + size_t(line)] : Row{};
}

void ShopListLayout::ShoppingListHitTest(const QMShopList& list, int32_t Y, int32_t& Cat, int32_t& Item) const
{
    Cat = kNoRow;
    Item = kNoRow;
    // The rows are read in drawing order: g counts the groups, l the lines.
    size_t g = 0, l = 0;
    const auto inGroup = [&](const QMShopListCat& group, bool headerOfItsOwnHeight) {
        const ShopListLayout::Row header = NthGroup(g++);
        const int32_t headerHeight = headerOfItsOwnHeight ? header.RowHeight : GroupRowHeight;
        if (header.RowTop <= Y && Y <= header.RowTop + headerHeight) {
            Cat = group.CategoryIndex;
            Item = kNoRow;
            return true;
        }
        for (const QMShopListItem& line : group.Items) {
            const ShopListLayout::Row row = NthLine(l++);
            if (row.RowTop <= Y && Y <= row.RowTop + row.RowHeight) {
                Cat = line.CategoryIndex;
                Item = line.ItemIndex;
                return true;
            }
        }
        return false;
    };
    if (list.SortByAisle) {
        for (const QMShopListAisle& aisle : list.Aisles)
            for (const QMShopListCat& group : aisle.Cats)
                if (inGroup(group, true))
                    return;
    } else {
        for (const QMShopListCat& group : list.Cats)
            if (inGroup(group, false))
                return;
    }
}

void ShopListLayout::ShoppingListRowAt(const QMShopList& list, int32_t Y, int32_t& AisleIdx, int32_t& CatIdx,
                                       int32_t& LineIdx) const
{
    CatIdx = kNoRow;
    LineIdx = kNoRow;
    // The line under Y within the group: -1 for its header, -2 for none. The rows are read in
    // drawing order: g counts the groups, l the lines.
    size_t g = 0, l = 0;
    const auto rowIn = [&](const QMShopListCat& group) -> int32_t {
        const int32_t top = NthGroup(g++).RowTop;
        if (top <= Y && Y <= top + GroupRowHeight)
            return -1;
        for (int32_t i = 0; i < group.ItemCount(); ++i) {
            const int32_t lineTop = NthLine(l++).RowTop;
            if (lineTop <= Y && Y <= lineTop + ItemRowHeight)
                return i;
        }
        return -2;
    };
    if (list.SortByAisle) {
        for (int32_t a = 0; a < list.AisleCount(); ++a) {
            const QMShopListAisle& aisle = list.Aisles[size_t(a)];
            for (int32_t c = 0; c < aisle.CatCount(); ++c) {
                const int32_t row = rowIn(aisle.Cats[size_t(c)]);
                if (row != -2) {
                    AisleIdx = a;
                    CatIdx = c;
                    LineIdx = row;
                    return;
                }
            }
        }
    } else {
        for (int32_t c = 0; c < list.CatCount(); ++c) {
            const int32_t row = rowIn(list.Cats[size_t(c)]);
            if (row != -2) {
                AisleIdx = -1;
                CatIdx = c;
                LineIdx = row;
                return;
            }
        }
    }
}

void ShopListLayout::ShoppingListRowBelow(const QMShopList& list, int32_t AisleIdx, int32_t CatIdx,
                                          int32_t LineIdx, int32_t& NextAisle, int32_t& NextCat,
                                          int32_t& NextLine) const
{
    const QMShopListCat& group = GroupAt(list, AisleIdx, CatIdx);
    if (LineIdx >= group.ItemCount())
        throw ERangeError(Format("Line index out of range (%d)", int(LineIdx)));
    const ShopListLayout::Row row = LineIdx < 0 ? Group(AisleIdx, CatIdx) : Line(AisleIdx, CatIdx, LineIdx);
    ShoppingListRowAt(list, row.RowTop + row.RowHeight + 1, NextAisle, NextCat, NextLine);
}

} // namespace qm
