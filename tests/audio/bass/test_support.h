#pragma once
// Helpers of the audio library's tests: test sounds written
// here or made with the ffmpeg command, and a tone detector for mixed output.

#include "tests/support/test_platform.h"
#include "tests/support/test_sounds.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sonterra::test {

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Relative strength of `hz` in the samples: the Goertzel power at `hz`, as a
// share (0..1) of the signal's whole power.
double toneShare(const std::vector<float>& mono, int rate, double hz);
double rms(const std::vector<float>& mono);

// Interleaved stereo float samples (what SDL's disk driver writes).
struct Stereo {
    std::vector<float> left, right;
};
// Interleaved stereo float samples from `offset` bytes on.
Stereo readStereoF32(const std::string& path, std::uintmax_t offset = 0);
// The stretch between the first and last sample louder than `threshold` (either side).
Stereo audible(const Stereo& all, float threshold = 1e-3f);

// Peak and current resident memory of this process, in kB.
long peakRssKb();
long rssKb();
// Bytes this process has read so far, from files and anything else.
std::uint64_t bytesRead();

} // namespace sonterra::test

namespace sonterra::test {

// The test sounds, made once per process in a temporary folder.
struct Sounds {
    std::string wav16;      // 0.5 s, 44100 Hz stereo 16-bit, 440 Hz both sides
    std::string wav16_1s;   // 1.0 s, as above
    std::string wav8;       // 0.5 s, 22050 Hz mono 8-bit, 440 Hz
    std::string wav_mono;   // 0.5 s, 48000 Hz mono 16-bit, 1000 Hz
    std::string wav_1000;   // 0.5 s, 44100 Hz stereo 16-bit, 1000 Hz
    std::string mp3;        // 0.5 s, 44100 Hz stereo, 440 Hz
    std::string wma;        // 0.5 s, 44100 Hz stereo, 440 Hz
    std::string ogg;        // 0.5 s, 44100 Hz stereo, 440 Hz
    std::string flac;       // 0.5 s, 44100 Hz stereo, 440 Hz
    std::string empty;      // 0 bytes, named .mp3
    std::string random_mp3; // 64 kB of noise named .mp3
    std::string text_wav;   // a text file named .wav
    std::string folder;     // a folder named .mp3
    std::string missing;    // never created
    std::string dir;
};
const Sounds& sounds();

// Opens device 0 for this process (once).
void openNoSoundDevice();

} // namespace sonterra::test
