#include "dialogs/EditItemsUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "dialogs/CouponBlock.h"
#include "dialogs/ItemDialogSupport.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"
#include "platform/Exception.h"
#include "platform/gui/SpinEdit.h"

namespace qm {

namespace {

// The dialog's values (typed) that differ from the item as the dialog opened on it (shown) go
// into the item as the store now holds it (now). The aisle's place is the entry's place in the
// aisle list the dialog was filled from, which a store read again may no longer have.
void ApplyEdited(const QMItem& shown, const QMItem& typed, int32_t aisleEntry, const QMStore& store,
                 QMItem& now)
{
    if (typed.Aisle != shown.Aisle || aisleEntry != shown.AisleIndex) {
        now.Aisle = typed.Aisle;
        const bool listed = aisleEntry >= 0 && aisleEntry < store.AisleCount() &&
                            store.Aisles[size_t(aisleEntry)] == typed.Aisle;
        now.AisleIndex = listed ? aisleEntry : store.FindAisleIndex(typed.Aisle);
    }
    if (typed.Qty != shown.Qty)
        now.Qty = typed.Qty;
    if (typed.Note != shown.Note)
        now.Note = typed.Note;
    if (typed.HasCoupon != shown.HasCoupon)
        now.HasCoupon = typed.HasCoupon;
    if (typed.CouponExpire != shown.CouponExpire)
        now.CouponExpire = typed.CouponExpire;
    if (typed.IsStoreCoupon != shown.IsStoreCoupon)
        now.IsStoreCoupon = typed.IsStoreCoupon;
}

} // namespace

TFormEditItem::TFormEditItem(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormEditItem", "Edit Item", "items"), main_(main)
{
    auto* grid = new QGridLayout(Body);
    grid->setContentsMargins(0, 0, 0, 0);
    EditItemName = new QLineEdit(Body);
    EditItemName->setObjectName("EditItemName");
    EditItemName->setMinimumWidth(220);
    ComboCategory = MakeDropDownList(Body, "ComboCategory");
    ComboAisle = MakeDropDownList(Body, "ComboAisle");
    SpinQty = new TSpinEdit(Body);
    SpinQty->setObjectName("SpinQty");
    SpinQty->setRange(0, 99);
    EditNote = new QLineEdit(Body);
    EditNote->setObjectName("EditNote");
    SetHelpContext(EditItemName, HelpContextOf("Item names"));
    SetHelpContext(ComboCategory, HelpContextOf("An item's category"));
    SetHelpContext(ComboAisle, HelpContextOf("Aisles and departments"));
    AddCaptioned(grid, 0, "Item Name:", EditItemName);
    AddCaptioned(grid, 1, "Category:", ComboCategory);
    AddCaptioned(grid, 2, "Aisle/Dept.:", ComboAisle);
    AddCaptioned(grid, 3, "Quantity:", SpinQty);
    AddCaptioned(grid, 4, "Note:", EditNote);
    auto* line = new QFrame(Body);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, 10, 0);

    CouponBlock = new TCouponBlock(main_, Body, "Label6");
    grid->addWidget(CouponBlock->Panel, 11, 0);
    grid->setRowStretch(12, 1);
    CouponBlock->Share(*this);
    Label6 = CouponBlock->LabelCaption;

    AddOkCancelHelp(HelpContextOf("Editing an item"), [this] { BtnOKClick(); });
    FormCreate();
}

void TFormEditItem::FormCreate()
{
    FillCategoryCombo(ComboCategory, main_.Store);
    FillAisleCombo(ComboAisle, main_.Store);
}

void TFormEditItem::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    if (!shown_) {
        shown_ = true;
        Dispatch([this] { FormShow(); });
    }
}

void TFormEditItem::FormShow()
{
    EditItemName->setFocus();
    const QMStore& store = main_.Store;
    if (store.SelCategory < 0 || store.SelItem < 0)
        return;
    const QMItem& item = store.ItemAt(store.SelCategory, store.SelItem);
    shownItem_ = item;
    shownCategory_ = store.CategoryAt(store.SelCategory).Name;
    EditItemName->setText(ToQString(item.Name));
    SelectComboEntry(ComboCategory, store.CategoryAt(store.SelCategory).Name);
    SelectComboEntry(ComboAisle, item.Aisle);
    SpinQty->setValue(item.Qty);
    shownQty_ = SpinQty->cleanText();
    EditNote->setText(ToQString(item.Note));
    if (store.AcceptsCoupons) {
        CouponBlock->Show(item.HasCoupon, item.CouponExpire, item.IsStoreCoupon);
    } else {
        CheckCoupon->setChecked(false);
        for (QWidget* w : std::initializer_list<QWidget*>{CheckCoupon, RadioCouponNever, RadioCouponExpire,
                                                          DateTimeCouponExpire, CheckStoreCoupon})
            w->setEnabled(false);
        CheckCouponClick();
    }
}

void TFormEditItem::CheckCouponClick()
{
    CouponBlock->CheckCouponClick();
}

