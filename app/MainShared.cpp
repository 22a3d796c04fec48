#include "app/MainShared.h"

namespace qm {

StoreContext TMainShared::StoreFilesContext() const
{
    return StoreContext{StoresFolder, StoreNames()};
}

std::string TMainShared::StoreFile() const
{
    return StoreFilePath(StoreContext{StoresFolder, {}}, Store.Name);
}

bool TMainShared::CurrentRow(int32_t& category, int32_t& item)
{
    if (category < 0 || category >= Store.CategoryCount())
        return false;
    const QMCategory& cat = Store.Categories[size_t(category)];
    const bool isItem = item >= 0;
    if (isItem && item >= cat.ItemCount())
        return false;
    const AnsiString categoryName = cat.Name;
    const AnsiString itemName = isItem ? cat.Items[size_t(item)].Name : AnsiString();
    switch (RefreshStore()) {
    case Refresh::Unchanged:
        return true;
    case Refresh::Failed:
        return false;
    case Refresh::Reread:
        break;
    }
    const auto [c, i] = Store.FindItem(categoryName, itemName);
    if (c < 0 || (isItem && i < 0))
        RaiseTakenOut(categoryName, itemName);
    category = c;
    item = isItem ? i : kNoRow;
    return true;
}

bool TMainShared::ChangeItem(int32_t category, int32_t item, const std::function<void(QMItem&)>& change,
                             bool select)
{
    for (int round = 1;; ++round) {
        QMItem& target = Store.ItemAt(category, item);
        const QMItem before = target;
        change(target);
        bool written;
        try {
            if (select)
                SelectRow(category, item);
            written = SaveItemIfUnchanged(StoreFilesContext(), Store, category, item, StoreWatch);
        } catch (...) {
            Store.ItemAt(category, item) = before;
            DrawItemList();
            throw;
        }
        if (written)
            return true;
        Store.ItemAt(category, item) = before;
        if (round == kMaxChangeRounds) {
            DrawItemList();
            RaiseStoreKeptChanging(StoreFilesContext(), Store.Name);
        }
        if (!CurrentRow(category, item))
            return false;
    }
}

} // namespace qm
