#pragma once
// The controls of a window found by their names and worked as a person works them. Every
// control, menu and menu entry of the program's windows carries its member name as its object
// name, so a test names what it uses ("BtnPaste", "MItemFileExplore", "ComboStores") instead of
// reaching into the window, whose parts stay private:
//
//   Trigger(*form, "MItemFileExplore");                 // a menu entry chosen
//   Click(*form, "BtnPaste");                           // a button clicked
//   Choose(*form, "MMenuStore", "MItemStoreNext");      // the menu opened, the entry clicked
//   OpenMenu(*form, "MMenuOptions");                    // the menu's entries take their state
//   EXPECT_TRUE(Checked(*form, "MItemOptionsLargeButtons"));
//   EXPECT_FALSE(Enabled(*form, "BtnCoupon"));
//   EXPECT_EQ(Text(*form, "LabelResults"), "     Items Found: 4");
//   Pick(*form, "ComboStores", "beta");                 // an entry chosen from a drop-down
//   EXPECT_EQ(Entries(*form, "ComboStores"), QStringList({"Alpha", "beta"}));
//   Fire(*form, "TimerTip");                            // a running timer's time has come
//   Control<QScrollBar>(*form, "ShoppingListBar").setValue(40); // anything else of a control
//   ClickAt(Control(*form, "ImageItemList"), 50, 30);   // the mouse on a control, at a point
//   Key(*form, Qt::Key_F5, Qt::ShiftModifier);          // a key on the control with the focus
//   FocusIn(Control(*form, "ComboFind"));               // a control told it has the keyboard
//   Relayout(*form);                                    // a window told it was resized
//
// A name must name exactly one object of the type asked for among all of the window's
// descendants (pop-up menus and the entries of every menu included; a sub-menu's entry in its
// parent menu is named after the sub-menu with "Action" added). Otherwise the helper throws
// MissingControl, whose message names the window, the name and what was found instead. In a
// test body gtest reports the throw as a failure and ends the test, as ASSERT does; thrown
// inside a command (a dialog's play, a modal hook) it reaches the command dispatch, whose
// error box the DialogFixture reports as unexpected. A control a person could not use (a
// disabled entry or button, a timer that is not running) is refused the same way, so a test
// never passes by a command that silently did not run: check Enabled() to test that it is off.
//
// Trigger and Click act on the entry or button as it stands; a menu entry's state is the one
// its menu gave it when it last opened (OpenMenu or Choose refresh it, as opening does).
//
// The header needs no gtest, so the benchmarks use it too.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <QWheelEvent>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>

