// The Qt message boxes behind the Dialogs seam show their text as it stands: the names of
// stores, categories and items that go into them may hold "<", ">" and "&".
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

#include "platform/gui/QtDialogs.h"

using namespace qm;

namespace {

// Once the box is open: note what its text label shows and how, then press the button.
struct Seen {
    QString text;
    Qt::TextFormat format = Qt::AutoText;
};

void AnswerNextBox(Seen& seen, QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [&seen, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        auto* label = box->findChild<QLabel*>("qt_msgbox_label");
        ASSERT_NE(label, nullptr);
        seen.text = label->text();
        seen.format = label->textFormat();
        box->button(button)->click();
    });
}

} // namespace

TEST(QtMessageBox, NamesWithMarkupAreShownAsTyped)
{
    QtDialogs dialogs;
    const AnsiString question = "Are you sure you want to delete the item \"<b>Bold</b> & Co\"?";
    Seen seen;
    AnswerNextBox(seen, QMessageBox::No);
    EXPECT_EQ(dialogs.messageDlg(question, mtConfirmation, mbYes | mbNo | mbHelp, 3480), mrNo);
    EXPECT_EQ(seen.text.toStdString(), question);
    EXPECT_EQ(seen.format, Qt::PlainText);

    AnswerNextBox(seen, QMessageBox::Yes);
    EXPECT_EQ(dialogs.messageBox("<i>Store</i> was renamed.", "Quillmart", mbYes | mbNo, mtInformation),
              mrYes);
    EXPECT_EQ(seen.text, "<i>Store</i> was renamed.");
    EXPECT_EQ(seen.format, Qt::PlainText);
}

// A name of 300 letters is broken over several lines, each of which the box shows whole; the
// text is otherwise the message as given (a blank where a line breaks gives way to the break), and the box
// stays within the screen.
TEST(QtMessageBox, ALongNameIsWrappedInsideTheBox)
{
    QtDialogs dialogs;
    const AnsiString name = "Extra " + std::string(294, 'L');
    const AnsiString message = "Item \"" + name + "\" already exists in this category.\rPick another name.";
    bool fits = false;
    QString shown;
    QRect boxRect, screenRect;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        auto* label = box->findChild<QLabel*>("qt_msgbox_label");
        ASSERT_NE(label, nullptr);
        shown = label->text();
        const QFontMetrics metrics(label->font());
        fits = true;
        for (const QString& line : shown.split(QRegularExpression("[\r\n]")))
            fits = fits && metrics.horizontalAdvance(line) <= label->contentsRect().width();
        boxRect = box->frameGeometry();
        screenRect = box->screen()->availableGeometry();
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.messageDlg(message, mtError, mbOK, 0);
    EXPECT_TRUE(fits) << shown.toStdString();
    EXPECT_GT(shown.count('\n'), 2);
    // Only line breaks came in, in place of the blanks where a line ended.
    EXPECT_EQ(QString(shown).remove('\n').remove(' '), ToQString(message).remove(' '));
    EXPECT_LE(boxRect.width(), screenRect.width());
}
