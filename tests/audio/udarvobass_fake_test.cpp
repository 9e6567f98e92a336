// TDarvoBass against a scripted library: call order, messages and states.

#include "audio/udarvobass.h"
#include "core/application.h"
#include "core/message_box.h"
#include "tests/audio/event_pump.h"
#include "tests/audio/fake_bass_api.h"
#include "tests/support/box_recorder.h"
#include "tests/support/test_platform.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace sonterra {
namespace {

using namespace sonterra::test;
using Calls = std::vector<std::string>;

// Opens the player's inner state to the tests.
class Player : public TDarvoBass {
public:
    using TDarvoBass::Channel;
    using TDarvoBass::Device;
    using TDarvoBass::DeviceName;
    using TDarvoBass::DisplayName;
    using TDarvoBass::EffectParams;
    using TDarvoBass::FileName;
    using TDarvoBass::Loaded;
    using TDarvoBass::StreamFlags;
    using TDarvoBass::TagReader;
    using TDarvoBass::TDarvoBass;
    using TDarvoBass::WatchTimer;
};

int windowDummy;
void* const kWindow = &windowDummy;

class DarvoBassFake : public ::testing::Test {
protected:
    void SetUp() override {
        DeviceList.clear();
        SetApplicationTitle("/escola/Sonterra/sonterra");
        recorder.whileOpen = [this](const MessageBoxRequest&) { bass.calls.push_back("box"); };
    }

    // Player on device 1, as the main window sets it up; the log starts empty.
    std::unique_ptr<Player> makePlayer() {
        auto p = std::make_unique<Player>(nullptr, bass);
        p->InitDevice(1, false, kWindow, false);
        p->SelectDevice(1);
        p->OnStop = [this](AudioPlayer& sender) {
            ++stops;
            stopSender = &sender;
            bass.calls.push_back("OnStop");
        };
        bass.calls.clear();
        return p;
    }

    void expectPlainBox(const std::string& text) {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, text);
        EXPECT_EQ(boxes[0].caption, "/escola/Sonterra/sonterra");
        EXPECT_EQ(boxes[0].icon, BoxIcon::None);
        EXPECT_EQ(boxes[0].buttons, BoxButtons::Ok);
    }

    FakeBassApi bass;
    test::BoxRecorder recorder;
    std::vector<MessageBoxRequest>& boxes = recorder.boxes;
    int stops = 0;
    AudioPlayer* stopSender = nullptr;
};

// ---------------------------------------------------------------- InitDevice

using DarvoBassInitDevice = DarvoBassFake;

TEST_F(DarvoBassInitDevice, OpensTheDeviceAndProbesForFloatSamples) {
    Player p(nullptr, bass);
    p.InitDevice(1, false, kWindow, false);
    EXPECT_EQ(bass.calls, (Calls{"BASS_GetVersion()", "BASS_Init(1,44100,0,win,null)",
                                 "BASS_GetDeviceDescription(1)",
                                 "BASS_StreamCreate(44100,2,256,null,0)", "BASS_StreamFree(900)"}));
    EXPECT_EQ(p.StreamFlags, 256u);
    EXPECT_EQ(p.Device, 1);
    EXPECT_EQ(p.DeviceName, "Saida de teste");
    EXPECT_EQ(p.TagReader, nullptr);
    EXPECT_EQ(DeviceList, std::vector<int>{1});
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DarvoBassInitDevice, FailedProbeGivesEightyAndStillFreesTheHandle) {
    bass.probeHandle = 0;
    Player p(nullptr, bass);
    p.InitDevice(1, false, kWindow, false);
    EXPECT_TRUE(bass.called("BASS_StreamFree(0)"));
    EXPECT_EQ(p.StreamFlags, 80u);
}

TEST_F(DarvoBassInitDevice, SkipFloatTestGivesEightyWithoutAProbe) {
    Player p(nullptr, bass);
    p.InitDevice(1, true, kWindow, true);
    EXPECT_EQ(p.StreamFlags, 80u);
    EXPECT_EQ(bass.count("BASS_StreamCreate("), 0);
    EXPECT_NE(p.TagReader, nullptr);
}

TEST_F(DarvoBassInitDevice, SecondPlayerOnTheSameDeviceSkipsInitButReadsTheName) {
    Player first(nullptr, bass);
    Player second(nullptr, bass);
    first.InitDevice(1, false, kWindow, false);
    second.InitDevice(1, false, kWindow, false);
    EXPECT_EQ(bass.count("BASS_Init("), 1);
    EXPECT_EQ(bass.count("BASS_GetDeviceDescription(1)"), 2);
    EXPECT_EQ(second.DeviceName, "Saida de teste");
    EXPECT_EQ(second.StreamFlags, 256u);
    EXPECT_EQ(DeviceList, std::vector<int>{1});

    Player third(nullptr, bass);
    third.InitDevice(0, false, nullptr, true);
    EXPECT_TRUE(bass.called("BASS_Init(0,44100,0,null,null)"));
    EXPECT_EQ(DeviceList, (std::vector<int>{1, 0}));
}

