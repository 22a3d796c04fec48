// The shopping list on screen: its drawing into ImageShoppingList, which also records where
// every row lies; the hit test that maps a click to a store row; the two row walkers that the
// printout and the export follow; and the click action.
#include <QLayout>
#include <QScrollBar>
#include <QSignalBlocker>

#include "graphics/RasterExtras.h"
#include "graphics/widgets/RasterImage.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Exception.h"

namespace qm {

namespace {

TColor ToTColor(const QColor& c)
{
    return TColor(c.red() | c.green() << 8 | c.blue() << 16);
}

TColor32 ToColor32(const QColor& c)
{
    return Color32(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()));
}

const char* const kCent = "\xA2"; // the cent sign of the code page

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

void TFormMain::DrawShoppingList()
{
    QMShopList& list = ShopList;
    TBitmap32& bmp = ImageShoppingList->Bitmap();
    TFont& font = bmp.Font();

    // Font sizes (cut toward zero) and the row metrics they give.
    const int32_t itemSize = ListFontSize;
    const int32_t groupSize = ListFontSize * 12 / 10;
    const int32_t qtySize = ListFontSize * 8 / 10;
    const int32_t noteSize = ListFontSize * 3 / 4;
    list.TextMarginX = 4;
    list.TextMarginY = 1;
    font.SetName(ListFontName);
    font.SetSize(itemSize);
    list.ItemRowHeight = bmp.TextHeight("Sy") + 2 * list.TextMarginY;
    font.SetSize(qtySize);
    const int32_t nameX = bmp.TextWidth("  ") + bmp.TextWidth("(20)");
    font.SetSize(groupSize);
    list.GroupRowHeight = bmp.TextHeight("Sy") + 2 * list.TextMarginY;
    font.SetSize(noteSize);
    list.NoteRowHeight = bmp.TextHeight("Sy");
    font.SetSize(itemSize);
    const int32_t noteX = bmp.TextWidth(AnsiString(9, ' '));

    // The height of the whole list.
    int32_t groups = 0;
    int32_t notes = 0;
    const auto countNotes = [&notes](const QMShopListCat& group) {
        for (const QMShopListItem& line : group.Items)
            if (!line.Note.empty())
                ++notes;
    };
    if (list.SortByAisle) {
        for (const QMShopListAisle& aisle : list.Aisles) {
            groups += aisle.CatCount();
            for (const QMShopListCat& group : aisle.Cats)
                countNotes(group);
        }
    } else {
        groups = list.CatCount();
        for (const QMShopListCat& group : list.Cats)
            countNotes(group);
    }
    const int64_t content = int64_t(list.ItemCount) * list.ItemRowHeight +
                            int64_t(groups) * list.GroupRowHeight + int64_t(notes) * list.NoteRowHeight;
    const int32_t overflow = int32_t(std::min<int64_t>(content - ImageShoppingList->height(), INT32_MAX));

    // The scroll bar shows only when the list is taller than the image. Its value runs
    // from 0 to the overflow (the topmost row shown is then the list's last page). The
    // changes are made quietly: this drawing already uses the value they leave.
    {
        const QSignalBlocker quiet(ShoppingListBar);
        const bool show = overflow >= 1;
        if (show) {
            ShoppingListBar->setRange(0, overflow);
            ShoppingListBar->setPageStep(ImageShoppingList->height());
            ShoppingListBar->setSingleStep(list.ItemRowHeight);
        } else {
            ShoppingListBar->setValue(0);
        }
        // The image takes or gives back the bar's width now, so that the bitmap below is
        // sized to the image as it will show.
        if (ShoppingListBar->isHidden() == show) {
            ShoppingListBar->setVisible(show);
            PanelList->layout()->activate();
        }
    }

    // One change report for the whole drawing.
    bmp.IncUpdateCount();
    bmp.SetSize(ImageShoppingList->width(), ImageShoppingList->height());
    bmp.ClearTo(ToColor32(BackColor));
    const int32_t width = bmp.Width;
    int32_t y = -ShoppingListBar->value();

    // Every row gets its place; only the rows that reach into the picture are written, since
    // the others would be clipped away whole (each row's text lies within its height).
    const auto inImage = [&bmp](int32_t top, int32_t height) { return top < bmp.Height && top + height > 0; };

    // One line: the quantity prefix ending one blank before the name, the name with the
    // cent sign for a coupon, the note line under it.
    const auto drawLine = [&](QMShopListItem& line) {
        line.RowTop = y;
        line.RowHeight = list.ItemRowHeight + (line.Note.empty() ? 0 : list.NoteRowHeight);
        y += line.RowHeight;
        if (!inImage(line.RowTop, line.RowHeight))
            return;
        font.SetSize(itemSize);
        AnsiString text = line.Name;
        if (line.HasCoupon)
            text += AnsiString("  ") + kCent;
        bmp.DrawText(nameX + list.TextMarginX, line.RowTop + list.TextMarginY, text);
        if (line.Qty > 1) {
            font.SetSize(qtySize);
            const AnsiString qty = "(" + std::to_string(line.Qty) + ")";
            bmp.DrawText(nameX + list.TextMarginX - bmp.TextWidth(qty + " "), line.RowTop + list.TextMarginY,
                         qty);
        }
        if (!line.Note.empty()) {
            font.SetSize(noteSize);
            bmp.DrawText(noteX + list.TextMarginX, line.RowTop + list.ItemRowHeight, line.Note);
        }
    };
    const auto drawGroup = [&](QMShopListCat& group, const AnsiString* shownName = nullptr) {
        if (inImage(y, list.GroupRowHeight)) {
            font.SetSize(groupSize);
            font.SetStyle(fsBold);
            bmp.DrawText(list.TextMarginX, y + list.TextMarginY, shownName ? *shownName : group.Name);
            font.SetStyle(0);
        }
        group.RowHeight = list.GroupRowHeight;
        group.RowTop = y;
        y += list.GroupRowHeight;
        for (QMShopListItem& line : group.Items)
            drawLine(line);
    };

    if (list.SortByAisle) {
        // Each aisle under a rule, its name at the right of its first category's header.
        const TColor32 rule = ToColor32(TextColor);
        for (QMShopListAisle& aisle : list.Aisles) {
            font.SetColor(ToTColor(TextColor));
            font.SetSize(groupSize);
            font.SetStyle(fsBold);
            // The aisle name and the first category's name share a line. Where they would run
            // into each other in a narrow list, both are cut short, the category keeping at
            // least half the line, so that two blanks always stay between them.
            AnsiString aisleName = aisle.Name;
            AnsiString firstName = aisle.Cats.empty() ? AnsiString() : aisle.Cats.front().Name;
            const int32_t room = width - 2 * list.TextMarginX - bmp.TextWidth("  ");
            if (!aisleName.empty() && bmp.TextWidth(firstName) + bmp.TextWidth(aisleName) > room) {
                firstName =
                    ShortenedText(bmp, firstName, std::max(room - bmp.TextWidth(aisleName), room / 2));
                aisleName = ShortenedText(bmp, aisleName, room - bmp.TextWidth(firstName));
            }
            if (inImage(y, list.GroupRowHeight)) {
                bmp.DrawHorzLineClipped(0, y, width - 1, rule);
                bmp.DrawText(ImageShoppingList->width() - bmp.TextWidth(aisleName) - list.TextMarginX,
                             y + list.TextMarginY, aisleName);
            }
            font.SetStyle(0);
            aisle.RowTop = y;
            for (size_t c = 0; c < aisle.Cats.size(); ++c)
                drawGroup(aisle.Cats[c], c == 0 ? &firstName : nullptr);
        }
    } else {
        // Each category under a black rule, in the font colour the bitmap already has.
        for (QMShopListCat& group : list.Cats) {
            bmp.DrawHorzLineClipped(0, y, width - 1, 0xFF000000);
            drawGroup(group);
        }
    }

    // 8.
    bmp.DecUpdateCount();
    bmp.Changed();
}

void TFormMain::ShoppingListHitTest(int32_t Y, int32_t& Cat, int32_t& Item) const
{
    Cat = kNoRow;
    Item = kNoRow;
    const auto inGroup = [&](const QMShopListCat& group, int32_t headerHeight) {
        if (group.RowTop <= Y && Y <= group.RowTop + headerHeight) {
            Cat = group.CategoryIndex;
            Item = kNoRow;
            return true;
        }
        for (const QMShopListItem& line : group.Items) {
            if (line.RowTop <= Y && Y <= line.RowTop + line.RowHeight) {
                Cat = line.CategoryIndex;
                Item = line.ItemIndex;
                return true;
            }
        }
        return false;
    };
    if (ShopList.SortByAisle) {
        for (const QMShopListAisle& aisle : ShopList.Aisles)
            for (const QMShopListCat& group : aisle.Cats)
                if (inGroup(group, group.RowHeight))
                    return;
    } else {
        for (const QMShopListCat& group : ShopList.Cats)
            if (inGroup(group, ShopList.GroupRowHeight))
                return;
    }
}

void TFormMain::ShoppingListRowAt(int32_t Y, int32_t& AisleIdx, int32_t& CatIdx, int32_t& LineIdx) const
{
    CatIdx = kNoRow;
    LineIdx = kNoRow;
    // The line under Y within the group: -1 for its header, -2 for none.
    const auto rowIn = [&](const QMShopListCat& group) -> int32_t {
        if (group.RowTop <= Y && Y <= group.RowTop + ShopList.GroupRowHeight)
            return -1;
        for (int32_t i = 0; i < group.ItemCount(); ++i) {
            const int32_t top = group.Items[size_t(i)].RowTop;
            if (top <= Y && Y <= top + ShopList.ItemRowHeight)
                return i;
        }
        return -2;
    };
    if (ShopList.SortByAisle) {
        for (int32_t a = 0; a < ShopList.AisleCount(); ++a) {
            const QMShopListAisle& aisle = ShopList.Aisles[size_t(a)];
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
        for (int32_t c = 0; c < ShopList.CatCount(); ++c) {
            const int32_t row = rowIn(ShopList.Cats[size_t(c)]);
            if (row != -2) {
                AisleIdx = -1;
                CatIdx = c;
                LineIdx = row;
                return;
            }
        }
    }
}

void TFormMain::ShoppingListRowBelow(int32_t AisleIdx, int32_t CatIdx, int32_t LineIdx, int32_t& NextAisle,
                                     int32_t& NextCat, int32_t& NextLine) const
{
    const QMShopListCat& group = GroupAt(ShopList, AisleIdx, CatIdx);
    int32_t y;
    if (LineIdx < 0) {
        y = group.RowTop + group.RowHeight + 1;
    } else {
        if (LineIdx >= group.ItemCount())
            throw ERangeError(Format("Line index out of range (%d)", int(LineIdx)));
        const QMShopListItem& line = group.Items[size_t(LineIdx)];
        y = line.RowTop + line.RowHeight + 1;
    }
    ShoppingListRowAt(y, NextAisle, NextCat, NextLine);
}

void TFormMain::ImageShoppingListMouseDown(int32_t, int32_t Y)
{
    int32_t cat;
    int32_t item;
    ShoppingListHitTest(Y, cat, item);
    if (cat == kErrandRow)
        MItemStoreEditErrandsClick();
    else
        SelectRow(cat, item);
    ImageItemList->setFocus(Qt::OtherFocusReason);
}

} // namespace qm
