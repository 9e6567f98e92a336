// Internet addresses, against a tiny HTTP server on the loopback interface:
// a sound that opens and plays, a refused connection, a missing document and a
// server that never answers (the open must give up by itself, with 40).

#include "audio/bass/bass.h"
#include "tests/audio/bass/test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace sonterra::test;
using Clock = std::chrono::steady_clock;

class HttpServer {
public:
    enum class Mode { Serve, NotFound, Silent };

    HttpServer(Mode mode, std::string body) : mode_(mode), body_(std::move(body)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listener_, 8);
        socklen_t len = sizeof addr;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { run(); });
    }

    ~HttpServer() {
        stop_.store(true);
        thread_.join();
        for (int fd : held_)
            ::close(fd);
        ::close(listener_);
    }

    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& name) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
    }

private:
    void run() {
        while (!stop_.load()) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0)
                continue;
            if (mode_ == Mode::Silent) {
                held_.push_back(fd);
                continue;
            }
            std::string request;
            char buf[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                request.append(buf, static_cast<std::size_t>(n));
            }
            const std::string head =
                mode_ == Mode::NotFound
                    ? "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
                    : "HTTP/1.1 200 OK\r\nContent-Type: audio/wav\r\nContent-Length: " +
                          std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n";
            const std::string reply = head + (mode_ == Mode::Serve ? body_ : std::string());
            std::size_t sent = 0;
            while (sent < reply.size()) {
                const ssize_t n =
                    ::send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            ::close(fd);
        }
    }

    Mode mode_;
    std::string body_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::vector<int> held_;
    std::thread thread_;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class BassAddress : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        openNoSoundDevice();
        sounds();
    }
    void SetUp() override { BASS_SetDevice(0); }
};

TEST_F(BassAddress, ServedSoundOpensAndPlaysToItsEnd) {
    HttpServer server(HttpServer::Mode::Serve, readFile(sounds().wav16));
    const std::string url = server.url("tone.wav");
    const HSTREAM h = BASS_WMA_StreamCreateFile(FALSE, url.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    int f = 0, v = 0, p = 0;
    ASSERT_TRUE(BASS_ChannelGetAttributes(h, &f, &v, &p));
    EXPECT_EQ(f, 44100);
    const auto start = Clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    while (BASS_ChannelIsActive(h) != 0 && Clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_GE(took, 0.45);
    EXPECT_LE(took, 1.5);
    BASS_StreamFree(h);
}

TEST_F(BassAddress, RefusedConnectionIsNoNetworkAndMissingDocumentIsFileOpen) {
    int port = 0;
    {
        HttpServer closed(HttpServer::Mode::NotFound, {});
        port = closed.port();
        const std::string missing = closed.url("nothing.mp3");
        EXPECT_EQ(BASS_WMA_StreamCreateFile(FALSE, missing.c_str(), 0, 0, 0), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    }
    const std::string refused = "http://127.0.0.1:" + std::to_string(port) + "/tone.mp3";
    EXPECT_EQ(BASS_WMA_StreamCreateFile(FALSE, refused.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NONET);
}

TEST_F(BassAddress, ServerThatNeverAnswersTimesOut) {
    HttpServer server(HttpServer::Mode::Silent, {});
    const std::string url = server.url("tone.mp3");
    const auto start = Clock::now();
    EXPECT_EQ(BASS_WMA_StreamCreateFile(FALSE, url.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    // It gives up by itself, soon: it held the player's thread 10 s.
    EXPECT_GE(took, 1.0);
    EXPECT_LE(took, 5.0);
}

} // namespace