TEST_F(DarvoBassInitDevice, FailedInitShowsTheDeviceMessageAndKeepsTheFields) {
    bass.initSucceeds = false;
    bass.errors["BASS_Init"] = {23};
    Player p(nullptr, bass);
    p.InitDevice(1, true, kWindow, false);
    expectPlainBox("Inicialização da Device com Problemas\rCod:BS23 - Número inválido para Device");
    EXPECT_EQ(p.Device, 0);
    EXPECT_EQ(p.DeviceName, "");
    EXPECT_EQ(p.StreamFlags, 0u);
    EXPECT_EQ(p.TagReader, nullptr);
    EXPECT_TRUE(DeviceList.empty());
    EXPECT_EQ(bass.count("BASS_GetDeviceDescription"), 0);

    // Files are then opened with flags 0.
    p.LoadFile("/sons/sino.mp3");
    EXPECT_TRUE(bass.called("BASS_StreamCreateFile(0,/sons/sino.mp3,0,0,0)"));
}

TEST_F(DarvoBassInitDevice, ADeviceTheLibraryAlreadyHoldsCountsAsInitialised) {
    // The first player's init failed; the output came while its box was
    // open and the library opened it by itself.
    bass.initSucceeds = false;
    bass.errors["BASS_Init"] = {3, 14};
    Player first(nullptr, bass);
    first.InitDevice(1, false, kWindow, false);
    expectPlainBox("Inicialização da Device com Problemas\rCod:BS3 - Não encontrado Driver de Som");
    boxes.clear();

    Player second(nullptr, bass);
    second.InitDevice(1, false, kWindow, false);
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    EXPECT_EQ(DeviceList, std::vector<int>{1});
    EXPECT_EQ(second.Device, 1);
    EXPECT_EQ(second.DeviceName, "Saida de teste");
    EXPECT_EQ(second.StreamFlags, 256u);
}

TEST_F(DarvoBassInitDevice, PrepareAsksTheLibraryToReadyTheDeviceAndNothingElse) {
    auto p = makePlayer();
    p->Prepare("", 5000);
    EXPECT_EQ(bass.calls, (Calls{"BASSX_DevicePrepare(1)"}));
    bass.calls.clear();
    p->Prepare("http://radio.escola/sinal.mp3", 5000); // an address starts as it opens
    EXPECT_EQ(bass.calls, (Calls{"BASSX_DevicePrepare(1)"}));
    EXPECT_FALSE(p->IsPlaying());
    EXPECT_EQ(stops, 0);
}

