// The item clipboard: cut, copy and paste of one item or a whole category through the
// registry clipboard that all program windows share, the Edit menu's captions, and the
// clipboard viewer.
#include <QAction>
#include <QMenu>
#include <QToolButton>
#include <set>

#include "app/Settings.h"
#include "dialogs/ViewClipUnit.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Exception.h"
#include "store/ItemClipboard.h"
#include "store/NameRules.h"

namespace qm {

namespace {

constexpr const char* kCopySuffix = " (Copy)";

// The first of name, name + " (Copy)", ... whose upper-cased form is not in taken. Every try
// that fails is a distinct member of taken, so a free name comes after at most taken.size()
// suffixes.
AnsiString MakeUniqueItemName(const AnsiString& name, const std::set<AnsiString>& taken)
{
    if (name.empty())
        throw EStoreError("An item without a name cannot be pasted.");
    AnsiString candidate = name;
    for (size_t tries = 0; tries <= taken.size(); ++tries) {
        if (!taken.count(UpperName(candidate)))
            return candidate;
        candidate += kCopySuffix;
    }
    throw EStoreError(Format("No free name was found for the item \"%s\".", name.c_str()));
}

std::set<AnsiString> SectionKeys(const StoreContext& ctx, const AnsiString& store, const AnsiString& section)
{
    std::set<AnsiString> keys;
    for (const AnsiString& key : SplitList(kListSeparator, ReadStoreSectionKeys(ctx, store, section)))
        keys.insert(UpperName(key));
    return keys;
}

bool IsCategory(const QMStore& store, int32_t category)
{
    return category >= 0 && category < store.CategoryCount();
}

// The items a copy takes: the whole category for item -1, else that one item (none when the
// index is not an item of the category).
std::vector<QMItem> CopiedItems(const QMStore& store, int32_t category, int32_t item)
{
    const QMCategory& cat = store.Categories[size_t(category)];
    if (item < 0)
        return cat.Items;
    if (item < cat.ItemCount())
        return {cat.Items[size_t(item)]};
    return {};
}

} // namespace

bool TFormMain::ClipboardHasData() const
{
    return ClipboardHasEntries(kCompany, kProduct);
}

void TFormMain::SetPasteEnabled(bool enabled)
{
    BtnPaste->setEnabled(enabled);
}

// The copy is of the items as the store's file holds them: another program may have changed
// them since the window read it.
void TFormMain::CopyToClipboard(int32_t category, int32_t item)
{
    if (!CurrentRow(category, item))
        return;
    WriteClipboard(kCompany, kProduct, CopiedItems(Store, category, item));
}

// As the copy, the cut takes the items as the file holds them, and it deletes them only from
// the file as it read it; when another program wrote in between, it is made anew.
void TFormMain::CutToClipboard(int32_t category, int32_t item)
{
    CarryOverFailures failures;
    const bool cut = ChangeStoreFile([&](bool, Undo&) {
        if (!CurrentRow(category, item))
            return Try::Stop;
        const std::vector<QMItem> items = CopiedItems(Store, category, item);
        const std::vector<ClipboardEntry> written = WriteClipboard(kCompany, kProduct, items);
        if (items.empty())
            return Try::Done; // nothing to take out
        // The items leave the store only when the clipboard holds every one of them as written;
        // another window may have copied in the meantime, or a write may have gone astray.
        std::vector<ClipboardEntry> sortedWritten = written;
        std::vector<ClipboardEntry> reread = ReadClipboard(kCompany, kProduct);
        const auto byKey = [](const ClipboardEntry& a, const ClipboardEntry& b) {
            return CompareNames(a.Key, b.Key) < 0;
        };
        std::sort(sortedWritten.begin(), sortedWritten.end(), byKey);
        std::sort(reread.begin(), reread.end(), byKey);
        if (reread != sortedWritten)
            throw ERegistryException("The clipboard does not hold the whole copy, so nothing was cut.");

        const AnsiString section = Store.Categories[size_t(category)].Name;
        StoreBatch batch;
        for (const QMItem& it : items)
            batch.DeleteKey(section, it.Name);
        return WriteBatch(batch, &failures);
    });
    if (!cut)
        return;
    ReloadStore(Store.Name);
    ReportCarryOverFailures(failures);
}

// The pasted lines come from the clipboard and the free names from the file; the category is
// the one the window shows, which another program may have taken out of the file: then nothing
// is pasted, and the store is shown as it now is.
void TFormMain::PasteFromClipboard(int32_t category)
{
    if (!IsCategory(Store, category))
        return;
    const std::vector<ClipboardEntry> entries = ReadClipboard(kCompany, kProduct);
    if (entries.empty())
        return;
    // The names were items of a store, not typed by the user: only what the store file must
    // carry back unchanged is checked, and a name that breaks it stops the paste before
    // anything is written.
    for (const ClipboardEntry& e : entries)
        if (AnsiString problem = StoredNameProblem(NameKind::Item, e.Name); !problem.empty())
            throw EStoreError("Nothing was pasted. " + problem);

    CarryOverFailures failures;
    const bool pasted = ChangeStoreFile([&](bool, Undo&) {
        int32_t item = kNoRow;
        if (!CurrentRow(category, item))
            return Try::Stop;
        const AnsiString section = Store.Categories[size_t(category)].Name;
        std::set<AnsiString> taken = SectionKeys(StoreFilesContext(), Store.Name, section);
        StoreBatch batch;
        for (const ClipboardEntry& e : entries) {
            const AnsiString name = MakeUniqueItemName(e.Name, taken);
            taken.insert(UpperName(name)); // this paste's own items count as taken
            batch.Write(section, name, FormatClipboardLine(e));
        }
        return WriteBatch(batch, &failures);
    });
    if (!pasted)
        return;
    ReloadStore(Store.Name);
    ReportCarryOverFailures(failures);
}

void TFormMain::MMenuEditClick()
{
    const bool item = Store.SelItem >= 0;
    MItemEditCut->setText(item ? "Cut Item" : "Cut Category");
    MItemEditCopy->setText(item ? "Copy Item" : "Copy Category");
    MItemEditPaste->setText(item ? "Paste Item" : "Paste Category");
    const bool hasCategories = StoreHasCategories();
    MItemEditCut->setEnabled(hasCategories);
    MItemEditCopy->setEnabled(hasCategories);
    const bool canPaste = hasCategories && ClipboardHasData();
    MItemEditPaste->setEnabled(canPaste);
    MItemEditViewClipboard->setEnabled(canPaste);
}

void TFormMain::MItemEditCutClick()
{
    CutToClipboard(Store.SelCategory, Store.SelItem);
    BtnPaste->setEnabled(ClipboardHasData());
}

void TFormMain::MItemEditCopyClick()
{
    CopyToClipboard(Store.SelCategory, Store.SelItem);
    BtnPaste->setEnabled(ClipboardHasData());
}

void TFormMain::MItemEditPasteClick()
{
    PasteFromClipboard(Store.SelCategory);
}

void TFormMain::MItemEditViewClipboardClick()
{
    if (!FormViewClip)
        FormViewClip = new TFormViewClip(*this, this);
    FormViewClip->show();
}

void TFormMain::ConnectClipboardHandlers()
{
    // The menu's states hold while it is open; its shortcuts stay live afterwards, and each
    // command checks the selection and the clipboard itself.
    connect(MMenuEdit, &QMenu::aboutToHide, this, [this] {
        for (QAction* a : {MItemEditCut, MItemEditCopy, MItemEditPaste, MItemEditViewClipboard})
            a->setEnabled(true);
    });
    Wire(BtnCut, &TFormMain::MItemEditCutClick);
    Wire(BtnCopy, &TFormMain::MItemEditCopyClick);
    Wire(BtnPaste, &TFormMain::MItemEditPasteClick);
}

} // namespace qm
