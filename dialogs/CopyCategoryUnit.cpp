#include "dialogs/CopyCategoryUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

#include "dialogs/ItemDialogSupport.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Dispatch.h"

namespace qm {

TFormCopyCategory::TFormCopyCategory(QWidget* parent)
    : TDialogForm(parent, "FormCopyCategory", "Copy Category", "category")
{
    auto* column = new QVBoxLayout(Body);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(MakeItemHeader(Body, LabelCatName, LabelItemName));
    LabelItemName->setText("All Items");
    column->addSpacing(12);
    ComboStores = MakeDropDownList(Body, "ComboStores");
    ComboStores->setMinimumWidth(200);
    auto* label = new QLabel("Copy to store:", Body);
    label->setBuddy(ComboStores);
    column->addWidget(label);
    column->addWidget(ComboStores);
    CheckCopyAisle = new QCheckBox("Copy Aisle", Body);
    CheckCopyAisle->setObjectName("CheckCopyAisle");
    column->addWidget(CheckCopyAisle);
    column->addStretch(1);
    AddOkCancelHelp(3080, [this] { BtnOKClick(); });
    FormCreate();
}

void TFormCopyCategory::FormCreate()
{
    FillOtherStoresCombo(ComboStores);
    CheckCopyAisle->setChecked(false);
}

void TFormCopyCategory::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    if (!shown_) {
        shown_ = true;
        Dispatch([this] { FormShow(); });
    }
}

void TFormCopyCategory::FormShow()
{
    if (FormMain)
        LabelCatName->setText(ToQString(FormMain->GetSelectedCategoryName()));
}

void TFormCopyCategory::BtnOKClick()
{
    const AnsiString target = ComboText(ComboStores);
    const QMStore& store = FormMain->Store;
    if (target.empty() || store.SelCategory < 0)
        return;
    // The items' lines as fields 1 to 5 (the aisle left empty unless asked for); an item of the
    // same name there is replaced, the others there stay.
    const QMCategory& category = store.CategoryAt(store.SelCategory);
    const bool copyAisle = CheckCopyAisle->isChecked();
    StoreBatch batch;
    for (const QMItem& item : category.Items) {
        const AnsiString line = (copyAisle ? item.Aisle : AnsiString()) + kFieldSeparator + item.Note +
                                kFieldSeparator + std::to_string(item.Qty) + kFieldSeparator +
                                (item.HasCoupon ? "1" : "0") + kFieldSeparator +
                                FormatExpiry(item.CouponExpire);
        batch.Write(category.Name, item.Name, line);
    }
    ReportCarryOverFailures(ApplyStoreBatch(FormMain->StoreFilesContext(), target, batch));
}

} // namespace qm
