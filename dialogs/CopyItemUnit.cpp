#include "dialogs/CopyItemUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "dialogs/ItemHeader.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dispatch.h"
#include "store/StoreFiles.h"

namespace qm {

TFormCopyItem::TFormCopyItem(QWidget* parent) : TDialogForm(parent, "FormCopyItem", "Copy Item", "items")
{
    auto* column = new QVBoxLayout(Body);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(
        MakeItemHeader(Body, "LabelCatName", LabelCatName, "LabelItemName", LabelItemName, kGlyphEditItem));
    column->addSpacing(8);
    auto* caption = new QLabel("Copy to store:", Body);
    ComboStores = new QComboBox(Body);
    ComboStores->setObjectName("ComboStores");
    caption->setBuddy(ComboStores);
    CheckCopyAisle = new QCheckBox("Copy Aisle", Body);
    CheckCopyAisle->setObjectName("CheckCopyAisle");
    column->addWidget(caption);
    column->addWidget(ComboStores);
    column->addWidget(CheckCopyAisle);
    column->addStretch(1);

    AddOkCancelHelp(3500, [this] { BtnOKClick(); });
    setMinimumWidth(360);
    FormCreate();
}

void TFormCopyItem::FormCreate()
{
    ComboStores->clear();
    if (FormMain) {
        const QComboBox* picker = FormMain->ComboStores;
        for (int i = 0; i < picker->count(); ++i)
            if (i != picker->currentIndex())
                ComboStores->addItem(picker->itemText(i));
    }
    ComboStores->setCurrentIndex(-1);
    CheckCopyAisle->setChecked(false);
}

void TFormCopyItem::FormShow()
{
    if (!FormMain)
        return;
    LabelItemName->setText(ToQString(FormMain->GetSelectedItemName()));
    LabelCatName->setText(ToQString(FormMain->GetSelectedCategoryName()));
}

void TFormCopyItem::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    Dispatch([this] { FormShow(); });
}

void TFormCopyItem::BtnOKClick()
{
    if (!FormMain || ComboStores->currentIndex() < 0 || FormMain->GetSelectedItemName().empty())
        return;
    const AnsiString target = FromQString(ComboStores->currentText());
    const AnsiString sep = kFieldSeparator;
    // The this-store-only mark goes with the copy, as with the item clipboard: a coupon valid
    // in one store only is not spread to every store from the copy.
    const AnsiString line =
        (CheckCopyAisle->isChecked() ? FormMain->GetSelectedItemFieldText(1) : AnsiString()) + sep +
        FormMain->GetSelectedItemFieldText(2) + sep + FormMain->GetSelectedItemFieldText(3) + sep +
        FormMain->GetSelectedItemFieldText(4) + sep + FormMain->GetSelectedItemFieldText(5) + sep +
        FormMain->GetSelectedItemFieldText(6);
    WriteStoreString(FormMain->StoreFilesContext(), target, FormMain->GetSelectedCategoryName(),
                     FormMain->GetSelectedItemName(), line);
}

} // namespace qm
