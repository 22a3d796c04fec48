#include "platform/Dispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <new>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/Exception.h"

namespace qm {

namespace {

// The failures waiting to be shown, and those shown in the action being handled. GUI thread
// only, like every command.
struct Reports {
    std::vector<AnsiString> waiting;
    std::vector<AnsiString> shown;
    int open = 0; // error boxes open, one inside another
    bool flushQueued = false;
};

Reports& State()
{
    static Reports reports;
    return reports;
}

bool Holds(const std::vector<AnsiString>& texts, const AnsiString& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

void QueueFlush();

void ShowBox(const AnsiString& text)
{
    Reports& r = State();
    if (QCoreApplication::instance())
        r.shown.push_back(text);
    ++r.open;
    try {
        MessageDlg(text, mtError, mbOK, 0);
    } catch (...) {
    }
    --r.open;
    // What waited behind the box comes next, and the action ends, once the loop is back.
    QueueFlush();
}

// Runs from the event loop: the waiting failures in turn, then the action is over. Inside an
// open box's own loop it waits for that box to close.
void Flush()
{
    Reports& r = State();
    r.flushQueued = false;
    if (r.open > 0)
        return;
    while (!r.waiting.empty()) {
        const AnsiString text = r.waiting.front();
        r.waiting.erase(r.waiting.begin());
        ShowBox(text);
    }
    r.shown.clear();
}

void QueueFlush()
{
    Reports& r = State();
    if (r.flushQueued)
        return;
    if (QCoreApplication* app = QCoreApplication::instance()) {
        r.flushQueued = true;
        QMetaObject::invokeMethod(app, &Flush, Qt::QueuedConnection);
    }
}

void ReportFailure(const AnsiString& text, Report when)
{
    Reports& r = State();
    if (Holds(r.shown, text))
        return; // this action has shown it already
    if (when == Report::Now || !QCoreApplication::instance()) {
        std::erase(r.waiting, text); // shown now, for this action
        ShowBox(text);
        return;
    }
    if (Holds(r.waiting, text))
        return;
    r.waiting.push_back(text);
    QueueFlush();
}

// A report that cannot be made (no memory for its text) is dropped rather than let out.
void Tell(const char* text, Report when) noexcept
{
    try {
        ReportFailure(text, when);
    } catch (...) {
    }
}

} // namespace

bool Dispatch(const std::function<void()>& command, Report report) noexcept
{
    try {
        command();
        return true;
    } catch (const EAbort&) {
        // Cancelled by the user: nothing to report.
    } catch (const std::bad_alloc&) {
        Tell("Out of memory.", report);
    } catch (const std::exception& e) {
        Tell(e.what(), report);
    } catch (...) {
        Tell("An unknown error occurred.", report);
    }
    return false;
}

} // namespace qm
