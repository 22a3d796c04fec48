// Program entry: the application object, the main window, the clipboard viewer (hidden until
// asked for), then the event loop until the main window closes.
#include <QApplication>
#include <csignal>

#include "dialogs/ViewClipUnit.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Application.h"
#include "platform/Dispatch.h"
#include "platform/gui/HelpWindow.h"
#include "platform/gui/QtDialogs.h"
#include "platform/gui/Terminate.h"

int main(int argc, char** argv)
{
    // A file-size limit (ulimit -f) makes a write fail with its message, as a full disk does,
    // instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    // What is left of argv once Qt took its own options, with the bytes of any path in it.
    qm::SetApplicationArguments(argc, argv);
    QApplication::setApplicationName("Quillmart");
    qm::InstallQtDialogs();
    qm::CloseWindowsOnTerminate();
    qm::SetApplicationTitle("Quillmart");
    qm::SetApplicationHelpFile(qm::ApplicationFolder() + "Quillmart.hlp");
    qm::InstallHelpWindow();

    qm::FormMain = new qm::TFormMain;
    qm::Dispatch([] { qm::FormMain->FormCreate(); });
    qm::FormViewClip = new qm::TFormViewClip(*qm::FormMain, qm::FormMain);
    qm::FormMain->show();
    const int rc = app.exec();
    delete qm::FormMain;
    return rc;
}
