#pragma once
// Every command slot runs through Dispatch: an exception that escapes the command is shown
// in an error box (EAbort, raised when the user cancelled, silently) and the program goes on,
// so no exception ever crosses the event loop.
//
// A handler that the toolkit calls in the middle of its own work (a focus change, a pop-up or
// drop-down list opening or closing, a menu opening, a shortcut being matched) dispatches with
// Report::Later: a box has an event loop of its own, and run there it lets the toolkit's state
// change under its feet (a menu closed while the menu bar still opens it). Such a failure is
// shown once that work has returned to the event loop.
//
// One user action shows a failure once: a later failure is dropped when the same one waits or
// the action has already shown it, and a failure shown now takes the place of the same one
// waiting. An action ends when the event loop is back from handling it.
#include <functional>

namespace qm {

enum class Report { Now, Later };

// Runs the command; returns false when it ended in an exception (reported, or to be).
bool Dispatch(const std::function<void()>& command, Report report = Report::Now) noexcept;

} // namespace qm
