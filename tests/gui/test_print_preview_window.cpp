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
#include <QToolButton>
#include <filesystem>

#include "TestSupport.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/DateFormat.h"
#include "platform/Metafile.h"
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
        mf->EnumerateRecords([&](const TEmfRecord& r) {
            TEmfText t;
            if (DecodeTextRecord(r, t))
                out.push_back({t.X, t.Y, t.Text, t.Rect, t.Options});
            return true;
        });
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

// Font metrics in thousandths of an inch, measured as a page canvas measures them.
struct Metrics {
    TMetafile mf;
    TMetafileCanvas canvas{mf};
    Metrics() { canvas.Font().SetPixelsPerInch(1000); }
    TDeviceCanvas& Use(int size, bool bold = false)
    {
        canvas.Font().SetName("Arial");
        canvas.Font().SetSize(size);
        canvas.Font().SetStyle(bold ? TFontStyles(fsBold) : TFontStyles(0));
        return canvas;
    }
    int32_t H(int size, bool bold = false) { return Use(size, bold).TextHeight("Sy"); }
    int32_t W(int size, const std::string& s, bool bold = false) { return Use(size, bold).TextWidth(s); }
};

const std::string kShop = "[--Info--]\r\nAisles=Front,,Back,,\r\n"
                          "[--Errands--]\r\nBank=1\r\nPost office=0\r\n"
                          "[Dairy]\r\nMilk=Front,-,,-,2,-,1,-,0,-,0,-,\r\nEggs=Back,-,Brown ones,-,1\r\n"
                          "Butter=Front,-,,-,0\r\n[Fruit]\r\nKiwi=Back,-,,-,12\r\n";

