#pragma once
// TFormAddCategory, "Add Category": a new, empty category of the open store with its default
// aisle. A category of that name that exists keeps its items and gets the new aisle guess, once
// the user agrees to replace the guess it has.
#include "dialogs/DialogForm.h"

class QComboBox;
class QLineEdit;

namespace qm {

class TMainShared;

class TFormAddCategory : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormAddCategory(TMainShared& main, QWidget* parent = nullptr);

    QLineEdit* EditCategoryName = nullptr;
    QComboBox* ComboAisle = nullptr;

    void FormCreate(); // the store's aisles, none chosen
    void BtnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMainShared& main_;
};

} // namespace qm
