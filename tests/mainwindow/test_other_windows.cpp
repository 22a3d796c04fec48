// A second program window on the open store's file, in a process of its own: what it wrote is
// never put back by this window, whose writes are made over the store as the file holds it.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <functional>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "dialogs/CopyCategoryUnit.h"
#include "dialogs/CopyItemUnit.h"
#include "dialogs/AddItemUnit.h"
#include "dialogs/AddMultItemsUnit.h"
#include "dialogs/EditAislesUnit.h"
#include "dialogs/EditCategoryUnit.h"
#include "dialogs/CouponUnit.h"
#include "dialogs/EditAisleCatUnit.h"
#include "dialogs/EditErrandsUnit.h"
#include "dialogs/EditItemsUnit.h"
#include "dialogs/NoteUnit.h"
#include "platform/Exception.h"
#include "store/ItemClipboard.h"
#include "store/StoreLoader.h"

namespace {

using namespace qm;
using namespace qmtest;
namespace fs = std::filesystem;

constexpr const char* kHome =
    "[--Info--]\r\nAisles=A1,,A2,,\r\n"
    "[Dairy]\r\nEggs=A1,-,white,-,2,-,0,-,0,-,0,-,\r\nMilk=A2,-,,-,1,-,0,-,0,-,0,-,\r\n"
    "[Fruit]\r\nKiwi=A2,-,,-,0,-,0,-,0,-,0,-,\r\n";

QStringList ListTexts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

class OtherWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        WriteFile(stores + "Corner.store", "[Dairy]\r\nEggs=B1,-,large,-,0,-,0,-,0,-,0,-,\r\n");
    }
    // The window on a fresh Home store, Eggs selected, the item list holding the keyboard.
    void Open()
    {
        WriteFile(stores + "Home.store", kHome);
        Start("Home");
        Control(*form, "ImageItemList").setFocus();
        form->DrawItemList();
        form->SelectRow(0, 0);
    }
    // Another program changes the store files through the store routines, as a second window's
    // commands do.
    void OtherProgram(const std::function<void(const StoreContext&)>& change)
    {
        ASSERT_EQ(InChild([&] {
                      change(StoreContext{stores, ListStoreNames(stores)});
                      return std::string("done");
                  }),
                  "done");
    }
    // A second window on the store reads it, changes the item and writes its line.
    void OtherWindow(const AnsiString& store, const AnsiString& item,
                     const std::function<void(QMItem&)>& change)
    {
        OtherProgram([&](const StoreContext& ctx) {
            QMStore s;
            LoadStoreData(ctx, s, store);
            const auto [c, i] = s.FindItem("Dairy", item);
            change(s.ItemAt(c, i));
            SaveItem(ctx, s, c, i);
        });
    }
    AnsiString Line(const AnsiString& item, const AnsiString& store = "Home")
    {
        return ReadStoreString(StoreContext{stores, {}}, store, "Dairy", item);
    }
    // The item as the window holds it.
    const QMItem& Held(const AnsiString& item)
    {
        const auto [c, i] = form->Store.FindItem("Dairy", item);
        return form->Store.ItemAt(c, i);
    }
};

// Each quantity command changes the quantity the file holds now, keeps the note and the new
// item another window wrote since, and the window shows them.
TEST_F(OtherWindowTest, QuantityCommandsKeepWhatAnotherWindowWrote)
{
    const std::vector<std::pair<std::function<void()>, std::string>> commands = {
        {[&] { Key(*form, Qt::Key_Plus, Qt::KeypadModifier); }, "3"},
        {[&] { Key(*form, Qt::Key_Minus, Qt::KeypadModifier); }, "1"},
        {[&] { Click(*form, "BtnQtyUp"); }, "3"},
        {[&] { ClickAt(Control(*form, "ImageItemList"), 2, form->ItemListRows().RowTop(0, 0) + 3); }, "0"},
    };
    for (const auto& [command, qty] : commands) {
        Open();
        OtherWindow("Home", "Eggs", [](QMItem& item) { item.Note = "brown"; });
        OtherProgram([](const StoreContext& ctx) {
            WriteStoreString(ctx, "Home", "Dairy", "Butter", "A1,-,,-,4,-,0,-,0,-,0");
        });
        command();
        EXPECT_EQ(Line("Eggs"), "A1,-,brown,-," + qty + ",-,0,-,0,-,0");
        EXPECT_EQ(Line("Butter"), "A1,-,,-,4,-,0,-,0,-,0");
        EXPECT_EQ(Held("Eggs").Note, "brown");
        EXPECT_EQ(form->GetSelectedItemName(), "Eggs");
        EXPECT_EQ(PanelText(*form, 2), QString("Items to buy: %1.  With coupons: 0").arg(5 + std::stoi(qty)));
    }
}

// A coupon carried into the store from a window on another store stays, and is not carried
// back cleared.
TEST_F(OtherWindowTest, ACouponCarriedFromAnotherStoresWindowStays)
{
    Open();
    OtherWindow("Corner", "Eggs", [](QMItem& item) { item.HasCoupon = true; });
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Line("Eggs"), "A1,-,white,-,3,-,1,-,0,-,0");
    EXPECT_EQ(Line("Eggs", "Corner"), "B1,-,large,-,0,-,1,-,0,-,0");
    EXPECT_TRUE(Held("Eggs").HasCoupon);
}

