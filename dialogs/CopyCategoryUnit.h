#pragma once
// TFormCopyCategory, "Copy Category": writes every item of the selected category into the same
// category of another store (one rewrite of that store's file), with or without the aisles,
// after one question when items of the same names there would be replaced. The open store is
// neither reloaded nor redrawn.
#include "dialogs/DialogForm.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace qm {

class TMainShared;

class TFormCopyCategory : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormCopyCategory(TMainShared& main, QWidget* parent = nullptr);

    QLabel* LabelCatName = nullptr;
    QLabel* LabelItemName = nullptr; // "All Items"
    QComboBox* ComboStores = nullptr;
    QCheckBox* CheckCopyAisle = nullptr;

    void FormCreate(); // the picker's other stores
    void FormShow();
    void BtnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMainShared& main_;
    bool shown_ = false;
};

} // namespace qm
