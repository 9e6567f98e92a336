// Playback on device 0, which consumes sound at real-time pace: ends, positions,
// stop and continue, rewind, several channels, freeing while the mixer runs,
// and the memory a long file costs. Time bounds are wide enough for a busy
// machine and narrow enough to catch a sound that ends at once or never.

#include "audio/bass/bass.h"
#include "audio/bass/bass_stats.h"
#include "tests/audio/bass/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

using namespace sonterra::test;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// Polls until the channel is inactive; checks on the way that the position
// never passes the length and never goes back. Returns the seconds waited.
double waitForEnd(HSTREAM h, double limit_s = 5.0) {
    const auto start = Clock::now();
    const QWORD length = BASS_ChannelGetLength(h);
    QWORD last = 0;
    while (BASS_ChannelIsActive(h) != 0 && secondsSince(start) < limit_s) {
        const QWORD pos = BASS_ChannelGetPosition(h);
        EXPECT_LE(pos, length);
        EXPECT_GE(pos, last);
        last = pos;
        std::this_thread::sleep_for(2ms);
    }
    return secondsSince(start);
}

double positionSeconds(HSTREAM h) {
    return BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h));
}

class BassPlayback : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        openNoSoundDevice();
        sounds();
    }
    void SetUp() override { BASS_SetDevice(0); }

    static HSTREAM open(const std::string& path, DWORD flags = BASS_SAMPLE_FLOAT) {
        return BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, flags);
    }
};

TEST_F(BassPlayback, HalfSecondSoundEndsAfterHalfASecondAtItsLength) {
    for (const std::string& path : {sounds().wav16, sounds().mp3}) {
        SCOPED_TRACE(path);
        const HSTREAM h = open(path);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
        EXPECT_EQ(BASS_ChannelIsActive(h), 1u);
        const double took = waitForEnd(h);
        EXPECT_GE(took, 0.45);
        EXPECT_LE(took, 1.5);
        EXPECT_EQ(BASS_ChannelGetPosition(h), BASS_ChannelGetLength(h));
        EXPECT_EQ(BASS_ChannelIsActive(h), 0u);
        BASS_StreamFree(h);
    }
}

TEST_F(BassPlayback, PlayReachesTheMixerAtOnce) {
    const HSTREAM h = open(sounds().wav16_1s);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASSX_ChannelFirstOutputNs(h), 0u);
    const auto before = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
            .count());
    BASS_ChannelPlay(h, FALSE);
    std::this_thread::sleep_for(100ms);
    const std::uint64_t first = BASSX_ChannelFirstOutputNs(h);
    ASSERT_NE(first, 0u);
    EXPECT_GE(first, before);
    EXPECT_LT(first - before, 100'000'000u);
    BASS_StreamFree(h);
}

TEST_F(BassPlayback, StopKeepsThePositionAndPlayContinuesFromIt) {
    const HSTREAM h = open(sounds().wav16_1s);
    ASSERT_NE(h, 0u);
    BASS_ChannelPlay(h, FALSE);
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(BASS_ChannelStop(h));
    EXPECT_EQ(BASS_ChannelIsActive(h), 0u);
    const double stopped_at = positionSeconds(h);
    EXPECT_GT(stopped_at, 0.2);
    EXPECT_LT(stopped_at, 0.6);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(positionSeconds(h), stopped_at);

    const auto resumed = Clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    waitForEnd(h);
    const double rest = secondsSince(resumed);
    EXPECT_GT(rest, (1.0 - stopped_at) - 0.06);
    EXPECT_LT(rest, (1.0 - stopped_at) + 0.5);
    BASS_StreamFree(h);
}

TEST_F(BassPlayback, RewindPlaysTheWholeSoundAgain) {
    const HSTREAM h = open(sounds().mp3);
    ASSERT_NE(h, 0u);
    BASS_ChannelPlay(h, FALSE);
    waitForEnd(h);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 0));
    EXPECT_EQ(BASS_ChannelGetPosition(h), 0u);
    EXPECT_EQ(BASS_ChannelIsActive(h), 0u);
    BASS_ChannelPlay(h, FALSE);
    const double again = waitForEnd(h);
    EXPECT_GE(again, 0.45);
    EXPECT_LE(again, 1.5);

    // Play with restart goes back to the start by itself.
    BASS_ChannelPlay(h, TRUE);
    EXPECT_EQ(BASS_ChannelIsActive(h), 1u);
    EXPECT_GE(waitForEnd(h), 0.45);

    // Played to its end, Play without a rewind starts it from the start: the
    // player's LoopPlayback relies on it.
    BASS_ChannelPlay(h, FALSE);
    EXPECT_EQ(BASS_ChannelIsActive(h), 1u);
    EXPECT_LT(BASS_ChannelGetPosition(h), QWORD{44100});
    EXPECT_GE(waitForEnd(h), 0.45);
    BASS_StreamFree(h);
}

TEST_F(BassPlayback, SeekToTheMiddleLeavesTheRest) {
    const HSTREAM h = open(sounds().wav16_1s, 0);
    ASSERT_NE(h, 0u);
    const QWORD half = BASS_ChannelGetLength(h) / 2;
    ASSERT_TRUE(BASS_ChannelSetPosition(h, half));
    EXPECT_EQ(BASS_ChannelGetPosition(h), half);
    BASS_ChannelPlay(h, FALSE);
    const double took = waitForEnd(h);
    EXPECT_GE(took, 0.45);
    EXPECT_LE(took, 1.2);
    EXPECT_FALSE(BASS_ChannelSetPosition(h, BASS_ChannelGetLength(h) + 4000));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
    BASS_StreamFree(h);
}