// The note, coupon and edit dialogs open on the item as the file holds it, and what the person
// changed goes over the item as the file holds it when they close.
TEST_F(OtherWindowTest, ItemDialogsWriteWhatThePersonChangedOverTheItemAsItNowStands)
{
    Open();
    OtherWindow("Home", "Eggs", [](QMItem& item) { item.Note = "brown"; });
    Play<TFormNote>([&](TFormNote& f) {
        EXPECT_EQ(f.EditNote->text(), "brown");
        OtherWindow("Home", "Eggs", [](QMItem& item) { item.Qty = 7; });
        f.EditNote->setText("green");
        f.BtnOK->click();
    });
    Key(*form, Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_EQ(Line("Eggs"), "A1,-,green,-,7,-,0,-,0,-,0");

    Play<TFormCoupon>([&](TFormCoupon& f) {
        OtherWindow("Home", "Eggs", [](QMItem& item) { item.Note = "speckled"; });
        f.CheckCoupon->setChecked(true);
        f.BtnOK->click();
    });
    Key(*form, Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(Line("Eggs"), "A1,-,speckled,-,7,-,1,-,0,-,0");

    Play<TFormEditItem>([&](TFormEditItem& f) {
        OtherWindow("Home", "Eggs", [](QMItem& item) {
            item.Note = "free range";
            item.Qty = 9;
        });
        f.SpinQty->setValue(4);
        f.BtnOK->click();
    });
    Key(*form, Qt::Key_Space);
    EXPECT_EQ(Line("Eggs"), "A1,-,free range,-,4,-,1,-,0,-,0");
    EXPECT_EQ(Held("Eggs").Qty, 4);
    EXPECT_EQ(modalRuns, 3);
}

// A reset clears the items as the file holds them: another window's note stays where the reset
// leaves notes, and its new item is reset too. One that finds nothing to clear in the window's
// record looks at the file first.
TEST_F(OtherWindowTest, ResetsClearTheItemsAsTheFileHoldsThem)
{
    Open();
    OtherWindow("Home", "Eggs", [](QMItem& item) { item.Note = "brown"; });
    OtherProgram([](const StoreContext& ctx) {
        WriteStoreString(ctx, "Home", "Dairy", "Butter", "A1,-,,-,4,-,0,-,0,-,0");
    });
    dialogs->expectBox("reset all quantities?", mrYes);
    Trigger(*form, "MItemStoreResetQuantities");
    EXPECT_EQ(Line("Eggs"), "A1,-,brown,-,0,-,0,-,0,-,0");
    EXPECT_EQ(Line("Butter"), "A1,-,,-,0,-,0,-,0,-,0");
    EXPECT_EQ(PanelText(*form, 2), "Items to buy: 0.  With coupons: 0");

    OtherWindow("Home", "Milk", [](QMItem& item) {
        item.Qty = 2;
        item.Note = "skim";
    });
    dialogs->expectBox("purchased (checked) items", mrYes);
    Trigger(*form, "MItemStoreResetPurchased");
    EXPECT_EQ(Line("Milk"), "A2,-,,-,0,-,0,-,0,-,0");
}

// Cut takes the item as the file holds it onto the clipboard; a paste into a category another
// window deleted since writes nothing, says so and shows the store as it is.
TEST_F(OtherWindowTest, ClipboardCommandsWorkOnTheStoreAsTheFileHoldsIt)
{
    Open();
    OtherWindow("Home", "Eggs", [](QMItem& item) { item.Note = "brown"; });
    Trigger(*form, "MItemEditCut");
    const std::vector<ClipboardEntry> cut = ReadClipboard(kCompany, kProduct);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].Note, "brown");
    EXPECT_EQ(Line("Eggs"), "");

    form->SelectRow(1, -1);
    OtherProgram([](const StoreContext& ctx) { EraseStoreSection(ctx, "Home", "Fruit"); });
    dialogs->expectBox(
        "Another program took the category \"Fruit\" out of this store, so nothing was changed.");
    Trigger(*form, "MItemEditPaste");
    EXPECT_EQ(ReadStoreCategories(StoreContext{stores, {}}, "Home"), "Dairy,,");
    EXPECT_EQ(form->Store.CategoryCount(), 1);
}

