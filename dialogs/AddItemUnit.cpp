#include "dialogs/AddItemUnit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "dialogs/ItemDialogSupport.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"
#include "store/StoreFiles.h"

namespace qm {

TFormAddItem::TFormAddItem(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormAddItem", "Add Item", "items"), main_(main)
{
    auto* grid = new QGridLayout(Body);
    grid->setContentsMargins(0, 0, 0, 0);
    EditItemName = new QLineEdit(Body);
    EditItemName->setObjectName("EditItemName");
    EditItemName->setMinimumWidth(220);
    ComboCategory = MakeDropDownList(Body, "ComboCategory");
    ComboAisle = MakeDropDownList(Body, "ComboAisle");
    SetHelpContext(EditItemName, HelpContextOf("Item names"));
    SetHelpContext(ComboCategory, HelpContextOf("An item's category"));
    SetHelpContext(ComboAisle, HelpContextOf("Aisles and departments"));
    AddCaptioned(grid, 0, "Item Name:", EditItemName);
    AddCaptioned(grid, 1, "Category:", ComboCategory);
    AddCaptioned(grid, 2, "Aisle/Dept.:", ComboAisle);
    grid->setRowStretch(6, 1);
    AddOkCancelHelp(HelpContextOf("Adding an item"), [this] { BtnOKClick(); });
    connect(ComboCategory, &QComboBox::currentIndexChanged, this,
            [this] { Dispatch([this] { ComboCategoryChange(); }, Report::Later); });
    FormCreate();
}

void TFormAddItem::FormCreate()
{
    FillCategoryCombo(ComboCategory, main_.Store);
    FillAisleCombo(ComboAisle, main_.Store);
}

void TFormAddItem::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    if (!shown_) {
        shown_ = true;
        Dispatch([this] { FormShow(); });
    }
}

void TFormAddItem::FormShow()
{
    ChooseSelectedCategory(main_.Store, ComboCategory, ComboAisle);
    EditItemName->setFocus();
}

void TFormAddItem::ComboCategoryChange()
{
    FollowAisleGuess(main_.Store, ComboCategory, ComboAisle);
}

// The item goes into the category as the store's file holds it: one another program took out
// since the dialog opened is said so, and the categories offered are those the file holds now.
void TFormAddItem::BtnOKClick()
{
    const QString typed = EditItemName->text();
    const AnsiString category = ComboText(ComboCategory);
    if (!CheckTypedName(NameKind::Item, typed) || !CheckCategoryChosen(category)) {
        ModalResult = mrNone;
        return;
    }
    const AnsiString name = FromQString(typed);
    const AnsiString aisle = ComboText(ComboAisle);
    const AnsiString store = main_.Store.Name;
    // The new line replaces one the category has, and with it a quantity, note and coupon: a
    // slip of the keyboard should not cost them unasked. No keeps the dialog open.
    TReplaceConsent consent;
    bool declined = false;
    const bool added = main_.ChangeStoreFile([&](bool, TMainShared::Undo&) {
        if (!ChosenCategoryInFile(main_, ComboCategory))
            return TMainShared::Try::Stop;
        const StoreContext ctx = main_.StoreFilesContext();
        if (!consent.Given(ItemKeysInFile(ctx, store, category, {name}), category)) {
            declined = true;
            return TMainShared::Try::Stop;
        }
        StoreBatch batch;
        batch.Write(category, name, NewItemLine(ctx, store, category, name, aisle));
        return main_.WriteBatch(batch);
    });
    if (declined)
        ModalResult = mrNone;
    // A replaced item's quantity is 0 now, which the shopping list shows too.
    if (added)
        ReloadAndSelect(main_, store, name);
}

} // namespace qm
