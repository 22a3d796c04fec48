// The item list: its glyphs, its drawing into the bitmap of ImageItemList (column layout,
// category and item rows, the selection band, the empty-store notice, the scroll range), the
// column header, and the two queries on the row positions of the last drawing.
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

void TFormMain::DrawItemList()
{
    TBitmap32& bmp = ImageItemList->Bitmap();
    TFont& font = bmp.Font();

    // 1 and 2: margins, fonts and row heights.
    const int32_t catFontInc = FontProduct(GridFontSize, 0.2);
    Store.TextMarginX = 4;
    Store.TextMarginY = 2;
    const int32_t mx = Store.TextMarginX, my = Store.TextMarginY;
    font.SetName(GridFontName);
    font.SetSize(GridFontSize);
    Store.ItemRowHeight = bmp.TextHeight("Sy") + 2 * my;
    font.SetSize(GridFontSize + catFontInc);
    Store.CatRowHeight = bmp.TextHeight("Sy") + 2 * my;
    const int32_t irh = Store.ItemRowHeight, crh = Store.CatRowHeight;

    // 3: the scroll range. Its position is set without the change handler, which would draw
    // the list once more; the drawing below uses the new position anyway.
    const int32_t hi = ImageItemList->height();
    int64_t contentHeight = 0;
    {
        const QSignalBlocker blocker(ItemListBar);
        if (Store.CategoryCount() == 0) {
            ItemListBar->setMaximum(std::max(ItemListBar->maximum(), 0));
            ItemListBar->setValue(0);
            ItemListBar->setVisible(false);
        } else {
            int64_t visibleItems = 0;
            for (const QMCategory& c : Store.Categories)
                if (c.Expanded)
                    visibleItems += c.ItemCount();
            contentHeight = int64_t(irh) * visibleItems + int64_t(crh) * Store.CategoryCount();
            const int64_t overflow = contentHeight - hi;
            const bool visible = overflow >= 1;
            ItemListBar->setVisible(visible);
            if (!visible) {
                ItemListBar->setValue(ItemListBar->minimum());
            } else {
                // The position runs from the minimum to the overflow, where the last row ends
                // at the bottom of the image.
                const int32_t top = int32_t(std::min<int64_t>(overflow, std::numeric_limits<int32_t>::max()));
                ItemListBar->setMaximum(std::max(top, ItemListBar->minimum()));
                ItemListBar->setPageStep(hi);
                ItemListBar->setSingleStep(irh);
                if (ItemListBar->value() > top)
                    ItemListBar->setValue(top);
            }
        }
    }

    // 4: a fresh bitmap; one change is reported at the end.
    bmp.IncUpdateCount();
    bmp.SetSize(ImageItemList->width(), hi);
    const TColor32 back = ToColor32(BackColor);
    bmp.ClearTo(back);

    // 5: the column layout.
    const int32_t w = ImageItemList->width();
    ColBuyX = 0;
    ColQtyX = ColBuyX + 35;
    ColNameX = ColQtyX + 45;
    ColNotesX = w - w / 5;
    if (Store.AcceptsCoupons) {
        ColCouponX = ColNotesX - 65;
        ColAisleX = ColCouponX - w / 6;
        if (ColAisleX - ColNameX < 50) {
            ColAisleX = ColNameX + 50;
            ColCouponX = ColAisleX + 50;
            ColNotesX = ColCouponX + 50;
        }
    } else {
        ColCouponX = ColNotesX;
        ColAisleX = ColNotesX - w / 6;
        if (ColAisleX - ColNameX < 50) {
            ColAisleX = ColNameX + 50;
            ColCouponX = ColAisleX;
            ColNotesX = ColCouponX + 50;
        }
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
    const int32_t buyMarkX = ColBuyX + (ColQtyX - irh - ColBuyX) / 2;

    auto glyph = [this](int32_t index) -> TBitmap32& { return ImageListItemList.GetBitmap(index); };
    const TColor32 sel = ToColor32(SelColor);
    // The selected row: SelColor blended over the row, lighter at the top, darker at the bottom.
    auto selectionBand = [&](int32_t y, int32_t h) {
        for (int32_t k = 0; k < h; ++k) {
            const TColor32 c = SetColor32Alpha(LightenColor32(sel, (h / 2 - k) * kGradientStrength / h), 192);
            bmp.DrawHorzLineBlendedClipped(0, y + k, w, c);
        }
    };

    if (Store.CategoryCount() == 0) {
        // 6: the notice of an empty store with its "here" link.
        font.SetName(GridFontName);
        const TRect r = MakeRect(20, 30, bmp.Width - 20, 140);
        bmp.FillRectClippedByRect(r, ColorToColor32(clInfoBk));
        bmp.FrameRectClippedByRect(r, 0xFF000000);
        font.SetSize(GridFontSize + catFontInc);
        font.SetStyle(font.Style() | fsBold);
        DrawWrappedText(bmp, OffsetRectEdges(r, 10, 10, -10, -10), "No categories found", taLeftJustify);
        font.SetSize(GridFontSize);
        font.SetStyle(font.Style() & ~fsBold);
        DrawLinkText(bmp, OffsetRectEdges(r, 10, 40, -10, -10),
                     "This store does not have any categories.  To create a new category, click _here_.",
                     taLeftJustify, LinkRect);
    } else {
        // 7: the column separators down to the end of the content.
        const int32_t lineEnd = int32_t(std::min<int64_t>(contentHeight, bmp.Height + 1)) - 1;
        for (int32_t x : {ColBuyX, ColQtyX, ColNameX, ColAisleX, ColCouponX, ColNotesX})
            bmp.DrawVertLineClipped(x, 0, lineEnd, GridColor);

        const TColor textColor = ToTColor(TextColor);
        const TColor selTextColor = ToTColor(SelTextColor);
        const TColor32 catBack = LightenColor32(back, -30);
        const int32_t smallSize = FontProduct(GridFontSize, 0.8);
        const TDateTime today = Date();
        const int32_t height = bmp.Height;

        // 8: the rows. Every row gets its position; only rows whose top lies inside the image
        // are painted.
        int32_t y = -ItemListBar->value();
        for (int32_t c = 0; c < Store.CategoryCount(); ++c) {
            QMCategory& cat = Store.Categories[size_t(c)];
            cat.RowTop = y;
            if (y >= 0 && y <= height) {
                bmp.DrawHorzLineClipped(0, y, w, LineColor);
                bmp.FillRectClipped(0, y + 1, w, y + crh, catBack);
                font.SetColor(textColor);
                if (IsSelectedRow(c, -1)) {
                    selectionBand(y, crh);
                    font.SetColor(selTextColor);
                }
                TBitmap32& marker = glyph(cat.Expanded ? kExpandedMarker : kCollapsedMarker);
                marker.TransferTo(bmp, ExpandGlyphX, y + (crh - marker.Height) / 2);
                glyph(cat.Expanded ? kExpandedIcon : kCollapsedIcon)
                    .StretchTo(bmp, MakeRect(CatIconX, y + 2, CatIconX + crh - 4, y + crh - 2));

                font.SetSize(GridFontSize + catFontInc);
                font.SetStyle(font.Style() | fsBold);
                bmp.DrawText(CatNameX + mx, y + my, cat.Name);
                const int32_t nameWidth = bmp.TextWidth(cat.Name) + mx;
                font.SetStyle(font.Style() & ~fsBold);

                font.SetSize(smallSize);
                const int32_t countY = y + ((crh - bmp.TextHeight("S1")) * 2) / 3;
                bmp.DrawText(CatNameX + nameWidth + mx + 5, countY,
                             "(" + std::to_string(cat.ItemCount()) + " items)");
                font.SetSize(GridFontSize);
                if (IsSelectedRow(c, -1))
                    glyph(kEditCategoryButton)
                        .StretchTo(bmp, MakeRect(CatEditBtnX + 2, y + 2, CatEditBtnX + CatEditBtnW - 2,
                                                 y + crh - 2));
            }
            y += crh;
            if (!cat.Expanded)
                continue;

            for (int32_t i = 0; i < cat.ItemCount(); ++i) {
                QMItem& item = cat.Items[size_t(i)];
                item.RowTop = y;
                if (y >= 0 && y <= height) {
                    // 9: one item row.
                    font.SetSize(GridFontSize);
                    const bool selected = IsSelectedRow(c, i);
                    bmp.DrawHorzLineClipped(0, y, w, LineColor);
                    font.SetColor(textColor);
                    if (selected) {
                        selectionBand(y, irh);
                        font.SetColor(selTextColor);
                    }
                    if (item.Qty > 0)
                        glyph(selected ? kBuyMarkSelected : kBuyMark)
                            .StretchTo(bmp, MakeRect(buyMarkX, y + 2, buyMarkX + irh, y + irh));
                    // A quantity too wide for its column (one raised far with the keypad) is
                    // cut short with an ellipsis rather than written over the name.
                    const AnsiString qty = std::to_string(item.Qty);
                    const int32_t qtyRoom = ColNameX - (ColQtyX + mx) - 1;
                    if (bmp.TextWidth(qty) <= qtyRoom)
                        bmp.DrawText(ColQtyX + mx, y + my, qty);
                    else
                        bmp.DrawText(ColQtyX + mx, y + my, ShortenedText(bmp, qty, qtyRoom));
                    if (selected) {
                        glyph(kQtyUpArrow)
                            .StretchTo(bmp, MakeRect(QtyArrowX, y + 4, ColNameX - 2, y + 4 + irh / 2));
                        glyph(kQtyDownArrow)
                            .StretchTo(bmp, MakeRect(QtyArrowX, y + irh / 2 - 4, ColNameX - 2, y + irh - 4));
                    }
                    bmp.DrawTextClipped(ColNameX + mx, y + my,
                                        MakeRect(ColNameX + mx, y + my, ColAisleX, y + irh), item.Name);
                    if (selected)
                        glyph(kEditItemButton)
                            .StretchTo(bmp, MakeRect(EditBtnX + 2, y + 2, EditBtnX + EditBtnW - 2,
                                                     y + EditBtnW - 2));
                    bmp.DrawTextClipped(ColAisleX + mx, y + my,
                                        MakeRect(ColAisleX + mx, y + my, ColCouponX, y + irh), item.Aisle);

                    if (Store.AcceptsCoupons) {
                        int32_t mark = -1;
                        if (!item.HasCoupon) {
                            if (selected)
                                mark = kAddCouponButton;
                        } else if (item.CouponExpire <= 2.0) {
                            mark = kCoupon;
                        } else if (today > item.CouponExpire) {
                            // Expired since the store was loaded: gone from the list; the file
                            // is left to the loader.
                            item.HasCoupon = false;
                            item.CouponExpire = 0;
                        } else {
                            const double daysLeft = item.CouponExpire - today;
                            mark = daysLeft <= CouponUrgentDays ? kCouponUrgent
                                   : daysLeft <= CouponSoonDays ? kCouponSoon
                                                                : kCoupon;
                        }
                        if (mark >= 0)
                            glyph(mark).StretchTo(
                                bmp, MakeRect(CouponBtnX, y, CouponBtnX + CouponBtnW, y + CouponBtnW));
                    }

                    bmp.DrawText(ColNotesX + mx, y + my, item.Note);
                    if (selected)
                        glyph(kNoteButton)
                            .StretchTo(bmp, MakeRect(NoteBtnX, y + 2, NoteBtnX + NoteBtnW, y + irh - 2));
                }
                y += irh;
            }
        }
    }

    // 10: one repaint.
    bmp.DecUpdateCount();
    bmp.Changed();
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
        const int32_t room = nextX - (x + 2) - 2;
        bmp.DrawText(x + 2, y, bmp.TextWidth(text) <= room ? text : ShortenedText(bmp, text, room));
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

void TFormMain::ItemListHitTest(int32_t y, int32_t& cat, int32_t& item) const
{
    cat = -1;
    item = -1;
    for (int32_t c = 0; c < Store.CategoryCount(); ++c) {
        const QMCategory& category = Store.Categories[size_t(c)];
        if (category.RowTop <= y && y <= category.RowTop + Store.CatRowHeight) {
            cat = c;
            return;
        }
        if (!category.Expanded)
            continue;
        for (int32_t i = 0; i < category.ItemCount(); ++i) {
            const int32_t top = category.Items[size_t(i)].RowTop;
            if (top <= y && y <= top + Store.ItemRowHeight) {
                cat = c;
                item = i;
                return;
            }
        }
    }
}

void TFormMain::ItemListRowBelow(int32_t cat, int32_t item, int32_t& nextCat, int32_t& nextItem) const
{
    nextCat = -1;
    nextItem = -1;
    if (cat < 0 || cat >= Store.CategoryCount())
        return;
    const QMCategory& category = Store.Categories[size_t(cat)];
    int32_t y;
    if (item >= 0) {
        if (item >= category.ItemCount())
            return;
        y = category.Items[size_t(item)].RowTop + Store.ItemRowHeight + 1;
    } else {
        y = category.RowTop + Store.CatRowHeight + 1;
    }
    ItemListHitTest(y, nextCat, nextItem);
}

} // namespace qm
