// Figures of the audio library on one device:
//   bass_bench [DEVICE]      DEVICE 0 (default, no sound) or 1 (SDL default output)
// Under tests/tools/pulse-env.sh run, device 1 plays into the null sink and the
// bench also records its monitor with parec, to time Play -> first audible sample.
// Prints: stream open time, Play -> first sample mixed, true end -> inactive,
// CPU share idle and while playing an MP3, peak memory with a 10-minute MP3.

#include "audio/bass/bass.h"
#include "audio/bass/bass_stats.h"
#include "tests/audio/bass/test_support.h"

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace sonterra::test;
using namespace std::chrono_literals;

std::uint64_t nowNs() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since).count());
}

double cpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

struct Stats {
    std::vector<double> v;
    void add(double x) { v.push_back(x); }
    void print(const char* what, const char* unit) const {
        if (v.empty()) {
            std::printf("%-44s n/a\n", what);
            return;
        }
        auto s = v;
        std::sort(s.begin(), s.end());
        std::printf("%-44s median %7.2f %s  min %7.2f  max %7.2f  (n=%zu)\n", what, s[s.size() / 2],
                    unit, s.front(), s.back(), s.size());
    }
};

// Reads the null sink's monitor through parec, noting when each block arrived.
class MonitorRecorder {
public:
    MonitorRecorder() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        char* const args[] = {const_cast<char*>("parec"),
                              const_cast<char*>("-d"),
                              const_cast<char*>("bell.monitor"),
                              const_cast<char*>("--raw"),
                              const_cast<char*>("--format=s16le"),
                              const_cast<char*>("--rate=48000"),
                              const_cast<char*>("--channels=2"),
                              const_cast<char*>("--latency-msec=5"),
                              nullptr};
        const int rc = posix_spawnp(&pid_, "parec", &actions, nullptr, args, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (rc != 0) {
            ::close(fds[0]);
            pid_ = 0;
            return;
        }
        pipe_ = ::fdopen(fds[0], "r");
        thread_ = std::thread([this] { run(); });
    }
    ~MonitorRecorder() {
        stop_.store(true);
        if (pid_ != 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (thread_.joinable())
            thread_.join();
        if (pipe_ != nullptr)
            std::fclose(pipe_);
    }
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;
    bool ok() const { return pipe_ != nullptr; }

    // Estimated CLOCK_MONOTONIC time of the first loud sample after `since`, 0 if none.
    std::uint64_t firstLoudAfter(std::uint64_t since) {
        std::lock_guard lock(mutex_);
        for (const auto& [at, offset] : loud_)
            if (at >= since)
                return at - offset;
        return 0;
    }

private:
    void run() {
        std::vector<std::int16_t> block(480 * 2);
        while (!stop_.load()) {
            const std::size_t got =
                std::fread(block.data(), sizeof(std::int16_t), block.size(), pipe_);
            if (got == 0)
                break;
            const std::uint64_t at = nowNs();
            const std::size_t frames = got / 2;
            for (std::size_t i = 0; i < frames; ++i) {
                if (std::abs(block[i * 2]) > 300) {
                    std::lock_guard lock(mutex_);
                    loud_.emplace_back(
                        at, static_cast<std::uint64_t>((frames - i) * 1000000000ull / 48000));
                    break;
                }
            }
        }
    }

    pid_t pid_ = 0;
    FILE* pipe_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> loud_;
};

void waitInactive(HSTREAM h) {
    while (BASS_ChannelIsActive(h) != 0)
        std::this_thread::sleep_for(1ms);
}

} // namespace

