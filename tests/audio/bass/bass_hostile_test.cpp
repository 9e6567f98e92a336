// Sound files that are not what they claim: a playlist or a script named
// .mp3, an address of a protocol no sound comes from, a header that claims a
// rate or a channel count no real sound has. Each is refused at open, without
// opening anything it names or allocating for what it claims. And sounds that
// carry a tag which unpacks to gigabytes, or gigabytes of nothing after their
// end: they play, at the cost of a real sound.

#include "audio/bass/bass.h"
#include "tests/audio/bass/test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace sonterra::test;

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

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string le32(std::size_t n) {
    return {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
            static_cast<char>(n >> 24)};
}

std::string syncSafe(std::size_t n) {
    return {static_cast<char>(n >> 21 & 0x7F), static_cast<char>(n >> 14 & 0x7F),
            static_cast<char>(n >> 7 & 0x7F), static_cast<char>(n & 0x7F)};
}

// An ID3v2.4 tag of two pictures, each 200 MB of zeros, zlib-compressed: a
// fixed-Huffman literal 0, then matches of 258 bytes at distance 1.
std::string pictureTag() {
    constexpr std::uint32_t kSize = 1 + 258 * 812'850;
    std::string zlib = "\x78\x01";
    std::uint64_t bits = 0;
    int count = 0;
    const auto put = [&](std::uint32_t code, int n) { // a Huffman code's top bit first
        for (int i = n - 1; i >= 0; --i)
            bits |= std::uint64_t{code >> i & 1} << count++;
        for (; count >= 8; count -= 8, bits >>= 8)
            zlib += static_cast<char>(bits);
    };
    put(0b110, 3); // the last block, fixed codes
    put(0x30, 8);  // literal 0
    for (std::uint32_t i = 1; i < kSize; i += 258)
        put(0xC5 << 5, 13); // length 258, distance 1
    put(0, 7);              // end of block
    if (count > 0)
        zlib += static_cast<char>(bits);
    zlib += {static_cast<char>(kSize % 65521 >> 8), static_cast<char>(kSize % 65521), 0, 1};
    const std::string frame =
        "APIC" + syncSafe(zlib.size() + 4) + std::string("\0\x09", 2) + syncSafe(kSize) + zlib;
    return std::string("ID3\4\0\0", 6) + syncSafe(2 * frame.size()) + frame + frame;
}

// Most a hostile file may raise the peak by. A sanitizer's own bookkeeping
// (freed blocks held back, shadow memory) counts too; what it guards against
// took gigabytes.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr long kMostCostKb = 128 * 1024;
#else
constexpr long kMostCostKb = 32 * 1024;
#endif

struct Played {
    double seconds = 0;         // where it ended
    long cost_kb = 0;           // what it raised the peak resident memory by
    std::uint64_t read_mib = 0; // what was read meanwhile
};

// Plays `path` to its end on device 0.
Played playWhole(const std::string& path) {
    std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
    const long before = peakRssKb();
    const std::uint64_t read_before = bytesRead();
    const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
    BASS_ChannelPlay(h, FALSE);
    for (int i = 0; i < 1000 && BASS_ChannelIsActive(h) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(BASS_ChannelIsActive(h), 0u);
    Played played;
    played.seconds = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h));
    BASS_StreamFree(h);
    played.cost_kb = peakRssKb() - before;
    played.read_mib = (bytesRead() - read_before) >> 20;
    return played;
}

// The test FLAC with `count` metadata blocks of one type after its stream
// info, each `body` and then zeros to `size` bytes; the zeros are holes,
// which take no disk.
void writeFlacWithBlocks(const std::string& path, std::uint8_t type, int count, std::uint32_t size,
                         const std::string& body) {
    const std::string flac = readText(sounds().flac);
    constexpr std::size_t kAfterStreamInfo = 4 + 4 + 34;
    ASSERT_EQ(flac[4] & 0x80, 0) << "the stream info is not its only block";
    std::ofstream out(path, std::ios::binary);
    out << flac.substr(0, kAfterStreamInfo);
    std::uint64_t at = kAfterStreamInfo;
    for (int i = 0; i < count; ++i, at += 4 + size) {
        out.seekp(static_cast<std::streamoff>(at));
        out << static_cast<char>(type) << static_cast<char>(size >> 16)
            << static_cast<char>(size >> 8) << static_cast<char>(size) << body;
    }
    out.seekp(static_cast<std::streamoff>(at));
    out << flac.substr(kAfterStreamInfo);
}

std::string be32(std::size_t n) {
    return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
            static_cast<char>(n)};
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