// An item another window deleted is not written back: the store is shown as it now is, the
// item's category selected, a box says why nothing changed, and no dialog opens on the item.
TEST_F(OtherWindowTest, AnItemAnotherWindowDeletedIsNotWrittenBack)
{
    Open();
    OtherProgram([](const StoreContext& ctx) { DeleteStoreKey(ctx, "Home", "Dairy", "Eggs"); });
    dialogs->expectBox("Another program took \"Eggs\" out of Dairy in this store, so nothing was changed.");
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Line("Eggs"), "");
    EXPECT_EQ(form->Store.Categories[0].ItemCount(), 1);
    EXPECT_EQ(Sel(*form), std::make_pair(0, -1));

    form->SelectRow(0, 0);
    OtherProgram([](const StoreContext& ctx) { DeleteStoreKey(ctx, "Home", "Dairy", "Milk"); });
    Play<TFormNote>([](TFormNote& f) { f.BtnOK->click(); });
    Key(*form, Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_EQ(modalRuns, 0);
    EXPECT_EQ(Line("Milk"), "");

    // Copying an item or a category that went while its dialog was open copies nothing.
    form->SelectRow(0, -1);
    Play<TFormCopyCategory>([&](TFormCopyCategory& f) {
        OtherProgram([](const StoreContext& ctx) { EraseStoreSection(ctx, "Home", "Dairy"); });
        f.ComboStores->setCurrentIndex(0);
        f.BtnOK->click();
    });
    dialogs->expectBox("Another program took the category \"Dairy\" out of this store");
    Trigger(*form, "MItemCategoryCopy");
    form->SelectRow(0, 0);
    Play<TFormCopyItem>([&](TFormCopyItem& f) {
        OtherProgram([](const StoreContext& ctx) { DeleteStoreKey(ctx, "Home", "Fruit", "Kiwi"); });
        f.ComboStores->setCurrentIndex(0);
        f.BtnOK->click();
    });
    dialogs->expectBox("Another program took \"Kiwi\" out of Fruit");
    Trigger(*form, "MItemItemCopy");
    EXPECT_EQ(qmtest::ReadFile(stores + "Corner.store"), "[Dairy]\r\nEggs=B1,-,large,-,0,-,0,-,0,-,0,-,\r\n");
}

// Errands another window wrote are there when the errand editor opens, and stay when it
// writes the errands back.
TEST_F(OtherWindowTest, TheErrandEditorKeepsErrandsAnotherWindowWrote)
{
    Open();
    OtherProgram(
        [](const StoreContext& ctx) { WriteStoreString(ctx, "Home", kErrandsSection, "Bank", "1"); });
    Play<TFormErrands>([](TFormErrands& f) {
        EXPECT_EQ(f.CheckListErrands->count(), 1);
        f.BtnOK->click();
    });
    Trigger(*form, "MItemStoreEditErrands");
    EXPECT_EQ(ReadStoreString(StoreContext{stores, {}}, "Home", kErrandsSection, "Bank"), "1");
    EXPECT_EQ(Line("Eggs"), "A1,-,white,-,2,-,0,-,0,-,0,-,");
}

// The find bar's matches follow the store read again: an item another window added is found,
// and the next match follows the selected one.
TEST_F(OtherWindowTest, FindMatchesAreThoseOfTheStoreReadAgain)
{
    Open();
    Trigger(*form, "MItemEditFind");
    QTest::keyClicks(&Control<QLineEdit>(*form, "EditSearch"), "A2");
    EXPECT_EQ(form->GetSelectedItemName(), "Milk");
    OtherProgram([](const StoreContext& ctx) {
        WriteStoreString(ctx, "Home", "Dairy", "Cream", "A2,-,,-,0,-,0,-,0,-,0");
    });
    Click(*form, "BtnQtyUp");
    EXPECT_EQ(Line("Milk"), "A2,-,,-,2,-,0,-,0,-,0");
    Trigger(*form, "MItemEditFindNext");
    EXPECT_EQ(form->GetSelectedItemName(), "Kiwi");
    Trigger(*form, "MItemEditFindNext");
    EXPECT_EQ(form->GetSelectedItemName(), "Cream");
}

// Changing a category's aisle and copying an item to another store write the items as the file
// holds them.
TEST_F(OtherWindowTest, CategoryAndCopyCommandsWriteTheItemsAsTheFileHoldsThem)
{
    Open();
    OtherWindow("Home", "Eggs", [](QMItem& item) { item.Note = "brown"; });
    Play<TFormCopyItem>([](TFormCopyItem& f) {
        f.ComboStores->setCurrentIndex(0);
        f.BtnOK->click();
    });
    dialogs->expectBox("Eggs already exists in Dairy in the store \"Corner\". Replace it?", mrYes);
    Trigger(*form, "MItemItemCopy");
    EXPECT_EQ(Line("Eggs", "Corner"), ",-,brown,-,2,-,0,-,0,-,0");

    OtherWindow("Home", "Milk", [](QMItem& item) { item.Note = "skim"; });
    Play<TFormEditCatAisle>([](TFormEditCatAisle& f) {
        f.ComboAisle->setCurrentIndex(2);
        f.BtnOK->click();
    });
    dialogs->expectBox("into the aisle/dept. \"A2\"", mrYes);
    Trigger(*form, "MItemCategoryChangeAisle");
    EXPECT_EQ(Line("Eggs"), "A2,-,brown,-,2,-,0,-,0,-,0");
    EXPECT_EQ(Line("Milk"), "A2,-,skim,-,1,-,0,-,0,-,0");

    OtherWindow("Home", "Milk", [](QMItem& item) { item.Qty = 6; });
    Play<TFormCopyCategory>([](TFormCopyCategory& f) {
        f.ComboStores->setCurrentIndex(0);
        f.BtnOK->click();
    });
    dialogs->expectBox("Eggs already exists in Dairy in the store \"Corner\". Replace it?", mrYes);
    Trigger(*form, "MItemCategoryCopy");
    EXPECT_EQ(Line("Milk", "Corner"), ",-,skim,-,6,-,0,-,0,-,0");
}

