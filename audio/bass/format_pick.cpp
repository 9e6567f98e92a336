#include "audio/bass/format_pick.h"

#include <array>
#include <cstring>

namespace sonterra::bass {

namespace {

using Bytes = std::span<const std::uint8_t>;

bool startsWith(Bytes bytes, std::size_t at, const char* text, std::size_t n) {
    return bytes.size() >= at + n && std::memcmp(bytes.data() + at, text, n) == 0;
}

bool startsWith(Bytes bytes, std::size_t at, const char* text) {
    return startsWith(bytes, at, text, std::strlen(text));
}

constexpr std::uint8_t kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                         0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr std::uint8_t kW64Riff[16] = {'r',  'i',  'f',  'f',  0x2E, 0x91, 0xCF, 0x11,
                                       0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00};
constexpr std::uint8_t kW64Wave[16] = {'w',  'a',  'v',  'e',  0xF3, 0xAC, 0xD3, 0x11,
                                       0x8C, 0xD1, 0x00, 0xC0, 0x4F, 0x8E, 0xDB, 0x8A};

bool has(Bytes bytes, std::size_t at, const std::uint8_t (&guid)[16]) {
    return bytes.size() >= at + 16 && std::memcmp(bytes.data() + at, guid, 16) == 0;
}

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// Bytes of the MPEG audio frame whose header is `h`; 0 when `h` is none.
std::size_t mpegFrameBytes(std::uint32_t h) {
    const unsigned version = (h >> 19) & 3; // 0: 2.5, 1: reserved, 2: 2, 3: 1
    const unsigned layer = (h >> 17) & 3;   // 1: III, 2: II, 3: I, 0: reserved
    const unsigned bitrate_index = (h >> 12) & 15;
    const unsigned rate_index = (h >> 10) & 3;
    if ((h & 0xFFE00000u) != 0xFFE00000u || version == 1 || layer == 0 || bitrate_index == 0 ||
        bitrate_index == 15 || rate_index == 3)
        return 0;
    // kbit/s by [MPEG-1?][layer I, II, III][index].
    static constexpr std::array<std::array<std::array<short, 15>, 3>, 2> kKbps = {{
        {{{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
          {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
          {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}},
        {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
          {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
          {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}}},
    }};
    static constexpr std::array<long, 3> kRates = {44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const long rate = kRates[rate_index] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const long bits = 1000L * kKbps[mpeg1 ? 1 : 0][3 - layer][bitrate_index];
    const long padding = (h >> 9) & 1;
    if (layer == 3)
        return static_cast<std::size_t>((12 * bits / rate + padding) * 4);
    if (layer == 1 && !mpeg1)
        return static_cast<std::size_t>(72 * bits / rate + padding);
    return static_cast<std::size_t>(144 * bits / rate + padding);
}

// Two MPEG audio frames of one stream in a row from `at`: one alone may be
// chance, and the mp3 demuxer would take noise for a sound.
bool mpegFramesAt(Bytes bytes, std::size_t at) {
    if (bytes.size() < at + 4)
        return false;
    const std::uint32_t first = bigEndian32(bytes.data() + at);
    const std::size_t length = mpegFrameBytes(first);
    const std::size_t next = at + length;
    if (length == 0 || bytes.size() < next + 4)
        return false;
    const std::uint32_t second = bigEndian32(bytes.data() + next);
    constexpr std::uint32_t kSameStream = 0xFFFE0C00u; // sync, version, layer, rate
    return mpegFrameBytes(second) != 0 && (first & kSameStream) == (second & kSameStream);
}

} // namespace

std::size_t id3v2Length(Bytes head) {
    if (head.size() < 10 || !startsWith(head, 0, "ID3") || head[3] == 0xFF || head[4] == 0xFF)
        return 0;
    std::size_t size = 0;
    for (std::size_t i = 6; i < 10; ++i) {
        if ((head[i] & 0x80) != 0)
            return 0; // not a tag's size: its bytes keep the top bit clear
        size = size << 7 | head[i];
    }
    const bool footer = (head[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

const char* pickDemuxer(Bytes head) {
    if (startsWith(head, 8, "WAVE") &&
        (startsWith(head, 0, "RIFF") || startsWith(head, 0, "RIFX") ||
         startsWith(head, 0, "RF64") || startsWith(head, 0, "BW64")))
        return "wav";
    if (has(head, 0, kW64Riff) && has(head, 24, kW64Wave))
        return "w64";
    if (startsWith(head, 0, "FORM") && (startsWith(head, 8, "AIFF") || startsWith(head, 8, "AIFC")))
        return "aiff";
    if (startsWith(head, 0, "OggS", 5)) // the version byte, 0, with it
        return "ogg";
    if (startsWith(head, 0, "fLaC"))
        return "flac";
    if (has(head, 0, kAsfHeader))
        return "asf";
    if (const std::size_t tag = id3v2Length(head); tag > 0) {
        if (tag >= head.size())
            return nullptr;
        // Encoders pad a tag with zeros before the first frame.
        std::size_t at = tag;
        while (at < head.size() && head[at] == 0)
            ++at;
        return pickDemuxer(head.subspan(at));
    }
    return mpegFramesAt(head, 0) ? "mp3" : nullptr;
}

} // namespace sonterra::bass
