// The two page layouts of the print-preview window: the shopping list and the store's whole
// item list, in newspaper columns on the preview's canvas. All lengths are thousandths of an
// inch; the height of a line is the height of "Sy" in the font in use at the time.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "platform/DateFormat.h"
#include "platform/DeviceCanvas.h"
#include "printing/PrintPreview.h"
#include "printing/PrintPreviewUnit.h"
#include "printing/ShoppingListExport.h"
#include "util/widgets/FloatSpinEdit.h"

namespace qm {

namespace {

// A length in inches as thousandths, rounded to the nearest, halves to the even one (the
// spin edits hold at most a few decimals, so the product is exact up to a tiny error that
// the rounding removes).
int32_t Thousandths(double Inches)
{
    const double v = std::nearbyint(std::round(Inches * 1e6) / 1e3);
    return int32_t(std::clamp(v, -1e9, 1e9));
}

// The row after (category, item) in the store's own order, every category and item printed,
// whether the main window shows them or not; item -1 is a category's heading row, and after
// the last row both are -1.
void NextItemListRow(const QMStore& Store, int32_t Cat, int32_t Item, int32_t& NextCat, int32_t& NextItem)
{
    if (Cat >= 0 && Cat < int32_t(Store.Categories.size()) &&
        Item + 1 < Store.Categories[size_t(Cat)].ItemCount()) {
        NextCat = Cat;
        NextItem = Item + 1;
        return;
    }
    NextItem = -1;
    NextCat = Cat + 1 < int32_t(Store.Categories.size()) ? Cat + 1 : -1;
}

const QMShopListCat& GroupAt(const QMShopList& List, int32_t Aisle, int32_t Cat)
{
    return List.SortByAisle ? List.Aisles[size_t(Aisle)].Cats[size_t(Cat)] : List.Cats[size_t(Cat)];
}

} // namespace

TDeviceCanvas& TFormPrintPreview::PageCanvas()
{
    return *PrintPreview->Canvas();
}

void TFormPrintPreview::UseFont(int32_t Size, bool Bold)
{
    TDeviceFont& font = PageCanvas().Font();
    font.SetSize(Size);
    font.SetStyle(Bold ? TFontStyles(fsBold) : TFontStyles(0));
}

void TFormPrintPreview::UseItemFont()
{
    UseFont(size_.BaseSize, false);
}

void TFormPrintPreview::UseCategoryFont()
{
    UseFont(size_.CategorySize, true);
}

void TFormPrintPreview::UseAisleFont()
{
    UseFont(size_.AisleSize, true);
}

void TFormPrintPreview::UseQtyFont()
{
    UseFont(size_.QtySize, false);
}

void TFormPrintPreview::UseNoteFont()
{
    UseFont(size_.NoteSize, false);
}

int32_t TFormPrintPreview::LineHeight()
{
    return PageCanvas().TextHeight("Sy");
}

int32_t TFormPrintPreview::TextWidth(const AnsiString& Text)
{
    return PageCanvas().TextWidth(Text);
}

void TFormPrintPreview::LayoutPages()
{
    if (loading_)
        return;
    if (PrintShoppingList)
        LayoutShoppingList();
    else
        LayoutItemList();
}

void TFormPrintPreview::DrawText(int32_t X, int32_t Y, const AnsiString& Text)
{
    TDeviceCanvas& c = PageCanvas();
    c.Brush().SetStyle(bsClear);
    c.SetBkMode(emf::TRANSPARENT);
    c.TextOut(X, Y, Text);
}

void TFormPrintPreview::DrawCellText(int32_t X, int32_t Y, const AnsiString& Text)
{
    TDeviceCanvas& c = PageCanvas();
    c.Brush().SetStyle(bsClear);
    c.SetBkMode(emf::TRANSPARENT);
    const TRect clip{curX_ + 20 + nameIndent_, curY_, curX_ + columnWidth_ - 20, curY_ + LineHeight()};
    c.TextRect(clip, X, Y, Text);
}

void TFormPrintPreview::DrawHRule(int32_t X, int32_t Y, int32_t Thickness, int32_t Right)
{
    TDeviceCanvas& c = PageCanvas();
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(clBlack);
    c.Rectangle(X, Y, Right, Y + Thickness);
    c.Brush().SetColor(clWhite);
}

void TFormPrintPreview::DrawVRule(int32_t X, int32_t Y, int32_t Thickness, int32_t Bottom)
{
    TDeviceCanvas& c = PageCanvas();
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(clBlack);
    c.Rectangle(X, Y, X + Thickness, Bottom);
    c.Brush().SetColor(clWhite);
}

void TFormPrintPreview::BeginLayout(bool ItemList)
{
    ++layoutCount_;
    PrintPreview->SetOrientation(RadioLandscape->isChecked() ? poLandscape : poPortrait);

    TRect r;
    PrintPreview->GetPrintableRect(r);
    area_.Left = r.Left + Thousandths(SpinMarginLeft->CheckValue(SpinMarginLeft->Value()));
    area_.Right = r.Right - Thousandths(SpinMarginRight->CheckValue(SpinMarginRight->Value()));
    area_.Top = r.Top + Thousandths(SpinMarginTop->CheckValue(SpinMarginTop->Value()));
    area_.Bottom = r.Bottom - Thousandths(SpinMarginBottom->CheckValue(SpinMarginBottom->Value()));
    pageFrame_ = area_;
    lineGap_ = Thousandths(SpinLineSpacing->CheckValue(SpinLineSpacing->Value()));
    const int32_t columns = std::clamp(SpinColumns->value(), 1, 10);
    columnWidth_ = (area_.Right - area_.Left) / columns;
    if (ItemList)
        columnWidth_ -= RuleWidth;
    // Margins wider than the paper leave no room: a column is then one unit wide, so that the
    // columns still move right and every row finds a page.
    columnWidth_ = std::max(columnWidth_, 1);

    AnsiString fontName = FromQString(ComboPrinterFont->currentText());
    if (fontName.empty())
        fontName = "Arial";
    const int32_t size = std::clamp(SpinPrinterFont->value(), 6, 32);
    PrintPreview->Font().SetName(fontName);
    PrintPreview->Font().SetSize(size);

    curX_ = area_.Left;
    curY_ = area_.Top;
    nameIndent_ = 0;
    boxOffset_ = 0;
    const AnsiString storeName = StoreName();
    title_ = PrintTitleText(FromQString(EditPageTitle->text()), storeName);
    dateText_ = PrintDateText();
    PrintPreview->PrintJobTitle = (ItemList ? "Item List for " : "Shopping List for ") + storeName + ", " +
                                  FormatDateTime("ddddd", Date());

    PrintPreview->BeginDoc();
    PageCanvas().Font().SetName(fontName);
    PageCanvas().Font().SetSize(size);
    size_ = PrintFontSizes(PageCanvas().Font().Size());
    PageCanvas().Font().SetStyle(0);
    DrawHeaderFooter();

    // A negative line spacing never makes a row go upwards: every row advances the line.
    UseItemFont();
    itemRowHeight_ = std::max(1, LineHeight() + lineGap_);
    UseNoteFont();
    noteRowHeight_ = std::max(1, LineHeight() + lineGap_);
    UseCategoryFont();
    groupRowHeight_ = std::max(1, LineHeight() + lineGap_);
    UseItemFont();
}

void TFormPrintPreview::DrawHeaderFooter()
{
    const bool pageNum = CheckPrintPageNum->isChecked();
    const bool counts = CheckNumItems->isChecked();
    if (pageNum) {
        UseFont(size_.PageNumSize, false);
        const AnsiString text = "Page " + std::to_string(PrintPreview->TotalPages() + 1);
        DrawText(area_.Right - TextWidth(text), area_.Bottom - LineHeight(), text);
    }
    if (counts) {
        UseFont(size_.CountSize, false);
        const AnsiString text = PrintShoppingList
                                    ? "Items: " + std::to_string(ShopList().TotalQty) +
                                          "    Coupons: " + std::to_string(ShopList().CouponCount)
                                    : "Items: " + std::to_string(Store().ItemCount());
        DrawText(area_.Left, area_.Bottom - LineHeight(), text);
    }
    if (pageNum || counts)
        area_.Bottom -= LineHeight();

    UseFont(size_.TitleSize, true);
    DrawText(area_.Left, area_.Top, title_);
    curY_ += LineHeight() + lineGap_;
    if (CheckPrintDate->isChecked()) {
        UseFont(size_.DateSize, false);
        DrawText(area_.Right - TextWidth(dateText_), area_.Top, dateText_);
    }
    DrawHRule(area_.Left, curY_, RuleWidth, area_.Right);
    curY_ += RuleWidth + lineGap_;
    area_.Top = curY_;
}

void TFormPrintPreview::DrawGroupRule()
{
    if (curY_ > area_.Top) {
        DrawHRule(curX_, curY_, RuleWidth, curX_ + columnWidth_);
        curY_ += RuleWidth;
    }
}

void TFormPrintPreview::DrawCategoryHeading(const AnsiString& Name)
{
    UseCategoryFont();
    DrawText(curX_ + 20, curY_, Name);
    curY_ += groupRowHeight_;
}

void TFormPrintPreview::DrawAisleName(const AnsiString& Name)
{
    UseAisleFont();
    DrawText(curX_ + columnWidth_ - 20 - TextWidth(Name), curY_, Name);
}

void TFormPrintPreview::NextColumn(bool ItemList)
{
    curY_ = area_.Top;
    curX_ += columnWidth_;
    if (curX_ + 100 <= area_.Right) {
        DrawVRule(curX_, curY_, RuleWidth, area_.Bottom);
        if (ItemList)
            curX_ += 2 * RuleWidth;
    } else {
        PrintPreview->NewPage();
        area_ = pageFrame_;
        curX_ = area_.Left;
        curY_ = area_.Top;
        DrawHeaderFooter();
    }
}

// ---- Shopping list ----------------------------------------------------------------------

void TFormPrintPreview::LayoutShoppingList()
{
    const QMShopList& list = ShopList();
    BeginLayout(false);
    if (CheckCheckBoxes->isChecked()) {
        boxOffset_ = TextWidth(" ");
        nameIndent_ = TextWidth("[  ]     ") + boxOffset_;
    } else {
        nameIndent_ = TextWidth("       ");
    }
    // The quantity stands right-aligned before the name; the name moves right when the widest
    // quantity would otherwise run into the check box or out of the column.
    std::set<int32_t> quantities;
    const auto collect = [&](const QMShopListCat& cat) {
        for (const QMShopListItem& item : cat.Items)
            if (item.Qty > 1)
                quantities.insert(item.Qty);
    };
    for (const QMShopListAisle& aisle : list.Aisles)
        for (const QMShopListCat& cat : aisle.Cats)
            collect(cat);
    for (const QMShopListCat& cat : list.Cats)
        collect(cat);
    if (!quantities.empty()) {
        const int32_t boxEnd = CheckCheckBoxes->isChecked() ? boxOffset_ + TextWidth("[  ] ") : 0;
        UseQtyFont();
        int32_t widest = 0;
        for (int32_t q : quantities)
            widest = std::max(widest, TextWidth("(" + std::to_string(q) + ") "));
        UseItemFont();
        nameIndent_ = std::max(nameIndent_, boxEnd + widest);
    }

    if (list.SortByAisle) {
        for (int32_t a = 0; a < list.AisleCount(); ++a) {
            const QMShopListAisle& aisle = list.Aisles[size_t(a)];
            DrawAisleName(aisle.Name);
            DrawGroupRule();
            for (int32_t k = 0; k < aisle.CatCount(); ++k)
                ShopListGroup(true, a, k, aisle.Cats[size_t(k)]);
        }
    } else {
        for (int32_t k = 0; k < list.CatCount(); ++k) {
            DrawGroupRule();
            ShopListGroup(false, -1, k, list.Cats[size_t(k)]);
        }
    }
    PrintPreview->EndDoc();
}

void TFormPrintPreview::ShopListGroup(bool ByAisle, int32_t Aisle, int32_t Category, const QMShopListCat& Cat)
{
    DrawCategoryHeading(Cat.Name);
    ShopListRowBreak(ByAisle, Aisle, Category, -1);
    const bool boxes = CheckCheckBoxes->isChecked();
    for (int32_t i = 0; i < Cat.ItemCount(); ++i) {
        const QMShopListItem& item = Cat.Items[size_t(i)];
        UseItemFont();
        if (boxes)
            DrawText(curX_ + 20 + boxOffset_, curY_, "[  ]");
        if (item.Qty > 1) {
            UseQtyFont();
            const AnsiString qty = "(" + std::to_string(item.Qty) + ")";
            DrawText(curX_ + 20 + nameIndent_ - TextWidth(qty + " "), curY_, qty);
            UseItemFont();
        }
        DrawCellText(curX_ + 20 + nameIndent_, curY_, item.HasCoupon ? item.Name + "  \xA2" : item.Name);
        curY_ += itemRowHeight_;
        if (!item.Note.empty()) {
            UseNoteFont();
            DrawCellText(curX_ + 20 + nameIndent_, curY_, "      " + item.Note);
            curY_ += noteRowHeight_;
        }
        ShopListRowBreak(ByAisle, Aisle, Category, i);
    }
}

void TFormPrintPreview::ShopListRowBreak(bool ByAisle, int32_t Aisle, int32_t Category, int32_t Item)
{
    const QMShopList& list = ShopList();
    int32_t nextAisle, nextCat, nextItem;
    NextShopListRow(list, ByAisle ? Aisle : -1, Category, Item, nextAisle, nextCat, nextItem);
    // After the last row nothing needs room: no empty column or page is started for it.
    if (nextCat < 0)
        return;
    int32_t needed;
    if (nextItem >= 0) {
        needed = itemRowHeight_;
        if (!GroupAt(list, nextAisle, nextCat).Items[size_t(nextItem)].Note.empty())
            needed += noteRowHeight_;
    } else {
        needed = groupRowHeight_;
        // A heading that opens a group comes below the group's rule.
        if (!ByAisle || nextCat == 0)
            needed += RuleWidth;
    }
    if (curY_ + needed <= area_.Bottom)
        return;

    NextColumn(false);
    const QMShopListCat& cat = GroupAt(list, Aisle, Category);
    // A group broken here has its heading repeated at the top of the new column.
    if (Item < cat.ItemCount() - 1) {
        if (ByAisle)
            DrawAisleName(list.Aisles[size_t(Aisle)].Name);
        DrawCategoryHeading(cat.Name);
    }
}

// ---- Item list ----------------------------------------------------------------------------

void TFormPrintPreview::LayoutItemList()
{
    const QMStore& store = Store();
    BeginLayout(true);
    const bool boxes = CheckCheckBoxes->isChecked();
    for (int32_t k = 0; k < int32_t(store.Categories.size()); ++k) {
        const QMCategory& cat = store.Categories[size_t(k)];
        DrawGroupRule();
        DrawCategoryHeading(cat.Name);
        ItemListRowBreak(k, -1);
        for (int32_t i = 0; i < cat.ItemCount(); ++i) {
            UseItemFont();
            const AnsiString& name = cat.Items[size_t(i)].Name;
            DrawCellText(curX_ + 20, curY_, (boxes ? " [  ]  " : "     ") + name);
            curY_ += itemRowHeight_;
            ItemListRowBreak(k, i);
        }
    }
    PrintPreview->EndDoc();
}

void TFormPrintPreview::ItemListRowBreak(int32_t Category, int32_t Item)
{
    const QMStore& store = Store();
    int32_t nextCat, nextItem;
    NextItemListRow(store, Category, Item, nextCat, nextItem);
    // After the last row nothing needs room: no empty column or page is started for it.
    if (nextCat < 0)
        return;
    // A heading comes below the rule that parts it from the category before.
    const int32_t needed = nextItem >= 0 ? itemRowHeight_ : groupRowHeight_ + RuleWidth;
    if (curY_ + needed <= area_.Bottom)
        return;

    NextColumn(true);
    const QMCategory& cat = store.Categories[size_t(Category)];
    if (Item < cat.ItemCount() - 1)
        DrawCategoryHeading(cat.Name);
}

} // namespace qm
