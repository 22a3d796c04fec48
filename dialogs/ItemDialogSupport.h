#pragma once
// What the item and category dialogs share: their store-filled drop-down lists, the header
// that names a category and an item, and the checks of their OK buttons.
#include <QString>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/AnsiString.h"
#include "store/NameRules.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QSpinBox;
class QVBoxLayout;
class QWidget;

namespace qm {

struct QMStore;
struct QMCategory;
struct StoreContext;
class StoreBatch;
class TDialogForm;
class TMainShared;

// The category of that name in the open store: spelled alike, else the first equal without
// regard to case; null when there is none.
const QMCategory* FindCategory(const QMStore& store, const AnsiString& name);
int32_t FindCategoryIndex(const QMStore& store, const AnsiString& name);

// A drop-down list (no typing) named name.
QComboBox* MakeDropDownList(QWidget* parent, const char* name);
// The control under its caption in rows 2 * row and 2 * row + 1 of the grid.
void AddCaptioned(QGridLayout* grid, int row, const char* caption, QWidget* control);
// The open store's category names, sorted without regard to case; none chosen.
void FillCategoryCombo(QComboBox* combo, const QMStore& store);
// One empty entry, then the store's aisles in walking order (entry k is aisle k - 1); none
// chosen.
void FillAisleCombo(QComboBox* combo, const QMStore& store);
// Every entry of the main window's store picker except its current one, in picker order; none
// chosen.
void FillOtherStoresCombo(QComboBox* combo, const TMainShared& main);
// Chooses the first entry equal to text without regard to case; none when no entry is.
void SelectComboEntry(QComboBox* combo, const AnsiString& text);
// Chooses the aisle in a list FillAisleCombo filled, as SelectComboEntry does. An aisle the list
// lacks (renamed or taken out of the store's aisles since an item or category got it) gets an
// entry of its own at the end, chosen, so that the box shows the aisle the item or category has
// and an OK that leaves the box alone keeps it; the next call takes that entry away again.
void ShowAisle(QComboBox* combo, const AnsiString& aisle);
// The add dialogs' defaults: the selected category of the open store and its aisle guess.
void ChooseSelectedCategory(const QMStore& store, QComboBox* comboCategory, QComboBox* comboAisle);
// The aisle guess of the open store's category chosen in comboCategory, chosen in comboAisle.
void FollowAisleGuess(const QMStore& store, const QComboBox* comboCategory, QComboBox* comboAisle);
// The chosen entry's text; empty when none is chosen.
AnsiString ComboText(const QComboBox* combo);

// The body of the dialogs on all items of the selected category: the header naming the
// category (LabelCatName) and "All Items" (LabelItemName), then the caption and the drop-down
// list combo named comboName. Answers the body's column for the controls that follow.
QVBoxLayout* BuildAllItemsBody(TMainShared& main, QWidget* body, QLabel*& labelCatName,
                               QLabel*& labelItemName, const char* caption, const char* comboName,
                               QComboBox*& combo);

// "You must input a name." when the typed text is empty, then the name rules of the kind's
// store file; each refusal in an error box. True when the name can be stored.
bool CheckTypedName(NameKind kind, const QString& typed);
// An error box when no category is chosen: nothing may be written under an empty section name.
bool CheckCategoryChosen(const AnsiString& category);
// Whether a store is chosen in a copy dialog's list of the other stores. None chosen while the
// list offers some is said in an error box, and the form stays open (ModalResult mrNone); an
// empty list (the open store is the picker's only one) has nothing to choose, and OK closes.
bool CheckStoreChosen(TDialogForm& form, const QComboBox* combo);

// The quantity typed into a spin edit, as its OK reads it: the text as a whole number cut to
// the spin edit's range, its minimum when the text is not a number.
int32_t TypedQuantity(const QSpinBox* spin);

// Whether the open store's file holds the category chosen in comboCategory, the store read
// again first when another program changed the file (RefreshStore): EStoreError saying so when
// another program took the category out (RaiseTakenOut), the combo then offering the
// categories the file holds; false when the file could not be read again or went away
// (reported).
bool ChosenCategoryInFile(TMainShared& main, QComboBox* comboCategory);

// After an add: the store reloaded, the row named name (the first match of FindItemByName)
// selected, both lists drawn again (the reload renumbers the rows the shopping list points at).
void ReloadAndSelect(TMainShared& main, const AnsiString& store, const AnsiString& name);

// The value line of a new item: the aisle, an empty note, quantity 0, no coupon, no expiry.
AnsiString NewItemLine(const AnsiString& aisle);
// The same for the item name of the category in the store, but with the coupon that item
// already has in the other stores of the picker (the first line there not marked store-only):
// the new line is carried over to them, and a line without that coupon would clear it there.
AnsiString NewItemLine(const StoreContext& ctx, const AnsiString& store, const AnsiString& category,
                       const AnsiString& name, const AnsiString& aisle);

// Runs write, a write into the other store chosen in combo: a store whose file went away since
// the dialog opened (EStoreNotFound, passed on) leaves the combo, none chosen in its place.
void WriteIntoChosenStore(QComboBox* combo, const std::function<void()>& write);

// The keys of the category of the store's file that are the names, as the file spells them, in
// the order of names; names match without regard to case, as the file matches keys.
std::vector<AnsiString> ItemKeysInFile(const StoreContext& ctx, const AnsiString& store,
                                       const AnsiString& category, const std::vector<AnsiString>& names);
// "Milk already exists in Dairy. Replace it?", where being "Dairy", for one name or more: several
// are listed, the first ten of a longer list followed by how many more there are.
AnsiString ReplaceQuestion(const std::vector<AnsiString>& names, const AnsiString& where);
// The question (ReplaceQuestion, Yes or No) before a change replaces items of a store file,
// asked under the change: each try names what it would replace in the file as it holds it then,
// and a try made again after another program wrote the file asks again only when it would
// replace an item the user was not asked about.
class TReplaceConsent {
public:
    // True when replaced is empty or the user agreed to replace every one of them, now or on an
    // earlier try.
    bool Given(const std::vector<AnsiString>& replaced, const AnsiString& where);

private:
    std::vector<AnsiString> agreed_;
};

// Copies items into the same category of the store chosen in combo (another store than the
// open one): lines holds each item's name and line. The lines are written in one rewrite over
// the store's file as it holds it then (TReplaceConsent asks before an item of the same name
// there is replaced); when another program writes the file meanwhile, the copy is made anew
// (after kMaxChangeRounds given up with RaiseStoreKeptChanging). A store whose file went away
// is handled as WriteIntoChosenStore handles it. False, with nothing written, when the user
// would not replace the items.
bool CopyIntoChosenStore(TMainShared& main, QComboBox* combo, const AnsiString& category,
                         const std::vector<std::pair<AnsiString, AnsiString>>& lines);

// Steps that give a key, or a section with all its keys, a new spelling that differs from the
// file's in letter case only, which a write under the new spelling does not do (the file keeps
// the spelling it has). Each is renamed away to a name that no item or category can have, then
// to the new spelling: the lines stay as the file holds them, no coupon is carried, and the key
// or section goes to the end of its section or of the file.
void RespellKey(StoreBatch& batch, const AnsiString& section, const AnsiString& key,
                const AnsiString& newKey);
void RespellSection(StoreBatch& batch, const AnsiString& section, const AnsiString& newSection);

// The line of an item copied into another store: the fields as the item's own line has them,
// the aisle only when asked for, without the closing separator. The this-store-only mark goes
// with the copy, as with the item clipboard, so a coupon valid in one store only is not spread
// to the others by the copy's carry-over.
AnsiString CopiedItemLine(const QMStore& store, int32_t category, int32_t item, bool copyAisle);

} // namespace qm