TEST_F(DarvoBassInitDevice, WrongVersionAsksToTerminateAndGoesOn) {
    bass.version = 0x02040000;
    Player p(nullptr, bass);
    p.InitDevice(1, false, kWindow, false);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Incorreta BASS.DLL");
    EXPECT_EQ(boxes[0].text, "Versão incorreta BASS.DLL");
    EXPECT_EQ(boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(boxes[0].buttons, BoxButtons::Ok);
    EXPECT_TRUE(ApplicationTerminateRequested());
    EXPECT_EQ(bass.calls[1], "box");
    EXPECT_TRUE(bass.called("BASS_Init(1,44100,0,win,null)"));
    EXPECT_EQ(p.StreamFlags, 256u);
}

TEST_F(DarvoBassInitDevice, AfterALoadItChangesNothing) {
    auto p = makePlayer();
    p->LoadFile("/sons/sino.mp3");
    bass.calls.clear();
    p->InitDevice(0, true, nullptr, true);
    EXPECT_TRUE(bass.calls.empty());
    EXPECT_EQ(p->Device, 1);
    EXPECT_EQ(p->StreamFlags, 256u);
    EXPECT_EQ(p->TagReader, nullptr);
}

TEST_F(DarvoBassInitDevice, SelectDeviceWidensTheSign) {
    Player p(nullptr, bass);
    p.SelectDevice(-1);
    EXPECT_EQ(bass.calls, Calls{"BASS_SetDevice(4294967295)"});
    EXPECT_EQ(p.Device, -1);
}

// ------------------------------------------------------------------ LoadFile

using DarvoBassLoadFile = DarvoBassFake;

TEST_F(DarvoBassLoadFile, FileOpensIntoAReadyPlayerInThisOrder) {
    auto p = makePlayer();
    p->LoadFile("/escola/AUDIO/sino.mp3");
    EXPECT_EQ(bass.calls,
              (Calls{"BASS_SetDevice(1)", "BASS_FX_DSP_Remove(0,5)", "BASS_FX_DSP_Remove(0,16)",
                     "BASS_StreamFree(0)", "BASS_SetDevice(1)", "BASS_SetConfig(0,3000)",
                     "BASS_StreamCreateFile(0,/escola/AUDIO/sino.mp3,0,0,256)", "BASS_ErrorGetCode",
                     "BASS_ChannelGetAttributes(10)", "BASS_ChannelGetInfo(10)"}));
    EXPECT_TRUE(p->Loaded);
    EXPECT_FALSE(p->Playing);
    EXPECT_EQ(p->Channel, 10u);
    EXPECT_EQ(p->DisplayName, "sino.mp3");
    EXPECT_EQ(p->FileName, "/escola/AUDIO/sino.mp3");
    ASSERT_NE(p->WatchTimer, nullptr);
    EXPECT_EQ(p->WatchTimer->Interval(), 60);
    EXPECT_FALSE(p->WatchTimer->Enabled());
    EXPECT_EQ(p->WatchTimer->ThreadPriority(), tpNormal);
    EXPECT_EQ(p->WatchTimer->parent(), p.get());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DarvoBassLoadFile, BufferLengthOrManualUpdate) {
    auto p = makePlayer();
    p->BufferLength = 500;
    p->LoadFile("/sons/a.mp3");
    EXPECT_TRUE(bass.called("BASS_SetConfig(0,500)"));
    bass.calls.clear();
    p->ManualUpdate = true;
    p->LoadFile("/sons/a.mp3");
    EXPECT_TRUE(bass.called("BASS_SetConfig(1,0)"));
    EXPECT_EQ(bass.count("BASS_SetConfig(0,"), 0);
}

TEST_F(DarvoBassLoadFile, WindowsMediaWhereverTheUpperCaseNameHoldsDotWma) {
    auto p = makePlayer();
    p->LoadFile("/sons/toque.wma");
    EXPECT_TRUE(bass.called("BASS_WMA_StreamCreateFile(0,/sons/toque.wma,0,0,256)"));
    bass.calls.clear();
    p->LoadFile("/sons/antigos.Wma/sino.mp3");
    EXPECT_TRUE(bass.called("BASS_WMA_StreamCreateFile(0,/sons/antigos.Wma/sino.mp3,0,0,256)"));
    bass.calls.clear();
    p->LoadFile("/sons/wma/sino.mp3");
    EXPECT_TRUE(bass.called("BASS_StreamCreateFile(0,/sons/wma/sino.mp3,0,0,256)"));
    EXPECT_EQ(bass.count("BASS_WMA_"), 0);
}

TEST_F(DarvoBassLoadFile, AddressOpensWithFlagsZeroAndPlaysAtOnce) {
    auto p = makePlayer();
    p->LoadFile("Http://radio.escola/sinal.mp3");
    EXPECT_EQ(bass.calls,
              (Calls{"BASS_SetDevice(1)", "BASS_FX_DSP_Remove(0,5)", "BASS_FX_DSP_Remove(0,16)",
                     "BASS_StreamFree(0)", "BASS_SetDevice(1)", "BASS_SetConfig(0,3000)",
                     "BASS_WMA_StreamCreateFile(0,Http://radio.escola/sinal.mp3,0,0,0)",
                     "BASS_ErrorGetCode", "BASS_ChannelGetAttributes(10)", "BASS_ChannelPlay(10,0)",
                     "BASS_Update()"}));
    EXPECT_TRUE(p->Loaded);
    EXPECT_TRUE(p->Playing);
    EXPECT_TRUE(p->IsPlaying());
    EXPECT_TRUE(p->WatchTimer->Enabled());
    EXPECT_EQ(p->DisplayName, "Http://radio.escola/sinal.mp3");
    EXPECT_EQ(p->FileName, "Http://radio.escola/sinal.mp3");
    EXPECT_EQ(stops, 0);
}

TEST_F(DarvoBassLoadFile, MissingFileGivesTheFileMessageByteForByte) {
    auto p = makePlayer();
    bass.openSucceeds = false;
    bass.errors["BASS_StreamCreateFile"] = {2};
    // The name is the system's text; the box, the program's (UTF-8).
    const std::string name = test::AsSystemText("não há.mp3");
    p->LoadFile("/escola/AUDIO/" + name);
    expectPlainBox("ERRO AO CARREGAR CANAL:\r\rArquivo: /escola/AUDIO/não há.mp3\r\r"
                   "Erro Cod:BS2 - Erro ao Abrir Arquivo");
    const Calls tail(bass.calls.end() - 4, bass.calls.end());
    EXPECT_EQ(tail, (Calls{"BASS_StreamCreateFile(0,/escola/AUDIO/" + name + ",0,0,256)",
                           "BASS_ErrorGetCode", "box", "BASS_StreamFree(0)"}));
    EXPECT_FALSE(p->Loaded);
    EXPECT_EQ(p->FileName, "/escola/AUDIO/" + name);
    EXPECT_EQ(p->DisplayName, name);

    // Empty: Play does nothing.
    bass.calls.clear();
    p->Play();
    EXPECT_TRUE(bass.calls.empty());
    EXPECT_FALSE(p->Playing);
}

TEST_F(DarvoBassLoadFile, EightBitChannelIsRefusedWithTheFormatMessage) {
    auto p = makePlayer();
    bass.infoFlags = BASS_SAMPLE_8BITS | BASS_SAMPLE_MONO;
    p->LoadFile("/sons/velho.wav");
    expectPlainBox("Erro ao Ler arquivo:/sons/velho.wav Dados <> 16-bits stereo");
    EXPECT_EQ(bass.calls.back(), "BASS_StreamFree(10)");
    EXPECT_FALSE(p->Loaded);
}

TEST_F(DarvoBassLoadFile, OnlyBitZeroOfTheFormatIsLookedAt) {
    auto p = makePlayer();
    bass.infoFlags = 0xFFFFFFFEu;
    p->LoadFile("/sons/mono-float.wav");
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(p->Loaded);
}

TEST_F(DarvoBassLoadFile, FailedAddressGivesTheAddressMessageAndKeepsTheNames) {
    auto p = makePlayer();
    p->LoadFile("/sons/anterior.mp3");
    bass.openSucceeds = false;
    bass.errors["BASS_WMA_StreamCreateFile"] = {32};
    bass.calls.clear();
    p->LoadFile("https://radio.escola/sinal");
    expectPlainBox("Erro ao Carregar URL - Cod:BS32 - Não foi encontrato conexão de Internet\r"
                   "https://radio.escola/sinal");
    EXPECT_EQ(bass.calls.back(), "BASS_StreamFree(0)");
    EXPECT_FALSE(p->Loaded);
    EXPECT_FALSE(p->Playing);
    EXPECT_FALSE(p->WatchTimer->Enabled());
    EXPECT_EQ(p->FileName, "/sons/anterior.mp3");
    EXPECT_EQ(p->DisplayName, "anterior.mp3");
}

TEST_F(DarvoBassLoadFile, LoadingNeverFiresOnStopAndClearsLoopPlayback) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    p->Play();
    p->LoopPlayback = true;
    p->LoadFile("/sons/b.mp3");
    EXPECT_EQ(stops, 0);
    EXPECT_FALSE(p->LoopPlayback);
    EXPECT_FALSE(p->Playing);
    EXPECT_FALSE(p->WatchTimer->Enabled());
    EXPECT_EQ(bass.count("BASS_ChannelStop"), 0);
}

