// Opening files: error codes, the information record, lengths, attributes,
// effect records and handles, on device 0 with real decoding.

#include "audio/bass/bass.h"
#include "audio/bass/bass_stats.h"
#include "audio/bass/format_pick.h"
#include "tests/audio/bass/test_support.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>
#include <vector>

namespace {

using namespace sonterra::test;

class BassDecode : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        openNoSoundDevice();
        sounds();
    }
    void SetUp() override { BASS_SetDevice(0); }

    static HSTREAM open(const std::string& path, DWORD flags = 0) {
        return BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, flags);
    }
};

TEST_F(BassDecode, FilesThatCannotBeOpenedOrDecodedGiveTheirCodes) {
    struct Case {
        std::string path;
        int code;
    };
    const Sounds& s = sounds();
    for (const Case& c :
         {Case{s.missing, BASS_ERROR_FILEOPEN}, Case{s.folder, BASS_ERROR_FILEFORM},
          Case{s.empty, BASS_ERROR_FILEFORM}, Case{s.random_mp3, BASS_ERROR_FILEFORM},
          Case{s.text_wav, BASS_ERROR_FILEFORM}}) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(open(c.path), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), c.code);
        EXPECT_EQ(BASS_WMA_StreamCreateFile(FALSE, c.path.c_str(), 0, 0, BASS_SAMPLE_FLOAT), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), c.code);
    }
}

TEST_F(BassDecode, LocalNamesWithColonsAndOddCharactersAreFiles) {
    TemporaryFolder dir("sonterra-bass");
    for (const std::string name :
         {"sino:toque.wav", "http:sino.wav", "concat:a.wav", "Sinal das 07h30 (ação).wav"}) {
        SCOPED_TRACE(name);
        const std::string path = dir / name;
        writeWav(path, Tone{});
        const HSTREAM h = open(path);
        EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
        BASS_StreamFree(h);
    }
    // Relative to the current folder, as the player's C:SINO.MP3 style names end up.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const HSTREAM h = open("sino:toque.wav");
    EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
    BASS_StreamFree(h);
    std::filesystem::current_path(cwd);
}

TEST_F(BassDecode, UnreadableFileGivesFileOpen) {
    if (!sonterra::test::ReadPermissionBinds())
        GTEST_SKIP() << "this process reads a file without read permission";
    TemporaryFolder dir("sonterra-bass");
    const std::string path = dir / "locked.wav";
    writeWav(path, Tone{});
    std::filesystem::permissions(path, std::filesystem::perms::none);
    EXPECT_EQ(open(path), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
}

TEST_F(BassDecode, UnknownAndFreedHandlesGiveHandleErrorOnEveryCall) {
    const HSTREAM freed = open(sounds().wav16);
    ASSERT_NE(freed, 0u);
    ASSERT_TRUE(BASS_StreamFree(freed));
    for (DWORD h : {freed, DWORD{0}, DWORD{0xDEADBEEF}}) {
        SCOPED_TRACE(h);
        BASS_CHANNELINFO info{};
        int f = 0, v = 0, p = 0;
        BASS_FX_DSPPARAMS params{};
        const auto expectHandleError = [] { EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE); };
        EXPECT_FALSE(BASS_StreamFree(h));
        expectHandleError();
        EXPECT_FALSE(BASS_ChannelPlay(h, FALSE));
        expectHandleError();
        EXPECT_FALSE(BASS_ChannelStop(h));
        expectHandleError();
        EXPECT_EQ(BASS_ChannelIsActive(h), 0u);
        expectHandleError();
        EXPECT_FALSE(BASS_ChannelGetInfo(h, &info));
        expectHandleError();
        EXPECT_FALSE(BASS_ChannelGetAttributes(h, &f, &v, &p));
        expectHandleError();
        EXPECT_FALSE(BASS_ChannelSetAttributes(h, 44100, 100, 0));
        expectHandleError();
        BASS_ChannelGetLength(h);
        expectHandleError();
        BASS_ChannelGetPosition(h);
        expectHandleError();
        EXPECT_FALSE(BASS_ChannelSetPosition(h, 0));
        expectHandleError();
        BASS_ChannelBytes2Seconds(h, 100);
        expectHandleError();
        EXPECT_FALSE(BASS_FX_DSP_Set(h, 16, 1));
        expectHandleError();
        EXPECT_FALSE(BASS_FX_DSP_Remove(h, 16));
        expectHandleError();
        EXPECT_FALSE(BASS_FX_DSP_GetParameters(h, 16, &params));
        expectHandleError();
        EXPECT_FALSE(BASS_FX_DSP_SetParameters(h, 16, &params));
        expectHandleError();
    }
}

