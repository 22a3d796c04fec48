// The aisle and errand editors on a real store file: what they show, what each button does,
// and what OK and Cancel leave in the file.
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "TestMain.h"
#include "dialogs/AisleList.h"
#include "dialogs/EditAislesUnit.h"
#include "dialogs/EditErrandsUnit.h"

namespace {

using namespace qm;

const char* const kBeta =
    "[--Info--]\r\nAisles=A1,,A2,,Deli,,\r\n[--Errands--]\r\nBank=1\r\nPost=0\r\nCleaners=1\r\n"
    "[Dairy]\r\nMilk=A2,-,,-,2\r\n";

class EditorTest : public qmtest::DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        Write("beta", kBeta);
        main.Open("beta");
    }
    static QString Checks(const QListWidget* list)
    {
        QString out;
        for (int i = 0; i < list->count(); ++i)
            out += list->item(i)->checkState() == Qt::Checked ? '1' : '0';
        return out;
    }
};

TEST_F(EditorTest, TheAisleEditorEditsACopyAndWritesTheWholeListOnOK)
{
    Play<TFormAisles>([&](TFormAisles& d) {
        EXPECT_EQ(Texts(d.ListAisles), QStringList({"A1", "A2", "Deli"}));
        EXPECT_EQ(SelectedRow(d.ListAisles), -1);
        EXPECT_FALSE(d.BtnMoveUp->isEnabled());
        EXPECT_FALSE(d.BtnMoveDown->isEnabled());
        // Delete, Rename and the Move buttons do nothing without a selection.
        d.BtnDelete->click();
        d.BtnRename->click();

        // Adding selects the new entry, or the first entry equal to it without regard to case.
        d.AisleMenu->PItemAisleNextNum->trigger();
        EXPECT_EQ(d.ListAisles->item(3)->text(), "1");
        EXPECT_EQ(SelectedRow(d.ListAisles), 3);
        EXPECT_TRUE(d.BtnMoveUp->isEnabled());
        EXPECT_FALSE(d.BtnMoveDown->isEnabled());
        d.AisleMenu->PItemAisleDeli->trigger();
        EXPECT_EQ(SelectedRow(d.ListAisles), 2);
        dialogs->expectQuery("Edit Aisles/Departments: Aisle/Dept. Name:", "Back Wall");
        d.AisleMenu->PItemAisleCustom->trigger();
        EXPECT_EQ(SelectedRow(d.ListAisles), 5);
        dialogs->expectQuery("Aisle/Dept. Name:", "x", false);
        d.AisleMenu->PItemAisleCustom->trigger();
        EXPECT_EQ(SelectedRow(d.ListAisles), -1);

        // Rename: the entry only; a refused name changes nothing.
        SelectListRow(d.ListAisles, 1);
        dialogs->expectQuery("Edit Aisles/Departments: Aisle Name:", "Aisle 2");
        d.BtnRename->click();
        EXPECT_EQ(dialogs->seen().back().initial, "A2");
        dialogs->expectQuery("Aisle Name:", "Front,-,Back");
        dialogs->expectBox("\",-,\"");
        d.BtnRename->click();
        dialogs->expectQueryTyped("Aisle Name:", "\u2192 Exit");
        dialogs->expectBox("U+2192");
        d.BtnRename->click();
        dialogs->expectQueryTyped("Aisle/Dept. Name:", "\u2192 Exit");
        dialogs->expectBox("U+2192");
        d.AisleMenu->PItemAisleCustom->trigger();
        EXPECT_EQ(d.ListAisles->count(), 6);
        EXPECT_EQ(d.ListAisles->item(1)->text(), "Aisle 2");

        // Delete asks first; No keeps the entry.
        SelectListRow(d.ListAisles, 0);
        dialogs->expectBox("Are you sure you want to delete the aisle/dept. \"A1\"?", mrNo);
        d.BtnDelete->click();
        EXPECT_EQ(d.ListAisles->count(), 6);
        EXPECT_EQ(dialogs->seen().back().type, mtConfirmation); // the question icon
        EXPECT_EQ(dialogs->seen().back().buttons, TMsgDlgButtons(mbYes | mbNo));
        dialogs->expectBox("\"A1\"?", mrYes);
        d.BtnDelete->click();
        // Nothing is selected afterwards, so a second Delete cannot take the next entry.
        EXPECT_EQ(SelectedRow(d.ListAisles), -1);
        EXPECT_FALSE(d.BtnMoveDown->isEnabled());
        EXPECT_EQ(Texts(d.ListAisles), QStringList({"Aisle 2", "Deli", "1", "Deli", "Back Wall"}));

        // The selection moves with its entry.
        SelectListRow(d.ListAisles, 4);
        d.BtnMoveUp->click();
        d.BtnMoveUp->click();
        EXPECT_EQ(SelectedRow(d.ListAisles), 2);
        d.BtnMoveDown->click();
        EXPECT_EQ(Texts(d.ListAisles), QStringList({"Aisle 2", "Deli", "1", "Back Wall", "Deli"}));
        for (int i = 0; i < d.ListAisles->count(); ++i)
            EXPECT_FALSE(d.ListAisles->item(i)->data(Qt::CheckStateRole).isValid()) << i;
        d.BtnOK->click();
    });
    EXPECT_EQ(main.calls, std::vector<std::string>{"ReloadStore beta"});
    EXPECT_EQ(File("beta"),
              "[--Info--]\r\nAisles=Aisle 2,,Deli,,1,,Back Wall,,Deli,,\r\n[--Errands--]\r\nBank=1\r\n"
              "Post=0\r\nCleaners=1\r\n[Dairy]\r\nMilk=A2,-,,-,2\r\n");
    // The store is loaded again: the item's aisle keeps its old text, no longer a listed aisle.
    EXPECT_EQ(main.Store.AisleCount(), 5);
    EXPECT_EQ(main.Store.Categories[0].Items[0].AisleIndex, -1);

    // Cancel writes nothing.
    Play<TFormAisles>([&](TFormAisles& d) {
        d.AisleMenu->PItemAisleBakery->trigger();
        d.BtnCancel->click();
    });
    EXPECT_EQ(main.calls.size(), 1u);
    EXPECT_EQ(main.Store.AisleCount(), 5);
}

