#pragma once
// Every command slot runs through Dispatch: an exception that escapes the command is shown
// in an error box (EAbort, raised when the user cancelled, silently) and the program goes on,
// so no exception ever crosses the event loop.
//
// Report::Later is for a handler that the toolkit calls in the middle of its own work: a box has
// an event loop of its own, and run there it lets the toolkit's state change under its feet (a
// menu closed while the menu bar still opens it). Its failure is shown once that work has
// returned to the event loop. That work is
//   - a focus change: a focus-in or focus-out event, focusNextPrevChild;
//   - a pop-up or drop-down list opening or closing: the list's hide event, and what a pick
//     from the list emits (a combo box's activated and currentIndexChanged, a completer's
//     activated);
//   - a menu opening: aboutToShow;
//   - a shortcut being matched: ShortcutOverride.
// A handler called there that cannot raise at all, because it only asks the toolkit for
// something (it moves the focus, say), has nothing to defer and reports Now. So does every
// handler called from the event loop's own turn: a click, a key press, a triggered menu entry,
// a timer, a show or resize event.
//
// One user action shows a failure once: failures are told apart by their message text alone.
// A failure is dropped when one with the same text waits or the action has already shown one
// with that text, and a failure shown now takes the place of a waiting one with the same text.
// An action ends when the event loop is back from handling it.
#include <functional>

namespace qm {

enum class Report { Now, Later };

// Runs the command; returns false when it ended in an exception (reported, or to be).
bool Dispatch(const std::function<void()>& command, Report report = Report::Now) noexcept;

} // namespace qm
