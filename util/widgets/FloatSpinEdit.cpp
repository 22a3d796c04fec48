#include "util/widgets/FloatSpinEdit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QStyle>
#include <QToolButton>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <string>

#include "platform/AnsiString.h"
#include "platform/Dispatch.h"

namespace qm {

namespace {

constexpr int kButtonWidth = 15;
constexpr int kButtonHeight = 17;

QChar LocaleDecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 ? point[0] : QChar('.');
}

// The text as a number: optional blanks around it, an optional sign, digits with at most one
// decimal separator (the user's, and only that one), and an optional exponent. Anything else,
// including "inf" and "nan", is not a number.
bool ParseDecimal(const QString& text, double& out)
{
    const QString trimmed = text.trimmed();
    const QChar sep = LocaleDecimalSeparator();
    std::string s;
    s.reserve(trimmed.size());
    for (const QChar ch : trimmed) {
        if (ch == sep)
            s += '.';
        else if (ch == '.' || ch.unicode() > 0x7F)
            return false;
        else
            s += char(ch.unicode());
    }
    if (s.find_first_not_of("0123456789+-.eE") != std::string::npos || s.empty())
        return false;
    std::string_view v = s;
    if (v.size() > 1 && v[0] == '+' && v[1] != '-')
        v.remove_prefix(1);
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
    return ec == std::errc() && end == v.data() + v.size() && std::isfinite(out);
}

// Up to 15 significant digits, trailing zeros dropped, exponent as "1E20" or "1E-5" when
// the plain form would be too long; the user's decimal separator.
QString FormatDecimal(double value)
{
    if (value == 0)
        return "0";
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string s(buf, ec == std::errc() ? end : buf);
    if (const size_t e = s.find('e'); e != std::string::npos) {
        std::string mant = s.substr(0, e);
        std::string exp = s.substr(e + 1);
        const bool negative = !exp.empty() && exp[0] == '-';
        if (!exp.empty() && (exp[0] == '+' || exp[0] == '-'))
            exp.erase(0, 1);
        exp.erase(0, std::min(exp.find_first_not_of('0'), exp.size() - 1));
        s = mant + "E" + (negative ? "-" : "") + exp;
    }
    QString out = QString::fromLatin1(s);
    out.replace('.', LocaleDecimalSeparator());
    return out;
}

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow, const char* name)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setArrowType(arrow);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIconSize(QSize(5, 5));
    return b;
}

} // namespace

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent)
{
    up_ = MakeArrow(this, Qt::UpArrow, "UpButton");
    down_ = MakeArrow(this, Qt::DownArrow, "DownButton");
    connect(up_, &QToolButton::clicked, this, [this] { clicked(OnUpClick); });
    connect(down_, &QToolButton::clicked, this, [this] { clicked(OnDownClick); });
}

void TSpinButton::clicked(const std::function<void()>& handler)
{
    if (focusControl_ && !focusControl_->hasFocus())
        focusControl_->setFocus(Qt::MouseFocusReason);
    if (handler)
        Dispatch(handler);
}

void TSpinButton::resizeEvent(QResizeEvent* event)
{
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
    QWidget::resizeEvent(event);
}

TFloatSpinEdit::TFloatSpinEdit(QWidget* parent) : QLineEdit(parent)
{
    button_ = new TSpinButton(this);
    button_->setObjectName("SpinButton");
    button_->resize(kButtonWidth, kButtonHeight);
    button_->SetFocusControl(this);
    button_->OnUpClick = [this] { UpClick(); };
    button_->OnDownClick = [this] { DownClick(); };
    button_->show();
    setText(QString("0") + LocaleDecimalSeparator() + "0");
    setEditRect();
    setMinimumHeight(MinHeight());
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange)
            Dispatch([this] { OnChange(this); });
    });
}

double TFloatSpinEdit::Value() const
{
    double v = 0;
    return ParseDecimal(text(), v) ? v : minValue_;
}

void TFloatSpinEdit::SetValue(double value)
{
    if (!std::isfinite(value))
        value = minValue_;
    setText(FormatDecimal(CheckValue(value)));
}

double TFloatSpinEdit::CheckValue(double value) const
{
    if (maxValue_ != minValue_) {
        if (value < minValue_)
            return minValue_;
        if (value > maxValue_)
            return maxValue_;
    }
    return value;
}

bool TFloatSpinEdit::IsValidChar(QChar key) const
{
    const bool control = key.unicode() < 32;
    if (!editorEnabled_)
        return control && key != QChar('\r') && key != QChar('\b');
    if (control)
        return key != QChar('\r');
    if (key.unicode() >= '0' && key.unicode() <= '9')
        return true;
    return key == '+' || key == '-' || key == LocaleDecimalSeparator();
}

