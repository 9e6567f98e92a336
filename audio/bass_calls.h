#pragma once
// The seam between the player and the audio library: one virtual per library
// function the player calls, with the library's own arguments. RealBassApi()
// forwards to audio/bass; unit tests put a scripted fake in its place.

#include "audio/bass/bass.h"

namespace sonterra {

class BassApi {
public:
    virtual ~BassApi() = default;

    virtual DWORD BASS_GetVersion() = 0;
    virtual BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, void* clsid) = 0;
    virtual const char* BASS_GetDeviceDescription(int device) = 0;
    virtual BOOL BASS_SetDevice(DWORD device) = 0;
    virtual BOOL BASS_SetConfig(DWORD option, DWORD value) = 0;
    virtual BOOL BASS_Update() = 0;
    virtual int BASS_ErrorGetCode() = 0;

    virtual HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc,
                                      void* user) = 0;
    virtual HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                          DWORD flags) = 0;
    virtual HSTREAM BASS_WMA_StreamCreateFile(BOOL mem, const void* file, QWORD offset,
                                              QWORD length, DWORD flags) = 0;
    virtual BOOL BASS_StreamFree(HSTREAM handle) = 0;

    virtual BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) = 0;
    virtual BOOL BASS_ChannelStop(DWORD handle) = 0;
    virtual DWORD BASS_ChannelIsActive(DWORD handle) = 0;
    virtual BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) = 0;
    virtual BOOL BASS_ChannelGetAttributes(DWORD handle, int* freq, int* volume, int* pan) = 0;
    virtual BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) = 0;
    virtual QWORD BASS_ChannelGetLength(DWORD handle) = 0;
    virtual QWORD BASS_ChannelGetPosition(DWORD handle) = 0;
    virtual BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos) = 0;
    virtual float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) = 0;

    virtual BOOL BASS_FX_DSP_Set(DWORD handle, int dsp, int priority) = 0;
    virtual BOOL BASS_FX_DSP_Remove(DWORD handle, int dsp) = 0;
    virtual BOOL BASS_FX_DSP_GetParameters(DWORD handle, int dsp, void* params) = 0;
    virtual BOOL BASS_FX_DSP_SetParameters(DWORD handle, int dsp, void* params) = 0;

    // The library's own extensions, outside the player's call table.
    virtual BOOL BASSX_DevicePrepare(int device) = 0;
    virtual BOOL BASSX_ChannelCue(HSTREAM handle, DWORD delay_ms) = 0;
    virtual BOOL BASSX_StreamFileUnchanged(HSTREAM handle, const char* file) = 0;
};

// The library itself; lives for the whole process.
BassApi& RealBassApi();

} // namespace sonterra
