#include "dialogs/AddCategoryUnit.h"

#include <QComboBox>
#include <QLineEdit>

#include "dialogs/EditCategoryUnit.h"
#include "dialogs/ItemDialogSupport.h"
#include "mainwindow/ShoppingCartUnit.h"

namespace qm {

TFormAddCategory::TFormAddCategory(QWidget* parent)
    : TDialogForm(parent, "FormAddCategory", "Add Category", "category")
{
    BuildCategoryNameBody(*this, EditCategoryName, ComboAisle);
    AddOkCancelHelp(3040, [this] { BtnOKClick(); });
    FormCreate();
}

void TFormAddCategory::FormCreate()
{
    if (FormMain)
        FillAisleCombo(ComboAisle, FormMain->Store);
}

void TFormAddCategory::showEvent(QShowEvent* event)
{
    TDialogForm::showEvent(event);
    EditCategoryName->setFocus();
}

void TFormAddCategory::BtnOKClick()
{
    const QString typed = EditCategoryName->text();
    if (!CheckTypedName(NameKind::Category, typed)) {
        ModalResult = mrNone;
        return;
    }
    const AnsiString name = FromQString(typed);
    const AnsiString storeName = FormMain->GetCurrentStoreName();
    StoreBatch batch;
    batch.AddSection(name);
    batch.Write(kAisleGuessesSection, name, ComboText(ComboAisle));
    ReportCarryOverFailures(ApplyStoreBatch(FormMain->StoreFilesContext(), storeName, batch));
    ReloadAndSelect(storeName, name);
}

} // namespace qm
