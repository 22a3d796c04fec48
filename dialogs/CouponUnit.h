#pragma once
// The coupon dialog: the coupon block for one item under a header naming the item and its
// category. It changes nothing itself: the main window fills it, runs it and reads it back.
#include "dialogs/DialogForm.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QRadioButton;

namespace qm {

class TCouponBlock;
class TMainShared;

class TFormCoupon : public TDialogForm {
    Q_OBJECT
public:
    // main: the window whose item glyphs the header shows.
    TFormCoupon(TMainShared& main, QWidget* parent = nullptr);

    QLabel* LabelCategoryName = nullptr;
    QLabel* LabelItemName = nullptr;
    TCouponBlock* CouponBlock = nullptr;
    // The block's controls under their own names.
    QCheckBox* CheckCoupon = nullptr;
    QRadioButton* RadioCouponNever = nullptr;
    QRadioButton* RadioCouponExpire = nullptr;
    QDateEdit* DateTimeCouponExpire = nullptr;
    QCheckBox* CheckStoreCoupon = nullptr;
    QLabel* Label1 = nullptr; // "Coupon will appear in:"
    QLabel* LabelStoresToChange = nullptr;

    void CheckCouponClick();
    void CheckStoreCouponClick();
};

} // namespace qm
