// The item list: its glyphs, its drawing into the bitmap of ImageItemList (row heights, the
// scroll range, column layout, category and item rows, the selection band, the empty-store
// notice) and the column header.
#include <QFile>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cmath>
#include <limits>

#include "graphics/RasterBlend.h"
#include "graphics/RasterExtras.h"
#include "graphics/RasterResamplers.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"

namespace qm {

namespace {

// Glyph indexes of ImageListItemList.
enum Glyph : int32_t {
    kCollapsedMarker = 0,
    kExpandedMarker = 1,
    kCollapsedIcon = 2,
    kExpandedIcon = 3,
    kBuyMark = 4,
    kBuyMarkSelected = 5,
    kQtyUpArrow = 6,
    kQtyDownArrow = 7,
    kNoteButton = 8,
    kAddCouponButton = 9,
    kCoupon = 10,
    kCouponSoon = 11,
    kCouponUrgent = 12,
    kEditItemButton = 14,
    kEditCategoryButton = 15,
    kGlyphCount = 16
};

constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;
constexpr int32_t kGradientStrength = 64;

TColor ToTColor(const QColor& c)
{
    return TColor(uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16);
}

TColor32 ToColor32(const QColor& c)
{
    return Color32(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()));
}

// A font size times a factor, cut toward zero; a product outside the integer range is an error.
int32_t FontProduct(int32_t size, double factor)
{
    const double v = std::trunc(double(size) * factor);
    if (!(v >= double(std::numeric_limits<int32_t>::min()) &&
          v <= double(std::numeric_limits<int32_t>::max())))
        throw ERangeError("Range check error");
    return int32_t(v);
}

} // namespace

// The glyphs are pictures of our own, stored in the bitmap "Data" format as resources.
void TFormMain::LoadItemListGlyphs()
{
    TBitmap32Collection& glyphs = ImageListItemList.Bitmaps();
    glyphs.Clear();
    for (int32_t i = 0; i < kGlyphCount; ++i) {
        TBitmap32& glyph = glyphs.Add().Bitmap();
        QFile data(QString(":/itemlist/glyph%1.data").arg(i, 2, 10, QChar('0')));
        if (data.open(QIODevice::ReadOnly))
            glyph.ReadData(data);
        glyph.SetDrawMode(dmBlend);
        if (i == kNoteButton || i == kEditItemButton || i == kEditCategoryButton)
            glyph.SetMasterAlpha(208);
        if (i == kCollapsedMarker || i == kExpandedMarker) {
            auto* resampler = new TKernelResampler(&glyph);
            resampler->SetKernel(new TBoxKernel);
            resampler->SetKernelMode(kmDynamic);
            resampler->SetTableSize(32);
        } else {
            new TLinearResampler(&glyph);
        }
    }
}

bool TFormMain::IsSelectedRow(int32_t cat, int32_t item) const
{
    return cat == Store.SelCategory && item == Store.SelItem;
}

// What the rows of one drawing share.
struct TFormMain::ItemRowPaint {
    TBitmap32& bmp;
    int32_t width;         // the image's width: the rows' lines and bands run across it
    int32_t catFontSize;   // the category names' size
    int32_t countFontSize; // the size of a category's "(n items)"
    int32_t buyMarkX;      // the buy mark's left edge
    TColor textColor;
    TColor selTextColor;
    TColor32 selColor;
    TColor32 catBack; // the category rows' background
    TDateTime today;
};

void TFormMain::DrawItemList()
{
    TBitmap32& bmp = ImageItemList->Bitmap();
    const int32_t catFontSize = GridFontSize + FontProduct(GridFontSize, 0.2);
    MeasureItemRows(bmp, catFontSize);
    const int64_t contentHeight = SetItemListScrollRange();

    // A fresh bitmap; one change is reported at the end.
    bmp.IncUpdateCount();
    bmp.SetSize(ImageItemList->width(), ImageItemList->height());
    const TColor32 back = ToColor32(BackColor);
    bmp.ClearTo(back);
    LayOutItemListColumns();

    if (Store.CategoryCount() == 0) {
        DrawEmptyStoreNotice(bmp, catFontSize);
    } else {
        DrawColumnSeparators(bmp, contentHeight);
        const int32_t irh = ItemRows.ItemRowHeight;
        const ItemRowPaint paint{bmp,
                                 ImageItemList->width(),
                                 catFontSize,
                                 FontProduct(GridFontSize, 0.8),
                                 ColBuyX + (ColQtyX - irh - ColBuyX) / 2,
                                 ToTColor(TextColor),
                                 ToTColor(SelTextColor),
                                 ToColor32(SelColor),
                                 LightenColor32(back, -30),
                                 Date()};
        DrawItemListRows(paint);
    }
    bmp.DecUpdateCount();
    bmp.Changed();
}

