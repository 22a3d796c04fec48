#include "printing/ShoppingListExport.h"

#include <algorithm>
#include <string_view>

#include "app/Settings.h"
#include "platform/AtomicFile.h"
#include "platform/DateFormat.h"
#include "platform/Exception.h"

namespace qm {

namespace {

// Indices of the writer's standard fonts that the export uses.
constexpr std::uint8_t kHelvetica = 0, kHelveticaBold = 1, kCourier = 4, kCourierBold = 5, kTimesRoman = 8,
                       kTimesBold = 9;

// num / den rounded to the nearest integer, halves to the even one (den > 0).
std::int64_t DivRoundHalfEven(std::int64_t num, std::int64_t den)
{
    std::int64_t q = num / den;
    std::int64_t r = num % den;
    if (r < 0) { // floor division, so that the remainder lies in [0, den)
        r += den;
        --q;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0))
        ++q;
    return q;
}

int32_t ClampTo32(std::int64_t v)
{
    return int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

const QMShopListCat& GroupOf(const QMShopList& list, int32_t aisle, int32_t cat)
{
    if (list.SortByAisle) {
        if (aisle < 0 || aisle >= list.AisleCount())
            throw ERangeError(Format("Aisle index out of range (%d)", int(aisle)));
        const QMShopListAisle& a = list.Aisles[size_t(aisle)];
        if (cat < 0 || cat >= a.CatCount())
            throw ERangeError(Format("Category index out of range (%d)", int(cat)));
        return a.Cats[size_t(cat)];
    }
    if (cat < 0 || cat >= list.CatCount())
        throw ERangeError(Format("Category index out of range (%d)", int(cat)));
    return list.Cats[size_t(cat)];
}

// The layout of one PDF export. Its members are the state that the page frame, the row
// breaking and the group walk share; all lengths are points, y measured down from the top edge
// of the page and naming the top of a text line.
class ShoppingListPdf {
public:
    ShoppingListPdf(TPrintPDF& pdf, const QMShopList& list, const AnsiString& storeName,
                    const ShoppingListPdfSettings& settings)
        : PDF(pdf), List(list), Settings(settings), Size(std::clamp(settings.PrintFontSize, 6, 32))
    {
        Title = PrintTitleText(settings.PrintTitle, storeName);
        if (settings.PrintFontName.find("Courier") != AnsiString::npos) {
            RegularFont = kCourier;
            BoldFont = kCourierBold;
        } else if (settings.PrintFontName.find("Times") != AnsiString::npos) {
            RegularFont = kTimesRoman;
            BoldFont = kTimesBold;
        }
        Columns = std::clamp(settings.PrintColumns, 1, 10);
    }

    void Write(const std::string& fileName)
    {
        if (Settings.DoPrintLandscape) {
            PDF.PageWidth = 792;
            PDF.PageHeight = 612;
        } else {
            PDF.PageWidth = 612;
            PDF.PageHeight = 792;
        }

        UseFont(RegularFont, Size.QtySize);
        BoxWidth = Settings.DoPrintCheckBoxes ? PdfTextWidth("[  ]") : 0;
        // The name starts after the widest quantity's text, so that " (12)" or " (100)" does
        // not run into it; with one-digit quantities that is the width of " (0)".
        NameX = PdfTextWidth(" (" + AnsiString(WidestQuantityDigits(), '0') + ")") + BoxWidth;

        PDF.FileName = fileName;
        PDF.BeginDoc();

        Left = 24;
        Top = 24;
        Right = PDF.PageWidth - 24;
        Bottom = PDF.PageHeight - 24;
        SavedLeft = Left;
        SavedTop = Top;
        SavedRight = Right;
        SavedBottom = Bottom;
        ColumnWidth = (Right - Left) / Columns;
        CurX = Left;
        CurY = Top;
        PdfPageFrame();

        if (List.SortByAisle) {
            for (int32_t a = 0; a < List.AisleCount(); ++a) {
                const QMShopListAisle& aisle = List.Aisles[size_t(a)];
                GroupRule();
                UseFont(BoldFont, Size.AisleSize);
                PDF.TextOut(CurX + ColumnWidth - 2 - PdfTextWidth(aisle.Name), CurY, aisle.Name);
                for (int32_t c = 0; c < aisle.CatCount(); ++c)
                    Group(true, a, c, aisle.Cats[size_t(c)]);
            }
        } else {
            for (int32_t c = 0; c < List.CatCount(); ++c) {
                GroupRule();
                Group(false, -1, c, List.Cats[size_t(c)]);
            }
        }

        PDF.EndDoc();
    }

private:
    // Estimated width of text in the writer's current font.
    int32_t PdfTextWidth(const AnsiString& text) const { return qm::PdfTextWidth(PDF.Font, text); }

    void UseFont(std::uint8_t index, int32_t size)
    {
        PDF.Font.Index = index;
        PDF.Font.Size = size;
    }

    // The most digits of a quantity the list prints (above 1), at least one.
    size_t WidestQuantityDigits() const
    {
        int32_t widest = 0;
        const auto scan = [&](const QMShopListCat& cat) {
            for (const QMShopListItem& item : cat.Items)
                widest = std::max(widest, item.Qty);
        };
        if (List.SortByAisle) {
            for (const QMShopListAisle& aisle : List.Aisles)
                for (const QMShopListCat& cat : aisle.Cats)
                    scan(cat);
        } else {
            for (const QMShopListCat& cat : List.Cats)
                scan(cat);
        }
        return std::max<size_t>(1, std::to_string(widest).size());
    }

    // The rule above a group, unless the group starts a column.
    void GroupRule()
    {
        if (CurY > Top) {
            PDF.DrawLine(CurX, CurY, CurX + ColumnWidth, CurY);
            CurY += 2 * PDF.LineWidth;
        }
    }

    // A category group: its heading, then its item rows.
    void Group(bool byAisle, int32_t a, int32_t c, const QMShopListCat& cat)
    {
        UseFont(BoldFont, Size.CategorySize);
        PDF.TextOut(CurX + 2, CurY, cat.Name);
        CurY += PdfLineHeight(Size.CategorySize);
        PdfRow(byAisle, a, c, -1);
        for (int32_t i = 0; i < cat.ItemCount(); ++i) {
            const QMShopListItem& item = cat.Items[size_t(i)];
            if (Settings.DoPrintCheckBoxes) {
                UseFont(RegularFont, Size.BaseSize);
                PDF.TextOut(CurX + 2, CurY, "  [  ]");
            }
            if (item.Qty > 1) {
                UseFont(RegularFont, Size.QtySize);
                PDF.TextOut(CurX + 2 + BoxWidth, CurY, " (" + std::to_string(item.Qty) + ")");
            }
            UseFont(RegularFont, Size.BaseSize);
            PDF.TextOut(CurX + NameX, CurY, item.HasCoupon ? item.Name + "  \xA2" : item.Name);
            CurY += PdfLineHeight(Size.BaseSize);
            if (!item.Note.empty()) {
                UseFont(RegularFont, Size.NoteSize);
                PDF.TextOut(CurX, CurY, AnsiString(Settings.DoPrintCheckBoxes ? 16 : 11, ' ') + item.Note);
                CurY += PdfLineHeight(Size.NoteSize);
            }
            PdfRow(byAisle, a, c, i);
        }
    }

    // Header and footer of the page just begun; moves Top below the header and Bottom above
    // the footer.
    void PdfPageFrame()
    {
        UseFont(BoldFont, Size.TitleSize);
        PDF.TextOut(CurX, CurY, Title);
        if (Settings.DoPrintDate) {
            UseFont(RegularFont, Size.DateSize);
            PDF.TextOut(Right - PdfTextWidth(DateText), CurY, DateText);
        }
        CurY += PdfLineHeight(Size.TitleSize);
        PDF.DrawLine(Left, CurY, Right, CurY);
        CurY += 2 * PDF.LineWidth;
        Top = CurY;

        const int32_t footerY = Bottom - PdfLineHeight(Size.CountSize);
        if (Settings.DoPrintNumItems) {
            UseFont(RegularFont, Size.CountSize);
            PDF.TextOut(Left, footerY,
                        "Items: " + std::to_string(List.ItemCount) +
                            "  Coupons: " + std::to_string(List.CouponCount));
        }
        if (Settings.DoPrintPageNum) {
            UseFont(RegularFont, Size.PageNumSize);
            const AnsiString page = "Page: " + std::to_string(PDF.PageNumber());
            PDF.TextOut(Right - PdfTextWidth(page), footerY, page);
        }
        if (Settings.DoPrintNumItems || Settings.DoPrintPageNum)
            Bottom -= PdfLineHeight(Size.CountSize);
    }

    // After a row has been placed: when the row that follows does not fit above the footer,
    // the next column (with its rule) or the next page begins, and a category broken there
    // has its heading repeated.
    void PdfRow(bool byAisle, int32_t a, int32_t c, int32_t i)
    {
        int32_t nextAisle, nextCat, nextLine;
        NextShopListRow(List, a, c, i, nextAisle, nextCat, nextLine);
        if (nextCat < 0)
            return; // the last row: nothing follows that would need room
        int32_t needed;
        if (nextLine >= 0) {
            needed = PdfLineHeight(Size.BaseSize);
            if (!GroupOf(List, nextAisle, nextCat).Items[size_t(nextLine)].Note.empty())
                needed += PdfLineHeight(Size.NoteSize);
        } else {
            needed = PdfLineHeight(Size.CategorySize);
            // A heading that opens a group (by aisle: the first category of an aisle) comes
            // after the group rule.
            if (!byAisle || nextCat == 0)
                needed += 2 * PDF.LineWidth;
        }
        if (Bottom >= CurY + needed)
            return;

        CurY = Top;
        CurX += ColumnWidth;
        if (CurX + 10 <= Right) {
            PDF.DrawLine(CurX, Top, CurX, Bottom);
        } else {
            PDF.NewPage();
            Left = SavedLeft;
            Top = SavedTop;
            Right = SavedRight;
            Bottom = SavedBottom;
            CurX = Left;
            CurY = Top;
            PdfPageFrame();
        }

        const QMShopListCat& cat = GroupOf(List, a, c);
        if (i < cat.ItemCount() - 1) {
            if (byAisle) {
                const AnsiString& aisleName = List.Aisles[size_t(a)].Name;
                UseFont(BoldFont, Size.AisleSize);
                PDF.TextOut(CurX + ColumnWidth - 2 - PdfTextWidth(aisleName), CurY, aisleName);
            }
            UseFont(BoldFont, Size.CategorySize);
            PDF.TextOut(CurX + 2, CurY, cat.Name);
            CurY += PdfLineHeight(Size.CategorySize);
        }
    }

    TPrintPDF& PDF;
    const QMShopList& List;
    const ShoppingListPdfSettings& Settings;
    const PrintFontSizes Size;
    AnsiString Title;
    const AnsiString DateText = PrintDateText(); // one date for every page of the document
    std::uint8_t RegularFont = kHelvetica;
    std::uint8_t BoldFont = kHelveticaBold;
    int32_t Columns = 3;
    int32_t BoxWidth = 0, NameX = 0;
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    int32_t SavedLeft = 0, SavedTop = 0, SavedRight = 0, SavedBottom = 0;
    int32_t ColumnWidth = 0;
    int32_t CurX = 0, CurY = 0;
};

// The five-character quantity field of a text line: " (12)", "  (3)" or five blanks; a
// quantity of three digits or more makes it wider.
AnsiString QuantityField(int32_t qty)
{
    if (qty >= 10)
        return " (" + std::to_string(qty) + ")";
    if (qty >= 2)
        return "  (" + std::to_string(qty) + ")";
    return "     ";
}

} // namespace

ShoppingListPdfSettings ReadShoppingListPdfSettings()
{
    ShoppingListPdfSettings s;
    s.PrintColumns = ReadSetting(kPrintColumns);
    s.DoPrintLandscape = ReadSetting(kDoPrintLandscape);
    s.PrintFontSize = ReadSetting(kPrintFontSize);
    s.PrintFontName = ReadSetting(kPrintFontName);
    s.DoPrintDate = ReadSetting(kDoPrintDate);
    s.DoPrintPageNum = ReadSetting(kDoPrintPageNum);
    s.DoPrintCheckBoxes = ReadSetting(kDoPrintCheckBoxes);
    s.DoPrintNumItems = ReadSetting(kDoPrintNumItems);
    s.PrintTitle = ReadSetting(kPrintTitle);
    return s;
}

AnsiString PrintTitleText(const AnsiString& pattern, const AnsiString& storeName)
{
    // One pass, so that a store name holding "%s" stays as it is; the text never reaches a
    // format routine, so any other "%" is printed as typed.
    AnsiString out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 's' || pattern[i + 1] == 'S')) {
            out += storeName;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

int32_t ScaleRounded(int32_t value, int32_t percent)
{
    return ClampTo32(DivRoundHalfEven(std::int64_t(value) * percent, 100));
}

PrintFontSizes::PrintFontSizes(int32_t base)
    : BaseSize(base), CategorySize(ScaleRounded(base, 120)), AisleSize(ScaleRounded(base, 120)),
      QtySize(ScaleRounded(base, 80)), NoteSize(ScaleRounded(base, 85)), TitleSize(ScaleRounded(base, 150)),
      PageNumSize(ScaleRounded(base, 80)), CountSize(ScaleRounded(base, 80)),
      DateSize(ScaleRounded(base, 125))
{
}

AnsiString PrintDateText()
{
    return FormatDateTime("ddd ddddd", Now());
}

int32_t PdfLineHeight(int32_t size)
{
    return ScaleRounded(size, 118);
}

int32_t PdfTextWidth(const TPDFFont& font, const AnsiString& text)
{
    // k in hundredths: Courier 0.6, Times 0.49, Helvetica (and the rest) 0.53.
    const std::int64_t k = font.Index >= kCourier && font.Index <= 7       ? 60
                           : font.Index >= kTimesRoman && font.Index <= 11 ? 49
                                                                           : 53;
    return ClampTo32(DivRoundHalfEven(std::int64_t(text.size()) * font.Size * k, 100));
}

void NextShopListRow(const QMShopList& list, int32_t aisle, int32_t cat, int32_t line, int32_t& nextAisle,
                     int32_t& nextCat, int32_t& nextLine)
{
    const QMShopListCat& group = GroupOf(list, aisle, cat);
    if (line < -1 || line >= group.ItemCount())
        throw ERangeError(Format("Line index out of range (%d)", int(line)));
    if (line + 1 < group.ItemCount()) {
        nextAisle = list.SortByAisle ? aisle : -1;
        nextCat = cat;
        nextLine = line + 1;
        return;
    }
    nextLine = -1;
    if (list.SortByAisle) {
        // The next category group's heading, in this aisle or the next one that has any.
        for (int32_t a = aisle, c = cat + 1; a < list.AisleCount(); ++a, c = 0) {
            if (c < list.Aisles[size_t(a)].CatCount()) {
                nextAisle = a;
                nextCat = c;
                return;
            }
        }
    } else if (cat + 1 < list.CatCount()) {
        nextAisle = -1;
        nextCat = cat + 1;
        return;
    }
    nextAisle = -1;
    nextCat = -1;
}

void WriteShoppingListPdf(TPrintPDF& pdf, const QMShopList& list, const AnsiString& storeName,
                          const ShoppingListPdfSettings& settings, const std::string& fileName)
{
    ShoppingListPdf(pdf, list, storeName, settings).Write(fileName);
}

AnsiString ShoppingListText(const QMShopList& list, const AnsiString& storeName)
{
    AnsiString out;
    const auto line = [&out](std::string_view text) {
        out += text;
        out += "\r\n";
    };
    const auto items = [&](const QMShopListCat& cat) {
        for (const QMShopListItem& item : cat.Items) {
            out += QuantityField(item.Qty);
            out += item.Name;
            if (item.HasCoupon)
                out += "  \xA2";
            out += "\r\n";
        }
    };
    const AnsiString dashes(80, '-');

    line(storeName);
    line(AnsiString(80, '\xAF'));
    if (list.SortByAisle) {
        for (int32_t a = 0; a < list.AisleCount(); ++a) {
            const QMShopListAisle& aisle = list.Aisles[size_t(a)];
            if (a > 0)
                line(dashes);
            for (int32_t c = 0; c < aisle.CatCount(); ++c) {
                const QMShopListCat& cat = aisle.Cats[size_t(c)];
                if (c == 0) {
                    // The aisle name ends in column 80; names too long for that touch.
                    const std::int64_t gap =
                        80 - std::int64_t(aisle.Name.size()) - std::int64_t(cat.Name.size());
                    line(cat.Name + AnsiString(size_t(std::max<std::int64_t>(gap, 0)), ' ') + aisle.Name);
                } else {
                    line(cat.Name);
                }
                items(cat);
            }
        }
    } else {
        for (int32_t c = 0; c < list.CatCount(); ++c) {
            if (c > 0)
                line(dashes);
            line(list.Cats[size_t(c)].Name);
            items(list.Cats[size_t(c)]);
        }
    }
    return out;
}

void WriteShoppingListText(const QMShopList& list, const AnsiString& storeName, const std::string& fileName)
{
    WriteFileAtomically(fileName, ShoppingListText(list, storeName));
}

} // namespace qm
