// The Qt message boxes behind the Dialogs seam show their text as it stands: the names of
// stores, categories and items that go into them may hold "<", ">" and "&".
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
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
