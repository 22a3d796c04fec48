#include "dialogs/ItemDialogSupport.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "app/MainShared.h"
#include "dialogs/DialogForm.h"
#include "dialogs/ItemHeader.h"
#include "platform/Dialogs.h"
#include "store/QMStore.h"
#include "store/StoreFiles.h"

namespace qm {

int32_t FindCategoryIndex(const QMStore& store, const AnsiString& name)
{
    for (int32_t c = 0; c < store.CategoryCount(); ++c)
        if (store.Categories[size_t(c)].Name == name)
            return c;
    for (int32_t c = 0; c < store.CategoryCount(); ++c)
        if (SameName(store.Categories[size_t(c)].Name, name))
            return c;
    return -1;
}

const QMCategory* FindCategory(const QMStore& store, const AnsiString& name)
{
    const int32_t c = FindCategoryIndex(store, name);
    return c >= 0 ? &store.Categories[size_t(c)] : nullptr;
}

QComboBox* MakeDropDownList(QWidget* parent, const char* name)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(false);
    combo->setMaxVisibleItems(16);
    return combo;
}

void AddCaptioned(QGridLayout* grid, int row, const char* caption, QWidget* control)
{
    auto* label = new QLabel(caption, grid->parentWidget());
    label->setBuddy(control);
    grid->addWidget(label, 2 * row, 0);
    grid->addWidget(control, 2 * row + 1, 0);
}

void FillCategoryCombo(QComboBox* combo, const QMStore& store)
{
    std::vector<AnsiString> names;
    names.reserve(store.Categories.size());
    for (const QMCategory& c : store.Categories)
        names.push_back(c.Name);
    std::stable_sort(names.begin(), names.end(),
                     [](const AnsiString& a, const AnsiString& b) { return CompareNames(a, b) < 0; });
    QStringList entries;
    for (const AnsiString& n : names)
        entries << ToQString(n);
    combo->clear();
    combo->addItems(entries);
    combo->setCurrentIndex(-1);
}

void FillAisleCombo(QComboBox* combo, const QMStore& store)
{
    QStringList entries{QString()};
    for (const AnsiString& a : store.Aisles)
        entries << ToQString(a);
    combo->clear();
    combo->addItems(entries);
    combo->setCurrentIndex(-1);
}

void FillOtherStoresCombo(QComboBox* combo, const TMainShared& main)
{
    // One entry of the current name goes: a store of a subfolder may have the same name.
    const AnsiString current = main.GetCurrentStoreName();
    bool skipped = false;
    combo->clear();
    for (const AnsiString& store : main.StoreNames()) {
        if (!skipped && store == current)
            skipped = true;
        else
            combo->addItem(ToQString(store));
    }
    combo->setCurrentIndex(-1);
}

void SelectComboEntry(QComboBox* combo, const AnsiString& text)
{
    for (int i = 0; i < combo->count(); ++i) {
        if (SameName(FromQString(combo->itemText(i)), text)) {
            combo->setCurrentIndex(i);
            return;
        }
    }
    combo->setCurrentIndex(-1);
}

void ShowAisle(QComboBox* combo, const AnsiString& aisle)
{
    // The entry of an aisle the list lacks carries true as its data; the list's own carry none.
    for (int i = combo->count() - 1; i >= 0; --i)
        if (combo->itemData(i).toBool())
            combo->removeItem(i);
    SelectComboEntry(combo, aisle);
    if (combo->currentIndex() < 0 && !aisle.empty()) {
        combo->addItem(ToQString(aisle), true);
        combo->setCurrentIndex(combo->count() - 1);
    }
}

void ChooseSelectedCategory(const QMStore& store, QComboBox* comboCategory, QComboBox* comboAisle)
{
    QMCategory selected;
    store.GetSelectedCategory(selected);
    SelectComboEntry(comboCategory, selected.Name);
    ShowAisle(comboAisle, selected.AisleGuess);
}

void FollowAisleGuess(const QMStore& store, const QComboBox* comboCategory, QComboBox* comboAisle)
{
    if (const QMCategory* category = FindCategory(store, ComboText(comboCategory)))
        ShowAisle(comboAisle, category->AisleGuess);
}

