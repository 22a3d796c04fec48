// The program's message boxes as the real dialogs show them.
#include <QApplication>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "TestSupport.h"
#include "platform/Dialogs.h"
#include "platform/gui/QtDialogs.h"

namespace {

using namespace qm;

// The real dialogs over an active window; the previous handler comes back however the test ends.
class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = SetDialogHandler(std::make_shared<QtDialogs>());
        main.show();
        main.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    }
    void TearDown() override { SetDialogHandler(previous); }

    std::shared_ptr<DialogHandler> previous;
    QWidget main;
};

// A short message under a longer title: the box must leave the title bar room for the whole
// title, or the window manager cuts it short.
TEST_F(MessageBoxTest, AShortMessageStillLeavesRoomForTheWholeTitle)
{

    struct Seen {
        QString title;
        int width = 0;
        int titleWidth = 0;
    };
    const auto look = [](Seen& seen) {
        QTimer::singleShot(0, [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            QFont bold = box->font();
            bold.setBold(true);
            seen = {box->windowTitle(), box->width(),
                    QFontMetrics(bold).horizontalAdvance(box->windowTitle())};
            box->button(QMessageBox::Ok)->click();
        });
    };
    Seen info, system;
    look(info);
    MessageDlg("1 files imported.", mtInformation, mbOK, 0);
    look(system);
    MessageBoxQ("Saved.", mbOK, mtInformation);

    EXPECT_EQ(info.title, "Information");
    EXPECT_GE(info.width, info.titleWidth + 100);
    EXPECT_EQ(system.title, "Quillmart");
    EXPECT_GE(system.width, system.titleWidth + 100);
}

// The aisle editor's rename query: a short prompt under a long title, answered by typing.
TEST_F(MessageBoxTest, AnInputQueryLeavesRoomForItsTitleAndReturnsWhatWasTyped)
{

    int width = 0, titleWidth = 0;
    QTimer::singleShot(0, [&] {
        auto* query = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(query, nullptr);
        QFont bold = query->font();
        bold.setBold(true);
        width = query->width();
        titleWidth = QFontMetrics(bold).horizontalAdvance(query->windowTitle());
        auto* edit = query->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "Dairy");
        edit->setText("Cold Cases");
        query->accept();
    });
    AnsiString value = "Dairy";
    const bool ok = InputQuery("Edit Aisles/Departments", "Aisle Name:", value);

    AnsiString kept = "Dairy";
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    const bool cancelled = !InputQuery("Edit Aisles/Departments", "Aisle Name:", kept);

    EXPECT_TRUE(ok);
    EXPECT_EQ(value, "Cold Cases");
    EXPECT_GE(width, titleWidth + 100);
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(kept, "Dairy");
}

} // namespace