int main(int argc, char** argv) {
    const int device = argc > 1 ? std::atoi(argv[1]) : 0;
    TemporaryFolder dir("sonterra-bass");
    const std::string wav = dir / "bell.wav";
    writeWav(wav, Tone{.seconds = 0.5, .left_hz = 880, .right_hz = 880});
    const std::string mp3 = dir / "bell.mp3";
    const std::string long_mp3 = dir / "long.mp3";
    if (!encodeSine(mp3, 660, 30, 44100, 2, "-c:a libmp3lame -b:a 128k") ||
        !encodeSine(long_mp3, 440, 600, 44100, 2, "-c:a libmp3lame -b:a 64k")) {
        std::fprintf(stderr, "the ffmpeg command failed\n");
        return 1;
    }
    if (!BASS_Init(device, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "BASS_Init(%d) failed: %d\n", device, BASS_ErrorGetCode());
        return 1;
    }
    BASS_SetConfig(BASS_CONFIG_BUFFER, 3000); // what the main window hands over
    DWORD rate = 0, period = 0;
    BASSX_DeviceFormat(device, &rate, &period);
    std::printf("device %d \"%s\": %u Hz, %u frames a period (%.1f ms)\n", device,
                BASS_GetDeviceDescription(device), rate, period, period * 1000.0 / rate);

    std::unique_ptr<MonitorRecorder> recorder;
    if (device == 1 && std::getenv("PULSE_SERVER") != nullptr) {
        recorder = std::make_unique<MonitorRecorder>();
        std::this_thread::sleep_for(2500ms); // an idle null sink delivers its first data late
    }

    Stats open_wav, open_mp3, first_mixed, first_heard, end_lag;
    for (int i = 0; i < 15; ++i) {
        std::uint64_t t = nowNs();
        const HSTREAM m = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
        open_mp3.add((nowNs() - t) / 1e6);
        BASS_StreamFree(m);

        t = nowNs();
        const HSTREAM h = BASS_StreamCreateFile(FALSE, wav.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
        open_wav.add((nowNs() - t) / 1e6);
        const double length_s = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h));
        const std::uint64_t play = nowNs();
        BASS_ChannelPlay(h, FALSE);
        while (BASSX_ChannelFirstOutputNs(h) == 0)
            std::this_thread::sleep_for(100us);
        const std::uint64_t first = BASSX_ChannelFirstOutputNs(h);
        first_mixed.add((first - play) / 1e6);
        waitInactive(h);
        const std::uint64_t inactive = nowNs();
        end_lag.add(
            (static_cast<double>(inactive) - (static_cast<double>(first) + length_s * 1e9)) / 1e6);
        BASS_StreamFree(h);
        std::this_thread::sleep_for(300ms);
        if (recorder && recorder->ok()) {
            const std::uint64_t heard = recorder->firstLoudAfter(play);
            if (heard != 0)
                first_heard.add((static_cast<double>(heard) - static_cast<double>(play)) / 1e6);
        }
    }
    open_wav.print("open 0.5 s WAV (StreamCreateFile)", "ms");
    open_mp3.print("open 30 s MP3 (StreamCreateFile)", "ms");
    first_mixed.print("Play -> first sample mixed", "ms");
    if (recorder)
        first_heard.print("Play -> first audible sample in parec", "ms");
    end_lag.print("true end (first mixed + length) -> inactive", "ms");
    recorder.reset();

    constexpr double kWindow = 5.0;
    double c0 = cpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(kWindow));
    std::printf("%-44s %.2f %% of one core\n", "CPU, device open, nothing playing",
                (cpuSeconds() - c0) / kWindow * 100);

    const HSTREAM m = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
    BASS_ChannelPlay(m, FALSE);
    c0 = cpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(kWindow));
    std::printf("%-44s %.2f %% of one core\n", "CPU, playing a 128 kbit/s MP3",
                (cpuSeconds() - c0) / kWindow * 100);
    BASS_StreamFree(m);

    const long rss_before = rssKb();
    const HSTREAM l = BASS_StreamCreateFile(FALSE, long_mp3.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
    BASS_ChannelPlay(l, FALSE);
    std::this_thread::sleep_for(5s);
    std::printf("%-44s %ld kB before, %ld kB while playing, peak %ld kB; ring %u kB\n",
                "RSS, 10-minute MP3 (3000 ms buffer)", rss_before, rssKb(), peakRssKb(),
                BASSX_ChannelRingBytes(l) / 1024);
    BASS_StreamFree(l);
    return 0;
}
