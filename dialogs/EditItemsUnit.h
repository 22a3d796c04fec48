#pragma once
// TFormEditItem, "Edit Item": the selected item's name, category, aisle, quantity, note and
// coupon. OK writes the item's line and renames or moves its key when the name or the category
// changed, all in one rewrite of the store file, and redraws both lists.
#include "dialogs/DialogForm.h"
#include "platform/AnsiString.h"
#include "store/QMStore.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace qm {

class StoreBatch;
class TCouponBlock;
class TMainShared;

class TFormEditItem : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose store the dialog works on.
    TFormEditItem(TMainShared& main, QWidget* parent = nullptr);

    QLineEdit* EditItemName = nullptr;
    QComboBox* ComboCategory = nullptr;
    QComboBox* ComboAisle = nullptr;
    QSpinBox* SpinQty = nullptr;
    QLineEdit* EditNote = nullptr;
    TCouponBlock* CouponBlock = nullptr;
    // The coupon block's controls, under their own names.
    QCheckBox* CheckCoupon = nullptr;
    QRadioButton* RadioCouponNever = nullptr;
    QRadioButton* RadioCouponExpire = nullptr;
    QDateEdit* DateTimeCouponExpire = nullptr;
    QCheckBox* CheckStoreCoupon = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* LabelStoresToChange = nullptr;

    void FormCreate();
    void FormShow(); // the selected item's values
    void CheckCouponClick();
    void CheckStoreCouponClick();
    void BtnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // What OK takes from the dialog: its values over the item it opened on, and which of them
    // the user changed.
    struct Edits {
        QMItem Shown;             // the item as the dialog opened on it
        QMItem Typed;             // the dialog's values
        bool AisleChosen = false; // another entry of the aisle box than the one shown
        int32_t AisleEntry = -1;  // the chosen entry's place in the aisle list the box was filled from
        AnsiString Category;      // the category chosen
        bool Renamed = false, Moved = false;
    };
    // The dialog's values for the item (c, i) of the open store; false, after an error box, when
    // a new name, the category or a new note cannot be stored.
    bool ReadEdits(int32_t c, int32_t i, Edits& edits) const;
    // False, after an error box, when the dialog's name and category would replace the line
    // of another item than item (category, item) of the open store; EStoreError when the
    // category is not the store's (another program took it out).
    bool CheckTarget(const AnsiString& name, const AnsiString& category, int32_t c, int32_t i) const;
    // The edits made to item (c, i) of the open store as its file holds it, and the writes that
    // make them in the file.
    StoreBatch ApplyEdits(const Edits& edits, int32_t c, int32_t i);
    // Both lists drawn anew, the store read again when the item's key changed.
    void ShowEdited(const Edits& edits);

    TMainShared& main_;
    bool shown_ = false;       // FormShow has run: what follows holds what the dialog opened on
    QMItem shownItem_;         // the item as the dialog opened on it
    AnsiString shownCategory_; // and its category's name
    QString shownQty_;         // the quantity as the dialog opened with it
    int shownAisleEntry_ = -1; // the aisle box's entry that showed its aisle
};

} // namespace qm
