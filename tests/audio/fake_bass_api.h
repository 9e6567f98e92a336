#pragma once
// A scripted stand-in for the audio library: records every call in order as
// "Name(arg,arg,...)" and answers with the results a test chose.

#include "audio/bass_calls.h"

#include <deque>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace sonterra::test {

class FakeBassApi final : public BassApi {
public:
    std::vector<std::string> calls;

    // Results to give.
    DWORD version = 0x02030004;
    bool initSucceeds = true;
    std::string description = "Saida de teste";
    HSTREAM probeHandle = 900;
    HSTREAM nextHandle = 10; // each successful open takes the next one
    bool openSucceeds = true;
    DWORD infoFlags = 0;
    int channelFreq = 44100, channelVolume = 50, channelPan = 0;
    bool setAttributesAccepted = true;
    bool fileUnchanged = true;
    QWORD length = 176400; // one second of 16-bit stereo at 44100 Hz
    QWORD position = 0;
    DWORD active = BASS_ACTIVE_PLAYING;
    float secondsOverride = 0.0f; // when set, Bytes2Seconds gives it
    bool useSecondsOverride = false;
    BASS_FX_DSPPARAMS addOnParams{1.0f, 1.0f, 1.0f, 77};

    // Error codes left behind by calls, per function, one per call; a call
    // with none scripted leaves 0, as a successful call does.
    std::map<std::string, std::deque<int>> errors;

    // What arrived.
    std::vector<BASS_FX_DSPPARAMS> paramsSet;
    int lastError = 0;

    bool called(const std::string& call) const {
        for (const auto& c : calls)
            if (c == call)
                return true;
        return false;
    }
    int count(const std::string& prefix) const {
        int n = 0;
        for (const auto& c : calls)
            if (c.rfind(prefix, 0) == 0)
                ++n;
        return n;
    }

    DWORD BASS_GetVersion() override {
        record("BASS_GetVersion");
        return version;
    }
    BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, void* clsid) override {
        record("BASS_Init", device, freq, flags, win ? "win" : "null", clsid ? "clsid" : "null");
        return initSucceeds;
    }
    const char* BASS_GetDeviceDescription(int device) override {
        record("BASS_GetDeviceDescription", device);
        return description.empty() ? nullptr : description.c_str();
    }
    BOOL BASS_SetDevice(DWORD device) override {
        record("BASS_SetDevice", device);
        return TRUE;
    }
    BOOL BASS_SetConfig(DWORD option, DWORD value) override {
        record("BASS_SetConfig", option, value);
        return TRUE;
    }
    BOOL BASS_Update() override {
        record("BASS_Update");
        return TRUE;
    }
    int BASS_ErrorGetCode() override {
        calls.push_back("BASS_ErrorGetCode");
        return lastError;
    }
    HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc,
                              void* user) override {
        record("BASS_StreamCreate", freq, chans, flags, proc ? "proc" : "null",
               user ? "user" : "0");
        return probeHandle;
    }
    HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD size,
                                  DWORD flags) override {
        record("BASS_StreamCreateFile", mem, static_cast<const char*>(file), offset, size, flags);
        return open();
    }
    HSTREAM BASS_WMA_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD size,
                                      DWORD flags) override {
        record("BASS_WMA_StreamCreateFile", mem, static_cast<const char*>(file), offset, size,
               flags);
        return open();
    }
    BOOL BASS_StreamFree(HSTREAM handle) override {
        record("BASS_StreamFree", handle);
        return TRUE;
    }
    BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) override {
        record("BASS_ChannelPlay", handle, restart);
        return TRUE;
    }
    BOOL BASS_ChannelStop(DWORD handle) override {
        record("BASS_ChannelStop", handle);
        return TRUE;
    }
    DWORD BASS_ChannelIsActive(DWORD handle) override {
        record("BASS_ChannelIsActive", handle);
        return active;
    }
    BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) override {
        record("BASS_ChannelGetInfo", handle);
        *info = BASS_CHANNELINFO{44100, 2, infoFlags, 0};
        return TRUE;
    }
    BOOL BASS_ChannelGetAttributes(DWORD handle, int* freq, int* volume, int* pan) override {
        record("BASS_ChannelGetAttributes", handle);
        *freq = channelFreq;
        *volume = channelVolume;
        *pan = channelPan;
        return TRUE;
    }
    BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) override {
        record("BASS_ChannelSetAttributes", handle, freq, volume, pan);
        return setAttributesAccepted;
    }
    QWORD BASS_ChannelGetLength(DWORD handle) override {
        record("BASS_ChannelGetLength", handle);
        return length;
    }
    QWORD BASS_ChannelGetPosition(DWORD handle) override {
        record("BASS_ChannelGetPosition", handle);
        return position;
    }
    BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos) override {
        record("BASS_ChannelSetPosition", handle, pos);
        return TRUE;
    }
    float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) override {
        record("BASS_ChannelBytes2Seconds", handle, pos);
        return useSecondsOverride ? secondsOverride : static_cast<float>(pos) / 176400.0f;
    }
    BOOL BASS_FX_DSP_Set(DWORD handle, int dsp, int priority) override {
        record("BASS_FX_DSP_Set", handle, dsp, priority);
        return TRUE;
    }
    BOOL BASS_FX_DSP_Remove(DWORD handle, int dsp) override {
        record("BASS_FX_DSP_Remove", handle, dsp);
        return TRUE;
    }
    BOOL BASS_FX_DSP_GetParameters(DWORD handle, int dsp, void* params) override {
        record("BASS_FX_DSP_GetParameters", handle, dsp);
        *static_cast<BASS_FX_DSPPARAMS*>(params) = addOnParams;
        return TRUE;
    }
    BOOL BASS_FX_DSP_SetParameters(DWORD handle, int dsp, void* params) override {
        record("BASS_FX_DSP_SetParameters", handle, dsp);
        paramsSet.push_back(*static_cast<BASS_FX_DSPPARAMS*>(params));
        return TRUE;
    }
    BOOL BASSX_DevicePrepare(int device) override {
        record("BASSX_DevicePrepare", device);
        return TRUE;
    }
    BOOL BASSX_ChannelCue(HSTREAM handle, DWORD delay_ms) override {
        record("BASSX_ChannelCue", handle, delay_ms);
        return TRUE;
    }
    BOOL BASSX_StreamFileUnchanged(HSTREAM handle, const char* file) override {
        record("BASSX_StreamFileUnchanged", handle, file);
        return fileUnchanged;
    }

private:
    HSTREAM open() { return openSucceeds ? nextHandle++ : 0; }

    template <typename... Args> void record(const std::string& name, const Args&... args) {
        std::ostringstream text;
        text << name << '(';
        const char* separator = "";
        ((text << separator << args, separator = ","), ...);
        (void)separator;
        text << ')';
        calls.push_back(text.str());
        auto& scripted = errors[name];
        if (scripted.empty()) {
            lastError = 0;
        } else {
            lastError = scripted.front();
            scripted.pop_front();
        }
    }
};

} // namespace sonterra::test
