#include "audio/udarvobass.h"

#include "core/application.h"
#include "core/message_box.h"
#include "core/system_text.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

namespace sonterra {

std::vector<int> DeviceList;

namespace {

constexpr DWORD kExpectedVersion = 0x0203;
constexpr int kEffect5 = 5; // removed on every close, never set here
constexpr int kEffect16 = 16;
constexpr const char* CR = "\r";

// ASCII only: the tests made on the result (".WMA", "://") are ASCII, so
// leaving the other bytes of a UTF-8 name as they are changes no outcome.
std::string upperCase(const std::string& text) {
    std::string result = text;
    for (char& c : result) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

// Seconds as the library gives them, in whole ms; the low 32 bits, never negative.
int toMilliseconds(float seconds) {
    const double ms = std::trunc(static_cast<double>(seconds) * 1000.0);
    if (!std::isfinite(ms) || std::fabs(ms) >= 9.2e18)
        return 0;
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(
        static_cast<std::uint64_t>(static_cast<std::int64_t>(ms)) & 0xFFFFFFFFu));
    return std::max(low, 0);
}

} // namespace

TDarvoBass::TDarvoBass(QObject* parent, BassApi& api)
    : QObject(parent), PreparedChannel(api), bass(api) {}

TDarvoBass::~TDarvoBass() {
    bass.BASS_FX_DSP_Remove(Channel, kEffect5);
    bass.BASS_FX_DSP_Remove(Channel, kEffect16);
    Loaded = false;
    delete WatchTimer; // a tick it serves now finds nothing loaded
    WatchTimer = nullptr;
    bass.BASS_StreamFree(Channel);
    TagReader.reset();
    // PreparedChannel frees what is still open ahead as it goes.
}

void TDarvoBass::InitDevice(int device, bool readTags, void* windowHandle, bool skipFloatTest) {
    if (WatchTimer)
        return;
    if ((bass.BASS_GetVersion() >> 16) != kExpectedVersion) {
        showMessageBox({"Incorreta BASS.DLL", "Versão incorreta BASS.DLL", BoxIcon::Error});
        RequestApplicationTerminate();
    }
    if (std::find(DeviceList.begin(), DeviceList.end(), device) == DeviceList.end()) {
        // Already initialised: the library opened it by itself after an
        // earlier player's init failed (the output came while that player's
        // box was open). It is as good as a device opened from the start.
        if (!bass.BASS_Init(device, 44100, 0, windowHandle, nullptr)) {
            const int error = bass.BASS_ErrorGetCode();
            if (error != BASS_ERROR_ALREADY) {
                ShowMessage(std::string("Inicialização da Device com Problemas") + CR +
                            BassErrorText(error));
                return;
            }
        }
        DeviceList.push_back(device);
    }
    LoopPlayback = false;
    Device = device;
    const char* description = bass.BASS_GetDeviceDescription(Device);
    DeviceName = description ? description : "";
    TagReader = readTags ? std::make_unique<TID3v1Tag>() : nullptr;
    if (skipFloatTest) {
        StreamFlags = 80;
        return;
    }
    // Probe only: the stream is never played.
    const HSTREAM probe = bass.BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, nullptr, nullptr);
    bass.BASS_StreamFree(probe);
    StreamFlags = probe != 0 ? BASS_SAMPLE_FLOAT : 80;
}

void TDarvoBass::SelectDevice(signed char device) {
    bass.BASS_SetDevice(static_cast<DWORD>(static_cast<int>(device)));
    Device = device;
}

void TDarvoBass::CloseStream() {
    bass.BASS_SetDevice(static_cast<DWORD>(Device));
    if (Playing)
        Stop();
    bass.BASS_FX_DSP_Remove(Channel, kEffect5);
    bass.BASS_FX_DSP_Remove(Channel, kEffect16);
    bass.BASS_StreamFree(Channel);
    Loaded = false;
    if (WatchTimer)
        WatchTimer->SetEnabled(false);
}

void TDarvoBass::LoadFile(const std::string& name) {
    if (!WatchTimer) {
        WatchTimer = new TThreadedTimer(this);
        WatchTimer->SetInterval(60);
        WatchTimer->SetEnabled(false);
        WatchTimer->SetThreadPriority(tpNormal);
        WatchTimer->OnTimer = [this](TThreadedTimer& sender) { CheckPlayback(sender); };
    }
    // Playing is cleared first, so the close below never fires OnStop.
    Loaded = false;
    Playing = false;
    LoopPlayback = false;
    CloseStream();
    bass.BASS_SetDevice(static_cast<DWORD>(Device));
    setBufferConfig();

    const std::string upperName = upperCase(name);
    if (upperName.find("://") != std::string::npos)
        loadAddressSteps(name);
    else
        loadFileSteps(name, upperName);
}

