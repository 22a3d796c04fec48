#pragma once
// Where the rows of the two list images lay in their last drawing: the row heights and text
// margins the drawing measured, and every row's top (and, in the shopping list, its height)
// for the scroll position of that drawing; and where the item list's columns and buttons lay.
// The hit tests and the row walkers, which the hints, clicks and keyboard use, read them here
// together with the store or list that was drawn; the store's records hold data only.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/GraphicsTypes.h"

namespace qm {

struct QMShopList;
struct QMStore;

// The item list's column edges and the buttons of its selected row, in image pixels, as the
// last DrawItemList laid them out for the width of the list.
struct ItemListColumnLayout {
    int32_t ColBuyX = 0;
    int32_t ColQtyX = 0;
    int32_t ColNameX = 0;
    int32_t ColAisleX = 0;
    int32_t ColCouponX = 0;
    int32_t ColNotesX = 0;
    int32_t NoteBtnX = 0, NoteBtnW = 0;
    int32_t CatIconX = 0;
    int32_t ExpandGlyphX = 0, ExpandGlyphW = 0;
    int32_t CatNameX = 0;
    int32_t QtyArrowX = 0, QtyArrowW = 0;
    int32_t EditBtnX = 0, EditBtnW = 0;
    int32_t CatEditBtnX = 0, CatEditBtnW = 0;
    int32_t CouponBtnX = 0, CouponBtnW = 0;
    TRect LinkRect; // the "here" link of the empty-store notice; kept from the last empty store
};

// The item list. Its rows have two heights, so a category keeps only the top of its header
// row and of its first item row; item i lies i item rows further down. A category that was
// collapsed in the last drawing keeps the item rows of the last drawing in which it was open,
// or 0 for every item when it has not been open in a drawing since the store was loaded.
class ItemListLayout {
public:
    int32_t ItemRowHeight = 0;
    int32_t CatRowHeight = 0;
    int32_t TextMarginX = 4;
    int32_t TextMarginY = 2;

    // A store was loaded: every row lies at 0 until the next drawing; the heights stay.
    void ForgetRows() { cats_.clear(); }
    // The drawing puts category cat's header row at top, and its items (when it is open) from
    // firstItemTop down, ItemRowHeight apart.
    void PlaceCategory(int32_t cat, int32_t top);
    void PlaceItems(int32_t cat, int32_t firstItemTop);

    int32_t CategoryTop(int32_t cat) const;
    int32_t ItemTop(int32_t cat, int32_t item) const;
    // The top of item's row, or of the category's header row for item -1.
    int32_t RowTop(int32_t cat, int32_t item) const
    {
        return item >= 0 ? ItemTop(cat, item) : CategoryTop(cat);
    }
    // The first of the category's count items whose row, from its top to ItemRowHeight below
    // (both included), holds line y; -1 when none does.
    int32_t ItemAt(int32_t cat, int32_t count, int32_t y) const;
    // The items of the category, of count, whose top lies in 0 ... height: [first, end).
    std::pair<int32_t, int32_t> ItemsWithTopIn(int32_t cat, int32_t count, int32_t height) const;

    // The row of store under image line y: (cat, item), item -1 for a category's own row;
    // (-1, -1) when none. A line shared by two rows belongs to the earlier one.
    void ItemListHitTest(const QMStore& store, int32_t y, int32_t& cat, int32_t& item) const;
    // The row after (cat, item), (-1, -1) after the last row; the items of a collapsed
    // category are passed over.
    void ItemListRowBelow(const QMStore& store, int32_t cat, int32_t item, int32_t& nextCat,
                          int32_t& nextItem) const;

private:
    struct CategoryRows {
        int32_t Top = 0;
        int32_t FirstItemTop = 0;
        int32_t ItemStep = 0; // the item row height of the drawing that placed the items
    };
    CategoryRows Rows(int32_t cat) const;
    CategoryRows& Placed(int32_t cat);

    std::vector<CategoryRows> cats_;
};

// The shopping list. Lines with a note are taller, so every row is kept, in drawing order:
// the aisle groups' tops (by aisle), the category groups' and the lines' tops and heights.
class ShopListLayout {
public:
    struct Row {
        int32_t RowTop = 0;
        int32_t RowHeight = 0;
    };

    int32_t ItemRowHeight = 0;
    int32_t GroupRowHeight = 0;
    int32_t NoteRowHeight = 0;
    int32_t TextMarginX = 4;
    int32_t TextMarginY = 1;

    // The list was rebuilt: every row reads (0, 0) until the next drawing.
    void ForgetRows() { Begin(byAisle_); }
    // A drawing starts; it then adds its rows in order: an aisle (by aisle only), each of its
    // groups, each group's lines.
    void Begin(bool byAisle);
    void AddAisle(int32_t top);
    void AddGroup(int32_t top, int32_t height);
    void AddLine(int32_t top, int32_t height);

    // Rows by their place in the list; the aisle index is not used for a list by category.
    // A place the last drawing did not reach reads 0 (or (0, 0)).
    int32_t AisleTop(int32_t aisle) const;
    Row Group(int32_t aisle, int32_t cat) const;
    Row Line(int32_t aisle, int32_t cat, int32_t line) const;
    // Rows by drawing order, counted over the whole list: the n-th group, the n-th line.
    Row NthGroup(size_t n) const { return n < groups_.size() ? groups_[n] : Row{}; }
    Row NthLine(size_t n) const { return n < lines_.size() ? lines_[n] : Row{}; }

    // The store row under image line Y of the drawing of list: (category, -1) for a header,
    // (category, item) for a line, (-2, ...) for the errands group, (-1, -1) for no row. A Y on
    // the border of two rows belongs to the upper one.
    void ShoppingListHitTest(const QMShopList& list, int32_t Y, int32_t& Cat, int32_t& Item) const;
    // The list position under Y: by aisle (aisle group, category group, line), by category
    // (-1, category group, line); line -1 is the group's header. CatIdx and LineIdx are -1 when
    // no row is there, and AisleIdx then keeps the caller's value. A line's note part is not
    // matched.
    void ShoppingListRowAt(const QMShopList& list, int32_t Y, int32_t& AisleIdx, int32_t& CatIdx,
                           int32_t& LineIdx) const;
    // The position of the row after the given one (LineIdx -1: the group's header); after the
    // last row NextCat and NextLine are -1. A position that is not in the list raises
    // ERangeError.
    void ShoppingListRowBelow(const QMShopList& list, int32_t AisleIdx, int32_t CatIdx, int32_t LineIdx,
                              int32_t& NextAisle, int32_t& NextCat, int32_t& NextLine) const;

private:
    // The drawing-order index of a group; -1 when the last drawing has none there.
    int64_t GroupIndex(int32_t aisle, int32_t cat) const;

    bool byAisle_ = true;
    std::vector<int32_t> aisleTops_;
    std::vector<size_t> aisleFirstGroup_;
    std::vector<Row> groups_;
    std::vector<size_t> groupFirstLine_;
    std::vector<Row> lines_;
};

} // namespace qm