void TFormEditItem::CheckStoreCouponClick()
{
    CouponBlock->CheckStoreCouponClick();
}

bool TFormEditItem::CheckTarget(const AnsiString& name, const AnsiString& category, int32_t c,
                                int32_t i) const
{
    const QMStore& store = main_.Store;
    const int32_t t = FindCategoryIndex(store, category);
    if (t < 0)
        RaiseTakenOut(category, ""); // a move would make the category again with this item only
    const QMCategory& target = store.Categories[size_t(t)];
    for (int32_t j = 0; j < target.ItemCount(); ++j) {
        if (t == c && j == i)
            continue; // the item itself, spelled otherwise
        if (SameName(target.Items[size_t(j)].Name, name)) {
            MessageDlg(Format("The category \"%s\" already has an item named \"%s\". Choose another name or "
                              "category, or delete that item first.",
                              target.Name.c_str(), target.Items[size_t(j)].Name.c_str()),
                       mtError, mbOK, 0);
            return false;
        }
    }
    return true;
}

// What the user changed goes over the item as the store's file holds it at OK, and the new
// name and category are checked against the file then: another program may have written the
// item meanwhile, taken it or its new category out (said so, and nothing is written), or given
// the category an item of the new name (refused, as when the window had it).
void TFormEditItem::BtnOKClick()
{
    QMStore& store = main_.Store;
    int32_t c = store.SelCategory, i = store.SelItem;
    if (c < 0 || i < 0)
        return;
    const QMItem shown = shown_ ? shownItem_ : store.ItemAt(c, i);
    const AnsiString shownCategory = shown_ ? shownCategory_ : store.CategoryAt(c).Name;

    // A name is checked only when it changed: a name already in the file stays usable.
    const QString typedName = EditItemName->text();
    const AnsiString newName = FromQString(typedName);
    const AnsiString newCategory = ComboText(ComboCategory);
    const QString typedNote = EditNote->text();
    const AnsiString note = FromQString(typedNote);
    const bool renamed = newName != shown.Name, moved = newCategory != shownCategory;
    if ((renamed && !CheckTypedName(NameKind::Item, typedName)) || !CheckCategoryChosen(newCategory) ||
        (note != shown.Note && !AcceptName(NameKind::Note, typedNote))) {
        ModalResult = mrNone;
        return;
    }
    if (!main_.CurrentRow(c, i))
        return;
    if ((renamed || moved) && !CheckTarget(newName, newCategory, c, i)) {
        ModalResult = mrNone;
        return;
    }
    const AnsiString itemName = store.ItemAt(c, i).Name, categoryName = store.CategoryAt(c).Name;

    // The dialog's values: each that differs from the item as the dialog opened on it goes over
    // the item as the store's file holds it now, so what another program wrote meanwhile to the
    // fields left alone stays. A quantity beyond the spin edit's range (raised with the + key)
    // stays unless retyped; without a coupon the expiry and the store-only mark stay.
    QMItem typed = shown;
    typed.Aisle = ComboText(ComboAisle);
    const int32_t aisleEntry = ComboAisle->currentIndex() >= 1 ? ComboAisle->currentIndex() - 1 : -1;
    if (SpinQty->cleanText() != shownQty_)
        typed.Qty = TypedQuantity(SpinQty);
    typed.Note = note;
    typed.HasCoupon = CouponBlock->HasCoupon();
    if (typed.HasCoupon) {
        typed.CouponExpire = CouponBlock->Expiry();
        typed.IsStoreCoupon = CouponBlock->StoreOnly();
    }
    const auto edit = [&](QMItem& now) { ApplyEdited(shown, typed, aisleEntry, store, now); };
    // An item another program took out of the file meanwhile is not written back.
    if (!main_.ChangeItem(c, i, edit))
        return;

    if (renamed || moved) {
        bool refused = false;
        const bool done = main_.ChangeStoreFile([&](bool, TMainShared::Undo&) {
            auto [rc, ri] = store.FindItem(categoryName, itemName);
            if (rc < 0 || ri < 0)
                RaiseTakenOut(categoryName, itemName);
            if (!main_.CurrentRow(rc, ri))
                return TMainShared::Try::Stop;
            if (!CheckTarget(newName, newCategory, rc, ri)) {
                refused = true;
                return TMainShared::Try::Stop;
            }
            const AnsiString oldName = store.ItemAt(rc, ri).Name, oldCategory = store.CategoryAt(rc).Name;
            StoreBatch batch;
            if (renamed)
                batch.RenameKey(oldCategory, oldName, newName);
            if (moved)
                batch.MoveKey(oldCategory, newName, newCategory);
            return main_.WriteBatch(batch);
        });
        if (refused)
            ModalResult = mrNone;
        if (!done)
            return;
        main_.LoadStore(store.Name);
        const auto [fc, fi] = store.FindItemByName(newName);
        if (fc >= 0)
            main_.SelectRow(fc, fi);
    }
    main_.DrawItemList();
    main_.BuildShoppingList();
    main_.DrawShoppingList();
}

} // namespace qm