AnsiString ComboText(const QComboBox* combo)
{
    return combo->currentIndex() >= 0 ? FromQString(combo->currentText()) : AnsiString();
}

QVBoxLayout* BuildAllItemsBody(TMainShared& main, QWidget* body, QLabel*& labelCatName,
                               QLabel*& labelItemName, const char* caption, const char* comboName,
                               QComboBox*& combo)
{
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(MakeItemHeader(main, body, "LabelCatName", labelCatName, "LabelItemName", labelItemName,
                                     kGlyphEditItem));
    labelItemName->setText("All Items");
    column->addSpacing(12);
    combo = MakeDropDownList(body, comboName);
    combo->setMinimumWidth(200);
    auto* label = new QLabel(caption, body);
    label->setBuddy(combo);
    column->addWidget(label);
    column->addWidget(combo);
    return column;
}

bool CheckTypedName(NameKind kind, const QString& typed)
{
    if (typed.isEmpty()) {
        MessageDlg("You must input a name.", mtError, mbOK, 0);
        return false;
    }
    return AcceptName(kind, typed);
}

bool CheckCategoryChosen(const AnsiString& category)
{
    if (!category.empty())
        return true;
    MessageDlg("You must choose a category.", mtError, mbOK, 0);
    return false;
}

bool CheckStoreChosen(TDialogForm& form, const QComboBox* combo)
{
    if (combo->currentIndex() >= 0)
        return true;
    if (combo->count() > 0) {
        MessageDlg("You must choose a store.", mtError, mbOK, 0);
        form.ModalResult = mrNone;
    }
    return false;
}

int32_t TypedQuantity(const QSpinBox* spin)
{
    bool ok = false;
    const qlonglong typed = spin->cleanText().toLongLong(&ok);
    if (!ok)
        return spin->minimum();
    return int32_t(std::clamp<qlonglong>(typed, spin->minimum(), spin->maximum()));
}

bool ChosenCategoryInFile(TMainShared& main, QComboBox* comboCategory)
{
    if (main.RefreshStore() == TMainShared::Refresh::Failed)
        return false;
    const AnsiString category = ComboText(comboCategory);
    if (FindCategoryIndex(main.Store, category) >= 0)
        return true;
    FillCategoryCombo(comboCategory, main.Store);
    RaiseTakenOut(category, "");
}

void ReloadAndSelect(TMainShared& main, const AnsiString& store, const AnsiString& name)
{
    main.LoadStore(store);
    main.DrawItemList();
    const auto [c, i] = main.Store.FindItemByName(name);
    if (c >= 0)
        main.SelectRow(c, i);
    main.BuildShoppingList();
    main.DrawShoppingList();
}

AnsiString NewItemLine(const AnsiString& aisle)
{
    return aisle + ",-,,-,0,-,0,-,";
}

AnsiString NewItemLine(const StoreContext& ctx, const AnsiString& store, const AnsiString& category,
                       const AnsiString& name, const AnsiString& aisle)
{
    for (const AnsiString& other : ctx.PickerStores) {
        if (other == store)
            continue;
        const AnsiString line = ReadStoreString(ctx, other, category, name);
        const std::vector<std::string_view> fields = SplitFields(kFieldSeparator, line, 6);
        if (line.empty() || (fields.size() >= 6 && fields[5] == "1"))
            continue;
        // Fields 4 to 6 as they stand there, so that carrying the new line back leaves them so.
        const auto field = [&fields](size_t n) { return AnsiString(n < fields.size() ? fields[n] : ""); };
        return aisle + ",-,,-,0,-," + field(3) + ",-," + field(4) + ",-," + field(5) + ",-,";
    }
    return NewItemLine(aisle);
}

void WriteIntoChosenStore(QComboBox* combo, const std::function<void()>& write)
{
    try {
        write();
    } catch (const EStoreNotFound& gone) {
        if (gone.Store == ComboText(combo)) {
            combo->removeItem(combo->currentIndex());
            combo->setCurrentIndex(-1);
        }
        throw;
    }
}

