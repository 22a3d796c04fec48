#pragma once
// One HTTP GET, as the version check needs it: bounded in time (connect and total
// time-outs) and in size (the reply body is read up to a limit), so a server that never
// answers or answers without end cannot hold the program. HttpGetWhileWaiting runs it off
// the GUI thread, so the windows keep painting while it waits.
#include <atomic>
#include <string>
#include <vector>

namespace qm {

struct HttpRequest {
    std::string Url;
    std::vector<std::string> Headers; // "Name: value" lines
    long ConnectTimeoutMs = 10000;
    long TotalTimeoutMs = 10000;
    size_t MaxBytes = 64 * 1024;
    // When set (from another thread), the request gives up within about a second.
    const std::atomic<bool>* Cancel = nullptr;
};

struct HttpReply {
    bool Ok = false;        // a complete 2xx reply within the limits
    bool Cancelled = false; // HttpGetWhileWaiting: the program quit before the request ended
    long Status = 0;        // the HTTP status, 0 when none arrived
    std::string Body;       // the reply body (empty unless Ok)
    // Why it failed, one sentence for the user ("The connection was refused."); empty when Ok.
    std::string Error;
};

// Runs the request on the calling thread; never throws.
HttpReply HttpGet(const HttpRequest& request);

// Runs HttpGet on a worker thread while the calling GUI thread runs a local event loop:
// windows paint and timers fire, but user input stays in the window system's queue until the
// request has ended, so no command starts in the middle of another; a wait cursor shows
// meanwhile. When the application quits during the wait (its window closed), the request is
// cancelled and the reply says Cancelled. Without an application object, or off its thread,
// this is HttpGet. Never throws.
HttpReply HttpGetWhileWaiting(const HttpRequest& request);

} // namespace qm
