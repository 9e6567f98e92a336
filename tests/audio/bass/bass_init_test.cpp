// Device opening and the errors before and around it. Each test starts from a
// process where nothing is open yet (ctest runs every test in a process of its own).

#include "audio/bass/bass.h"
#include "audio/bass/bass_stats.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

namespace {

TEST(BassInit, VersionIsTheOneThePlayerWasWrittenFor) {
    EXPECT_EQ(BASS_GetVersion() >> 16, 0x0203u);
}

TEST(BassInit, NothingWorksBeforeADeviceIsOpenedThenDeviceZeroOpensOnce) {
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "/nonexistent.wav", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_EQ(BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_EQ(BASS_WMA_StreamCreateFile(FALSE, "/nonexistent.wma", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_SetDevice(0));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);

    EXPECT_FALSE(BASS_Init(-7, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);

    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
    EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);

    EXPECT_TRUE(BASS_SetDevice(0));
    const HSTREAM probe = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, nullptr, nullptr);
    EXPECT_NE(probe, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(probe), 0u); // never played
    EXPECT_TRUE(BASS_StreamFree(probe));

    DWORD rate = 0, period = 0;
    EXPECT_TRUE(BASSX_DeviceFormat(0, &rate, &period));
    EXPECT_EQ(rate, 44100u);
    EXPECT_GT(period, 0u);
    EXPECT_FALSE(BASSX_DeviceFormat(1, &rate, &period));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

TEST(BassInit, ErrorCodeBelongsToTheCallingThread) {
    EXPECT_FALSE(BASS_Init(-7, 44100, 0, nullptr, nullptr));
    int other = -1;
    std::thread([&] {
        BASS_GetVersion();
        other = BASS_ErrorGetCode();
    }).join();
    EXPECT_EQ(other, BASS_OK);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

TEST(BassInit, SdlOutputsNoDriverBadNumberAndDefault) {
    sonterra::test::SetEnvironment("SDL_AUDIODRIVER", "no-such-driver");
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);

    sonterra::test::SetEnvironment("SDL_AUDIODRIVER", "dummy");
    EXPECT_FALSE(BASS_Init(99, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    // The default output that failed at its init is tried again when it is
    // next selected: now a driver answers, so it opens.
    EXPECT_TRUE(BASS_SetDevice(1));
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_TRUE(BASS_SetDevice(1));
    const HSTREAM probe = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, nullptr, nullptr);
    EXPECT_NE(probe, 0u);
    EXPECT_TRUE(BASS_StreamFree(probe));
}

TEST(BassInit, NewStreamsGoToTheDeviceThisThreadSelected) {
    sonterra::test::SetEnvironment("SDL_AUDIODRIVER", "dummy");
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr) ||
                BASS_ErrorGetCode() == BASS_ERROR_ALREADY);
    ASSERT_TRUE(BASS_Init(1, 48000, 0, nullptr, nullptr) ||
                BASS_ErrorGetCode() == BASS_ERROR_ALREADY);
    DWORD rate1 = 0;
    ASSERT_TRUE(BASSX_DeviceFormat(1, &rate1, nullptr));

    // A stream's ring is sized in its device's frames, which tells the devices apart.
    ASSERT_TRUE(BASS_SetConfig(BASS_CONFIG_BUFFER, 1000));
    ASSERT_TRUE(BASS_SetDevice(0));
    const HSTREAM on0 = BASS_StreamCreate(44100, 2, 0, nullptr, nullptr);
    ASSERT_TRUE(BASS_SetDevice(1));
    const HSTREAM on1 = BASS_StreamCreate(44100, 2, 0, nullptr, nullptr);
    EXPECT_EQ(BASSX_ChannelRingBytes(on0), 44100u * 8);
    EXPECT_EQ(BASSX_ChannelRingBytes(on1), rate1 * 8);

    // Another thread that never chose keeps to the last device opened; its
    // choice does not change this thread's.
    HSTREAM other = 0;
    std::thread([&] {
        BASS_SetDevice(0);
        other = BASS_StreamCreate(44100, 2, 0, nullptr, nullptr);
    }).join();
    EXPECT_EQ(BASSX_ChannelRingBytes(other), 44100u * 8);
    const HSTREAM again = BASS_StreamCreate(44100, 2, 0, nullptr, nullptr);
    EXPECT_EQ(BASSX_ChannelRingBytes(again), rate1 * 8);
    for (HSTREAM h : {on0, on1, other, again})
        EXPECT_TRUE(BASS_StreamFree(h));
}

TEST(BassInit, DeviceDescriptions) {
    EXPECT_EQ(std::string(BASS_GetDeviceDescription(0)), "Sem som");
    EXPECT_EQ(std::string(BASS_GetDeviceDescription(1)), "Saída padrão");
    EXPECT_EQ(BASS_GetDeviceDescription(-5), nullptr);
    sonterra::test::SetEnvironment("SDL_AUDIODRIVER", "dummy");
    EXPECT_EQ(BASS_GetDeviceDescription(500), nullptr);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

} // namespace
