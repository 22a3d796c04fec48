#pragma once
// The open store in memory: its aisles, its categories with their items, and its errands.
// The loader (StoreLoader.h) fills it; writers change one field here and then write the
// matching line into the store file (StoreFiles.h).
//
// A row of the item list is named by (category index, item index): category -1 = no row,
// item -1 = the category's own header row; a shopping-list errand line carries -2 for both.
// Counts are derived from the sequences, so they always equal their lengths.
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/AnsiString.h"

namespace qm {

// Row identity markers.
constexpr int32_t kNoRow = -1;     // category index: nothing; item index: the category row
constexpr int32_t kErrandRow = -2; // both indexes of an errand line of the shopping list

struct QMItem {
    AnsiString Name;            // the key of the item's line in its category's section
    AnsiString Aisle;           // value field 1
    int32_t AisleIndex = -1;    // index of Aisle in QMStore::Aisles (case-blind); -1 = not listed
    int32_t Qty = 0;            // field 3; above 0 puts the item on the shopping list
    bool HasCoupon = false;     // field 4
    double CouponExpire = 0;    // field 5, a day number; 0 = no expiry date
    bool IsStoreCoupon = false; // field 6: the coupon is never carried to other stores
    AnsiString Note;            // field 2
    int32_t ListAisleIdx = -1;  // shopping-list place of the item's line (set for listed items)
    int32_t ListCatIdx = -1;
    int32_t ListItemIdx = -1;
};

struct QMCategory {
    AnsiString Name;           // = the name of its section in the store file
    std::vector<QMItem> Items; // sorted by upper-cased name
    int32_t CouponCount = 0;   // items that had a coupon when the store was loaded
    AnsiString AisleGuess;     // default aisle for new items (--Aisle Guesses--)
    bool Expanded = true;      // false when --Hidden Cats-- holds "1" for it
    int32_t ListAisleIdx = -1; // the shopping-list group most recently made for it
    int32_t ListCatIdx = -1;

    int32_t ItemCount() const { return int32_t(Items.size()); }
};

struct QMErrand {
    AnsiString Name; // = its key in --Errands--
    bool OnList = false;
};

struct QMStore {
    AnsiString Name; // the store file's name without ".store"
    AnsiString StoreURL;
    AnsiString CouponURL;
    bool AcceptsCoupons = true;
    std::vector<AnsiString> Aisles;     // walking order
    std::vector<QMCategory> Categories; // sorted by upper-cased name
    int32_t CouponCount = 0;            // coupons seen by the last load
    std::vector<QMErrand> Errands;      // file order
    int32_t ErrandsOnList = 0;          // 1 or more adds the errands group to the list
    int32_t SelCategory = kNoRow;
    int32_t SelItem = kNoRow;

    int32_t AisleCount() const { return int32_t(Aisles.size()); }
    int32_t CategoryCount() const { return int32_t(Categories.size()); }
    int32_t ErrandCount() const { return int32_t(Errands.size()); }
    int32_t ItemCount() const; // items of all categories

    // (c, -1) for a category, (c, i) for an item, (-1, -1) for none; names compare with a-z
    // folded, categories walked in order, each category before its own items.
    std::pair<int32_t, int32_t> FindItemByName(const AnsiString& name) const;
    // The first aisle equal to the text with a-z folded; -1 when none.
    int32_t FindAisleIndex(const AnsiString& aisle) const;
    // The row of the item of that name in the category of that name, names compared as the
    // file compares them: (c, i); (c, -1) when the category has no such item; (-1, -1) when
    // there is no such category.
    std::pair<int32_t, int32_t> FindItem(const AnsiString& category, const AnsiString& item) const;

    AnsiString GetSelectedCategoryName() const;
    AnsiString GetSelectedItemName() const;
    // Field n (1 aisle, 2 note, 3 qty, 4 coupon, 5 expiry, 6 store-only) of the selected item
    // as it is stored; empty for any other n. Raises ERangeError when no item is selected.
    AnsiString GetSelectedItemFieldText(int n) const;
    // Copy the selection into out; out is left alone when nothing (of that kind) is selected.
    void GetSelectedItem(QMItem& out) const;
    void GetSelectedCategory(QMCategory& out) const;
    // Copy the record at the indexes; ERangeError for an index out of range.
    void GetItem(int32_t category, int32_t item, QMItem& out) const;
    void GetCategory(int32_t category, QMCategory& out) const;

    // Checked access for callers that hold indexes (ERangeError when out of range).
    QMCategory& CategoryAt(int32_t category);
    const QMCategory& CategoryAt(int32_t category) const;
    QMItem& ItemAt(int32_t category, int32_t item);
    const QMItem& ItemAt(int32_t category, int32_t item) const;

    // Stable sorts on the upper-cased names: equal names keep their file order.
    void SortCategories();
    void SortItems(int32_t category);

    // The item's value line: aisle, note, qty, coupon, expiry, store-only, each followed by
    // ",-," (six fields and a trailing separator).
    AnsiString FormatItemValue(int32_t category, int32_t item) const;
    // The same line appended to out, for writers of many lines; the second form for an item
    // its writer has already found.
    void AppendItemValue(int32_t category, int32_t item, AnsiString& out) const;
    static void AppendItemValue(const QMItem& item, AnsiString& out);
};

// What a window shows of a store that its file does not hold: the selected row and the
// categories' expanded states, kept by name so that they outlast a new reading of the store.
class QMStoreView {
public:
    explicit QMStoreView(const QMStore& store);
    // Puts them back on a new reading of the same store where it still has the rows: a
    // category keeps its state, a new one has the file's; an item gone leaves its category's
    // row selected, a category gone the category row now at its place.
    void ApplyTo(QMStore& store) const;

private:
    AnsiString category_, item_;
    int32_t categoryIndex_ = kNoRow;
    bool itemSelected_ = false;
    std::vector<std::pair<AnsiString, bool>> expanded_; // in the store's order
};

// The expiry as stored: the shortest general decimal form with up to 15 significant digits
// and the user's decimal separator ("0" for 0).
AnsiString FormatExpiry(double dayNumber);
// Store-file numbers: an integer (leading blanks allowed) or 0 when the text is not one; a
// decimal number with "." or the user's separator, or 0 when the text is not one.
int32_t ParseStoreInt(std::string_view text);
double ParseStoreFloat(std::string_view text);
// The user's decimal separator.
char DecimalSeparator();

} // namespace qm