namespace qmtest {

// A control that is not there, not of the type asked for, or not usable.
class MissingControl : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

namespace detail {

inline std::string TypeName(const std::type_info& type)
{
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 ? name.get() : type.name();
}

[[noreturn]] inline void Refuse(const QObject& window, const QString& name, const std::string& why)
{
    throw MissingControl(window.objectName().toStdString() + ": \"" + name.toStdString() + "\" " + why);
}

} // namespace detail

// The window's one descendant named name that is a T.
template <class T = QWidget> T& Control(const QObject& window, const QString& name)
{
    T* found = nullptr;
    int count = 0;
    QString other;
    for (QObject* object : window.findChildren<QObject*>(name))
        if (auto* control = dynamic_cast<T*>(object)) {
            found = control;
            ++count;
        } else if (object) {
            other = object->metaObject()->className();
        }
    if (count == 1)
        return *found;
    const std::string type = detail::TypeName(typeid(T));
    if (count > 1)
        detail::Refuse(window, name, "names " + std::to_string(count) + " objects of type " + type);
    if (!other.isEmpty())
        detail::Refuse(window, name, "is a " + other.toStdString() + ", not a " + type);
    detail::Refuse(window, name, "names no object");
}

// Chooses the menu entry: its command runs (through the window's command dispatch).
inline void Trigger(const QObject& window, const QString& entry)
{
    QAction& action = Control<QAction>(window, entry);
    if (!action.isEnabled())
        detail::Refuse(window, entry, "is disabled");
    action.trigger();
    QApplication::processEvents(); // the event loop's turn that ends the action
}

// Clicks the button (a tool button, a push button, a check box, ...).
inline void Click(const QObject& window, const QString& button)
{
    QAbstractButton& b = Control<QAbstractButton>(window, button);
    if (!b.isEnabled())
        detail::Refuse(window, button, "is disabled");
    b.click();
}

// The menu is about to open: its handler gives the entries their captions, checks and states.
// Nothing is shown.
inline void OpenMenu(const QObject& window, const QString& menu)
{
    emit Control<QMenu>(window, menu).aboutToShow();
}

// Opens the menu (or sub-menu) on the screen, clicks the entry with the mouse and closes the
// menu again, as a person chooses from a menu.
inline void Choose(const QObject& window, const QString& menu, const QString& entry)
{
    QMenu& m = Control<QMenu>(window, menu);
    QAction& action = Control<QAction>(m, entry);
    m.popup(QPoint(20, 20));
    QApplication::processEvents();
    if (!action.isEnabled()) {
        m.hide();
        detail::Refuse(window, entry, "is disabled");
    }
    QTest::mouseClick(&m, Qt::LeftButton, {}, m.actionGeometry(&action).center());
    QApplication::processEvents();
    m.hide();
}

// Whether a menu entry or a control is enabled.
inline bool Enabled(const QObject& window, const QString& name)
{
    QObject& object = Control<QObject>(window, name);
    if (const auto* action = qobject_cast<QAction*>(&object))
        return action->isEnabled();
    if (const auto* widget = qobject_cast<QWidget*>(&object))
        return widget->isEnabled();
    detail::Refuse(window, name, "is neither a menu entry nor a control");
}

// Whether a menu entry or a button is checked (a tool button is down).
inline bool Checked(const QObject& window, const QString& name)
{
    QObject& object = Control<QObject>(window, name);
    if (const auto* action = qobject_cast<QAction*>(&object))
        return action->isChecked();
    if (const auto* button = qobject_cast<QAbstractButton*>(&object))
        return button->isChecked();
    detail::Refuse(window, name, "is neither a menu entry nor a button");
}

// The text a control shows: a menu entry's or button's caption, a menu's title, a label's or
// an edit box's text, a drop-down's current text.
inline QString Text(const QObject& window, const QString& name)
{
    QObject& object = Control<QObject>(window, name);
    if (const auto* action = qobject_cast<QAction*>(&object))
        return action->text();
    if (const auto* menu = qobject_cast<QMenu*>(&object))
        return menu->title();
    if (const auto* button = qobject_cast<QAbstractButton*>(&object))
        return button->text();
    if (const auto* label = qobject_cast<QLabel*>(&object))
        return label->text();
    if (const auto* edit = qobject_cast<QLineEdit*>(&object))
        return edit->text();
    if (const auto* combo = qobject_cast<QComboBox*>(&object))
        return combo->currentText();
    detail::Refuse(window, name, "shows no text");
}

// The entries of a drop-down, in their order.
inline QStringList Entries(const QComboBox& combo)
{
    QStringList out;
    for (int i = 0; i < combo.count(); ++i)
        out << combo.itemText(i);
    return out;
}
inline QStringList Entries(const QObject& window, const QString& combo)
{
    return Entries(Control<QComboBox>(window, combo));
}

// Chooses the drop-down's entry of exactly this text, as a click on it in the open list does:
// the entry becomes the current one and the drop-down reports it activated.
inline void Pick(const QObject& window, const QString& combo, const QString& entry)
{
    QComboBox& c = Control<QComboBox>(window, combo);
    const int index = c.findText(entry, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        detail::Refuse(window, combo, "has no entry \"" + entry.toStdString() + "\"");
    if (!c.isEnabled())
        detail::Refuse(window, combo, "is disabled");
    c.setCurrentIndex(index);
    emit c.activated(index);
    emit c.textActivated(entry);
}

// The running timer's interval has passed: it fires now, once.
inline void Fire(const QObject& window, const QString& timer)
{
    QTimer& t = Control<QTimer>(window, timer);
    if (!t.isActive())
        detail::Refuse(window, timer, "is not running");
    QTimerEvent due(t.timerId());
    QApplication::sendEvent(&t, &due);
}

// The mouse on a control, at (x, y) of the control: a button pressed, a click (pressed and
// released there), a move with no button down, a turn of the wheel (120 is one notch away from
// the user) over the control's middle. The events go straight to the control, which need not
// be on the screen.
inline void Press(QWidget& control, int x, int y, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = {})
{
    const QPointF at(x, y);
    QMouseEvent press(QEvent::MouseButtonPress, at, control.mapToGlobal(at), button, button, modifiers);
    QApplication::sendEvent(&control, &press);
}
inline void ClickAt(QWidget& control, int x, int y, Qt::MouseButton button = Qt::LeftButton,
                    Qt::KeyboardModifiers modifiers = {})
{
    Press(control, x, y, button, modifiers);
    const QPointF at(x, y);
    QMouseEvent release(QEvent::MouseButtonRelease, at, control.mapToGlobal(at), button, Qt::NoButton,
                        modifiers);
    QApplication::sendEvent(&control, &release);
    QApplication::processEvents(); // the event loop's turn that ends the action
}
inline void MoveTo(QWidget& control, int x, int y)
{
    const QPointF at(x, y);
    QMouseEvent move(QEvent::MouseMove, at, control.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&control, &move);
}
inline void Wheel(QWidget& control, int delta)
{
    const QPointF at(control.width() / 2.0, control.height() / 2.0);
    QWheelEvent turn(at, control.mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(&control, &turn);
}

// The control is told it has the keyboard, as when it is tabbed into: it gets the focus-in
// event alone, so the window need not be active, and the focus stays where it was.
inline void FocusIn(QWidget& control)
{
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&control, &in);
}

// The window told that it was resized to the size it has: it lays itself out again.
inline void Relayout(QWidget& window)
{
    QResizeEvent event(window.size(), window.size());
    QApplication::sendEvent(&window, &event);
}

// A key pressed and released on the window's control that has the focus (the window itself
// when none has), as typed: the window's shortcuts see it first. Events it posts are handled.
inline void Key(QWidget& window, int key, Qt::KeyboardModifiers modifiers = {})
{
    QWidget* target = window.focusWidget() ? window.focusWidget() : &window;
    QTest::keyClick(target, Qt::Key(key), modifiers);
    QApplication::processEvents();
}

} // namespace qmtest
