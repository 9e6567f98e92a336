#pragma once
// Test sounds made on the spot: a WAV written here, MP3 and WMA made from it
// with the ffmpeg command. Each lives in a temporary folder of its own.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace sonterra::testing {

class SoundFolder {
public:
    SoundFolder() {
        char pattern[] = "/tmp/sonterra-sounds-XXXXXX";
        if (!::mkdtemp(pattern))
            throw std::runtime_error("mkdtemp failed");
        dir = pattern;
    }
    ~SoundFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    SoundFolder(const SoundFolder&) = delete;
    SoundFolder& operator=(const SoundFolder&) = delete;

    std::string path(const std::string& name) const { return (dir / name).string(); }

    // 16-bit PCM sine tone at 44100 Hz.
    std::string wav(const std::string& name, double seconds, double hz = 440.0, int channels = 2,
                    int bits = 16) const {
        const int rate = 44100;
        const auto frames = static_cast<std::uint32_t>(seconds * rate);
        const std::uint32_t bytesPerFrame = static_cast<std::uint32_t>(channels * bits / 8);
        const std::uint32_t dataBytes = frames * bytesPerFrame;
        std::ofstream out(path(name), std::ios::binary);
        auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        out.write("RIFF", 4);
        u32(36 + dataBytes);
        out.write("WAVEfmt ", 8);
        u32(16);
        u16(1);
        u16(static_cast<std::uint16_t>(channels));
        u32(rate);
        u32(rate * bytesPerFrame);
        u16(static_cast<std::uint16_t>(bytesPerFrame));
        u16(static_cast<std::uint16_t>(bits));
        out.write("data", 4);
        u32(dataBytes);
        for (std::uint32_t i = 0; i < frames; ++i) {
            const double v = 0.3 * std::sin(2.0 * M_PI * hz * i / rate);
            for (int c = 0; c < channels; ++c) {
                if (bits == 8) {
                    const auto s = static_cast<std::uint8_t>(128 + std::lround(v * 127));
                    out.put(static_cast<char>(s));
                } else {
                    u16(static_cast<std::uint16_t>(
                        static_cast<std::int16_t>(std::lround(v * 32767))));
                }
            }
        }
        return path(name);
    }

    // Encodes a tone with the ffmpeg command; codec e.g. "libmp3lame", "wmav2".
    std::string encoded(const std::string& name, double seconds, const std::string& codec,
                        double hz = 660.0) const {
        const std::string out = path(name);
        const std::string command =
            "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i 'sine=frequency=" +
            std::to_string(static_cast<int>(hz)) +
            ":sample_rate=44100:duration=" + std::to_string(seconds) + "' -ac 2 -c:a " + codec +
            " '" + out + "'";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("ffmpeg failed: " + command);
        return out;
    }

    // Any file the ffmpeg command makes: `args` are its inputs and options.
    std::string ffmpeg(const std::string& name, const std::string& args) const {
        const std::string out = path(name);
        const std::string command =
            "ffmpeg -nostdin -hide_banner -loglevel error -y " + args + " '" + out + "'";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("ffmpeg failed: " + command);
        return out;
    }

    // The files joined byte by byte, as `cat` joins them.
    std::string joined(const std::string& name, const std::vector<std::string>& parts) const {
        std::ofstream out(path(name), std::ios::binary);
        for (const std::string& part : parts)
            out << std::ifstream(part, std::ios::binary).rdbuf();
        return path(name);
    }

    // The first `fraction` of a file's bytes, as a download cut short leaves it.
    std::string truncated(const std::string& name, const std::string& from, double fraction) const {
        std::ifstream in(from, std::ios::binary);
        const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return bytes(name, all.substr(0, static_cast<std::size_t>(all.size() * fraction)));
    }

    std::string bytes(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
        return path(name);
    }

private:
    std::filesystem::path dir;
};

} // namespace sonterra::testing
