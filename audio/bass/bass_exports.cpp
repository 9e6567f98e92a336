// The C functions of bass.h and bass_stats.h over Library and Channel.
// Every function sets the calling thread's error code, 0 on success.
//
// Choices where the player leaves the library free:
// - Devices: 0 "Sem som" (consumed at real-time pace, no output), 1 the
//   system's default output (-1 means it too): the PulseAudio server where one
//   answers, else SDL's default; 2 and on SDL's further outputs. A default
//   output that could not be opened at BASS_Init is tried again whenever a
//   stream is made on it or it is prepared.
// - Byte units: source rate and channels, 2 bytes a sample, 4 with
//   BASS_SAMPLE_FLOAT; BASS_SAMPLE_8BITS in the flags tells of an 8-bit source.
// - Length: exact when decoded to the end, the container's figure before;
//   -1 (BASS_ERROR_NOTAVAIL) when unknown, as for most addresses.
// - Attributes: frequency 0 = the source's own rate, else 100..384000 Hz; a
//   new rate restarts decoding where the sound is, at the new pace (pitch
//   follows); volume 0..100, pan -100..100 (linear balance). Anything else
//   gives BASS_ERROR_ILLPARAM and changes nothing.
// - BASS_CONFIG_BUFFER is clamped to 60..5000 ms and applies to streams made
//   after it. BASS_CONFIG_UPDATEPERIOD is kept but decoding always runs on
//   each channel's thread, so BASS_Update has nothing to do.
// - Streams from memory or from a section of a file are refused (ILLPARAM).

#include "audio/bass/bass.h"
#include "audio/bass/bass_stats.h"
#include "audio/bass/channel.h"
#include "audio/bass/ffmpeg_source.h"
#include "audio/bass/library.h"
#include "audio/bass/output.h"
#include "audio/bass/proc_source.h"

#include <algorithm>
#include <string>

using sonterra::bass::Channel;
using sonterra::bass::Library;
using sonterra::bass::Output;
using sonterra::bass::setError;

namespace {

constexpr DWORD kVersion = 0x02030100;
constexpr int kMinBufferMs = 60;
constexpr int kMaxBufferMs = 5000;

BOOL result(int error) {
    setError(error);
    return error == BASS_OK ? TRUE : FALSE;
}

std::shared_ptr<Channel> channelOrError(DWORD handle) {
    auto channel = Library::instance().channel(handle);
    if (!channel)
        setError(BASS_ERROR_HANDLE);
    return channel;
}

// The output streams are made on: the calling thread's device, opened again
// when it failed before; null with the error set when it cannot be.
Output* outputOrError() {
    int error = BASS_OK;
    Output* output = Library::instance().currentOutput(error);
    if (output == nullptr)
        setError(error);
    return output;
}

HSTREAM createFromName(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
    // Streams from memory and file sections are not offered: the player opens whole files by name.
    if (mem || file == nullptr || offset != 0 || length != 0) {
        setError(BASS_ERROR_ILLPARAM);
        return 0;
    }
    Output* output = outputOrError();
    if (output == nullptr)
        return 0;
    const std::string name = static_cast<const char*>(file);
    const bool address = name.find("://") != std::string::npos;
    if (!address) {
        if (const HSTREAM kept =
                Library::instance().reuseChannel(name, *output, flags & BASS_SAMPLE_FLOAT)) {
            setError(BASS_OK);
            return kept;
        }
    }
    int error = BASS_OK;
    auto source = sonterra::bass::FFmpegSource::open(name.c_str(), error);
    if (!source) {
        setError(error);
        return 0;
    }
    const HSTREAM handle = Library::instance().addChannel(
        std::move(source), *output, flags & BASS_SAMPLE_FLOAT, error, address ? "" : name);
    setError(error);
    return handle;
}

} // namespace

extern "C" {

DWORD BASS_GetVersion(void) {
    setError(BASS_OK);
    return kVersion;
}

BOOL BASS_Init(int device, DWORD freq, DWORD /*flags*/, void* /*win*/, void* /*clsid*/) {
    return result(Library::instance().init(device, static_cast<int>(freq)));
}

const char* BASS_GetDeviceDescription(int device) {
    const char* name = Library::instance().description(device);
    setError(name != nullptr ? BASS_OK : BASS_ERROR_DEVICE);
    return name;
}

BOOL BASS_SetDevice(DWORD device) {
    return result(Library::instance().setDevice(static_cast<int>(device)));
}

BOOL BASS_SetConfig(DWORD option, DWORD value) {
    auto& library = Library::instance();
    switch (option) {
    case BASS_CONFIG_BUFFER:
        library.buffer_ms.store(
            static_cast<int>(std::clamp<DWORD>(value, kMinBufferMs, kMaxBufferMs)));
        return result(BASS_OK);
    case BASS_CONFIG_UPDATEPERIOD:
        // Accepted and ignored: each channel decodes on its own thread whatever
        // the period, so a period of 0 never starves a sound.
        static_cast<void>(value);
        return result(BASS_OK);
    default:
        return result(BASS_ERROR_ILLTYPE);
    }
}

BOOL BASS_Update(void) {
    // Decoder threads keep every ring filled; there is nothing to do by hand.
    return result(BASS_OK);
}

int BASS_ErrorGetCode(void) {
    return sonterra::bass::lastError();
}

HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user) {
    if (freq < 100 || freq > 384000 || chans < 1 || chans > 8) {
        setError(BASS_ERROR_ILLPARAM);
        return 0;
    }
    Output* output = outputOrError();
    if (output == nullptr)
        return 0;
    auto source = std::make_unique<sonterra::bass::ProcSource>(
        static_cast<int>(freq), static_cast<int>(chans), (flags & BASS_SAMPLE_FLOAT) != 0, proc,
        user);
    auto* raw = source.get();
    // The procedure learns its handle only once the stream exists; calls made
    // while the stream is being prefilled pass 0.
    int error = BASS_OK;
    const HSTREAM handle = Library::instance().addChannel(std::move(source), *output,
                                                          flags & BASS_SAMPLE_FLOAT, error);
    if (handle != 0 && proc != nullptr)
        raw->setHandle(handle);
    setError(error);
    return handle;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
    return createFromName(mem, file, offset, length, flags);
}

