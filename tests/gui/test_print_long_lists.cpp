// Long lists through every column and page break: a generated store of thousands of items
// (quantities of one to three digits, notes, coupons, errands) is laid out and recorded by the
// print-preview window, printed to a PDF file and exported as PDF and text, by aisle and by
// category. Every printout must hold each row once, each quantity right before its name, on
// more pages than one; the PDF files must pass qpdf --check.
#include <QPushButton>
#include <array>
#include <cstdlib>
#include <map>

#include "GeneratedStore.h"
#include "PrintTestSupport.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Metafile.h"
#include "platform/gui/Printer.h"
#include "printing/PrintPreview.h"
#include "printing/PrintPreviewUnit.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;
using qmtest::GeneratedStore;

// 3,000 items in 24 categories over 12 aisles: ten in eleven on the list, with quantities of
// one to three digits; every fifth with a note, every seventh with a coupon; three errands.
GeneratedStore Shape()
{
    GeneratedStore s;
    s.Categories = 24;
    s.ItemsPerCategory = 125;
    s.Aisles = 12;
    s.Errands = {"Bank", "Post office", "Pharmacy"};
    s.Quantity = [](int n) {
        static const int kQuantities[] = {0, 1, 3, 12, 100, 1, 45, 999, 7, 2, 60};
        return kQuantities[n % 11];
    };
    return s;
}

// What a printout shows of an item: how often its name appears, and the quantity written just
// before it (0 when none is).
struct Shown {
    int times = 0;
    int qty = 0;
    bool operator==(const Shown&) const = default;
};
using Items = std::map<int, Shown>; // by item number

// Every "Item number N" of a text with the "(quantity)" just before it (blanks and line
// breaks between allowed).
void CollectItems(const std::string& text, Items& out)
{
    static const std::string key = "Item number ";
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        Shown& s = out[std::atoi(text.c_str() + at + key.size()) - 100000];
        ++s.times;
        size_t end = at;
        while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\n'))
            --end;
        if (end > 0 && text[end - 1] == ')') {
            const size_t open = text.rfind('(', end - 1);
            if (open != std::string::npos)
                s.qty = std::atoi(text.c_str() + open + 1);
        }
    }
}

// The differences between what a printout shows and what it should, the first few of them.
std::string Differences(const Items& shown, const Items& expected)
{
    std::string out;
    int listed = 0;
    const auto add = [&](int n, const std::string& what) {
        if (++listed <= 8)
            out += "\n  " + GeneratedStore::ItemName(n) + ": " + what;
    };
    for (const auto& [n, want] : expected) {
        const auto it = shown.find(n);
        const Shown got = it == shown.end() ? Shown{} : it->second;
        if (!(got == want))
            add(n, "shown " + std::to_string(got.times) + " times with (" + std::to_string(got.qty) +
                       "), expected once with (" + std::to_string(want.qty) + ")");
    }
    for (const auto& [n, got] : shown)
        if (!expected.count(n))
            add(n, "shown but not on the list");
    if (listed > 8)
        out += "\n  ... " + std::to_string(listed) + " in all";
    return out;
}

size_t Occurrences(const std::string& text, const std::string& word)
{
    size_t n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

struct Case {
    const char* name;
    bool byAisle;
    bool shoppingList;
};

class LongListTest : public qmtest::MainWindowTest, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        HideTipOfTheDay();
        qmtest::WriteFile(stores + "Big.store", shape.Text());
        RegWriteBool(kCompany, kProduct, "Settings", GetParam().byAisle, "SortByAisle");
        ASSERT_TRUE(Printer().SetPrinterName(TPrinter::PdfFilePrinterName));
        Printer().OutputFileName = printed;
    }
    void TearDown() override
    {
        Printer().OutputFileName.clear();
        MainWindowTest::TearDown();
    }

    // The items the printout shows: those on the list with their quantities (none printed for
    // 1), or every item of the store without any.
    Items Expected() const
    {
        Items out;
        for (int n = 0; n < shape.ItemCount(); ++n) {
            const int qty = shape.Quantity(n);
            if (!GetParam().shoppingList)
                out[n] = {1, 0};
            else if (qty > 0)
                out[n] = {1, qty > 1 ? qty : 0};
        }
        return out;
    }

    const GeneratedStore shape = Shape();
    std::string printed = temp.file("printed.pdf");
};

