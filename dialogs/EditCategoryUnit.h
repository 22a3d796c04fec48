#pragma once
// TFormEditCategory, "Edit Category": renames the selected category and sets its default
// aisle. A rename moves every item line of the category, all in one rewrite of the store file;
// a rename to another category's name merges the two.
#include "dialogs/DialogForm.h"
#include "platform/AnsiString.h"

class QComboBox;
class QLineEdit;

namespace qm {

class TMainShared;

class TFormEditCategory : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormEditCategory(TMainShared& main, QWidget* parent = nullptr);

    QLineEdit* EditCategoryName = nullptr;
    QComboBox* ComboAisle = nullptr;

    void FormCreate();
    void FormShow();
    void BtnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMainShared& main_;
    bool shown_ = false;       // FormShow has run: what follows holds what the dialog opened on
    AnsiString shownName_;     // the category's name
    int shownAisleEntry_ = -1; // the aisle box's entry that showed its aisle guess
};

// The body both category-name dialogs share: "Category Name:" over EditCategoryName and
// "Default Aisle/Dept.:" over ComboAisle (filled by the form).
void BuildCategoryNameBody(TDialogForm& form, QLineEdit*& editName, QComboBox*& comboAisle);

} // namespace qm
