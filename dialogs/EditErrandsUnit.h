#pragma once
// TFormErrands, the errand editor: the open store's errands and which of them are on the
// shopping list. The dialog edits a copy of the list and writes the whole list into the store
// file on OK.
#include <vector>

#include "dialogs/DialogForm.h"
#include "dialogs/ListEdits.h"
#include "platform/AnsiString.h"

class QLabel;
class QListWidget;
class QPushButton;
class QString;

namespace qm {

class TMainShared;

class TFormErrands : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormErrands(TMainShared& main, QWidget* parent = nullptr);

    QLabel* LabelCaption = nullptr;
    QListWidget* CheckListErrands = nullptr;
    QPushButton* BtnAdd = nullptr;
    QPushButton* BtnDelete = nullptr;
    QPushButton* BtnRename = nullptr;
    QPushButton* BtnMoveUp = nullptr;
    QPushButton* BtnMoveDown = nullptr;
    QPushButton* BtnSelectAll = nullptr;
    QPushButton* BtnSelectNone = nullptr;

    // Fills the list from the open store's errands; runs when the dialog shows.
    void FormShow();
    void BtnAddClick();
    void BtnDeleteClick();
    void BtnRenameClick();
    void BtnMoveUpClick();
    void BtnMoveDownClick();
    void CheckListErrandsClick();
    void BtnSelectAllClick();
    void BtnSelectNoneClick();
    void BtnOKClick();
    void BtnHelpClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMainShared& main_;
    // The answer of an errand-name query: false (after saying why) for an empty name or one
    // the name rules refuse.
    static bool AcceptErrandName(const QString& typed);
    void SetMoveButtons();
    void CheckAll(bool checked);

    bool shown_ = false;
    std::vector<TListEntry> opened_; // the errands the dialog opened on
};

} // namespace qm
