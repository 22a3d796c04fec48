#include "dialogs/AddCategoryUnit.h"

#include <QComboBox>
#include <QLineEdit>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "dialogs/EditCategoryUnit.h"
#include "dialogs/ItemDialogSupport.h"
#include "platform/Dialogs.h"

namespace qm {

TFormAddCategory::TFormAddCategory(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormAddCategory", "Add Category", "category"), main_(main)
{
    BuildCategoryNameBody(*this, EditCategoryName, ComboAisle);
    AddOkCancelHelp(HelpContextOf("Adding a category"), [this] { BtnOKClick(); });
    FormCreate();
}

void TFormAddCategory::FormCreate()
{
    FillAisleCombo(ComboAisle, main_.Store);
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
    const AnsiString storeName = main_.Store.Name;
    StoreBatch batch;
    batch.AddSection(name);
    batch.Write(kAisleGuessesSection, name, ComboText(ComboAisle));
    const bool added = main_.ChangeStoreFile([&](bool, TMainShared::Undo&) {
        if (main_.RefreshStore() == TMainShared::Refresh::Failed)
            return TMainShared::Try::Stop;
        return main_.WriteBatch(batch);
    });
    if (added)
        ReloadAndSelect(main_, storeName, name);
}

} // namespace qm
