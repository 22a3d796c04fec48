#include "platform/HttpClient.h"

#include <curl/curl.h>
#include <mutex>

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

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

HttpReply HttpGet(const HttpRequest& request)
{
    GlobalInit();
    HttpReply reply;
    CURL* curl = curl_easy_init();
    if (!curl) {
        reply.Error = "the network library could not be started";
        return reply;
    }
    Sink sink;
    sink.limit = request.MaxBytes;
    curl_slist* headers = nullptr;
    for (const auto& h : request.Headers)
        headers = curl_slist_append(headers, h.c_str());

    curl_easy_setopt(curl, CURLOPT_URL, request.Url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
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

    const CURLcode rc = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.Status);
    if (sink.tooLarge)
        reply.Error = "the reply was larger than " + std::to_string(request.MaxBytes / 1024) + " KB";
    else if (rc != CURLE_OK)
        reply.Error = curl_easy_strerror(rc);
    else if (reply.Status < 200 || reply.Status > 299)
        reply.Error = "the server answered with status " + std::to_string(reply.Status);
    else {
        reply.Ok = true;
        reply.Body = std::move(sink.body);
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return reply;
}

} // namespace qm
