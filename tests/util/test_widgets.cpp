// The three small controls, driven through real Qt events where a user would reach them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include "TestSupport.h"
#include "platform/Exception.h"
#include "util/widgets/AdvGrid.h"
#include "util/widgets/FloatSpinEdit.h"
#include "util/widgets/UrlLabel.h"

using namespace qm;

namespace {

void SendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint at = {2, 2})
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Click(QWidget* w, Qt::MouseButton button = Qt::LeftButton)
{
    SendMouse(w, QEvent::MouseButtonPress, button);
    SendMouse(w, QEvent::MouseButtonRelease, button);
}

void Key(QWidget* w, int key, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

void Type(QWidget* w, const QString& text)
{
    for (const QChar ch : text)
        Key(w, ch.isDigit() ? Qt::Key_0 + ch.digitValue() : Qt::Key_A, QString(ch));
}

void LeaveBox(QWidget* w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

} // namespace

class UrlLabelTest : public qmtest::DialogFixture {};

TEST_F(UrlLabelTest, ClickOpensTheUrlOrElseTheCaptionAndNothingWhenBothAreBlank)
{
    TUrlLabel label;
    label.resize(100, 20);
    int clicks = 0;
    label.OnClick = [&](QObject*) { ++clicks; };

    label.SetCaption("www.example.org");
    label.SetURL("  ");
    Click(&label);
    label.SetURL("https://example.org/tutorials");
    Click(&label);
    label.SetURL("");
    label.SetCaption(" ");
    Click(&label);
    Click(&label, Qt::RightButton); // not a click

    ASSERT_EQ(shell->calls.size(), 2u);
    EXPECT_EQ(shell->calls[0].what, "url");
    EXPECT_EQ(shell->calls[0].target, "www.example.org");
    EXPECT_EQ(shell->calls[1].target, "https://example.org/tutorials");
    EXPECT_EQ(clicks, 3); // the click event runs even when there is nothing to open
}

TEST_F(UrlLabelTest, LeftButtonShowsTheActiveColourUntilReleasedAndCopyTakesTheCaption)
{
    TUrlLabel label;
    label.resize(100, 20);
    EXPECT_EQ(label.FontColor(), QColor(0, 0, 255));
    EXPECT_EQ(label.ActiveColor(), QColor(0x80, 0, 0x80));
    EXPECT_TRUE(label.font().underline());

    SendMouse(&label, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_EQ(label.FontColor(), QColor(0x80, 0, 0x80));
    SendMouse(&label, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(label.FontColor(), QColor(0, 0, 255));
    SendMouse(&label, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_EQ(label.FontColor(), QColor(0, 0, 255));
    SendMouse(&label, QEvent::MouseButtonRelease, Qt::RightButton);

    label.SetCaption("Caf\xE9 site");
    label.SetURL("https://example.org/");
    ASSERT_EQ(label.PopupMenu()->actions().size(), 1);
    EXPECT_EQ(label.CopyItem()->text(), "Copy");
    label.CopyItem()->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("Café site"));
    EXPECT_TRUE(shell->calls.empty()); // the empty label's click and Copy open nothing
}

TEST(AdvGridTest, RemoveRowsMovesLaterRowsUpAndLowersTheRowCount)
{
    TAdvStringGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(5);
    for (int r = 0; r < 5; ++r) {
        grid.SetCells(0, r, "a" + std::to_string(r));
        grid.SetCells(1, r, "b" + std::to_string(r));
    }
    grid.RemoveRows(2, 1);
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cells(0, 0), "a0"); // the title row stays
    EXPECT_EQ(grid.Cells(0, 1), "a1");
    EXPECT_EQ(grid.Cells(0, 2), "a3");
    EXPECT_EQ(grid.Cells(1, 3), "b4");
    EXPECT_EQ(grid.Cells(1, 4), ""); // past the end

    // A count past the end stops at the last row; nothing outside the grid is removed.
    grid.RemoveRows(3, 10);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cells(0, 2), "a3");
    grid.RemoveRows(3, 1);
    grid.RemoveRows(1, 0);
    grid.RemoveRows(-1, 1);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cells(0, 1), "a1");
}

TEST(AdvGridTest, ClearRowsEmptiesEveryCellTitlesIncludedAndKeepsTheRows)
{
    TAdvStringGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SetCells(0, 0, "Qty");
    grid.SetCells(2, 2, "x");
    grid.SetRow(2);
    EXPECT_EQ(grid.Row(), 2);
    grid.ClearRows();
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cells(0, 0), "");
    EXPECT_EQ(grid.Cells(2, 2), "");
}

