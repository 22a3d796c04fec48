#include "store/ShopList.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string_view>
#include <unordered_map>

namespace qm {

namespace {

QMShopListCat ErrandsGroup(const QMStore& store, const AnsiString& caption, QMShopList& list)
{
    QMShopListCat group;
    group.Name = caption;
    group.CategoryIndex = kErrandRow;
    for (const QMErrand& e : store.Errands) {
        if (!e.OnList)
            continue;
        QMShopListItem line;
        line.Name = e.Name;
        line.Qty = 1;
        line.CategoryIndex = kErrandRow;
        line.ItemIndex = kErrandRow;
        group.Items.push_back(std::move(line));
        ++list.ItemCount;
        ++list.ErrandCount;
    }
    return group;
}

void AppendLine(QMShopListCat& group, const QMItem& item, int32_t c, int32_t i, QMShopList& list)
{
    QMShopListItem line;
    line.Name = item.Name;
    line.Qty = item.Qty;
    line.HasCoupon = item.HasCoupon;
    line.Note = item.Note;
    line.CategoryIndex = c;
    line.ItemIndex = i;
    group.Items.push_back(std::move(line));
    ++list.ItemCount;
    // A store file may hold any quantity: the total stops at the largest count rather than
    // wrapping round to a negative number.
    list.TotalQty = item.Qty > INT32_MAX - list.TotalQty ? INT32_MAX : list.TotalQty + item.Qty;
    if (item.HasCoupon)
        ++list.CouponCount;
}

// Group names compare without regard to case. Each category gets the number of the first
// category with the same upper-cased name, so a lookup by number is a lookup by name.
std::vector<int32_t> NameNumbers(const QMStore& store, const AnsiString& caption, int32_t& captionNumber)
{
    std::unordered_map<AnsiString, int32_t> first;
    std::vector<int32_t> numbers(store.Categories.size());
    for (size_t c = 0; c < store.Categories.size(); ++c)
        numbers[c] = first.emplace(UpperName(store.Categories[c].Name), int32_t(c)).first->second;
    const auto it = first.find(UpperName(caption));
    captionNumber = it == first.end() ? -1 : it->second;
    return numbers;
}

// Group numbers by a pair of small numbers: a flat table while rows x columns stays modest,
// a hash map beyond that or for rows outside the expected range. Missing entries read -1.
class GroupTable {
public:
    GroupTable(int64_t rows, int64_t cols) : rows_(rows), cols_(cols)
    {
        if (rows > 0 && cols > 0 && rows * cols <= (int64_t(1) << 22))
            flat_.assign(size_t(rows * cols), -1);
    }
    int32_t& At(int64_t row, int64_t col)
    {
        if (!flat_.empty() && row >= 0 && row < rows_ && col >= 0 && col < cols_)
            return flat_[size_t(row * cols_ + col)];
        return map_.try_emplace(std::make_pair(row, col), -1).first->second;
    }

private:
    struct PairHash {
        size_t operator()(const std::pair<int64_t, int64_t>& p) const noexcept
        {
            return std::hash<int64_t>()(p.first * 1000003 + p.second);
        }
    };
    int64_t rows_, cols_;
    std::vector<int32_t> flat_;
    std::unordered_map<std::pair<int64_t, int64_t>, int32_t, PairHash> map_;
};

void BuildByAisle(QMStore& store, QMShopList& list, const ShopListSettings& settings)
{
    list.SortByAisle = true;
    list.Aisles.clear();
    const bool errands = store.ErrandsOnList >= 1;
    auto errandsAisle = [&](int32_t index) {
        QMShopListAisle a;
        a.AisleIndex = index;
        a.Cats.push_back(ErrandsGroup(store, settings.ErrandsCaption, list));
        list.Aisles.push_back(std::move(a));
    };
    if (errands && settings.ErrandsOnTop)
        errandsAisle(kErrandsOnTopAisleIndex);

    int32_t unused = -1;
    const std::vector<int32_t> number = NameNumbers(store, settings.ErrandsCaption, unused);
    GroupTable aisleGroup(store.AisleCount() + 1, 1);                   // AisleIndex -> group
    GroupTable catGroup(store.AisleCount() + 1, store.CategoryCount()); // (group, name) -> group
    std::vector<std::pair<int32_t, int32_t>> created(store.Categories.size(), {-1, -1});

    for (int32_t c = 0; c < store.CategoryCount(); ++c) {
        QMCategory& cat = store.Categories[size_t(c)];
        for (int32_t i = 0; i < cat.ItemCount(); ++i) {
            const QMItem& item = cat.Items[size_t(i)];
            if (item.Qty <= 0)
                continue;
            int32_t& a = aisleGroup.At(item.AisleIndex + 1, 0);
            if (a < 0) {
                a = list.AisleCount();
                QMShopListAisle group;
                group.Name = item.Aisle;
                group.AisleIndex = item.AisleIndex;
                list.Aisles.push_back(std::move(group));
            }
            QMShopListAisle& aisle = list.Aisles[size_t(a)];
            int32_t& k = catGroup.At(int64_t(a), number[size_t(c)]);
            if (k < 0) {
                k = aisle.CatCount();
                QMShopListCat group;
                group.Name = cat.Name;
                group.CategoryIndex = c;
                aisle.Cats.push_back(std::move(group));
                created[size_t(c)] = {a, k};
            }
            AppendLine(aisle.Cats[size_t(k)], item, c, i, list);
        }
    }
    if (errands && !settings.ErrandsOnTop)
        errandsAisle(kErrandsAtBottomAisleIndex);

    // Links are given after the sort, so that they name the groups where they end up.
    const std::vector<int32_t> moved = SortShopListAisles(list);
    for (size_t c = 0; c < created.size(); ++c) {
        if (created[c].first < 0)
            continue;
        store.Categories[c].ListAisleIdx = moved[size_t(created[c].first)];
        store.Categories[c].ListCatIdx = created[c].second;
    }
    for (int32_t g = 0; g < list.AisleCount(); ++g)
        for (int32_t k = 0; k < list.Aisles[size_t(g)].CatCount(); ++k) {
            const auto& lines = list.Aisles[size_t(g)].Cats[size_t(k)].Items;
            for (int32_t j = 0; j < int32_t(lines.size()); ++j) {
                if (lines[size_t(j)].CategoryIndex < 0)
                    continue;
                QMItem& item = store.ItemAt(lines[size_t(j)].CategoryIndex, lines[size_t(j)].ItemIndex);
                item.ListAisleIdx = g;
                item.ListCatIdx = k;
                item.ListItemIdx = j;
            }
        }
}

void BuildByCategory(QMStore& store, QMShopList& list, const ShopListSettings& settings)
{
    list.SortByAisle = false;
    list.Cats.clear();
    const bool errands = store.ErrandsOnList >= 1;
    int32_t captionNumber = -1;
    const std::vector<int32_t> number = NameNumbers(store, settings.ErrandsCaption, captionNumber);
    std::unordered_map<int32_t, int32_t> group; // name number -> first group of that name
    if (errands && settings.ErrandsOnTop) {
        list.Cats.push_back(ErrandsGroup(store, settings.ErrandsCaption, list));
        if (captionNumber >= 0)
            group.emplace(captionNumber, 0);
    }
    for (int32_t c = 0; c < store.CategoryCount(); ++c) {
        QMCategory& cat = store.Categories[size_t(c)];
        for (int32_t i = 0; i < cat.ItemCount(); ++i) {
            QMItem& item = cat.Items[size_t(i)];
            if (item.Qty <= 0)
                continue;
            auto [g, isNew] = group.emplace(number[size_t(c)], list.CatCount());
            if (isNew) {
                QMShopListCat made;
                made.Name = cat.Name;
                made.CategoryIndex = c;
                list.Cats.push_back(std::move(made));
                cat.ListAisleIdx = -1;
                cat.ListCatIdx = g->second;
            }
            QMShopListCat& target = list.Cats[size_t(g->second)];
            item.ListAisleIdx = -1;
            item.ListCatIdx = g->second;
            item.ListItemIdx = target.ItemCount();
            AppendLine(target, item, c, i, list);
        }
    }
    if (errands && !settings.ErrandsOnTop)
        list.Cats.push_back(ErrandsGroup(store, settings.ErrandsCaption, list));
}

} // namespace

AnsiString BuildShoppingList(QMStore& store, QMShopList& list, const ShopListSettings& settings)
{
    list.ItemCount = 0;
    list.TotalQty = 0;
    list.CouponCount = 0;
    list.ErrandCount = 0;
    if (settings.SortByAisle)
        BuildByAisle(store, list, settings);
    else
        BuildByCategory(store, list, settings);
    return ShopListStatusText(list);
}

std::vector<int32_t> SortShopListAisles(QMShopList& list)
{
    std::vector<int32_t> order(list.Aisles.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return list.Aisles[size_t(a)].AisleIndex < list.Aisles[size_t(b)].AisleIndex;
    });
    std::vector<QMShopListAisle> sorted;
    sorted.reserve(order.size());
    std::vector<int32_t> moved(order.size());
    for (size_t n = 0; n < order.size(); ++n) {
        sorted.push_back(std::move(list.Aisles[size_t(order[n])]));
        moved[size_t(order[n])] = int32_t(n);
    }
    list.Aisles = std::move(sorted);
    return moved;
}

AnsiString ShopListStatusText(const QMShopList& list)
{
    return "Items to buy: " + std::to_string(list.TotalQty) +
           ".  With coupons: " + std::to_string(list.CouponCount);
}

} // namespace qm
