#include "tests/support/test_sounds.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <stdexcept>

namespace sonterra::test {

namespace {

namespace fs = std::filesystem;

// The same on every platform and compiler, unlike std::hash.
std::uint64_t Fnv1a(const std::string& text) {
    std::uint64_t h = 14695981039346656037ull;
    for (const unsigned char c : text)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

// WAV is little-endian whatever the machine.
void put16(std::ofstream& out, std::uint16_t v) {
    out.put(static_cast<char>(v & 0xff));
    out.put(static_cast<char>(v >> 8));
}

void put32(std::ofstream& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xffff));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

} // namespace

void writeWav(const std::string& path, const Tone& tone) {
    const auto frames = static_cast<std::uint32_t>(std::lround(tone.seconds * tone.rate));
    const std::uint32_t block = static_cast<std::uint32_t>(tone.channels * tone.bits / 8);
    const std::uint32_t data_bytes = frames * block;
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    put32(out, 36 + data_bytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, static_cast<std::uint16_t>(tone.channels));
    put32(out, static_cast<std::uint32_t>(tone.rate));
    put32(out, static_cast<std::uint32_t>(tone.rate) * block);
    put16(out, static_cast<std::uint16_t>(block));
    put16(out, static_cast<std::uint16_t>(tone.bits));
    out.write("data", 4);
    put32(out, data_bytes);
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < tone.channels; ++c) {
            const double hz = c == 0 ? tone.left_hz : tone.right_hz;
            const double v = tone.amplitude * std::sin(2.0 * std::numbers::pi * hz * i / tone.rate);
            if (tone.bits == 8)
                out.put(
                    static_cast<char>(static_cast<std::uint8_t>(std::lround(128.0 + v * 127.0))));
            else
                put16(out, static_cast<std::uint16_t>(
                               static_cast<std::int16_t>(std::lround(v * 32767.0))));
        }
    }
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool encodeSine(const std::string& path, double hz, double seconds, int rate, int channels,
                const std::string& codec_args) {
    // Windows has no ffmpeg command: its tests take what the Linux run of the
    // same tests encoded into SONTERRA_TEST_SOUNDS, by the same arguments.
    std::ostringstream args;
    args << hz << ' ' << seconds << ' ' << rate << ' ' << channels << ' ' << codec_args << ' '
         << fs::path(path).extension().string();
    const char* cacheDir = std::getenv("SONTERRA_TEST_SOUNDS");
    fs::path cached;
    std::error_code ec;
    if (cacheDir != nullptr && *cacheDir != '\0') {
        cached = fs::path(cacheDir) /
                 (std::to_string(Fnv1a(args.str())) + fs::path(path).extension().string());
        if (fs::is_regular_file(cached, ec))
            return fs::copy_file(cached, path, fs::copy_options::overwrite_existing, ec);
    }

    std::ostringstream cmd;
    cmd << "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i 'sine=frequency=" << hz
        << ":duration=" << seconds << ":sample_rate=" << rate << "' -ac " << channels << ' '
        << codec_args << " '" << path << "'";
    if (std::system(cmd.str().c_str()) != 0)
        return false;
    if (!cached.empty()) {
        // Whole or not at all: tests running beside this one read it.
        const fs::path part = cached.string() + "." + std::to_string(Fnv1a(path)) + ".part";
        fs::create_directories(cached.parent_path(), ec);
        if (fs::copy_file(path, part, fs::copy_options::overwrite_existing, ec))
            fs::rename(part, cached, ec);
    }
    return true;
}

} // namespace sonterra::test
