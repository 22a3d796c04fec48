#pragma once
// One blocking HTTP GET, as the version check needs it: bounded in time (connect and total
// time-outs) and in size (the reply body is read up to a limit), so a server that never
// answers or answers without end cannot hold the window.
#include <string>
#include <vector>

namespace qm {

struct HttpRequest {
    std::string Url;
    std::vector<std::string> Headers; // "Name: value" lines
    long ConnectTimeoutMs = 10000;
    long TotalTimeoutMs = 10000;
    size_t MaxBytes = 64 * 1024;
};

struct HttpReply {
    bool Ok = false;   // a complete 2xx reply within the limits
    long Status = 0;   // the HTTP status, 0 when none arrived
    std::string Body;  // the reply body (empty unless Ok)
    std::string Error; // why it failed, for the user; empty when Ok
};

// Runs the request; never throws.
HttpReply HttpGet(const HttpRequest& request);

} // namespace qm
