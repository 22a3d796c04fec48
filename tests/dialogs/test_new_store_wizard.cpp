// The new-store wizard walked as a person would, against a real storage folder: the file it
// writes is compared byte for byte with one written by hand.
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "TestMain.h"
#include "dialogs/AisleList.h"
#include "dialogs/NewStoreUnit.h"

namespace {

using namespace qm;
namespace fs = std::filesystem;

// The Escape key on the dialog.
void QTest_Escape(QWidget& w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
}

class WizardTest : public qmtest::DialogTest {
protected:
    static void Uncheck(TFormNewStore& w, const char* category)
    {
        const auto found = w.CheckListIncCategories->findItems(category, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << category;
        found[0]->setCheckState(Qt::Unchecked);
    }
    static void Select(QListWidget* list, const char* text)
    {
        SelectListRow(list, FindListEntry(list, text));
    }
};

TEST_F(WizardTest, AWalkThroughThreePagesWritesTheStoreAndOpensIt)
{
    Write("Corner", "[Dairy]\r\nMilk=,-,,-,1\r\n");
    main.Open("Corner");
    Play<TFormNewStore>([&](TFormNewStore& w) {
        EXPECT_NE(w.Picture, nullptr);
        EXPECT_EQ(w.Page(), 1);
        EXPECT_FALSE(w.BtnBack->isEnabled());
        EXPECT_FALSE(w.BtnFinish->isEnabled());
        EXPECT_EQ(w.EditStoreURL->text(), "http://www.");
        w.EditStoreName->setText("Safeway");
        w.EditStoreURL->setText("http://www.safeway.example");
        w.BtnNext->click();

        ASSERT_EQ(w.Page(), 2);
        EXPECT_TRUE(w.PanelCategories->isVisible());
        EXPECT_FALSE(w.PanelName->isVisible());
        ASSERT_EQ(w.CheckListIncCategories->count(), 22);
        Uncheck(w, "Baby");
        Uncheck(w, "Tobacco");
        Uncheck(w, "Pasta, Sauces, and Grains");
        w.BtnNext->click();

        ASSERT_EQ(w.Page(), 3);
        EXPECT_FALSE(w.BtnNext->isEnabled());
        EXPECT_TRUE(w.BtnFinish->isEnabled());
        EXPECT_EQ(w.NextAisleNumber(), 13);
        // Nothing selected: the last entry goes.
        w.BtnRemoveAisle->click();
        EXPECT_EQ(Texts(w.ListAisleOrder).last(), "Dairy");
        // Move "Deli" above "Produce"; the Move buttons follow the selection.
        Select(w.ListAisleOrder, "Deli");
        EXPECT_TRUE(w.BtnMoveUpAisle->isEnabled());
        w.BtnMoveUpAisle->click();
        EXPECT_EQ(SelectedRow(w.ListAisleOrder), 0);
        EXPECT_FALSE(w.BtnMoveUpAisle->isEnabled());
        EXPECT_TRUE(w.BtnMoveDownAisle->isEnabled());
        // The aisle list is a plain list: a moved entry grows no check box.
        for (int i = 0; i < w.ListAisleOrder->count(); ++i)
            EXPECT_FALSE(w.ListAisleOrder->item(i)->data(Qt::CheckStateRole).isValid()) << i;
        // The pop-up entries append at the end, unselected.
        w.BtnAddAisle->click();
        EXPECT_TRUE(w.PMenuAddAisle->isVisible());
        w.PMenuAddAisle->close();
        w.AisleMenu->PItemAisleNextNum->trigger();
        w.AisleMenu->PItemAisleBakery->trigger();
        dialogs->expectQuery("Quillmart: New Aisle or Department Name:", "Garden Centre");
        w.AisleMenu->PItemAisleCustom->trigger();
        EXPECT_EQ(SelectedRow(w.ListAisleOrder), 0); // "Deli" stays selected
        // The last of the nine named entries.
        w.AisleMenu->PItemAisleRegister->trigger();
        w.BtnFinish->click();
    });

    EXPECT_EQ(
        File("Safeway"),
        "[Bakery]\r\n[Baking Products]\r\n[Beverages]\r\n[Breakfast]\r\n[Canned and Packaged Foods]\r\n"
        "[Cleaning Products]\r\n[Condiment and Sauces]\r\n[Dairy]\r\n[Deli]\r\n[Frozen]\r\n"
        "[Health and Beauty]\r\n[Home Supplies]\r\n[International]\r\n[Meat and Seafood]\r\n[Other]\r\n"
        "[Paper and Plastics]\r\n[Pet]\r\n[Produce]\r\n[Snacks]\r\n"
        "[--Info--]\r\nStoreURL=http://www.safeway.example\r\n"
        "Aisles=Deli,,Produce,,1,,2,,3,,4,,5,,6,,7,,8,,9,,10,,11,,12,,Dairy,,13,,Bakery,,Garden Centre,,"
        "Register,,\r\n");
    // The picker is filled again, the new store chosen in it and opened.
    EXPECT_EQ(main.calls, (std::vector<std::string>{"FillStoreList", "ReloadStore Safeway"}));
    EXPECT_EQ(main.StoreNames(), (std::vector<AnsiString>{"Corner", "Safeway"}));
    EXPECT_EQ(main.GetCurrentStoreName(), "Safeway");
    EXPECT_EQ(main.Store.Name, "Safeway");
    EXPECT_EQ(main.Store.CategoryCount(), 19);
    EXPECT_TRUE(main.Store.AcceptsCoupons);
}

TEST_F(WizardTest, NextChecksTheNameOnEveryPageAndBackChecksNothing)
{
    Write("Corner", "[Dairy]\r\n");
    main.Open("Corner");
    Play<TFormNewStore>([&](TFormNewStore& w) {
        dialogs->expectBox("Please specify a name");
        w.BtnNext->click();
        EXPECT_EQ(w.Page(), 1);
        EXPECT_EQ(dialogs->seen().back().type, mtError);
        EXPECT_EQ(dialogs->seen().back().buttons, TMsgDlgButtons(mbOK));
        // Stores differ by more than letter case, as the picker tells them apart.
        w.EditStoreName->setText("CORNER");
        dialogs->expectBox("That store already exists");
        w.BtnNext->click();
        EXPECT_EQ(w.Page(), 1);
        EXPECT_EQ(dialogs->seen().back().type, mtError);
        w.EditStoreName->setText("a/b");
        dialogs->expectBox("must not contain \"/\"");
        w.BtnNext->click();
        w.EditStoreName->setText(" Lidl");
        dialogs->expectBox("must not begin or end with a blank");
        w.BtnNext->click();
        EXPECT_EQ(w.Page(), 1);

        w.EditStoreName->setText("Lidl");
        w.BtnNext->click();
        w.BtnNext->click();
        EXPECT_EQ(w.Page(), 3);
        w.BtnBack->click();
        w.BtnBack->click();
        EXPECT_EQ(w.Page(), 1);
        EXPECT_TRUE(w.PanelName->isVisible());
        w.ShowPage(4); // changes nothing
        EXPECT_TRUE(w.PanelName->isVisible());
        w.EditStoreName->setText("corner");
        dialogs->expectBox("That store already exists");
        w.BtnNext->click();
        EXPECT_EQ(w.Page(), 1);
        w.EditStoreName->setText("Lidl");
        w.BtnNext->click();
        w.BtnNext->click();

        // Another program window makes the store meanwhile: Finish does not merge into it.
        qmtest::WriteFile(stores + "lidl.store", "[Meat]\r\n");
        dialogs->expectBox("That store already exists");
        w.BtnFinish->click();
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.Page(), 3);
        fs::remove(stores + "lidl.store");
        w.BtnCancel->click();
    });
    EXPECT_TRUE(main.calls.empty());
    EXPECT_FALSE(fs::exists(stores + "Lidl.store"));
    EXPECT_EQ(main.Store.Name, "Corner");

