// The print-preview window on real store files and the real registry: the recorded pages read
// back record by record against positions worked out by hand from the font metrics, the
// options laying the pages out again, the settings stored at close and read at the next open,
// and the print commands with their print dialog answered through the dialogs seam.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <filesystem>

#include "PrintTestSupport.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "app/HelpContexts.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/DateFormat.h"
#include "platform/Metafile.h"
#include "platform/gui/Printer.h"
#include "platform/gui/QtDialogs.h"
#include "printing/PrintPreview.h"
#include "printing/PrintPreviewUnit.h"
#include "util/RegUtils.h"
#include "util/widgets/FloatSpinEdit.h"

namespace {

using namespace qm;
namespace fs = std::filesystem;

struct Text {
    int32_t x = 0, y = 0;
    std::string s;
    TRect clip;
    uint32_t options = 0;
};

std::vector<Text> PageTexts(TPrintPreview& preview, int page)
{
    std::vector<Text> out;
    const TMetafile* mf = preview.GetPage(page);
    EXPECT_NE(mf, nullptr) << "page " << page;
    if (mf)
        for (const TEmfText& t : qmtest::TextRecords(*mf))
            out.push_back({t.X, t.Y, t.Text, t.Rect, t.Options});
    return out;
}

std::vector<TRect> PageRects(TPrintPreview& preview, int page)
{
    std::vector<TRect> out;
    preview.GetPage(page)->EnumerateRecords([&](const TEmfRecord& r) {
        if (r.Type == emf::EMR_RECTANGLE)
            out.push_back(r.RectAt(8));
        return true;
    });
    return out;
}

// The one text record of the page that reads s (a failure when there is not exactly one).
Text Find(const std::vector<Text>& texts, const std::string& s)
{
    Text found;
    int n = 0;
    for (const Text& t : texts)
        if (t.s == s) {
            found = t;
            ++n;
        }
    EXPECT_EQ(n, 1) << '"' << s << '"';
    return found;
}
int Count(const std::vector<Text>& texts, const std::string& s)
{
    return int(std::count_if(texts.begin(), texts.end(), [&](const Text& t) { return t.s == s; }));
}

const std::string kShop = "[--Info--]\r\nAisles=Front,,Back,,\r\n"
                          "[--Errands--]\r\nBank=1\r\nPost office=0\r\n"
                          "[Dairy]\r\nMilk=Front,-,,-,2,-,1,-,0,-,0,-,\r\nEggs=Back,-,Brown ones,-,1\r\n"
                          "Butter=Front,-,,-,0\r\n[Fruit]\r\nKiwi=Back,-,,-,12\r\n";

class PrintPreviewWindowTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetLastStore("Shop");
        HideTipOfTheDay();
        qmtest::WriteFile(stores + "Shop.store", kShop);
        // Print jobs go to a PDF file of the test's own.
        ASSERT_TRUE(Printer().SetPrinterName(TPrinter::PdfFilePrinterName));
        Printer().OutputFileName = out;
    }
    void TearDown() override
    {
        Printer().OutputFileName.clear();
        SetModalHook(nullptr);
        main.reset();
        MainWindowTest::TearDown();
    }
    void Start() { main = StartShown(); }
    // A window laid out from the stored settings, as the print commands make it.
    std::unique_ptr<TFormPrintPreview> Laid(bool shoppingList)
    {
        auto form = std::make_unique<TFormPrintPreview>(main->Store, main->ShopList,
                                                        main->GetCurrentStoreName(), main.get());
        form->PrintShoppingList = shoppingList;
        form->FormShow();
        return form;
    }
    // The next modal window is the preview; play does what the user does there, then Close.
    void Play(std::function<void(TFormPrintPreview&)> play)
    {
        SetModalHook([this, play](QDialog& dialog) {
            ++previewsRun;
            auto* f = dynamic_cast<TFormPrintPreview*>(&dialog);
            EXPECT_NE(f, nullptr);
            if (!f)
                return int(mrCancel);
            f->show();
            QApplication::processEvents();
            play(*f);
            if (f->isVisible())
                f->BtnClose->click();
            return f->result();
        });
    }
    bool Stored(const char* name) const { return RegValueExists(kCompany, kProduct, "Settings", name); }

    std::string out = temp.file("printed.pdf");
    std::unique_ptr<TFormMain> main;
    int previewsRun = 0;
};

