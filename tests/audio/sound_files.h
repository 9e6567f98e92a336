#pragma once
// Test sounds made on the spot (tests/support/test_sounds.h), each in a
// temporary folder of its own.

#include "tests/support/test_sounds.h"

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

    // PCM sine tone at 44100 Hz.
    std::string wav(const std::string& name, double seconds, double hz = 440.0, int channels = 2,
                    int bits = 16) const {
        test::writeWav(path(name), test::Tone{.rate = 44100,
                                              .channels = channels,
                                              .bits = bits,
                                              .seconds = seconds,
                                              .left_hz = hz,
                                              .right_hz = hz,
                                              .amplitude = 0.3});
        return path(name);
    }

    // Encodes a stereo tone with the ffmpeg command; codec e.g. "libmp3lame", "wmav2".
    std::string encoded(const std::string& name, double seconds, const std::string& codec,
                        double hz = 660.0) const {
        const std::string out = path(name);
        if (!test::encodeSine(out, hz, seconds, 44100, 2, "-c:a " + codec))
            throw std::runtime_error("ffmpeg failed to encode " + out);
        return out;
    }

    std::string bytes(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
        return path(name);
    }

private:
    std::filesystem::path dir;
};

} // namespace sonterra::testing