std::vector<AnsiString> ItemKeysInFile(const StoreContext& ctx, const AnsiString& store,
                                       const AnsiString& category, const std::vector<AnsiString>& names)
{
    std::unordered_map<AnsiString, AnsiString> keys; // by upper-cased name; the first of a name
    for (const AnsiString& key : SplitList(kListSeparator, ReadStoreSectionKeys(ctx, store, category)))
        keys.emplace(UpperName(key), key);
    std::vector<AnsiString> found;
    for (const AnsiString& name : names)
        if (const auto key = keys.find(UpperName(name)); key != keys.end())
            found.push_back(key->second);
    return found;
}

AnsiString ReplaceQuestion(const std::vector<AnsiString>& names, const AnsiString& where)
{
    if (names.size() == 1)
        return Format("%s already exists in %s. Replace it?", names[0].c_str(), where.c_str());
    // A list of any length stays a readable sentence.
    constexpr size_t kListed = 10;
    const bool cut = names.size() > kListed;
    AnsiString list;
    for (size_t n = 0; n < (cut ? kListed : names.size() - 1); ++n)
        list += (n ? ", " : "") + names[n];
    list += " and " + (cut ? std::to_string(names.size() - kListed) + " more" : names.back());
    return Format("%s already exist in %s. Replace them?", list.c_str(), where.c_str());
}

bool TReplaceConsent::Given(const std::vector<AnsiString>& replaced, const AnsiString& where)
{
    const bool asked = std::all_of(replaced.begin(), replaced.end(), [this](const AnsiString& name) {
        return std::any_of(agreed_.begin(), agreed_.end(),
                           [&name](const AnsiString& agreed) { return SameName(agreed, name); });
    });
    if (asked)
        return true;
    if (MessageDlg(ReplaceQuestion(replaced, where), mtConfirmation, mbYes | mbNo, 0) != mrYes)
        return false;
    agreed_.insert(agreed_.end(), replaced.begin(), replaced.end());
    return true;
}

bool CopyIntoChosenStore(TMainShared& main, QComboBox* combo, const AnsiString& category,
                         const std::vector<std::pair<AnsiString, AnsiString>>& lines)
{
    const StoreContext ctx = main.StoreFilesContext();
    const AnsiString target = ComboText(combo);
    std::vector<AnsiString> names;
    StoreBatch batch;
    for (const auto& [name, line] : lines) {
        names.push_back(name);
        batch.Write(category, name, line);
    }
    const AnsiString where = Format("%s in the store \"%s\"", category.c_str(), target.c_str());
    TReplaceConsent consent;
    bool copied = false;
    WriteIntoChosenStore(combo, [&] {
        // The watch knows the file from before it is read, so a write made after the reading
        // finds it changed.
        for (int round = 1;; ++round) {
            IniFile::Watch watch;
            watch.Start(StoreFilePath(ctx, target));
            if (!consent.Given(ItemKeysInFile(ctx, target, category, names), where))
                return;
            if (const auto failures = ApplyStoreBatchIfUnchanged(ctx, target, batch, watch)) {
                copied = true;
                ReportCarryOverFailures(*failures);
                return;
            }
            if (round == kMaxChangeRounds)
                RaiseStoreKeptChanging(ctx, target);
        }
    });
    return copied;
}

void RespellKey(StoreBatch& batch, const AnsiString& section, const AnsiString& key, const AnsiString& newKey)
{
    // Names of the program's own making never hold "&-&" (the last selected row's separator).
    const AnsiString away = newKey + "&-&";
    batch.RenameKey(section, key, away);
    batch.RenameKey(section, away, newKey);
}

void RespellSection(StoreBatch& batch, const AnsiString& section, const AnsiString& newSection)
{
    const AnsiString away = newSection + "&-&";
    batch.RenameSection(section, away);
    batch.RenameSection(away, newSection);
}

AnsiString CopiedItemLine(const QMStore& store, int32_t category, int32_t item, bool copyAisle)
{
    AnsiString line = store.FormatItemValue(category, item); // checks both indexes
    line.resize(line.size() - std::strlen(kFieldSeparator));
    if (!copyAisle)
        line.erase(0, store.ItemAt(category, item).Aisle.size());
    return line;
}

} // namespace qm