TEST_F(PrintPreviewWindowTest, ShoppingListPageAgainstHandComputedPositions)
{
    Start();
    auto form = Laid(true);
    TPrintPreview& p = *form->PrintPreview;
    ASSERT_EQ(p.TotalPages(), 1);
    EXPECT_EQ(p.PrintJobTitle, "Shopping List for Shop, 7 Dec 2026");
    EXPECT_EQ(p.Orientation(), poLandscape);
    EXPECT_EQ(p.PaperWidth(), 11000);
    const auto t = PageTexts(p, 1);

    // Letter in landscape, quarter-inch margins; the header is the title and the date over a
    // rule; the footer is the counts and the page number. Lengths are thousandths of an inch,
    // from Arial's advance widths and heights (ascent plus descent) at 1000 pixels per inch: a
    // line of 8, 10, 12 bold and 15 bold points is 124, 155, 186 and 232 high.
    const Text title = Find(t, "Shop Shopping List");
    EXPECT_EQ(title.x, 250);
    EXPECT_EQ(title.y, 250);
    const Text date = Find(t, "Mon 7 Dec 2026");
    EXPECT_EQ(date.x, 10750 - 1225); // the date's width at 12 points
    EXPECT_EQ(date.y, 250);
    const Text page = Find(t, "Page 1");
    EXPECT_EQ(page.x, 10750 - 352);
    EXPECT_EQ(page.y, 8250 - 124);
    const Text counts = Find(t, "Items: 15    Coupons: 1");
    EXPECT_EQ(counts.x, 250);
    EXPECT_EQ(counts.y, 8126);
    const auto rects = PageRects(p, 1);
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects[0], (TRect{250, 502, 10750, 522})); // 20 below the title, 20 thick
    EXPECT_EQ(form->Area(), (TRect{250, 542, 10750, 8126}));
    EXPECT_EQ(form->PageFrame(), (TRect{250, 250, 10750, 8250}));

    // By aisle: the errands first, then Front (Dairy: Milk) and Back (Dairy: Eggs; Fruit: Kiwi),
    // each aisle's name at the right of the column and a rule above every aisle but the first.
    // A group's row is 186 + 20 high, an item's 155 + 20, a note's 124 + 20.
    EXPECT_EQ(form->ColumnWidth(), 3500);
    EXPECT_EQ(Find(t, "Errands").x, 270);
    EXPECT_EQ(Find(t, "Errands").y, 542);
    // The widest quantity, (12), would reach into the check box: the names move right of the
    // box's space (39), "[  ] " (193) and "(12) " at 8 points (228), not 39 + "[  ]     " (347).
    EXPECT_EQ(form->NameIndent(), 460);
    const Text bank = Find(t, "Bank");
    EXPECT_EQ(bank.x, 730);
    EXPECT_EQ(bank.y, 748);
    EXPECT_EQ(bank.clip, (TRect{730, 748, 3730, 903}));
    // The Front aisle: its name (427 wide at 12 points bold), then the rule on the same line.
    EXPECT_EQ(Find(t, "Front").x, 3750 - 20 - 427);
    EXPECT_EQ(Find(t, "Front").y, 923);
    EXPECT_EQ(rects[1], (TRect{250, 923, 3750, 943}));
    EXPECT_EQ(t[size_t(std::find_if(t.begin(), t.end(), [](const Text& x) { return x.s == "Front"; }) -
                       t.begin() + 1)]
                  .s,
              "Dairy");
    EXPECT_EQ(Find(t, "Milk  \xA2").x, 730);
    EXPECT_EQ(Find(t, "Milk  \xA2").y, 1149);
    EXPECT_EQ(Find(t, "(2)").x, 730 - 166); // "(2) " at 8 points ends where the name begins
    EXPECT_EQ(Count(t, "[  ]"), 4);
    EXPECT_EQ(Find(t, "Back").y, 1324);
    EXPECT_EQ(rects[2], (TRect{250, 1324, 3750, 1344}));
    EXPECT_EQ(Find(t, "Eggs").x, 730);
    EXPECT_EQ(Find(t, "Eggs").y, 1550);
    EXPECT_EQ(Find(t, "      Brown ones").x, 730);
    EXPECT_EQ(Find(t, "      Brown ones").y, 1725);
    EXPECT_EQ(Find(t, "Kiwi").y, 2075);
    EXPECT_EQ(Find(t, "(12)").x, 730 - 228); // clear of the check box: 270 + 39 + 193
    EXPECT_EQ(Count(t, "Fruit"), 1);
    // Every text is transparent: no text record paints its background.
    for (const Text& x : t)
        EXPECT_EQ(x.options & emf::ETO_OPAQUE, 0u) << x.s;
}

TEST_F(PrintPreviewWindowTest, ByCategoryWithoutBoxesOrFooter)
{
    RegWriteBool(kCompany, kProduct, "Settings", false, "SortByAisle");
    RegWriteBool(kCompany, kProduct, "Settings", false, "DoPrintCheckBoxes");
    RegWriteBool(kCompany, kProduct, "Settings", false, "DoPrintPageNum");
    RegWriteBool(kCompany, kProduct, "Settings", false, "DoPrintNumItems");
    RegWriteBool(kCompany, kProduct, "Settings", false, "DoPrintDate");
    RegWriteBool(kCompany, kProduct, "Settings", false, "DoPrintLandscape");
    Start();
    auto form = Laid(true);
    TPrintPreview& p = *form->PrintPreview;
    EXPECT_EQ(p.PaperWidth(), 8500);
    const auto t = PageTexts(p, 1);
    EXPECT_EQ(Count(t, "[  ]"), 0);
    EXPECT_EQ(Count(t, "Page 1"), 0);
    EXPECT_EQ(Count(t, "Mon 7 Dec 2026"), 0);
    EXPECT_EQ(form->Area().Bottom, 11000 - 250);
    // Without boxes the name starts seven spaces in, or past the widest quantity.
    EXPECT_EQ(form->NameIndent(), 270); // seven spaces at 10 points; "(12) " at 8 is 228
    // By category each group has its heading and a rule above it but the first; no aisle names.
    EXPECT_EQ(Count(t, "Front"), 0);
    EXPECT_EQ(Count(t, "Dairy"), 1);
    EXPECT_EQ(PageRects(p, 1).size(), 1u + 2u); // the header's rule and two group rules
}

TEST_F(PrintPreviewWindowTest, ColumnsAndPagesBreakWithHeadingsRepeated)
{
    // One category of 150 items: it fills the three columns of the first page and goes on.
    std::string store = "[--Info--]\r\nAisles=Middle,,\r\n[Pantry]\r\n";
    for (int i = 0; i < 150; ++i)
        store += "Item " + std::to_string(1000 + i) + "=Middle,-,,-,1\r\n";
    qmtest::WriteFile(stores + "Shop.store", store);
    Start();
    auto form = Laid(true);
    TPrintPreview& p = *form->PrintPreview;
    // Each column holds as many rows as fit under its heading (repeated at the top of each):
    // (8126 - 542 - 206) / 175, 42 items, so the 150 take four columns on two pages.
    ASSERT_EQ(p.TotalPages(), 2);

    const auto t1 = PageTexts(p, 1);
    // The heading at the top of each column, the aisle name at its right on the same line.
    EXPECT_EQ(Count(t1, "Pantry"), 3);
    EXPECT_EQ(Count(t1, "Middle"), 3);
    const auto rects = PageRects(p, 1);
    // The header rule, then one bar at the left of the second and of the third column, from the
    // area's top to its bottom.
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[1], (TRect{3750, 542, 3770, 8126}));
    EXPECT_EQ(rects[2], (TRect{7250, 542, 7270, 8126}));
    const Text first2 = Find(t1, "Item 1042");
    EXPECT_EQ(first2.x, 3750 + 20 + 386); // past "[  ]     " and the box's space, 347 + 39
    EXPECT_EQ(first2.y, 748);

    // The fourth column is the next page's first, under the page's own header and footer.
    const auto t2 = PageTexts(p, 2);
    EXPECT_EQ(Count(t2, "Shop Shopping List"), 1);
    EXPECT_EQ(Count(t2, "Page 2"), 1);
    EXPECT_EQ(Find(t2, "Pantry").x, 270);
    EXPECT_EQ(Find(t2, "Item 1126").y, 748);
    EXPECT_EQ(Count(t2, "Item 1149"), 1);
}

