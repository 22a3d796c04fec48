#include "dialogs/AddCategoryUnit.h"

#include <QComboBox>
#include <QLineEdit>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "dialogs/EditCategoryUnit.h"
#include "dialogs/ItemDialogSupport.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"

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

// A category of that name keeps its items; its aisle guess is replaced once the user agrees,
// asked of the guess the file holds at OK (No keeps the dialog open).
void TFormAddCategory::BtnOKClick()
{
    const QString typed = EditCategoryName->text();
    if (!CheckTypedName(NameKind::Category, typed)) {
        ModalResult = mrNone;
        return;
    }
    const AnsiString name = FromQString(typed);
    const AnsiString aisle = ComboText(ComboAisle);
    const AnsiString storeName = main_.Store.Name;
    StoreBatch batch;
    batch.AddSection(name);
    batch.Write(kAisleGuessesSection, name, aisle);
    AnsiString agreed; // the guess the user agreed to replace
    bool declined = false;
    const bool added = main_.ChangeStoreFile([&](bool, TMainShared::Undo&) {
        if (main_.RefreshStore() == TMainShared::Refresh::Failed)
            return TMainShared::Try::Stop;
        const QMCategory* existing = FindCategory(main_.Store, name);
        if (existing && !existing->AisleGuess.empty() && existing->AisleGuess != aisle &&
            existing->AisleGuess != agreed) {
            if (MessageDlg(
                    Format("The category \"%s\" already exists. Replace its default aisle/dept. \"%s\"?",
                           existing->Name.c_str(), existing->AisleGuess.c_str()),
                    mtConfirmation, mbYes | mbNo, 0) != mrYes) {
                declined = true;
                return TMainShared::Try::Stop;
            }
            agreed = existing->AisleGuess;
        }
        return main_.WriteBatch(batch);
    });
    if (declined)
        ModalResult = mrNone;
    if (added)
        ReloadAndSelect(main_, storeName, name);
}

} // namespace qm
