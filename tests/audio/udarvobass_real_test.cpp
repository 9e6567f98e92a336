// TDarvoBass on the real audio library, with sounds made by the test:
// device 0 (no sound, real-time pace) and device 1 on SDL's dummy driver.

#include "audio/bass/bass_stats.h"
#include "audio/udarvobass.h"
#include "core/application.h"
#include "core/message_box.h"
#include "tests/audio/event_pump.h"
#include "tests/audio/local_http_server.h"
#include "tests/audio/sound_files.h"
#include "tests/support/box_recorder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace sonterra {
namespace {

using namespace sonterra::test;

// Where OnStop may fall around the sound's true end: the end is seen by a
// 60 ms poll; the upper bound leaves room for a loaded two-core machine, and
// more under a sanitizer, whose decoding runs several times slower (the Wine
// cases run beside it).
constexpr double kEarlyMs = 50.0;
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr double kLateMs = 1000.0;
#else
constexpr double kLateMs = 350.0;
#endif

// Lets the test ask the library when the channel first reached the output.
class ProbedPlayer : public TDarvoBass {
public:
    using TDarvoBass::Channel;
    using TDarvoBass::PreparedChannel;
    using TDarvoBass::TDarvoBass;
};

std::uint64_t monotonicNs() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch())
            .count());
}

// A player set up as the main window sets up its own.
struct TimedPlayer {
    explicit TimedPlayer(int device, bool skipFloatTest = false) {
        player.InitDevice(device, false, nullptr, skipFloatTest);
        player.SelectDevice(static_cast<signed char>(device));
        player.ManualUpdate = false;
        player.BufferLength = 3000;
        player.OnStop = [this](AudioPlayer& sender) {
            EXPECT_EQ(&sender, &player);
            ++stops;
            stoppedAfterMs = msSince(started);
            stoppedNs = monotonicNs();
            firstOutputNs = BASSX_ChannelFirstOutputNs(player.Channel);
        };
    }
    void play() {
        started = SteadyClock::now();
        player.Play();
    }
    bool waitForStop(milliseconds timeout = milliseconds(8000)) {
        return pumpUntil([this] { return stops > 0; }, timeout);
    }

    ProbedPlayer player;
    SteadyClock::time_point started = SteadyClock::now();
    int stops = 0;
    double stoppedAfterMs = -1;
    std::uint64_t stoppedNs = 0;
    std::uint64_t firstOutputNs = 0; // 0: the library never mixed it
};

class DarvoBassReal : public ::testing::Test {
protected:
    void SetUp() override { SetApplicationTitle("/escola/Sonterra/sonterra"); }

    void expectEndNear(const TimedPlayer& p, double lengthMs) {
        EXPECT_EQ(p.stops, 1);
        EXPECT_GE(p.stoppedAfterMs, lengthMs - kEarlyMs) << "OnStop before the sound ended";
        EXPECT_LE(p.stoppedAfterMs, lengthMs + kLateMs) << "OnStop long after the sound ended";
        // The same, from the moment the first sample was mixed.
        ASSERT_NE(p.firstOutputNs, 0u);
        const double trueEndToStopMs =
            static_cast<double>(p.stoppedNs - p.firstOutputNs) / 1e6 - lengthMs;
        RecordProperty("true_end_to_onstop_ms", std::to_string(trueEndToStopMs));
        EXPECT_GE(trueEndToStopMs, -kEarlyMs);
        EXPECT_LE(trueEndToStopMs, kLateMs);
    }

    // Fails when the load was refused with exactly this text, or when the
    // player can still be started.
    void expectRefused(const std::string& path, const std::string& errorText) {
        TimedPlayer p(0);
        boxes.clear();
        p.player.CloseStream();
        p.player.LoadFile(path);
        ASSERT_EQ(boxes.size(), 1u) << path;
        EXPECT_EQ(boxes[0].text,
                  "ERRO AO CARREGAR CANAL:\r\rArquivo: " + path + "\r\rErro " + errorText);
        EXPECT_EQ(boxes[0].caption, "/escola/Sonterra/sonterra");
        EXPECT_EQ(p.player.GetLengthMs(), 0);
        p.play();
        EXPECT_FALSE(p.player.IsPlaying());
        pumpFor(milliseconds(200));
        EXPECT_EQ(p.stops, 0);
    }