TEST_F(PrintPreviewWindowTest, QuantitiesAfterEachBreakStandRightBeforeTheirNames)
{
    // One category of 200 items, all with quantities: the rows after every column and page
    // break measure their quantity on the page being recorded then.
    std::string store = "[--Info--]\r\nAisles=Middle,,\r\n[Pantry]\r\n";
    for (int i = 0; i < 200; ++i)
        store += "Item " + std::to_string(1000 + i) + "=Middle,-,,-," + (i % 2 ? "12" : "3") + "\r\n";
    qmtest::WriteFile(stores + "Shop.store", store);
    Start();
    auto form = Laid(true);
    TPrintPreview& p = *form->PrintPreview;
    ASSERT_GE(p.TotalPages(), 2);
    int items = 0;
    for (int page = 1; page <= p.TotalPages(); ++page) {
        const auto t = PageTexts(p, page);
        for (size_t k = 0; k < t.size(); ++k) {
            if (t[k].s.rfind("Item ", 0) != 0)
                continue;
            ++items;
            const bool twelve = (std::stoi(t[k].s.substr(5)) - 1000) % 2;
            // The quantity is the record just before its name, on the same line, ending one
            // space before it: "(12) " is 228 wide at 8 points, "(3) " 166.
            ASSERT_GT(k, 0u);
            EXPECT_EQ(t[k - 1].s, twelve ? "(12)" : "(3)") << t[k].s << " on page " << page;
            EXPECT_EQ(t[k - 1].y, t[k].y) << t[k].s;
            EXPECT_EQ(t[k - 1].x + (twelve ? 228 : 166), t[k].x) << t[k].s;
        }
    }
    EXPECT_EQ(items, 200);
}

TEST_F(PrintPreviewWindowTest, AListThatFillsItsColumnStartsNoEmptyColumnOrPage)
{
    RegWriteInteger(kCompany, kProduct, "Settings", 1, "PrintColumns");
    // Exactly as many items as fit under the heading, (8126 - 542 - 206) / 175: after the last
    // one there is no room for another row, yet nothing follows.
    const int n = 42;
    std::string store = "[--Info--]\r\nAisles=Middle,,\r\n[Pantry]\r\n";
    for (int i = 0; i < n; ++i)
        store += "Item " + std::to_string(1000 + i) + "=Middle,-,,-,1\r\n";
    qmtest::WriteFile(stores + "Shop.store", store);
    Start();
    auto form = Laid(true);
    EXPECT_EQ(form->PrintPreview->TotalPages(), 1);
    EXPECT_EQ(Count(PageTexts(*form->PrintPreview, 1), "Item " + std::to_string(1000 + n - 1)), 1);

    // One more item does need the next page, which then starts with the heading again.
    form.reset();
    main.reset();
    store += "Item 9999=Middle,-,,-,1\r\n";
    qmtest::WriteFile(stores + "Shop.store", store);
    Start();
    form = Laid(true);
    ASSERT_EQ(form->PrintPreview->TotalPages(), 2);
    const auto t2 = PageTexts(*form->PrintPreview, 2);
    EXPECT_EQ(Count(t2, "Pantry"), 1);
    EXPECT_EQ(Count(t2, "Item 9999"), 1);
}

TEST_F(PrintPreviewWindowTest, ItemListPrintsEveryCategoryAndItem)
{
    // Collapsed categories and items of quantity 0 are printed like all others.
    std::string store =
        "[--Info--]\r\nAisles=A,,\r\n[--Hidden Cats--]\r\nFruit=1\r\n[Dairy]\r\nButter=A,-,,-,0\r\n"
        "Eggs=A,-,note,-,3\r\n[Empty]\r\n[Fruit]\r\nKiwi=A,-,,-,0\r\n";
    qmtest::WriteFile(stores + "Shop.store", store);
    Start();
    auto form = Laid(false);
    TPrintPreview& p = *form->PrintPreview;
    EXPECT_EQ(p.PrintJobTitle, "Item List for Shop, 7 Dec 2026");
    ASSERT_EQ(p.TotalPages(), 1);
    const auto t = PageTexts(p, 1);
    // The page's header and footer as in the shopping list's; a third of the width less the
    // rule for each column. A group's row is 206 high, an item's 175, as there.
    EXPECT_EQ(form->Area(), (TRect{250, 542, 10750, 8126}));
    EXPECT_EQ(form->ColumnWidth(), 3480);
    EXPECT_EQ(form->NameIndent(), 0);
    EXPECT_EQ(Count(t, "Shop Item List"), 1);
    EXPECT_EQ(Count(t, "Items: 3"), 1);
    EXPECT_EQ(Find(t, "Dairy").y, 542);
    const Text butter = Find(t, " [  ]  Butter");
    EXPECT_EQ(butter.x, 270);
    EXPECT_EQ(butter.y, 748);
    EXPECT_EQ(butter.clip, (TRect{270, 748, 3710, 903}));
    EXPECT_EQ(Find(t, " [  ]  Eggs").y, 923);
    // Rules part the categories; an empty category prints its heading alone.
    EXPECT_EQ(Find(t, "Empty").y, 1118);
    EXPECT_EQ(Find(t, "Fruit").y, 1344);
    EXPECT_EQ(Count(t, " [  ]  Kiwi"), 1);
    for (const Text& x : t)
        EXPECT_EQ(x.s.find("note"), std::string::npos);

    // Without check boxes each name follows five spaces.
    form->CheckCheckBoxes->setChecked(false);
    EXPECT_EQ(Count(PageTexts(p, 1), "     Kiwi"), 1);
}

