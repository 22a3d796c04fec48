#include "LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qmtest {

namespace {

int ListenOnLoopback(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

} // namespace

LocalHttpServer::LocalHttpServer(Handler handler) : handler_(std::move(handler))
{
    listen_ = ListenOnLoopback(port_);
    thread_ = std::thread([this] { Run(); });
}

LocalHttpServer::~LocalHttpServer()
{
    stop_ = true;
    thread_.join();
    for (int fd : held_)
        ::close(fd);
    if (listen_ >= 0)
        ::close(listen_);
}

std::vector<std::string> LocalHttpServer::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

LocalHttpServer::Answer LocalHttpServer::Ok(const std::string& body)
{
    return {"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\nConnection: close\r\n\r\n" + body,
            false};
}

LocalHttpServer::Answer LocalHttpServer::Status(int code, const std::string& reason)
{
    const std::string body = reason;
    return {"HTTP/1.1 " + std::to_string(code) + " " + reason +
                "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body,
            false};
}

void LocalHttpServer::Run()
{
    while (!stop_) {
        pollfd p{listen_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        // Read the request head.
        std::string request;
        char buf[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            pollfd c{client, POLLIN, 0};
            if (::poll(&c, 1, 2000) <= 0)
                break;
            const ssize_t n = ::read(client, buf, sizeof buf);
            if (n <= 0)
                break;
            request.append(buf, size_t(n));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        const Answer answer = handler_(request);
        if (answer.hang) {
            held_.push_back(client);
            continue;
        }
        size_t done = 0;
        while (done < answer.raw.size() && !stop_) {
            const ssize_t n =
                ::send(client, answer.raw.data() + done, answer.raw.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            done += size_t(n);
        }
        ::close(client);
    }
}

int ClosedPort()
{
    int port = 0;
    const int fd = ListenOnLoopback(port);
    ::close(fd); // bound a moment ago and free again: nothing listens there now
    return port;
}

SilentPort::SilentPort()
{
    fd_ = ListenOnLoopback(port_);
}

SilentPort::~SilentPort()
{
    ::close(fd_);
}

} // namespace qmtest
