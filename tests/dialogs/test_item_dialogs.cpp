// The item and category dialogs, filled as a user fills them, on real store files that are
// compared byte for byte afterwards.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>

#include "TestMain.h"
#include "dialogs/AddCategoryUnit.h"
#include "dialogs/AddItemUnit.h"
#include "dialogs/AddMultItemsUnit.h"
#include "dialogs/CopyCategoryUnit.h"
#include "dialogs/EditAisleCatUnit.h"
#include "dialogs/EditCategoryUnit.h"
#include "dialogs/EditItemsUnit.h"
#include "platform/Clock.h"

namespace {

using namespace qm;
namespace fs = std::filesystem;

// The open store: three aisles, two categories with aisle guesses, Milk with a dated coupon.
const std::string kMain = "[--Info--]\r\n"
                          "Aisles=Front,,Middle,,Back,,\r\n"
                          "LastItemSelected=Milk&-&Dairy\r\n"
                          "[--Aisle Guesses--]\r\n"
                          "Dairy=Back\r\n"
                          "Produce=Front\r\n"
                          "[Dairy]\r\n"
                          "Milk=Back,-,2%,-,2,-,1,-,46400,-,0,-,\r\n"
                          "Eggs=Back,-,,-,0,-,0,-,0,-,0,-,\r\n"
                          "[Produce]\r\n"
                          "Kiwi=Front,-,,-,3,-,0,-,0,-,0,-,\r\n";
const std::string kDairyItems =
    "Milk=Back,-,2%,-,2,-,1,-,46400,-,0,-,\r\nEggs=Back,-,,-,0,-,0,-,0,-,0,-,\r\n";
// Another store holding one of the open store's items.
const std::string kOther = "[Dairy]\r\n"
                           "Milk=Aisle 9,-,,-,1,-,0,-,0,-,0\r\n";
const std::string kThird = "[Bakery]\r\n"
                           "Bread=,-,,-,1\r\n";

// The open store's file with pieces of its text replaced, each (from, to) at its first place.
std::string MainWith(std::initializer_list<std::pair<std::string, std::string>> changes)
{
    return qmtest::Replaced(kMain, changes);
}

class ItemDialogTest : public qmtest::DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        SetTestNow(EncodeDate(2026, 12, 7) + 0.5);
        Write("Main", kMain);
        Write("Other", kOther);
        Write("Third", kThird);
        main.Open("Main");
    }
    void TearDown() override
    {
        SetTestNow(std::nullopt);
        DialogTest::TearDown();
    }
    static int indexOf(const QComboBox* combo, const char* text) { return combo->findText(text); }
};

