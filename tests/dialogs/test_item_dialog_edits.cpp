// What the item and category dialogs write when their user leaves a field alone, when they
// would replace what a store file holds, when another program took a category out, and when a
// name changes only in letter case; and Edit Item's one rewrite.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <sys/inotify.h>
#include <unistd.h>

#include "TestMain.h"
#include "dialogs/AddCategoryUnit.h"
#include "dialogs/AddItemUnit.h"
#include "dialogs/AddMultItemsUnit.h"
#include "dialogs/CopyCategoryUnit.h"
#include "dialogs/CopyItemUnit.h"
#include "dialogs/EditAisleCatUnit.h"
#include "dialogs/EditCategoryUnit.h"
#include "dialogs/EditItemsUnit.h"
#include "dialogs/ItemDialogSupport.h"
#include "store/StoreFiles.h"

namespace {

using namespace qm;

// Aisles renamed since some items and guesses got theirs ("1", "11"), an aisle spelled otherwise
// than in the list ("back"), a short line, a category without an aisle guess, and a name two
// categories share in different spellings.
const std::string kShop = "[--Info--]\r\n"
                          "Aisles=Front,,Back,,\r\n"
                          "LastItemSelected=Apples&-&Fruit\r\n"
                          "[--Aisle Guesses--]\r\n"
                          "Fruit=Front\r\n"
                          "Snacks=11\r\n"
                          "[Fruit]\r\n"
                          "Apples=Front,-,,-,1,-,0,-,0,-,0,-,\r\n"
                          "Bananas=1,-,ripe,-,2,-,1,-,46400,-,0,-,\r\n"
                          "[Produce]\r\n"
                          "bananas=Front,-,,-,0,-,0,-,0,-,0,-,\r\n"
                          "Kiwi=back,-,,-,3\r\n"
                          "[Snacks]\r\n"
                          "Chips=11,-,,-,0,-,0,-,0,-,0,-,\r\n"
                          "Nuts=Back,-,,-,1,-,0,-,0,-,0,-,\r\n";
// Another store of the picker, whose Apples would take a coupon carried from the shop's.
const std::string kCorner = "[Fruit]\r\nApples=A9,-,,-,0,-,1,-,0,-,0,-,\r\n";

class ItemDialogEditTest : public qmtest::DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        Write("Shop", kShop);
        Write("Corner", kCorner);
        main.Open("Shop");
    }
    // Another program writes the store files, as a second window's commands do.
    void OtherProgram(const std::function<void(const StoreContext&)>& change)
    {
        ASSERT_EQ(qmtest::InChild([&] {
                      change(StoreContext{stores, ListStoreNames(stores)});
                      return std::string("done");
                  }),
                  "done");
    }
};

// Boxes answered by the script; meanwhile runs at the first, as another program writing while
// the box waits for its answer.
class BoxesMeanwhile : public ScriptedDialogs {
public:
    int messageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int help) override
    {
        if (meanwhile)
            std::exchange(meanwhile, nullptr)();
        return ScriptedDialogs::messageDlg(msg, type, buttons, help);
    }
    std::function<void()> meanwhile;
};

// ---- Fields left alone ----

// Each dialog confirmed as it opened leaves every file as it was, whatever the line looks like;
// each aisle box shows the row's aisle, also one the store's list lacks ("1", "11").
TEST_F(ItemDialogEditTest, AnOkThatChangesNothingLeavesEveryFileAsItWas)
{
    const std::pair<const char*, const char*> rows[] = {
        {"Apples", "Front"}, {"Bananas", "1"}, {"Kiwi", "Back"}, {"Chips", "11"},
        {"Fruit", "Front"},  {"Produce", ""},  {"Snacks", "11"}};
    for (const auto& [row, aisle] : rows) {
        main.Select(row);
        const auto ok = [&](auto& f) {
            EXPECT_EQ(f.ComboAisle->currentText(), aisle) << row;
            f.BtnOK->click();
        };
        if (main.Store.SelItem >= 0)
            Play<TFormEditItem>(ok);
        else
            Play<TFormEditCategory>(ok);
        EXPECT_EQ(File("Shop"), kShop) << row;
    }
    EXPECT_EQ(File("Corner"), kCorner);
}