TEST_F(BassDecode, HandlesAreNotReused) {
    const HSTREAM a = open(sounds().wav16);
    ASSERT_NE(a, 0u);
    BASS_StreamFree(a);
    const HSTREAM b = open(sounds().wav16);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(BASS_ChannelIsActive(a), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    BASS_StreamFree(b);
}

TEST_F(BassDecode, EveryFormatOpensThroughBothFunctionsWithItsInformation) {
    struct Case {
        std::string path;
        DWORD freq, chans;
        bool eight_bit;
    };
    const Sounds& s = sounds();
    for (const Case& c : {Case{s.wav16, 44100, 2, false}, Case{s.wav8, 22050, 1, true},
                          Case{s.wav_mono, 48000, 1, false}, Case{s.mp3, 44100, 2, false},
                          Case{s.wma, 44100, 2, false}, Case{s.ogg, 44100, 2, false},
                          Case{s.flac, 44100, 2, false}}) {
        for (DWORD flags : {DWORD{0}, DWORD{BASS_SAMPLE_FLOAT}}) {
            for (bool wma : {false, true}) {
                SCOPED_TRACE(c.path + (wma ? " via WMA" : "") + (flags ? " float" : ""));
                const HSTREAM h =
                    wma ? BASS_WMA_StreamCreateFile(FALSE, c.path.c_str(), 0, 0, flags)
                        : open(c.path, flags);
                ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
                EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
                BASS_CHANNELINFO info{};
                ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
                EXPECT_EQ(info.freq, c.freq);
                EXPECT_EQ(info.chans, c.chans);
                EXPECT_EQ((info.flags & BASS_SAMPLE_8BITS) != 0, c.eight_bit && flags == 0);
                EXPECT_EQ(info.flags & BASS_SAMPLE_FLOAT, flags);
                EXPECT_EQ((info.flags & BASS_SAMPLE_MONO) != 0, c.chans == 1);
                EXPECT_EQ(BASS_ChannelIsActive(h), 0u);
                EXPECT_EQ(BASS_ChannelGetPosition(h), 0u);
                EXPECT_TRUE(BASS_StreamFree(h));
            }
        }
    }
}

TEST_F(BassDecode, WavLengthIsExactInTheStreamsByteUnits) {
    const Sounds& s = sounds();
    // 0.5 s at 44100 Hz = 22050 frames; 2 channels of 16-bit or float samples.
    for (DWORD flags : {DWORD{0}, DWORD{BASS_SAMPLE_FLOAT}}) {
        const HSTREAM h = open(s.wav16, flags);
        ASSERT_NE(h, 0u);
        const QWORD frame = flags ? 8 : 4;
        const QWORD length = BASS_ChannelGetLength(h);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
        EXPECT_NEAR(static_cast<double>(length), 22050.0 * frame, static_cast<double>(frame));
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, length), 0.5, 1.0 / 44100);
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, 44100 * frame), 1.0, 1e-6);
        BASS_StreamFree(h);
    }
    // Mono 8-bit at 22050 Hz, delivered as 16-bit: 11025 frames of 2 bytes.
    const HSTREAM h8 = open(s.wav8);
    ASSERT_NE(h8, 0u);
    EXPECT_NEAR(static_cast<double>(BASS_ChannelGetLength(h8)), 11025.0 * 2, 2.0);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(h8, BASS_ChannelGetLength(h8)), 0.5, 1.0 / 22050);
    BASS_StreamFree(h8);
}

