// What really leaves an SDL output: device 1 on SDL's disk driver, which writes
// the mixed stereo float stream to a file at real-time pace. The file is then
// analysed: the tone's frequency is there, two tones sum, volume and pan act.

#include "audio/bass/bass.h"
#include "audio/bass/bass_stats.h"
#include "tests/audio/bass/test_support.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <utility>

namespace {

using namespace sonterra::test;
using namespace std::chrono_literals;

class BassOutput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sounds();
        dir_ = std::make_unique<TemporaryFolder>("sonterra-bass");
        disk_file_ = *dir_ / "output.raw";
        sonterra::test::SetEnvironment("SDL_AUDIODRIVER", "disk");
        sonterra::test::SetEnvironment("SDL_DISKAUDIOFILE", disk_file_.c_str());
        ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
        ASSERT_TRUE(BASSX_DeviceFormat(1, &rate_, nullptr));
    }
    static void TearDownTestSuite() { dir_.reset(); }
    void SetUp() override { BASS_SetDevice(1); }

    static std::uintmax_t outputSize() {
        std::error_code ec;
        const auto size = std::filesystem::file_size(disk_file_, ec);
        return ec ? 0 : size - size % 8;
    }

    // Plays the channels together and returns what came out, trimmed to the sound.
    static Stereo playAndRecord(std::initializer_list<HSTREAM> channels) {
        const std::uintmax_t offset = outputSize();
        for (HSTREAM h : channels)
            EXPECT_TRUE(BASS_ChannelPlay(h, FALSE));
        for (HSTREAM h : channels) {
            for (int i = 0; i < 300 && BASS_ChannelIsActive(h) != 0; ++i)
                std::this_thread::sleep_for(10ms);
            EXPECT_EQ(BASS_ChannelIsActive(h), 0u);
        }
        std::this_thread::sleep_for(300ms); // the driver writes through a stdio buffer
        return audible(readStereoF32(disk_file_, offset));
    }

    static HSTREAM open(const std::string& path) {
        return BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
    }

    static inline std::unique_ptr<TemporaryFolder> dir_;
    static inline std::string disk_file_;
    static inline DWORD rate_ = 0;
};

TEST_F(BassOutput, TheToneComesOutWholeAndAtItsFrequency) {
    // The ffmpeg command's sine is 1/8 full scale, and its mono-to-stereo step lowers it by 3 dB.
    const double encoded_rms = 0.125 / 2.0;
    for (auto [path, expected_rms] :
         {std::pair{sounds().wav16, 0.5 / std::sqrt(2.0)}, std::pair{sounds().mp3, encoded_rms},
          std::pair{sounds().wma, encoded_rms}}) {
        SCOPED_TRACE(path);
        const HSTREAM h = open(path);
        ASSERT_NE(h, 0u);
        const Stereo out = playAndRecord({h});
        const double seconds = static_cast<double>(out.left.size()) / rate_;
        EXPECT_NEAR(seconds, 0.5, 0.05);
        EXPECT_GT(toneShare(out.left, static_cast<int>(rate_), 440), 0.9);
        EXPECT_GT(toneShare(out.right, static_cast<int>(rate_), 440), 0.9);
        EXPECT_LT(toneShare(out.left, static_cast<int>(rate_), 1000), 0.02);
        EXPECT_NEAR(rms(out.left), expected_rms, expected_rms * 0.1);
        BASS_StreamFree(h);
    }
}

TEST_F(BassOutput, MonoEightBitAndOtherRatesAreResampledToTheOutput) {
    // 48000 Hz mono 16-bit at 1000 Hz; 22050 Hz mono 8-bit at 440 Hz.
    for (auto [path, hz] :
         {std::pair{sounds().wav_mono, 1000.0}, std::pair{sounds().wav8, 440.0}}) {
        SCOPED_TRACE(path);
        const HSTREAM h = open(path);
        ASSERT_NE(h, 0u);
        const Stereo out = playAndRecord({h});
        EXPECT_NEAR(static_cast<double>(out.left.size()) / rate_, 0.5, 0.05);
        EXPECT_GT(toneShare(out.left, static_cast<int>(rate_), hz), 0.9);
        EXPECT_GT(toneShare(out.right, static_cast<int>(rate_), hz), 0.9);
        EXPECT_NEAR(rms(out.left), 0.5 / std::sqrt(2.0), 0.03); // full level on both sides
        EXPECT_NEAR(rms(out.left), rms(out.right), 0.01);
        BASS_StreamFree(h);
    }
}

