#pragma once
// The shopping list written to a file: a PDF of US-letter pages laid out in newspaper columns
// like the printed list, or a plain-text listing 80 characters wide. The main window's export
// and e-mail commands call these with its list, its store name and the stored print settings.
//
// Sizes derived from the base font size by a factor, line heights and text widths are rounded
// to the nearest whole point, halves to the even one, on the exact decimal product (5 x (10 x
// 0.53) = 26.5 gives 26), never on a binary floating-point approximation of it.
#include <cstdint>

#include "app/Settings.h"
#include "platform/AnsiString.h"
#include "printing/PdfWriter.h"
#include "store/ShopList.h"

namespace qm {

// The print settings the PDF export reads; the print-preview window is their only writer.
struct ShoppingListPdfSettings {
    int32_t PrintColumns = kPrintColumns.Default; // columns per page; below 1 counts as 1, above 10 as 10
    bool DoPrintLandscape = kDoPrintLandscape.Default;
    int32_t PrintFontSize =
        kPrintFontSize.Default; // base size in points; below 6 counts as 6, above 32 as 32
    AnsiString PrintFontName = kPrintFontName.Default; // picks the family: "Courier", "Times", else Helvetica
    bool DoPrintDate = kDoPrintDate.Default;
    bool DoPrintPageNum = kDoPrintPageNum.Default;
    bool DoPrintCheckBoxes = kDoPrintCheckBoxes.Default;
    bool DoPrintNumItems = kDoPrintNumItems.Default;
    AnsiString PrintTitle = kPrintTitle.Default; // "%s" (either case) stands for the store name
};

// The settings from the registry (app/Settings.h), each with its default when missing.
// A value stored with another type raises ERegistryException.
ShoppingListPdfSettings ReadShoppingListPdfSettings();

// A page title pattern with every "%s" and "%S" replaced by the store name; any other "%" is
// kept as it stands.
AnsiString PrintTitleText(const AnsiString& pattern, const AnsiString& storeName);
// value x percent / 100, rounded to the nearest whole number, halves to the even one.
int32_t ScaleRounded(int32_t value, int32_t percent);
// The font sizes of the printed lists and the PDF export, from the base size in points: each
// the base scaled by its factor (ScaleRounded). The page number is as large as the counts
// beside it in the footer.
struct PrintFontSizes {
    explicit PrintFontSizes(int32_t base = 0);
    int32_t BaseSize, CategorySize, AisleSize, QtySize, NoteSize, TitleSize, PageNumSize, CountSize, DateSize;
};
// The date in the header of every page: the weekday and the short date of now.
AnsiString PrintDateText();
// The line advance of a font size: size x 1.18, rounded.
int32_t PdfLineHeight(int32_t size);
// The estimated width of text in font: Length(text) x (size x k), rounded, with k 0.53 for the
// Helvetica fonts (and Symbol and ZapfDingbats), 0.6 for Courier, 0.49 for Times.
int32_t PdfTextWidth(const TPDFFont& font, const AnsiString& text);

// The position of the row after (aisle, cat, line) in the list's own order, where line -1 is
// a category group's heading and aisle is -1 in a list built by category; after the last row
// all three are -1. This is the row the shopping-list view's row walker finds below the given
// one in a drawing of the same list, found here without a drawing and without a search.
// A position outside the list raises ERangeError.
void NextShopListRow(const QMShopList& list, int32_t aisle, int32_t cat, int32_t line, int32_t& nextAisle,
                     int32_t& nextCat, int32_t& nextLine);

// Lays the list out on pdf (whose page size, fonts and file name it sets) and writes the file,
// replacing any file of that name only once the new one is complete. The page is US letter
// with 24-point margins; the header holds the title (storeName put into settings.PrintTitle)
// and today's date, the footer the line and coupon counts and the page number. File errors
// raise EInOutError naming the file.
void WriteShoppingListPdf(TPrintPDF& pdf, const QMShopList& list, const AnsiString& storeName,
                          const ShoppingListPdfSettings& settings, const std::string& fileName);

// The text listing: the store name, a rule of 80 macrons, then the groups (by aisle: each
// aisle's categories, the first with the aisle name ending in column 80, aisles parted by a
// line of 80 "-"; by category: each category name, categories parted the same way), each item
// as a five-character quantity field, its name and "  " plus the cent sign for a coupon. Every
// line ends with CR LF; the text is Windows-1252.
AnsiString ShoppingListText(const QMShopList& list, const AnsiString& storeName);
// Writes ShoppingListText to fileName, replacing any file of that name only once the new one
// is complete; file errors raise EInOutError naming the file.
void WriteShoppingListText(const QMShopList& list, const AnsiString& storeName, const std::string& fileName);

} // namespace qm