TEST_F(DarvoBassLoadFile, ABoxThatReturnsLateFreesOnlyItsOwnChannel) {
    // While a load's error box is open the bell ticks go on and may load the
    // same player again; when the box returns, the new sound must stay.
    auto p = makePlayer();
    recorder.whileOpen = [&](const MessageBoxRequest&) {
        bass.calls.push_back("box");
        bass.openSucceeds = true;
        bass.infoFlags = 0;
        p->LoadFile("/sons/sino.wav");
        p->Play();
    };
    const auto expectTheLaterSoundKept = [&](HSTREAM later) {
        EXPECT_FALSE(bass.called("BASS_StreamFree(" + std::to_string(later) + ")"));
        EXPECT_EQ(p->Channel, later);
        EXPECT_TRUE(p->Loaded);
        EXPECT_TRUE(p->Playing);
        EXPECT_EQ(p->FileName, "/sons/sino.wav");
    };

    bass.openSucceeds = false;
    bass.errors["BASS_StreamCreateFile"] = {2};
    p->LoadFile("/sons/nao-ha.mp3");
    ASSERT_EQ(boxes.size(), 1u);
    expectTheLaterSoundKept(10);

    bass.infoFlags = BASS_SAMPLE_8BITS; // opens as 11, refused; the box's load takes 12
    p->LoadFile("/sons/velho.wav");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(bass.called("BASS_StreamFree(11)"));
    expectTheLaterSoundKept(12);

    bass.openSucceeds = false;
    bass.errors["BASS_WMA_StreamCreateFile"] = {32};
    p->LoadFile("http://radio.escola/sinal.mp3");
    ASSERT_EQ(boxes.size(), 3u);
    expectTheLaterSoundKept(13);
}

TEST_F(DarvoBassLoadFile, TagReaderReadsEachLoadedFile) {
    const test::TemporaryFolder folder("sonterra-tag");
    const std::string file = folder / "sino.mp3";
    {
        std::array<char, 128> tag{};
        std::memcpy(tag.data(), "TAGSino das Sete", 16);
        std::ofstream(file, std::ios::binary).write(tag.data(), tag.size());
    }
    Player p(nullptr, bass);
    p.InitDevice(1, true, kWindow, false);
    p.LoadFile(file);
    ASSERT_NE(p.TagReader, nullptr);
    EXPECT_TRUE(p.TagReader->TagFound);
    EXPECT_EQ(p.TagReader->Title, "Sino das Sete");
    EXPECT_TRUE(p.Loaded);
}

