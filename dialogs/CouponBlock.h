#pragma once
// The coupon controls that the edit-item and the coupon dialogs share: "Has Coupon", "Never
// Expires" / "Expires:" with a date picker, "This Store Only", and the list of the stores the
// coupon will appear in. The dialogs keep pointers to these controls under the same names.
#include <QObject>

#include "platform/AnsiString.h"
#include "platform/Clock.h"

class QCheckBox;
class QDateEdit;
class QFrame;
class QLabel;
class QRadioButton;
class QWidget;

namespace qm {

class TMainShared;

class TCouponBlock : public QObject {
    Q_OBJECT
public:
    // Creates the controls as children of parent, laid out in a vertical block (Panel), for
    // the selected item of main's open store. captionName is the object name of the "Coupon
    // will appear in:" label ("Label6" in the edit-item dialog, "Label1" in the coupon dialog).
    TCouponBlock(TMainShared& main, QWidget* parent, const char* captionName);

    QWidget* Panel = nullptr;
    QCheckBox* CheckCoupon = nullptr;
    QRadioButton* RadioCouponNever = nullptr;
    QRadioButton* RadioCouponExpire = nullptr;
    QDateEdit* DateTimeCouponExpire = nullptr;
    QCheckBox* CheckStoreCoupon = nullptr;
    QFrame* Separator = nullptr;
    QLabel* LabelCaption = nullptr; // "Coupon will appear in:"
    QLabel* LabelStoresToChange = nullptr;

    // Shows an item's coupon: the flag; an expiry above 1000 (a real date) chosen with
    // "Expires:", otherwise today's date with "Never Expires"; the store-only mark. Runs the
    // handlers, so the enabled states and the store list are right.
    void Show(bool hasCoupon, TDateTime expiry, bool storeOnly);
    // What the block holds: the flag, the expiry (0 for "Never Expires", else the picked
    // date as a whole day number) and the store-only mark.
    bool HasCoupon() const;
    TDateTime Expiry() const;
    bool StoreOnly() const;

    // Both radio buttons and "This Store Only" follow "Has Coupon", the date picker also
    // "Expires:", the two list labels the enabled state of "Has Coupon"; then the list.
    void CheckCouponClick();
    // The stores the coupon will appear in, for the selected item of the open store: none
    // without a coupon, the open store alone when store-only, else every store of the picker
    // whose file holds the item and that accepts coupons, sorted and joined with ", ".
    void CheckStoreCouponClick();

    // Gives the form's members the block's controls under the same names (the caption label
    // has a name of its own in each form).
    template <class Form> void Share(Form& form) const
    {
        form.CheckCoupon = CheckCoupon;
        form.RadioCouponNever = RadioCouponNever;
        form.RadioCouponExpire = RadioCouponExpire;
        form.DateTimeCouponExpire = DateTimeCouponExpire;
        form.CheckStoreCoupon = CheckStoreCoupon;
        form.LabelStoresToChange = LabelStoresToChange;
    }

private:
    TMainShared& main_;
};

} // namespace qm