// An aisle the list lacks stays the item's or category's while its box is left alone, and is
// what the add dialogs and Change Aisle start from.
TEST_F(ItemDialogEditTest, AnAisleTheListLacksIsShownAndKept)
{
    const StoreContext ctx{stores, {}};
    main.Select("Bananas");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        f.SpinQty->setValue(5);
        f.BtnOK->click();
    });
    EXPECT_EQ(ReadStoreString(ctx, "Shop", "Fruit", "Bananas"), "1,-,ripe,-,5,-,1,-,46400,-,0");

    main.Select("Snacks");
    Play<TFormAddMultItems>([&](TFormAddMultItems& f) {
        f.ComboCategory->setCurrentIndex(f.ComboCategory->findText("Fruit"));
        EXPECT_EQ(f.ComboAisle->count(), 3); // Front's place: no entry for "11" any more
        f.ComboCategory->setCurrentIndex(f.ComboCategory->findText("Snacks"));
        f.MemoItemNames->setPlainText("Popcorn");
        f.BtnOK->click();
    });
    EXPECT_EQ(ReadStoreString(ctx, "Shop", "Snacks", "Popcorn"), "11,-,,-,0,-,0,-,,-,");

    dialogs->expectBox("put all items in Snacks into the aisle/dept. \"11\"?", mrYes);
    Play<TFormEditCatAisle>([&](TFormEditCatAisle& f) { f.BtnOK->click(); });
    EXPECT_EQ(ReadStoreString(ctx, "Shop", "Snacks", "Nuts"), "11,-,,-,1,-,0,-,0,-,0");
    main.Select("Snacks");
    Play<TFormEditCategory>([&](TFormEditCategory& f) {
        f.EditCategoryName->setText("Crisps");
        f.BtnOK->click();
    });
    EXPECT_EQ(ReadStoreString(ctx, "Shop", kAisleGuessesSection, "Crisps"), "11");
}

// ---- Replacing what a file holds ----

// Each change that would replace what a file holds asks first, naming it: No writes nothing and
// keeps the dialog open; Yes makes the change as it was made unasked.
TEST_F(ItemDialogEditTest, ReplacingAsksFirst)
{
    const auto toCorner = [](auto& f) {
        f.ComboStores->setCurrentIndex(f.ComboStores->findText("Corner"));
        f.BtnOK->click();
    };
    const char* const copied = "Apples already exists in Fruit in the store \"Corner\". Replace it?";
    const std::tuple<const char*, std::function<void()>, const char*> cases[] = {
        {"Apples", [&] { Play<TFormCopyItem>(toCorner); }, copied},
        {"Fruit", [&] { Play<TFormCopyCategory>(toCorner); }, copied},
        {"Fruit",
         [&] {
             Play<TFormAddCategory>([](TFormAddCategory& f) {
                 f.EditCategoryName->setText("fruit");
                 f.ComboAisle->setCurrentIndex(f.ComboAisle->findText("Back"));
                 f.BtnOK->click();
             });
         },
         "The category \"Fruit\" already exists. Replace its default aisle/dept. \"Front\"?"},
        {"Fruit",
         [&] {
             Play<TFormEditCategory>([](TFormEditCategory& f) {
                 f.EditCategoryName->setText("Produce");
                 f.BtnOK->click();
             });
         },
         "bananas already exists in Produce. Replace it?"},
    };
    for (const int answer : {mrNo, mrYes}) {
        for (const auto& [row, play, question] : cases) {
            const std::string before = File("Shop") + File("Corner");
            main.Select(row);
            dialogs->expectBox(question, answer);
            play();
            EXPECT_EQ(stayedOpen, answer == mrNo) << question;
            EXPECT_EQ(File("Shop") + File("Corner") == before, answer == mrNo) << question;
        }
    }
    const StoreContext ctx{stores, {}};
    EXPECT_EQ(ReadStoreSectionKeys(ctx, "Shop", "Produce"), "bananas,,Kiwi,,Apples,,");
    EXPECT_EQ(ReadStoreString(ctx, "Shop", "Produce", "Bananas"), "1,-,ripe,-,2,-,1,-,46400,-,0");
    EXPECT_EQ(ReadStoreString(ctx, "Shop", kAisleGuessesSection, "Produce"), "Back");
}

TEST(ReplaceQuestionTest, ListsTenNamesAtMost)
{
    std::vector<AnsiString> names;
    for (int n = 1; n <= 13; ++n)
        names.push_back("I" + std::to_string(n));
    EXPECT_EQ(ReplaceQuestion({"I1", "I2", "I3"}, "Dairy"),
              "I1, I2 and I3 already exist in Dairy. Replace them?");
    EXPECT_EQ(ReplaceQuestion(names, "Dairy"),
              "I1, I2, I3, I4, I5, I6, I7, I8, I9, I10 and 3 more already exist in Dairy. Replace them?");
}

