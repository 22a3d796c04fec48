#pragma once
// TFormAisles, the aisle editor: the open store's aisles and departments in walking order.
// The dialog edits a copy of the list and writes the whole list into the store file on OK.
#include <cstdint>
#include <vector>

#include "dialogs/DialogForm.h"
#include "dialogs/ListEdits.h"
#include "platform/AnsiString.h"

class QAction;
class QListWidget;
class QMenu;
class QPushButton;

namespace qm {

class TAisleMenu;
class TMainShared;

class TFormAisles : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormAisles(TMainShared& main, QWidget* parent = nullptr);

    QListWidget* ListAisles = nullptr;
    QPushButton* BtnAdd = nullptr;
    QPushButton* BtnDelete = nullptr;
    QPushButton* BtnRename = nullptr;
    QPushButton* BtnMoveUp = nullptr;
    QPushButton* BtnMoveDown = nullptr;
    TAisleMenu* AisleMenu = nullptr;
    QMenu* PMenuAddAisle = nullptr;

    void FormCreate();
    void BtnAddClick();
    void PItemAisleNextNumClick();
    void PItemAisleBakeryClick(QAction* sender);
    void PItemAisleCustomClick();
    void BtnDeleteClick();
    void BtnRenameClick();
    void BtnMoveUpClick();
    void BtnMoveDownClick();
    void ListAislesClick();
    void ListAislesKeyPress();
    void BtnOKClick();
    void BtnHelpClick();

private:
    TMainShared& main_;
    int32_t NextAisleNumber() const;
    // Appends the entry and selects the first entry equal to it without regard to case.
    void AddAisle(const AnsiString& text);
    void SetMoveButtons();

    std::vector<TListEntry> opened_; // the aisles the dialog opened on
};

} // namespace qm