HSTREAM BASS_WMA_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                  DWORD flags) {
    return createFromName(mem, file, offset, length, flags);
}

BOOL BASS_StreamFree(HSTREAM handle) {
    return result(Library::instance().freeChannel(handle) ? BASS_OK : BASS_ERROR_HANDLE);
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    channel->play(restart != FALSE);
    return result(BASS_OK);
}

BOOL BASS_ChannelStop(DWORD handle) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    channel->stop();
    return result(BASS_OK);
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    auto channel = channelOrError(handle);
    if (!channel)
        return BASS_ACTIVE_STOPPED;
    setError(BASS_OK);
    return channel->isPlaying() ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    if (info == nullptr)
        return result(BASS_ERROR_ILLPARAM);
    *info = channel->info();
    return result(BASS_OK);
}

BOOL BASS_ChannelGetAttributes(DWORD handle, int* freq, int* volume, int* pan) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    int f = 0, v = 0, p = 0;
    channel->attributes(f, v, p);
    if (freq != nullptr)
        *freq = f;
    if (volume != nullptr)
        *volume = v;
    if (pan != nullptr)
        *pan = p;
    return result(BASS_OK);
}

BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    return result(channel->setAttributes(freq, volume, pan));
}

QWORD BASS_ChannelGetLength(DWORD handle) {
    auto channel = channelOrError(handle);
    if (!channel)
        return static_cast<QWORD>(-1);
    const std::int64_t bytes = channel->lengthBytes();
    setError(bytes < 0 ? BASS_ERROR_NOTAVAIL : BASS_OK);
    return static_cast<QWORD>(bytes);
}

QWORD BASS_ChannelGetPosition(DWORD handle) {
    auto channel = channelOrError(handle);
    if (!channel)
        return static_cast<QWORD>(-1);
    setError(BASS_OK);
    return static_cast<QWORD>(channel->positionBytes());
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    return result(channel->setPosition(pos));
}

float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    auto channel = channelOrError(handle);
    if (!channel)
        return -1.0f;
    setError(BASS_OK);
    return static_cast<float>(channel->bytesToSeconds(pos));
}

BOOL BASS_FX_DSP_Set(DWORD handle, int dsp, int /*priority*/) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    return result(channel->dspSet(dsp, true));
}

BOOL BASS_FX_DSP_Remove(DWORD handle, int dsp) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    return result(channel->dspSet(dsp, false));
}

BOOL BASS_FX_DSP_GetParameters(DWORD handle, int dsp, void* params) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    return result(channel->dspParameters(dsp, params, false));
}

BOOL BASS_FX_DSP_SetParameters(DWORD handle, int dsp, void* params) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    return result(channel->dspParameters(dsp, params, true));
}

BOOL BASSX_DevicePrepare(int device) {
    return result(Library::instance().prepare(device));
}

BOOL BASSX_ChannelCue(HSTREAM handle, DWORD delay_ms) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    return result(channel->cue(std::uint64_t{delay_ms} * 1000u));
}

BOOL BASSX_StreamFileUnchanged(HSTREAM handle, const char* file) {
    auto channel = channelOrError(handle);
    if (!channel)
        return FALSE;
    setError(BASS_OK);
    return file != nullptr && channel->freshFromFile(file) ? TRUE : FALSE;
}

uint64_t BASSX_ChannelFirstOutputNs(DWORD handle) {
    auto channel = channelOrError(handle);
    if (!channel)
        return 0;
    setError(BASS_OK);
    return channel->firstOutputNs();
}

DWORD BASSX_ChannelRingBytes(DWORD handle) {
    auto channel = channelOrError(handle);
    if (!channel)
        return 0;
    setError(BASS_OK);
    return static_cast<DWORD>(channel->ringBytes());
}

BOOL BASSX_DeviceFormat(int device, DWORD* rate, DWORD* period_frames) {
    DWORD r = 0, p = 0;
    const int error = Library::instance().deviceFormat(device, r, p);
    if (error == BASS_OK) {
        if (rate != nullptr)
            *rate = r;
        if (period_frames != nullptr)
            *period_frames = p;
    }
    return result(error);
}

} // extern "C"
