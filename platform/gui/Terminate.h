#pragma once
// Ending the program from outside as if its windows were closed by hand: a SIGTERM (the
// desktop session ending, or `kill`) or SIGINT closes every window, so the main window writes
// its settings as at any close and the event loop ends normally. Windows that show after the
// signal (start-up may still be asking a question, a write may fail as the window closes) are
// closed as they come.
namespace qm {

// Installs the handlers; call once, after the application object exists.
void CloseWindowsOnTerminate();

} // namespace qm
