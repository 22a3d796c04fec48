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

// The dialog's values that its user changed go into the item as the store now holds it (now),
// each over the field it stands for. The aisle's place is the entry's place in the aisle list
// the dialog was filled from, which a store read again may no longer have.
void ApplyEdited(const QMItem& shown, const QMItem& typed, bool aisleChosen, int32_t aisleEntry,
                 const QMStore& store, QMItem& now)
{
    if (aisleChosen) {
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
    ShowAisle(ComboAisle, item.Aisle);
    shownAisleEntry_ = ComboAisle->currentIndex();
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

bool TFormEditItem::ReadEdits(int32_t c, int32_t i, Edits& edits) const
{
    const QMStore& store = main_.Store;
    edits.Shown = shown_ ? shownItem_ : store.ItemAt(c, i);
    const AnsiString shownCategory = shown_ ? shownCategory_ : store.CategoryAt(c).Name;
    const QMItem& shown = edits.Shown;

    // A name is checked only when it changed: a name already in the file stays usable.
    const QString typedName = EditItemName->text();
    const QString typedNote = EditNote->text();
    QMItem& typed = edits.Typed = shown;
    typed.Name = FromQString(typedName);
    typed.Note = FromQString(typedNote);
    edits.Category = ComboText(ComboCategory);
    edits.Renamed = typed.Name != shown.Name;
    edits.Moved = edits.Category != shownCategory;
    if ((edits.Renamed && !CheckTypedName(NameKind::Item, typedName)) ||
        !CheckCategoryChosen(edits.Category) ||
        (typed.Note != shown.Note && !AcceptName(NameKind::Note, typedNote)))
        return false;

    // A quantity beyond the spin edit's range (raised with the + key) stays unless retyped;
    // without a coupon the expiry and the store-only mark stay.
    const int entry = ComboAisle->currentIndex();
    edits.AisleChosen = entry != shownAisleEntry_;
    edits.AisleEntry = entry >= 1 ? entry - 1 : -1;
    typed.Aisle = ComboText(ComboAisle);
    if (SpinQty->cleanText() != shownQty_)
        typed.Qty = TypedQuantity(SpinQty);
    typed.HasCoupon = CouponBlock->HasCoupon();
    if (typed.HasCoupon) {
        typed.CouponExpire = CouponBlock->Expiry();
        typed.IsStoreCoupon = CouponBlock->StoreOnly();
    }
    return true;
}

StoreBatch TFormEditItem::ApplyEdits(const Edits& edits, int32_t c, int32_t i)
{
    QMStore& store = main_.Store;
    QMItem& item = store.ItemAt(c, i);
    const AnsiString before = store.FormatItemValue(c, i);
    ApplyEdited(edits.Shown, edits.Typed, edits.AisleChosen, edits.AisleEntry, store, item);
    const AnsiString line = store.FormatItemValue(c, i);
    const AnsiString& name = edits.Typed.Name;
    const AnsiString oldName = item.Name, oldCategory = store.CategoryAt(c).Name;
    // The line is written when a field changed, and with a rename or a move, as it always was;
    // a new spelling of the same name alone keeps the line as the file holds it and carries no
    // coupon.
    const bool respelled = edits.Renamed && !edits.Moved && SameName(oldName, name);
    StoreBatch batch;
    if (line != before || (edits.Renamed && !respelled) || edits.Moved)
        batch.Write(oldCategory, oldName, line);
    if (respelled && oldName != name)
        RespellKey(batch, oldCategory, oldName, name);
    else if (edits.Renamed && !respelled)
        batch.RenameKey(oldCategory, oldName, name);
    if (edits.Moved)
        batch.MoveKey(oldCategory, name, edits.Category);
    return batch;
}

void TFormEditItem::ShowEdited(const Edits& edits)
{
    QMStore& store = main_.Store;
    if (edits.Renamed || edits.Moved) {
        main_.LoadStore(store.Name);
        const auto [fc, fi] = store.FindItem(edits.Category, edits.Typed.Name);
        if (fi >= 0)
            main_.SelectRow(fc, fi);
    }
    main_.DrawItemList();
    main_.BuildShoppingList();
    main_.DrawShoppingList();
}

// What the user changed goes over the item as the store's file holds it at OK, so what another
// program wrote meanwhile to the fields left alone stays; the new name and category are checked
// against the file then: another program may have taken the item or its new category out (said
// so, and nothing is written), or given the category an item of the new name (refused, as when
// the window had it). The line, a rename and a move are one rewrite of the file.
void TFormEditItem::BtnOKClick()
{
    int32_t c = main_.Store.SelCategory, i = main_.Store.SelItem;
    if (c < 0 || i < 0)
        return;
    Edits edits;
    if (!ReadEdits(c, i, edits)) {
        ModalResult = mrNone;
        return;
    }
    bool refused = false;
    const bool done = main_.ChangeStoreFile([&](bool, TMainShared::Undo& undo) {
        if (!main_.CurrentRow(c, i))
            return TMainShared::Try::Stop;
        if ((edits.Renamed || edits.Moved) && !CheckTarget(edits.Typed.Name, edits.Category, c, i)) {
            refused = true;
            return TMainShared::Try::Stop;
        }
        undo.Keep(main_.Store.ItemAt(c, i));
        return main_.WriteBatch(ApplyEdits(edits, c, i));
    });
    if (refused)
        ModalResult = mrNone;
    if (done)
        ShowEdited(edits);
}

} // namespace qm
