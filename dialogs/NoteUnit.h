#pragma once
// The note dialog: one line of text for an item, under a header naming the item and its
// category. The main window fills it, runs it and reads the note back; OK refuses a note the
// item's line in the store file could not hold.
#include "dialogs/DialogForm.h"

class QLabel;
class QLineEdit;

namespace qm {

class TMainShared;

class TFormNote : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose item glyphs the header shows.
    TFormNote(TMainShared& main, QWidget* parent = nullptr);

    QLabel* LabelCategoryName = nullptr;
    QLabel* LabelItemName = nullptr;
    QLineEdit* EditNote = nullptr;

    // Keeps the dialog open with an error box when the note cannot be stored.
    void BtnOKClick();

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace qm