TEST_F(PrintPreviewWindowTest, ItemListColumnsStartPastTheirRuleAndRepeatTheHeading)
{
    std::string store = "[--Info--]\r\n[Pantry]\r\n";
    for (int i = 0; i < 200; ++i)
        store += "Item " + std::to_string(1000 + i) + "=,-,,-,0\r\n";
    qmtest::WriteFile(stores + "Shop.store", store);
    Start();
    auto form = Laid(false);
    TPrintPreview& p = *form->PrintPreview;
    // 42 rows under each column's heading, as in the shopping list: five columns, two pages.
    ASSERT_EQ(p.TotalPages(), 2);
    const auto t = PageTexts(p, 1);
    EXPECT_EQ(Count(t, "Pantry"), 3);
    const auto rects = PageRects(p, 1);
    ASSERT_EQ(rects.size(), 3u);
    // Columns 3480 wide, each after the first 40 further right, past its rule.
    EXPECT_EQ(rects[1], (TRect{3730, 542, 3750, 8126}));
    EXPECT_EQ(rects[2], (TRect{7250, 542, 7270, 8126}));
    // Each later column's text starts 40 past its rule, 20 further in.
    const Text second = Find(t, " [  ]  Item 1042");
    EXPECT_EQ(second.x, 3730 + 40 + 20);
    EXPECT_EQ(second.clip.Right, 7250 - 20);
    const auto t2 = PageTexts(p, 2);
    const auto pantry = std::find_if(t2.begin(), t2.end(), [](const Text& x) { return x.s == "Pantry"; });
    ASSERT_NE(pantry, t2.end());
    EXPECT_EQ(pantry->x, 270);
    EXPECT_EQ(pantry->y, 542);
    EXPECT_EQ(Count(t2, "Page 2"), 1);
}

TEST_F(PrintPreviewWindowTest, EveryOptionLaysThePagesOutAgain)
{
    Start();
    auto form = Laid(true);
    TPrintPreview& p = *form->PrintPreview;
    int count = form->LayoutCount();
    EXPECT_EQ(count, 1); // the show step lays the pages out once
    const auto relaid = [&](const char* what) {
        EXPECT_EQ(form->LayoutCount(), count + 1) << what;
        count = form->LayoutCount();
        return PageTexts(p, 1);
    };

    form->SpinPrinterFont->setValue(12);
    relaid("font size");
    EXPECT_EQ(form->BaseSize(), 12);
    form->ComboPrinterFont->setCurrentIndex(form->ComboPrinterFont->findText("Courier New"));
    relaid("font");
    EXPECT_EQ(p.Font().Name(), "Courier New");
    form->SpinLineSpacing->SetValue(0.1);
    relaid("line spacing");
    EXPECT_EQ(form->LineGap(), 100);
    form->SpinColumns->setValue(2);
    relaid("columns");
    EXPECT_EQ(form->ColumnWidth(), 10500 / 2);
    form->SpinMarginLeft->SetValue(1.0);
    relaid("left margin");
    EXPECT_EQ(form->PageFrame().Left, 1000);
    form->SpinMarginRight->SetValue(0.5);
    relaid("right margin");
    EXPECT_EQ(form->PageFrame().Right, 10500);
    form->SpinMarginTop->SetValue(0.75);
    relaid("top margin");
    EXPECT_EQ(form->PageFrame().Top, 750);
    form->SpinMarginBottom->SetValue(1.25);
    relaid("bottom margin");
    EXPECT_EQ(form->PageFrame().Bottom, 8500 - 1250);
    form->EditPageTitle->setText("List of %s");
    EXPECT_EQ(Count(relaid("title"), "List of Shop"), 1);
    form->CheckPrintDate->setChecked(false);
    EXPECT_EQ(Count(relaid("date"), "Mon 7 Dec 2026"), 0);
    form->CheckPrintPageNum->setChecked(false);
    EXPECT_EQ(Count(relaid("page number"), "Page 1"), 0);
    form->CheckCheckBoxes->setChecked(false);
    EXPECT_EQ(Count(relaid("boxes"), "[  ]"), 0);
    form->CheckNumItems->setChecked(false);
    EXPECT_EQ(Count(relaid("counts"), "Items: 15    Coupons: 1"), 0);
    form->RadioPortrait->setChecked(true);
    relaid("portrait");
    EXPECT_EQ(p.PaperWidth(), 8500);
    form->RadioLandscape->setChecked(true);
    relaid("landscape");
    EXPECT_EQ(p.PaperWidth(), 11000);
    // The paper combo's index picks the row of the paper table.
    ASSERT_GT(form->ComboPaperType->count(), int(pA4));
    EXPECT_EQ(form->ComboPaperType->currentIndex(), int(pLetter));
    form->ComboPaperType->setCurrentIndex(int(pA4));
    relaid("paper");
    EXPECT_EQ(p.PaperType(), pA4);
    EXPECT_EQ(p.PaperWidth(), 11693);

    // The zoom changes only the view.
    const std::pair<int, int> zooms[] = {{0, 50}, {1, 100}, {2, 150}, {3, 200}};
    for (auto [index, zoom] : zooms) {
        form->ComboZoom->setCurrentIndex(index);
        EXPECT_EQ(p.ZoomState(), zsZoomOther);
        EXPECT_EQ(p.Zoom(), zoom);
    }
    const std::pair<int, TZoomState> states[] = {{4, zsZoomToWidth}, {5, zsZoomToHeight}, {6, zsZoomToFit}};
    for (auto [index, state] : states) {
        form->ComboZoom->setCurrentIndex(index);
        EXPECT_EQ(p.ZoomState(), state);
    }
    EXPECT_EQ(form->LayoutCount(), count);
}

