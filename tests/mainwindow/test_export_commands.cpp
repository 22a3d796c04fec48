// The main window's shopping-list export and e-mail, on a real store with the real registry:
// the save dialog's choice of PDF or text, failures shown with the file's name, and the hand-off
// of the written PDF to a stand-in mail program.
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "PrintTestSupport.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "printing/ShoppingListExport.h"
#include "util/RegUtils.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

// The PDF's text, once qpdf has found the file sound.
QString PdfText(const std::string& path)
{
    EXPECT_EQ(qmtest::PdfCheckProblems(path), "") << path;
    return QString::fromStdString(qmtest::PdfText(path));
}

class ExportCommandsTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetLastStore("Shop");
        qmtest::WriteFile(stores + "Shop.store", "[--Info--]\r\nAisles=Front,,Back,,\r\n"
                                                 "[--Errands--]\r\nBank=1\r\nPost office=0\r\n"
                                                 "[Dairy]\r\nMilk=Front,-,,-,2,-,1,-,0,-,0,-,\r\n"
                                                 "Eggs=Back,-,Brown ones,-,1\r\nButter=Front,-,,-,0\r\n"
                                                 "[Fruit]\r\nKiwi=Back,-,,-,12\r\n");
    }
    void TearDown() override
    {
        setenv("PATH", oldPath.c_str(), 1);
        MainWindowTest::TearDown();
    }
    // A stand-in xdg-email first on PATH: writes its arguments, one per line, to "args", then
    // ends with the given status.
    void MailStandIn(int status)
    {
        qmtest::WriteFile(temp.file("xdg-email"), "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" +
                                                      temp.file("args") + "\"\nexit " +
                                                      std::to_string(status) + "\n");
        chmod(temp.file("xdg-email").c_str(), 0755);
        setenv("PATH", (temp.path() + ":" + oldPath).c_str(), 1);
    }

    const std::string oldPath = std::getenv("PATH");
};

TEST_F(ExportCommandsTest, TheSaveDialogsFilterChoosesPdfOrText)
{
    RegWriteString(kCompany, kProduct, "Settings", "Buy at %s", "PrintTitle");
    auto form = StartShown();

    // The PDF filter writes a PDF, whatever the name's extension. The first dialog starts in
    // the home folder, not in the folder the program was started from.
    dialogs->expectFile(temp.file("list.txt"), true, 1);
    Trigger(*form, "MItemFileSaveList");
    EXPECT_EQ(dialogs->seen().back().file.initialDir, std::string(std::getenv("HOME")) + "/");
    EXPECT_EQ(dialogs->seen().back().file.filter, "Adobe PDF|*.pdf|Text File|*.txt");
    EXPECT_EQ(dialogs->seen().back().file.defaultExt, "txt");
    const QString text = PdfText(temp.file("list.txt"));
    for (const char* s : {"Buy at Shop", "Errands", "Bank", "Front", "Dairy", "Milk", "Back", "Eggs",
                          "Brown ones", "Fruit", "Kiwi", "(12)", "Items: 4", "Coupons: 1", "Page: 1"})
        EXPECT_TRUE(text.contains(s)) << s;

    // The text filter writes the listing.
    dialogs->expectFile(temp.file("list.pdf"), true, 2);
    Trigger(*form, "MItemFileSaveList");
    const std::string dashes(80, '-');
    EXPECT_EQ(qmtest::ReadFile(temp.file("list.pdf")),
              "Shop\r\n" + std::string(80, '\xAF') + "\r\nErrands" + std::string(73, ' ') +
                  "\r\n     Bank\r\n" + dashes + "\r\nDairy" + std::string(70, ' ') +
                  "Front\r\n  (2)Milk  \xA2\r\n" + dashes + "\r\nDairy" + std::string(71, ' ') +
                  "Back\r\n     Eggs\r\nFruit\r\n (12)Kiwi\r\n");

    // The dialog opens again in the folder of the last file chosen, on that file and type;
    // cancelling it writes nothing and changes none of them.
    for (int cancelled = 0; cancelled < 2; ++cancelled) {
        dialogs->expectFile(temp.file("none.pdf"), false);
        Trigger(*form, "MItemFileSaveList");
        EXPECT_EQ(dialogs->seen().back().file.initialDir, temp.path() + "/");
        EXPECT_EQ(dialogs->seen().back().initial, "list.pdf");
        EXPECT_EQ(dialogs->seen().back().file.filterIndex, 2);
    }
    EXPECT_FALSE(fs::exists(temp.file("none.pdf")));
}