// The margins, and the row heights of the item font and of the category font, which the
// bitmap keeps as its font size.
void TFormMain::MeasureItemRows(TBitmap32& bmp, int32_t catFontSize)
{
    TFont& font = bmp.Font();
    ItemRows.TextMarginX = 4;
    ItemRows.TextMarginY = 2;
    font.SetName(GridFontName);
    font.SetSize(GridFontSize);
    ItemRows.ItemRowHeight = bmp.TextHeight("Sy") + 2 * ItemRows.TextMarginY;
    font.SetSize(catFontSize);
    ItemRows.CatRowHeight = bmp.TextHeight("Sy") + 2 * ItemRows.TextMarginY;
}

// Shows the scroll bar when the rows are taller than the image and keeps its position in the
// new range; returns the rows' height (0 for a store without categories). The position is set
// without the change handler, which would draw the list once more; the drawing uses the new
// position anyway.
int64_t TFormMain::SetItemListScrollRange()
{
    const QSignalBlocker blocker(ItemListBar);
    if (Store.CategoryCount() == 0) {
        ItemListBar->setMaximum(std::max(ItemListBar->maximum(), 0));
        ItemListBar->setValue(0);
        ItemListBar->setVisible(false);
        return 0;
    }
    int64_t visibleItems = 0;
    for (const QMCategory& c : Store.Categories)
        if (c.Expanded)
            visibleItems += c.ItemCount();
    const int32_t hi = ImageItemList->height();
    const int64_t contentHeight = int64_t(ItemRows.ItemRowHeight) * visibleItems +
                                  int64_t(ItemRows.CatRowHeight) * Store.CategoryCount();
    const int64_t overflow = contentHeight - hi;
    const bool visible = overflow >= 1;
    ItemListBar->setVisible(visible);
    if (!visible) {
        ItemListBar->setValue(ItemListBar->minimum());
        return contentHeight;
    }
    // The position runs from the minimum to the overflow, where the last row ends at the
    // bottom of the image.
    const int32_t top = int32_t(std::min<int64_t>(overflow, std::numeric_limits<int32_t>::max()));
    ItemListBar->setMaximum(std::max(top, ItemListBar->minimum()));
    ItemListBar->setPageStep(hi);
    ItemListBar->setSingleStep(ItemRows.ItemRowHeight);
    if (ItemListBar->value() > top)
        ItemListBar->setValue(top);
    return contentHeight;
}

// The column edges, 50 pixels apart at least from the names on, and the buttons' places.
void TFormMain::LayOutItemListColumns()
{
    const int32_t w = ImageItemList->width();
    const int32_t irh = ItemRows.ItemRowHeight, crh = ItemRows.CatRowHeight;
    ColBuyX = 0;
    ColQtyX = ColBuyX + 35;
    ColNameX = ColQtyX + 45;
    ColNotesX = w - w / 5;
    // Without coupons the Coupon column has no width.
    const int32_t couponWidth = Store.AcceptsCoupons ? 65 : 0;
    ColCouponX = ColNotesX - couponWidth;
    ColAisleX = ColCouponX - w / 6;
    if (ColAisleX - ColNameX < 50) {
        ColAisleX = ColNameX + 50;
        ColCouponX = Store.AcceptsCoupons ? ColAisleX + 50 : ColAisleX;
        ColNotesX = ColCouponX + 50;
    }
    NoteBtnX = w + 2 - irh;
    NoteBtnW = w - 2 - NoteBtnX;
    ExpandGlyphX = 5;
    ExpandGlyphW = ImageListItemList.GetBitmap(kCollapsedMarker).Width;
    CatIconX = ExpandGlyphX + 15;
    CatNameX = CatIconX + crh - 4;
    QtyArrowX = ColNameX - irh / 2 - 2;
    QtyArrowW = ColNameX - QtyArrowX - 2;
    EditBtnX = ColAisleX - irh;
    EditBtnW = irh;
    CatEditBtnX = w + 2 - crh;
    CatEditBtnW = crh;
    CouponBtnX = ColCouponX + (ColNotesX - irh - ColCouponX) / 2;
    CouponBtnW = irh;
}

