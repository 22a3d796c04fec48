// The dialog frame, the coupon block and the JPEG pictures the dialogs share.
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "TestMain.h"
#include "dialogs/CouponBlock.h"
#include "dialogs/DialogForm.h"
#include "graphics/JpegImage.h"
#include "platform/Exception.h"
#include "platform/gui/QtDialogs.h"

namespace {

using namespace qm;

std::string JpegFailure(const QByteArray& bytes)
{
    try {
        DecodeJpeg(bytes);
    } catch (const EJPEG& e) {
        return e.what();
    }
    return "decoded";
}

TEST(JpegImage, RoundTripsAndRefusesDamagedStreams)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(200, 60, 40));
    const QByteArray bytes = EncodeJpeg(image, 95);
    const QImage back = DecodeJpeg(bytes);
    ASSERT_EQ(back.size(), image.size());
    const QColor c = back.pixelColor(20, 15);
    EXPECT_NEAR(c.red(), 200, 4);
    EXPECT_NEAR(c.green(), 60, 4);

    EXPECT_EQ(JpegFailure(QByteArray("not a picture")).rfind("JPEG error #", 0), 0u);
    EXPECT_EQ(JpegFailure(QByteArray()).rfind("JPEG error #", 0), 0u);
    EXPECT_EQ(JpegFailure(bytes.left(bytes.size() / 2)).rfind("JPEG error #", 0), 0u);
}

TEST(JpegImage, EveryDialogPictureDecodes)
{
    for (const char* name :
         {"wizard", "items", "coupon", "note", "category", "aisles", "errands", "options", "tip"})
        EXPECT_FALSE(LoadDialogPicture(name).isNull()) << name;
    EXPECT_TRUE(LoadDialogPicture("no such picture").isNull());
}

class DialogFrameTest : public qmtest::DialogFixture {};

TEST_F(DialogFrameTest, AClickHandlerCanKeepTheDialogOpenAndHelpNeverCloses)
{
    TDialogForm form(nullptr, "FormTest", "Test", "items");
    ASSERT_NE(form.Picture, nullptr);
    bool refuse = true;
    form.AddOkCancelHelp(3440, [&] {
        if (refuse)
            form.ModalResult = mrNone;
    });
    form.open();
    form.BtnOK->click();
    EXPECT_TRUE(form.isVisible());
    form.BtnHelp->click();
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(shell->calls[0].helpContext, 3440);
    refuse = false;
    form.BtnOK->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), mrOk);
}

TEST_F(DialogFrameTest, F1OpensTheFocusedControlsHelp)
{
    TDialogForm form(nullptr, "FormTest", "Test", nullptr);
    form.AddOkCancelHelp(3420);
    auto* edit = new QLineEdit(form.Body);
    TDialogForm::SetHelpContext(edit, 890);
    form.show();
    form.activateWindow();
    edit->setFocus();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&form, &f1);
    form.BtnCancel->setFocus();
    QApplication::sendEvent(&form, &f1);
    ASSERT_EQ(shell->calls.size(), 2u);
    EXPECT_EQ(shell->calls[0].helpContext, 890);
    EXPECT_EQ(shell->calls[1].helpContext, 3420);
}

TEST_F(DialogFrameTest, TheCouponBlockFollowsHasCouponAndItsExpiryChoice)
{
    SetTestNow(EncodeDate(2026, 12, 7) + 0.25);
    QWidget parent;
    qmtest::TempDir temp;
    qmtest::TestMain main(temp.path() + "/");
    TCouponBlock block(main, &parent, "Label6");
    block.Show(true, 1000.0, false); // not a real date: never expires, today in the picker
    EXPECT_TRUE(block.RadioCouponNever->isChecked());
    EXPECT_EQ(block.DateTimeCouponExpire->date(), QDate(2026, 12, 7));
    EXPECT_FALSE(block.DateTimeCouponExpire->isEnabled());
    EXPECT_EQ(block.Expiry(), 0.0);

    block.Show(true, 1001.5, true);
    EXPECT_TRUE(block.RadioCouponExpire->isChecked());
    EXPECT_TRUE(block.DateTimeCouponExpire->isEnabled());
    EXPECT_EQ(block.Expiry(), 1001.0); // a whole day number
    EXPECT_TRUE(block.StoreOnly());

    block.CheckCoupon->setChecked(false);
    EXPECT_FALSE(block.RadioCouponNever->isEnabled());
    EXPECT_FALSE(block.CheckStoreCoupon->isEnabled());
    EXPECT_FALSE(block.DateTimeCouponExpire->isEnabled());
    EXPECT_TRUE(block.LabelStoresToChange->text().isEmpty());
    block.CheckCoupon->setEnabled(false);
    block.CheckCouponClick();
    EXPECT_FALSE(block.LabelCaption->isEnabled());
    SetTestNow(std::nullopt);
}

} // namespace