TEST_F(BassOutput, TwoChannelsSum) {
    const HSTREAM a = open(sounds().wav16);
    const HSTREAM b = open(sounds().wav_1000);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    const Stereo out = playAndRecord({a, b});
    EXPECT_NEAR(static_cast<double>(out.left.size()) / rate_, 0.5, 0.05);
    const double share440 = toneShare(out.left, static_cast<int>(rate_), 440);
    const double share1000 = toneShare(out.left, static_cast<int>(rate_), 1000);
    EXPECT_NEAR(share440, 0.5, 0.1);
    EXPECT_NEAR(share1000, 0.5, 0.1);
    EXPECT_NEAR(rms(out.left), 0.5, 0.06); // two sines of 0.5: sqrt(2 * 0.125)
    BASS_StreamFree(a);
    BASS_StreamFree(b);
}

TEST_F(BassOutput, VolumeScalesAndZeroIsSilent) {
    const HSTREAM h = open(sounds().wav16);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, 44100, 0, 0));
    const std::uintmax_t offset = outputSize();
    BASS_ChannelPlay(h, FALSE);
    for (int i = 0; i < 300 && BASS_ChannelIsActive(h) != 0; ++i)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(audible(readStereoF32(disk_file_, offset)).left.empty());

    ASSERT_TRUE(BASS_ChannelSetAttributes(h, 44100, 50, 0));
    BASS_ChannelSetPosition(h, 0);
    const Stereo half = playAndRecord({h});
    EXPECT_NEAR(rms(half.left), 0.25 / std::sqrt(2.0), 0.03);
    EXPECT_NEAR(rms(half.right), 0.25 / std::sqrt(2.0), 0.03);
    BASS_StreamFree(h);
}

TEST_F(BassOutput, PanMovesTheSoundBetweenSides) {
    const HSTREAM h = open(sounds().wav16);
    ASSERT_NE(h, 0u);
    struct Case {
        int pan;
        double left, right; // expected gains
    };
    for (const Case& c : {Case{-100, 1.0, 0.0}, Case{100, 0.0, 1.0}, Case{-50, 1.0, 0.5}}) {
        SCOPED_TRACE(c.pan);
        ASSERT_TRUE(BASS_ChannelSetAttributes(h, 44100, 100, c.pan));
        BASS_ChannelSetPosition(h, 0);
        const Stereo out = playAndRecord({h});
        const double full = 0.5 / std::sqrt(2.0);
        EXPECT_NEAR(rms(out.left), full * c.left, 0.03);
        EXPECT_NEAR(rms(out.right), full * c.right, 0.03);
    }
    BASS_StreamFree(h);
}

TEST_F(BassOutput, AStreamOpenedAheadComesOutWholeFromItsStartAfterAnotherPlayedMeanwhile) {
    const HSTREAM ahead = open(sounds().wav_1000);
    ASSERT_NE(ahead, 0u);
    std::this_thread::sleep_for(200ms); // its decoder fills what it may
    const HSTREAM now = open(sounds().wav16);
    ASSERT_NE(now, 0u);
    const Stereo first = playAndRecord({now});
    EXPECT_NEAR(static_cast<double>(first.left.size()) / rate_, 0.5, 0.05);
    EXPECT_LT(toneShare(first.left, static_cast<int>(rate_), 1000), 0.02)
        << "heard before its time";
    BASS_StreamFree(now);

    ASSERT_TRUE(BASSX_StreamFileUnchanged(ahead, sounds().wav_1000.c_str()));
    const Stereo out = playAndRecord({ahead});
    // The tone starts at its first sample and is 22050 frames long.
    EXPECT_NEAR(static_cast<double>(out.left.size()) / rate_, 0.5, 0.002);
    EXPECT_GT(toneShare(out.left, static_cast<int>(rate_), 1000), 0.9);
    BASS_StreamFree(ahead);
}

} // namespace

// One line pasted many times at one minute: each copy is started and closed
// at once, and only the last is heard, whole, from its first sample.
TEST_F(BassOutput, AFileStartedAndClosedManyTimesComesOutOnceWholeFromItsStart) {
    HSTREAM h = 0;
    for (int i = 0; i < 200; ++i) {
        const HSTREAM freed = h;
        h = open(sounds().wav_1000);
        ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
        ASSERT_NE(h, freed) << "a freed handle must stay dead";
        if (i == 199)
            break;
        ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
        ASSERT_TRUE(BASS_ChannelStop(h));
        ASSERT_TRUE(BASS_ChannelSetPosition(h, 0));
        ASSERT_TRUE(BASS_StreamFree(h));
        EXPECT_FALSE(BASS_ChannelPlay(h, FALSE));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    }
    const Stereo out = playAndRecord({h});
    EXPECT_NEAR(static_cast<double>(out.left.size()) / rate_, 0.5, 0.02);
    EXPECT_GT(toneShare(out.left, static_cast<int>(rate_), 1000), 0.9);
    BASS_StreamFree(h);
}