TEST_F(ItemDialogTest, AddItemOffersTheSelectedCategoryAndWritesTheNewLine)
{
    Play<TFormAddItem>([&](TFormAddItem& f) {
        EXPECT_EQ(f.ComboCategory->currentText(), "Dairy");
        EXPECT_EQ(f.ComboAisle->currentText(), "Back");
        EXPECT_EQ(f.ComboAisle->count(), 4); // the empty entry and the three aisles
        f.ComboCategory->setCurrentIndex(indexOf(f.ComboCategory, "Produce"));
        EXPECT_EQ(f.ComboAisle->currentText(), "Front"); // Produce's guess
        f.ComboAisle->setCurrentIndex(indexOf(f.ComboAisle, "Middle"));
        f.EditItemName->setText("Apples");
        f.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(File("Main"), kMain + "Apples=Middle,-,,-,0,-,0,-,,-,\r\n");
    // The reload renumbers the rows: the new one is selected, then the shopping list rebuilt.
    EXPECT_EQ(main.calls, (std::vector<std::string>{"LoadStore Main", "DrawItemList", "SelectRow 1 0",
                                                    "BuildShoppingList", "DrawShoppingList"}));
    EXPECT_EQ(main.GetSelectedItemName(), "Apples");
    EXPECT_EQ(main.Store.ItemAt(main.Store.SelCategory, main.Store.SelItem).AisleIndex, 1);

    // Adding a name the category has replaces its line once confirmed, and the shopping list
    // follows.
    dialogs->expectBox("Kiwi already exists in Produce. Replace it?", mrYes);
    Play<TFormAddItem>([&](TFormAddItem& f) {
        f.ComboCategory->setCurrentIndex(indexOf(f.ComboCategory, "Produce"));
        f.EditItemName->setText("kiwi");
        f.BtnOK->click();
    });
    EXPECT_NE(File("Main").find("Kiwi=Front,-,,-,0,-,0,-,,-,\r\n"), std::string::npos) << File("Main");
    EXPECT_EQ(main.status, "Items to buy: 2.  With coupons: 1");
    EXPECT_EQ(File("Other"), kOther);
}

TEST_F(ItemDialogTest, AddItemAsksBeforeItReplacesAnItemTheCategoryHasInTheFile)
{
    // No: nothing is written and the dialog stays open for another name.
    main.Select("Milk");
    dialogs->expectBox("Milk already exists in Dairy. Replace it?", mrNo);
    Play<TFormAddItem>([&](TFormAddItem& f) {
        f.EditItemName->setText("mILK");
        f.BtnOK->click();
    });
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(dialogs->seen().size(), 1u);
    EXPECT_EQ(dialogs->seen().back().type, mtConfirmation);
    EXPECT_EQ(dialogs->seen().back().buttons, TMsgDlgButtons(mbYes | mbNo));
    EXPECT_EQ(File("Main"), kMain);
    EXPECT_TRUE(main.calls.empty());

    // Yes: the line is replaced as before the question, under the file's spelling.
    dialogs->expectBox("Milk already exists in Dairy", mrYes);
    Play<TFormAddItem>([&](TFormAddItem& f) {
        f.EditItemName->setText("mILK");
        f.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(File("Main"),
              MainWith({{"Milk=Back,-,2%,-,2,-,1,-,46400,-,0,-,", "Milk=Back,-,,-,0,-,0,-,0,-,0"}}));

    // The same name in another category is no clash; an item another window has just written
    // into the category is one, though this window has not read it.
    Play<TFormAddItem>([&](TFormAddItem& f) {
        f.ComboCategory->setCurrentIndex(indexOf(f.ComboCategory, "Dairy"));
        f.EditItemName->setText("Kiwi");
        f.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    const std::string added = File("Main") + "Skyr=,-,plain,-,4,-,0,-,,-,\r\n";
    Write("Main", added);
    dialogs->expectBox("Skyr already exists in Produce", mrNo);
    Play<TFormAddItem>([&](TFormAddItem& f) {
        f.ComboCategory->setCurrentIndex(indexOf(f.ComboCategory, "Produce"));
        f.EditItemName->setText("Skyr");
        f.BtnOK->click();
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(File("Main"), added);
}

TEST_F(ItemDialogTest, AddMultipleSkipsBlankLinesAndNamesTheCategoryHoldsInOneRewrite)
{
    Write("Other", "[Dairy]\r\nMilk=Aisle 9,-,,-,1,-,0,-,0,-,0\r\nKefir=Aisle 9,-,,-,4,-,1,-,0,-,0\r\n");
    const auto before = fs::last_write_time(stores + "Third.store");
    Play<TFormAddMultItems>([&](TFormAddMultItems& f) {
        EXPECT_EQ(f.ComboCategory->currentText(), "Dairy");
        EXPECT_EQ(f.ComboAisle->currentText(), "Back");
        f.MemoItemNames->setPlainText("Cream\n\nYogurt\nmilk\n   \ncream\nKefir\n");
        f.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(File("Main"),
              MainWith({{"Eggs=Back,-,,-,0,-,0,-,0,-,0,-,\r\n",
                         "Eggs=Back,-,,-,0,-,0,-,0,-,0,-,\r\nCream=Back,-,,-,0,-,0,-,,-,\r\n"
                         "Yogurt=Back,-,,-,0,-,0,-,,-,\r\nKefir=Back,-,,-,0,-,1,-,0,-,0\r\n"}}));
    // The new Kefir takes the coupon Kefir has in the other store, which so keeps it.
    EXPECT_EQ(File("Other"),
              "[Dairy]\r\nMilk=Aisle 9,-,,-,1,-,0,-,0,-,0\r\nKefir=Aisle 9,-,,-,4,-,1,-,0,-,0\r\n");
    EXPECT_EQ(fs::last_write_time(stores + "Third.store"), before);
    EXPECT_EQ(main.GetSelectedCategoryName(), "Dairy");
    EXPECT_EQ(main.Store.SelItem, -1);
    EXPECT_EQ(main.Store.CategoryAt(0).ItemCount(), 5);
}

TEST_F(ItemDialogTest, AnAddedItemKeepsTheCouponItHasInTheOtherStores)
{
    // Yogurt has a dated coupon in Other and a store-only one of its own in Third.
    const std::string other = "[Dairy]\r\nYogurt=Aisle 9,-,plain,-,2,-,1,-,46410,-,0\r\n";
    const std::string third = "[Dairy]\r\nYogurt=,-,,-,1,-,1,-,46500,-,1\r\n";
    Write("Other", other);
    Write("Third", third);
    Play<TFormAddItem>([&](TFormAddItem& f) {
        f.EditItemName->setText("Yogurt");
        f.BtnOK->click();
    });
    EXPECT_NE(File("Main").find("Yogurt=Back,-,,-,0,-,1,-,46410,-,0\r\n"), std::string::npos) << File("Main");
    EXPECT_EQ(File("Other"), other);
    EXPECT_EQ(File("Third"), third);
    const auto [c, i] = main.Store.FindItemByName("Yogurt");
    ASSERT_GE(i, 0);
    EXPECT_TRUE(main.Store.ItemAt(c, i).HasCoupon);
    EXPECT_EQ(main.Store.ItemAt(c, i).CouponExpire, 46410.0);

    // An item no other store has starts without a coupon.
    Play<TFormAddItem>([&](TFormAddItem& f) {
        f.EditItemName->setText("Quark");
        f.BtnOK->click();
    });
    EXPECT_NE(File("Main").find("Quark=Back,-,,-,0,-,0,-,,-,\r\n"), std::string::npos) << File("Main");
}

TEST_F(ItemDialogTest, EditRenamesClampsTheQuantityAndKeepsTheCoupon)
{
    main.Select("Eggs");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        EXPECT_EQ(f.EditItemName->text(), "Eggs");
        EXPECT_EQ(f.ComboCategory->currentText(), "Dairy");
        EXPECT_EQ(f.ComboAisle->currentText(), "Back");
        EXPECT_FALSE(f.CheckCoupon->isChecked());
        EXPECT_TRUE(f.RadioCouponNever->isChecked());
        EXPECT_FALSE(f.RadioCouponNever->isEnabled());
        EXPECT_EQ(f.DateTimeCouponExpire->date(), QDate(2026, 12, 7));
        f.EditItemName->setText("Brown Eggs");
        f.SpinQty->selectAll();
        QTest::keyClicks(f.SpinQty, "150"); // typed key by key past the range, then OK
        f.EditNote->setText("a dozen");
        f.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(File("Main"),
              MainWith({{"Eggs=Back,-,,-,0,-,0,-,0,-,0,-,", "Brown Eggs=Back,-,a dozen,-,99,-,0,-,0,-,0"}}));
    EXPECT_EQ(main.GetSelectedItemName(), "Brown Eggs");
    EXPECT_EQ(main.status, "Items to buy: 104.  With coupons: 1");
}

TEST_F(ItemDialogTest, EditKeepsAQuantityBeyondTheSpinRangeUnlessRetyped)
{
    Write("Main", "[--Info--]\r\nLastItemSelected=Salt&-&Pantry\r\n[Pantry]\r\nSalt=,-,,-,150\r\n");
    main.LoadStore("Main");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        EXPECT_EQ(f.SpinQty->value(), 99);
        f.EditNote->setText("coarse");
        f.BtnOK->click();
    });
    EXPECT_NE(File("Main").find("Salt=,-,coarse,-,150,-,0,-,0,-,0"), std::string::npos) << File("Main");

    Play<TFormEditItem>([&](TFormEditItem& f) {
        f.SpinQty->findChild<QLineEdit*>()->setText("abc"); // not a number: the minimum
        f.BtnOK->click();
    });
    EXPECT_NE(File("Main").find("Salt=,-,coarse,-,0,-,0,-,0,-,0"), std::string::npos) << File("Main");
}

TEST_F(ItemDialogTest, EditMovesToAnotherCategoryWithADatedCouponCarriedOver)
{
    main.Select("Milk");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        EXPECT_TRUE(f.CheckCoupon->isChecked());
        EXPECT_TRUE(f.RadioCouponExpire->isChecked());
        EXPECT_EQ(f.DateTimeCouponExpire->date(), QDate(2027, 1, 13));
        EXPECT_EQ(f.LabelStoresToChange->text(), "Main, Other");
        f.DateTimeCouponExpire->setDate(QDate(2027, 1, 15));
        f.ComboCategory->setCurrentIndex(indexOf(f.ComboCategory, "Produce"));
        f.ComboAisle->setCurrentIndex(0); // no aisle
        f.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(File("Main"), MainWith({{"Milk=Back,-,2%,-,2,-,1,-,46400,-,0,-,\r\n", ""}}) +
                                "Milk=,-,2%,-,2,-,1,-,46402,-,0\r\n");
    EXPECT_EQ(File("Other"), "[Dairy]\r\nMilk=Aisle 9,-,,-,1,-,1,-,46402,-,0\r\n");
    EXPECT_EQ(main.GetSelectedCategoryName(), "Produce");
    EXPECT_EQ(main.GetSelectedItemName(), "Milk");
}

TEST_F(ItemDialogTest, EditTurnsACouponOffAndOnAgainWithoutAnExpiry)
{
    main.Select("Milk");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        f.CheckCoupon->setChecked(false);
        EXPECT_TRUE(f.LabelStoresToChange->text().isEmpty());
        EXPECT_FALSE(f.DateTimeCouponExpire->isEnabled());
        f.BtnOK->click();
    });
    // Off: the expiry and the store-only mark stay as they were.
    EXPECT_NE(File("Main").find("Milk=Back,-,2%,-,2,-,0,-,46400,-,0\r\n"), std::string::npos) << File("Main");
    EXPECT_EQ(File("Other"), "[Dairy]\r\nMilk=Aisle 9,-,,-,1,-,0,-,46400,-,0\r\n");

    Play<TFormEditItem>([&](TFormEditItem& f) {
        EXPECT_FALSE(f.CheckCoupon->isChecked());
        f.CheckCoupon->setChecked(true);
        EXPECT_TRUE(f.RadioCouponNever->isChecked()); // no coupon opened on "Never Expires"
        f.CheckStoreCoupon->setChecked(true);
        EXPECT_EQ(f.LabelStoresToChange->text(), "Main");
        f.BtnOK->click();
    });
    // Store-only: the other store keeps its line.
    EXPECT_NE(File("Main").find("Milk=Back,-,2%,-,2,-,1,-,0,-,1,-,\r\n"), std::string::npos) << File("Main");
    EXPECT_EQ(File("Other"), "[Dairy]\r\nMilk=Aisle 9,-,,-,1,-,0,-,46400,-,0\r\n");
}

TEST_F(ItemDialogTest, EditRefusesANameAnotherItemOfTheTargetCategoryHas)
{
    main.Select("Eggs");
    const std::string before = File("Main");
    dialogs->expectBox("already has an item named \"Milk\"");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        f.EditItemName->setText("MILK");
        f.SpinQty->setValue(5);
        f.BtnOK->click();
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(File("Main"), before);
    EXPECT_EQ(main.Store.ItemAt(main.Store.SelCategory, main.Store.SelItem).Qty, 0);

    // Only the letter case of its own name is no clash.
    Play<TFormEditItem>([&](TFormEditItem& f) {
        f.EditItemName->setText("EGGS");
        f.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
}

TEST_F(ItemDialogTest, EditCategoryRenamesItWithAllItsItemsInOneRewrite)
{
    main.Select("Dairy");
    Play<TFormEditCategory>([&](TFormEditCategory& f) {
        EXPECT_EQ(f.EditCategoryName->text(), "Dairy");
        EXPECT_EQ(f.ComboAisle->currentText(), "Back");
        f.EditCategoryName->setText("Cold Case");
        f.ComboAisle->setCurrentIndex(indexOf(f.ComboAisle, "Middle"));
        f.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    // The section goes to the end under its new name, its aisle guess with it.
    EXPECT_EQ(File("Main"),
              MainWith({{"Dairy=Back\r\nProduce=Front\r\n", "Produce=Front\r\nCold Case=Middle\r\n"},
                        {"[Dairy]\r\n" + kDairyItems, ""}}) +
                  "[Cold Case]\r\n" + kDairyItems);
    EXPECT_EQ(main.GetSelectedCategoryName(), "Cold Case");
    EXPECT_EQ(main.Store.CategoryAt(0).AisleGuess, "Middle");
    EXPECT_EQ(File("Other"), kOther);
}

TEST_F(ItemDialogTest, ChangeAisleAsksFirstAndThenMovesEveryItem)
{
    main.Select("Dairy");
    const std::string before = File("Main");
    const auto play = [&](TFormEditCatAisle& f) {
        EXPECT_EQ(f.LabelCatName->text(), "Dairy");
        EXPECT_EQ(f.LabelItemName->text(), "All Items");
        EXPECT_EQ(f.ComboAisle->currentText(), "Back");
        f.ComboAisle->setCurrentIndex(indexOf(f.ComboAisle, "Front"));
        f.BtnOK->click();
    };
    dialogs->expectBox("Are you sure you want to put all items in Dairy into the aisle/dept. \"Front\"?",
                       mrNo);
    Play<TFormEditCatAisle>(play);
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(dialogs->seen().back().type, mtConfirmation);
    EXPECT_EQ(File("Main"), before);
    EXPECT_TRUE(main.calls.empty());

    dialogs->expectBox("into the aisle/dept. \"Front\"?", mrYes);
    Play<TFormEditCatAisle>(play);
    EXPECT_EQ(main.calls, std::vector<std::string>{"ReloadStore Main"});
    EXPECT_EQ(File("Main"),
              MainWith({{"Dairy=Back", "Dairy=Front"},
                        {"Milk=Back,-,2%,-,2,-,1,-,46400,-,0,-,", "Milk=Front,-,2%,-,2,-,1,-,46400,-,0"},
                        {"Eggs=Back,-,,-,0,-,0,-,0,-,0,-,", "Eggs=Front,-,,-,0,-,0,-,0,-,0"}}));
    // Every line's coupon is carried, as with one write per item.
    EXPECT_EQ(File("Other"), "[Dairy]\r\nMilk=Aisle 9,-,,-,1,-,1,-,46400,-,0\r\n");
    EXPECT_EQ(main.Store.CategoryAt(0).Items[0].AisleIndex, 0);
}

TEST_F(ItemDialogTest, CopyCategoryIntoAStoreThatHasSomeOfItsItems)
{
    main.Select("Dairy");
    dialogs->expectBox("Milk already exists in Dairy in the store \"Other\". Replace it?", mrYes);
    Play<TFormCopyCategory>([&](TFormCopyCategory& f) {
        EXPECT_EQ(f.ComboStores->count(), 2); // never the open store
        EXPECT_EQ(f.ComboStores->currentIndex(), -1);
        EXPECT_FALSE(f.CheckCopyAisle->isChecked());
        f.ComboStores->setCurrentIndex(indexOf(f.ComboStores, "Other"));
        f.BtnOK->click();
    });
    // Each copied line carries the this-store-only mark as its sixth field.
    EXPECT_EQ(File("Other"), "[Dairy]\r\n"
                             "Milk=,-,2%,-,2,-,1,-,46400,-,0\r\n"
                             "Eggs=,-,,-,0,-,0,-,0,-,0\r\n");
    // The copy's coupon is carried back to the open store's own line, as any write of it is.
    EXPECT_NE(File("Main").find("Milk=Back,-,2%,-,2,-,1,-,46400,-,0\r\n"), std::string::npos) << File("Main");

    Play<TFormCopyCategory>([&](TFormCopyCategory& f) {
        f.ComboStores->setCurrentIndex(indexOf(f.ComboStores, "Third"));
        f.CheckCopyAisle->setChecked(true);
        f.BtnOK->click();
    });
    EXPECT_EQ(File("Third"), kThird + "[Dairy]\r\n"
                                      "Eggs=Back,-,,-,0,-,0,-,0,-,0\r\n"
                                      "Milk=Back,-,2%,-,2,-,1,-,46400,-,0\r\n");

    // Without a chosen store nothing is written, and the dialog says so and stays open.
    const std::string third = File("Third");
    dialogs->expectBox("You must choose a store.");
    Play<TFormCopyCategory>([&](TFormCopyCategory& f) { f.BtnOK->click(); });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(dialogs->seen().back().type, mtError);
    EXPECT_EQ(File("Third"), third);
}

TEST_F(ItemDialogTest, AddCategoryWritesAnEmptySectionAndItsAisleGuess)
{
    Play<TFormAddCategory>([&](TFormAddCategory& f) {
        EXPECT_EQ(f.ComboAisle->currentIndex(), -1);
        f.EditCategoryName->setText("Bakery");
        f.ComboAisle->setCurrentIndex(indexOf(f.ComboAisle, "Front"));
        f.BtnOK->click();
    });
    EXPECT_EQ(File("Main"),
              MainWith({{"Produce=Front\r\n", "Produce=Front\r\nBakery=Front\r\n"}}) + "[Bakery]\r\n");
    EXPECT_EQ(main.GetSelectedCategoryName(), "Bakery");
    // The shopping list points at the renumbered rows.
    const QMShopListItem& kiwi = main.ShopList.Aisles[0].Cats[0].Items[0];
    EXPECT_EQ(main.Store.CategoryAt(kiwi.CategoryIndex).Name, "Produce");
}

// Every refusal shows its reason, keeps the dialog open and writes nothing.
TEST_F(ItemDialogTest, NamesTheFileCannotHoldAreRefusedAndNothingIsWritten)
{
    struct ItemCase {
        QString name;
        const char* reason;
    };
    const ItemCase items[] = {
        {"", "You must input a name."},
        {"   ", "must not be empty"},
        {" Milk", "must not begin or end with a blank"},
        {"Milk ", "must not begin or end with a blank"},
        {"a=b", "must not contain \"=\""},
        {"[Milk", "must not begin with \"[\" or \";\""},
        {";Milk", "must not begin with \"[\" or \";\""},
        {"Milk,,2%", "must not contain \",,\""},
        {"Milk,", "nor begin or end with a comma"},
        {"A&-&B", "must not contain \"&-&\""},
        {QString::fromUtf8("\xe6\x97\xa5"), "U+65E5"},
    };
    for (const ItemCase& c : items) {
        dialogs->expectBox(c.reason);
        Play<TFormAddItem>([&](TFormAddItem& f) {
            f.EditItemName->setText(c.name);
            f.BtnOK->click();
        });
        EXPECT_TRUE(stayedOpen) << c.reason;
    }

    // The same rules for a renamed item, and for a line of the add-many memo.
    main.Select("Eggs");
    dialogs->expectBox("must not contain \"=\"");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        f.EditItemName->setText("x=y");
        f.BtnOK->click();
    });
    dialogs->expectBox("The note \"2,-,1\" cannot be used");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        f.EditNote->setText("2,-,1");
        f.BtnOK->click();
    });
    dialogs->expectBox("\"[Bread\"");
    Play<TFormAddMultItems>([&](TFormAddMultItems& f) {
        f.MemoItemNames->setPlainText("Rolls\n[Bread\nBuns");
        f.BtnOK->click();
    });
    dialogs->expectBox("You must input at least one name.");
    Play<TFormAddMultItems>([&](TFormAddMultItems& f) {
        f.MemoItemNames->setPlainText("\n  \n");
        f.BtnOK->click();
    });

    // No category chosen: nothing may go under an empty section name.
    dialogs->expectBox("You must choose a category.");
    Play<TFormAddItem>([&](TFormAddItem& f) {
        f.EditItemName->setText("Rolls");
        f.ComboCategory->setCurrentIndex(-1);
        f.BtnOK->click();
    });
    dialogs->expectBox("You must choose a category.");
    Play<TFormAddMultItems>([&](TFormAddMultItems& f) {
        f.MemoItemNames->setPlainText("Rolls");
        f.ComboCategory->setCurrentIndex(-1);
        f.BtnOK->click();
    });

    const struct {
        const char* name;
        const char* reason;
    } categories[] = {
        {"", "You must input a name."},
        {"Odd]", "must not contain \"]\""},
        {"--Info--", "must not begin with \"--\""},
        {"A=B", "must not contain \"=\""},
        {"A&-&B", "must not contain \"&-&\""},
        {"Deli,,Cheese", "must not contain \",,\""},
    };
    for (const auto& c : categories) {
        dialogs->expectBox(c.reason);
        Play<TFormAddCategory>([&](TFormAddCategory& f) {
            f.EditCategoryName->setText(c.name);
            f.BtnOK->click();
        });
        EXPECT_TRUE(stayedOpen) << c.reason;

        dialogs->expectBox(c.reason);
        Play<TFormEditCategory>([&](TFormEditCategory& f) {
            f.EditCategoryName->setText(c.name);
            f.BtnOK->click();
        });
        EXPECT_TRUE(stayedOpen) << c.reason;
    }

    EXPECT_EQ(File("Main").substr(File("Main").find("[--Aisle")), kMain.substr(kMain.find("[--Aisle")));
    EXPECT_EQ(File("Other"), kOther);
    EXPECT_EQ(File("Third"), kThird);
}

TEST_F(ItemDialogTest, ANameAlreadyInTheFileStaysUsableWhenLeftAsItIs)
{
    // An old file with a category name that new input may not have.
    Write("Main", "[--Info--]\r\nLastItemSelected=&-&Deli=Cheese\r\n[Deli=Cheese]\r\nBrie=,-,,-,1\r\n");
    main.LoadStore("Main");
    ASSERT_EQ(main.GetSelectedCategoryName(), "Deli=Cheese");
    main.Select("Brie");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        f.SpinQty->setValue(4);
        f.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    EXPECT_NE(File("Main").find("Brie=,-,,-,4,-,0,-,0,-,0"), std::string::npos) << File("Main");
}

// Names are shown as they stand, also when they look like markup.
TEST_F(ItemDialogTest, HeadersAndTheStoreListShowNamesAsTyped)
{
    Write("Main", kMain + "[<i>Deli</i>]\r\nHam=,-,,-,1,-,1,-,0,-,0,-,\r\n");
    Write("A <b>Mart", "[<i>Deli</i>]\r\nHam=,-,,-,0\r\n");
    main.Open("Main");
    main.Select("<i>Deli</i>");

    auto shownAsTyped = [](const QLabel* label, const char* text) {
        EXPECT_EQ(label->text(), text);
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << text;
    };
    Play<TFormEditCatAisle>([&](TFormEditCatAisle& f) { shownAsTyped(f.LabelCatName, "<i>Deli</i>"); });
    Play<TFormCopyCategory>([&](TFormCopyCategory& f) { shownAsTyped(f.LabelCatName, "<i>Deli</i>"); });

    main.Select("Ham");
    Play<TFormEditItem>([&](TFormEditItem& f) { shownAsTyped(f.LabelStoresToChange, "A <b>Mart, Main"); });
}

// A coupon valid in the open store only stays so in the copy, so the copy's own carry-over
// does not hand it to the other stores.
TEST_F(ItemDialogTest, CopyCategoryKeepsTheThisStoreOnlyMark)
{
    std::string text = kMain;
    const std::string eggs = "Eggs=Back,-,,-,0,-,0,-,0,-,0,-,";
    text.replace(text.find(eggs), eggs.size(), "Eggs=Back,-,,-,0,-,1,-,46500,-,1,-,");
    Write("Main", text);
    Write("Third", "[Dairy]\r\nEggs=T,-,,-,1,-,0,-,0,-,0\r\n");
    main.LoadStore("Main");
    main.Select("Dairy");
    dialogs->expectBox("Milk already exists in Dairy in the store \"Other\"", mrYes);
    Play<TFormCopyCategory>([&](TFormCopyCategory& f) {
        f.ComboStores->setCurrentIndex(indexOf(f.ComboStores, "Other"));
        f.BtnOK->click();
    });
    EXPECT_EQ(File("Other"), "[Dairy]\r\n"
                             "Milk=,-,2%,-,2,-,1,-,46400,-,0\r\n"
                             "Eggs=,-,,-,0,-,1,-,46500,-,1\r\n");
    EXPECT_EQ(File("Third"), "[Dairy]\r\nEggs=T,-,,-,1,-,0,-,0,-,0\r\n");
}

// A category name of an older file that cannot be a key of "--Aisle Guesses--" does not stop
// the category dialogs: its items get their aisle, and it can be renamed to a name that can.
TEST_F(ItemDialogTest, ACategoryWhoseNameCannotBeAKeyCanBeRenamed)
{
    Write("Main", "[--Info--]\r\nAisles=Front,,Back,,\r\nLastItemSelected=&-&Deli=Cheese\r\n"
                  "[Deli=Cheese]\r\nBrie=,-,,-,1\r\n");
    main.LoadStore("Main");
    ASSERT_EQ(main.GetSelectedCategoryName(), "Deli=Cheese");
    dialogs->expectBox("into the aisle/dept. \"Back\"?", mrYes);
    Play<TFormEditCatAisle>([&](TFormEditCatAisle& f) {
        f.ComboAisle->setCurrentIndex(indexOf(f.ComboAisle, "Back"));
        f.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(File("Main"), "[--Info--]\r\nAisles=Front,,Back,,\r\nLastItemSelected=&-&Deli=Cheese\r\n"
                            "[Deli=Cheese]\r\nBrie=Back,-,,-,1,-,0,-,0,-,0\r\n");

    Play<TFormEditCategory>([&](TFormEditCategory& f) {
        f.EditCategoryName->setText("Deli");
        f.ComboAisle->setCurrentIndex(indexOf(f.ComboAisle, "Front"));
        f.BtnOK->click();
    });
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(File("Main"), "[--Info--]\r\nAisles=Front,,Back,,\r\nLastItemSelected=&-&Deli=Cheese\r\n"
                            "[Deli]\r\nBrie=Back,-,,-,1,-,0,-,0,-,0\r\n"
                            "[--Aisle Guesses--]\r\nDeli=Front\r\n");
    EXPECT_EQ(main.GetSelectedCategoryName(), "Deli");
}

} // namespace