TEST_F(DarvoBassLoadFile, AFileOpenedAheadIsTakenByItsLoadWhileTheSoundBeforeItPlaysOn) {
    auto p = makePlayer();
    p->LoadFile("/sons/anterior.mp3"); // 10, still playing when the next is prepared
    p->Play();
    bass.calls.clear();
    p->Prepare("/escola/AUDIO/sino.mp3", 4900);
    EXPECT_TRUE(bass.called("BASSX_DevicePrepare(1)"));
    EXPECT_TRUE(bass.called("BASS_StreamCreateFile(0,/escola/AUDIO/sino.mp3,0,0,256)"));
    // Its start set for the minute, less the time the opening took.
    ASSERT_EQ(bass.calls.back().rfind("BASSX_ChannelCue(11,", 0), 0u) << bass.calls.back();
    EXPECT_NEAR(std::stoi(bass.calls.back().substr(20)), 4900, 100);
    for (const auto& call : bass.calls) // the sound playing is left alone
        EXPECT_EQ(call.find("(10"), std::string::npos) << call;
    EXPECT_TRUE(p->IsPlaying());
    EXPECT_EQ(p->Channel, 10u);
    EXPECT_EQ(stops, 0);

    // The operator tries another sound meanwhile: the one ahead waits on.
    p->LoadFile("/sons/teste.mp3"); // 12
    EXPECT_FALSE(bass.called("BASS_StreamFree(11)"));

    // A line before the minute's last one: the sound ahead is the last one's.
    p->ReservePrepared(true);
    p->LoadFile("/escola/AUDIO/sino.mp3"); // 13
    EXPECT_EQ(p->Channel, 13u);
    p->ReservePrepared(false);

    bass.calls.clear();
    p->CloseStream();
    p->LoadFile("/escola/AUDIO/sino.mp3");
    EXPECT_EQ(bass.count("BASS_StreamCreateFile"), 0) << "no disk at the minute";
    EXPECT_EQ(bass.calls.back(), "BASS_ChannelGetInfo(11)");
    EXPECT_TRUE(p->Loaded);
    EXPECT_EQ(p->Channel, 11u);
    EXPECT_EQ(p->FileName, "/escola/AUDIO/sino.mp3");
    EXPECT_EQ(p->DisplayName, "sino.mp3");
    EXPECT_TRUE(boxes.empty());

    // Taken: the next load of the same file opens it anew.
    bass.calls.clear();
    p->LoadFile("/escola/AUDIO/sino.mp3");
    EXPECT_TRUE(bass.called("BASS_StreamCreateFile(0,/escola/AUDIO/sino.mp3,0,0,256)"));
    EXPECT_EQ(p->Channel, 14u);
}

TEST_F(DarvoBassLoadFile, AFileChangedSinceItWasOpenedAheadIsOpenedAfresh) {
    auto p = makePlayer();
    p->Prepare("/escola/AUDIO/sino.mp3", 5000); // 10
    bass.fileUnchanged = false;
    bass.calls.clear();
    p->LoadFile("/escola/AUDIO/sino.mp3");
    EXPECT_TRUE(bass.called("BASS_StreamFree(10)"));
    EXPECT_TRUE(bass.called("BASS_StreamCreateFile(0,/escola/AUDIO/sino.mp3,0,0,256)"));
    EXPECT_EQ(p->Channel, 11u);
    EXPECT_TRUE(p->Loaded);
}

TEST_F(DarvoBassLoadFile, AFileThatCannotBeOpenedAheadIsReportedByItsLoadOnly) {
    auto p = makePlayer();
    bass.openSucceeds = false;
    bass.errors["BASS_StreamCreateFile"] = {41, 41};
    p->Prepare("/escola/AUDIO/ruim.mp3", 5000);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(bass.calls.back(), "BASS_StreamFree(0)");

    bass.calls.clear();
    p->LoadFile("/escola/AUDIO/ruim.mp3");
    expectPlainBox("ERRO AO CARREGAR CANAL:\r\rArquivo: /escola/AUDIO/ruim.mp3\r\r"
                   "Erro Cod:BS41 - Formato não suportado");
    EXPECT_TRUE(bass.called("BASS_StreamCreateFile(0,/escola/AUDIO/ruim.mp3,0,0,256)"));
    EXPECT_FALSE(p->Loaded);
}

TEST_F(DarvoBassLoadFile, AFileOpenedAheadAndNeverLoadedIsFreed) {
    auto p = makePlayer();
    p->Prepare("/escola/AUDIO/sino.mp3", 5000);  // 10
    p->Prepare("/escola/AUDIO/outro.mp3", 4000); // 11: the first goes
    EXPECT_EQ(bass.count("BASS_StreamFree(10)"), 1);
    p->ReleasePrepared();
    EXPECT_EQ(bass.count("BASS_StreamFree(11)"), 1);
    p->ReleasePrepared();
    p->LoadFile("/escola/AUDIO/outro.mp3");
    EXPECT_FALSE(bass.called("BASSX_StreamFileUnchanged(11,/escola/AUDIO/outro.mp3)"));
    EXPECT_EQ(p->Channel, 12u);

    p->Prepare("/escola/AUDIO/sino.mp3", 0); // 13, gone with the player
    bass.calls.clear();
    p.reset();
    EXPECT_EQ(bass.count("BASS_StreamFree(13)"), 1);
    EXPECT_EQ(stops, 0);
}

