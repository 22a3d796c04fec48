#include "dialogs/CopyCategoryUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "dialogs/ItemDialogSupport.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"

namespace qm {

TFormCopyCategory::TFormCopyCategory(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormCopyCategory", "Copy Category", "category"), main_(main)
{
    QVBoxLayout* column = BuildAllItemsBody(main_, Body, LabelCatName, LabelItemName,
                                            "Copy to store:", "ComboStores", ComboStores);
    CheckCopyAisle = new QCheckBox("Copy Aisle", Body);
    CheckCopyAisle->setObjectName("CheckCopyAisle");
    column->addWidget(CheckCopyAisle);
    column->addStretch(1);
    AddOkCancelHelp(HelpContextOf("Copying a category to another store"), [this] { BtnOKClick(); });
    FormCreate();
}

void TFormCopyCategory::FormCreate()
{
    FillOtherStoresCombo(ComboStores, main_);
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
    LabelCatName->setText(ToQString(main_.GetSelectedCategoryName()));
}

// The copies are of the items as the open store's file holds them: another program may have
// changed them since the window read it, or taken the category out. A store to copy into that
// went away meanwhile is said so, and nothing is made of it.
void TFormCopyCategory::BtnOKClick()
{
    if (!CheckStoreChosen(*this, ComboStores))
        return;
    const QMStore& store = main_.Store;
    int32_t c = store.SelCategory, categoryRow = kNoRow;
    if (!main_.CurrentRow(c, categoryRow))
        return;
    // The items' lines as Copy Item writes them (the aisle left empty unless asked for); items
    // of the same names there are replaced once the user agrees, the others there stay.
    const QMCategory& category = store.CategoryAt(c);
    std::vector<std::pair<AnsiString, AnsiString>> lines;
    lines.reserve(category.Items.size());
    for (int32_t i = 0; i < category.ItemCount(); ++i)
        lines.emplace_back(category.Items[size_t(i)].Name,
                           CopiedItemLine(store, c, i, CheckCopyAisle->isChecked()));
    if (!CopyIntoChosenStore(main_, ComboStores, category.Name, lines))
        ModalResult = mrNone;
}

} // namespace qm