TEST_F(BassHostile, TagsAndPicturesAreNeverUnpacked) {
    TemporaryFolder dir("sonterra-bass");
    const std::string tag = pictureTag();
    const std::string mp3 = dir / "pictures.mp3";
    const std::string wav = dir / "pictures.wav";
    writeText(mp3, tag + readText(sounds().mp3));
    const std::string riff = "WAVEid3 " + le32(tag.size()) + tag +
                             std::string(tag.size() % 2, '\0') +
                             readText(sounds().wav16).substr(12);
    writeText(wav, "RIFF" + le32(riff.size()) + riff);
    // A cover that decodes to 58 MB.
    const std::string png = dir / "cover.png";
    const std::string flac = dir / "cover.flac";
    const std::string cover = "-f lavfi -i color=s=4400x4400 -frames:v 1 '" + png + "'";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -loglevel error " + cover).c_str()), 0);
    ASSERT_TRUE(
        encodeSine(flac, 440, 0.5, 44100, 2,
                   "-i '" + png + "' -map 0:a -map 1:v -c:v copy -disposition:v attached_pic"));
    for (const std::string& path : {mp3, wav, flac}) {
        SCOPED_TRACE(path);
        const Played played = playWhole(path);
        EXPECT_GE(played.seconds, 0.45);
        EXPECT_LT(played.cost_kb, kMostCostKb);
    }
}

TEST_F(BassHostile, GigabytesOfNothingAfterTheSoundAreNeverReadWhole) {
    TemporaryFolder dir("sonterra-bass");
    // A short sound's zeros are met while its open looks for the stream's
    // details; a longer one's only as it plays, a packet at a time.
    const std::string short_mp3 = dir / "extended.mp3";
    const std::string long_mp3 = dir / "long.mp3";
    std::filesystem::copy_file(sounds().mp3, short_mp3);
    ASSERT_TRUE(encodeSine(long_mp3, 440, 2.0, 44100, 2, "-c:a libmp3lame -b:a 128k"));
    for (const std::string& path : {short_mp3, long_mp3}) {
        SCOPED_TRACE(path);
        std::filesystem::resize_file(path, std::uintmax_t{3} << 30); // sparse: nothing on disk
        // Its open read it whole into memory (2.1 GB); the bound says so without a clock.
        const Played played = playWhole(path);
        EXPECT_GE(played.seconds, 0.45);
        EXPECT_LT(played.cost_kb, kMostCostKb);
        // Nor does the end of the sound read it all, a packet's worth of nothing at most.
        EXPECT_LT(played.read_mib, 64u);
    }

    // A header of a gigabyte of comments is refused once its budget is read.
    const std::string comments = dir / "comments.flac";
    writeFlacWithBlocks(comments, 4, 64, 0xFFFFFF, "");
    const std::uint64_t before = bytesRead();
    int code = 0;
    EXPECT_EQ(open(comments, code), 0u);
    EXPECT_EQ(code, BASS_ERROR_FILEFORM);
    EXPECT_LT((bytesRead() - before) >> 20, 64u);
}

// What real files carry is never cut by those budgets: two MP3s joined with
// cat, the second with a 3 MB cover, play both halves; a FLAC with 36 MiB of
// pictures plays, its pictures unread.
TEST_F(BassHostile, CoversOfRealFilesCutNothing) {
    TemporaryFolder dir("sonterra-bass");
    const std::string first = dir / "first.mp3";
    const std::string second = dir / "second.mp3";
    ASSERT_TRUE(encodeSine(first, 440, 3.0, 44100, 2, "-c:a libmp3lame -b:a 128k"));
    ASSERT_TRUE(encodeSine(second, 880, 3.0, 44100, 2, "-c:a libmp3lame -b:a 128k"));
    const std::string jpeg = "\xFF\xD8\xFF\xE0" + std::string(3'000'000, '\0');
    const std::string apic = std::string("\0image/jpeg\0\3\0", 14) + jpeg;
    const std::string frame = "APIC" + syncSafe(apic.size()) + std::string(2, '\0') + apic;
    const std::string joined = dir / "joined.mp3";
    writeText(joined, readText(first) + std::string("ID3\4\0\0", 6) + syncSafe(frame.size()) +
                          frame + readText(second));
    EXPECT_GE(playWhole(joined).seconds, 5.9);

    const std::string covers = dir / "covers.flac";
    const std::string picture = be32(3) + be32(10) + "image/jpeg" + be32(0) + be32(1000) +
                                be32(1000) + be32(24) + be32(0) + be32(12 << 20) +
                                jpeg.substr(0, 4);
    writeFlacWithBlocks(covers, 6, 3, static_cast<std::uint32_t>(picture.size() - 4 + (12 << 20)),
                        picture);
    const Played played = playWhole(covers);
    EXPECT_GE(played.seconds, 0.45);
    EXPECT_LT(played.read_mib, 8u);
}

} // namespace
