#include "platform/gui/SpinEdit.h"

#include <QRegularExpression>
#include <algorithm>

namespace qm {

namespace {

// A whole number as the keys type it: digits after an optional sign, however many.
bool IsTypedNumber(const QString& text)
{
    static const QRegularExpression number("^[+-]?[0-9]*$");
    return number.match(text).hasMatch();
}

} // namespace

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

// A number outside the range is not finished yet rather than wrong, so the key that made it
// is kept; leaving the box brings it in (fixup).
QValidator::State TSpinEdit::validate(QString& input, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state != QValidator::Invalid)
        return state;
    return IsTypedNumber(input.trimmed()) ? QValidator::Intermediate : QValidator::Invalid;
}

// The typed number brought into the range: below it the minimum, above it (also past what a
// number can hold) the maximum; no number at all the minimum.
void TSpinEdit::fixup(QString& input) const
{
    const QString text = input.trimmed();
    int value = minimum();
    bool ok = false;
    const qlonglong typed = text.toLongLong(&ok);
    if (ok)
        value = int(std::clamp<qlonglong>(typed, minimum(), maximum()));
    else if (IsTypedNumber(text) && text.contains(QRegularExpression("[0-9]")) && !text.startsWith('-'))
        value = maximum(); // more digits than a number holds
    input = textFromValue(value);
}

} // namespace qm