// ---------------------------------------------------------------- Play, Stop

using DarvoBassPlayStop = DarvoBassFake;

TEST_F(DarvoBassPlayStop, PlayAppliesTheAttributesStartsAndRemovesTheEffect) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    bass.calls.clear();
    p->Play();
    EXPECT_EQ(bass.calls,
              (Calls{"BASS_ChannelSetAttributes(10,44100,50,0)", "BASS_ChannelPlay(10,0)",
                     "BASS_ErrorGetCode", "BASS_Update()", "BASS_FX_DSP_Remove(10,16)"}));
    EXPECT_TRUE(p->Playing);
    EXPECT_TRUE(p->WatchTimer->Enabled());
}

TEST_F(DarvoBassPlayStop, PlayOnAnEmptyPlayerDoesNothing) {
    auto p = makePlayer();
    p->Play();
    EXPECT_TRUE(bass.calls.empty());
    EXPECT_FALSE(p->Playing);
    EXPECT_EQ(p->WatchTimer, nullptr);
    pumpFor(milliseconds(150));
    EXPECT_EQ(stops, 0);
}

TEST_F(DarvoBassPlayStop, LostChannelIsReopenedAndStartedOnceMore) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    bass.errors["BASS_ChannelPlay"] = {BASS_ERROR_HANDLE, BASS_ERROR_HANDLE};
    bass.calls.clear();
    p->Play();
    EXPECT_EQ(
        bass.calls,
        (Calls{"BASS_ChannelSetAttributes(10,44100,50,0)", "BASS_ChannelPlay(10,0)",
               "BASS_ErrorGetCode", "BASS_SetDevice(1)", "BASS_FX_DSP_Remove(10,5)",
               "BASS_FX_DSP_Remove(10,16)", "BASS_StreamFree(10)", "BASS_SetDevice(1)",
               "BASS_SetConfig(0,3000)", "BASS_StreamCreateFile(0,/sons/a.mp3,0,0,256)",
               "BASS_ErrorGetCode", "BASS_ChannelGetAttributes(11)", "BASS_ChannelGetInfo(11)",
               "BASS_ChannelPlay(11,0)", "BASS_Update()", "BASS_FX_DSP_Remove(11,16)"}));
    EXPECT_TRUE(p->Playing);
    EXPECT_TRUE(p->Loaded);
    EXPECT_TRUE(p->WatchTimer->Enabled());
    EXPECT_EQ(stops, 0);
}

TEST_F(DarvoBassPlayStop, EffectSixteenWithItsThreeParameters) {
    auto p = makePlayer();
    p->EffectEnabled = true;
    p->LoadFile("/sons/a.mp3");
    bass.calls.clear();
    p->Play();
    const Calls tail(bass.calls.end() - 4, bass.calls.end());
    EXPECT_EQ(tail, (Calls{"BASS_FX_DSP_Set(10,16,1)", "BASS_FX_DSP_GetParameters(10,16)",
                           "BASS_FX_DSP_Set(10,16,0)", "BASS_FX_DSP_SetParameters(10,16)"}));
    ASSERT_EQ(bass.paramsSet.size(), 1u);
    EXPECT_EQ(bass.paramsSet[0].p1, 0.25f);
    EXPECT_EQ(bass.paramsSet[0].p2, 2.2f);
    EXPECT_EQ(bass.paramsSet[0].p3, 400.0f);
    EXPECT_EQ(bass.paramsSet[0].reserved, 77u); // as the add-on filled it
}

TEST_F(DarvoBassPlayStop, StopFiresOnStopBeforeTheChannelStopsThenRewinds) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    p->Play();
    bass.calls.clear();
    p->Stop();
    EXPECT_EQ(bass.calls,
              (Calls{"OnStop", "BASS_ChannelStop(10)", "BASS_ChannelSetPosition(10,0)"}));
    EXPECT_EQ(stopSender, p.get());
    EXPECT_FALSE(p->Playing);
    EXPECT_TRUE(p->Loaded);
    EXPECT_FALSE(p->WatchTimer->Enabled());

    // Ready: Stop still fires; without rewinding the position stays.
    p->RewindOnStop = false;
    bass.calls.clear();
    p->Stop();
    EXPECT_EQ(bass.calls, (Calls{"OnStop", "BASS_ChannelStop(10)"}));
    EXPECT_EQ(stops, 2);
}

TEST_F(DarvoBassPlayStop, StopOnAnEmptyPlayerFiresNothing) {
    auto p = makePlayer();
    p->Playing = true;
    p->Stop();
    EXPECT_FALSE(p->Playing);
    EXPECT_TRUE(bass.calls.empty());
    EXPECT_EQ(stops, 0);
}