TEST_F(BassPlayback, DoubledFrequencyPlaysTwiceAsFast) {
    const HSTREAM h = open(sounds().wav16_1s);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, 88200, 100, 0));
    BASS_ChannelPlay(h, FALSE);
    const double took = waitForEnd(h);
    EXPECT_GE(took, 0.45);
    EXPECT_LE(took, 0.9);
    EXPECT_EQ(BASS_ChannelGetPosition(h), BASS_ChannelGetLength(h));
    BASS_StreamFree(h);
}

TEST_F(BassPlayback, TwoChannelsPlayTogether) {
    const HSTREAM a = open(sounds().wav16);
    const HSTREAM b = open(sounds().wav16_1s);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    const auto start = Clock::now();
    BASS_ChannelPlay(a, FALSE);
    BASS_ChannelPlay(b, FALSE);
    waitForEnd(a);
    const double a_end = secondsSince(start);
    EXPECT_EQ(BASS_ChannelIsActive(b), 1u);
    waitForEnd(b);
    const double b_end = secondsSince(start);
    EXPECT_GE(a_end, 0.45);
    EXPECT_LE(a_end, 1.5);
    EXPECT_GE(b_end, 0.95);
    EXPECT_LE(b_end, 2.0);
    BASS_StreamFree(a);
    BASS_StreamFree(b);
}

TEST_F(BassPlayback, FreeingWhileTheMixerRunsIsSafe) {
    for (int i = 0; i < 40; ++i) {
        const HSTREAM h = open(i % 2 ? sounds().mp3 : sounds().wav16);
        ASSERT_NE(h, 0u);
        BASS_ChannelPlay(h, FALSE);
        std::this_thread::sleep_for(std::chrono::microseconds(500 * (i % 7)));
        ASSERT_TRUE(BASS_StreamFree(h));
        EXPECT_EQ(BASS_ChannelIsActive(h), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    }
}

TEST_F(BassPlayback, CallsFromSeveralThreadsAtOnce) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            BASS_SetDevice(0);
            for (int i = 0; i < 10; ++i) {
                const HSTREAM h = BASS_StreamCreateFile(FALSE, sounds().wav16.c_str(), 0, 0, 0);
                EXPECT_NE(h, 0u);
                BASS_ChannelPlay(h, FALSE);
                std::this_thread::sleep_for(std::chrono::milliseconds(t + i % 3));
                BASS_ChannelGetPosition(h);
                BASS_ChannelSetPosition(h, 0);
                BASS_ChannelStop(h);
                BASS_StreamFree(h);
            }
        });
    }
    for (auto& th : threads)
        th.join();
}

// Hands out `remaining` bytes of silence, then ends the stream.
DWORD finiteSilence(HSTREAM, void* buffer, DWORD length, void* user) {
    auto* remaining = static_cast<DWORD*>(user);
    const DWORD n = std::min(length, *remaining);
    std::memset(buffer, 0, n);
    *remaining -= n;
    return *remaining == 0 ? n | 0x80000000u : n;
}

TEST_F(BassPlayback, StreamProcedureFeedsTheChannelUntilItEndsIt) {
    DWORD remaining = 44100 * 4 * 3 / 10; // 0.3 s of 16-bit stereo
    const HSTREAM h = BASS_StreamCreate(44100, 2, 0, &finiteSilence, &remaining);
    ASSERT_NE(h, 0u);
    BASS_ChannelPlay(h, FALSE);
    const double took = waitForEnd(h);
    EXPECT_GE(took, 0.25);
    EXPECT_LE(took, 1.2);
    EXPECT_EQ(remaining, 0u);
    EXPECT_NEAR(positionSeconds(h), 0.3, 0.01);
    BASS_StreamFree(h);
}

TEST_F(BassPlayback, TenMinuteMp3PlaysWithBoundedMemory) {
    TemporaryFolder dir("sonterra-bass");
    const std::string path = dir / "long.mp3";
    ASSERT_TRUE(encodeSine(path, 440, 600, 22050, 1, "-c:a libmp3lame -b:a 32k"));
    BASS_SetConfig(BASS_CONFIG_BUFFER, 3000);
    const long rss_before = rssKb();
    const HSTREAM h = open(path);
    ASSERT_NE(h, 0u);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h)), 600.0, 0.1);
    BASS_ChannelPlay(h, FALSE);
    std::this_thread::sleep_for(1500ms);
    const long rss_after = rssKb();
    EXPECT_GT(positionSeconds(h), 1.0);
    EXPECT_EQ(BASS_ChannelIsActive(h), 1u);
    // 3 s ahead at the device rate, stereo float: about 1 MB; the whole file decoded would be 200
    // MB.
    EXPECT_LE(BASSX_ChannelRingBytes(h), 3u * 48000 * 8);
    EXPECT_LT(rss_after - rss_before, 16 * 1024) << "kB grown while playing";
    BASS_StreamFree(h);
    BASS_SetConfig(BASS_CONFIG_BUFFER, 500);
}

} // namespace
