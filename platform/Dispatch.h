#pragma once
// Every command slot runs through Dispatch: an exception that escapes the command is shown
// in an error box (EAbort, raised when the user cancelled, silently) and the program goes on,
// so no exception ever crosses the event loop.
#include <functional>

namespace qm {

// Runs the command; returns false when it ended in an exception (already reported).
bool Dispatch(const std::function<void()>& command) noexcept;

} // namespace qm
