#pragma once
/* Diagnostics of Sonterra's audio library, for tests and benchmarks; the
 * audio player does not use them. Any thread. */

#include "audio/bass/bass.h"

#ifdef __cplusplus
extern "C" {
#endif

/* std::chrono::steady_clock time in ns (CLOCK_MONOTONIC on Linux) at which
 * the output's mixer first mixed a sample of the channel since its last
 * BASS_ChannelPlay; 0 if none yet or if the handle is unknown. The sample
 * reaches the speaker about one output buffer later. */
uint64_t BASSX_ChannelFirstOutputNs(DWORD handle);

/* Bytes of decoded audio the channel keeps ahead of the mixer at most (its
 * ring); 0 if the handle is unknown. */
DWORD BASSX_ChannelRingBytes(DWORD handle);

/* Mixing rate and period (frames per mixer call) of an opened device;
 * FALSE with BASS_ERROR_INIT when it is not open. */
BOOL BASSX_DeviceFormat(int device, DWORD* rate, DWORD* period_frames);

#ifdef __cplusplus
}
#endif
