// Program entry: the application object, the main window, then the event loop.
#include <QApplication>
#include <QMainWindow>

#include "platform/gui/QtDialogs.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillmart");
    qm::InstallQtDialogs();
    QMainWindow window;
    window.setWindowTitle("Quillmart");
    window.resize(800, 600);
    window.show();
    return app.exec();
}
