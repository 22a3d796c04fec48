#pragma once
// TFormEditItem, "Edit Item": the selected item's name, category, aisle, quantity, note and
// coupon. OK writes the item's line, then renames or moves its key when the name or the
// category changed, and redraws both lists.
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
    TMainShared& main_;
    // False, after an error box, when the dialog's name and category would replace the line
    // of another item than item (category, item) of the open store; EStoreError when the
    // category is not the store's (another program took it out).
    bool CheckTarget(const AnsiString& name, const AnsiString& category, int32_t c, int32_t i) const;
    bool shown_ = false;       // FormShow has run: what follows holds what the dialog opened on
    QMItem shownItem_;         // the item as the dialog opened on it
    AnsiString shownCategory_; // and its category's name
    QString shownQty_;         // the quantity as the dialog opened with it
};

} // namespace qm
