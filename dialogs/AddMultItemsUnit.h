#pragma once
// TFormAddMultItems, "Add Multiple Items": new items of one category, one name a line. Names
// the category already holds are left alone; the new lines reach the store file in one
// rewrite.
#include "dialogs/DialogForm.h"

class QComboBox;
class QPlainTextEdit;

namespace qm {

class TMainShared;

class TFormAddMultItems : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormAddMultItems(TMainShared& main, QWidget* parent = nullptr);

    QPlainTextEdit* MemoItemNames = nullptr;
    QComboBox* ComboCategory = nullptr;
    QComboBox* ComboAisle = nullptr;

    void FormCreate();
    void FormShow();
    void ComboCategorySelect();
    void BtnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMainShared& main_;
    bool shown_ = false;
};

} // namespace qm
