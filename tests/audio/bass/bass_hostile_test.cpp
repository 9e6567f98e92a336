// Sound files that are not what they claim: a playlist or a script named
// .mp3, an address of a protocol no sound comes from, a header that claims a
// rate or a channel count no real sound has. Each is refused at open, without
// opening anything it names or allocating for what it claims.

#include "audio/bass/bass.h"
#include "tests/audio/bass/test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace sonterra::bass::testing;

class BassHostile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        openNoSoundDevice();
        sounds();
    }
    void SetUp() override { BASS_SetDevice(0); }

    // The stream's handle, or 0 with `code` set to the error.
    static HSTREAM open(const std::string& name, int& code) {
        const HSTREAM h = BASS_StreamCreateFile(FALSE, name.c_str(), 0, 0, 0);
        code = BASS_ErrorGetCode();
        return h;
    }
};

// A 16-bit PCM WAV of silence whose header claims `rate` and `channels`.
void writeClaimedWav(const std::string& path, std::uint32_t rate, std::uint16_t channels,
                     std::uint32_t data_bytes) {
    std::string bytes;
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += static_cast<char>(value >> (8 * i));
    };
    const std::uint16_t block = static_cast<std::uint16_t>(channels * 2);
    bytes += "RIFF";
    put(36 + data_bytes, 4);
    bytes += "WAVEfmt ";
    put(16, 4);
    put(1, 2); // PCM
    put(channels, 2);
    put(rate, 4);
    put(rate * block, 4);
    put(block, 2);
    put(16, 2);
    bytes += "data";
    put(data_bytes, 4);
    bytes.append(data_bytes, '\0');
    std::ofstream(path, std::ios::binary) << bytes;
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A TCP port on the loopback interface that accepts nothing by itself.
class Listener {
public:
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(fd_, 8);
        socklen_t len = sizeof addr;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    ~Listener() { ::close(fd_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    int port() const { return port_; }
    bool connected() const {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

TEST_F(BassHostile, OnlyThePlayedFormatsAndWebAddressesOpen) {
    TemporaryFolder dir("sonterra-bass");
    const std::string tone = dir / "tone.wav";
    writeWav(tone, Tone{});

    // Scripts and playlists that name a sound which would play.
    const std::string concat = dir / "concat.mp3";
    writeText(concat, "ffconcat version 1.0\nfile tone.wav\n");
    const std::string hls = dir / "hls.mp3";
    writeText(hls,
              "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1.0,\n" + tone + "\n#EXT-X-ENDLIST\n");
    for (const std::string& path : {concat, hls}) {
        SCOPED_TRACE(path);
        int code = 0;
        EXPECT_EQ(open(path, code), 0u);
        EXPECT_EQ(code, BASS_ERROR_FILEFORM);
    }

    // Addresses of anything but the web.
    Listener listener;
    for (const std::string& address :
         {"tcp://127.0.0.1:" + std::to_string(listener.port()), "file://" + tone}) {
        SCOPED_TRACE(address);
        int code = 0;
        EXPECT_EQ(open(address, code), 0u);
        EXPECT_EQ(code, BASS_ERROR_FILEOPEN);
        EXPECT_EQ(BASS_WMA_StreamCreateFile(FALSE, address.c_str(), 0, 0, 0), 0u);
    }
    EXPECT_FALSE(listener.connected());

    // Every container the program plays still opens, by its content.
    const std::vector<std::string> played = {dir / "tone.w64", dir / "tone.aiff"};
    ASSERT_TRUE(encodeSine(played[0], 440, 0.3, 44100, 2, "-c:a pcm_s16le"));
    ASSERT_TRUE(encodeSine(played[1], 440, 0.3, 44100, 2, "-c:a pcm_s16be"));
    for (const std::string& path : played) {
        SCOPED_TRACE(path);
        int code = 0;
        const HSTREAM h = open(path, code);
        EXPECT_NE(h, 0u) << code;
        BASS_StreamFree(h);
    }
}

TEST_F(BassHostile, RatesAndChannelCountsBeyondAnyRealSoundAreRefusedAtOpen) {
    TemporaryFolder dir("sonterra-bass");
    struct Case {
        std::uint32_t rate;
        std::uint16_t channels;
        bool opens;
    };
    const long peak_before = peakRssKb();
    // Mild claims first: on a player that takes them, the test stops before
    // the one that would take gigabytes.
    for (const Case& c : {Case{8000, 1, true}, Case{384000, 2, true}, Case{48000, 8, true},
                          Case{500, 2, false}, Case{400000, 2, false}, Case{44100, 9, false},
                          Case{44100, 64, false}, Case{1000000000, 2, false}}) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " channels");
        const std::string path =
            dir / (std::to_string(c.rate) + "-" + std::to_string(c.channels) + ".wav");
        writeClaimedWav(path, c.rate, c.channels, 96 * 1024);
        int code = 0;
        const HSTREAM h = open(path, code);
        if (c.opens) {
            EXPECT_NE(h, 0u) << code;
            BASS_StreamFree(h);
            continue;
        }
        ASSERT_EQ(h, 0u);
        EXPECT_EQ(code, BASS_ERROR_FILEFORM);
    }
    EXPECT_LT(peakRssKb() - peak_before, 100 * 1024);
}

} // namespace