// The framed notice of a store without categories, with its "here" link.
void TFormMain::DrawEmptyStoreNotice(TBitmap32& bmp, int32_t catFontSize)
{
    TFont& font = bmp.Font();
    font.SetName(GridFontName);
    font.SetColor(clInfoText); // not the colour the last row drawn left
    const TRect r = MakeRect(20, 30, bmp.Width - 20, 140);
    bmp.FillRectClippedByRect(r, ColorToColor32(clInfoBk));
    bmp.FrameRectClippedByRect(r, 0xFF000000);
    font.SetSize(catFontSize);
    font.SetStyle(font.Style() | fsBold);
    DrawWrappedText(bmp, OffsetRectEdges(r, 10, 10, -10, -10), "No categories found", taLeftJustify);
    font.SetSize(GridFontSize);
    font.SetStyle(font.Style() & ~fsBold);
    DrawLinkText(bmp, OffsetRectEdges(r, 10, 40, -10, -10),
                 "This store does not have any categories.  To create a new category, click _here_.",
                 taLeftJustify, LinkRect);
}

// The column separators, down to the end of the rows.
void TFormMain::DrawColumnSeparators(TBitmap32& bmp, int64_t contentHeight)
{
    const int32_t lineEnd = int32_t(std::min<int64_t>(contentHeight, bmp.Height + 1)) - 1;
    for (int32_t x : {ColBuyX, ColQtyX, ColNameX, ColAisleX, ColCouponX, ColNotesX})
        bmp.DrawVertLineClipped(x, 0, lineEnd, GridColor);
}

// Every row gets its place; only rows whose top lies inside the image are painted.
void TFormMain::DrawItemListRows(const ItemRowPaint& paint)
{
    const int32_t height = paint.bmp.Height;
    int32_t y = -ItemListBar->value();
    for (int32_t c = 0; c < Store.CategoryCount(); ++c) {
        const QMCategory& cat = Store.Categories[size_t(c)];
        ItemRows.PlaceCategory(c, y);
        if (y >= 0 && y <= height)
            DrawCategoryRow(paint, c, y);
        y += ItemRows.CatRowHeight;
        if (!cat.Expanded)
            continue;
        ItemRows.PlaceItems(c, y);
        const auto [first, end] = ItemRows.ItemsWithTopIn(c, cat.ItemCount(), height);
        for (int32_t i = first; i < end; ++i)
            DrawItemRow(paint, c, i, ItemRows.ItemTop(c, i));
        y += cat.ItemCount() * ItemRows.ItemRowHeight;
    }
}

namespace {

// The selected row: SelColor blended over the row, lighter at the top, darker at the bottom.
void DrawSelectionBand(TBitmap32& bmp, TColor32 sel, int32_t width, int32_t y, int32_t h)
{
    for (int32_t k = 0; k < h; ++k) {
        const TColor32 c = SetColor32Alpha(LightenColor32(sel, (h / 2 - k) * kGradientStrength / h), 192);
        bmp.DrawHorzLineBlendedClipped(0, y + k, width, c);
    }
}

// The coupon glyph of an item row, -1 for none: the add-coupon button on the selected row of
// an item without a coupon, else by the days left. A coupon that has expired since the store
// was loaded is gone from the list; the file is left to the loader.
int32_t CouponGlyph(QMItem& item, bool selected, TDateTime today, double urgentDays, double soonDays)
{
    if (!item.HasCoupon)
        return selected ? kAddCouponButton : -1;
    if (item.CouponExpire <= 2.0)
        return kCoupon;
    if (today > item.CouponExpire) {
        item.HasCoupon = false;
        item.CouponExpire = 0;
        return -1;
    }
    const double daysLeft = item.CouponExpire - today;
    return daysLeft <= urgentDays ? kCouponUrgent : daysLeft <= soonDays ? kCouponSoon : kCoupon;
}

} // namespace

