// The shopping list's PDF and text export: whole files against stored bytes, every PDF read
// back by qpdf and pdftotext, the layout's rounding and column breaking, and failed writes.
#include <gtest/gtest.h>

#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sys/stat.h>

#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "printing/ShoppingListExport.h"
#include "util/RegUtils.h"

using namespace qm;
namespace fs = std::filesystem;

namespace {

QString RunTool(const QString& program, const QStringList& args, int* rc = nullptr)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    if (rc)
        *rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// One drawing operation of a page's content: a text (font resource number, size, position of
// its baseline in PDF coordinates) or a line.
struct Op {
    int page = 0;
    bool text = false;
    int font = 0, size = 0;
    int x = 0, y = 0, x2 = 0, y2 = 0;
    std::string str;
};

// The operations of every page, read from the uncompressed content streams in page order.
std::vector<Op> Ops(const std::string& pdf)
{
    std::vector<Op> ops;
    int page = 0;
    for (size_t at = pdf.find("\r\nstream\r\n"); at != std::string::npos;
         at = pdf.find("\r\nstream\r\n", at + 1)) {
        ++page;
        const size_t begin = at + 10;
        const size_t end = pdf.find("endstream\r\n", begin);
        std::vector<std::string> lines;
        for (size_t p = begin; p < end;) {
            const size_t eol = pdf.find("\r\n", p);
            lines.push_back(pdf.substr(p, eol - p));
            p = eol + 2;
        }
        for (size_t i = 0; i < lines.size(); ++i) {
            Op op;
            op.page = page;
            if (lines[i] == "BT") {
                op.text = true;
                std::sscanf(lines[i + 1].c_str(), "/F%d %d Tf", &op.font, &op.size);
                std::sscanf(lines[i + 2].c_str(), "%d %d Td", &op.x, &op.y);
                const std::string& s = lines[i + 3]; // "(text) Tj"
                for (size_t k = 1; k + 4 < s.size(); ++k) {
                    if (s[k] == '\\')
                        ++k;
                    op.str += s[k];
                }
                i += 4;
            } else {
                std::sscanf(lines[i].c_str(), "%d %d m", &op.x, &op.y);
                std::sscanf(lines[i + 1].c_str(), "%d %d l", &op.x2, &op.y2);
                i += 3;
            }
            ops.push_back(op);
        }
    }
    return ops;
}

const Op* FindText(const std::vector<Op>& ops, const std::string& text)
{
    for (const Op& op : ops)
        if (op.text && op.str == text)
            return &op;
    return nullptr;
}

int PageCount(const std::vector<Op>& ops)
{
    return ops.empty() ? 0 : ops.back().page;
}

QMShopListItem Line(const char* name, int32_t qty, bool coupon = false, const char* note = "")
{
    QMShopListItem item;
    item.Name = name;
    item.Qty = qty;
    item.HasCoupon = coupon;
    item.Note = note;
    return item;
}

QMShopListCat Cat(const char* name, std::vector<QMShopListItem> items)
{
    QMShopListCat cat;
    cat.Name = name;
    cat.Items = std::move(items);
    return cat;
}

QMShopListAisle Aisle(const char* name, std::vector<QMShopListCat> cats)
{
    QMShopListAisle aisle;
    aisle.Name = name;
    aisle.Cats = std::move(cats);
    return aisle;
}

void Count(QMShopList& list)
{
    const auto add = [&](const QMShopListCat& cat) {
        for (const QMShopListItem& item : cat.Items) {
            ++list.ItemCount;
            list.CouponCount += item.HasCoupon ? 1 : 0;
        }
    };
    for (const QMShopListAisle& a : list.Aisles)
        for (const QMShopListCat& c : a.Cats)
            add(c);
    for (const QMShopListCat& c : list.Cats)
        add(c);
}

// The sample list: errands on top, two aisles, notes, coupons and quantities of up to three
// digits (or only of one digit), in either order.
QMShopList Sample(bool byAisle, bool wideQuantities = true)
{
    const std::vector<QMShopListItem> errands = {Line("Bank", 1), Line("Post (office)", 1)};
    const std::vector<QMShopListItem> dairy = {Line("Milk", 2, true), Line("Eggs", 1, false, "Brown ones"),
                                               Line("Butter", 9)};
    const std::vector<QMShopListItem> fruit = {Line("Kiwi", wideQuantities ? 12 : 3, true, "ripe \\ soft")};
    const std::vector<QMShopListItem> bakery = {Line("Bagels", wideQuantities ? 100 : 5), Line("Bread", 1)};
    QMShopList list;
    list.SortByAisle = byAisle;
    if (byAisle) {
        list.Aisles = {Aisle("", {Cat("Errands", errands)}),
                       Aisle("Front", {Cat("Dairy", dairy), Cat("Fruit", fruit)}),
                       Aisle("Back", {Cat("Bakery", bakery)})};
    } else {
        list.Cats = {Cat("Errands", errands), Cat("Bakery", bakery), Cat("Dairy", dairy),
                     Cat("Fruit", fruit)};
    }
    Count(list);
    return list;
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override { SetTestNow(EncodeDate(2026, 12, 7) + EncodeTime(9, 30, 5, 0)); }
    void TearDown() override { SetTestNow(std::nullopt); }

    // Writes the list and reads the file back: qpdf accepts it and pdftotext gives back every
    // item, note and heading of the list.
    std::string Pdf(const QMShopList& list, const ShoppingListPdfSettings& settings,
                    const char* name = "l.pdf", const AnsiString& store = "Corner Market")
    {
        TPrintPDF pdf;
        WriteShoppingListPdf(pdf, list, store, settings, dir.file(name));
        int rc = 0;
        const QString check = RunTool("qpdf", {"--check", QString::fromStdString(dir.file(name))}, &rc);
        EXPECT_EQ(rc, 0) << check.toStdString();
        const QString text =
            RunTool("pdftotext", {"-enc", "Latin1", QString::fromStdString(dir.file(name)), "-"});
        const auto expectText = [&](const AnsiString& s) {
            if (!s.empty()) {
                EXPECT_TRUE(text.contains(QString::fromLatin1(s.c_str()))) << s << " not in " << name;
            }
        };
        const auto expectCat = [&](const QMShopListCat& cat) {
            expectText(cat.Name);
            for (const QMShopListItem& item : cat.Items) {
                expectText(item.Name);
                expectText(item.Note);
            }
        };
        for (const QMShopListAisle& a : list.Aisles) {
            expectText(a.Name);
            for (const QMShopListCat& c : a.Cats)
                expectCat(c);
        }
        for (const QMShopListCat& c : list.Cats)
            expectCat(c);
        return qmtest::ReadFile(dir.file(name));
    }

    // Compares with the stored file; QM_WRITE_EXPECTED=1 stores the output instead.
    static void ExpectStored(const std::string& bytes, const std::string& name)
    {
        const std::string path = std::string(QM_SOURCE_DIR) + "/tests/printing/data/" + name;
        if (std::getenv("QM_WRITE_EXPECTED"))
            qmtest::WriteFile(path, bytes);
        EXPECT_TRUE(bytes == qmtest::ReadFile(path)) << name << " differs from its stored bytes";
    }

    qmtest::TempDir dir;
};

TEST(ExportRounding, HalvesGoToTheEvenNumberOfTheDecimalValue)
{
    // 5 x (10 x 0.53) = 26.5 exactly; in binary floating point it comes out above 26.5.
    EXPECT_EQ(PdfTextWidth({0, 10}, "12345"), 26);
    EXPECT_EQ(PdfTextWidth({4, 10}, "12345"), 30); // Courier 0.6
    EXPECT_EQ(PdfTextWidth({5, 11}, "123"), 20);   // 19.8
    EXPECT_EQ(PdfTextWidth({8, 10}, "12345"), 24); // Times 24.5
    EXPECT_EQ(PdfLineHeight(25), 30);              // 29.5
    EXPECT_EQ(PdfLineHeight(75), 88);              // 88.5
    EXPECT_EQ(ScaleRounded(10, 85), 8);            // 8.5
    EXPECT_EQ(ScaleRounded(11, 150), 16);          // 16.5
    EXPECT_EQ(ScaleRounded(13, 150), 20);          // 19.5
    EXPECT_EQ(ScaleRounded(11, 80), 9);            // 8.8
    EXPECT_EQ(ScaleRounded(-10, 85), -8);
    EXPECT_EQ(ScaleRounded(-11, 150), -16);
}

TEST(ExportRounding, TheWalkVisitsEveryRowOnceInListOrder)
{
    for (bool byAisle : {true, false}) {
        QMShopList list = Sample(byAisle);
        if (byAisle)
            list.Aisles[1].Cats.push_back(Cat("Empty", {}));
        else
            list.Cats.insert(list.Cats.begin() + 1, Cat("Empty", {}));
        std::vector<std::string> seen;
        int32_t a = byAisle ? 0 : -1, c = 0, l = -1;
        while (c >= 0) {
            const QMShopListCat& cat =
                byAisle ? list.Aisles[size_t(a)].Cats[size_t(c)] : list.Cats[size_t(c)];
            seen.push_back(l < 0 ? "[" + cat.Name + "]" : cat.Items[size_t(l)].Name);
            NextShopListRow(list, a, c, l, a, c, l);
        }
        EXPECT_EQ(a, -1);
        EXPECT_EQ(l, -1);
        const std::vector<std::string> expected =
            byAisle ? std::vector<std::string>{"[Errands]", "Bank",   "Post (office)", "[Dairy]", "Milk",
                                               "Eggs",      "Butter", "[Fruit]",       "Kiwi",    "[Empty]",
                                               "[Bakery]",  "Bagels", "Bread"}
                    : std::vector<std::string>{"[Errands]", "Bank",    "Post (office)", "[Empty]", "[Bakery]",
                                               "Bagels",    "Bread",   "[Dairy]",       "Milk",    "Eggs",
                                               "Butter",    "[Fruit]", "Kiwi"};
        EXPECT_EQ(seen, expected);
    }
    const QMShopList list = Sample(true);
    int32_t a, c, l;
    EXPECT_THROW(NextShopListRow(list, 3, 0, -1, a, c, l), ERangeError);
    EXPECT_THROW(NextShopListRow(list, 0, 1, -1, a, c, l), ERangeError);
    EXPECT_THROW(NextShopListRow(list, 0, 0, 2, a, c, l), ERangeError);
}

TEST_F(ExportTest, SmallListsMatchTheirStoredBytes)
{
    ShoppingListPdfSettings allOn; // the defaults: landscape, three columns, Arial 10, all shown
    ExpectStored(Pdf(Sample(true), allOn, "a.pdf"), "list_aisle_helvetica.pdf");

    ShoppingListPdfSettings allOff;
    allOff.DoPrintLandscape = false;
    allOff.PrintColumns = 2;
    allOff.PrintFontSize = 12;
    allOff.PrintFontName = "Courier New";
    allOff.DoPrintDate = allOff.DoPrintPageNum = allOff.DoPrintCheckBoxes = allOff.DoPrintNumItems = false;
    allOff.PrintTitle = "List: %S (%s)";
    ExpectStored(Pdf(Sample(false), allOff, "b.pdf"), "list_category_courier.pdf");

    // One-digit quantities only: the names start after " (0)".
    ShoppingListPdfSettings times;
    times.PrintFontName = "Times New Roman";
    times.PrintFontSize = 11;
    times.PrintColumns = 1;
    times.DoPrintPageNum = false;
    times.DoPrintCheckBoxes = false;
    times.PrintTitle = "No placeholder";
    ExpectStored(Pdf(Sample(true, false), times, "c.pdf"), "list_aisle_times.pdf");

    // An empty list: one page with header and footer, counts 0.
    ExpectStored(Pdf(QMShopList{}, allOn, "d.pdf"), "list_empty.pdf");
}

TEST_F(ExportTest, TheFamilyTestIsCaseSensitive)
{
    ShoppingListPdfSettings s;
    const auto fonts = [&](const char* name) {
        s.PrintFontName = name;
        std::set<int> used;
        for (const Op& op : Ops(Pdf(Sample(true), s)))
            if (op.text)
                used.insert(op.font);
        return used;
    };
    EXPECT_EQ(fonts("Courier New"), (std::set<int>{5, 6})); // resources /F5 and /F6
    EXPECT_EQ(fonts("courier new"), (std::set<int>{1, 2}));
    EXPECT_EQ(fonts("Times New Roman"), (std::set<int>{9, 10}));
    EXPECT_EQ(fonts("DejaVu Sans"), (std::set<int>{1, 2}));
}

TEST_F(ExportTest, WideQuantitiesMoveTheNamesRightAndOneDigitListsKeepTheirPlace)
{
    // Quantity font 8: "[  ]" and " (0)" are 4 x 8 x 0.53 = 16.96 -> 17 each; " (100)" is
    // 25.44 -> 25. Names start at the column's left edge 24 plus that.
    const auto nameX = [&](const QMShopList& list, bool boxes) {
        ShoppingListPdfSettings s;
        s.DoPrintCheckBoxes = boxes;
        return FindText(Ops(Pdf(list, s)), "Bread")->x;
    };
    EXPECT_EQ(nameX(Sample(true, false), true), 24 + 17 + 17);
    EXPECT_EQ(nameX(Sample(true, false), false), 24 + 17);
    EXPECT_EQ(nameX(Sample(true, true), true), 24 + 17 + 25);
    EXPECT_EQ(nameX(Sample(true, true), false), 24 + 25);
    // The quantity itself stays where it was: two points and the box's width into the column.
    EXPECT_EQ(FindText(Ops(Pdf(Sample(true), {})), " (100)")->x, 24 + 2 + 17);

    QMShopList twelve = Sample(true, false);
    twelve.Aisles[1].Cats[0].Items[0].Qty = 12; // " (12)": 21.2 -> 21
    EXPECT_EQ(nameX(twelve, true), 24 + 17 + 21);
}

// Landscape letter at size 10: the body runs from y 44 (title 18, rule 2) to 579 (footer 9);
// a heading takes 14, an item 12, a note 9 and a group rule 2. Columns are 248 wide.
TEST_F(ExportTest, AListEndingInTheLastPointOfAColumnAddsNoColumnOrPage)
{
    // 58 + 2 x (2 + 14) + 40 x 12 + 9 = 579: the last item's note ends on the footer band.
    std::vector<QMShopListItem> items;
    for (int i = 0; i < 38; ++i)
        items.push_back(Line(("Item " + std::to_string(i)).c_str(), 1));
    QMShopList list;
    list.SortByAisle = false;
    list.Cats = {Cat("A", items), Cat("B", {Line("b", 1)}), Cat("C", {Line("c", 1, false, "last note")})};
    Count(list);
    std::vector<Op> ops = Ops(Pdf(list, {}));
    EXPECT_EQ(PageCount(ops), 1);
    for (const Op& op : ops)
        EXPECT_FALSE(!op.text && op.x == op.x2) << "a column rule at x " << op.x;
    EXPECT_EQ(FindText(ops, "      " + std::string(10, ' ') + "last note")->y,
              612 - 570 - 7); // 612 - 570 - 6.8

    // One more item, and the last one goes to the next column under its repeated heading.
    list.Cats[2].Items.insert(list.Cats[2].Items.begin(), Line("c0", 1));
    Count(list);
    ops = Ops(Pdf(list, {}));
    EXPECT_EQ(PageCount(ops), 1);
    int rules = 0, headingsC = 0;
    for (const Op& op : ops) {
        if (!op.text && op.x == op.x2) {
            ++rules;
            EXPECT_EQ(op.x, 24 + 248);
            EXPECT_EQ(op.y, 612 - 44);
            EXPECT_EQ(op.y2, 612 - 579);
        }
        headingsC += op.text && op.str == "C";
    }
    EXPECT_EQ(rules, 1);
    EXPECT_EQ(headingsC, 2);
    EXPECT_EQ(FindText(ops, "c")->x, 24 + 248 + 34);
}

TEST_F(ExportTest, AnAisleHeadingThatWouldTouchTheFooterStartsTheNextColumn)
{
    // Aisle A ends at 58 + 40 x 12 + 3 x 9 = 565: 14 points are left, but the rule and the
    // heading of aisle B need 16.
    std::vector<QMShopListItem> items;
    for (int i = 0; i < 40; ++i)
        items.push_back(Line(("Item " + std::to_string(i)).c_str(), 1, false, i < 3 ? "n" : ""));
    QMShopList list;
    list.Aisles = {Aisle("A", {Cat("Produce", items)}), Aisle("B", {Cat("Bakery", {Line("Rolls", 1)})})};
    Count(list);
    const std::vector<Op> ops = Ops(Pdf(list, {}));
    EXPECT_EQ(PageCount(ops), 1);
    const Op* bakery = FindText(ops, "Bakery");
    ASSERT_NE(bakery, nullptr);
    EXPECT_EQ(bakery->x, 24 + 248 + 2);
    EXPECT_EQ(bakery->y, 612 - 44 - 10); // top of the column; 612 - 44 - 10.2
    int columnRules = 0;
    for (const Op& op : ops) {
        columnRules += !op.text && op.x == op.x2;
        EXPECT_FALSE(!op.text && op.y == op.y2 && op.y == 612 - 565) << "a group rule above the footer";
    }
    EXPECT_EQ(columnRules, 1);
}

TEST_F(ExportTest, StoredColumnCountsOutsideOneToTenAreBroughtInRange)
{
    std::vector<QMShopListItem> items;
    for (int i = 0; i < 600; ++i) // about 14 columns
        items.push_back(Line(("Item " + std::to_string(i)).c_str(), 1));
    QMShopList list;
    list.SortByAisle = false;
    list.Cats = {Cat("All", items)};
    Count(list);
    const auto columnXs = [&](int32_t columns) {
        ShoppingListPdfSettings s;
        s.PrintColumns = columns;
        std::set<int> xs;
        for (const Op& op : Ops(Pdf(list, s)))
            if (op.text && op.str.rfind("Item ", 0) == 0)
                xs.insert(op.x - 34);
        return xs;
    };
    EXPECT_EQ(columnXs(0), (std::set<int>{24}));
    EXPECT_EQ(columnXs(-5), (std::set<int>{24}));
    EXPECT_EQ(columnXs(1), (std::set<int>{24}));
    std::set<int> ten;
    for (int c = 0; c < 10; ++c)
        ten.insert(24 + c * 74);
    EXPECT_EQ(columnXs(10), ten);
    EXPECT_EQ(columnXs(11), ten);
    EXPECT_EQ(columnXs(INT32_MAX), ten);
}

TEST_F(ExportTest, ABrokenCategoryRepeatsItsHeadingOnTheNextPage)
{
    std::vector<QMShopListItem> items;
    for (int i = 0; i < 300; ++i)
        items.push_back(
            Line(("Item " + std::to_string(i)).c_str(), 1 + i % 3, i % 7 == 0, i % 5 == 0 ? "note" : ""));
    QMShopList list;
    list.Aisles = {Aisle("Left", {Cat("Pantry", items)})};
    Count(list);
    const std::vector<Op> ops = Ops(Pdf(list, {}));
    ASSERT_GE(PageCount(ops), 3);
    // The pages before the last are full: three columns, each with the heading.
    for (int page = 1; page < PageCount(ops); ++page) {
        int headings = 0, aisles = 0;
        for (const Op& op : ops) {
            headings += op.page == page && op.text && op.str == "Pantry";
            aisles += op.page == page && op.text && op.str == "Left";
            // Nothing of the body below the footer's top (579); baselines lie 10 below a top.
            if (op.page == page && op.text && op.size == 10) {
                EXPECT_LE(612 - op.y - 9, 579 - 12) << op.str;
            }
        }
        EXPECT_EQ(headings, 3) << "page " << page;
        EXPECT_EQ(aisles, 3) << "page " << page;
        EXPECT_NE(FindText(ops, "Page: " + std::to_string(page)), nullptr);
    }
}

TEST_F(ExportTest, OutOfRangeFontSizesUseTheNearestSizeThePreviewOffers)
{
    ShoppingListPdfSettings s;
    s.PrintFontSize = 200000000;
    EXPECT_EQ(FindText(Ops(Pdf(Sample(true), s)), "Bread")->size, 32);
    s.PrintFontSize = -3;
    EXPECT_EQ(FindText(Ops(Pdf(Sample(true), s)), "Bread")->size, 6);
}

TEST_F(ExportTest, SettingsComeFromTheRegistryWithTheirDefaults)
{
    qmtest::PrivateRegistry registry;
    const ShoppingListPdfSettings d = ReadShoppingListPdfSettings();
    EXPECT_EQ(d.PrintColumns, 3);
    EXPECT_TRUE(d.DoPrintLandscape && d.DoPrintDate && d.DoPrintPageNum && d.DoPrintCheckBoxes &&
                d.DoPrintNumItems);
    EXPECT_EQ(d.PrintFontSize, 10);
    EXPECT_EQ(d.PrintFontName, "Arial");
    EXPECT_EQ(d.PrintTitle, "%s Shopping List");

    RegWriteInteger(kCompany, kProduct, "Settings", 2, "PrintColumns");
    RegWriteBool(kCompany, kProduct, "Settings", false, "DoPrintLandscape");
    RegWriteInteger(kCompany, kProduct, "Settings", 14, "PrintFontSize");
    RegWriteString(kCompany, kProduct, "Settings", "Courier New", "PrintFontName");
    RegWriteBool(kCompany, kProduct, "Settings", false, "DoPrintDate");
    RegWriteBool(kCompany, kProduct, "Settings", false, "DoPrintPageNum");
    RegWriteBool(kCompany, kProduct, "Settings", false, "DoPrintCheckBoxes");
    RegWriteBool(kCompany, kProduct, "Settings", false, "DoPrintNumItems");
    RegWriteString(kCompany, kProduct, "Settings", "Buy at %s", "PrintTitle");
    // The preview window's own placement key is not where the export looks.
    RegWriteInteger(kCompany, kProduct, "Settings\\PreviewWindow", 7, "PrintColumns");
    const ShoppingListPdfSettings s = ReadShoppingListPdfSettings();
    EXPECT_EQ(s.PrintColumns, 2);
    EXPECT_FALSE(s.DoPrintLandscape || s.DoPrintDate || s.DoPrintPageNum || s.DoPrintCheckBoxes ||
                 s.DoPrintNumItems);
    EXPECT_EQ(s.PrintFontSize, 14);
    EXPECT_EQ(s.PrintFontName, "Courier New");
    EXPECT_EQ(s.PrintTitle, "Buy at %s");
}

TEST_F(ExportTest, TextByAisleAlignsTheAisleNamesAndQuantityFields)
{
    QMShopList list = Sample(true);
    list.Aisles[1].Cats[1].Items.push_back(Line("Limes", 10));
    list.Aisles[2].Name = std::string(40, 'a');
    list.Aisles[2].Cats[0].Name = std::string(40, 'c'); // together 80: no space between them
    const std::string macrons(80, '\xAF'), dashes(80, '-');
    const std::string expected = "Corner Market\r\n" + macrons + "\r\n" + "Errands" + std::string(73, ' ') +
                                 "\r\n" //
                                 "     Bank\r\n"
                                 "     Post (office)\r\n" +
                                 dashes + "\r\n" + "Dairy" + std::string(70, ' ') + "Front\r\n" +
                                 "  (2)Milk  \xA2\r\n"
                                 "     Eggs\r\n"
                                 "  (9)Butter\r\n"
                                 "Fruit\r\n"
                                 " (12)Kiwi  \xA2\r\n"
                                 " (10)Limes\r\n" +
                                 dashes + "\r\n" + std::string(40, 'c') + std::string(40, 'a') + "\r\n" +
                                 " (100)Bagels\r\n"
                                 "     Bread\r\n";
    EXPECT_EQ(ShoppingListText(list, "Corner Market"), expected);
    list.Aisles[2].Name += "b"; // 81: still no space, nothing cut
    EXPECT_NE(
        ShoppingListText(list, "Corner Market").find(std::string(40, 'c') + std::string(40, 'a') + "b\r\n"),
        std::string::npos);

    WriteShoppingListText(Sample(true), "Corner Market", dir.file("list.txt"));
    ExpectStored(qmtest::ReadFile(dir.file("list.txt")), "list_aisle.txt");
}

TEST_F(ExportTest, TextByCategoryWritesEachCategoryWithItsItems)
{
    WriteShoppingListText(Sample(false), "Corner Market", dir.file("list.txt"));
    const std::string text = qmtest::ReadFile(dir.file("list.txt"));
    const std::string dashes(80, '-');
    EXPECT_EQ(text, "Corner Market\r\n" + std::string(80, '\xAF') + "\r\n" +
                        "Errands\r\n     Bank\r\n     Post (office)\r\n" + dashes +
                        "\r\nBakery\r\n (100)Bagels\r\n     Bread\r\n" + dashes +
                        "\r\nDairy\r\n  (2)Milk  \xA2\r\n     Eggs\r\n  (9)Butter\r\n" + dashes +
                        "\r\nFruit\r\n (12)Kiwi  \xA2\r\n");
    ExpectStored(text, "list_category.txt");

    WriteShoppingListText(QMShopList{}, "Empty", dir.file("empty.txt"));
    EXPECT_EQ(qmtest::ReadFile(dir.file("empty.txt")), "Empty\r\n" + std::string(80, '\xAF') + "\r\n");
}

TEST_F(ExportTest, AFailedExportKeepsTheEarlierFileAndNamesTheTarget)
{
    const std::string big(300000, 'x');
    QMShopList list = Sample(true);
    list.Aisles[1].Cats[0].Items[0].Name = big; // a long name makes both files large
    qmtest::WriteFile(dir.file("old.txt"), "earlier text");
    qmtest::WriteFile(dir.file("old.pdf"), "earlier pdf");
    {
        qmtest::FileSizeLimit limit(100000);
        for (const char* name : {"old.txt", "old.pdf"}) {
            try {
                TPrintPDF pdf;
                if (std::string(name).ends_with(".txt"))
                    WriteShoppingListText(list, "S", dir.file(name));
                else
                    WriteShoppingListPdf(pdf, list, "S", {}, dir.file(name));
                ADD_FAILURE() << name << " written past the limit";
            } catch (const EInOutError& e) {
                EXPECT_NE(e.Message().find(dir.file(name)), std::string::npos) << e.Message();
            }
        }
    }
    EXPECT_EQ(qmtest::ReadFile(dir.file("old.txt")), "earlier text");
    EXPECT_EQ(qmtest::ReadFile(dir.file("old.pdf")), "earlier pdf");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2); // no temporary left

    // A read-only target is refused and stays as it was.
    chmod(dir.path().c_str(), 0777);
    chmod(dir.file("old.txt").c_str(), 0444);
    chmod(dir.file("old.pdf").c_str(), 0444);
    const std::string result = qmtest::AsOtherUser([&] {
        std::string out;
        for (const char* name : {"old.txt", "old.pdf"}) {
            try {
                TPrintPDF pdf;
                if (std::string(name).ends_with(".txt"))
                    WriteShoppingListText(Sample(true), "S", dir.file(name));
                else
                    WriteShoppingListPdf(pdf, Sample(true), "S", {}, dir.file(name));
                out += std::string(name) + " written; ";
            } catch (const EInOutError& e) {
                out += e.Message().find(dir.file(name)) != std::string::npos ? "refused; " : e.Message();
            }
        }
        return out;
    });
    EXPECT_EQ(result, "refused; refused; ");
    EXPECT_EQ(qmtest::ReadFile(dir.file("old.txt")), "earlier text");
    EXPECT_EQ(qmtest::ReadFile(dir.file("old.pdf")), "earlier pdf");
}

} // namespace
