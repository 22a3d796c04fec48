// The open store in the window: the store picker, loading a store with its window steps
// (picker selection, status bar, caption, the expired-coupon report, the buttons that need a
// category), reading it again when another program changed its file, the selection getters,
// the shopping-list build with its status text, and the remembered selection.
#include <QComboBox>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "app/Settings.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Application.h"
#include "platform/Dispatch.h"
#include "platform/Exception.h"
#include "platform/gui/StatusBar.h"
#include "store/StoreLoader.h"

namespace qm {

namespace {

// The expired-coupon report as a box that fits the screen: its first line, at most
// kReportLines entries, each cut to kReportLineBytes, then "... and N more." for the rest.
constexpr size_t kReportLines = 20;
constexpr size_t kReportLineBytes = 100;

AnsiString FitReport(const AnsiString& report)
{
    std::vector<AnsiString> lines;
    for (size_t pos = 0; pos < report.size();) {
        const size_t end = std::min(report.find('\r', pos), report.size());
        lines.push_back(report.substr(pos, end - pos));
        pos = end + 1;
    }
    if (lines.empty())
        return report;
    AnsiString out = lines[0] + "\r";
    const size_t entries = lines.size() - 1;
    const size_t shown = entries > kReportLines ? kReportLines - 1 : entries;
    for (size_t i = 1; i <= shown; ++i) {
        AnsiString line = lines[i];
        if (line.size() > kReportLineBytes)
            line = line.substr(0, kReportLineBytes - 1) + "\x85";
        out += line + "\r";
    }
    if (shown < entries)
        out += Format("\x85 and %zu more.\r", entries - shown);
    return out;
}

} // namespace

std::vector<AnsiString> TFormMain::StoreNames() const
{
    std::vector<AnsiString> names;
    names.reserve(size_t(ComboStores->count()));
    for (int i = 0; i < ComboStores->count(); ++i)
        names.push_back(FromQString(ComboStores->itemText(i)));
    return names;
}

// The picker's entries become the store files of the storage folder, by bare name. Like any
// replaced list it is left with no entry selected; whoever refills it chooses the entry.
void TFormMain::FillStoreList()
{
    const std::vector<AnsiString> names = ListStoreNames(StoresFolder);
    QStringList entries;
    entries.reserve(qsizetype(names.size()));
    for (const AnsiString& name : names)
        entries << ToQString(name);
    ComboStores->clear();
    ComboStores->addItems(entries);
    ComboStores->setCurrentIndex(-1);
}

void TFormMain::LoadStore(const AnsiString& name)
{
    OpenStore(name);
}

bool TFormMain::OpenStore(const AnsiString& name)
{
    // At start-up the picker shows the store being opened.
    if (Loading) {
        int found = -1;
        for (int i = 0; i < ComboStores->count() && found < 0; ++i)
            if (SameName(FromQString(ComboStores->itemText(i)), name))
                found = i;
        ComboStores->setCurrentIndex(found);
    }

    const LoadStoreResult result = ReadStore(name);
    if (!result.Found) {
        MessageDlg(result.Error.empty() ? StoreNotFoundText(name) : result.Error, mtError, mbOK, 0);
        // The entry that cannot be opened goes, and the picker names the store that stays open,
        // so that it is the store closing the window remembers.
        if (const int selected = ComboStores->currentIndex(); selected >= 0) {
            ComboStores->removeItem(selected);
            ComboStores->setCurrentIndex(-1);
            if (!Store.Name.empty())
                SetCurrentStoreName(Store.Name);
        }
        return false;
    }
    ClearFindHits();       // they named rows of the store searched
    ItemRows.ForgetRows(); // nor has the new store been drawn yet

    StatusBar->SetPanelText(1, "Items in store: " + QString::number(Store.ItemCount()));
    const AnsiString title = name + " - " + kAppTitle;
    setWindowTitle(ToQString(title));
    SetApplicationTitle(title);

    if (!result.ExpiredReport.empty())
        MessageDlg(FitReport(result.ExpiredReport), mtInformation, mbOK, 0);
    EnableStoreButtons();
    ShoppingListBar->setValue(0);
    return true;
}

void TFormMain::StoreGone()
{
    FillStoreList();
    QMetaObject::invokeMethod(
        this, [this] { Dispatch([this] { ReplaceGoneStore(); }); }, Qt::QueuedConnection);
}

// Each store the picker lists is tried in turn, as one that cannot be opened leaves it. Nothing
// is done when a store was read meanwhile: the user picked one, or the file came back.
void TFormMain::ReplaceGoneStore()
{
    if (Closing || !StoreGoneReported())
        return;
    // As a pick in the picker: the item list takes the keyboard.
    ImageItemList->setFocus(Qt::OtherFocusReason);
    while (ComboStores->count() > 0) {
        ComboStores->setCurrentIndex(0);
        if (OpenPickedStore()) {
            ComboFind->setEnabled(true);
            BtnAddItem->setEnabled(true);
            return;
        }
    }
    ShowNoStore();
}

void TFormMain::ShowNoStore()
{
    Store = QMStore();
    ClearFindHits();
    ItemRows.ForgetRows();
    StatusBar->SetPanelText(1, QString());
    setWindowTitle(kAppTitle);
    SetApplicationTitle(kAppTitle);
    EnableStoreButtons();
    DisableFindAndAdd();
    ComboFind->setEditText(QString());
    DrawItemList();
    DrawItemListHeader();
    BuildShoppingList();
    StatusBar->SetPanelText(2, QString());
    DrawShoppingList();
}

void TFormMain::EnableStoreButtons()
{
    const bool hasCategories = StoreHasCategories();
    for (QToolButton* button :
         {BtnCut, BtnCopy, BtnResetStore, BtnCategoryEdit, BtnCategoryDelete, BtnEditItem, BtnAddItem,
          BtnDeleteItem, BtnQtyUp, BtnQtyDown, BtnCoupon, BtnEditNote})
        button->setEnabled(hasCategories);
    BtnPaste->setEnabled(hasCategories && ClipboardHasData());
}

// The view is kept as the window shows it: the rows the selection and the expanded states
// name (put back already), the item list's place (which the drawing keeps within the new rows)
// and the shopping list's. The header follows the store's coupon switch, which another window
// may have turned.
void TFormMain::StoreReadAgain(const LoadStoreResult& result)
{
    ClearFindHits();
    ItemRows.ForgetRows();
    StatusBar->SetPanelText(1, "Items in store: " + QString::number(Store.ItemCount()));
    if (!result.ExpiredReport.empty())
        MessageDlg(FitReport(result.ExpiredReport), mtInformation, mbOK, 0);
    EnableStoreButtons();
    RefreshFindHits();
    const bool itemSelected = HasSelectedItem();
    for (QToolButton* button : {BtnEditItem, BtnDeleteItem, BtnQtyUp, BtnQtyDown, BtnEditNote})
        button->setEnabled(itemSelected);
    BtnCoupon->setEnabled(itemSelected && Store.AcceptsCoupons);
    const int shopListTop = ShoppingListBar->value();
    DrawItemList();
    DrawItemListHeader();
    BuildShoppingList();
    {
        const QSignalBlocker quiet(ShoppingListBar);
        ShoppingListBar->setValue(shopListTop);
    }
    DrawShoppingList();
}

AnsiString TFormMain::GetCurrentStoreName() const
{
    const int index = ComboStores->currentIndex();
    return index >= 0 ? FromQString(ComboStores->itemText(index)) : AnsiString();
}

void TFormMain::SetCurrentStoreName(const AnsiString& name)
{
    for (int i = 0; i < ComboStores->count(); ++i)
        if (SameName(FromQString(ComboStores->itemText(i)), name)) {
            ComboStores->setCurrentIndex(i);
            return;
        }
}

AnsiString TFormMain::GetSelectedItemFieldText(int n) const
{
    return Store.GetSelectedItemFieldText(n);
}

void TFormMain::GetSelectedItem(QMItem& out) const
{
    Store.GetSelectedItem(out);
}

void TFormMain::GetItem(int32_t category, int32_t item, QMItem& out) const
{
    Store.GetItem(category, item, out);
}

void TFormMain::GetCategory(int32_t category, QMCategory& out) const
{
    Store.GetCategory(category, out);
}

void TFormMain::BuildShoppingList()
{
    ShopListSettings settings;
    settings.SortByAisle = BtnSortByAisle->isChecked();
    settings.ErrandsOnTop = ErrandsOnTop;
    settings.ErrandsCaption = ErrandsCaption;
    StatusBar->SetPanelText(2, ToQString(qm::BuildShoppingList(Store, ShopList, settings)));
    ShopRows.ForgetRows(); // the new list has not been drawn yet
}

// Only the selection's key is written, nothing of the window's copy of the store. A store file
// that went away is reported once, and not made again.
void TFormMain::SaveLastItemSelected()
{
    ChangeStoreFile([this](bool, Undo&) {
        qm::SaveLastItemSelected(StoreFilesContext(), Store);
        return Try::Done;
    });
}

} // namespace qm
