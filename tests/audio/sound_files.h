#pragma once
// Test sounds made on the spot (tests/support/test_sounds.h), each set in a
// temporary folder of its own (tests/support/test_platform.h).

#include "tests/support/test_platform.h"
#include "tests/support/test_sounds.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace sonterra::test {

class SoundFolder {
public:
    std::string path(const std::string& name) const { return dir / name; }

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
        const std::string all((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
        return bytes(name, all.substr(0, static_cast<std::size_t>(all.size() * fraction)));
    }

    std::string bytes(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
        return path(name);
    }

private:
    test::TemporaryFolder dir{"sonterra-sounds"};
};

} // namespace sonterra::test
