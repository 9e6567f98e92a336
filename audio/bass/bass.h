#pragma once
/* Sonterra's audio library: decodes with FFmpeg, plays through a PulseAudio
 * (or PipeWire) server where one answers, through SDL2 elsewhere.
 * These are the calls the audio player makes, with the arguments it passes.
 * Every function may be called from any thread; the last error is per thread.
 * Handles are never reused within a process. */

#include "audio/bass/bass_errors.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;
typedef DWORD HSTREAM;
typedef DWORD(STREAMPROC)(HSTREAM handle, void* buffer, DWORD length, void* user);

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

/* Options (BASS_SetConfig). */
#define BASS_CONFIG_BUFFER 0       /* ms of audio each channel decodes ahead */
#define BASS_CONFIG_UPDATEPERIOD 1 /* 0: decoding only advances on BASS_Update */

/* Sample and stream flags. */
#define BASS_SAMPLE_8BITS 1
#define BASS_SAMPLE_MONO 2
#define BASS_SAMPLE_FLOAT 256

/* BASS_ChannelIsActive. */
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1

typedef struct BASS_CHANNELINFO {
    DWORD freq;  /* source sample rate, Hz */
    DWORD chans; /* source channels */
    DWORD flags; /* BASS_SAMPLE_* of the source and of the stream */
    DWORD ctype; /* reserved, 0 */
} BASS_CHANNELINFO;

/* 16-byte parameter record of effect 16; the first three members are floats. */
typedef struct BASS_FX_DSPPARAMS {
    float p1, p2, p3;
    DWORD reserved;
} BASS_FX_DSPPARAMS;

DWORD BASS_GetVersion(void); /* high word 0x0203 */
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, void* clsid);
const char* BASS_GetDeviceDescription(int device);
BOOL BASS_SetDevice(DWORD device);
BOOL BASS_SetConfig(DWORD option, DWORD value);
BOOL BASS_Update(void);
int BASS_ErrorGetCode(void);

HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user);
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
HSTREAM BASS_WMA_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                  DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelStop(DWORD handle);
DWORD BASS_ChannelIsActive(DWORD handle);
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
BOOL BASS_ChannelGetAttributes(DWORD handle, int* freq, int* volume, int* pan);
BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan);
QWORD BASS_ChannelGetLength(DWORD handle);
QWORD BASS_ChannelGetPosition(DWORD handle);
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos);
float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);

BOOL BASS_FX_DSP_Set(DWORD handle, int dsp, int priority);
BOOL BASS_FX_DSP_Remove(DWORD handle, int dsp);
BOOL BASS_FX_DSP_GetParameters(DWORD handle, int dsp, void* params);
BOOL BASS_FX_DSP_SetParameters(DWORD handle, int dsp, void* params);

/* Sonterra's own: a sound is due on `device` within seconds. Makes its output
 * ready (connects to the sound server, wakes a suspended sink, opens an output
 * that could not be opened at BASS_Init); returns at once. FALSE with
 * BASS_ERROR_INIT when the output still cannot be opened. */
BOOL BASSX_DevicePrepare(int device);

/* Sonterra's own: the Play of `handle`, a stream never played, is due in
 * `delay_ms`. Where the output keeps sound queued ahead (a sound server), the
 * stream's first sample is queued to be heard at that moment, silence before
 * it; the Play then confirms it. A Play well before the moment, a new
 * position or freeing the stream takes it back. FALSE with BASS_ERROR_ALREADY
 * for a stream already started. */
BOOL BASSX_ChannelCue(HSTREAM handle, DWORD delay_ms);

/* Sonterra's own: TRUE when `handle` is a stream opened from a file that is
 * still the one at `file` (the same file, with the size and modification
 * time it had then) and that has never been played: a stream opened ahead of
 * its time may then serve for a load of `file`. FALSE otherwise, with
 * BASS_ERROR_HANDLE for an unknown handle. */
BOOL BASSX_StreamFileUnchanged(HSTREAM handle, const char* file);

#ifdef __cplusplus
}
#endif