// The width of "(quantity) " by the quantity's digits in the quantity font, Arial 8, in
// thousandths of an inch: the parentheses and the blank 104.7, each digit 61.7.
const std::array<int32_t, 4> kQtyWidth = {0, 166, 228, 290};

TEST_P(LongListTest, EveryRowIsRecordedPrintedAndExportedAcrossEveryBreak)
{
    const bool list = GetParam().shoppingList;
    TFormMain& main = Start("Big");
    const Items expected = Expected();
    ASSERT_GT(expected.size(), 2000u);

    // The recorded pages: each item's name once; before it its quantity, on the same line and
    // ending one blank before the name.
    TFormPrintPreview preview(main.Store, main.ShopList, main.GetCurrentStoreName(), &main);
    preview.PrintShoppingList = list;
    preview.FormShow();
    TPrintPreview& p = *preview.PrintPreview;
    const int pages = p.TotalPages();
    ASSERT_GT(pages, 5);
    Items recorded;
    std::string recordedText;
    int misplaced = 0;
    for (int page = 1; page <= pages; ++page) {
        const std::vector<TEmfText> texts = qmtest::TextRecords(*p.GetPage(page));
        for (size_t k = 0; k < texts.size(); ++k) {
            recordedText += texts[k].Text + "\n";
            if (!list || texts[k].Text.rfind("Item number ", 0) != 0)
                continue;
            ASSERT_GT(k, 0u); // the page's title comes first
            const TEmfText& before = texts[k - 1];
            CollectItems(before.Text + " " + texts[k].Text, recorded);
            if (before.Text.front() == '(' &&
                (before.Y != texts[k].Y || before.X + kQtyWidth.at(before.Text.size() - 2) != texts[k].X) &&
                ++misplaced <= 5)
                ADD_FAILURE() << texts[k].Text << " on page " << page << ": " << before.Text << " at "
                              << before.X << "," << before.Y << ", the name at " << texts[k].X << ","
                              << texts[k].Y;
        }
    }
    if (!list)
        CollectItems(recordedText, recorded);
    EXPECT_EQ(Differences(recorded, expected), "");
    EXPECT_EQ(misplaced, 0);
    for (const std::string& errand : shape.Errands)
        EXPECT_EQ(Occurrences(recordedText, errand), list ? 1u : 0u) << errand;

    // Printed to a PDF file: every page, every row.
    dialogs->expectPrint(PrintDialogRequest::prAllPages);
    preview.BtnPrint->click();
    EXPECT_EQ(qmtest::PdfCheckProblems(printed), "");
    EXPECT_EQ(qmtest::PdfPageCount(printed), pages);
    Items inPrint;
    const std::string printedText = qmtest::PdfRawText(printed);
    CollectItems(printedText, inPrint);
    EXPECT_EQ(Differences(inPrint, expected), "");
    if (!list)
        return; // the exports are of the shopping list only

    // Exported as PDF and as text through the export command.
    const std::string pdf = temp.file("export.pdf"), txt = temp.file("export.txt");
    dialogs->expectFile(pdf, true, 1);
    qmtest::Trigger(main, "MItemFileSaveList");
    dialogs->expectFile(txt, true, 2);
    qmtest::Trigger(main, "MItemFileSaveList");
    EXPECT_EQ(qmtest::PdfCheckProblems(pdf), "");
    EXPECT_GT(qmtest::PdfPageCount(pdf), 5);
    const std::string exportedText = qmtest::PdfRawText(pdf);
    Items inExport, inText;
    CollectItems(exportedText, inExport);
    EXPECT_EQ(Differences(inExport, expected), "");
    const std::string text = qmtest::ReadFile(txt);
    CollectItems(text, inText);
    EXPECT_EQ(Differences(inText, expected), "");
    for (const std::string& errand : shape.Errands) {
        EXPECT_EQ(Occurrences(printedText, errand), 1u) << errand;
        EXPECT_EQ(Occurrences(exportedText, errand), 1u) << errand;
        EXPECT_EQ(Occurrences(text, errand), 1u) << errand;
    }
}

// The item list is the store's own order whichever order the shopping list is in.
INSTANTIATE_TEST_SUITE_P(Layouts, LongListTest,
                         ::testing::Values(Case{"ShoppingListByAisle", true, true},
                                           Case{"ShoppingListByCategory", false, true},
                                           Case{"ItemList", true, false}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
