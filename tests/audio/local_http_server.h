#pragma once
// A minimal HTTP server on 127.0.0.1 for address tests: every GET gets the
// same file back, whole, then the connection closes; or, when it does not
// answer, every connection is accepted and held open unanswered. Serves on a
// thread of its own until destroyed.

#include <arpa/inet.h>
#include <atomic>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sonterra::test {

class LocalHttpServer {
public:
    explicit LocalHttpServer(const std::string& servedFile, bool answering = true)
        : answers(answering) {
        std::ifstream in(servedFile, std::ios::binary);
        body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        if (listener < 0)
            throw std::runtime_error("socket failed");
        const int yes = 1;
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener, 8) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        port = ntohs(address.sin_port);
        worker = std::thread([this] { serve(); });
    }
    ~LocalHttpServer() {
        stopping = true;
        worker.join();
        for (const int client : held)
            ::close(client);
        ::close(listener);
    }
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    std::string url(const std::string& name) const {
        return "http://127.0.0.1:" + std::to_string(port) + "/" + name;
    }

    // A port on which nobody listens (taken, then given back).
    static int closedPort() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(s, reinterpret_cast<sockaddr*>(&address), length);
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(s);
        return ntohs(address.sin_port);
    }

private:
    void serve() {
        while (!stopping) {
            pollfd p{listener, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int client = ::accept(listener, nullptr, nullptr);
            if (client < 0)
                continue;
            if (!answers) {
                held.push_back(client);
                continue;
            }
            answer(client);
            ::close(client);
        }
    }

    void answer(int client) {
        std::string request;
        char chunk[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            pollfd p{client, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0)
                return;
            const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
            if (n <= 0)
                return;
            request.append(chunk, static_cast<std::size_t>(n));
        }
        const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                 "Content-Length: " +
                                 std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
        const std::string reply = head + body;
        std::size_t sent = 0;
        while (sent < reply.size() && !stopping) {
            const ssize_t n =
                ::send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += static_cast<std::size_t>(n);
        }
    }

    std::string body;
    bool answers;
    std::vector<int> held; // connections left unanswered
    int listener = -1;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::thread worker;
};

} // namespace sonterra::test