void TFloatSpinEdit::UpClick()
{
    if (isReadOnly())
        QApplication::beep();
    else
        SetValue(Value() + increment_);
}

void TFloatSpinEdit::DownClick()
{
    if (isReadOnly())
        QApplication::beep();
    else
        SetValue(Value() - increment_);
}

int TFloatSpinEdit::MinHeight() const
{
    const int own = QFontMetrics(font()).height();
    const int system = QFontMetrics(QApplication::font()).height();
    constexpr int borderHeight = 1;
    return own + std::min(system, own) / 4 + 4 * borderHeight + 2;
}

void TFloatSpinEdit::setEditRect()
{
    // The text stops short of the arrows.
    setTextMargins(0, 0, button_->width() + 2, 0);
}

void TFloatSpinEdit::placeButton()
{
    const int w = button_->width();
    if (hasFrame()) {
        const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        button_->setGeometry(width() - w - frame - 1, frame, w, std::max(height() - 2 * frame - 1, 1));
    } else {
        button_->setGeometry(width() - w, 1, w, std::max(height() - 3, 1));
    }
    setEditRect();
}

void TFloatSpinEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    if (height() < MinHeight())
        resize(width(), MinHeight());
    else
        placeButton();
}

void TFloatSpinEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        setMinimumHeight(MinHeight());
        placeButton();
    }
}

void TFloatSpinEdit::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    if (key == Qt::Key_Up)
        UpClick();
    else if (key == Qt::Key_Down)
        DownClick();
    if (OnKeyDown)
        OnKeyDown(this, key, event->modifiers());
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;

    if ((event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) && !canPaste()) {
        event->accept();
    } else if (key == 0 || key == Qt::Key_Up || key == Qt::Key_Down) {
        event->accept();
    } else if (const QString typed = event->text(); !typed.isEmpty() && typed[0].unicode() != 0x7F) {
        // A typed character (Delete gives no character, as on the desktop it came from).
        QChar ch = enter ? QChar('\r') : typed[0];
        if (!IsValidChar(ch)) {
            QApplication::beep();
            event->accept();
        } else {
            if (OnKeyPress)
                OnKeyPress(this, ch);
            if (ch.isNull())
                event->accept();
            else
                QLineEdit::keyPressEvent(event);
        }
    } else {
        QLineEdit::keyPressEvent(event);
    }
    if (enter)
        SetValue(Value());
}

void TFloatSpinEdit::keyReleaseEvent(QKeyEvent* event)
{
    int key = event->key();
    if (OnKeyUp)
        OnKeyUp(this, key, event->modifiers());
    QLineEdit::keyReleaseEvent(event);
}

void TFloatSpinEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (autoSelect_ && QApplication::mouseButtons() == Qt::NoButton)
        selectAll();
    if (OnEnter)
        Dispatch([this] { OnEnter(this); }, Report::Later);
}

void TFloatSpinEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason)
        return; // our own context menu: the user is still in the box
    SetValue(Value());
    if (OnExit)
        Dispatch([this] { OnExit(this); }, Report::Later);
}

void TFloatSpinEdit::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        clickPending_ = true;
    if (OnMouseDown)
        OnMouseDown(this, event->button(), event->modifiers(), int(event->position().x()),
                    int(event->position().y()));
    QLineEdit::mousePressEvent(event);
}

void TFloatSpinEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // The middle button pastes the selection on X11: a paste like any other.
    if (event->button() == Qt::MiddleButton && !canPaste()) {
        event->accept();
    } else {
        QLineEdit::mouseReleaseEvent(event);
    }
    if (OnMouseUp)
        OnMouseUp(this, event->button(), event->modifiers(), int(event->position().x()),
                  int(event->position().y()));
    if (event->button() == Qt::LeftButton && clickPending_) {
        clickPending_ = false;
        if (rect().contains(event->position().toPoint()) && OnClick)
            Dispatch([this] { OnClick(this); });
    }
}

void TFloatSpinEdit::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove)
        OnMouseMove(this, event->modifiers(), int(event->position().x()), int(event->position().y()));
    QLineEdit::mouseMoveEvent(event);
}

void TFloatSpinEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    if (OnDblClick)
        Dispatch([this] { OnDblClick(this); });
}

void TFloatSpinEdit::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    if (!canPaste())
        for (QAction* action : menu->actions())
            if (action->objectName() == "edit-paste" || action->objectName() == "edit-cut")
                action->setEnabled(false);
    menu->exec(event->globalPos());
}

bool TFloatSpinEdit::event(QEvent* event)
{
    // Dropped text is pasted text.
    const QEvent::Type t = event->type();
    if ((t == QEvent::DragEnter || t == QEvent::DragMove || t == QEvent::Drop) && !canPaste()) {
        event->ignore();
        return true;
    }
    return QLineEdit::event(event);
}

} // namespace qm