// A window whose file did not change writes as it read: its own writes (items, the selection,
// a category's state, a reset) never read the store again, which would put the record's
// in-memory state back as the file holds it.
TEST_F(OtherWindowTest, AWindowWhoseFileDidNotChangeDoesNotReadItAgain)
{
    Open();
    form->Store.Categories[1].AisleGuess = "only in memory";
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    form->SelectRow(1, -1);
    Trigger(*form, "MItemCategoryShowHide");
    form->SelectRow(0, 1);
    Click(*form, "BtnQtyDown");
    dialogs->expectBox("reset all notes?", mrYes);
    Trigger(*form, "MItemStoreResetNotes");
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(form->Store.Categories[1].AisleGuess, "only in memory");
    EXPECT_EQ(Line("Eggs"), "A1,-,,-,3,-,0,-,0,-,0");
    EXPECT_EQ(Line("Milk"), "A2,-,,-,1,-,0,-,0,-,0");
}

// A storage folder that went away is no changed file to read again: the write fails as it
// did, with its box, and the store stays in the picker.
TEST_F(OtherWindowTest, AStorageFolderThatWentAwayIsNotReadAgain)
{
    Open();
    fs::rename(stores, temp.path() + "/away");
    dialogs->expectBox("Cannot write to the file");
    Click(*form, "BtnQtyUp");
    Play<TFormNote>([](TFormNote& f) {
        f.EditNote->setText("brown");
        f.BtnOK->click();
    });
    dialogs->expectBox("Cannot write to the file");
    Key(*form, Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_EQ(modalRuns, 1);
    EXPECT_EQ(Entries(*form), QStringList({"Corner", "Home"}));
    EXPECT_EQ(Held("Eggs").Qty, 2);
    EXPECT_EQ(Held("Eggs").Note, "white");
}

// A file that another program changes every time the window has read it again is not written
// over: after some rounds the change is given up with a box, and the file keeps what the other
// program wrote.
TEST_F(OtherWindowTest, AFileThatKeepsChangingIsGivenUpWithABox)
{
    Open();
    int rounds = 0;
    const auto otherWrites = [&](QMItem& item) {
        ++item.Qty;
        const std::string note = "round " + std::to_string(++rounds);
        OtherWindow("Home", "Eggs", [&](QMItem& other) { other.Note = note; });
    };
    try {
        form->ChangeItem(0, 0, otherWrites);
        ADD_FAILURE() << "the change was made over a file that kept changing";
    } catch (const EStoreError& e) {
        EXPECT_NE(std::string(e.what()).find("kept changing"), std::string::npos) << e.what();
    }
    EXPECT_GT(rounds, 1);
    EXPECT_EQ(Line("Eggs"), "A1,-,round " + std::to_string(rounds) + ",-,2,-,0,-,0,-,0");
}

// ---- A store file that goes away ----

// A store file renamed away by another program is said once and never made again; the window
// then opens the picker's first store in its place, as start-up does, and remembers that one.
TEST_F(OtherWindowTest, AStoreFileThatWentAwayIsSaidOnceAndThePickersFirstStoreOpens)
{
    Open();
    const std::string kept = File("Home");
    fs::rename(stores + "Home.store", stores + "Home Market.store");
    dialogs->expectBox("Store file \"Home\" not found.");
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Entries(*form), QStringList({"Corner", "Home Market"}));
    EXPECT_EQ(Text(*form, "ComboStores"), "Corner");
    EXPECT_EQ(form->Store.Name, "Corner");
    EXPECT_EQ(form->windowTitle(), "Corner - Quillmart");
    EXPECT_TRUE(Enabled(*form, "BtnAddItem"));
    EXPECT_TRUE(Enabled(*form, "ComboFind"));
    EXPECT_FALSE(fs::exists(stores + "Home.store"));
    EXPECT_EQ(File("Home Market"), kept);

    // The commands work on the store shown.
    form->SelectRow(0, 0);
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Line("Eggs", "Corner"), "B1,-,large,-,1,-,0,-,0,-,0");
    EXPECT_FALSE(fs::exists(stores + "Home.store"));

    // Picked, the renamed store is the open store; gone in its turn, it is said so again.
    Pick(*form, "ComboStores", "Home Market");
    form->SelectRow(0, 0);
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Line("Eggs", "Home Market"), "A1,-,white,-,3,-,0,-,0,-,0");
    fs::remove(stores + "Home Market.store");
    dialogs->expectBox("Store file \"Home Market\" not found.");
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Entries(*form), QStringList({"Corner"}));
    EXPECT_EQ(form->Store.Name, "Corner");
    EXPECT_FALSE(fs::exists(stores + "Home Market.store"));
    form->close();
    EXPECT_EQ(RegReadString(kCompany, kProduct, "Settings", "Last Store"), "Corner");
}