TEST_F(BassDecode, CompressedLengthsMatchTheirDuration) {
    const Sounds& s = sounds();
    for (const std::string& path : {s.mp3, s.ogg, s.flac, s.wma}) {
        SCOPED_TRACE(path);
        const HSTREAM h = open(path, BASS_SAMPLE_FLOAT);
        ASSERT_NE(h, 0u);
        const QWORD length = BASS_ChannelGetLength(h);
        // Within one MP3 frame (1152 samples) plus a WMA block's padding.
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, length), 0.5, 0.05);
        BASS_StreamFree(h);
    }
}

TEST_F(BassDecode, AttributesStartAtTheSourceAndRefuseNonsense) {
    const HSTREAM h = open(sounds().wav_mono);
    ASSERT_NE(h, 0u);
    int f = 0, v = 0, p = 7;
    ASSERT_TRUE(BASS_ChannelGetAttributes(h, &f, &v, &p));
    EXPECT_EQ(f, 48000);
    EXPECT_EQ(v, 100);
    EXPECT_EQ(p, 0);

    EXPECT_TRUE(BASS_ChannelSetAttributes(h, 48000, 35, -60));
    ASSERT_TRUE(BASS_ChannelGetAttributes(h, &f, &v, &p));
    EXPECT_EQ(v, 35);
    EXPECT_EQ(p, -60);

    for (auto [ff, vv, pp] :
         {std::tuple{48000, 101, 0}, std::tuple{48000, -1, 0}, std::tuple{48000, 50, 101},
          std::tuple{48000, 50, -101}, std::tuple{5, 50, 0}, std::tuple{1000000, 50, 0}}) {
        EXPECT_FALSE(BASS_ChannelSetAttributes(h, ff, vv, pp));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    }
    ASSERT_TRUE(BASS_ChannelGetAttributes(h, &f, &v, &p));
    EXPECT_EQ(f, 48000);
    EXPECT_EQ(v, 35);
    EXPECT_EQ(p, -60);

    EXPECT_TRUE(BASS_ChannelSetAttributes(h, 24000, 35, -60));
    ASSERT_TRUE(BASS_ChannelGetAttributes(h, &f, &v, &p));
    EXPECT_EQ(f, 24000);
    BASS_StreamFree(h);
}

