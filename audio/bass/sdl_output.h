#pragma once
// Devices 1 and on: an SDL audio output. SDL calls the mixer from its own
// thread with the device lock held; that lock is this output's lock.

#include "audio/bass/output.h"

#include <SDL2/SDL_audio.h>

#include <memory>
#include <string>

namespace sonterra::bass {

class SdlOutput final : public Output {
public:
    // `name` empty = the system's default output. Null when SDL cannot open it.
    static std::unique_ptr<SdlOutput> open(const std::string& name, int rate);
    ~SdlOutput() override;

    void lock() override { SDL_LockAudioDevice(device_); }
    void unlock() override { SDL_UnlockAudioDevice(device_); }

private:
    SdlOutput() : Output(0, 0) {}
    static void callback(void* self, Uint8* stream, int len);

    SDL_AudioDeviceID device_ = 0;
};

} // namespace sonterra::bass
