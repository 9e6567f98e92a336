#include "audio/bass_calls.h"

namespace sonterra {

namespace {

// Forwards every call to audio/bass as it stands.
class LibraryBassApi final : public BassApi {
public:
    DWORD BASS_GetVersion() override { return ::BASS_GetVersion(); }
    BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, void* clsid) override {
        return ::BASS_Init(device, freq, flags, win, clsid);
    }
    const char* BASS_GetDeviceDescription(int device) override {
        return ::BASS_GetDeviceDescription(device);
    }
    BOOL BASS_SetDevice(DWORD device) override { return ::BASS_SetDevice(device); }
    BOOL BASS_SetConfig(DWORD option, DWORD value) override {
        return ::BASS_SetConfig(option, value);
    }
    BOOL BASS_Update() override { return ::BASS_Update(); }
    int BASS_ErrorGetCode() override { return ::BASS_ErrorGetCode(); }
    HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc,
                              void* user) override {
        return ::BASS_StreamCreate(freq, chans, flags, proc, user);
    }
    HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                  DWORD flags) override {
        return ::BASS_StreamCreateFile(mem, file, offset, length, flags);
    }
    HSTREAM BASS_WMA_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                      DWORD flags) override {
        return ::BASS_WMA_StreamCreateFile(mem, file, offset, length, flags);
    }
    BOOL BASS_StreamFree(HSTREAM handle) override { return ::BASS_StreamFree(handle); }
    BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) override {
        return ::BASS_ChannelPlay(handle, restart);
    }
    BOOL BASS_ChannelStop(DWORD handle) override { return ::BASS_ChannelStop(handle); }
    DWORD BASS_ChannelIsActive(DWORD handle) override { return ::BASS_ChannelIsActive(handle); }
    BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) override {
        return ::BASS_ChannelGetInfo(handle, info);
    }
    BOOL BASS_ChannelGetAttributes(DWORD handle, int* freq, int* volume, int* pan) override {
        return ::BASS_ChannelGetAttributes(handle, freq, volume, pan);
    }
    BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) override {
        return ::BASS_ChannelSetAttributes(handle, freq, volume, pan);
    }
    QWORD BASS_ChannelGetLength(DWORD handle) override { return ::BASS_ChannelGetLength(handle); }
    QWORD BASS_ChannelGetPosition(DWORD handle) override {
        return ::BASS_ChannelGetPosition(handle);
    }
    BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos) override {
        return ::BASS_ChannelSetPosition(handle, pos);
    }
    float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) override {
        return ::BASS_ChannelBytes2Seconds(handle, pos);
    }
    BOOL BASS_FX_DSP_Set(DWORD handle, int dsp, int priority) override {
        return ::BASS_FX_DSP_Set(handle, dsp, priority);
    }
    BOOL BASS_FX_DSP_Remove(DWORD handle, int dsp) override {
        return ::BASS_FX_DSP_Remove(handle, dsp);
    }
    BOOL BASS_FX_DSP_GetParameters(DWORD handle, int dsp, void* params) override {
        return ::BASS_FX_DSP_GetParameters(handle, dsp, params);
    }
    BOOL BASS_FX_DSP_SetParameters(DWORD handle, int dsp, void* params) override {
        return ::BASS_FX_DSP_SetParameters(handle, dsp, params);
    }
    BOOL BASSX_DevicePrepare(int device) override { return ::BASSX_DevicePrepare(device); }
    BOOL BASSX_ChannelCue(HSTREAM handle, DWORD delay_ms) override {
        return ::BASSX_ChannelCue(handle, delay_ms);
    }
    BOOL BASSX_StreamFileUnchanged(HSTREAM handle, const char* file) override {
        return ::BASSX_StreamFileUnchanged(handle, file);
    }
};

} // namespace

BassApi& RealBassApi() {
    static LibraryBassApi api;
    return api;
}

} // namespace sonterra
