#include "platform/gui/Terminate.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace qm {

namespace {

int gPipe[2] = {-1, -1};

// A signal handler may only do little: it writes one byte, and the event loop does the rest.
void OnSignal(int)
{
    const char byte = 1;
    (void)!::write(gPipe[1], &byte, 1);
}

} // namespace

void CloseWindowsOnTerminate()
{
    if (gPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char byte = 0;
        (void)!::read(gPipe[0], &byte, 1);
        // Open dialogs close too (as cancelled), so that a modal one cannot hold the program;
        // so does every window that shows after this (a box start-up asks, the main window
        // once it shows), until the event loop ends. That includes a box the closing itself
        // brings up (a write that fails as the window closes): the timer runs first, so that
        // it fires in that box's own event loop.
        auto* again = new QTimer(qApp);
        QObject::connect(again, &QTimer::timeout, qApp, [] { QApplication::closeAllWindows(); });
        again->start(100);
        QApplication::closeAllWindows();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

} // namespace qm