TEST_F(PrintPreviewWindowTest, SettingsAreWrittenAtCloseAndReadAtTheNextOpen)
{
    Start();
    Play([](TFormPrintPreview& f) {
        EXPECT_EQ(f.EditPageTitle->text(), "%s Shopping List");
        EXPECT_EQ(f.ComboPrinterFont->currentText(), "Arial");
        EXPECT_EQ(f.ComboZoom->currentIndex(), 6);
        f.ComboPrinterFont->setCurrentIndex(f.ComboPrinterFont->findText("Courier New"));
        f.SpinPrinterFont->setValue(14);
        f.SpinLineSpacing->SetValue(0.05);
        f.SpinColumns->setValue(4);
        f.RadioPortrait->setChecked(true);
        f.SpinMarginTop->SetValue(0.5);
        f.SpinMarginBottom->SetValue(0.75);
        f.SpinMarginLeft->SetValue(1);
        f.SpinMarginRight->SetValue(1.25);
        f.EditPageTitle->setText("Buy at %s");
        f.CheckPrintDate->setChecked(false);
        f.CheckCheckBoxes->setChecked(false);
        f.ComboZoom->setCurrentIndex(2);
        f.move(40, 50);
        f.resize(800, 560);
    });
    qmtest::Trigger(*main, "MItemFilePreviewShoppingList");
    EXPECT_EQ(previewsRun, 1);
    const auto s = [](const char* name) {
        return RegReadStringDef(kCompany, kProduct, "Settings", "?", name);
    };
    const auto i = [](const char* name) {
        return RegReadIntegerDef(kCompany, kProduct, "Settings", -1, name);
    };
    const auto f = [](const char* name) { return RegReadFloatDef(kCompany, kProduct, "Settings", -1, name); };
    const auto b = [](const char* name) {
        return RegReadBoolDef(kCompany, kProduct, "Settings", true, name);
    };
    EXPECT_EQ(s("PrintFontName"), "Courier New");
    EXPECT_EQ(i("PrintFontSize"), 14);
    EXPECT_DOUBLE_EQ(f("LineSpacing"), 0.05);
    EXPECT_EQ(i("PrintColumns"), 4);
    EXPECT_FALSE(b("DoPrintLandscape"));
    EXPECT_EQ(i("PaperType"), int(pLetter));
    EXPECT_DOUBLE_EQ(f("PrintMarginTop"), 0.5);
    EXPECT_DOUBLE_EQ(f("PrintMarginBottom"), 0.75);
    EXPECT_DOUBLE_EQ(f("PrintMarginLeft"), 1);
    EXPECT_DOUBLE_EQ(f("PrintMarginRight"), 1.25);
    EXPECT_EQ(s("PrintTitle"), "Buy at %s");
    EXPECT_FALSE(Stored("PrintTitleIL"));
    EXPECT_FALSE(b("DoPrintDate"));
    EXPECT_TRUE(b("DoPrintPageNum"));
    EXPECT_FALSE(b("DoPrintCheckBoxes"));
    EXPECT_TRUE(b("DoPrintNumItems"));
    EXPECT_EQ(i("PrintZoom"), 2);
    const char* const kPlace = "Settings\\PreviewWindow";
    EXPECT_FALSE(RegReadBoolDef(kCompany, kProduct, kPlace, true, "IsMaximized"));
    EXPECT_EQ(RegReadIntegerDef(kCompany, kProduct, kPlace, 0, "Width"), 800);
    EXPECT_EQ(RegReadIntegerDef(kCompany, kProduct, kPlace, 0, "Height"), 560);

    // The next window opens with them; the item list has a title of its own.
    Play([](TFormPrintPreview& f) {
        EXPECT_EQ(f.size(), QSize(800, 560));
        EXPECT_EQ(f.ComboPrinterFont->currentText(), "Courier New");
        EXPECT_EQ(f.SpinPrinterFont->value(), 14);
        EXPECT_DOUBLE_EQ(f.SpinLineSpacing->Value(), 0.05);
        EXPECT_EQ(f.SpinColumns->value(), 4);
        EXPECT_TRUE(f.RadioPortrait->isChecked());
        EXPECT_EQ(f.PrintPreview->Orientation(), poPortrait);
        EXPECT_DOUBLE_EQ(f.SpinMarginRight->Value(), 1.25);
        EXPECT_EQ(f.EditPageTitle->text(), "%s Item List");
        EXPECT_FALSE(f.CheckPrintDate->isChecked());
        EXPECT_FALSE(f.CheckCheckBoxes->isChecked());
        EXPECT_EQ(f.ComboZoom->currentIndex(), 2);
        EXPECT_EQ(f.PrintPreview->Zoom(), 150);
        // A maximised window stores that and keeps the bounds it had.
        f.showMaximized();
        QApplication::processEvents();
    });
    qmtest::Trigger(*main, "MItemFilePreviewItemList");
    EXPECT_TRUE(RegReadBoolDef(kCompany, kProduct, kPlace, false, "IsMaximized"));
    EXPECT_EQ(RegReadIntegerDef(kCompany, kProduct, kPlace, 0, "Width"), 800);
    EXPECT_EQ(s("PrintTitleIL"), "%s Item List");
    EXPECT_EQ(s("PrintTitle"), "Buy at %s");
}

TEST_F(PrintPreviewWindowTest, PrintingWithoutThePreviewStoresNothing)
{
    Start();
    RegWriteString(kCompany, kProduct, "Settings", "Courier New", "PrintFontName");

    // The menu item, the tool button and its drop-down entries all print without a window.
    dialogs->expectPrint(PrintDialogRequest::prAllPages);
    qmtest::Trigger(*main, "MItemFilePrintShoppingList");
    dialogs->expectPrint(PrintDialogRequest::prPageNums, 1, 1, 2);
    qmtest::Click(*main, "BtnPrintList");
    dialogs->expectPrint(PrintDialogRequest::prAllPages, 1, 1, 1, false);
    qmtest::Trigger(*main, "PItemPrintShoppingList");
    dialogs->expectPrint(PrintDialogRequest::prAllPages);
    qmtest::Trigger(*main, "PItemPrintItemList");
    dialogs->expectPrint(PrintDialogRequest::prAllPages);
    qmtest::Trigger(*main, "MItemFilePrintItemList");
    EXPECT_EQ(previewsRun, 0);
    ASSERT_EQ(dialogs->seen().size(), 5u);
    const PrintDialogRequest& asked = dialogs->seen()[0].print;
    EXPECT_EQ(asked.FromPage, 1);
    EXPECT_EQ(asked.ToPage, 1);
    EXPECT_EQ(asked.MinPage, 1);
    EXPECT_EQ(asked.MaxPage, 99);
    EXPECT_TRUE(asked.PageNumbers);
    EXPECT_EQ(asked.HelpContext, 2360);
    EXPECT_EQ(dialogs->seen()[4].print.HelpContext, 2380);
    // The last job was the item list, printed in Courier New from the stored settings.
    EXPECT_EQ(qmtest::PdfCheckProblems(out), "");
    const std::string printed = qmtest::PdfText(out);
    EXPECT_NE(printed.find("Shop Item List"), std::string::npos);
    EXPECT_NE(printed.find("Butter"), std::string::npos);

    EXPECT_EQ(RegReadStringDef(kCompany, kProduct, "Settings", "", "PrintFontName"), "Courier New");
    for (const char* name : {"PrintFontSize", "LineSpacing", "PrintColumns", "DoPrintLandscape", "PaperType",
                             "PrintMarginTop", "PrintTitle", "PrintTitleIL", "DoPrintDate", "PrintZoom"})
        EXPECT_FALSE(Stored(name)) << name;
    EXPECT_FALSE(RegKeyExists(kCompany, kProduct, "Settings\\PreviewWindow"));

    // The preview entries of the drop-down open the window.
    Play([](TFormPrintPreview& f) { EXPECT_TRUE(f.PrintShoppingList); });
    qmtest::Trigger(*main, "PItemPreviewShoppingList");
    Play([](TFormPrintPreview& f) { EXPECT_FALSE(f.PrintShoppingList); });
    qmtest::Trigger(*main, "PItemPreviewItemList");
    EXPECT_EQ(previewsRun, 2);
}