// The store file goes while the window's change is being written, its new content written and
// about to take the file's place: renamed away, deleted, or its folder replaced by an empty one.
// Nothing is made again and nothing is left behind; the window says so once and opens Corner.
TEST_F(OtherWindowTest, AStoreThatGoesWhileAChangeIsWrittenIsNotMadeAgain)
{
    const std::string old = temp.path() + "/old/";
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"renamed", [&] { fs::rename(stores + "Home.store", stores + "Home Market.store"); }},
        {"deleted", [&] { fs::remove(stores + "Home.store"); }},
        {"folder replaced",
         [&] {
             fs::rename(stores, old);
             fs::create_directories(stores);
             fs::copy_file(old + "Corner.store", stores + "Corner.store");
         }},
    };
    for (const auto& [way, takeAway] : ways) {
        SCOPED_TRACE(way);
        fs::remove_all(old);
        Open();
        const std::string kept = File("Home");
        dialogs->expectBox("Store file \"Home\" not found.");
        {
            const qmtest::AtReplacing during(stores + "Home.store", takeAway);
            Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
        }
        Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
        EXPECT_FALSE(fs::exists(stores + "Home.store"));
        EXPECT_EQ(form->Store.Name, "Corner");
        if (fs::exists(stores + "Home Market.store")) {
            EXPECT_EQ(File("Home Market"), kept);
            fs::remove(stores + "Home Market.store");
        }
        if (fs::exists(old)) {
            std::vector<std::string> left;
            for (const auto& e : fs::directory_iterator(old))
                left.push_back(e.path().filename().string());
            std::sort(left.begin(), left.end());
            EXPECT_EQ(left, (std::vector<std::string>{"Corner.store", "Home.store"}));
            EXPECT_EQ(ReadFile(old + "Home.store"), kept);
        }
        form.reset();
    }
}

// With no other store to open, the window shows none: the commands that need a store are off
// and say nothing, nothing is made, and the next start opens none.
TEST_F(OtherWindowTest, TheLastStoreGoneLeavesTheWindowWithoutAStore)
{
    fs::remove(stores + "Corner.store");
    Open();
    form->SelectRow(1, 0); // Kiwi, the last row, drawn selected
    fs::remove(stores + "Home.store");
    dialogs->expectBox("Store file \"Home\" not found.");
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Entries(*form), QStringList());
    EXPECT_EQ(form->Store.Name, "");
    EXPECT_EQ(form->Store.CategoryCount(), 0);
    EXPECT_EQ(form->windowTitle(), "Quillmart");
    for (const char* b : {"ComboFind", "BtnAddItem", "BtnQtyUp", "BtnDeleteItem", "BtnEditItem", "BtnCut"})
        EXPECT_FALSE(Enabled(*form, b)) << b;
    EXPECT_EQ(Text(*form, "ComboFind"), "");
    // The notice's title is dark on its pale ground, whatever colour the last row drawn had (the
    // selected row's text is white).
    TBitmap32& shown = Control<TImage32>(*form, "ImageItemList").Bitmap();
    int dark = 0;
    for (int y = 35; y < 55; ++y)
        for (int x = 30; x < 180; ++x)
            dark += (shown.PixelAt(x, y) & 0xFF) < 80; // blue, as dark as the rest in black or grey
    EXPECT_GT(dark, 50);

    ClickAt(Control(*form, "ImageItemList"), 40, 60);
    for (int key :
         {Qt::Key_Plus, Qt::Key_Minus, Qt::Key_Delete, Qt::Key_Insert, Qt::Key_Space, Qt::Key_F3, Qt::Key_F4})
        Key(*form, key, key == Qt::Key_Plus || key == Qt::Key_Minus ? Qt::KeypadModifier : Qt::NoModifier);
    EXPECT_EQ(modalRuns, 0);
    EXPECT_TRUE(fs::is_empty(stores));
    form->close();
    EXPECT_EQ(RegReadString(kCompany, kProduct, "Settings", "Last Store"), "");
}

// Another program changes the store, then renames its file away while the window reads it
// again, at each moment the reading looks at the file: the window shows the store the file
// held, whole, or says the file is gone and keeps the store it showed; never part of it.
TEST_F(OtherWindowTest, AStoreRenamedWhileTheWindowReadsItAgainIsWholeOrGone)
{
    const std::string file = stores + "Home.store", away = stores + "Away.store";
    for (int at = 1;; ++at) {
        Open();
        OtherWindow("Home", "Eggs", [](QMItem& item) { item.Note = "brown"; });
        // The box may come or not: the fixture's script would fail the test either way.
        const auto boxes = std::make_shared<ScriptedDialogs>();
        boxes->expectBox("Store file \"Home\" not found.");
        const auto fixtureBoxes = SetDialogHandler(boxes);
        TMainShared::Refresh refresh;
        bool renamed = false;
        {
            const RenameAtLook rename(file, away, at);
            refresh = form->RefreshStore();
            renamed = rename.Renamed();
        }
        SetDialogHandler(fixtureBoxes);
        const auto [c, i] = form->Store.FindItem("Dairy", "Eggs");
        const std::string held = std::to_string(form->Store.ItemCount()) + " items, Eggs " +
                                 (i >= 0 ? form->Store.ItemAt(c, i).Note : "missing");
        const std::string when = "renamed at look " + std::to_string(at);
        EXPECT_EQ(boxes->failures(), std::vector<std::string>()) << when;
        const bool said = boxes->pending() == 0;
        EXPECT_EQ(refresh, said ? TMainShared::Refresh::Failed : TMainShared::Refresh::Reread) << when;
        EXPECT_EQ(held, said ? "3 items, Eggs white" : "3 items, Eggs brown") << when;
        if (!renamed)
            break;
        fs::remove(away);
    }
}

