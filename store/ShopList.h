#pragma once
// The shopping list derived from the open store: every item with a quantity above 0, grouped
// by aisle (walking order, categories inside each aisle) or by category, and the ticked
// errands as a group of their own, first or last.
#include <cstdint>
#include <vector>

#include "platform/AnsiString.h"
#include "store/QMStore.h"

namespace qm {

// AisleIndex of the errands group's aisle group.
constexpr int32_t kErrandsOnTopAisleIndex = -2;
constexpr int32_t kErrandsAtBottomAisleIndex = 99;

struct QMShopListItem {
    AnsiString Name; // item name or errand text
    int32_t Qty = 0; // 1 for an errand
    bool HasCoupon = false;
    AnsiString Note;
    int32_t CategoryIndex = kNoRow; // the item's row in the store; -2 for an errand
    int32_t ItemIndex = kNoRow;
};

struct QMShopListCat {
    AnsiString Name; // the category's name, or the errands caption
    std::vector<QMShopListItem> Items;
    int32_t CategoryIndex = kNoRow; // -2 for the errands group

    int32_t ItemCount() const { return int32_t(Items.size()); }
};

struct QMShopListAisle {
    AnsiString Name;         // the aisle text of the item that made the group; empty for errands
    int32_t AisleIndex = -1; // -1: aisles not in the store's list; -2 / 99: errands first / last
    std::vector<QMShopListCat> Cats;

    int32_t CatCount() const { return int32_t(Cats.size()); }
};

struct QMShopList {
    bool SortByAisle = true;             // the mode of the last build
    std::vector<QMShopListAisle> Aisles; // rebuilt only by aisle
    std::vector<QMShopListCat> Cats;     // rebuilt only by category
    int32_t ItemCount = 0;               // lines, errand lines included
    int32_t TotalQty = 0;                // quantities of the item lines
    int32_t ErrandCount = 0;             // errand lines
    int32_t CouponCount = 0;             // item lines with a coupon

    int32_t AisleCount() const { return int32_t(Aisles.size()); }
    int32_t CatCount() const { return int32_t(Cats.size()); }
};

struct ShopListSettings {
    bool SortByAisle = true;
    bool ErrandsOnTop = true;
    AnsiString ErrandsCaption = "Errands";
};

// Rebuilds the list from the store and sets the back-links of the listed items and of the
// categories that got a group. Returns the status text (ShopListStatusText).
AnsiString BuildShoppingList(QMStore& store, QMShopList& list, const ShopListSettings& settings);
// Orders the aisle groups by AisleIndex, keeping the order of equal ones. Returns, for each
// group's old position, its new one.
std::vector<int32_t> SortShopListAisles(QMShopList& list);
// "Items to buy: N.  With coupons: M".
AnsiString ShopListStatusText(const QMShopList& list);

} // namespace qm
