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
            [this] { Dispatch([this] { ComboCategoryChange(); }); });
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

void TFormAddItem::BtnOKClick()
{
    const QString typed = EditItemName->text();
    const AnsiString category = ComboText(ComboCategory);
    if (!CheckTypedName(NameKind::Item, typed) || !CheckCategoryChosen(category)) {
        ModalResult = mrNone;
        return;
    }
    const AnsiString name = FromQString(typed);
    const AnsiString store = main_.GetCurrentStoreName();
    const StoreContext ctx = main_.StoreFilesContext();
    WriteStoreString(ctx, store, category, name,
                     NewItemLine(ctx, store, category, name, ComboText(ComboAisle)));
    // A replaced item's quantity is 0 now, which the shopping list shows too.
    ReloadAndSelect(main_, store, name);
}

} // namespace qm
