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

namespace {

// The wrapping on a text measured one unit per character, a line maxWidth characters long.
QString Wrap(const char* text, int maxWidth)
{
    return WrapMessageText(QString::fromUtf8(text), maxWidth,
                           [](const QString& line) { return int(line.size()); });
}

} // namespace

// Where the lines of a message box break: at blanks, which give way to the breaks; a path or a
// name in quotes whole on one line where it fits; a path too long for one broken between its
// folders, its file's own name kept whole; a word too long for any line cut where it must.
TEST(QtMessageBox, LinesBreakAtBlanksAndKeepAQuotedPathOrNameWhole)
{
    EXPECT_EQ(
        Wrap("Cannot write to the file \"/home/ann/.local/share/Quillmart/Hilltop Foods.store\": No such "
             "file or directory.",
             60),
        "Cannot write to the file\n\"/home/ann/.local/share/Quillmart/Hilltop Foods.store\": No\n"
        "such file or directory.");
    EXPECT_EQ(Wrap("The print server does not answer, so its printers cannot be used now. \"Print to File "
                   "(PDF)\" can still be used.",
                   80),
              "The print server does not answer, so its printers cannot be used now.\n"
              "\"Print to File (PDF)\" can still be used.");
    EXPECT_EQ(
        Wrap("Cannot write to the file \"/home/ann/.local/share/Quillmart/Hilltop Foods.store\": No such "
             "file.",
             30),
        "Cannot write to the file\n\"/home/ann/.local/share/\nQuillmart/\nHilltop Foods.store\": No such\n"
        "file.");
    EXPECT_EQ(Wrap("Item ABCDEFGHIJKLMNOPQRSTUVWXYZ exists.", 10),
              "Item\nABCDEFGHIJ\nKLMNOPQRST\nUVWXYZ\nexists.");

    // Lines that fit and the text's own breaks stay as they are, two blanks inside a line too;
    // a line never begins with a blank that stood where it broke.
    EXPECT_EQ(Wrap("It appears the store folder doesn't exist.  Would you like\r\nShort line.\nx", 20),
              "It appears the store\nfolder doesn't\nexist.  Would you\nlike\r\nShort line.\nx");
    EXPECT_EQ(Wrap("aaaa bbbb.  cccc", 10), "aaaa bbbb.\ncccc");
    EXPECT_EQ(Wrap("Fits as it is.", 14), "Fits as it is.");
}

// The box shows the lines as they were broken: its label is wide enough for each, so it breaks
// none of them again ("...Quillmart/Hilltop" above "Foods.store").
TEST(QtMessageBox, TheBoxBreaksNoLineAgain)
{
    QtDialogs dialogs;
    const AnsiString path = "/home/ann/.local/share/Quillmart/Hilltop Foods.store";
    const AnsiString message = "Cannot write to the file \"" + path + "\": No space left on device.";
    QString shown;
    int wrappedHeight = 0, lineHeight = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        auto* label = box->findChild<QLabel*>("qt_msgbox_label");
        ASSERT_NE(label, nullptr);
        shown = label->text();
        const QFontMetrics metrics(label->font());
        wrappedHeight = metrics.boundingRect(label->contentsRect(), Qt::TextWordWrap, shown).height();
        lineHeight = metrics.boundingRect(QRect(0, 0, 100000, 100000), 0, shown).height();
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.messageDlg(message, mtError, mbOK, 0);
    EXPECT_GT(shown.count('\n'), 0) << shown.toStdString();
    EXPECT_TRUE(shown.contains("\"" + ToQString(path) + "\"")) << shown.toStdString(); // on one line
    EXPECT_EQ(wrappedHeight, lineHeight) << shown.toStdString();
}