class PrintPreviewWindowTest : public qmtest::DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        RegDeleteKey(kCompany, kProduct, "Settings");
        SetTestNow(EncodeDate(2026, 12, 7) + 0.5);
        fs::create_directories(stores);
        RegWriteString(kCompany, kProduct, "Settings", stores, "StorageDir");
        RegWriteString(kCompany, kProduct, "Settings", "Shop", "Last Store");
        RegWriteBool(kCompany, kProduct, "Settings", false, "DoCheckForLatest");
        RegWriteBool(kCompany, kProduct, "Settings", false, "ShowTOTD");
        RegWriteDateTime(kCompany, kProduct, "Settings", Now(), "LastCheckDT");
        qmtest::WriteFile(stores + "Shop.store", kShop);
    }
    void TearDown() override
    {
        SetModalHook(nullptr);
        main.reset();
        SetTestNow(std::nullopt);
        DialogFixture::TearDown();
    }
    void Start()
    {
        main = std::make_unique<TFormMain>();
        FormMain = main.get();
        main->FormCreate();
        main->show();
        QApplication::processEvents();
        main->FormResize();
    }
    // A window laid out from the stored settings, as the print commands make it.
    std::unique_ptr<TFormPrintPreview> Laid(bool shoppingList)
    {
        auto form = std::make_unique<TFormPrintPreview>(main.get());
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

    qmtest::TempDir temp;
    AnsiString stores = temp.path() + "/stores/";
    std::unique_ptr<TFormMain> main;
    int previewsRun = 0;
    Metrics m;
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
    // rule; the footer is the counts and the page number.
    const int32_t L = 250, R = 10750, T = 250, B = 8250, gap = 20;
    const Text title = Find(t, "Shop Shopping List");
    EXPECT_EQ(title.x, L);
    EXPECT_EQ(title.y, T);
    const Text date = Find(t, "Mon 7 Dec 2026");
    EXPECT_EQ(date.x, R - m.W(12, "Mon 7 Dec 2026"));
    EXPECT_EQ(date.y, T);
    const Text page = Find(t, "Page 1");
    EXPECT_EQ(page.x, R - m.W(8, "Page 1"));
    EXPECT_EQ(page.y, B - m.H(8));
    const Text counts = Find(t, "Items: 15    Coupons: 1");
    EXPECT_EQ(counts.x, L);
    EXPECT_EQ(counts.y, B - m.H(8));
    const int32_t ruleY = T + m.H(15, true) + gap;
    const auto rects = PageRects(p, 1);
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects[0], (TRect{L, ruleY, R, ruleY + 20}));
    const int32_t top = ruleY + 20 + gap;
    EXPECT_EQ(form->Area(), (TRect{L, top, R, B - m.H(8)}));
    EXPECT_EQ(form->PageFrame(), (TRect{L, T, R, B}));

    // By aisle: the errands first, then Front (Dairy: Milk) and Back (Dairy: Eggs; Fruit: Kiwi),
    // each aisle's name at the right of the column and a rule above every aisle but the first.
    const int32_t group = m.H(12, true) + gap, item = m.H(10) + gap, note = m.H(8) + gap;
    const int32_t cw = (R - L) / 3;
    EXPECT_EQ(form->ColumnWidth(), cw);
    EXPECT_EQ(Find(t, "Errands").x, L + 20);
    EXPECT_EQ(Find(t, "Errands").y, top);
    // The widest quantity, (12), would reach into the check box: the names move right of it.
    const int32_t box = m.W(10, " ");
    const int32_t indent = std::max(m.W(10, "[  ]     ") + box, box + m.W(10, "[  ]") + m.W(8, "(12) "));
    EXPECT_EQ(form->NameIndent(), indent);
    const Text bank = Find(t, "Bank");
    EXPECT_EQ(bank.x, L + 20 + indent);
    EXPECT_EQ(bank.y, top + group);
    EXPECT_EQ(bank.clip, (TRect{L + 20 + indent, bank.y, L + cw - 20, bank.y + m.H(10)}));
    int32_t y = top + group + item; // the Front aisle: its name, then the rule on the same line
    EXPECT_EQ(Find(t, "Front").x, L + cw - 20 - m.W(12, "Front", true));
    EXPECT_EQ(Find(t, "Front").y, y);
    EXPECT_EQ(rects[1], (TRect{L, y, L + cw, y + 20}));
    y += 20;
    EXPECT_EQ(t[size_t(std::find_if(t.begin(), t.end(), [](const Text& x) { return x.s == "Front"; }) - t.begin() + 1)].s,
              "Dairy");
    const Text milk = Find(t, "Milk  \xA2");
    EXPECT_EQ(milk.y, y + group);
    const Text two = Find(t, "(2)");
    EXPECT_EQ(two.x + m.W(8, "(2) "), milk.x);
    EXPECT_EQ(Count(t, "[  ]"), 4);
    y += group + item + 20; // the Back aisle's rule
    EXPECT_EQ(Find(t, "Back").y, y - 20);
    const Text eggs = Find(t, "Eggs");
    EXPECT_EQ(eggs.y, y + group);
    const Text brown = Find(t, "      Brown ones");
    EXPECT_EQ(brown.x, eggs.x);
    EXPECT_EQ(brown.y, eggs.y + item);
    const Text kiwi = Find(t, "Kiwi");
    EXPECT_EQ(kiwi.y, brown.y + note + group);
    const Text twelve = Find(t, "(12)");
    EXPECT_EQ(twelve.x + m.W(8, "(12) "), kiwi.x);
    EXPECT_GE(twelve.x, L + 20 + box + m.W(10, "[  ]")); // clear of the check box
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
    EXPECT_EQ(form->NameIndent(), std::max(m.W(10, "       "), m.W(8, "(12) ")));
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
    const int32_t item = form->ItemRowHeight(), group = form->GroupRowHeight();
    const TRect area = form->Area();
    // Each column holds as many rows as fit under its heading (repeated at the top of each).
    const int32_t per = (area.Bottom - area.Top - group) / item;
    ASSERT_GT(per, 10);
    const int32_t columns = (150 + per - 1) / per;
    ASSERT_EQ(p.TotalPages(), (columns + 2) / 3);

    const auto t1 = PageTexts(p, 1);
    // The heading at the top of each column, the aisle name at its right on the same line.
    EXPECT_EQ(Count(t1, "Pantry"), 3);
    EXPECT_EQ(Count(t1, "Middle"), 3);
    const int32_t cw = form->ColumnWidth();
    const auto rects = PageRects(p, 1);
    // The header rule, then one bar at the left of the second and of the third column, from the
    // area's top to its bottom.
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[1], (TRect{area.Left + cw, area.Top, area.Left + cw + 20, area.Bottom}));
    EXPECT_EQ(rects[2], (TRect{area.Left + 2 * cw, area.Top, area.Left + 2 * cw + 20, area.Bottom}));
    const Text first2 = Find(t1, "Item " + std::to_string(1000 + per));
    EXPECT_EQ(first2.x, area.Left + cw + 20 + form->NameIndent());
    EXPECT_EQ(first2.y, area.Top + group);

    // The fourth column is the next page's first, under the page's own header and footer.
    const auto t2 = PageTexts(p, 2);
    EXPECT_EQ(Count(t2, "Shop Shopping List"), 1);
    EXPECT_EQ(Count(t2, "Page 2"), 1);
    EXPECT_EQ(Find(t2, "Pantry").x, area.Left + 20);
    EXPECT_EQ(Find(t2, "Item " + std::to_string(1000 + 3 * per)).y, area.Top + group);
    // The last page ends with the last item.
    const auto last = PageTexts(p, p.TotalPages());
    EXPECT_EQ(Count(last, "Item 1149"), 1);
}

TEST_F(PrintPreviewWindowTest, AListThatFillsItsColumnStartsNoEmptyColumnOrPage)
{
    RegWriteInteger(kCompany, kProduct, "Settings", 1, "PrintColumns");
    Start();
    auto probe = Laid(true);
    const int32_t item = probe->ItemRowHeight(), group = probe->GroupRowHeight();
    const TRect area = probe->Area();
    probe.reset();
    main.reset();
    // Exactly as many items as fit under the heading: after the last one there is no room for
    // another row, yet nothing follows.
    const int32_t n = (area.Bottom - area.Top - group) / item;
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

} // namespace
