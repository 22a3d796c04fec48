#pragma once
// TFormAddItem, "Add Item": one new item of the open store, with its category and aisle. OK
// writes the item's line (an item of that name in the category is replaced once the user
// agrees), reloads the store and selects the new row.
#include "dialogs/DialogForm.h"

class QComboBox;
class QLineEdit;

namespace qm {

class TMainShared;

class TFormAddItem : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormAddItem(TMainShared& main, QWidget* parent = nullptr);

    QLineEdit* EditItemName = nullptr;
    QComboBox* ComboCategory = nullptr;
    QComboBox* ComboAisle = nullptr;

    void FormCreate(); // fills the combos
    void FormShow();   // the selected category and its aisle guess
    void ComboCategoryChange();
    void BtnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMainShared& main_;
    bool shown_ = false;
};

} // namespace qm
