// The shopping list on screen: its drawing into ImageShoppingList, which also records where
// every row lies, and the click action.
#include <QLayout>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

#include "graphics/RasterExtras.h"
#include "graphics/widgets/RasterImage.h"
#include "mainwindow/ShoppingCartUnit.h"

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

// The quantity before a line's name, "(n)", ending one blank before the name at nameLeft. One
// too wide for the room left of the name (raised far with the keypad) has its digits cut short
// with an ellipsis, as the item list's quantity column has, so that it starts inside the list.
void DrawShopQuantity(TBitmap32& bmp, int32_t qty, int32_t nameLeft, int32_t top)
{
    const AnsiString digits = std::to_string(qty);
    AnsiString text = "(" + digits + ")";
    if (bmp.TextWidth(text + " ") > nameLeft)
        text = "(" + ShortenedText(bmp, digits, nameLeft - bmp.TextWidth("() ")) + ")";
    bmp.DrawText(std::max(0, nameLeft - bmp.TextWidth(text + " ")), top, text);
}

} // namespace

// What the rows of one drawing share: the bitmap, the four font sizes (cut toward zero), the
// room left for the quantity before each name and the note line's indent.
struct TFormMain::ShopRowPaint {
    TBitmap32& bmp;
    int32_t itemSize;
    int32_t groupSize; // headers, bold
    int32_t qtySize;
    int32_t noteSize;
    int32_t nameX = 0;
    int32_t noteX = 0;
};

void TFormMain::DrawShoppingList()
{
    TBitmap32& bmp = ImageShoppingList->Bitmap();
    ShopRowPaint paint{bmp, ListFontSize, ListFontSize * 12 / 10, ListFontSize * 8 / 10,
                       ListFontSize * 3 / 4};
    MeasureShopRows(paint);
    SetShopListScrollRange(ShopListContentHeight());

    // One change report for the whole drawing.
    bmp.IncUpdateCount();
    bmp.SetSize(ImageShoppingList->width(), ImageShoppingList->height());
    bmp.ClearTo(ToColor32(BackColor));
    ShopRows.Begin(ShopList.SortByAisle);
    const int32_t y = -ShoppingListBar->value();
    if (ShopList.SortByAisle)
        DrawShopListByAisle(paint, y);
    else
        DrawShopListByCategory(paint, y);
    bmp.DecUpdateCount();
    bmp.Changed();
}

// The margins, the row heights of the three fonts, the room for the quantity and the indent
// of a note; the bitmap is left at the line size.
void TFormMain::MeasureShopRows(ShopRowPaint& paint)
{
    TBitmap32& bmp = paint.bmp;
    TFont& font = bmp.Font();
    ShopRows.TextMarginX = 4;
    ShopRows.TextMarginY = 1;
    font.SetName(ListFontName);
    font.SetSize(paint.itemSize);
    ShopRows.ItemRowHeight = bmp.TextHeight("Sy") + 2 * ShopRows.TextMarginY;
    font.SetSize(paint.qtySize);
    paint.nameX = bmp.TextWidth("  ") + bmp.TextWidth("(20)");
    font.SetSize(paint.groupSize);
    ShopRows.GroupRowHeight = bmp.TextHeight("Sy") + 2 * ShopRows.TextMarginY;
    font.SetSize(paint.noteSize);
    ShopRows.NoteRowHeight = bmp.TextHeight("Sy");
    font.SetSize(paint.itemSize);
    paint.noteX = bmp.TextWidth(AnsiString(9, ' '));
}

// The height of the whole list: its lines, its group headers and its note lines.
int64_t TFormMain::ShopListContentHeight() const
{
    int32_t groups = 0;
    int32_t notes = 0;
    const auto countNotes = [&notes](const QMShopListCat& group) {
        for (const QMShopListItem& line : group.Items)
            if (!line.Note.empty())
                ++notes;
    };
    if (ShopList.SortByAisle) {
        for (const QMShopListAisle& aisle : ShopList.Aisles) {
            groups += aisle.CatCount();
            for (const QMShopListCat& group : aisle.Cats)
                countNotes(group);
        }
    } else {
        groups = ShopList.CatCount();
        for (const QMShopListCat& group : ShopList.Cats)
            countNotes(group);
    }
    return int64_t(ShopList.ItemCount) * ShopRows.ItemRowHeight + int64_t(groups) * ShopRows.GroupRowHeight +
           int64_t(notes) * ShopRows.NoteRowHeight;
}

// The scroll bar shows only when the list is taller than the image. Its value runs from 0 to
// the overflow (the topmost row shown is then the list's last page). The changes are made
// quietly: the drawing already uses the value they leave.
void TFormMain::SetShopListScrollRange(int64_t contentHeight)
{
    const int32_t overflow =
        int32_t(std::min<int64_t>(contentHeight - ImageShoppingList->height(), INT32_MAX));
    const QSignalBlocker quiet(ShoppingListBar);
    const bool show = overflow >= 1;
    if (show) {
        ShoppingListBar->setRange(0, overflow);
        ShoppingListBar->setPageStep(ImageShoppingList->height());
        ShoppingListBar->setSingleStep(ShopRows.ItemRowHeight);
    } else {
        ShoppingListBar->setValue(0);
    }
    // The image takes or gives back the bar's width now, so that the bitmap is sized to the
    // image as it will show.
    if (ShoppingListBar->isHidden() == show) {
        ShoppingListBar->setVisible(show);
        PanelList->layout()->activate();
    }
}

