// The help window asked for from a dialog's Help button, with the real dialog and the real help
// window: it must answer the mouse while the dialog is up, outlive the dialog, and open wholly
// on the screen, over the window it was asked from.
#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <memory>

#include "TestSupport.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "platform/gui/HelpWindow.h"
#include "platform/gui/QtDialogs.h"

namespace {

using namespace qm;

const std::string kHelpFile = std::string(QM_SOURCE_DIR) + "/resources/help/Quillmart.hlp";

// Clicks the topic's entry in the help window's contents through the window system, as the
// mouse does; a window blocked by a modal one ignores it. True when the topic then shows.
bool ClickTopic(int context)
{
    THelpWindow* help = HelpWindow();
    if (!help || !help->windowHandle())
        return false;
    for (int i = 0; i < help->ListContents->count(); ++i) {
        QListWidgetItem* item = help->ListContents->item(i);
        if (item->data(Qt::UserRole).toInt() != context)
            continue;
        help->ListContents->scrollToItem(item);
        const QPoint at =
            help->ListContents->viewport()->mapTo(help, help->ListContents->visualItemRect(item).center());
        QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {}, at);
        return help->ShownContext() == context;
    }
    return false;
}

class HelpFromDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousDialogs_ = SetDialogHandler(std::make_shared<QtDialogs>());
        previousShell_ = SetShellHandler(nullptr); // the desktop's shell, with the help window
        InstallHelpWindow();
        SetApplicationHelpFile(kHelpFile);
        main = std::make_unique<QWidget>();
        main->resize(400, 300);
        main->show();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    }
    void TearDown() override
    {
        delete HelpWindow();
        SetHelpViewer(nullptr);
        main.reset();
        SetShellHandler(previousShell_);
        SetDialogHandler(previousDialogs_);
    }

    std::unique_ptr<QWidget> main; // the program's main window

private:
    std::shared_ptr<DialogHandler> previousDialogs_;
    std::shared_ptr<ShellHandler> previousShell_;
};

TEST_F(HelpFromDialogsTest, TheHelpWindowOpensOnTheScreenAnswersBesideTheDialogAndOutlivesIt)
{
    auto* dialog = new QDialog(main.get());
    bool usable = false;
    QTimer::singleShot(0, dialog, [&] {
        Shell().showHelp(3440);        // the dialog's Help button
        QApplication::processEvents(); // the user reads before clicking
        usable = ClickTopic(3540);
        dialog->reject();
    });
    RunModal(*dialog);
    delete dialog; // dialogs are freed after their run
    EXPECT_TRUE(usable);
    ASSERT_NE(HelpWindow(), nullptr);
    EXPECT_TRUE(HelpWindow()->isVisible());
    EXPECT_EQ(HelpWindow()->ShownContext(), 3540);

    // It opened wholly on the screen, its title bar included.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = HelpWindow()->frameGeometry();
    EXPECT_TRUE(screen.contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
}

} // namespace