TEST_F(EditorTest, AnEmptyAisleListIsWrittenAsAnEmptyValue)
{
    Write("beta", "[Dairy]\r\n");
    main.LoadStore("beta");
    Play<TFormAisles>([&](TFormAisles& d) {
        EXPECT_EQ(d.ListAisles->count(), 0);
        d.BtnOK->click();
    });
    EXPECT_EQ(File("beta"), "[Dairy]\r\n[--Info--]\r\nAisles=\r\n");
}

TEST_F(EditorTest, TheErrandEditorRewritesTheSectionInListOrder)
{
    Play<TFormErrands>([&](TFormErrands& d) {
        EXPECT_EQ(d.LabelCaption->text(), "Errands for beta:");
        EXPECT_EQ(Texts(d.CheckListErrands), QStringList({"Bank", "Post", "Cleaners"}));
        EXPECT_EQ(Checks(d.CheckListErrands), "101");
        EXPECT_EQ(SelectedRow(d.CheckListErrands), -1);

        // A blank name is refused with the editor's own words, any other bad one with the rules'.
        dialogs->expectQuery("Errands: Errand Name:", "");
        dialogs->expectBox("Error: Name cannot be blank");
        d.BtnAdd->click();
        EXPECT_EQ(dialogs->seen().back().type, mtError);
        dialogs->expectQuery("Errand Name:", "Pay=bills");
        dialogs->expectBox("must not contain \"=\"");
        d.BtnAdd->click();
        // A character the store file cannot hold is named, not turned into "?".
        dialogs->expectQueryTyped("Errand Name:", "Caf\u00e9 \u2615");
        dialogs->expectBox("U+2615");
        d.BtnAdd->click();
        EXPECT_EQ(d.CheckListErrands->count(), 3);
        SelectListRow(d.CheckListErrands, 1);
        dialogs->expectQuery("Errand Name:", "Pharmacy");
        d.BtnAdd->click();
        EXPECT_EQ(SelectedRow(d.CheckListErrands), 1); // the selection does not change
        EXPECT_EQ(Checks(d.CheckListErrands), "1010");

        // Rename keeps the check mark; a blank rename is refused.
        SelectListRow(d.CheckListErrands, 0);
        dialogs->expectQuery("Errand Name:", "Bank and ATM");
        d.BtnRename->click();
        EXPECT_EQ(dialogs->seen().back().initial, "Bank");
        dialogs->expectQuery("Errand Name:", "");
        dialogs->expectBox("Error: Name cannot be blank");
        d.BtnRename->click();
        dialogs->expectQueryTyped("Errand Name:", "Bank \u20b9");
        dialogs->expectBox("U+20B9");
        d.BtnRename->click();
        EXPECT_EQ(d.CheckListErrands->item(0)->text(), "Bank and ATM");

        // Check marks move with their entries.
        d.BtnMoveDown->click();
        d.BtnMoveDown->click();
        EXPECT_EQ(Texts(d.CheckListErrands), QStringList({"Post", "Cleaners", "Bank and ATM", "Pharmacy"}));
        EXPECT_EQ(Checks(d.CheckListErrands), "0110");
        EXPECT_EQ(SelectedRow(d.CheckListErrands), 2);

        SelectListRow(d.CheckListErrands, 1);
        dialogs->expectBox("Are you sure you want to delete this errand?", mrYes);
        d.BtnDelete->click();
        EXPECT_EQ(dialogs->seen().back().type, mtConfirmation);
        d.BtnSelectNone->click();
        EXPECT_EQ(Checks(d.CheckListErrands), "000");
        d.BtnSelectAll->click();
        d.CheckListErrands->item(0)->setCheckState(Qt::Unchecked);
        d.BtnOK->click();
    });
    EXPECT_EQ(main.calls, std::vector<std::string>{"ReloadStore beta"});
    EXPECT_EQ(File("beta"), "[--Info--]\r\nAisles=A1,,A2,,Deli,,\r\n[Dairy]\r\nMilk=A2,-,,-,2\r\n"
                            "[--Errands--]\r\nPost=0\r\nBank and ATM=1\r\nPharmacy=1\r\n");
    ASSERT_EQ(main.Store.ErrandCount(), 3);
    EXPECT_EQ(main.Store.ErrandsOnList, 2);
}

TEST_F(EditorTest, TwoErrandsOfOneNameBecomeOneKeyAndCancelWritesNothing)
{
    Play<TFormErrands>([&](TFormErrands& d) {
        dialogs->expectQuery("Errand Name:", "BANK");
        d.BtnAdd->click(); // unchecked, after the checked "Bank"
        d.BtnOK->click();
    });
    // The first one's place, the last one's mark.
    EXPECT_EQ(File("beta"), "[--Info--]\r\nAisles=A1,,A2,,Deli,,\r\n[Dairy]\r\nMilk=A2,-,,-,2\r\n"
                            "[--Errands--]\r\nBank=0\r\nPost=0\r\nCleaners=1\r\n");

    const std::string before = File("beta");
    Play<TFormErrands>([&](TFormErrands& d) {
        d.BtnSelectAll->click();
        d.BtnCancel->click();
    });
    EXPECT_EQ(File("beta"), before);
}

} // namespace
