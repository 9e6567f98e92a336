// A small command-line player and tone checker for the real-sound test through
// PulseAudio (pulse_tone_test.sh):
//   bass_tool tone FILE.wav HZ SECONDS          write a stereo 16-bit sine
//   bass_tool play DEVICE FILE                  play FILE to its end on DEVICE
//   bass_tool play-ahead DEVICE FILE            the same, FILE opened, the device
//                                               prepared and the start cued a second
//                                               before, as a bell is (another cued
//                                               and freed before its moment first)
//   bass_tool play-prepared DEVICE FILE FLAG    the device prepared just as FILE starts;
//                                               "freed" once it ended and went, then
//                                               connected until FLAG exists
//   bass_tool play-again DEVICE FILE x GAP_S    play it, wait GAP_S seconds, play it again
//   bass_tool play-again DEVICE FILE FLAG       play it, wait until FLAG exists, play it again
//   bass_tool detect REC.raw RATE HZ SECONDS    check a s16le stereo recording
//   bass_tool exit-while-playing DEVICE FILE    leave main with sounds playing
//   bass_tool late-server DEVICE FILE FLAG      init with no server, then, once
//                                               FLAG exists, load and play as the player does
// Exit status 0 when all went as expected.

#include "audio/bass/bass.h"
#include "audio/bass/bass_stats.h"
#include "tests/audio/bass/test_support.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace sonterra::test;

std::uint64_t nowNs() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since).count());
}

void waitForFile(const std::string& flag) {
    while (!std::ifstream(flag).is_open())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// How the first start comes: at once; cued a second ahead with the device
// prepared before; or with the device prepared just as it starts, before the
// server has confirmed the warm-up stream that the start ends.
enum class Start { now, ahead, prepared };

int play(int device, const std::string& path, int times = 1, double gap_s = 0,
         const std::string& flag = "", Start how = Start::now) {
    const bool ahead = how == Start::ahead;
    if (!BASS_Init(device, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "BASS_Init(%d) failed: %d\n", device, BASS_ErrorGetCode());
        return 2;
    }
    if (ahead)
        BASSX_DevicePrepare(device);
    const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
    if (h == 0) {
        std::fprintf(stderr, "cannot open %s: %d\n", path.c_str(), BASS_ErrorGetCode());
        return 2;
    }
    const double length = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h));
    if (ahead) {
        // Another start cued, then let go before its moment: never heard.
        const HSTREAM gone = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
        BASSX_ChannelCue(gone, 500);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        BASS_StreamFree(gone);
        const auto due = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        const auto wall = std::chrono::system_clock::now().time_since_epoch();
        BASSX_ChannelCue(h, 1000);
        std::printf("due at %.6f\n", std::chrono::duration<double>(wall).count() + 1.0);
        // Played as the schedule plays it, just after its moment.
        std::this_thread::sleep_until(due + std::chrono::milliseconds(1));
    }
    bool ended = true;
    for (int round = 0; round < times; ++round) {
        if (round > 0) {
            if (flag.empty())
                std::this_thread::sleep_for(std::chrono::duration<double>(gap_s));
            if (!flag.empty())
                waitForFile(flag);
            BASS_ChannelPlay(h, TRUE);
        }
        const std::uint64_t start = nowNs();
        const auto wall = std::chrono::system_clock::now().time_since_epoch();
        if (how == Start::prepared)
            BASSX_DevicePrepare(device);
        BASS_ChannelPlay(h, FALSE);
        std::printf("played at %.6f\n", std::chrono::duration<double>(wall).count());
        std::fflush(stdout);
        const auto limit =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(length + 5.0);
        while (BASS_ChannelIsActive(h) != 0 && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const std::uint64_t end = nowNs();
        const std::uint64_t first = BASSX_ChannelFirstOutputNs(h);
        std::printf("device %d: length %.3f s, first sample mixed %.2f ms after Play, inactive "
                    "after %.3f s\n",
                    device, length, first ? (first - start) / 1e6 : -1.0, (end - start) / 1e9);
        std::fflush(stdout);
        ended = ended && BASS_ChannelIsActive(h) == 0;
    }
    BASS_StreamFree(h);
    if (how == Start::prepared) { // still connected, for the test to look
        std::printf("freed\n");
        std::fflush(stdout);
        waitForFile(flag);
    }
    return ended ? 0 : 3;
}

// A 440 Hz stereo 16-bit sine, made on the channel's thread.
DWORD sine(HSTREAM, void* buffer, DWORD length, void* user) {
    auto* phase = static_cast<double*>(user);
    auto* out = static_cast<std::int16_t*>(buffer);
    for (DWORD i = 0; i + 1 < length / 2; i += 2) {
        out[i] = out[i + 1] = static_cast<std::int16_t>(8000 * std::sin(*phase));
        *phase += 2 * 3.14159265358979 * 440 / 44100;
    }
    return length;
}