// A category's header row at y: its marker, icon, name and item count, and on the selected
// row the selection band and the edit button.
void TFormMain::DrawCategoryRow(const ItemRowPaint& paint, int32_t c, int32_t y)
{
    TBitmap32& bmp = paint.bmp;
    TFont& font = bmp.Font();
    const QMCategory& cat = Store.Categories[size_t(c)];
    const int32_t crh = ItemRows.CatRowHeight, mx = ItemRows.TextMarginX, my = ItemRows.TextMarginY;
    bmp.DrawHorzLineClipped(0, y, paint.width, LineColor);
    bmp.FillRectClipped(0, y + 1, paint.width, y + crh, paint.catBack);
    font.SetColor(paint.textColor);
    const bool selected = IsSelectedRow(c, -1);
    if (selected) {
        DrawSelectionBand(bmp, paint.selColor, paint.width, y, crh);
        font.SetColor(paint.selTextColor);
    }
    TBitmap32& marker = ImageListItemList.GetBitmap(cat.Expanded ? kExpandedMarker : kCollapsedMarker);
    marker.TransferTo(bmp, ExpandGlyphX, y + (crh - marker.Height) / 2);
    ImageListItemList.GetBitmap(cat.Expanded ? kExpandedIcon : kCollapsedIcon)
        .StretchTo(bmp, MakeRect(CatIconX, y + 2, CatIconX + crh - 4, y + crh - 2));

    font.SetSize(paint.catFontSize);
    font.SetStyle(font.Style() | fsBold);
    bmp.DrawText(CatNameX + mx, y + my, cat.Name);
    const int32_t nameWidth = bmp.TextWidth(cat.Name) + mx;
    font.SetStyle(font.Style() & ~fsBold);

    font.SetSize(paint.countFontSize);
    const int32_t countY = y + ((crh - bmp.TextHeight("S1")) * 2) / 3;
    bmp.DrawText(CatNameX + nameWidth + mx + 5, countY, "(" + std::to_string(cat.ItemCount()) + " items)");
    font.SetSize(GridFontSize);
    if (selected)
        ImageListItemList.GetBitmap(kEditCategoryButton)
            .StretchTo(bmp, MakeRect(CatEditBtnX + 2, y + 2, CatEditBtnX + CatEditBtnW - 2, y + crh - 2));
}

// An item's row at y: buy mark, quantity, name, aisle, coupon and note, and on the selected
// row the selection band and the row's buttons.
void TFormMain::DrawItemRow(const ItemRowPaint& paint, int32_t c, int32_t i, int32_t y)
{
    TBitmap32& bmp = paint.bmp;
    TFont& font = bmp.Font();
    QMItem& item = Store.Categories[size_t(c)].Items[size_t(i)];
    const int32_t irh = ItemRows.ItemRowHeight, mx = ItemRows.TextMarginX, my = ItemRows.TextMarginY;
    font.SetSize(GridFontSize);
    const bool selected = IsSelectedRow(c, i);
    bmp.DrawHorzLineClipped(0, y, paint.width, LineColor);
    font.SetColor(paint.textColor);
    if (selected) {
        DrawSelectionBand(bmp, paint.selColor, paint.width, y, irh);
        font.SetColor(paint.selTextColor);
    }
    if (item.Qty > 0)
        ImageListItemList.GetBitmap(selected ? kBuyMarkSelected : kBuyMark)
            .StretchTo(bmp, MakeRect(paint.buyMarkX, y + 2, paint.buyMarkX + irh, y + irh));
    DrawItemQuantity(bmp, item.Qty, y);
    if (selected) {
        ImageListItemList.GetBitmap(kQtyUpArrow)
            .StretchTo(bmp, MakeRect(QtyArrowX, y + 4, ColNameX - 2, y + 4 + irh / 2));
        ImageListItemList.GetBitmap(kQtyDownArrow)
            .StretchTo(bmp, MakeRect(QtyArrowX, y + irh / 2 - 4, ColNameX - 2, y + irh - 4));
    }
    bmp.DrawTextClipped(ColNameX + mx, y + my, MakeRect(ColNameX + mx, y + my, ColAisleX, y + irh),
                        item.Name);
    if (selected)
        ImageListItemList.GetBitmap(kEditItemButton)
            .StretchTo(bmp, MakeRect(EditBtnX + 2, y + 2, EditBtnX + EditBtnW - 2, y + EditBtnW - 2));
    bmp.DrawTextClipped(ColAisleX + mx, y + my, MakeRect(ColAisleX + mx, y + my, ColCouponX, y + irh),
                        item.Aisle);
    if (Store.AcceptsCoupons) {
        const int32_t mark = CouponGlyph(item, selected, paint.today, CouponUrgentDays, CouponSoonDays);
        if (mark >= 0)
            ImageListItemList.GetBitmap(mark).StretchTo(
                bmp, MakeRect(CouponBtnX, y, CouponBtnX + CouponBtnW, y + CouponBtnW));
    }
    bmp.DrawText(ColNotesX + mx, y + my, item.Note);
    if (selected)
        ImageListItemList.GetBitmap(kNoteButton)
            .StretchTo(bmp, MakeRect(NoteBtnX, y + 2, NoteBtnX + NoteBtnW, y + irh - 2));
}