TEST_F(ExportCommandsTest, AFailedExportIsShownWithTheFileName)
{
    auto form = StartShown();
    fs::create_directory(temp.file("taken"));
    for (int filter : {1, 2}) {
        dialogs->expectFile(temp.file("taken"), true, filter);
        dialogs->expectBox(temp.file("taken"));
        Trigger(*form, "MItemFileSaveList");
        EXPECT_EQ(dialogs->seen().back().type, mtError);
    }
    EXPECT_TRUE(fs::is_directory(temp.file("taken")));
}

TEST_F(ExportCommandsTest, EmailWritesThePdfBesideTheStoresAndHandsItOver)
{
    auto form = StartShown();
    MailStandIn(0);
    Trigger(*form, "MItemFileEmailList");
    const std::string pdf = stores + "Shop.pdf";
    EXPECT_EQ(qmtest::ReadFile(temp.file("args")),
              "--utf8\n--subject\nShopping List for Shop, 7 Dec 2026\n--attach\n" + pdf + "\n");
    EXPECT_TRUE(PdfText(pdf).contains("Shop Shopping List"));

    // The tool bar's button does the same; a failing mail program is reported, and the PDF,
    // rewritten with the list as it is now, stays.
    fs::remove(pdf);
    form->Store.Categories[1].Items[0].Qty = 0; // Kiwi off the list
    form->BuildShoppingList();
    MailStandIn(3);
    dialogs->expectBox("Error sending mail (3).");
    Click(*form, "BtnEmailList");
    EXPECT_FALSE(PdfText(pdf).contains("Kiwi"));
    EXPECT_TRUE(PdfText(pdf).contains("Milk"));
}

// With no store open there is no list to send: no PDF is written and no mail program starts.
TEST_F(ExportCommandsTest, EmailWithNoStoreOpenDoesNothing)
{
    SetLastStore("");
    auto form = StartShown();
    ASSERT_EQ(form->GetCurrentStoreName(), "");
    MailStandIn(0);
    Trigger(*form, "MItemFileEmailList");
    Click(*form, "BtnEmailList");
    EXPECT_FALSE(fs::exists(temp.file("args")));
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(stores))
        files.push_back(entry.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"Shop.store"});
}

TEST_F(ExportCommandsTest, TheExportsWalkMatchesTheDrawnListsRowWalker)
{
    for (bool byAisle : {true, false}) {
        RegWriteBool(kCompany, kProduct, "Settings", byAisle, "SortByAisle");
        auto form = StartShown();
        const QMShopList& list = form->ShopList;
        ASSERT_EQ(list.SortByAisle, byAisle);
        int32_t a = byAisle ? 0 : -1, c = 0, l = -1, rows = 0;
        while (c >= 0) {
            int32_t da = a, dc, dl, ea, ec, el;
            form->ShopListRows().ShoppingListRowBelow(list, a, c, l, da, dc, dl);
            NextShopListRow(list, a, c, l, ea, ec, el);
            EXPECT_EQ(std::tuple(dc, dl), std::tuple(ec, el)) << "after row " << rows;
            EXPECT_TRUE(ec < 0 || da == ea) << "aisle " << da << ", not " << ea << ", after row " << rows;
            a = ea, c = ec, l = el;
            ++rows;
        }
        EXPECT_EQ(rows, byAisle ? 8 : 7); // headings and lines
    }
}

} // namespace