    SoundFolder sounds;
    test::BoxRecorder recorder;
    std::vector<MessageBoxRequest>& boxes = recorder.boxes;
};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// ------------------------------------------------------------ end of sound

TEST_F(DarvoBassReal, WavOnDeviceZeroEndsWithOnStopAfterItsTrueLength) {
    const std::string wav = sounds.wav("sino.wav", 1.0);
    TimedPlayer p(0);
    p.player.LoadFile(wav);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    EXPECT_EQ(p.player.GetLengthMs(), 1000);
    EXPECT_EQ(p.player.GetPositionMs(), 0);
    p.play();
    EXPECT_TRUE(p.player.IsPlaying());
    pumpFor(milliseconds(400));
    EXPECT_TRUE(p.player.IsPlaying());
    EXPECT_GT(p.player.GetPositionMs(), 0);
    ASSERT_TRUE(p.waitForStop());
    expectEndNear(p, 1000);
    EXPECT_FALSE(p.player.IsPlaying());
    EXPECT_EQ(p.player.GetPositionMs(), 0); // rewound
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DarvoBassReal, Mp3EndsWithOnStopAfterItsLength) {
    const std::string mp3 = sounds.encoded("toque.mp3", 1.2, "libmp3lame");
    TimedPlayer p(0);
    p.player.LoadFile(mp3);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    EXPECT_NEAR(p.player.GetLengthMs(), 1200, 80);
    p.play();
    ASSERT_TRUE(p.waitForStop());
    expectEndNear(p, 1200); // the tone's own length; the container's may be longer
}