TEST_F(PrintPreviewWindowTest, APrintoutOfMoreThan99PagesCanBePrintedWhole)
{
    std::string store = "[--Info--]\r\n[Pantry]\r\n";
    for (int i = 0; i < 1200; ++i)
        store += "Item " + std::to_string(1000 + i) + "=,-,,-,0\r\n";
    qmtest::WriteFile(stores + "Shop.store", store);
    RegWriteInteger(kCompany, kProduct, "Settings", 1, "PrintColumns");
    RegWriteInteger(kCompany, kProduct, "Settings", 32, "PrintFontSize");
    RegWriteFloat(kCompany, kProduct, "Settings", 0.2, "LineSpacing");
    Start();
    auto form = Laid(false);
    const int total = form->PrintPreview->TotalPages();
    ASSERT_GT(total, 99);
    dialogs->expectPrint(PrintDialogRequest::prAllPages);
    form->BtnPrint->click();
    ASSERT_EQ(dialogs->seen().size(), 1u);
    EXPECT_EQ(dialogs->seen()[0].print.ToPage, total);
    EXPECT_EQ(dialogs->seen()[0].print.MaxPage, total);
    EXPECT_EQ(Count(PageTexts(*form->PrintPreview, total), " [  ]  Item 2199"), 1);
    EXPECT_EQ(qmtest::PdfPageCount(out), total);
}

TEST_F(PrintPreviewWindowTest, ARangePrintsAsOneJobForEachCopy)
{
    std::string store = "[--Info--]\r\n[Pantry]\r\n";
    for (int i = 0; i < 100; ++i)
        store += "Item " + std::to_string(1000 + i) + "=,-,,-,0\r\n";
    qmtest::WriteFile(stores + "Shop.store", store);
    RegWriteInteger(kCompany, kProduct, "Settings", 1, "PrintColumns");
    RegWriteInteger(kCompany, kProduct, "Settings", 20, "PrintFontSize");
    Start();
    auto form = Laid(false);
    ASSERT_GE(form->PrintPreview->TotalPages(), 4);
    int jobs = 0;
    form->PrintPreview->OnBeforePrint = [&](QObject*) { ++jobs; };

    // Three copies of pages 2 to 3: three jobs, each of those two pages.
    dialogs->expectPrint(PrintDialogRequest::prPageNums, 2, 3, 3);
    form->BtnPrint->click();
    EXPECT_EQ(jobs, 3);
    EXPECT_EQ(qmtest::PdfCheckProblems(out), "");
    EXPECT_EQ(qmtest::PdfPageCount(out), 2);
    const std::string text = qmtest::PdfText(out);
    EXPECT_NE(text.find("Page 2"), std::string::npos);
    EXPECT_NE(text.find("Page 3"), std::string::npos);
    EXPECT_EQ(text.find("Page 1"), std::string::npos);
    EXPECT_NE(text.find("Shop Item List"), std::string::npos);

    // Cancelling, no copies, or the selection print nothing.
    std::filesystem::remove(out);
    dialogs->expectPrint(PrintDialogRequest::prAllPages, 1, 1, 1, false);
    form->BtnPrint->click();
    dialogs->expectPrint(PrintDialogRequest::prAllPages, 1, 1, 0);
    form->BtnPrint->click();
    dialogs->expectPrint(PrintDialogRequest::prSelection, 1, 1, 2);
    form->BtnPrint->click();
    EXPECT_EQ(jobs, 3);
    EXPECT_FALSE(std::filesystem::exists(out));

    // All pages, once.
    dialogs->expectPrint(PrintDialogRequest::prAllPages);
    form->BtnPrint->click();
    EXPECT_EQ(jobs, 4);
    EXPECT_EQ(qmtest::PdfPageCount(out), form->PrintPreview->TotalPages());
}

TEST_F(PrintPreviewWindowTest, TitlePatternsPutInTheStoreNameAndNothingElse)
{
    Start();
    auto form = Laid(true);
    const std::pair<const char*, const char*> cases[] = {
        {"%s", "Shop"},
        {"%S list", "Shop list"},
        {"100% %d %n", "100% %d %n"},
        {"%s%%s%", "Shop%Shop%"},
        {"No placeholder", "No placeholder"},
    };
    for (auto [pattern, title] : cases) {
        form->EditPageTitle->setText(pattern);
        const auto t = PageTexts(*form->PrintPreview, 1);
        const auto at =
            std::find_if(t.begin(), t.end(), [](const Text& x) { return x.x == 250 && x.y == 250; });
        ASSERT_NE(at, t.end());
        EXPECT_EQ(at->s, title) << pattern;
    }
}

