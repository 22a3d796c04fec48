#pragma once
// TFormEditCatAisle, "Change Aisle/Dept. for Category": after a question, puts every item of
// the selected category into one aisle and makes it the category's aisle guess, all in one
// rewrite of the store file.
#include "dialogs/DialogForm.h"

class QComboBox;
class QLabel;

namespace qm {

class TMainShared;

class TFormEditCatAisle : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormEditCatAisle(TMainShared& main, QWidget* parent = nullptr);

    QLabel* LabelCatName = nullptr;
    QLabel* LabelItemName = nullptr; // "All Items"
    QComboBox* ComboAisle = nullptr;

    void FormCreate();
    void FormShow();
    void BtnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMainShared& main_;
    bool shown_ = false;
};

} // namespace qm