TEST(FloatSpinEditTest, ValueReadsMinForTextThatIsNotANumberAndClampsOnlyWhenMaxDiffersFromMin)
{
    TFloatSpinEdit edit;
    EXPECT_EQ(edit.text(), "0.0");
    EXPECT_EQ(edit.Increment(), 1.0);
    EXPECT_TRUE(edit.EditorEnabled());

    // The defaults (0 and 0) clamp nothing.
    edit.SetValue(-12.5);
    EXPECT_EQ(edit.text(), "-12.5");
    edit.SetValue(1e20);
    EXPECT_EQ(edit.text(), "1E20");
    EXPECT_DOUBLE_EQ(edit.Value(), 1e20);

    edit.SetMinValue(0.5);
    edit.SetMaxValue(2);
    for (const char* notANumber : {"abc", "", "1.2.3", "inf", "nan", "1,5", "--1", "0x10"}) {
        edit.setText(notANumber);
        EXPECT_EQ(edit.Value(), 0.5) << notANumber;
    }
    edit.setText(" +1.25 ");
    EXPECT_EQ(edit.Value(), 1.25);
    edit.SetValue(7);
    EXPECT_EQ(edit.text(), "2");
    edit.SetValue(-7);
    EXPECT_EQ(edit.text(), "0.5");
}

TEST(FloatSpinEditTest, TypingFiveAndLeavingTheBoxGivesTheMaximumAndEnterReformats)
{
    TFloatSpinEdit edit;
    edit.SetMaxValue(2);
    edit.clear();
    Type(&edit, "5");
    EXPECT_EQ(edit.text(), "5");
    LeaveBox(&edit);
    EXPECT_EQ(edit.text(), "2");

    edit.clear();
    Type(&edit, "1.50");
    Key(&edit, Qt::Key_Return, "\r");
    EXPECT_EQ(edit.text(), "1.5");
}

class FloatSpinEditFocusTest : public qmtest::DialogFixture {};

// Entering and leaving the box are handled in the middle of a focus change: what the handlers
// fail with is shown once the event loop is back, not from inside the change.
TEST_F(FloatSpinEditFocusTest, WhatEnteringOrLeavingTheBoxFailsWithIsShownAfterTheFocusChange)
{
    TFloatSpinEdit edit;
    edit.OnEnter = [](QObject*) { throw EInOutError("Cannot enter"); };
    edit.OnExit = [](QObject*) { throw EInOutError("Cannot leave"); };
    dialogs->expectBox("Cannot enter");
    dialogs->expectBox("Cannot leave");
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&edit, &in);
    LeaveBox(&edit);
    EXPECT_TRUE(dialogs->seen().empty());
    QApplication::processEvents();
    ASSERT_EQ(dialogs->seen().size(), 2u);
    EXPECT_EQ(dialogs->seen()[0].text, "Cannot enter");
    EXPECT_EQ(dialogs->seen()[1].text, "Cannot leave");
}

TEST(FloatSpinEditTest, OnlyNumberCharactersAreTypedAndNoneWhenTheEditorIsDisabled)
{
    TFloatSpinEdit edit;
    edit.clear();
    Type(&edit, "-1a.5e");
    EXPECT_EQ(edit.text(), "-1.5");
    Key(&edit, Qt::Key_Backspace, "\b");
    EXPECT_EQ(edit.text(), "-1.");

    edit.SetEditorEnabled(false);
    EXPECT_FALSE(edit.IsValidChar('7'));
    EXPECT_FALSE(edit.IsValidChar('\b'));
    EXPECT_TRUE(edit.IsValidChar(QChar(27)));
    Type(&edit, "7");
    Key(&edit, Qt::Key_Backspace, "\b");
    EXPECT_EQ(edit.text(), "-1.");
    QApplication::clipboard()->setText("99");
    Key(&edit, Qt::Key_V, "\x16", Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "-1.");
    // The arrows still work without the editor.
    Key(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.text(), "0");
    edit.SetEditorEnabled(true);
    edit.selectAll();
    Key(&edit, Qt::Key_V, "\x16", Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "99");
}

TEST(FloatSpinEditTest, ArrowsAndKeysStepByTheIncrementUnlessReadOnly)
{
    TFloatSpinEdit edit;
    edit.SetIncrement(0.1);
    edit.SetValue(0);
    for (int i = 0; i < 3; ++i)
        edit.Button()->UpButton()->click();
    EXPECT_EQ(edit.text(), "0.3"); // 15 significant digits, not 0.30000000000000004
    Key(&edit, Qt::Key_Down);
    EXPECT_EQ(edit.text(), "0.2");

    edit.SetReadOnly(true);
    Key(&edit, Qt::Key_Up);
    edit.Button()->DownButton()->click();
    EXPECT_EQ(edit.text(), "0.2");
}