TEST_F(PrintPreviewWindowTest, StoredValuesOutsideTheirRangesFallBackToSoundOnes)
{
    RegWriteString(kCompany, kProduct, "Settings", "No Such Font At All", "PrintFontName");
    RegWriteInteger(kCompany, kProduct, "Settings", 9, "PrintZoom");
    RegWriteInteger(kCompany, kProduct, "Settings", 500, "PaperType");
    RegWriteInteger(kCompany, kProduct, "Settings", 40, "PrintColumns");
    RegWriteInteger(kCompany, kProduct, "Settings", 100, "PrintFontSize");
    RegWriteFloat(kCompany, kProduct, "Settings", 7.5, "PrintMarginLeft");
    Start();
    auto form = Laid(true);
    EXPECT_EQ(form->ComboPrinterFont->currentText(), "Arial");
    EXPECT_EQ(form->ComboZoom->currentIndex(), 6);
    EXPECT_EQ(form->PrintPreview->ZoomState(), zsZoomToFit);
    EXPECT_EQ(form->ComboPaperType->currentIndex(), -1);
    EXPECT_EQ(form->PrintPreview->PaperType(), pLetter);
    EXPECT_EQ(form->SpinColumns->value(), 10);
    EXPECT_EQ(form->SpinPrinterFont->value(), 32);
    EXPECT_EQ(form->PageFrame().Left, 2000);
    form.reset();
    RegWriteInteger(kCompany, kProduct, "Settings", -3, "PrintColumns");
    RegWriteInteger(kCompany, kProduct, "Settings", -1, "PrintZoom");
    form = Laid(true);
    EXPECT_EQ(form->SpinColumns->value(), 1);
    EXPECT_EQ(form->ComboZoom->currentIndex(), 6);
}

TEST_F(PrintPreviewWindowTest, TitleHelpHelpButtonAndMarginGuides)
{
    Start();
    auto form = Laid(true);
    form->EditPageTitle->setText("Buy XX now");
    form->EditPageTitle->setSelection(4, 2);
    form->PItemTitleStoreName->trigger();
    EXPECT_EQ(form->EditPageTitle->text(), "Buy %s now");
    form->EditPageTitle->setCursorPosition(0);
    form->PItemTitleStoreName->trigger();
    EXPECT_EQ(form->EditPageTitle->text(), "%sBuy %s now");
    EXPECT_EQ(form->PMenuTitleHelp->actions().size(), 1);
    EXPECT_EQ(form->PItemTitleStoreName->text(), "Store Name (%s)");

    form->BtnHelp->click();
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(shell->calls[0].helpContext, HelpContextOf("Printing the shopping list"));

    // The guides: dotted silver lines along the margins, across the whole paper.
    TMetafile mf;
    {
        TMetafileCanvas c(mf);
        form->PrintPreviewAnnotation(nullptr, 1, c);
    }
    std::vector<std::pair<int, int>> points;
    mf.EnumerateRecords([&](const TEmfRecord& r) {
        if (r.Type == emf::EMR_MOVETOEX || r.Type == emf::EMR_LINETO)
            points.emplace_back(r.I32(8), r.I32(12));
        if (r.Type == emf::EMR_CREATEPEN) {
            EXPECT_EQ(r.U32(12), emf::PS_DOT);
            EXPECT_EQ(r.U32(24), 0xC0C0C0u);
        }
        return true;
    });
    const std::vector<std::pair<int, int>> expected = {{250, 0}, {250, 8500},  {10750, 0}, {10750, 8500},
                                                       {0, 250}, {11000, 250}, {0, 8250},  {11000, 8250}};
    EXPECT_EQ(points, expected);
}

TEST_F(PrintPreviewWindowTest, EachPaperFormPicksThePaperOfItsSize)
{
    // The PDF-file printer lists the standard forms in the paper table's order: each item is
    // the paper of its own index. A form the printer holds besides gives a page of its size.
    TFormInfo wide;
    wide.Name = "Card 127 x 254";
    wide.Size = {127000, 254000};
    ASSERT_TRUE(Printer().AddForm(wide));
    struct Drop {
        ~Drop() { Printer().DeleteForm("Card 127 x 254"); }
    } drop;
    Start();
    auto form = Laid(true);
    TPrintPreview& p = *form->PrintPreview;
    ASSERT_EQ(form->ComboPaperType->count(), int(pCustom) + 1);
    for (int i = int(pCustom) - 1; i >= 0; --i) {
        form->ComboPaperType->setCurrentIndex(i);
        EXPECT_EQ(p.PaperType(), TPaperType(i)) << form->ComboPaperType->itemText(i).toStdString();
    }
    form->ComboPaperType->setCurrentIndex(form->ComboPaperType->findText("Card 127 x 254"));
    EXPECT_EQ(p.PaperType(), pCustom);
    // Landscape: the long side across.
    EXPECT_EQ(p.PaperWidth(), 10000);
    EXPECT_EQ(p.PaperHeight(), 5000);
    EXPECT_EQ(form->ColumnWidth(), (10000 - 500) / 3);
}

TEST_F(PrintPreviewWindowTest, AFormTooLargeForAPageIsRefusedAndThePaperStaysAsItWas)
{
    // Forms a print queue may list whose sides are longer than a page can be (32.767 inches):
    // 4A0 and 2A0, and a banner of which only the length is too long.
    const std::pair<const char*, TSize> forms[] = {
        {"4A", {1682000, 2378000}}, {"2A", {1189000, 1682000}}, {"Banner", {300000, 900000}}};
    for (const auto& [name, size] : forms)
        ASSERT_TRUE(Printer().AddForm({FORM_USER, name, size, {0, 0, size.cx, size.cy}}));
    struct Drop {
        ~Drop()
        {
            for (const char* name : {"4A", "2A", "Banner"})
                Printer().DeleteForm(name);
        }
    } drop;
    Start();
    auto form = Laid(true);
    TPrintPreview& p = *form->PrintPreview;
    const int a4 = form->ComboPaperType->findText("A4");
    form->ComboPaperType->setCurrentIndex(a4);
    ASSERT_EQ(p.PaperType(), pA4);
    ASSERT_EQ(p.Orientation(), poLandscape);
    const int layouts = form->LayoutCount();

    const char* said[] = {"The paper is too large for the printer: 1682 x 2378 mm.",
                          "The paper is too large for the printer: 1189 x 1682 mm.",
                          "The paper is too large for the printer: 300 x 900 mm."};
    for (size_t i = 0; i < std::size(forms); ++i) {
        dialogs->expectBox(said[i]);
        form->ComboPaperType->setCurrentIndex(form->ComboPaperType->findText(forms[i].first));
        EXPECT_EQ(dialogs->pending(), 0u) << forms[i].first;
        // The combo shows the paper the pages keep: A4, landscape.
        EXPECT_EQ(form->ComboPaperType->currentIndex(), a4) << forms[i].first;
        EXPECT_EQ(p.PaperType(), pA4);
        EXPECT_EQ(p.Orientation(), poLandscape);
        EXPECT_EQ(p.PaperWidth(), 11693);
        EXPECT_EQ(p.PaperHeight(), 8268);
    }
    EXPECT_EQ(dialogs->seen().back().type, mtError);
    EXPECT_EQ(form->LayoutCount(), layouts);
    form->FormClose();
    EXPECT_EQ(RegReadIntegerDef(kCompany, kProduct, "Settings", -1, "PaperType"), int(pA4));
}

