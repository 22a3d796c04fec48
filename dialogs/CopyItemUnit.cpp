#include "dialogs/CopyItemUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "dialogs/ItemDialogSupport.h"
#include "dialogs/ItemHeader.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"

namespace qm {

TFormCopyItem::TFormCopyItem(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormCopyItem", "Copy Item", "items"), main_(main)
{
    auto* column = new QVBoxLayout(Body);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(MakeItemHeader(main_, Body, "LabelCatName", LabelCatName, "LabelItemName",
                                     LabelItemName, kGlyphEditItem));
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

    AddOkCancelHelp(HelpContextOf("Copying an item to another store"), [this] { BtnOKClick(); });
    setMinimumWidth(360);
    FormCreate();
}

void TFormCopyItem::FormCreate()
{
    FillOtherStoresCombo(ComboStores, main_);
    CheckCopyAisle->setChecked(false);
}

void TFormCopyItem::FormShow()
{
    LabelItemName->setText(ToQString(main_.GetSelectedItemName()));
    LabelCatName->setText(ToQString(main_.GetSelectedCategoryName()));
}

void TFormCopyItem::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    Dispatch([this] { FormShow(); });
}

// The copy is of the item as the open store's file holds it: another program may have changed
// it since the window read it, or taken it out. A store to copy into that went away meanwhile
// is said so, and nothing is made of it.
void TFormCopyItem::BtnOKClick()
{
    if (!CheckStoreChosen(*this, ComboStores))
        return;
    const QMStore& store = main_.Store;
    int32_t c = store.SelCategory, i = store.SelItem;
    if (i < 0 || !main_.CurrentRow(c, i))
        return;
    const QMItem& item = store.ItemAt(c, i);
    if (!CopyIntoChosenStore(main_, ComboStores, store.CategoryAt(c).Name,
                             {{item.Name, CopiedItemLine(store, c, i, CheckCopyAisle->isChecked())}}))
        ModalResult = mrNone;
}

} // namespace qm
