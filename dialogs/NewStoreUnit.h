#pragma once
// TFormNewStore, the new-store wizard: page 1 the store's name and web address, page 2 the
// categories to start with, page 3 the aisles in walking order. Finish writes the new store's
// file in one write, lists it in the main window's store picker and opens it there.
#include <cstdint>

#include "dialogs/DialogForm.h"
#include "platform/AnsiString.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace qm {

class TAisleMenu;
class TMainShared;

class TFormNewStore : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormNewStore(TMainShared& main, QWidget* parent = nullptr);

    // Page 1.
    QWidget* PanelName = nullptr;
    QLineEdit* EditStoreName = nullptr;
    QLineEdit* EditStoreURL = nullptr;
    // Page 2.
    QWidget* PanelCategories = nullptr;
    QListWidget* CheckListIncCategories = nullptr;
    // Page 3.
    QWidget* PanelAisles = nullptr;
    QListWidget* ListAisleOrder = nullptr;
    QPushButton* BtnAddAisle = nullptr;
    QPushButton* BtnRemoveAisle = nullptr;
    QPushButton* BtnMoveUpAisle = nullptr;
    QPushButton* BtnMoveDownAisle = nullptr;
    TAisleMenu* AisleMenu = nullptr;
    QMenu* PMenuAddAisle = nullptr;
    // The bottom row.
    QPushButton* BtnBack = nullptr;
    QPushButton* BtnNext = nullptr;
    QPushButton* BtnFinish = nullptr;

    // The visible page, 1 to 3.
    int32_t Page() const { return CurrentPage; }

    void FormCreate();
    void FormShow();
    // Shows page p (1 to 3) and sets Back, Next and Finish; any other value changes nothing.
    void ShowPage(int32_t p);
    int32_t NextAisleNumber() const;

    void BtnNextClick();
    void BtnBackClick();
    void BtnFinishClick();
    void BtnHelpClick();
    void BtnAddAisleClick();
    void BtnRemoveAisleClick();
    void BtnRemoveAisleKeyPress();
    void BtnMoveUpAisleClick();
    void BtnMoveDownAisleClick();
    void ListAisleOrderClick();
    void PItemAisleNextNumClick();
    void PItemAisleBakeryClick(QAction* sender);
    void PItemAisleCustomClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMainShared& main_;
    // The typed name as program text; false (after saying why) when it cannot name a new
    // store: empty, refused by the name rules, or the name of a store that exists.
    bool CheckStoreName(bool emptyBox);
    void SetMoveButtons();
    void AppendAisle(const AnsiString& text);

    int32_t CurrentPage = 1;
};

} // namespace qm