// Each command that changes the store, met first after its file went away, makes nothing.
TEST_F(OtherWindowTest, NoCommandMakesAStoreFileThatWentAway)
{
    const char* const gone = "Store file \"Home\" not found.";
    const auto said = [&](const std::function<void()>& command) {
        return [&, command] {
            dialogs->expectBox(gone);
            command();
        };
    };
    const std::vector<std::function<void()>> commands = {
        said([&] { Key(*form, Qt::Key_Plus, Qt::KeypadModifier); }),
        [&] {
            dialogs->expectBox("reset all quantities?", mrYes).expectBox(gone);
            Trigger(*form, "MItemStoreResetQuantities");
        },
        said([&] { Key(*form, Qt::Key_Slash, Qt::KeypadModifier); }),
        said([&] { Trigger(*form, "MItemItemAdd"); }),
        said([&] { Trigger(*form, "MItemEditPaste"); }),
        said([&] { form->SelectRow(0, 1); }),
        said([&] { Trigger(*form, "MItemCategoryShowAll"); }),
        said([&] { Trigger(*form, "MItemStoreEditAisles"); }),
        said([&] { Trigger(*form, "MItemStoreWebEdit"); }),
    };
    for (size_t n = 0; n < commands.size(); ++n) {
        Open();
        WriteClipboard(kCompany, kProduct, {form->Store.ItemAt(0, 1)});
        fs::remove(stores + "Home.store");
        commands[n]();
        EXPECT_FALSE(fs::exists(stores + "Home.store")) << "command " << n;
        EXPECT_EQ(Entries(*form), QStringList({"Corner"})) << "command " << n;
        EXPECT_EQ(modalRuns, 0) << "command " << n;
    }
}

// The storage folder replaced by an empty one (a restore, a sync tool) is a store file gone:
// said once, nothing made in either folder, and the window shows no store.
TEST_F(OtherWindowTest, AStorageFolderReplacedByAnEmptyOneLeavesNoStore)
{
    Open();
    const std::string kept = File("Home");
    fs::rename(stores, temp.path() + "/old");
    fs::create_directories(stores);
    dialogs->expectBox("Store file \"Home\" not found.");
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    Key(*form, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Entries(*form), QStringList());
    EXPECT_EQ(form->Store.Name, "");
    EXPECT_TRUE(fs::is_empty(stores));
    EXPECT_EQ(ReadFile(temp.path() + "/old/Home.store"), kept);
}

// The store a copy dialog writes into, deleted while the dialog is open, is not made again: the
// copy says so and leaves it out of its list.
TEST_F(OtherWindowTest, CopyingIntoAStoreThatWentAwayMakesNothing)
{
    Open();
    Play<TFormCopyItem>([&](TFormCopyItem& f) {
        fs::remove(stores + "Corner.store");
        f.ComboStores->setCurrentIndex(0);
        f.BtnOK->click();
        EXPECT_EQ(f.ComboStores->count(), 0);
    });
    dialogs->expectBox("Store file \"Corner\" not found.");
    Trigger(*form, "MItemItemCopy");
    EXPECT_TRUE(stayedOpen);
    EXPECT_FALSE(fs::exists(stores + "Corner.store"));

    WriteFile(stores + "Corner.store", "[Fruit]\r\n");
    form->SelectRow(0, -1);
    Play<TFormCopyCategory>([&](TFormCopyCategory& f) {
        fs::rename(stores + "Corner.store", stores + "Corner Shop.store");
        f.ComboStores->setCurrentIndex(0);
        f.BtnOK->click();
    });
    dialogs->expectBox("Store file \"Corner\" not found.");
    Trigger(*form, "MItemCategoryCopy");
    EXPECT_FALSE(fs::exists(stores + "Corner.store"));
    EXPECT_EQ(File("Corner Shop"), "[Fruit]\r\n");
}

// ---- Dialogs held open while another window writes ----

// The list editors apply the entries their user added, removed, renamed, ticked and moved over
// the list as the file holds it at OK: an errand or aisle another window added meanwhile stays,
// at its place; one it changed keeps that change where the user left the entry alone.
TEST_F(OtherWindowTest, ListEditorsApplyOnlyWhatTheirUserChanged)
{
    WriteFile(stores + "Home.store", std::string(kHome) + "[--Errands--]\r\nBank=0\r\nPost=1\r\nGym=0\r\n");
    Start("Home");
    Play<TFormErrands>([&](TFormErrands& f) {
        OtherProgram([](const StoreContext& ctx) {
            WriteStoreString(ctx, "Home", kErrandsSection, "Pharmacy", "1");
            WriteStoreString(ctx, "Home", kErrandsSection, "Gym", "1");
        });
        f.CheckListErrands->item(0)->setCheckState(Qt::Checked); // Bank
        f.CheckListErrands->setCurrentRow(1);                    // Post
        dialogs->expectBox("delete this errand?", mrYes);
        f.BtnDelete->click();
        f.BtnOK->click();
    });
    Trigger(*form, "MItemStoreEditErrands");
    EXPECT_EQ(ReadStoreSectionKeys(StoreContext{stores, {}}, "Home", kErrandsSection),
              "Bank,,Gym,,Pharmacy,,");
    EXPECT_EQ(form->Store.ErrandsOnList, 3);

    const std::string aisles = "Aisles=A1,,A2,,";
    Play<TFormAisles>([&](TFormAisles& f) {
        OtherProgram([](const StoreContext& ctx) {
            WriteStoreString(ctx, "Home", kInfoSection, "Aisles", "A1,,A1b,,A2,,");
        });
        f.ListAisles->setCurrentRow(1); // A2 first
        f.BtnMoveUp->click();
        f.BtnOK->click();
    });
    Trigger(*form, "MItemStoreEditAisles");
    EXPECT_EQ(ReadStoreString(StoreContext{stores, {}}, "Home", kInfoSection, "Aisles"), "A2,,A1,,A1b,,");
}