TEST_F(BassDecode, EffectRecordsAreKeptPerChannelAndEffect) {
    const HSTREAM h = open(sounds().wav16);
    ASSERT_NE(h, 0u);
    BASS_FX_DSPPARAMS params{1.0f, 1.0f, 1.0f, 7};
    EXPECT_TRUE(BASS_FX_DSP_Set(h, 16, 1));
    ASSERT_TRUE(BASS_FX_DSP_GetParameters(h, 16, &params));
    EXPECT_EQ(params.p1, 0.0f);
    EXPECT_EQ(params.p2, 0.0f);
    EXPECT_EQ(params.p3, 0.0f);
    EXPECT_EQ(params.reserved, 0u);
    EXPECT_TRUE(BASS_FX_DSP_Set(h, 16, 0));

    params = {0.25f, 2.2f, 400.0f, 9};
    EXPECT_TRUE(BASS_FX_DSP_SetParameters(h, 16, &params));
    BASS_FX_DSPPARAMS back{};
    ASSERT_TRUE(BASS_FX_DSP_GetParameters(h, 16, &back));
    EXPECT_EQ(std::memcmp(&back, &params, sizeof params), 0);
    BASS_FX_DSPPARAMS other{1, 1, 1, 1};
    ASSERT_TRUE(BASS_FX_DSP_GetParameters(h, 5, &other));
    EXPECT_EQ(other.p1, 0.0f);
    EXPECT_TRUE(BASS_FX_DSP_Remove(h, 16));
    EXPECT_TRUE(BASS_FX_DSP_Remove(h, 5));
    EXPECT_FALSE(BASS_FX_DSP_Set(h, 3, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
    BASS_StreamFree(h);
}

TEST_F(BassDecode, BufferOptionBoundsWhatAChannelHoldsAhead) {
    DWORD rate = 0;
    ASSERT_TRUE(BASSX_DeviceFormat(0, &rate, nullptr));
    for (DWORD ms : {500u, 3000u}) {
        ASSERT_TRUE(BASS_SetConfig(BASS_CONFIG_BUFFER, ms));
        const HSTREAM h = open(sounds().wav16);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(BASSX_ChannelRingBytes(h), rate * ms / 1000 * 2 * sizeof(float));
        BASS_StreamFree(h);
    }
    EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, 0));
    EXPECT_TRUE(BASS_Update());
    EXPECT_FALSE(BASS_SetConfig(77, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
    BASS_SetConfig(BASS_CONFIG_BUFFER, 500);
}

TEST_F(BassDecode, AStreamServesALoadOfItsFileOnlyWhileTheFileIsUnchangedAndItUnplayed) {
    TemporaryFolder dir("sonterra-bass");
    const std::string path = dir / "sino.wav";
    writeWav(path, Tone{});
    const auto unchanged = [&](HSTREAM h) { return BASSX_StreamFileUnchanged(h, path.c_str()); };

    HSTREAM h = open(path);
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(unchanged(h));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
    EXPECT_FALSE(BASSX_StreamFileUnchanged(h, (dir / "outro.wav").c_str()));
    EXPECT_FALSE(BASSX_StreamFileUnchanged(h, nullptr));
    // Written again in place: same size, another time.
    writeWav(path, Tone{.left_hz = 1000.0, .right_hz = 1000.0});
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) +
                                               std::chrono::seconds(1));
    EXPECT_FALSE(unchanged(h));
    BASS_StreamFree(h);

    // Replaced under the same name, as an editor saves.
    h = open(path);
    EXPECT_TRUE(unchanged(h));
    const std::string other = dir / "novo.wav";
    writeWav(other, Tone{});
    std::error_code refused;
    std::filesystem::rename(other, path, refused);
    // Windows refuses to replace a file that is open: then it is unchanged.
    EXPECT_EQ(unchanged(h), static_cast<bool>(refused)) << refused.message();
    BASS_StreamFree(h);

    // Gone, or played already.
    h = open(path);
    std::filesystem::remove(path);
    // Wine keeps a deleted file that is still open under its name until it
    // is closed (Linux and Windows 10 take the name away at once).
    if (!std::filesystem::exists(path)) {
        EXPECT_FALSE(unchanged(h));
    }
    BASS_StreamFree(h);
    writeWav(path, Tone{});
    h = open(path);
    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    BASS_ChannelStop(h);
    BASS_ChannelSetPosition(h, 0);
    EXPECT_FALSE(unchanged(h));
    BASS_StreamFree(h);

    EXPECT_FALSE(unchanged(h));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(BassDecode, MemoryStreamsAndSectionsAreRefused) {
    EXPECT_EQ(BASS_StreamCreateFile(TRUE, sounds().wav16.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, sounds().wav16.c_str(), 44, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

// ------------------------------------------------- the container from the bytes

std::vector<std::uint8_t> head(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(4096);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::string picked(const std::vector<std::uint8_t>& bytes) {
    const char* name = sonterra::bass::pickDemuxer(bytes);
    return name != nullptr ? name : "(probe)";
}

// Two MPEG-1 layer III frames, 128 kbit/s at 44100 Hz: 417 bytes each.
std::vector<std::uint8_t> mpegFrames(int frames = 2) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < frames; ++i) {
        const std::size_t at = bytes.size();
        bytes.resize(at + 417, 0x55);
        bytes[at] = 0xFF;
        bytes[at + 1] = 0xFB;
        bytes[at + 2] = 0x90;
        bytes[at + 3] = 0x00;
    }
    return bytes;
}

std::vector<std::uint8_t> id3Tag(std::size_t body) {
    std::vector<std::uint8_t> tag = {'I', 'D', '3', 4, 0, 0};
    for (int shift : {21, 14, 7, 0})
        tag.push_back(static_cast<std::uint8_t>((body >> shift) & 0x7F));
    tag.resize(10 + body, 0);
    return tag;
}

std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a,
                                    const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(BassFormatPick, EveryPlayedContainerIsToldByItsFirstBytes) {
    const Sounds& s = sounds();
    TemporaryFolder dir("sonterra-bass");
    const std::string w64 = dir / "tone.w64", aiff = dir / "tone.aiff";
    ASSERT_TRUE(encodeSine(w64, 440, 0.3, 44100, 2, "-c:a pcm_s16le"));
    ASSERT_TRUE(encodeSine(aiff, 440, 0.3, 44100, 2, "-c:a pcm_s16be"));
    for (const auto& [path, name] :
         {std::pair{s.wav16, "wav"}, std::pair{s.wav8, "wav"}, std::pair{w64, "w64"},
          std::pair{aiff, "aiff"}, std::pair{s.ogg, "ogg"}, std::pair{s.flac, "flac"},
          std::pair{s.wma, "asf"}, std::pair{s.mp3, "mp3"}}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(picked(head(path)), name);
    }
}

TEST(BassFormatPick, MpegAudioCountsOnlyWithTwoFramesInARowAndAfterItsTag) {
    using sonterra::bass::id3v2Length;
    EXPECT_EQ(picked(mpegFrames()), "mp3");
    // A lone frame header in noise, or a tag followed by padding and frames.
    std::vector<std::uint8_t> lone = mpegFrames(1) + std::vector<std::uint8_t>(500, 0x55);
    EXPECT_EQ(picked(lone), "(probe)");
    EXPECT_EQ(picked(id3Tag(100) + std::vector<std::uint8_t>(30, 0) + mpegFrames()), "mp3");
    EXPECT_EQ(picked(id3Tag(100) + std::vector<std::uint8_t>{'f', 'L', 'a', 'C', 0, 0, 0, 34}),
              "flac");
    // A tag longer than what was read: the caller reads on from its end.
    const std::vector<std::uint8_t> big = id3Tag(8000);
    EXPECT_EQ(id3v2Length(big), 8010u);
    EXPECT_EQ(picked({big.begin(), big.begin() + 4096}), "(probe)");
    std::vector<std::uint8_t> footer = id3Tag(100);
    footer[5] = 0x10;
    EXPECT_EQ(id3v2Length(footer), 120u);
    // AAC in ADTS frames has MPEG's sync but layer 0: not ours to name.
    std::vector<std::uint8_t> adts = mpegFrames();
    adts[1] = adts[418] = 0xF1;
    EXPECT_EQ(picked(adts), "(probe)");
}

TEST(BassFormatPick, BytesThatNameNothingAreLeftToTheProbe) {
    const Sounds& s = sounds();
    for (const std::string& path : {s.random_mp3, s.text_wav}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(picked(head(path)), "(probe)");
    }
    EXPECT_EQ(picked({}), "(probe)");
    EXPECT_EQ(picked({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}), "(probe)");
    EXPECT_EQ(picked({'O', 'g', 'g', 'S'}), "(probe)"); // too short to be sure
    std::vector<std::uint8_t> bad_size = id3Tag(10);
    bad_size[9] = 0x80; // a size byte with its top bit set is no tag's
    EXPECT_EQ(sonterra::bass::id3v2Length(bad_size), 0u);
}

} // namespace