void TDarvoBass::setBufferConfig() {
    if (ManualUpdate)
        bass.BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, 0);
    else
        bass.BASS_SetConfig(BASS_CONFIG_BUFFER, BufferLength);
}

HSTREAM TDarvoBass::openFile(const std::string& name, const std::string& upperName) {
    return upperName.find(".WMA") != std::string::npos
               ? bass.BASS_WMA_StreamCreateFile(FALSE, name.c_str(), 0, 0, StreamFlags)
               : bass.BASS_StreamCreateFile(FALSE, name.c_str(), 0, 0, StreamFlags);
}

HSTREAM TDarvoBass::takePrepared(const std::string& name) {
    const HSTREAM handle = PreparedChannel.take(name);
    if (handle == 0)
        return 0;
    if (bass.BASSX_StreamFileUnchanged(handle, name.c_str()))
        return handle;
    bass.BASS_StreamFree(handle); // the file changed since: what was read of it is stale
    return 0;
}

void TDarvoBass::loadFileSteps(const std::string& name, const std::string& upperName) {
    // A file opened ahead has no decoding or disk left to wait for.
    HSTREAM handle = PreparedReserved ? 0 : takePrepared(name);
    const bool opened = handle == 0;
    // This load's own handle: while one of its boxes is open a bell tick may
    // load this player again, and Channel is then that sound's.
    if (opened)
        handle = openFile(name, upperName);
    Channel = handle;
    DisplayName = ExtractDisplayName(name);
    FileName = name;

    const int error = opened ? bass.BASS_ErrorGetCode() : 0;
    if (error != 0) {
        ShowMessage(std::string("ERRO AO CARREGAR CANAL:") + CR + CR + "Arquivo: " +
                    SystemTextToUtf8(name) + CR + CR + "Erro " + BassErrorText(error));
        bass.BASS_StreamFree(handle);
        return;
    }
    bass.BASS_ChannelGetAttributes(Channel, &frequency, &volume, &pan);

    BASS_CHANNELINFO info{};
    bass.BASS_ChannelGetInfo(Channel, &info);
    if ((info.flags & BASS_SAMPLE_8BITS) != 0) {
        ShowMessage("Erro ao Ler arquivo:" + SystemTextToUtf8(FileName) +
                    " Dados <> 16-bits stereo");
        bass.BASS_StreamFree(handle);
        return;
    }
    if (TagReader)
        TagReader->ReadFromFile(name);
    Loaded = true;
}

void TDarvoBass::loadAddressSteps(const std::string& name) {
    const HSTREAM handle = bass.BASS_WMA_StreamCreateFile(FALSE, name.c_str(), 0, 0, 0);
    Channel = handle;
    const int error = bass.BASS_ErrorGetCode();
    if (error != 0) {
        ShowMessage("Erro ao Carregar URL - " + BassErrorText(error) + CR + SystemTextToUtf8(name));
        bass.BASS_StreamFree(handle);
        return;
    }
    bass.BASS_ChannelGetAttributes(Channel, &frequency, &volume, &pan);
    // An address plays at once; no tag, no effect.
    bass.BASS_ChannelPlay(Channel, FALSE);
    DisplayName = name;
    FileName = name;
    bass.BASS_Update();
    WatchTimer->SetEnabled(true);
    Playing = true;
    Loaded = true;
}

void TDarvoBass::Play() {
    if (!Loaded)
        return;
    bass.BASS_ChannelSetAttributes(Channel, frequency, volume, pan);
    bass.BASS_ChannelPlay(Channel, FALSE);
    if (bass.BASS_ErrorGetCode() == BASS_ERROR_HANDLE) {
        // The channel was lost: open the same sound again, start it once more.
        LoadFile(FileName);
        bass.BASS_ChannelPlay(Channel, FALSE);
    }
    bass.BASS_Update();
    if (WatchTimer)
        WatchTimer->SetEnabled(true);
    Playing = true;
    SetEffect(EffectEnabled);
}

void TDarvoBass::Stop() {
    Playing = false;
    if (!Loaded)
        return;
    if (WatchTimer)
        WatchTimer->SetEnabled(false);
    // OnStop runs before the channel stops.
    DoStop();
    bass.BASS_ChannelStop(Channel);
    if (RewindOnStop)
        bass.BASS_ChannelSetPosition(Channel, 0);
}