// An entry renamed in the editor that another window took out cannot be renamed: the editor
// says so, writes nothing, and shows the list as the file holds it, to be edited again.
TEST_F(OtherWindowTest, AListEditorSaysWhenAnEntryItChangedWasTakenOut)
{
    WriteFile(stores + "Home.store", std::string(kHome) + "[--Errands--]\r\nBank=0\r\nPost=1\r\n");
    Start("Home");
    Play<TFormErrands>([&](TFormErrands& f) {
        OtherProgram([](const StoreContext& ctx) {
            StoreBatch batch;
            batch.DeleteKey(kErrandsSection, "Bank");
            batch.Write(kErrandsSection, "Library", "0");
            ApplyStoreBatch(ctx, "Home", batch);
        });
        f.CheckListErrands->setCurrentRow(0);
        dialogs->expectQuery("Errand Name:", "Bank and cash");
        f.BtnRename->click();
        dialogs->expectBox(
            "Another program took the errand \"Bank\" out of this store, so nothing was changed.");
        f.BtnOK->click();
        EXPECT_EQ(ListTexts(f.CheckListErrands), QStringList({"Post", "Library"}));
        f.CheckListErrands->item(1)->setCheckState(Qt::Checked);
        f.BtnOK->click();
    });
    Trigger(*form, "MItemStoreEditErrands");
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(ReadStoreString(StoreContext{stores, {}}, "Home", kErrandsSection, "Library"), "1");
    EXPECT_EQ(ReadStoreSectionKeys(StoreContext{stores, {}}, "Home", kErrandsSection), "Post,,Library,,");
}

// Edit Category renaming a category without touching its aisle keeps the aisle guess another
// window wrote meanwhile; a guess the user chose replaces it.
TEST_F(OtherWindowTest, EditCategoryKeepsTheAisleGuessItsUserLeftAlone)
{
    Open();
    form->SelectRow(0, -1);
    Play<TFormEditCategory>([&](TFormEditCategory& f) {
        OtherProgram([](const StoreContext& ctx) {
            WriteStoreString(ctx, "Home", kAisleGuessesSection, "Dairy", "Frozen");
        });
        f.EditCategoryName->setText("Dairy Case");
        f.BtnOK->click();
    });
    Trigger(*form, "MItemCategoryEdit");
    const StoreContext ctx{stores, {}};
    EXPECT_EQ(ReadStoreString(ctx, "Home", kAisleGuessesSection, "Dairy Case"), "Frozen");
    EXPECT_EQ(ReadStoreSectionKeys(ctx, "Home", "Dairy Case"), "Eggs,,Milk,,");

    Play<TFormEditCategory>([&](TFormEditCategory& f) {
        OtherProgram([](const StoreContext& ctx) {
            WriteStoreString(ctx, "Home", kAisleGuessesSection, "Dairy Case", "Cold");
        });
        f.ComboAisle->setCurrentIndex(2);
        f.BtnOK->click();
    });
    Trigger(*form, "MItemCategoryEdit");
    EXPECT_EQ(ReadStoreString(ctx, "Home", kAisleGuessesSection, "Dairy Case"), "A2");
}

// Edit Item checks a new name against the file at OK: an item of that name another window added
// meanwhile is not replaced, as it would not be were it in the window's copy.
TEST_F(OtherWindowTest, EditItemRefusesANameAnotherWindowGaveMeanwhile)
{
    Open();
    form->SelectRow(0, 1); // Milk
    Play<TFormEditItem>([&](TFormEditItem& f) {
        OtherProgram([](const StoreContext& ctx) {
            WriteStoreString(ctx, "Home", "Dairy", "Oat Milk", "A2,-,barista,-,3,-,0,-,0,-,0");
        });
        f.EditItemName->setText("Oat Milk");
        dialogs->expectBox("The category \"Dairy\" already has an item named \"Oat Milk\".");
        f.BtnOK->click();
    });
    Key(*form, Qt::Key_Space);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(Line("Oat Milk"), "A2,-,barista,-,3,-,0,-,0,-,0");
    EXPECT_EQ(Line("Milk"), "A2,-,,-,1,-,0,-,0,-,0,-,");
}

// ---- Commands on a category or item another window took out ----

