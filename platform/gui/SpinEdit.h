#pragma once
// TSpinEdit: an edit box for a whole number with up and down arrows, kept within a range.
// Any number can be typed, also one outside the range, as the keys come: "9" then "9" in a
// box of 8 to 24 shows 99 while typing, never drops the second key. The number is brought
// into the range when the box is left or Enter is pressed (99 becomes 24); text that is not
// a number becomes the minimum.
#include <QSpinBox>

namespace qm {

class TSpinEdit : public QSpinBox {
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};

} // namespace qm