void TDarvoBass::Prepare(const std::string& name, int dueInMs) {
    const auto called = std::chrono::steady_clock::now();
    bass.BASSX_DevicePrepare(Device);
    PreparedChannel.reset();
    const std::string upperName = upperCase(name);
    if (name.empty() || upperName.find("://") != std::string::npos)
        return; // an address is opened at its moment: it starts as it opens
    // On a channel of its own: a sound playing now goes on to its end or its
    // CloseStream. Set up as LoadFile sets up its own.
    bass.BASS_SetDevice(static_cast<DWORD>(Device));
    setBufferConfig();
    const HSTREAM handle = openFile(name, upperName);
    if (bass.BASS_ErrorGetCode() != 0) {
        // No box now: the load at the entry's minute opens it again and
        // reports what is wrong then, as ever.
        bass.BASS_StreamFree(handle);
        return;
    }
    PreparedChannel.reset(handle, name);
    // The moment less the time opening took, which a large file makes long.
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - called)
                           .count();
    if (dueInMs > spent)
        bass.BASSX_ChannelCue(handle, static_cast<DWORD>(dueInMs - spent));
}

void TDarvoBass::ReleasePrepared() {
    PreparedChannel.reset();
}

void TDarvoBass::DoStop() {
    if (OnStop)
        OnStop(*this);
}

void TDarvoBass::CheckPlayback(TThreadedTimer& /*sender*/) {
    if (!Playing) {
        Stop();
        return;
    }
    if (ManualUpdate)
        bass.BASS_Update();
    const int position = GetPositionMs();
    const int length = GetLengthMs();
    if (length > position) {
        if (bass.BASS_ChannelIsActive(Channel) == BASS_ACTIVE_STOPPED)
            Stop();
        return;
    }
    if (LoopPlayback)
        Play();
    else
        Stop();
}

int TDarvoBass::GetLengthMs() {
    if (!Loaded)
        return 0;
    const QWORD bytes = bass.BASS_ChannelGetLength(Channel) & 0xFFFFFFFFu;
    return toMilliseconds(bass.BASS_ChannelBytes2Seconds(Channel, bytes));
}

int TDarvoBass::GetPositionMs() {
    if (!Loaded)
        return 0;
    const QWORD bytes = bass.BASS_ChannelGetPosition(Channel) & 0xFFFFFFFFu;
    return toMilliseconds(bass.BASS_ChannelBytes2Seconds(Channel, bytes));
}

void TDarvoBass::SetEffect(bool enable) {
    if (!enable) {
        bass.BASS_FX_DSP_Remove(Channel, kEffect16);
        return;
    }
    bass.BASS_FX_DSP_Set(Channel, kEffect16, 1);
    bass.BASS_FX_DSP_GetParameters(Channel, kEffect16, &EffectParams);
    bass.BASS_FX_DSP_Set(Channel, kEffect16, 0);
    EffectParams.p1 = 0.25f;
    EffectParams.p2 = 2.2f;
    EffectParams.p3 = 400.0f;
    bass.BASS_FX_DSP_SetParameters(Channel, kEffect16, &EffectParams);
}

std::string TDarvoBass::ExtractDisplayName(const std::string& path) {
    // The folder ends at the last "\" or, for the paths of this system, "/";
    // without either, a drive prefix ends at the last colon.
    std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos)
        cut = path.find_last_of(':');
    if (cut == std::string::npos)
        return path;
    return path.substr(cut + 1);
}

void TDarvoBass::refreshAttributes() {
    bass.BASS_ChannelGetAttributes(Channel, &frequency, &volume, &pan);
}

int TDarvoBass::Frequency() {
    if (bass.BASS_ChannelIsActive(Channel) != BASS_ACTIVE_STOPPED)
        refreshAttributes();
    return frequency;
}

void TDarvoBass::SetFrequency(int value) {
    if (bass.BASS_ChannelIsActive(Channel) != BASS_ACTIVE_STOPPED &&
        bass.BASS_ChannelSetAttributes(Channel, value, volume, pan))
        frequency = value;
}

int TDarvoBass::Pan() {
    if (Loaded)
        refreshAttributes();
    return pan;
}

void TDarvoBass::SetPan(int value) {
    if (Loaded && bass.BASS_ChannelSetAttributes(Channel, frequency, volume, value))
        pan = value;
}

int TDarvoBass::Volume() {
    if (Loaded)
        refreshAttributes();
    return volume;
}

void TDarvoBass::SetVolume(int value) {
    if (!Loaded)
        return;
    bass.BASS_ChannelSetAttributes(Channel, frequency, value, pan);
    volume = value;
}

} // namespace sonterra
