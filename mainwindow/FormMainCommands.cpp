// The Store, Category and Item menus' commands: resets, sort modes, the coupon switch, store
// switching, the web site, deletes, expand and collapse, and the coupon and note dialogs.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>
#include <optional>

#include "app/HelpContexts.h"
#include "dialogs/CopyItemUnit.h"
#include "dialogs/CouponBlock.h"
#include "dialogs/CouponUnit.h"
#include "dialogs/ItemHeader.h"
#include "dialogs/NoteUnit.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dispatch.h"
#include "platform/Shell.h"
#include "platform/gui/QtDialogs.h"

namespace qm {

namespace {

// A reset's or delete's question. The Help button opens the help and leaves the question up,
// so only Yes or No ends it.
bool Confirm(const AnsiString& question, int helpContext)
{
    for (;;) {
        const int answer = MessageDlg(question, mtConfirmation, mbYes | mbNo | mbHelp, helpContext);
        if (answer != mrHelp)
            return answer == mrYes;
    }
}

// A name as a menu caption shows it: "&" doubled so that it marks no key, and a name wider
// than a third of the screen cut short with an ellipsis, so that the menu fits on the screen.
// *cut tells whether it was.
QString MenuText(const QMenu& menu, const AnsiString& name, bool* cut)
{
    const QScreen* screen = menu.screen() ? menu.screen() : QGuiApplication::primaryScreen();
    const int maxWidth = screen ? screen->availableGeometry().width() / 3 : 300;
    const QString full = ToQString(name);
    QString shown = QFontMetrics(menu.font()).elidedText(full, Qt::ElideRight, maxWidth);
    *cut = shown != full;
    return shown.replace('&', "&&");
}

// The "..." that ends the caption of a command opening a dialog, after a name: none after a
// name cut short, whose ellipsis already ends the caption.
QString DotsAfter(bool nameCut)
{
    return nameCut ? QString() : QStringLiteral("...");
}

// The picture of an expand or collapse entry: the item list's collapse marker when the entry
// collapses, its expand marker when it expands. Made again only when the state changes.
void SetExpandIcon(QAction* action, bool expanded, TBitmap32List& glyphs)
{
    const QVariant shown = action->property("ExpandIconState");
    if (shown.isValid() && shown.toBool() == expanded)
        return;
    action->setProperty("ExpandIconState", expanded);
    action->setIcon(QIcon(GlyphPicture(glyphs, expanded ? kGlyphExpandedMarker : kGlyphCollapsedMarker)));
}

// A store file may come from anywhere: its web address is opened only when it is one.
void OpenWebAddress(const AnsiString& address)
{
    if (!IsWebAddress(address)) {
        MessageDlg(
            "The store's website \"" + address +
                "\" is not opened: only addresses beginning with \"http://\" or \"https://\" are opened.",
            mtError, mbOK, 0);
        return;
    }
    Shell().openUrl(address);
}

} // namespace

// The window's input seen before any of its controls get it, through one filter on the
// application:
// - Just before a key press is matched against the shortcuts of the window, the Store,
//   Category and Item menus set their states, as when they open: a shortcut then acts on the
//   window as it is now, never on the state the menu had when it last opened (the matching
//   goes on afterwards, so what fails here is shown after it).
// - A mouse's back and forward thumb buttons step to the previous and next store, as Alt+Left
//   and Alt+Right do (the tip of the day promises it), wherever the pointer is in the window.
class TFormMain::WindowInput : public QObject {
public:
    explicit WindowInput(TFormMain* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if ((type != QEvent::ShortcutOverride && type != QEvent::MouseButtonPress) ||
            !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != form_)
            return false;
        if (type == QEvent::ShortcutOverride) {
            Dispatch(
                [this] {
                    form_->MMenuStoreClick();
                    form_->MMenuCategoryClick();
                    form_->MMenuItemClick();
                },
                Report::Later);
            return false;
        }
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        QAction* command = button == Qt::BackButton      ? form_->MItemStorePrevious
                           : button == Qt::ForwardButton ? form_->MItemStoreNext
                                                         : nullptr;
        if (!command)
            return false;
        Dispatch([this] { form_->MMenuStoreClick(); });
        if (command->isEnabled())
            command->trigger();
        return true;
    }

private:
    TFormMain* form_;
};

namespace {

struct ResetText {
    const char* question;
    int helpContext;
};

// The fields a reset clears.
struct ResetFields {
    bool qty, coupon, expiry, note;
};

// An item a reset changed and the fields it had.
struct ResetItem {
    QMItem* item;
    int32_t qty;
    bool hasCoupon;
    double expire;
    AnsiString note;
};

// Clears the fields in every item the reset concerns (every item, or with purchasedOnly those
// with a quantity), noting each item and what it held.
void ClearForReset(QMStore& store, const ResetFields& fields, bool purchasedOnly,
                   std::vector<ResetItem>& before, std::vector<std::pair<int32_t, int32_t>>& changed)
{
    before.reserve(size_t(store.ItemCount()));
    changed.reserve(size_t(store.ItemCount()));
    for (int32_t c = 0; c < store.CategoryCount(); ++c) {
        std::vector<QMItem>& items = store.Categories[size_t(c)].Items;
        for (int32_t i = 0; i < int32_t(items.size()); ++i) {
            QMItem& item = items[size_t(i)];
            if (purchasedOnly && item.Qty <= 0)
                continue;
            ResetItem& b =
                before.emplace_back(ResetItem{&item, item.Qty, item.HasCoupon, item.CouponExpire, {}});
            if (fields.qty)
                item.Qty = 0;
            if (fields.coupon)
                item.HasCoupon = false;
            if (fields.expiry)
                item.CouponExpire = 0;
            if (fields.note)
                b.note = std::exchange(item.Note, AnsiString());
            changed.emplace_back(c, i);
        }
    }
}

// The items as they were before ClearForReset.
void UndoReset(const ResetFields& fields, std::vector<ResetItem>& before)
{
    for (ResetItem& b : before) {
        b.item->Qty = b.qty;
        b.item->HasCoupon = b.hasCoupon;
        b.item->CouponExpire = b.expire;
        if (fields.note)
            b.item->Note = std::move(b.note);
    }
}

} // namespace

void TFormMain::ConnectCommandHandlers()
{
    qApp->installEventFilter(new WindowInput(this));

    // The tool buttons of the store, category and item commands.
    Wire(BtnResetStore, &TFormMain::MItemStoreResetPurchasedClick);
    Wire(BtnSortByAisle, &TFormMain::BtnSortByAisleClick);
    Wire(BtnSortByCategory, &TFormMain::BtnSortByCategoryClick);
    Wire(BtnCategoryDelete, &TFormMain::MItemCategoryDeleteClick);
    Wire(BtnDeleteItem, &TFormMain::MItemItemDeleteClick);
    Wire(BtnCoupon, &TFormMain::MItemItemCouponClick);
    Wire(BtnEditNote, &TFormMain::MItemItemNotesClick);
    // Only a pick by the user switches the store; the program's own changes of the picker's
    // entry do not. A pick comes while the picker's list closes.
    connect(ComboStores, &QComboBox::activated, this,
            [this] { Dispatch([this] { ComboStoresSelect(); }, Report::Later); });
}

bool TFormMain::HasSelectedCategory() const
{
    return Store.SelCategory >= 0 && Store.SelCategory < Store.CategoryCount();
}

bool TFormMain::HasSelectedItem() const
{
    return HasSelectedCategory() && Store.SelItem >= 0 &&
           Store.SelItem < Store.Categories[size_t(Store.SelCategory)].ItemCount();
}

// ---- Menus as they open ---------------------------------------------------------------------

void TFormMain::MMenuStoreClick()
{
    MItemStoreSortList->setText(BtnSortByAisle->isChecked() ? "Sort Shopping List by Category"
                                                            : "Sort Shopping List by Aisle/Dept.");
    // The entries follow their sub-menu, so that their keys are off with it.
    const bool hasCategories = StoreHasCategories();
    MItemStoreReset->menuAction()->setEnabled(hasCategories);
    for (QAction* a : {MItemStoreResetPurchased, MItemStoreResetQuantities, MItemStoreResetCoupons,
                       MItemStoreResetNotes, MItemStoreResetAll})
        a->setEnabled(hasCategories);
    MItemStoreAcceptCoupons->setChecked(Store.AcceptsCoupons);
}

void TFormMain::MMenuCategoryClick()
{
    if (Store.ItemCount() > 0 && HasSelectedCategory()) {
        const bool expanded = Store.Categories[size_t(Store.SelCategory)].Expanded;
        MItemCategoryShowHide->setText(expanded ? "Collapse This Category" : "Expand This Category");
        MItemCategoryShowHide->setShortcut(QKeySequence(expanded ? "Ctrl+Left" : "Ctrl+Right"));
        SetExpandIcon(MItemCategoryShowHide, expanded, ImageListItemList);
    }
    const bool hasCategories = StoreHasCategories();
    for (QAction* a : {MItemCategoryEdit, MItemCategoryDelete, MItemCategoryCopy, MItemCategoryChangeAisle,
                       MItemCategoryShowHide, MItemCategoryShowAll, MItemCategoryHideAll})
        a->setEnabled(hasCategories);
}

void TFormMain::MMenuItemClick()
{
    const bool itemSelected = HasSelectedItem();
    for (QAction* a : {MItemItemEdit, MItemItemDelete, MItemItemCopy, MItemItemQty->menuAction(),
                       MItemItemQtyUp, MItemItemQtyDown, MItemItemNotes})
        a->setEnabled(itemSelected);
    const bool hasCategories = StoreHasCategories();
    MItemItemAdd->setEnabled(hasCategories);
    MItemItemAddMult->setEnabled(hasCategories);
    MItemItemCoupon->setChecked(
        itemSelected && Store.Categories[size_t(Store.SelCategory)].Items[size_t(Store.SelItem)].HasCoupon);
    MItemItemCoupon->setEnabled(itemSelected && Store.AcceptsCoupons);
}

void TFormMain::PMenuItemsContextPopup()
{
    const bool itemSelected = HasSelectedItem();
    for (QAction* a :
         {PItemContextItem->menuAction(), PItemContextQtyUp, PItemContextQtyDown, PItemContextCoupon,
          PItemContextNote, PItemContextEdit, PItemContextDelete, PItemContextCopyItem})
        a->setVisible(itemSelected);
    PItemContextPaste->setEnabled(ClipboardHasData());

    bool cut = false;
    const QString item = MenuText(*PMenuItemsContext, GetSelectedItemName(), &cut);
    PItemContextItem->setTitle(item + " Properties");
    PItemContextEdit->setText("Edit " + item + DotsAfter(cut));
    PItemContextDelete->setText("Delete " + item + DotsAfter(cut));
    PItemContextCopyItem->setText("Copy " + item + " to Another Store...");

    const QString category = MenuText(*PMenuItemsContext, GetSelectedCategoryName(), &cut);
    const bool expanded = HasSelectedCategory() && Store.Categories[size_t(Store.SelCategory)].Expanded;
    PItemContextCollapseCat->setText((expanded ? "Collapse " : "Expand ") + category);
    SetExpandIcon(PItemContextCollapseCat, expanded, ImageListItemList);
    PItemContextEditCat->setText("Edit " + category + DotsAfter(cut));
    PItemContextDeleteCat->setText("Delete " + category + DotsAfter(cut));
    PItemContextCopyCat->setText("Copy " + category + " to Another Store...");
}

// ---- Resets ---------------------------------------------------------------------------------

void TFormMain::MItemStoreResetPurchasedClick()
{
    ResetStore(ResetKind::Purchased);
}

void TFormMain::MItemStoreResetQuantitiesClick()
{
    ResetStore(ResetKind::Quantities);
}

void TFormMain::MItemStoreResetCouponsClick()
{
    ResetStore(ResetKind::Coupons);
}

void TFormMain::MItemStoreResetNotesClick()
{
    ResetStore(ResetKind::Notes);
}

void TFormMain::MItemStoreResetAllClick()
{
    ResetStore(ResetKind::All);
}

// Every item the reset concerns is cleared in memory and written in one batch: one rewrite of
// the open store's file and one of each store its coupons are carried to. The reset is made
// over the items as the file holds them: when another program changed the file since the
// window read it, the store is read again and the reset made anew. When the open store's file
// cannot be rewritten nothing is written anywhere, and the items take their old values again,
// so the lists keep showing what the file holds.
void TFormMain::ResetStore(ResetKind kind)
{
    static const ResetText kTexts[] = {
        {"Are you sure you want to reset all quantities, coupons, and notes for all purchased (checked) "
         "items\r"
         "(NOTE: This may reset some coupons for other stores)?",
         HelpContextOf("Resetting purchased items")},
        {"Are you sure you want to reset all quantities?", HelpContextOf("Resetting quantities")},
        {"Are you sure you want to reset all coupons (NOTE: This may reset some coupons for other stores)?",
         HelpContextOf("Resetting coupons")},
        {"Are you sure you want to reset all notes?", HelpContextOf("Resetting notes")},
        {"Are you sure you want to reset all quantities, coupons, and notes?\r"
         "(NOTE: This may reset some coupons for other stores)?",
         HelpContextOf("Resetting everything")},
    };
    const ResetText& text = kTexts[int(kind)];
    if (!Confirm(text.question, text.helpContext))
        return;

    const ResetFields fields{
        kind != ResetKind::Coupons && kind != ResetKind::Notes,
        kind == ResetKind::Purchased || kind == ResetKind::Coupons || kind == ResetKind::All,
        kind == ResetKind::Coupons || kind == ResetKind::All,
        kind == ResetKind::Purchased || kind == ResetKind::Notes || kind == ResetKind::All};
    CarryOverFailures failures;
    bool categories = true;
    // The first try writes without a look at the file, which the write makes itself.
    ChangeStoreFile([&](bool again, Undo& undo) {
        if (again && RefreshStore() == Refresh::Failed)
            return Try::Stop;
        categories = StoreHasCategories();
        std::vector<ResetItem> before;
        std::vector<std::pair<int32_t, int32_t>> changed;
        ClearForReset(Store, fields, kind == ResetKind::Purchased, before, changed);
        // A reset that finds nothing to change writes nothing, so the file is looked at first.
        if (changed.empty()) {
            if (!again) {
                switch (RefreshStore()) {
                case Refresh::Reread:
                    return Try::FileChanged;
                case Refresh::Failed:
                    return Try::Stop;
                case Refresh::Unchanged:
                    break;
                }
            }
            return Try::Done;
        }
        undo.Add([fields, before = std::move(before)]() mutable { UndoReset(fields, before); });
        std::optional<CarryOverFailures> written =
            SaveItemsIfUnchanged(StoreFilesContext(), Store, changed, StoreWatch);
        if (!written)
            return Try::FileChanged;
        failures = std::move(*written);
        return Try::Done;
    });
    DrawItemList();
    if (!categories)
        return;
    BuildShoppingList();
    DrawShoppingList();
    ReportCarryOverFailures(failures);
}

// ---- Sort modes -----------------------------------------------------------------------------

void TFormMain::MItemStoreSortListClick()
{
    if (BtnSortByAisle->isChecked())
        BtnSortByCategory->setChecked(true);
    else
        BtnSortByAisle->setChecked(true);
    BuildShoppingList();
    DrawShoppingList();
}

void TFormMain::BtnSortByAisleClick()
{
    BtnSortByAisle->setChecked(true);
    BuildShoppingList();
    DrawShoppingList();
}

void TFormMain::BtnSortByCategoryClick()
{
    BtnSortByCategory->setChecked(true);
    BuildShoppingList();
    DrawShoppingList();
}

// ---- Coupon switch --------------------------------------------------------------------------

// The key is written before the record changes, so a store file that refuses it leaves the
// store as it was; a store file that went away is reported once and nothing is reloaded.
void TFormMain::MItemStoreAcceptCouponsClick()
{
    if (Store.Name.empty() || RefreshStore() == Refresh::Failed) {
        MItemStoreAcceptCoupons->setChecked(Store.AcceptsCoupons);
        return;
    }
    bool written = true;
    if (!Store.AcceptsCoupons) {
        written = WriteStoreKey(kInfoSection, "AcceptsCoupons", "1");
        Store.AcceptsCoupons = written;
    } else if (MessageDlg("Are you sure you want to turn off coupons for this store?", mtConfirmation,
                          mbYes | mbNo, 0) == mrYes) {
        written = WriteStoreKey(kInfoSection, "AcceptsCoupons", "0");
        Store.AcceptsCoupons = !written;
    }
    MItemStoreAcceptCoupons->setChecked(Store.AcceptsCoupons);
    if (!written)
        return; // the store's file went away
    LoadStore(Store.Name);
    DrawItemList();
    DrawItemListHeader();
    BuildShoppingList();
    DrawShoppingList();
    BtnCoupon->setEnabled(HasSelectedItem() && Store.AcceptsCoupons);
    MItemStoreAcceptCoupons->setChecked(Store.AcceptsCoupons);
}

// ---- Web site -------------------------------------------------------------------------------

void TFormMain::MItemStoreWebVisitClick()
{
    if (Store.Name.empty() || RefreshStore() == Refresh::Failed)
        return;
    const StoreContext ctx = StoreFilesContext();
    AnsiString address = ReadStoreString(ctx, Store.Name, kInfoSection, "StoreURL");
    if (!address.empty() && address != "http://") {
        OpenWebAddress(address);
        return;
    }
    if (!InputQuery("Quillmart", "Store's Website:", address))
        return;
    // The file drops blanks around a value; the address opened is the one it keeps.
    address = FromQString(ToQString(address).trimmed());
    if (!WriteStoreKey(kInfoSection, "StoreURL", address))
        return;
    // An answer that gives no address leaves nothing to open.
    if (!address.empty() && address != "http://")
        OpenWebAddress(address);
}

void TFormMain::MItemStoreWebEditClick()
{
    if (Store.Name.empty() || RefreshStore() == Refresh::Failed)
        return;
    AnsiString address = ReadStoreString(StoreFilesContext(), Store.Name, kInfoSection, "StoreURL");
    if (InputQuery("Quillmart", "Store's Website:", address))
        WriteStoreKey(kInfoSection, "StoreURL", address);
}

// ---- Store switching ------------------------------------------------------------------------

bool TFormMain::OpenPickedStore()
{
    const AnsiString name = GetCurrentStoreName();
    if (name.empty() || !OpenStore(name))
        return false;
    // The new store is laid out first: SelectRow scrolls its row into view by the row
    // positions of the last drawing, which must be this store's, not the one left.
    DrawItemList();
    SelectRow(Store.SelCategory, Store.SelItem);
    BuildShoppingList();
    DrawItemList();
    DrawItemListHeader();
    DrawShoppingList();
    return true;
}

// From no selection the next store is the first one.
void TFormMain::MItemStoreNextClick()
{
    const int count = ComboStores->count();
    if (count == 0)
        return;
    const int index = ComboStores->currentIndex();
    ComboStores->setCurrentIndex(index < 0 || index >= count - 1 ? 0 : index + 1);
    OpenPickedStore();
}

// Without a selection there is no store to step back from.
void TFormMain::MItemStorePreviousClick()
{
    const int count = ComboStores->count();
    const int index = ComboStores->currentIndex();
    if (count == 0 || index < 0)
        return;
    ComboStores->setCurrentIndex(index == 0 ? count - 1 : index - 1);
    OpenPickedStore();
}

void TFormMain::ComboStoresSelect()
{
    ComboFind->setEnabled(true);
    BtnAddItem->setEnabled(true);
    if (Loading)
        return;
    ImageItemList->setFocus(Qt::OtherFocusReason);
    OpenPickedStore();
}

// ---- Category commands ----------------------------------------------------------------------

void TFormMain::ReloadStore(const AnsiString& name)
{
    LoadStore(name);
    DrawItemList();
    BuildShoppingList();
    DrawShoppingList();
}

// The category is erased as the store's file holds it: one another program took out (or
// renamed) since the window read the store is reported, and nothing is erased.
void TFormMain::MItemCategoryDeleteClick()
{
    if (!HasSelectedCategory())
        return;
    int32_t c = Store.SelCategory;
    const AnsiString name = Store.Categories[size_t(c)].Name;
    if (!Confirm("Are you sure you want to delete the category \"" + name + "\" and all its items?",
                 HelpContextOf("Deleting a category")))
        return;
    const bool erased = ChangeStoreFile([&](bool, Undo&) {
        int32_t row = kNoRow;
        if (!CurrentRow(c, row))
            return Try::Stop;
        StoreBatch batch;
        batch.EraseSection(Store.CategoryAt(c).Name);
        return WriteBatch(batch);
    });
    if (erased)
        ReloadStore(Store.Name);
}

void TFormMain::MItemCategoryShowHideClick()
{
    if (HasSelectedCategory())
        FlipCategory(Store.SelCategory);
}

// The state is written for the category as the store's file holds it: one another program
// took out since the window read the store is reported, and no state is written for it.
void TFormMain::FlipCategory(int32_t c)
{
    ChangeStoreFile([&](bool, Undo& undo) {
        int32_t row = kNoRow;
        if (!CurrentRow(c, row))
            return Try::Stop;
        QMCategory& category = Store.CategoryAt(c);
        undo.Keep(category.Expanded);
        category.Expanded = !category.Expanded;
        SelectRow(c, -1);
        // A name from an older file that cannot be a key keeps its state on screen only.
        if (!IsStorableKey(category.Name))
            return Try::Done;
        StoreBatch batch;
        batch.Write(kHiddenCatsSection, category.Name, category.Expanded ? "0" : "1");
        return WriteBatch(batch);
    });
    MMenuCategoryClick();
}

// The states of all categories the store's file holds go into it in one rewrite first; a file
// that refuses them leaves the list as it was. A name from an older file that cannot be a key
// keeps its state on screen only.
bool TFormMain::WriteAllCategoryStates(bool expanded)
{
    return ChangeStoreFile([&](bool, Undo&) {
        if (RefreshStore() == Refresh::Failed)
            return Try::Stop;
        StoreBatch batch;
        for (const QMCategory& category : Store.Categories)
            if (IsStorableKey(category.Name))
                batch.Write(kHiddenCatsSection, category.Name, expanded ? "0" : "1");
        const Try result = WriteBatch(batch);
        if (result == Try::Done)
            for (QMCategory& category : Store.Categories)
                category.Expanded = expanded;
        return result;
    });
}

void TFormMain::MItemCategoryShowAllClick()
{
    if (!StoreHasCategories() || !WriteAllCategoryStates(true))
        return;
    DrawItemList();
}

void TFormMain::MItemCategoryHideAllClick()
{
    if (!StoreHasCategories() || !WriteAllCategoryStates(false))
        return;
    if (HasSelectedCategory())
        SelectRow(Store.SelCategory, -1);
    else
        DrawItemList();
}

// ---- Item commands --------------------------------------------------------------------------

// As the category: the item is deleted as the store's file holds it, and one another program
// took out (or moved) since the window read the store is reported.
void TFormMain::MItemItemDeleteClick()
{
    if (!HasSelectedItem())
        return;
    int32_t c = Store.SelCategory, i = Store.SelItem;
    const AnsiString itemName = Store.ItemAt(c, i).Name;
    if (!Confirm("Are you sure you want to delete the item \"" + itemName + "\"?",
                 HelpContextOf("Deleting an item")))
        return;
    const bool deleted = ChangeStoreFile([&](bool, Undo&) {
        if (!CurrentRow(c, i))
            return Try::Stop;
        StoreBatch batch;
        batch.DeleteKey(Store.CategoryAt(c).Name, Store.ItemAt(c, i).Name);
        return WriteBatch(batch);
    });
    if (deleted)
        ReloadStore(Store.Name);
}

// The dialog copies the item as the store's file holds it; one another program took out is
// reported before it opens.
void TFormMain::MItemItemCopyClick()
{
    int32_t c = Store.SelCategory, i = Store.SelItem;
    if (!HasSelectedItem() || !CurrentRow(c, i))
        return;
    TFormCopyItem form(*this, this);
    RunModal(form);
}

bool TFormMain::EditCouponDialog(int32_t category, int32_t item, TDateTime& expiry, bool& storeOnly,
                                 bool& hasCoupon)
{
    const QMItem& stored = Store.ItemAt(category, item);
    TFormCoupon form(*this, this);
    form.LabelCategoryName->setText(ToQString(Store.CategoryAt(category).Name));
    form.LabelItemName->setText(ToQString(stored.Name));
    form.CouponBlock->Show(stored.HasCoupon, stored.CouponExpire, stored.IsStoreCoupon);
    const bool ok = RunModal(form) == mrOk;
    hasCoupon = form.CouponBlock->HasCoupon();
    if (hasCoupon) {
        expiry = form.CouponBlock->Expiry();
        storeOnly = form.CouponBlock->StoreOnly();
    }
    return ok;
}

// A coupon taken off keeps the item's expiry and this-store-only mark, as the edit-item
// dialog does. A store that takes no coupons has none to edit. The dialog opens on the item as
// the store's file holds it, and what it changed goes over the item as the file holds it when
// it closes: another program may have written it meanwhile.
void TFormMain::MItemItemCouponClick()
{
    if (RefreshStore() == Refresh::Failed)
        return;
    if (!HasSelectedItem() || !Store.AcceptsCoupons) {
        MItemItemCoupon->setChecked(
            HasSelectedItem() &&
            Store.Categories[size_t(Store.SelCategory)].Items[size_t(Store.SelItem)].HasCoupon);
        return;
    }
    const int32_t c = Store.SelCategory, i = Store.SelItem;
    const QMItem shown = Store.Categories[size_t(c)].Items[size_t(i)];
    TDateTime expiry = shown.CouponExpire;
    bool storeOnly = shown.IsStoreCoupon;
    bool hasCoupon = shown.HasCoupon;
    const bool ok = EditCouponDialog(c, i, expiry, storeOnly, hasCoupon);
    // The menu entry is a check box that the click itself flipped.
    MItemItemCoupon->setChecked(shown.HasCoupon);
    // A coupon left as it was writes nothing, and carries nothing to the other stores.
    if (!ok ||
        (hasCoupon == shown.HasCoupon && expiry == shown.CouponExpire && storeOnly == shown.IsStoreCoupon))
        return;
    ChangeItem(c, i, [&](QMItem& item) {
        if (hasCoupon != shown.HasCoupon)
            item.HasCoupon = hasCoupon;
        if (expiry != shown.CouponExpire)
            item.CouponExpire = expiry;
        if (storeOnly != shown.IsStoreCoupon)
            item.IsStoreCoupon = storeOnly;
    });
    MItemItemCoupon->setChecked(
        HasSelectedItem() &&
        Store.Categories[size_t(Store.SelCategory)].Items[size_t(Store.SelItem)].HasCoupon);
    DrawItemList();
    BuildShoppingList();
    DrawShoppingList();
}

bool TFormMain::EditNoteDialog(int32_t category, int32_t item, AnsiString& note)
{
    const QMItem& stored = Store.ItemAt(category, item);
    TFormNote form(*this, this);
    form.LabelCategoryName->setText(ToQString(Store.CategoryAt(category).Name));
    form.LabelItemName->setText(ToQString(stored.Name));
    form.EditNote->setText(ToQString(stored.Note));
    form.EditNote->selectAll();
    const bool ok = RunModal(form) == mrOk;
    note = FromQString(form.EditNote->text());
    return ok;
}

// As for the coupon: the dialog opens on the note the file holds, and a note the person
// changed replaces the note the file holds when it closes.
void TFormMain::MItemItemNotesClick()
{
    if (RefreshStore() == Refresh::Failed || !HasSelectedItem())
        return;
    const int32_t c = Store.SelCategory, i = Store.SelItem;
    const AnsiString shown = Store.Categories[size_t(c)].Items[size_t(i)].Note;
    AnsiString note;
    if (!EditNoteDialog(c, i, note) || note == shown)
        return;
    ChangeItem(c, i, [&](QMItem& item) {
        if (note != shown)
            item.Note = note;
    });
    DrawItemList();
    BuildShoppingList();
    DrawShoppingList();
}

} // namespace qm
