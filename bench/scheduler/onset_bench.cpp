// Delay from a minute boundary to the first mixed sample of the bell due at
// that minute. A wall clock anchored to the monotonic clock puts the boundary
// about a second after each run starts; the audio library stamps the first
// mixed sample with the same monotonic clock.
//
//   sonterra_bench_onset [--runs N] [--device D]
// D = 0 (no-sound device, the default) or 1 (SDL's output; SDL_AUDIODRIVER
// defaults to dummy here). Prints median, p99 and worst in ms.

#include "audio/bass/bass_stats.h"
#include "audio/udarvobass.h"
#include "core/clock.h"
#include "core/message_box.h"
#include "schedule/scheduler.h"
#include "tests/support/test_platform.h"
#include "tests/support/test_sounds.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <time.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace sonterra;

namespace {

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Wall time = anchor + monotonic time elapsed since the anchor.
class AnchoredClock : public Clock {
public:
    void Anchor(const DateTime& wall, int64_t monoNs) {
        wall_ = wall;
        monoNs_ = monoNs;
    }
    DateTime Now() const override {
        DateTime dt = wall_;
        const int64_t dayMs = ((dt.hour * 60 + dt.minute) * 60 + dt.second) * 1000LL +
                              dt.millisecond + (MonotonicNs() - monoNs_) / 1'000'000;
        dt.hour = int(dayMs / 3'600'000 % 24);
        dt.minute = int(dayMs / 60'000 % 60);
        dt.second = int(dayMs / 1000 % 60);
        dt.millisecond = int(dayMs % 1000);
        return dt;
    }

private:
    DateTime wall_;
    int64_t monoNs_ = 0;
};

// Records when the ticks run; the window itself is not there.
class TickWindow : public SchedulerWindow {
public:
    void HideWindow() override {}
    bool IndicatorVisible() const override { return indicator_; }
    void SetIndicatorVisible(bool visible) override {
        indicator_ = visible;
        ticks.push_back(MonotonicNs());
    }
    void SetActivateCaption(const std::string&) override {}
    void ShowToday(const Lines&) override {}

    std::vector<int64_t> ticks;

private:
    bool indicator_ = false;
};

// The player's channel is what the library's statistics are keyed by.
class BenchPlayer : public TDarvoBass {
public:
    DWORD channel() const { return Channel; }
    void Play() override {
        TDarvoBass::Play();
        playedNs = MonotonicNs();
    }
    int64_t playedNs = 0;
};

void WriteBell(const std::string& path) {
    test::writeWav(
        path,
        test::Tone{.seconds = 0.5, .left_hz = 880, .right_hz = 880, .amplitude = 12000 / 32767.0});
}

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const size_t rank = size_t(std::ceil(p / 100.0 * double(v.size())));
    return v[std::clamp<size_t>(rank, 1, v.size()) - 1];
}

void Summary(const char* what, const std::vector<double>& ms) {
    if (ms.empty()) {
        std::printf("%-34s no samples\n", what);
        return;
    }
    std::printf("%-34s n=%zu median %.2f ms  p99 %.2f ms  worst %.2f ms\n", what, ms.size(),
                Percentile(ms, 50), Percentile(ms, 99), *std::max_element(ms.begin(), ms.end()));
}

} // namespace

int main(int argc, char** argv) {
    int runs = 25, device = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--device") == 0)
            device = std::atoi(argv[i + 1]);
    }
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    QCoreApplication app(argc, argv);

    const sonterra::test::TemporaryFolder folder("sonterra-onset");
    const std::string programFolder = folder.path();
    fs::create_directories(fs::path(programFolder) / "HORA");
    const std::string bell = programFolder + "sino.wav";
    WriteBell(bell);
    for (int day = 1; day <= 7; ++day)
        std::ofstream(programFolder + "0" + std::to_string(day) + ".PR2", std::ios::binary)
            << "07:30 - " << bell << "\r\n";

    BenchPlayer toque, hora;
    for (BenchPlayer* p : {&toque, &hora}) {
        p->InitDevice(device, false, nullptr, false);
        p->SelectDevice(static_cast<signed char>(device));
        p->ManualUpdate = false;
        p->BufferLength = 3000;
        p->SetVolume(100);
    }
    DWORD rate = 0, period = 0;
    if (BASSX_DeviceFormat(device, &rate, &period))
        std::printf("device %d: %u Hz, mixer period %u frames (%.2f ms)\n", device, rate, period,
                    1000.0 * period / std::max<DWORD>(rate, 1));

    // The program opens its output at start-up, long before a bell; a new
    // sound-server stream takes up to ~2 s before its first periods flow.
    std::this_thread::sleep_for(std::chrono::seconds(3));

    std::mt19937 rng(12345);
    std::vector<double> tickMs, playMs, onsetMs;
    int missed = 0;
    for (int run = 0; run < runs; ++run) {
        AnchoredClock clock;
        TickWindow window;
        // Boundary 0.7 to 1.2 s ahead, at a random phase of the real second.
        const int ahead = 700 + int(rng() % 500);
        DateTime wall;
        wall.year = 2026;
        wall.month = 12;
        wall.day = 7;
        wall.hour = 7;
        wall.minute = 29;
        wall.second = 59;
        wall.millisecond = 1000 - ahead;
        if (ahead > 1000) {
            wall.second = 58;
            wall.millisecond = 2000 - ahead;
        }
        toque.playedNs = 0;
        const int64_t start = MonotonicNs();
        clock.Anchor(wall, start);
        const int64_t boundary = start + int64_t(ahead) * 1'000'000;

        TScheduler sched(clock, toque, hora, window, programFolder, programFolder + "sonterra");
        toque.OnStop = [&sched](AudioPlayer&) { sched.BellStopped(); };
        sched.ReloadToday();
        sched.SetActive(true);

        // Poll the library's stamp every millisecond until the bell is mixed.
        uint64_t first = 0;
        QEventLoop loop;
        QTimer poll;
        poll.setTimerType(Qt::PreciseTimer);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (toque.channel() != 0)
                first = BASSX_ChannelFirstOutputNs(toque.channel());
            if (first != 0 || MonotonicNs() > boundary + 2'000'000'000)
                loop.quit();
        });
        poll.start(1);
        loop.exec();
        sched.SetActive(false);

        for (int64_t t : window.ticks)
            if (t >= boundary) {
                tickMs.push_back(double(t - boundary) / 1e6);
                break;
            }
        if (toque.playedNs >= boundary)
            playMs.push_back(double(toque.playedNs - boundary) / 1e6);
        if (first == 0) {
            ++missed;
        } else {
            onsetMs.push_back(double(int64_t(first) - boundary) / 1e6);
            std::printf(
                "run %2d: tick +%.2f ms, Play returned +%.2f ms, first sample mixed +%.2f ms\n",
                run + 1, tickMs.empty() ? -1.0 : tickMs.back(),
                playMs.empty() ? -1.0 : playMs.back(), onsetMs.back());
        }
        toque.OnStop = nullptr;
        toque.CloseStream();
    }

    std::printf("\ndevice %d, %d runs%s\n", device, runs,
                missed ? (", " + std::to_string(missed) + " without onset").c_str() : "");
    Summary("boundary -> tick", tickMs);
    Summary("boundary -> Play returned", playMs);
    Summary("boundary -> first sample mixed", onsetMs);
    return missed ? 1 : 0;
}
