#include "platform/HttpClient.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <curl/curl.h>
#include <mutex>
#include <thread>

namespace qm {

namespace {

struct Sink {
    std::string body;
    size_t limit = 0;
    bool tooLarge = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user)
{
    auto* sink = static_cast<Sink*>(user);
    const size_t n = size * count;
    if (sink->body.size() + n > sink->limit) {
        sink->tooLarge = true;
        return 0; // stops the transfer
    }
    sink->body.append(data, n);
    return n;
}

// Called while the transfer runs, also while it waits for the server (then about once a
// second); a non-zero return stops it.
int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool>*>(user)->load() ? 1 : 0;
}

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// "10 seconds", "1 second", "0.25 seconds": a time-out as the user reads it.
std::string Seconds(long ms)
{
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0) {
        std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
        while (fraction.back() == '0')
            fraction.pop_back();
        text += "." + fraction;
    }
    return text + (ms == 1000 ? " second" : " seconds");
}

// Why a transfer that curl ended with rc failed, in one sentence.
std::string FailureText(CURL* curl, CURLcode rc, const HttpRequest& request, const char* detail)
{
    switch (rc) {
    case CURLE_OPERATION_TIMEDOUT: {
        // Before the connection stood, the connect time-out was the one that ran out.
        curl_off_t connected = 0;
        curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connected);
        const long limit = connected > 0 ? request.TotalTimeoutMs
                                         : std::min(request.ConnectTimeoutMs, request.TotalTimeoutMs);
        return "The server did not answer within " + Seconds(limit) + ".";
    }
    case CURLE_COULDNT_CONNECT: {
        long error = 0;
        curl_easy_getinfo(curl, CURLINFO_OS_ERRNO, &error);
        if (error == ECONNREFUSED)
            return "The connection was refused.";
        if (error == ENETUNREACH)
            return "The network is unreachable.";
        return "The server could not be reached.";
    }
    case CURLE_COULDNT_RESOLVE_HOST:
        return "The server's name could not be found.";
    case CURLE_ABORTED_BY_CALLBACK:
        return "The request was cancelled.";
    default:
        break;
    }
    // Anything else (a certificate, a broken reply): curl's own words.
    std::string text = detail && *detail ? detail : curl_easy_strerror(rc);
    while (!text.empty() && (text.back() == '\n' || text.back() == '.'))
        text.pop_back();
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = char(text[0] - 'a' + 'A');
    return text + ".";
}

} // namespace

HttpReply HttpGet(const HttpRequest& request)
{
    GlobalInit();
    HttpReply reply;
    CURL* curl = curl_easy_init();
    if (!curl) {
        reply.Error = "The network library could not be started.";
        return reply;
    }
    Sink sink;
    sink.limit = request.MaxBytes;
    curl_slist* headers = nullptr;
    for (const auto& h : request.Headers)
        headers = curl_slist_append(headers, h.c_str());
    char detail[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(curl, CURLOPT_URL, request.Url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, request.ConnectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, request.TotalTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    // Only web addresses: no file, ftp or other schemes, also not through a redirect.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_PROXY, ""); // no proxy, as the request was always made
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    if (request.Cancel) {
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckCancel);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, request.Cancel);
    }

    const CURLcode rc = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.Status);
    if (sink.tooLarge)
        reply.Error = "The reply was larger than " + std::to_string(request.MaxBytes / 1024) + " KB.";
    else if (rc != CURLE_OK)
        reply.Error = FailureText(curl, rc, request, detail);
    else if (reply.Status < 200 || reply.Status > 299)
        reply.Error = "The server answered with HTTP status " + std::to_string(reply.Status) + ".";
    else {
        reply.Ok = true;
        reply.Body = std::move(sink.body);
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return reply;
}

HttpReply HttpGetWhileWaiting(const HttpRequest& request)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return HttpGet(request);

    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    HttpRequest own = request;
    own.Cancel = &cancel;
    HttpReply reply;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            reply = HttpGet(own);
        } catch (...) { // out of memory: the request failed
            reply = HttpReply{};
            reply.Error = "The request failed.";
        }
        done = true;
        // Runs on the GUI thread, in the loop below; dropped with the loop if it ended first.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    const bool gui = qobject_cast<QGuiApplication*>(app) != nullptr;
    if (gui)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    // Ends when the worker is done, or earlier when the application quits (every event loop
    // is told to end then, and a loop started after that ends at once).
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    const bool endedEarly = !done;
    if (endedEarly)
        cancel = true;
    worker.join();
    if (gui)
        QGuiApplication::restoreOverrideCursor();
    reply.Cancelled = endedEarly;
    return reply;
}

} // namespace qm