// Lengths that FFmpeg can only guess from a bitrate, or that the header
// overstates: each sound plays to its true end and OnStop follows it.
TEST_F(DarvoBassReal, Mp3sWithoutATrueLengthPlayToTheirRealEnd) {
    const std::string sine =
        "-f lavfi -i 'sine=frequency=%d:sample_rate=44100:duration=%d' -ac 2 -c:a libmp3lame";
    auto tone = [&](const std::string& name, int hz, int seconds, const std::string& options) {
        char args[256];
        std::snprintf(args, sizeof args, sine.c_str(), hz, seconds);
        return sounds.ffmpeg(name, std::string(args) + " " + options);
    };
    struct Case {
        std::string file;
        double trueMs;
    };
    const std::vector<Case> cases = {
        // Loud noise first, quiet tone after, VBR, no Xing header: guessed at about 2.7 s.
        {sounds.ffmpeg("vbr.mp3",
                       "-f lavfi -i 'anoisesrc=d=1:c=white:r=44100:a=0.5' "
                       "-f lavfi -i 'sine=frequency=440:sample_rate=44100:duration=3' "
                       "-filter_complex '[0][1]concat=n=2:v=0:a=1' -ac 2 -c:a libmp3lame "
                       "-q:a 4 -write_xing 0"),
         4000},
        // 1 s at 64 kbit/s, then 3 s at 320 kbit/s: guessed at about 3.3 s.
        {sounds.joined("juntos.mp3",
                       {tone("a.mp3", 660, 1, "-b:a 64k"), tone("b.mp3", 440, 3, "-b:a 320k")}),
         4000},
        // A Xing header that promises 4 s over 2 s of frames.
        {sounds.truncated("cortado.mp3", tone("inteiro.mp3", 550, 4, "-b:a 128k"), 0.5), 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TimedPlayer p(0);
        // Half a second decoded ahead, so that the guessed end comes before the
        // decoder has counted the real one.
        p.player.BufferLength = 500;
        p.player.LoadFile(c.file);
        ASSERT_TRUE(boxes.empty()) << boxes[0].text;
        p.play();
        ASSERT_TRUE(p.waitForStop(milliseconds(10000)));
        expectEndNear(p, c.trueMs);
        EXPECT_NEAR(p.player.GetLengthMs(), c.trueMs, 100) << "the length counted at the end";
    }
}

TEST_F(DarvoBassReal, LoopPlaybackStartsTheSoundAgainFromTheStart) {
    const std::string wav = sounds.wav("sino.wav", 0.5);
    TimedPlayer p(0);
    p.player.LoadFile(wav);
    p.player.LoopPlayback = true; // LoadFile clears it
    p.play();
    // Over three lengths: the end was reached at least twice and never reported.
    std::vector<int> positions;
    const auto end = SteadyClock::now() + milliseconds(1700);
    while (SteadyClock::now() < end) {
        pumpFor(milliseconds(20));
        positions.push_back(p.player.GetPositionMs());
    }
    EXPECT_EQ(p.stops, 0);
    EXPECT_TRUE(p.player.IsPlaying());
    int restarts = 0;
    for (std::size_t i = 1; i < positions.size(); ++i)
        restarts += positions[i] + 250 < positions[i - 1] ? 1 : 0;
    EXPECT_GE(restarts, 2) << "the position never went back to the start";
    p.player.LoopPlayback = false;
    ASSERT_TRUE(p.waitForStop());
    EXPECT_EQ(p.stops, 1);
}

TEST_F(DarvoBassReal, WmaGoesThroughTheWindowsMediaOpenAndPlays) {
    const std::string wma = sounds.encoded("Toque.WMA", 0.8, "wmav2");
    TimedPlayer p(0);
    p.player.LoadFile(wma);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    EXPECT_NEAR(p.player.GetLengthMs(), 800, 100);
    p.play();
    ASSERT_TRUE(p.waitForStop());
    expectEndNear(p, 800);
}

TEST_F(DarvoBassReal, StopFiresAtOnceAndPlayStartsOverFromTheStart) {
    const std::string wav = sounds.wav("sino.wav", 0.8);
    TimedPlayer p(0);
    p.player.LoadFile(wav);
    p.play();
    pumpFor(milliseconds(300));
    p.player.Stop();
    EXPECT_EQ(p.stops, 1);
    EXPECT_EQ(p.player.GetPositionMs(), 0);
    pumpFor(milliseconds(200));
    EXPECT_EQ(p.stops, 1);

    p.stops = 0;
    p.play();
    ASSERT_TRUE(p.waitForStop());
    expectEndNear(p, 800);
}

TEST_F(DarvoBassReal, TwoPlayersOnOneDeviceSoundTogether) {
    const std::string bell = sounds.wav("sino.wav", 1.0);
    const std::string clip = sounds.encoded("hora.mp3", 1.5, "libmp3lame", 880);
    TimedPlayer a(0);
    TimedPlayer b(0); // finds device 0 already open
    a.player.LoadFile(bell);
    b.player.LoadFile(clip);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    a.play();
    b.play();
    ASSERT_TRUE(pumpUntil([&] { return a.stops > 0 && b.stops > 0; }, milliseconds(8000)));
    expectEndNear(a, 1000);
    expectEndNear(b, 1500); // not after the first one: they played together
}

TEST_F(DarvoBassReal, AFileOpenedAheadPlaysWholeAtItsMinuteWhileTheBellBeforeItGoesOn) {
    const std::string before = sounds.wav("antes.wav", 2.0, 550);
    const std::string bell = sounds.wav("sino.wav", 1.0);
    TimedPlayer p(0);
    p.player.LoadFile(before);
    p.play();
    pumpFor(milliseconds(200));

    p.player.Prepare(bell, 300);
    const DWORD ahead = p.player.PreparedChannel.get();
    ASSERT_NE(ahead, 0u);
    EXPECT_NE(ahead, p.player.Channel);
    const int at = p.player.GetPositionMs();
    pumpFor(milliseconds(300));
    EXPECT_TRUE(p.player.IsPlaying());
    EXPECT_GT(p.player.GetPositionMs(), at) << "the bell before stopped at the prepare";
    EXPECT_EQ(p.stops, 0);

    // Its minute, as the scheduler starts it.
    p.player.CloseStream();
    EXPECT_EQ(p.stops, 1);
    p.stops = 0;
    p.player.LoadFile(bell);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    EXPECT_EQ(p.player.Channel, ahead);
    EXPECT_EQ(p.player.PreparedChannel.get(), 0u);
    EXPECT_EQ(p.player.GetLengthMs(), 1000);
    EXPECT_EQ(p.player.GetPositionMs(), 0);
    p.play();
    ASSERT_TRUE(p.waitForStop());
    expectEndNear(p, 1000);
}

TEST_F(DarvoBassReal, SpokenTimeFollowsTheBellFromOnStop) {
    const std::string bell = sounds.wav("sino.wav", 0.5);
    const std::string clip = sounds.wav("07H31M.WAV", 0.4, 550);
    TimedPlayer toque(0);
    TimedPlayer hora(0);
    toque.player.SpeakTimeAfter = 1;
    toque.player.OnStop = [&](AudioPlayer& sender) {
        ++toque.stops;
        if (sender.SpeakTimeAfter == 1) {
            sender.SpeakTimeAfter = 0;
            hora.player.CloseStream();
            hora.player.LoadFile(clip);
            hora.play();
        }
    };
    toque.player.LoadFile(bell);
    const auto start = SteadyClock::now();
    toque.play();
    ASSERT_TRUE(hora.waitForStop());
    const double total = msSince(start);
    EXPECT_EQ(toque.stops, 1);
    EXPECT_GE(total, 900 - kEarlyMs);
    EXPECT_LE(total, 900 + 2 * kLateMs);
}

// ---------------------------------------------------------------- failures

TEST_F(DarvoBassReal, CorruptEmptyFolderAndMissingEachGiveTheirMessage) {
    std::mt19937 random(7);
    std::string noise(64 * 1024, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() & 0xFF);
    expectRefused(sounds.bytes("quebrado.mp3", noise), "Cod:BS41 - Formato não suportado");
    expectRefused(sounds.bytes("vazio.mp3", ""), "Cod:BS41 - Formato não suportado");
    const std::string folder = sounds.path("pasta.mp3");
    std::filesystem::create_directory(folder);
    expectRefused(folder, "Cod:BS41 - Formato não suportado");
    expectRefused(sounds.path("nao-existe.mp3"), "Cod:BS2 - Erro ao Abrir Arquivo");
}

TEST_F(DarvoBassReal, AFailedLoadAfterAGoodOneLeavesThePlayerEmpty) {
    TimedPlayer p(0);
    p.player.LoadFile(sounds.wav("sino.wav", 0.5));
    ASSERT_TRUE(boxes.empty());
    p.player.LoadFile(sounds.path("sumiu.wav"));
    ASSERT_EQ(boxes.size(), 1u);
    p.play();
    EXPECT_FALSE(p.player.IsPlaying());
    pumpFor(milliseconds(200));
    EXPECT_EQ(p.stops, 0);
}

TEST_F(DarvoBassReal, EightBitWavWithoutFloatSamplesIsRefused) {
    const std::string wav = sounds.wav("velho.wav", 0.3, 440, 1, 8);
    TimedPlayer p(0, /*skipFloatTest=*/true);
    p.player.LoadFile(wav);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Erro ao Ler arquivo:" + wav + " Dados <> 16-bits stereo");
    EXPECT_EQ(p.player.GetLengthMs(), 0);
    p.play();
    EXPECT_FALSE(p.player.IsPlaying());
}

TEST_F(DarvoBassReal, EightBitWavPlaysWhenSamplesAreFloat) {
    // The main window's set-up: the float probe passes, so StreamFlags is 256.
    const std::string wav = sounds.wav("velho.wav", 0.3, 440, 1, 8);
    TimedPlayer p(0);
    p.player.LoadFile(wav);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    p.play();
    EXPECT_TRUE(p.player.IsPlaying());
    ASSERT_TRUE(p.waitForStop());
    EXPECT_EQ(p.stops, 1);
    EXPECT_GE(p.stoppedAfterMs, 300 - kEarlyMs);
}

// --------------------------------------------------------------- addresses

TEST_F(DarvoBassReal, AddressPlaysAtOnceAndEndsWithOnStop) {
    LocalHttpServer server(sounds.wav("sino.wav", 0.8));
    TimedPlayer p(0);
    const std::string url = server.url("sino.wav");
    p.started = SteadyClock::now();
    p.player.LoadFile(url);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    EXPECT_TRUE(p.player.IsPlaying());
    const double openMs = msSince(p.started);
    ASSERT_TRUE(p.waitForStop());
    EXPECT_EQ(p.stops, 1);
    EXPECT_GE(p.stoppedAfterMs, 800 - kEarlyMs);
    EXPECT_LE(p.stoppedAfterMs, openMs + 800 + kLateMs);
}

TEST_F(DarvoBassReal, AddressThatCannotBeReachedGivesTheAddressMessage) {
    const std::string url =
        "http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort()) + "/sino.mp3";
    TimedPlayer p(0);
    p.player.LoadFile(url);
    ASSERT_EQ(boxes.size(), 1u);
    const std::string& text = boxes[0].text;
    const std::string head = "Erro ao Carregar URL - ";
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
    EXPECT_EQ(text.substr(text.size() - url.size() - 1), "\r" + url) << text;
    const std::string reason = text.substr(head.size(), text.size() - head.size() - url.size() - 1);
    EXPECT_TRUE(reason == BassErrorText(BASS_ERROR_FILEOPEN) ||
                reason == BassErrorText(BASS_ERROR_NONET) ||
                reason == BassErrorText(BASS_ERROR_TIMEOUT))
        << reason;
    EXPECT_FALSE(p.player.IsPlaying());
    p.play();
    EXPECT_FALSE(p.player.IsPlaying());
    pumpFor(milliseconds(200));
    EXPECT_EQ(p.stops, 0);
}

TEST_F(DarvoBassReal, AddressThatNeverAnswersGivesTheTimeOutMessageSoon) {
    LocalHttpServer server(sounds.wav("sino.wav", 0.8), false);
    const std::string url = server.url("sino.mp3");
    TimedPlayer p(0);
    const auto start = SteadyClock::now();
    p.player.LoadFile(url);
    // It held the player's thread 10 s; a bound no busy machine reaches.
    EXPECT_LT(msSince(start), 5000);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Erro ao Carregar URL - " + BassErrorText(BASS_ERROR_TIMEOUT) + "\r" + url);
    EXPECT_FALSE(p.player.IsPlaying());
}

// ------------------------------------------------------ SDL, long sounds

TEST_F(DarvoBassReal, DeviceOneOnSdlDummyDriver) {
    const std::string wav = sounds.wav("sino.wav", 0.6);
    TimedPlayer p(1);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    p.player.LoadFile(wav);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    p.play();
    ASSERT_TRUE(p.waitForStop());
    expectEndNear(p, 600);
}

TEST_F(DarvoBassReal, TenMinuteMp3PlaysWithBoundedMemory) {
    const std::string mp3 = sounds.encoded("longo.mp3", 600, "libmp3lame");
    const long before = residentKiB();
    TimedPlayer p(0);
    p.player.LoadFile(mp3);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    EXPECT_NEAR(p.player.GetLengthMs(), 600000, 200);
    p.play();
    pumpFor(milliseconds(1500));
    EXPECT_TRUE(p.player.IsPlaying());
    const long grown = residentKiB() - before;
    // The whole file decoded would be over 100 MB.
    EXPECT_LT(grown, 32 * 1024) << "resident memory grew by " << grown << " KiB";
    p.player.Stop();
    EXPECT_EQ(p.stops, 1);
}

} // namespace
} // namespace sonterra

int main(int argc, char** argv) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1); // no sound card here
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