TEST_F(PrintPreviewWindowTest, ARangePastTheLastPageSaysThatNothingWasPrinted)
{
    Start();
    auto form = Laid(true);
    ASSERT_EQ(form->PrintPreview->TotalPages(), 1);
    int jobs = 0;
    form->PrintPreview->OnBeforePrint = [&](QObject*) { ++jobs; };

    dialogs->expectPrint(PrintDialogRequest::prPageNums, 2, 5, 2);
    dialogs->expectBox(
        "Nothing was printed: the printout has only 1 page, so pages 2 to 5 are past its end.");
    form->BtnPrint->click();
    EXPECT_EQ(dialogs->pending(), 0u);
    EXPECT_EQ(dialogs->seen().back().type, mtError);
    EXPECT_EQ(jobs, 0);
    EXPECT_FALSE(fs::exists(out));

    // A range that reaches past the end prints the pages there are, without a word.
    dialogs->expectPrint(PrintDialogRequest::prPageNums, 1, 5);
    form->BtnPrint->click();
    EXPECT_EQ(jobs, 1);
    EXPECT_EQ(qmtest::PdfPageCount(out), 1);
}

TEST_F(PrintPreviewWindowTest, APrintQueuesFormsPickTheirOwnPaperAndAreStoredAsIt)
{
    qmtest::PrivateCups cups;
    if (!cups.ok())
        GTEST_SKIP() << "No private print server: " << cups.whyNot();
    // A queue whose driver lists "US Letter" and "A4", in that order.
    const std::string ppd = std::string(QM_SOURCE_DIR) + "/tests/printing/data/margins.ppd";
    ASSERT_TRUE(cups.addQueue("QuillmartMargins", "file://" + cups.dir().file("m.pdf"), ppd))
        << cups.whyNot();
    ASSERT_TRUE(Printer().SetPrinterName("QuillmartMargins"));
    struct Back {
        ~Back() { Printer().SetPrinterName(TPrinter::PdfFilePrinterName); }
    } back;
    Start();
    auto form = Laid(true);
    TPrintPreview& p = *form->PrintPreview;
    const int a4 = form->ComboPaperType->findText("A4");
    const int letter = form->ComboPaperType->findText("US Letter");
    ASSERT_GE(a4, 0);
    ASSERT_GE(letter, 0);
    form->ComboPaperType->setCurrentIndex(a4);
    EXPECT_EQ(p.PaperType(), pA4);
    EXPECT_EQ(p.PaperWidth(), 11693);
    form->FormClose();
    EXPECT_EQ(RegReadIntegerDef(kCompany, kProduct, "Settings", -1, "PaperType"), int(pA4));

    form = Laid(true);
    EXPECT_EQ(form->ComboPaperType->currentIndex(), a4);
    EXPECT_EQ(form->PrintPreview->PaperType(), pA4);
    form->ComboPaperType->setCurrentIndex(letter);
    EXPECT_EQ(form->PrintPreview->PaperType(), pLetter);
    // A stored paper the queue has no form for selects none and keeps the preview's paper.
    RegWriteInteger(kCompany, kProduct, "Settings", int(pLegal), "PaperType");
    form = Laid(true);
    EXPECT_EQ(form->ComboPaperType->currentIndex(), -1);
    EXPECT_EQ(form->PrintPreview->PaperType(), pLetter);
}

TEST_F(PrintPreviewWindowTest, AStoppedPrintServerIsWaitedForOnceAndNamedAndThePdfFileStillPrints)
{
    qmtest::ShortWaitPrintServer cups;
    if (!cups.ok())
        GTEST_SKIP() << "No private print server: " << cups.whyNot();
    ASSERT_TRUE(cups.chooseMarginsQueue()) << cups.whyNot();
    Start();
    ASSERT_TRUE(cups.stop());
    const int32_t asked = Printer().ServerQuestions();

    // Printing from the menu on the queue: the window says why the queues are missing, the
    // print dialog still comes, and the job is refused with the same reason. The server was
    // waited for once.
    const std::string silent = PrintServerSilentText();
    dialogs->expectBox(silent);
    dialogs->expectPrint(PrintDialogRequest::prAllPages);
    dialogs->expectBox(silent);
    qmtest::Trigger(*main, "MItemFilePrintShoppingList");
    EXPECT_EQ(dialogs->pending(), 0u);
    EXPECT_EQ(Printer().ServerQuestions(), asked + 1);
    EXPECT_FALSE(fs::exists(out));

    // The preview on the PDF-file printer (as the print dialog offers it): its forms are there
    // and the printout is written.
    ASSERT_TRUE(Printer().SetPrinterName(TPrinter::PdfFilePrinterName));
    Printer().OutputFileName = out;
    dialogs->expectBox(silent);
    dialogs->expectPrint(PrintDialogRequest::prAllPages);
    Play([](TFormPrintPreview& f) {
        EXPECT_EQ(f.ComboPaperType->count(), int(pCustom));
        f.BtnPrint->click();
    });
    qmtest::Trigger(*main, "MItemFilePreviewShoppingList");
    EXPECT_EQ(previewsRun, 1);
    EXPECT_EQ(qmtest::PdfCheckProblems(out), "");
    EXPECT_NE(qmtest::PdfText(out).find("Shop Shopping List"), std::string::npos);
    EXPECT_EQ(Printer().ServerQuestions(), asked + 1);
}

} // namespace
