#pragma once
// The copy-item dialog: writes a copy of the selected item of the open store into another
// store of the picker, in a category of the same name, by itself on OK.
#include "dialogs/DialogForm.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace qm {

class TMainShared;

class TFormCopyItem : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormCopyItem(TMainShared& main, QWidget* parent = nullptr);

    QLabel* LabelItemName = nullptr;
    QLabel* LabelCatName = nullptr;
    QComboBox* ComboStores = nullptr; // every store of the picker but the open one
    QCheckBox* CheckCopyAisle = nullptr;

    void FormCreate(); // fills ComboStores, nothing chosen
    void FormShow();   // names the selected item and category
    // Without a chosen store nothing is written (CheckStoreChosen). Otherwise the item's line
    // (aisle only with "Copy Aisle", note, quantity, coupon, expiry and this-store-only mark) is
    // written under the same category and name into the chosen store, replacing an item of that
    // name there once the user agrees (No keeps the dialog open).
    void BtnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMainShared& main_;
};

} // namespace qm