    // Escape on any page writes nothing either.
    Play<TFormNewStore>([&](TFormNewStore& w) {
        w.EditStoreName->setText("Aldi");
        w.BtnNext->click();
        QTest_Escape(w);
    });
    EXPECT_FALSE(fs::exists(stores + "Aldi.store"));
}

TEST_F(WizardTest, NoCategoriesAndNoAislesLeaveOnlyTheInfoSection)
{
    Play<TFormNewStore>([&](TFormNewStore& w) {
        w.EditStoreName->setText("Kiosk");
        w.EditStoreURL->clear();
        w.BtnNext->click();
        for (int i = 0; i < w.CheckListIncCategories->count(); ++i)
            w.CheckListIncCategories->item(i)->setCheckState(Qt::Unchecked);
        w.BtnNext->click();
        while (w.ListAisleOrder->count() > 0)
            w.BtnRemoveAisle->click();
        w.BtnRemoveAisle->click(); // nothing left to remove
        EXPECT_EQ(w.NextAisleNumber(), 1);
        EXPECT_FALSE(w.BtnMoveUpAisle->isEnabled());
        EXPECT_FALSE(w.BtnMoveDownAisle->isEnabled());
        w.BtnFinish->click();
    });
    EXPECT_EQ(File("Kiosk"), "[--Info--]\r\nStoreURL=\r\nAisles=\r\n");
    EXPECT_EQ(main.GetCurrentStoreName(), "Kiosk");
}

TEST_F(WizardTest, ACustomAisleTheListCouldNotCarryIsRefused)
{
    Play<TFormNewStore>([&](TFormNewStore& w) {
        w.EditStoreName->setText("Kiosk");
        w.BtnNext->click();
        w.BtnNext->click();
        const int before = w.ListAisleOrder->count();
        dialogs->expectQuery("New Aisle or Department Name:", "Front,,Back");
        dialogs->expectBox("must not contain \",,\"");
        w.AisleMenu->PItemAisleCustom->trigger();
        dialogs->expectQuery("New Aisle or Department Name:", "");
        dialogs->expectBox("Please enter an aisle name");
        w.AisleMenu->PItemAisleCustom->trigger();
        dialogs->expectQueryTyped("New Aisle or Department Name:", "Garden \u2618");
        dialogs->expectBox("U+2618");
        w.AisleMenu->PItemAisleCustom->trigger();
        dialogs->expectQuery("New Aisle or Department Name:", "ignored", false);
        w.AisleMenu->PItemAisleCustom->trigger();
        EXPECT_EQ(w.ListAisleOrder->count(), before);
        w.BtnCancel->click();
    });
    EXPECT_FALSE(fs::exists(stores + "Kiosk.store"));
}

TEST_F(WizardTest, AFullDiskLeavesNoHalfStoreAndKeepsTheWizardOpen)
{
    Play<TFormNewStore>([&](TFormNewStore& w) {
        w.EditStoreName->setText("Big");
        w.BtnNext->click();
        w.BtnNext->click();
        {
            qmtest::FileSizeLimit limit(64); // room for a few sections only
            dialogs->expectBox("Cannot write");
            w.BtnFinish->click();
        }
        EXPECT_TRUE(w.isVisible());
        EXPECT_FALSE(fs::exists(stores + "Big.store"));
        w.BtnFinish->click(); // room again: the same wizard finishes
    });
    EXPECT_EQ(File("Big").substr(0, 20), "[Baby]\r\n[Bakery]\r\n[B");
    for (const auto& entry : fs::directory_iterator(stores))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST(AisleNumbers, OnlyARunFromOneInListOrderCounts)
{
    using V = std::vector<AnsiString>;
    EXPECT_EQ(NextAisleNumber(V{"1", "2", "4", "3"}), 4);
    EXPECT_EQ(NextAisleNumber(V{"2", "3"}), 1);
    EXPECT_EQ(NextAisleNumber(V{"0", "1", "0", "2"}), 3);
    EXPECT_EQ(NextAisleNumber(V{"Produce", "1", "Deli", "2", "x3", "3"}), 4);
    EXPECT_EQ(NextAisleNumber(V{}), 1);
    EXPECT_EQ(NextAisleNumber(V{"1", "1", "2"}), 3);
    EXPECT_EQ(NextAisleNumber(V{"2147483647"}), 1);

    EXPECT_EQ(AisleNumber(" 7"), 7);
    EXPECT_EQ(AisleNumber("+3"), 3);
    EXPECT_EQ(AisleNumber("-1"), -1);
    EXPECT_EQ(AisleNumber("7 "), -1);
    EXPECT_EQ(AisleNumber("7a"), -1);
    EXPECT_EQ(AisleNumber(""), -1);
    EXPECT_EQ(AisleNumber("-"), -1);
    EXPECT_EQ(AisleNumber("2147483648"), -1);
    EXPECT_EQ(AisleNumber("99999999999999999999"), -1);
}

} // namespace
