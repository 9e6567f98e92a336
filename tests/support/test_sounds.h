#pragma once
// Test sounds made on the spot, for every test and benchmark that needs one:
// a PCM WAV written here, other formats encoded with the ffmpeg command.

#include <string>

namespace sonterra::test {

struct Tone {
    int rate = 44100;
    int channels = 2;
    int bits = 16; // 8 or 16
    double seconds = 0.5;
    double left_hz = 440.0;
    double right_hz = 440.0; // ignored for mono
    double amplitude = 0.5;  // of full scale
};

// A PCM WAV file holding a sine per channel; throws when it cannot be written.
void writeWav(const std::string& path, const Tone& tone);

// Runs the ffmpeg command to encode a sine: `codec_args` e.g. "-c:a libmp3lame -b:a 64k".
// Returns false when ffmpeg failed.
bool encodeSine(const std::string& path, double hz, double seconds, int rate, int channels,
                const std::string& codec_args);

} // namespace sonterra::test
