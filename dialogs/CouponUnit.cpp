#include "dialogs/CouponUnit.h"

#include <QVBoxLayout>

#include "app/HelpContexts.h"
#include "dialogs/CouponBlock.h"
#include "dialogs/ItemHeader.h"

namespace qm {

TFormCoupon::TFormCoupon(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormCoupon", "Enter Coupon", "coupon")
{
    auto* column = new QVBoxLayout(Body);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(MakeItemHeader(main, Body, "LabelCategoryName", LabelCategoryName, "LabelItemName",
                                     LabelItemName, kGlyphCoupon));
    column->addSpacing(8);
    CouponBlock = new TCouponBlock(main, Body, "Label1");
    column->addWidget(CouponBlock->Panel);
    column->addStretch(1);

    CouponBlock->Share(*this);
    Label1 = CouponBlock->LabelCaption;

    AddOkCancelHelp(HelpContextOf("Coupons"));
    setMinimumWidth(360);
}

void TFormCoupon::CheckCouponClick()
{
    CouponBlock->CheckCouponClick();
}

void TFormCoupon::CheckStoreCouponClick()
{
    CouponBlock->CheckStoreCouponClick();
}

} // namespace qm