// Returns from main while a sound plays and nothing is freed: the library must
// close its devices at exit without crashing or hanging.
int exitWhilePlaying(int device, const std::string& path) {
    static double phase = 0;
    if (!BASS_Init(device, 44100, 0, nullptr, nullptr))
        return 2;
    const HSTREAM file = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
    const HSTREAM proc = BASS_StreamCreate(44100, 2, 0, &sine, &phase);
    if (file == 0 || proc == 0)
        return 2;
    BASS_ChannelPlay(file, FALSE);
    BASS_ChannelPlay(proc, FALSE);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::printf("leaving with %s playing\n",
                BASS_ChannelIsActive(file) && BASS_ChannelIsActive(proc) ? "both" : "not both");
    return 0;
}

// The program started before the sound server: the init fails, a load made
// then fails with BASS_ERROR_INIT, and a load made once the server is up plays.
int lateServer(int device, const std::string& path, const std::string& flag) {
    if (BASS_Init(device, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "BASS_Init(%d) worked with no server\n", device);
        return 2;
    }
    std::printf("init without a server: error %d\n", BASS_ErrorGetCode());
    BASS_SetDevice(device);
    if (BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT) != 0 ||
        BASS_ErrorGetCode() != BASS_ERROR_INIT) {
        std::fprintf(stderr, "a load before the server came did not fail with %d\n",
                     BASS_ERROR_INIT);
        return 2;
    }
    while (!std::ifstream(flag).is_open())
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    BASS_SetDevice(device);
    const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
    if (h == 0) {
        std::fprintf(stderr, "a load after the server came failed: %d\n", BASS_ErrorGetCode());
        return 2;
    }
    BASS_ChannelPlay(h, FALSE);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (BASS_ChannelIsActive(h) != 0 && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::printf("played after the server came\n");
    return BASS_ChannelIsActive(h) == 0 ? 0 : 3;
}

int detect(const std::string& path, int rate, double hz, double seconds) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Stereo all;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
        const auto l =
            static_cast<std::int16_t>(static_cast<unsigned char>(bytes[i]) | (bytes[i + 1] << 8));
        const auto r = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[i + 2]) |
                                                 (bytes[i + 3] << 8));
        all.left.push_back(static_cast<float>(l) / 32768.0f);
        all.right.push_back(static_cast<float>(r) / 32768.0f);
    }
    const Stereo sound = audible(all, 0.01f);
    const double heard = static_cast<double>(sound.left.size()) / rate;
    const double share_l = toneShare(sound.left, rate, hz);
    const double share_r = toneShare(sound.right, rate, hz);
    std::printf("recording %.3f s: %.3f s audible, %.0f Hz share %.3f left %.3f right, rms %.3f\n",
                static_cast<double>(all.left.size()) / rate, heard, hz, share_l, share_r,
                rms(sound.left));
    const bool ok = std::abs(heard - seconds) < 0.2 && share_l > 0.8 && share_r > 0.8;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "tone") {
        writeWav(args[1], Tone{.seconds = std::stod(args[3]),
                               .left_hz = std::stod(args[2]),
                               .right_hz = std::stod(args[2])});
        return 0;
    }
    if (args.size() == 3 && args[0] == "play")
        return play(std::stoi(args[1]), args[2]);
    if (args.size() == 4 && args[0] == "play-prepared")
        return play(std::stoi(args[1]), args[2], 1, 0, args[3], Start::prepared);
    if (args.size() == 3 && args[0] == "play-ahead")
        return play(std::stoi(args[1]), args[2], 1, 0, "", Start::ahead);
    if (args.size() == 4 && args[0] == "play-again")
        return play(std::stoi(args[1]), args[2], 2, 0, args[3]);
    if (args.size() == 5 && args[0] == "play-again")
        return play(std::stoi(args[1]), args[2], 2, std::stod(args[4]));
    if (args.size() == 3 && args[0] == "exit-while-playing")
        return exitWhilePlaying(std::stoi(args[1]), args[2]);
    if (args.size() == 4 && args[0] == "late-server")
        return lateServer(std::stoi(args[1]), args[2], args[3]);
    if (args.size() == 5 && args[0] == "detect")
        return detect(args[1], std::stoi(args[2]), std::stod(args[3]), std::stod(args[4]));
    std::fprintf(stderr, "usage: bass_tool tone FILE HZ SECONDS | play DEVICE FILE | detect RAW "
                         "RATE HZ SECONDS | exit-while-playing DEVICE FILE\n");
    return 64;
}