namespace {

// Only the rows that reach into the picture are written, since the others would be clipped
// away whole (each row's text lies within its height).
bool ReachesIntoImage(const TBitmap32& bmp, int32_t top, int32_t height)
{
    return top < bmp.Height && top + height > 0;
}

// The aisle name and the first category's name share a line. Where they would run into each
// other in a narrow list, both are cut short, the category keeping at least half the line,
// so that two blanks always stay between them.
void FitAisleHeader(TBitmap32& bmp, int32_t room, AnsiString& aisleName, AnsiString& firstName)
{
    room -= bmp.TextWidth("  ");
    if (aisleName.empty() || bmp.TextWidth(firstName) + bmp.TextWidth(aisleName) <= room)
        return;
    firstName = ShortenedText(bmp, firstName, std::max(room - bmp.TextWidth(aisleName), room / 2));
    aisleName = ShortenedText(bmp, aisleName, room - bmp.TextWidth(firstName));
}

} // namespace

// Each aisle under a rule, its name at the right of its first category's header.
void TFormMain::DrawShopListByAisle(const ShopRowPaint& paint, int32_t y)
{
    TBitmap32& bmp = paint.bmp;
    TFont& font = bmp.Font();
    const int32_t mx = ShopRows.TextMarginX, my = ShopRows.TextMarginY;
    const TColor32 rule = ToColor32(TextColor);
    for (const QMShopListAisle& aisle : ShopList.Aisles) {
        font.SetColor(ToTColor(TextColor));
        font.SetSize(paint.groupSize);
        font.SetStyle(fsBold);
        AnsiString aisleName = aisle.Name;
        AnsiString firstName = aisle.Cats.empty() ? AnsiString() : aisle.Cats.front().Name;
        FitAisleHeader(bmp, bmp.Width - 2 * mx, aisleName, firstName);
        if (ReachesIntoImage(bmp, y, ShopRows.GroupRowHeight)) {
            bmp.DrawHorzLineClipped(0, y, bmp.Width - 1, rule);
            bmp.DrawText(ImageShoppingList->width() - bmp.TextWidth(aisleName) - mx, y + my, aisleName);
        }
        font.SetStyle(0);
        ShopRows.AddAisle(y);
        for (size_t c = 0; c < aisle.Cats.size(); ++c)
            y = DrawShopGroup(paint, aisle.Cats[c], c == 0 ? firstName : aisle.Cats[c].Name, y);
    }
}

// Each category under a black rule, in the font colour the bitmap already has.
void TFormMain::DrawShopListByCategory(const ShopRowPaint& paint, int32_t y)
{
    for (const QMShopListCat& group : ShopList.Cats) {
        paint.bmp.DrawHorzLineClipped(0, y, paint.bmp.Width - 1, 0xFF000000);
        y = DrawShopGroup(paint, group, group.Name, y);
    }
}

// A group's header at y, showing shownName, then its lines; returns the y after them.
int32_t TFormMain::DrawShopGroup(const ShopRowPaint& paint, const QMShopListCat& group,
                                 const AnsiString& shownName, int32_t y)
{
    TBitmap32& bmp = paint.bmp;
    if (ReachesIntoImage(bmp, y, ShopRows.GroupRowHeight)) {
        bmp.Font().SetSize(paint.groupSize);
        bmp.Font().SetStyle(fsBold);
        bmp.DrawText(ShopRows.TextMarginX, y + ShopRows.TextMarginY, shownName);
        bmp.Font().SetStyle(0);
    }
    ShopRows.AddGroup(y, ShopRows.GroupRowHeight);
    y += ShopRows.GroupRowHeight;
    for (const QMShopListItem& line : group.Items)
        y = DrawShopLine(paint, line, y);
    return y;
}

// One line at y: the quantity prefix ending one blank before the name, the name with the cent
// sign for a coupon, the note line under it. Returns the y after it.
int32_t TFormMain::DrawShopLine(const ShopRowPaint& paint, const QMShopListItem& line, int32_t y)
{
    TBitmap32& bmp = paint.bmp;
    TFont& font = bmp.Font();
    const int32_t height = ShopRows.ItemRowHeight + (line.Note.empty() ? 0 : ShopRows.NoteRowHeight);
    ShopRows.AddLine(y, height);
    if (!ReachesIntoImage(bmp, y, height))
        return y + height;
    const int32_t nameLeft = paint.nameX + ShopRows.TextMarginX, textTop = y + ShopRows.TextMarginY;
    font.SetSize(paint.itemSize);
    AnsiString text = line.Name;
    if (line.HasCoupon)
        text += AnsiString("  ") + kCent;
    bmp.DrawText(nameLeft, textTop, text);
    if (line.Qty > 1) {
        font.SetSize(paint.qtySize);
        DrawShopQuantity(bmp, line.Qty, nameLeft, textTop);
    }
    if (!line.Note.empty()) {
        font.SetSize(paint.noteSize);
        bmp.DrawText(paint.noteX + ShopRows.TextMarginX, y + ShopRows.ItemRowHeight, line.Note);
    }
    return y + height;
}

void TFormMain::ImageShoppingListMouseDown(int32_t, int32_t Y)
{
    int32_t cat;
    int32_t item;
    ShopRows.ShoppingListHitTest(ShopList, Y, cat, item);
    if (cat == kErrandRow)
        MItemStoreEditErrandsClick();
    else
        SelectRow(cat, item);
    ImageItemList->setFocus(Qt::OtherFocusReason);
}

} // namespace qm