TEST_F(DarvoBassPlayStop, CloseStreamStopsAPlayingSoundFirst) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    p->Play();
    bass.calls.clear();
    p->CloseStream();
    EXPECT_EQ(bass.calls, (Calls{"BASS_SetDevice(1)", "OnStop", "BASS_ChannelStop(10)",
                                 "BASS_ChannelSetPosition(10,0)", "BASS_FX_DSP_Remove(10,5)",
                                 "BASS_FX_DSP_Remove(10,16)", "BASS_StreamFree(10)"}));
    EXPECT_FALSE(p->Loaded);
    EXPECT_FALSE(p->WatchTimer->Enabled());

    // Ready: no event.
    p->LoadFile("/sons/a.mp3");
    p->CloseStream();
    EXPECT_EQ(stops, 1);
}

TEST_F(DarvoBassPlayStop, DestructionFiresNoOnStop) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    p->Play();
    bass.calls.clear();
    p.reset();
    EXPECT_EQ(bass.calls, (Calls{"BASS_FX_DSP_Remove(10,5)", "BASS_FX_DSP_Remove(10,16)",
                                 "BASS_StreamFree(10)"}));
    EXPECT_EQ(stops, 0);
}

TEST_F(DarvoBassPlayStop, DestructionOfAPlayerThatNeverLoaded) {
    auto p = makePlayer();
    p.reset();
    EXPECT_EQ(bass.calls,
              (Calls{"BASS_FX_DSP_Remove(0,5)", "BASS_FX_DSP_Remove(0,16)", "BASS_StreamFree(0)"}));
}

TEST_F(DarvoBassPlayStop, OwnedByItsParent) {
    auto owner = std::make_unique<QObject>();
    auto* p = new Player(owner.get(), bass);
    p->LoadFile("/sons/a.mp3");
    bass.calls.clear();
    owner.reset();
    EXPECT_TRUE(bass.called("BASS_StreamFree(10)"));
}

// ------------------------------------------------------------- CheckPlayback

using DarvoBassCheckPlayback = DarvoBassFake;

TEST_F(DarvoBassCheckPlayback, StillPlayingBeforeTheEnd) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    p->Play();
    bass.position = 88200;
    bass.calls.clear();
    p->CheckPlayback(*p->WatchTimer);
    EXPECT_EQ(bass.calls,
              (Calls{"BASS_ChannelGetPosition(10)", "BASS_ChannelBytes2Seconds(10,88200)",
                     "BASS_ChannelGetLength(10)", "BASS_ChannelBytes2Seconds(10,176400)",
                     "BASS_ChannelIsActive(10)"}));
    EXPECT_EQ(stops, 0);
    EXPECT_TRUE(p->Playing);
}

TEST_F(DarvoBassCheckPlayback, ChannelGoneQuietBeforeItsLengthStops) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    p->Play();
    bass.position = 88200;
    bass.active = BASS_ACTIVE_STOPPED;
    p->CheckPlayback(*p->WatchTimer);
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(p->Playing);
}

TEST_F(DarvoBassCheckPlayback, PositionAtTheLengthStopsOrLoops) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    p->Play();
    bass.position = bass.length;
    p->CheckPlayback(*p->WatchTimer);
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(bass.called("BASS_ChannelSetPosition(10,0)"));

    p->Play();
    p->LoopPlayback = true;
    bass.calls.clear();
    p->CheckPlayback(*p->WatchTimer);
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(p->Playing);
    EXPECT_TRUE(bass.called("BASS_ChannelPlay(10,0)"));
    EXPECT_EQ(bass.count("BASS_ChannelIsActive"), 0);
}

TEST_F(DarvoBassCheckPlayback, TickWhileNotPlayingStops) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    p->CheckPlayback(*p->WatchTimer);
    EXPECT_EQ(stops, 1);
}

TEST_F(DarvoBassCheckPlayback, ManualUpdateDrivesTheLibraryOnEachTick) {
    auto p = makePlayer();
    p->ManualUpdate = true;
    p->LoadFile("/sons/a.mp3");
    p->Play();
    bass.calls.clear();
    p->CheckPlayback(*p->WatchTimer);
    EXPECT_EQ(bass.calls.front(), "BASS_Update()");
}

TEST_F(DarvoBassCheckPlayback, TheWatchTimerFindsTheEndOnTheMainThread) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    bool onMain = false;
    p->OnStop = [&](AudioPlayer&) {
        ++stops;
        onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
    };
    p->Play();
    pumpFor(milliseconds(200));
    EXPECT_EQ(stops, 0);
    EXPECT_GE(bass.count("BASS_ChannelIsActive"), 1);
    bass.active = BASS_ACTIVE_STOPPED;
    ASSERT_TRUE(pumpUntil([&] { return stops == 1; }, milliseconds(3000)));
    EXPECT_TRUE(onMain);
    EXPECT_FALSE(p->WatchTimer->Enabled());
    pumpFor(milliseconds(200));
    EXPECT_EQ(stops, 1);
}