// The question is of the other store as its file holds it when written: an item of a copied
// name that another program writes there while the question waits is asked about too.
TEST_F(ItemDialogEditTest, TheCopyQuestionIsAskedAgainOfWhatAnotherProgramWroteMeanwhile)
{
    auto boxes = std::make_shared<BoxesMeanwhile>();
    SetDialogHandler(dialogs = boxes);
    boxes->meanwhile = [&] {
        OtherProgram([](const StoreContext& ctx) {
            WriteStoreString(ctx, "Corner", "Fruit", "Bananas", "A9,-,green,-,6,-,0,-,0,-,1");
        });
    };
    main.Select("Fruit");
    dialogs->expectBox("Apples already exists in Fruit in the store \"Corner\". Replace it?", mrYes)
        .expectBox("Apples and Bananas already exist in Fruit", mrNo);
    Play<TFormCopyCategory>([&](TFormCopyCategory& f) {
        f.ComboStores->setCurrentIndex(0);
        f.BtnOK->click();
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(File("Corner"), kCorner + "Bananas=A9,-,green,-,6,-,0,-,0,-,1\r\n");
}

// ---- Categories another program took out ----

// A category taken out while the Replace question waits is found when the write finds the file
// changed: it is said so, and nothing is written.
TEST_F(ItemDialogEditTest, AddItemLooksAgainAtTheCategoryWhenTheFileChangedUnderItsQuestion)
{
    auto boxes = std::make_shared<BoxesMeanwhile>();
    SetDialogHandler(dialogs = boxes);
    boxes->meanwhile = [&] {
        OtherProgram([](const StoreContext& ctx) { EraseStoreSection(ctx, "Shop", "Produce"); });
    };
    main.Select("Produce");
    dialogs->expectBox("Kiwi already exists in Produce. Replace it?", mrYes)
        .expectBox(
            "Another program took the category \"Produce\" out of this store, so nothing was changed.");
    Play<TFormAddItem>([&](TFormAddItem& f) {
        f.EditItemName->setText("Kiwi");
        f.BtnOK->click();
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(File("Shop"),
              qmtest::Replaced(
                  kShop, {{"[Produce]\r\nbananas=Front,-,,-,0,-,0,-,0,-,0,-,\r\nKiwi=back,-,,-,3\r\n", ""}}));
}

// An item moved into a category taken out meanwhile would make it again with that item only.
TEST_F(ItemDialogEditTest, EditItemDoesNotMoveAnItemIntoACategoryTakenOut)
{
    main.Select("Apples");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        OtherProgram([](const StoreContext& ctx) { EraseStoreSection(ctx, "Shop", "Produce"); });
        f.ComboCategory->setCurrentIndex(f.ComboCategory->findText("Produce"));
        dialogs->expectBox("Another program took the category \"Produce\" out of this store");
        f.BtnOK->click();
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(ReadStoreCategories(StoreContext{stores, {}}, "Shop"), "Fruit,,Snacks,,");
}

// ---- Names changed in letter case only ----

// The key, or the section with its lines, goes to the end of its section or of the file under
// the new spelling, its lines as they were; no coupon is carried.
TEST_F(ItemDialogEditTest, ANewSpellingOfTheSameNameIsWritten)
{
    main.Select("Apples");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        f.EditItemName->setText("apples");
        f.BtnOK->click();
    });
    main.Select("Fruit");
    Play<TFormEditCategory>([&](TFormEditCategory& f) {
        f.EditCategoryName->setText("FRUIT");
        f.BtnOK->click();
    });
    const std::string fruit =
        "Bananas=1,-,ripe,-,2,-,1,-,46400,-,0,-,\r\napples=Front,-,,-,1,-,0,-,0,-,0,-,\r\n";
    EXPECT_EQ(File("Shop"),
              qmtest::Replaced(kShop, {{"Fruit=Front\r\nSnacks=11\r\n", "Snacks=11\r\nFRUIT=Front\r\n"},
                                       {"[Fruit]\r\nApples=Front,-,,-,1,-,0,-,0,-,0,-,\r\n"
                                        "Bananas=1,-,ripe,-,2,-,1,-,46400,-,0,-,\r\n",
                                        ""}}) +
                  "[FRUIT]\r\n" + fruit);
    EXPECT_EQ(File("Corner"), kCorner);
}

TEST_F(ItemDialogEditTest, TabInAddMultipleItemsMovesOnInsteadOfTypingATab)
{
    Play<TFormAddMultItems>([&](TFormAddMultItems& f) {
        QTest::keyClicks(f.MemoItemNames, "Plums");
        QTest::keyClick(f.MemoItemNames, Qt::Key_Tab);
        EXPECT_EQ(f.MemoItemNames->toPlainText(), "Plums");
        EXPECT_EQ(f.focusWidget(), f.ComboCategory);
    });
}

// The item's line, its new name and its new category reach the file in one rewrite (a new file
// put in place of the old), so no refusal can leave a part of them written.
TEST_F(ItemDialogEditTest, EditItemMakesItsChangesInOneRewrite)
{
    const int watch = inotify_init1(IN_NONBLOCK);
    inotify_add_watch(watch, stores.c_str(), IN_MOVED_TO);
    main.Select("Apples");
    Play<TFormEditItem>([&](TFormEditItem& f) {
        f.EditItemName->setText("Green Apples");
        f.ComboCategory->setCurrentIndex(f.ComboCategory->findText("Produce"));
        f.SpinQty->setValue(4);
        f.BtnOK->click();
    });
    alignas(inotify_event) char events[4096];
    const ssize_t size = read(watch, events, sizeof events);
    close(watch);
    int rewrites = 0; // of the shop's file; the coupon carried to Corner rewrites that one
    for (ssize_t at = 0; at < size;
         at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(events + at)->len)
        rewrites += std::string(reinterpret_cast<inotify_event*>(events + at)->name) == "Shop.store";
    EXPECT_EQ(rewrites, 1);
    EXPECT_EQ(ReadStoreString(StoreContext{stores, {}}, "Shop", "Produce", "Green Apples"),
              "Front,-,,-,4,-,0,-,0,-,0");
}

} // namespace
