// The whole-number spin edit takes every digit typed, also past its range, and brings the
// number into the range when the box is left or Enter is pressed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "platform/gui/SpinEdit.h"

using namespace qm;

namespace {

// A shown box of min to max beside a second box that takes the focus when the first is left.
struct Boxes {
    QWidget window;
    TSpinEdit* spin = new TSpinEdit;
    QLineEdit* other = new QLineEdit;
    Boxes(int min, int max, int value)
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(spin);
        layout->addWidget(other);
        spin->setRange(min, max);
        spin->setValue(value);
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        spin->setFocus();
    }
    // Types text over the whole box, as a person does after selecting it.
    void Type(const char* text)
    {
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, text);
    }
    void Leave() { other->setFocus(); }
};

} // namespace

TEST(SpinEdit, EveryDigitIsKeptAndLeavingTheBoxBringsTheNumberIntoTheRange)
{
    Boxes font(8, 24, 10);
    font.Type("99");
    EXPECT_EQ(font.spin->text(), "99"); // the second 9 is not dropped
    font.Leave();
    EXPECT_EQ(font.spin->value(), 24);
    EXPECT_EQ(font.spin->text(), "24");

    font.Type("5");
    font.Leave();
    EXPECT_EQ(font.spin->value(), 8);

    Boxes qty(0, 99, 1);
    qty.Type("150");
    EXPECT_EQ(qty.spin->text(), "150");
    QTest::keyClick(qty.spin, Qt::Key_Return); // Enter brings it in too
    EXPECT_EQ(qty.spin->value(), 99);

    qty.Type("-7");
    qty.Leave();
    EXPECT_EQ(qty.spin->value(), 0);
    qty.Type("123456789012345678901234567890"); // more digits than a number holds
    qty.Leave();
    EXPECT_EQ(qty.spin->value(), 99);
    qty.Type("12");
    qty.Leave();
    EXPECT_EQ(qty.spin->value(), 12);
}

TEST(SpinEdit, OnlyNumbersAreTypedAndAnEmptyBoxBecomesTheMinimum)
{
    Boxes qty(0, 99, 5);
    qty.Type("4x2");
    EXPECT_EQ(qty.spin->text(), "42");
    qty.spin->selectAll();
    QTest::keyClick(qty.spin, Qt::Key_Delete);
    EXPECT_EQ(qty.spin->text(), "");
    qty.Leave();
    EXPECT_EQ(qty.spin->value(), 0);
}
