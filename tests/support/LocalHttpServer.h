#pragma once
// A small HTTP server on 127.0.0.1 for tests: it accepts connections on a port of its own
// and answers each request with what the handler returns, or keeps the connection open
// without a word when the handler asks it to. Requests are kept for the test to read.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qmtest {

class LocalHttpServer {
public:
    struct Answer {
        std::string raw;   // the whole response, status line included
        bool hang = false; // accept, read the request and never answer
    };
    using Handler = std::function<Answer(const std::string& request)>;

    explicit LocalHttpServer(Handler handler);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> requests() const;

    // A "200 OK" answer with the body, and one with another status.
    static Answer Ok(const std::string& body);
    static Answer Status(int code, const std::string& reason);

private:
    void Run();
    Handler handler_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<int> held_; // connections kept open without an answer
    std::thread thread_;
};

// A port on 127.0.0.1 on which nothing listens (a connection is refused at once).
int ClosedPort();

// A port on 127.0.0.1 that listens and never answers: connections complete in the kernel's
// queue and wait. It runs no thread, so a test may fork while it is open (a thread of the
// server above may hold a lock of the allocator at that moment, which the child then waits
// for without end).
class SilentPort {
public:
    SilentPort();
    ~SilentPort();
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    int fd_ = -1;
    int port_ = 0;
};

} // namespace qmtest