// ------------------------------------------------ Properties, length, names

using DarvoBassProperties = DarvoBassFake;

TEST_F(DarvoBassProperties, VolumeIsDroppedOnAnEmptyPlayerAndStoredWhenLoaded) {
    auto p = makePlayer();
    p->SetVolume(100);
    EXPECT_TRUE(bass.calls.empty());
    EXPECT_EQ(p->Volume(), 0);
    EXPECT_TRUE(bass.calls.empty());

    p->LoadFile("/sons/a.mp3");
    bass.setAttributesAccepted = false;
    bass.calls.clear();
    p->SetVolume(80);
    EXPECT_EQ(bass.calls, Calls{"BASS_ChannelSetAttributes(10,44100,80,0)"});
    p->Play();
    EXPECT_TRUE(bass.called("BASS_ChannelSetAttributes(10,44100,80,0)"));
    bass.channelVolume = 33;
    EXPECT_EQ(p->Volume(), 33); // read back from the channel
}

TEST_F(DarvoBassProperties, PanIsStoredOnlyWhenAccepted) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    p->SetPan(-40);
    EXPECT_TRUE(bass.called("BASS_ChannelSetAttributes(10,44100,50,-40)"));
    bass.channelPan = -40;
    EXPECT_EQ(p->Pan(), -40);
    bass.setAttributesAccepted = false;
    p->SetPan(60);
    p->CloseStream();
    EXPECT_EQ(p->Pan(), -40); // empty: the last stored value
}

TEST_F(DarvoBassProperties, FrequencyOnlyWhileTheChannelIsActive) {
    auto p = makePlayer();
    p->LoadFile("/sons/a.mp3");
    bass.active = BASS_ACTIVE_STOPPED;
    bass.calls.clear();
    p->SetFrequency(22050);
    EXPECT_EQ(bass.calls, Calls{"BASS_ChannelIsActive(10)"});
    EXPECT_EQ(p->Frequency(), 44100);

    bass.active = BASS_ACTIVE_PLAYING;
    bass.channelFreq = 22050;
    p->SetFrequency(22050);
    EXPECT_TRUE(bass.called("BASS_ChannelSetAttributes(10,22050,50,0)"));
    EXPECT_EQ(p->Frequency(), 22050);

    bass.setAttributesAccepted = false;
    p->SetFrequency(8000);
    bass.active = BASS_ACTIVE_STOPPED;
    EXPECT_EQ(p->Frequency(), 22050);
}

TEST_F(DarvoBassProperties, LengthAndPositionInMilliseconds) {
    auto p = makePlayer();
    EXPECT_EQ(p->GetLengthMs(), 0);
    EXPECT_EQ(p->GetPositionMs(), 0);
    EXPECT_TRUE(bass.calls.empty());

    p->LoadFile("/sons/a.mp3");
    bass.length = 3 * 176400 + 88200; // 3.5 s
    bass.position = 176400 / 2;
    EXPECT_EQ(p->GetLengthMs(), 3500);
    EXPECT_EQ(p->GetPositionMs(), 500);

    // Only the low 32 bits of the byte count go to the conversion.
    bass.length = (QWORD{1} << 32) + 176400;
    bass.calls.clear();
    EXPECT_EQ(p->GetLengthMs(), 1000);
    EXPECT_TRUE(bass.called("BASS_ChannelBytes2Seconds(10,176400)"));

    // Truncated toward zero; negative gives 0.
    bass.useSecondsOverride = true;
    bass.secondsOverride = 1.0019f;
    EXPECT_EQ(p->GetLengthMs(), 1001);
    bass.secondsOverride = -1.0f;
    EXPECT_EQ(p->GetLengthMs(), 0);
    EXPECT_EQ(p->GetPositionMs(), 0);
}

TEST(DarvoBassExtractDisplayName, ThePartAfterTheFolder) {
    EXPECT_EQ(TDarvoBass::ExtractDisplayName("C:\\AUDIO\\SINO.MP3"), "SINO.MP3");
    EXPECT_EQ(TDarvoBass::ExtractDisplayName("C:SINO.MP3"), "SINO.MP3");
    EXPECT_EQ(TDarvoBass::ExtractDisplayName("SINO.MP3"), "SINO.MP3");
    EXPECT_EQ(TDarvoBass::ExtractDisplayName("/escola/AUDIO/sino.mp3"), "sino.mp3");
    EXPECT_EQ(TDarvoBass::ExtractDisplayName("/escola/a:b/sino.mp3"), "sino.mp3");
    EXPECT_EQ(TDarvoBass::ExtractDisplayName("/escola/AUDIO/"), "");
    EXPECT_EQ(TDarvoBass::ExtractDisplayName(""), "");
}

} // namespace
} // namespace sonterra
