#pragma once
// Devices 1 and on: an SDL audio output. SDL calls the mixer from its own
// thread with the device lock held; that lock is this output's lock.
//
// An output that SDL reports lost (a sound server restarted, a card removed)
// is reopened by a watchdog thread with the same name and format, so the next
// bell sounds again. Lock order inside: reopen_ (API threads and the watchdog),
// then SDL's device lock; the mixer callback holds only SDL's lock.

#include "audio/bass/output.h"

#include <SDL2/SDL_audio.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace sonterra::bass {

class SdlOutput final : public Output {
public:
    // `name` empty = the system's default output. Null when SDL cannot open it.
    // `sdl_calls` serialises SDL's opening and closing of devices (a leaf lock)
    // and must outlive the output.
    static std::unique_ptr<SdlOutput> open(const std::string& name, int rate,
                                           std::mutex& sdl_calls);
    ~SdlOutput() override;

    void lock() override;
    void unlock() override;

private:
    SdlOutput(std::string name, std::mutex& sdl_calls)
        : Output(0, 0), name_(std::move(name)), sdl_calls_(sdl_calls) {}
    static void callback(void* self, Uint8* stream, int len);
    SDL_AudioDeviceID openDevice(int rate, int allowed_changes, SDL_AudioSpec& have);
    void watch();

    const std::string name_;
    std::mutex& sdl_calls_;
    std::mutex reopen_;
    SDL_AudioDeviceID device_ = 0; // changed only with reopen_ held
    std::mutex watch_mutex_;
    std::condition_variable watch_wake_;
    bool stop_watch_ = false;
    std::thread watchdog_;
};

} // namespace sonterra::bass
