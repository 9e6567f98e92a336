#include "audio/bass/sdl_output.h"

#include <chrono>
#include <vector>

namespace sonterra::bass {

namespace {

// About 11 ms at 44100 Hz: a Play reaches the speaker within a period or two.
constexpr Uint16 kPeriodFrames = 512;
constexpr auto kWatchInterval = std::chrono::milliseconds(500);

} // namespace

SDL_AudioDeviceID SdlOutput::openDevice(int rate, int allowed_changes, SDL_AudioSpec& have) {
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = kChannels;
    want.samples = kPeriodFrames;
    want.callback = &SdlOutput::callback;
    want.userdata = this;
    std::lock_guard calls(sdl_calls_);
    return SDL_OpenAudioDevice(name_.empty() ? nullptr : name_.c_str(), 0, &want, &have,
                               allowed_changes);
}

std::unique_ptr<SdlOutput> SdlOutput::open(const std::string& name, int rate,
                                           std::mutex& sdl_calls) {
    std::unique_ptr<SdlOutput> output(new SdlOutput(name, sdl_calls));
    SDL_AudioSpec have{};
    output->device_ = output->openDevice(rate, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE, have);
    if (output->device_ == 0)
        return nullptr;
    output->setFormat(have.freq, have.samples);
    SDL_PauseAudioDevice(output->device_, 0);
    output->watchdog_ = std::thread([raw = output.get()] { raw->watch(); });
    return output;
}

SdlOutput::~SdlOutput() {
    if (watchdog_.joinable()) {
        {
            std::lock_guard lock(watch_mutex_);
            stop_watch_ = true;
        }
        watch_wake_.notify_all();
        watchdog_.join();
    }
    if (device_ != 0) {
        std::lock_guard calls(sdl_calls_);
        SDL_CloseAudioDevice(device_);
    }
}

void SdlOutput::lock() {
    reopen_.lock();
    SDL_LockAudioDevice(device_);
}

void SdlOutput::unlock() {
    SDL_UnlockAudioDevice(device_);
    reopen_.unlock();
}

void SdlOutput::watch() {
    std::vector<float> scratch;
    std::unique_lock wait_lock(watch_mutex_);
    while (!watch_wake_.wait_for(wait_lock, kWatchInterval, [this] { return stop_watch_; })) {
        std::lock_guard reopen(reopen_);
        if (SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED)
            continue;
        // Lost (or not back yet). The old device must be gone before a new one
        // mixes: one consumer per ring. Same rate as before, whatever SDL must convert.
        {
            std::lock_guard calls(sdl_calls_);
            SDL_CloseAudioDevice(device_);
        }
        SDL_AudioSpec have{};
        device_ = openDevice(rate(), 0, have);
        if (device_ != 0) {
            SDL_PauseAudioDevice(device_, 0);
            continue;
        }
        // Nowhere to play: consume the interval's worth anyway, so that sounds
        // still come to their end and the player goes on.
        const auto frames = static_cast<std::size_t>(rate()) * kWatchInterval.count() / 1000;
        scratch.resize(frames * kChannels);
        mix(scratch.data(), frames);
    }
}

void SdlOutput::callback(void* self, Uint8* stream, int len) {
    auto* output = static_cast<SdlOutput*>(self);
    output->mix(reinterpret_cast<float*>(stream),
                static_cast<std::size_t>(len) / (sizeof(float) * kChannels));
}

} // namespace sonterra::bass
