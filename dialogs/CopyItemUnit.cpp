#include "dialogs/CopyItemUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "dialogs/ItemDialogSupport.h"
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
    ComboStores = MakeDropDownList(Body, "ComboStores");
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
    FillOtherStoresCombo(ComboStores);
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
    const QMStore& store = FormMain->Store;
    WriteStoreString(FormMain->StoreFilesContext(), ComboText(ComboStores),
                     FormMain->GetSelectedCategoryName(), FormMain->GetSelectedItemName(),
                     CopiedItemLine(store, store.SelCategory, store.SelItem, CheckCopyAisle->isChecked()));
}

} // namespace qm
