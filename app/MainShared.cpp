#include "app/MainShared.h"

#include <tuple>

namespace qm {

StoreContext TMainShared::StoreFilesContext() const
{
    return StoreContext{StoresFolder, StoreNames()};
}

std::string TMainShared::StoreFile() const
{
    return StoreFilePath(StoreContext{StoresFolder, {}}, Store.Name);
}

bool TMainShared::ChangeItem(int32_t category, int32_t item, const std::function<void(QMItem&)>& change,
                             bool select)
{
    const AnsiString categoryName = Store.CategoryAt(category).Name;
    const AnsiString itemName = Store.ItemAt(category, item).Name;
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
        if (RefreshStore() == Refresh::Failed)
            return false;
        std::tie(category, item) = Store.FindItem(categoryName, itemName);
        if (item < 0)
            RaiseTakenOut(categoryName, itemName);
    }
}

} // namespace qm
