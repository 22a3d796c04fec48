#include "dialogs/AddItemUnit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "dialogs/ItemDialogSupport.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dispatch.h"

namespace qm {

TFormAddItem::TFormAddItem(QWidget* parent) : TDialogForm(parent, "FormAddItem", "Add Item", "items")
{
    auto* grid = new QGridLayout(Body);
    grid->setContentsMargins(0, 0, 0, 0);
    EditItemName = new QLineEdit(Body);
    EditItemName->setObjectName("EditItemName");
    EditItemName->setMinimumWidth(220);
    ComboCategory = MakeDropDownList(Body, "ComboCategory");
    ComboAisle = MakeDropDownList(Body, "ComboAisle");
    SetHelpContext(EditItemName, 890);
    SetHelpContext(ComboCategory, 891);
    SetHelpContext(ComboAisle, 892);
    auto row = [&](int r, const char* caption, QWidget* control) {
        auto* label = new QLabel(caption, Body);
        label->setBuddy(control);
        grid->addWidget(label, 2 * r, 0);
        grid->addWidget(control, 2 * r + 1, 0);
    };
    row(0, "Item Name:", EditItemName);
    row(1, "Category:", ComboCategory);
    row(2, "Aisle/Dept.:", ComboAisle);
    grid->setRowStretch(6, 1);
    AddOkCancelHelp(3440, [this] { BtnOKClick(); });
    connect(ComboCategory, &QComboBox::currentIndexChanged, this,
            [this] { Dispatch([this] { ComboCategoryChange(); }); });
    FormCreate();
}

void TFormAddItem::FormCreate()
{
    if (!FormMain)
        return;
    FillCategoryCombo(ComboCategory, FormMain->Store);
    FillAisleCombo(ComboAisle, FormMain->Store);
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
    if (!FormMain)
        return;
    QMCategory selected;
    FormMain->GetSelectedCategory(selected);
    SelectComboEntry(ComboCategory, selected.Name);
    SelectComboEntry(ComboAisle, selected.AisleGuess);
    EditItemName->setFocus();
}

void TFormAddItem::ComboCategoryChange()
{
    if (const QMCategory* category =
            FormMain ? FindCategory(FormMain->Store, ComboText(ComboCategory)) : nullptr)
        SelectComboEntry(ComboAisle, category->AisleGuess);
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
    const AnsiString store = FormMain->GetCurrentStoreName();
    const StoreContext ctx = FormMain->StoreFilesContext();
    WriteStoreString(ctx, store, category, name,
                     NewItemLine(ctx, store, category, name, ComboText(ComboAisle)));

    FormMain->LoadStore(store);
    FormMain->DrawItemList();
    const auto [c, i] = FormMain->Store.FindItemByName(name);
    if (c >= 0)
        FormMain->SelectRow(c, i);
    // The reload renumbers the rows the shopping list points at, and a replaced item's
    // quantity is 0 now, so the list is built anew.
    FormMain->BuildShoppingList();
    FormMain->DrawShoppingList();
}

} // namespace qm
