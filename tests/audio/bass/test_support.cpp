#include "tests/audio/bass/test_support.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <sstream>
#include <stdexcept>

namespace sonterra::test {

namespace fs = std::filesystem;

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

double toneShare(const std::vector<float>& mono, int rate, double hz) {
    if (mono.empty())
        return 0.0;
    const double w = 2.0 * std::numbers::pi * hz / rate;
    const double coeff = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0, energy = 0.0;
    for (float x : mono) {
        const double s0 = x + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
        energy += static_cast<double>(x) * x;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    // A pure sine of N samples gives power N^2 A^2 / 4 and energy N A^2 / 2.
    return energy > 0.0 ? power * 2.0 / (energy * static_cast<double>(mono.size())) : 0.0;
}

double rms(const std::vector<float>& mono) {
    if (mono.empty())
        return 0.0;
    double sum = 0.0;
    for (float x : mono)
        sum += static_cast<double>(x) * x;
    return std::sqrt(sum / static_cast<double>(mono.size()));
}

Stereo readStereoF32(const std::string& path, std::uintmax_t offset) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Stereo s;
    const std::size_t frames = bytes.size() / (2 * sizeof(float));
    s.left.resize(frames);
    s.right.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        float pair[2];
        std::copy_n(bytes.data() + i * sizeof pair, sizeof pair, reinterpret_cast<char*>(pair));
        s.left[i] = pair[0];
        s.right[i] = pair[1];
    }
    return s;
}

Stereo audible(const Stereo& all, float threshold) {
    std::size_t first = all.left.size(), last = 0;
    for (std::size_t i = 0; i < all.left.size(); ++i) {
        if (std::fabs(all.left[i]) > threshold || std::fabs(all.right[i]) > threshold) {
            first = std::min(first, i);
            last = i;
        }
    }
    Stereo s;
    if (first <= last && first < all.left.size()) {
        s.left.assign(all.left.begin() + static_cast<std::ptrdiff_t>(first),
                      all.left.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        s.right.assign(all.right.begin() + static_cast<std::ptrdiff_t>(first),
                       all.right.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    }
    return s;
}

namespace {

long statusKb(const std::string& key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + ":", 0) == 0)
            return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
    return -1;
}

} // namespace

long peakRssKb() {
    return statusKb("VmHWM");
}

long rssKb() {
    return statusKb("VmRSS");
}

std::uint64_t bytesRead() {
    std::ifstream in("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (in >> key >> value)
        if (key == "rchar:")
            return value;
    return 0;
}

} // namespace sonterra::test

#include "audio/bass/bass.h"

#include <random>

namespace sonterra::test {

const Sounds& sounds() {
    static TemporaryFolder dir("sonterra-bass");
    static const Sounds made = [] {
        Sounds s;
        s.dir = dir.path();
        s.wav16 = dir / "tone440.wav";
        writeWav(s.wav16, Tone{});
        s.wav16_1s = dir / "tone440-1s.wav";
        writeWav(s.wav16_1s, Tone{.seconds = 1.0});
        s.wav8 = dir / "tone8bit.wav";
        writeWav(s.wav8, Tone{.rate = 22050, .channels = 1, .bits = 8});
        s.wav_mono = dir / "mono1000.wav";
        writeWav(s.wav_mono, Tone{.rate = 48000, .channels = 1, .left_hz = 1000});
        s.wav_1000 = dir / "tone1000.wav";
        writeWav(s.wav_1000, Tone{.left_hz = 1000, .right_hz = 1000});
        s.mp3 = dir / "tone.mp3";
        s.wma = dir / "tone.wma";
        s.ogg = dir / "tone.ogg";
        s.flac = dir / "tone.flac";
        if (!encodeSine(s.mp3, 440, 0.5, 44100, 2, "-c:a libmp3lame -b:a 128k") ||
            !encodeSine(s.wma, 440, 0.5, 44100, 2, "-c:a wmav2 -b:a 128k") ||
            !encodeSine(s.ogg, 440, 0.5, 44100, 2, "-c:a libvorbis") ||
            !encodeSine(s.flac, 440, 0.5, 44100, 2, "-c:a flac"))
            throw std::runtime_error("the ffmpeg command could not make the test sounds");
        s.empty = dir / "empty.mp3";
        writeBytes(s.empty, {});
        s.random_mp3 = dir / "noise.mp3";
        std::mt19937 gen(1234);
        std::vector<std::uint8_t> noise(64 * 1024);
        for (auto& b : noise)
            b = static_cast<std::uint8_t>(gen());
        writeBytes(s.random_mp3, noise);
        s.text_wav = dir / "notes.wav";
        const std::string text = "Sinal das 07:30\r\nnao e audio\r\n";
        writeBytes(s.text_wav, std::vector<std::uint8_t>(text.begin(), text.end()));
        s.folder = dir / "folder.mp3";
        std::filesystem::create_directory(s.folder);
        s.missing = dir / "missing.mp3";
        return s;
    }();
    return made;
}

void openNoSoundDevice() {
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr) && BASS_ErrorGetCode() != BASS_ERROR_ALREADY)
        throw std::runtime_error("device 0 would not open");
    BASS_SetDevice(0);
}

} // namespace sonterra::test