// Each says so, as the item commands do, and writes nothing: no category made again with the
// new items only, no stray key of a state or an aisle guess, nothing deleted in its place.
TEST_F(OtherWindowTest, CategoryCommandsOnACategoryTakenOutSaySoAndWriteNothing)
{
    const char* const takenOut =
        "Another program took the category \"Fruit\" out of this store, so nothing was changed.";
    const auto said = [&](const char* entry) {
        return [&, entry] {
            dialogs->expectBox(takenOut);
            Trigger(*form, entry);
        };
    };
    const std::vector<std::function<void()>> commands = {
        said("MItemCategoryEdit"),
        [&] {
            dialogs->expectBox("delete the category \"Fruit\"", mrYes).expectBox(takenOut);
            Trigger(*form, "MItemCategoryDelete");
        },
        said("MItemCategoryShowHide"),
        said("MItemCategoryChangeAisle"),
        said("MItemCategoryCopy"),
    };
    for (size_t n = 0; n < commands.size(); ++n) {
        Open();
        form->SelectRow(1, -1);
        OtherProgram(
            [](const StoreContext& ctx) { RenameStoreSection(ctx, "Home", "Fruit", "Fruit and Veg"); });
        const std::string kept = File("Home");
        commands[n]();
        EXPECT_EQ(File("Home"), kept) << "command " << n;
        EXPECT_EQ(modalRuns, 0) << "command " << n;
    }

    // Added into a category taken out while the dialog was open.
    for (const bool many : {false, true}) {
        Open();
        form->SelectRow(1, -1);
        const auto play = [&](auto& f) {
            OtherProgram([](const StoreContext& ctx) { EraseStoreSection(ctx, "Home", "Fruit"); });
            dialogs->expectBox(takenOut);
            f.BtnOK->click();
            EXPECT_EQ(Texts(f.ComboCategory), QStringList({"Dairy"}));
        };
        if (many) {
            Play<TFormAddMultItems>([&](TFormAddMultItems& f) {
                f.MemoItemNames->setPlainText("Pear\nPlum");
                play(f);
            });
            Trigger(*form, "MItemItemAddMult");
        } else {
            Play<TFormAddItem>([&](TFormAddItem& f) {
                f.EditItemName->setText("Pear");
                play(f);
            });
            Trigger(*form, "MItemItemAdd");
        }
        EXPECT_EQ(ReadStoreCategories(StoreContext{stores, {}}, "Home"), "Dairy,,");
    }
}

// Deleting an item another window moved to another category, or taking it out of the list the
// window shows, says so and deletes nothing.
TEST_F(OtherWindowTest, DeletingAnItemAnotherWindowMovedSaysSo)
{
    Open();
    OtherProgram([](const StoreContext& ctx) { MoveStoreKey(ctx, "Home", "Dairy", "Eggs", "Fruit"); });
    dialogs->expectBox("delete the item \"Eggs\"", mrYes)
        .expectBox("Another program took \"Eggs\" out of Dairy in this store, so nothing was changed.");
    Key(*form, Qt::Key_Delete);
    EXPECT_EQ(ReadStoreString(StoreContext{stores, {}}, "Home", "Fruit", "Eggs"),
              "A1,-,white,-,2,-,0,-,0,-,0,-,");
}

// ---- Dialogs opened on what another window changed ----

// The add dialogs open on the selected category: one another window took out is said so, and
// no dialog opens on the category that the store read again has at its place.
TEST_F(OtherWindowTest, AddDialogsOnACategoryAnotherWindowTookOutSaySo)
{
    for (const char* command : {"MItemItemAdd", "MItemItemAddMult"}) {
        WriteFile(stores + "Home.store", "[--Info--]\r\nAisles=A1,,\r\n"
                                         "[Frozen]\r\nFrozen Pizza=A1,-,,-,1,-,0,-,0,-,0,-,\r\n"
                                         "[Frozen--Treats]\r\nPopsicles=A1,-,,-,0,-,0,-,0,-,0,-,\r\n");
        Start("Home");
        form->SelectRow(0, 0); // Frozen Pizza
        OtherProgram([](const StoreContext& ctx) { EraseStoreSection(ctx, "Home", "Frozen"); });
        const std::string kept = File("Home");
        dialogs->expectBox(
            "Another program took the category \"Frozen\" out of this store, so nothing was changed.");
        Trigger(*form, command);
        EXPECT_EQ(modalRuns, 0) << command;
        EXPECT_EQ(File("Home"), kept) << command;
    }
}

// After the store chosen went away, OK asks for another while the list offers one.
TEST_F(OtherWindowTest, ACopyDialogAsksForAStoreWhileItsListOffersOne)
{
    WriteFile(stores + "Mart.store", "[Fruit]\r\n");
    Open();
    Play<TFormCopyItem>([&](TFormCopyItem& f) {
        fs::remove(stores + "Corner.store");
        f.ComboStores->setCurrentIndex(0);
        dialogs->expectBox("Store file \"Corner\" not found.").expectBox("You must choose a store.");
        f.BtnOK->click();
        f.BtnOK->click();
    });
    Trigger(*form, "MItemItemCopy");
    EXPECT_TRUE(stayedOpen);
}

// Edit Item left alone the aisle and the coupon another window changed while it was open: they
// stay as that window wrote them, the note the user typed going over them.
TEST_F(OtherWindowTest, EditItemKeepsTheAisleAndCouponAnotherWindowWroteMeanwhile)
{
    Open();
    Play<TFormEditItem>([&](TFormEditItem& f) {
        OtherWindow("Home", "Eggs", [](QMItem& item) {
            item.Aisle = "A2";
            item.HasCoupon = true;
            item.CouponExpire = 46500;
            item.IsStoreCoupon = true;
        });
        f.EditNote->setText("brown");
        f.BtnOK->click();
    });
    Key(*form, Qt::Key_Space);
    EXPECT_EQ(Line("Eggs"), "A2,-,brown,-,2,-,1,-,46500,-,1,-,");
    EXPECT_EQ(Held("Eggs").Aisle, "A2");
}

} // namespace