// The quantity (also 0) in its column. One too wide for the column (raised far with the
// keypad) is cut short with an ellipsis rather than written over the name.
void TFormMain::DrawItemQuantity(TBitmap32& bmp, int32_t qty, int32_t y)
{
    const int32_t x = ColQtyX + ItemRows.TextMarginX, top = y + ItemRows.TextMarginY;
    bmp.DrawText(x, top, ShortenedText(bmp, std::to_string(qty), ColNameX - x - 1));
}

void TFormMain::DrawItemListHeader()
{
    TBitmap32& bmp = ImageItemListHeader->Bitmap();
    bmp.Font().SetName(GridFontName);
    bmp.IncUpdateCount();
    bmp.SetSize(ImageItemListHeader->width(), ImageItemListHeader->height());
    const TColor32 face = ColorToColor32(clBtnFace);
    bmp.ClearTo(face);
    const int32_t w = bmp.Width, h = bmp.Height;
    for (int32_t y = 0; y < h; ++y)
        bmp.DrawHorzLineClipped(0, y, w, LightenColor32(face, (h / 2 - y) * kGradientStrength / h));

    // A groove: a dark and a light line side by side.
    auto groove = [&](int32_t x) {
        bmp.DrawVertLineBlendedClipped(x, 0, h, 0x40000000);
        bmp.DrawVertLineBlendedClipped(x + 1, 0, h, 0x40FFFFFF);
    };
    if (ColQtyX + 1 < w)
        groove(ColQtyX);
    if (ColNameX + 1 < w)
        groove(ColNameX);
    if (ColAisleX + 1 < w && ColAisleX >= 1)
        groove(ColAisleX);
    if (Store.AcceptsCoupons && ColCouponX + 1 < w && ColCouponX >= 1)
        groove(ColCouponX);
    if (ColNotesX + 1 < w && ColNotesX >= 1)
        groove(ColNotesX);

    // Each caption ends before the next column's groove: one too wide for its column (a wide
    // font, a narrow window) is cut short with an ellipsis instead of running into the next.
    const int32_t y = (h - bmp.TextHeight("Sy")) / 2;
    auto caption = [&](int32_t x, int32_t nextX, const AnsiString& text) {
        bmp.DrawText(x + 2, y, ShortenedText(bmp, text, nextX - (x + 2) - 2));
    };
    caption(ColBuyX, ColQtyX, "Buy");
    caption(ColQtyX, ColNameX, "Qty");
    caption(ColNameX, ColAisleX, "Item Name");
    caption(ColAisleX, ColCouponX, "Aisle/Dept.");
    if (Store.AcceptsCoupons)
        caption(ColCouponX, ColNotesX, "Coupon");
    bmp.DrawText(ColNotesX + 2, y, "Notes");
    bmp.DecUpdateCount();
    bmp.Changed();

    GradientItemList->Font().SetName(GridFontName);
    GradientShoppingList->Font().SetName(ListFontName);
    GradientItemList->update();
    GradientShoppingList->update();
}

} // namespace qm
