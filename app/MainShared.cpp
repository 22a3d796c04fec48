#include "app/MainShared.h"

#include "platform/Dialogs.h"

namespace qm {

StoreContext TMainShared::StoreFilesContext() const
{
    return StoreContext{StoresFolder, StoreNames()};
}

std::string TMainShared::StoreFile() const
{
    return StoreFilePath(StoreContext{StoresFolder, {}}, Store.Name);
}

LoadStoreResult TMainShared::ReadStore(const AnsiString& name)
{
    LoadStoreResult result = LoadStoreData(StoreFilesContext(), Store, name, &StoreWatch);
    if (result.Found)
        storeGoneReported_ = false;
    return result;
}

TMainShared::Refresh TMainShared::RefreshStore()
{
    if (Store.Name.empty())
        return Refresh::Unchanged;
    switch (StoreWatch.Look(StoreFile())) {
    case IniFile::Watch::State::Unchanged:
    case IniFile::Watch::State::Unreadable:
        return Refresh::Unchanged;
    case IniFile::Watch::State::Missing:
        ReportStoreGone();
        return Refresh::Failed;
    case IniFile::Watch::State::Changed:
        break;
    }
    const QMStoreView view(Store);
    const bool wasGone = storeGoneReported_;
    const LoadStoreResult result = ReadStore(Store.Name);
    if (!result.Found) {
        // Gone, or made unreadable, since the look above.
        if (result.Error.empty())
            ReportStoreGone();
        else
            MessageDlg(result.Error, mtError, mbOK, 0);
        return Refresh::Failed;
    }
    view.ApplyTo(Store);
    if (wasGone) {
        // Back where it was: the picker lists it again, as the open store.
        FillStoreList();
        SetCurrentStoreName(Store.Name);
    }
    StoreReadAgain(result);
    return Refresh::Reread;
}

void TMainShared::ReportStoreGone()
{
    if (storeGoneReported_)
        return;
    storeGoneReported_ = true; // before the box, whose event loop may run another change
    MessageDlg(StoreNotFoundText(Store.Name), mtError, mbOK, 0);
    StoreGone();
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

bool TMainShared::ChangeStoreFile(const std::function<Try(bool again, Undo& undo)>& tryChange)
{
    // Puts back what the try changed, last change first; true when it had changed anything.
    const auto putBack = [](Undo& undo) {
        for (auto step = undo.steps_.rbegin(); step != undo.steps_.rend(); ++step)
            (*step)();
        return !undo.steps_.empty();
    };
    for (int round = 1;; ++round) {
        Undo undo;
        Try result;
        try {
            result = tryChange(round > 1, undo);
        } catch (const EStoreNotFound& gone) {
            putBack(undo);
            // Went away between the look and the write.
            if (gone.Store != Store.Name)
                throw;
            ReportStoreGone();
            return false;
        } catch (...) {
            if (putBack(undo))
                DrawItemList();
            throw;
        }
        if (result == Try::Done)
            return true;
        if (putBack(undo) && result == Try::Stop)
            DrawItemList();
        if (result == Try::Stop)
            return false;
        if (round == kMaxChangeRounds) {
            DrawItemList();
            RaiseStoreKeptChanging(StoreFilesContext(), Store.Name);
        }
    }
}

TMainShared::Try TMainShared::WriteBatch(const StoreBatch& batch, CarryOverFailures* failures)
{
    std::optional<CarryOverFailures> written =
        ApplyStoreBatchIfUnchanged(StoreFilesContext(), Store.Name, batch, StoreWatch);
    if (!written)
        return Try::FileChanged;
    if (failures)
        failures->insert(failures->end(), written->begin(), written->end());
    else
        ReportCarryOverFailures(*written);
    return Try::Done;
}

bool TMainShared::WriteStoreKey(const AnsiString& section, const AnsiString& key, const AnsiString& value)
{
    return ChangeStoreFile([&](bool, Undo&) {
        WriteStoreString(StoreFilesContext(), Store.Name, section, key, value);
        return Try::Done;
    });
}

bool TMainShared::ChangeItem(int32_t category, int32_t item, const std::function<void(QMItem&)>& change,
                             bool select)
{
    // The first try writes without a look at the file: the write itself finds out whether it
    // changed, and a quantity key on a large store costs no extra reading of it.
    return ChangeStoreFile([&](bool again, Undo& undo) {
        if (again && !CurrentRow(category, item))
            return Try::Stop;
        QMItem& target = Store.ItemAt(category, item);
        undo.Keep(target);
        change(target);
        if (select)
            SelectRow(category, item);
        return SaveItemIfUnchanged(StoreFilesContext(), Store, category, item, StoreWatch) ? Try::Done
                                                                                           : Try::FileChanged;
    });
}

} // namespace qm
