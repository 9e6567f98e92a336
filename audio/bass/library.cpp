#include "audio/bass/library.h"

#include "audio/bass/channel.h"
#include "audio/bass/null_output.h"
#include "audio/bass/pulse_output.h"
#include "audio/bass/sdl_output.h"
#include "audio/bass/source.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <string_view>

namespace sonterra::bass {

namespace {

thread_local int t_error = BASS_OK;
thread_local int t_device = -1;

constexpr int kDefaultRate = 44100;
// Freed channels kept for reuse: how many, and for how long.
constexpr std::size_t kKeptChannels = 4;
constexpr auto kKeptFor = std::chrono::seconds(10);

const char* const kNoSoundName = "Sem som";
const char* const kDefaultOutputName = "Saída padrão";

} // namespace

void setError(int code) {
    t_error = code;
}

int lastError() {
    return t_error;
}

Library& Library::instance() {
    static Library library;
    return library;
}

Library::~Library() {
    std::map<DWORD, std::shared_ptr<Channel>> channels;
    {
        std::lock_guard lock(mutex_);
        channels.swap(channels_);
    }
    for (auto& [handle, channel] : channels)
        channel->shutdown();
    channels.clear();
    for (auto& kept : kept_)
        kept.channel->shutdown();
    kept_.clear();
    outputs_.clear();
    if (sdl_audio_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool Library::startSdlAudio() {
    if (!sdl_audio_) {
        // SDL would otherwise take SIGINT and SIGTERM for itself and the
        // program could no longer be ended by a logout or a kill.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        sdl_audio_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    return sdl_audio_;
}

int Library::outputCount() {
    return std::max(SDL_GetNumAudioDevices(0), 0);
}

int Library::init(int device, int freq) {
    if (device == -1)
        device = 1; // -1 asks for the default output
    if (device < 0)
        return BASS_ERROR_DEVICE;
    if (freq < 8000 || freq > 384000)
        freq = kDefaultRate;
    std::lock_guard lock(mutex_);
    if (outputs_.count(device) != 0)
        return BASS_ERROR_ALREADY;
    const int error = openOutput(device, freq);
    if (error == BASS_ERROR_DRIVER)
        wanted_[device] = freq; // at logon the sound server may come later
    if (error != BASS_OK)
        return error;
    last_device_ = device;
    t_device = device;
    return BASS_OK;
}

bool Library::wantsPulse() {
    // SDL_AUDIODRIVER naming another driver asks for SDL (dummy and disk in tests).
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    return driver == nullptr || *driver == '\0' || std::string_view(driver) == "pulseaudio" ||
           std::string_view(driver) == "pulse";
}

int Library::openOutput(int device, int freq) {
    std::unique_ptr<Output> output;
    if (device == 0) {
        output = std::make_unique<NullOutput>(freq);
    } else {
        // The default output goes to the sound server where one answers: it
        // holds seconds of sound ahead, which SDL's small device buffer cannot.
        if (device == 1 && wantsPulse())
            output = openPulseOutput(freq);
        if (!output) {
            std::string name;
            {
                std::lock_guard calls(sdl_calls_);
                if (!startSdlAudio())
                    return BASS_ERROR_DRIVER;
                if (device >= 2) {
                    if (device - 2 >= outputCount())
                        return BASS_ERROR_DEVICE;
                    const char* sdl_name = SDL_GetAudioDeviceName(device - 2, 0);
                    if (sdl_name == nullptr)
                        return BASS_ERROR_DEVICE;
                    name = sdl_name;
                }
            }
            output = SdlOutput::open(name, freq, sdl_calls_);
        }
        if (!output)
            return BASS_ERROR_DRIVER;
    }
    outputs_.emplace(device, std::move(output));
    wanted_.erase(device);
    return BASS_OK;
}

Output* Library::outputOrRetry(int device) {
    auto it = outputs_.find(device);
    if (it == outputs_.end()) {
        const auto wanted = wanted_.find(device);
        if (wanted == wanted_.end() || openOutput(device, wanted->second) != BASS_OK)
            return nullptr;
        if (last_device_ < 0)
            last_device_ = device;
        it = outputs_.find(device);
    }
    return it->second.get();
}

int Library::prepare(int device) {
    Output* output = nullptr;
    std::vector<std::shared_ptr<Channel>> done;
    {
        std::lock_guard lock(mutex_);
        output = outputOrRetry(device);
        dropKept(true, done); // a new minute: what was kept for the last is no use
    }
    for (auto& channel : done)
        channel->shutdown();
    if (output == nullptr)
        return BASS_ERROR_INIT;
    output->prepare(); // outputs live until the process ends
    return BASS_OK;
}

const char* Library::description(int device) {
    if (device == 0)
        return kNoSoundName;
    if (device == 1 || device == -1)
        return kDefaultOutputName;
    if (device < 0)
        return nullptr;
    std::lock_guard lock(mutex_);
    std::string name;
    {
        std::lock_guard calls(sdl_calls_);
        if (!startSdlAudio() || device - 2 >= outputCount())
            return nullptr;
        const char* sdl_name = SDL_GetAudioDeviceName(device - 2, 0);
        if (sdl_name == nullptr)
            return nullptr;
        name = sdl_name;
    }
    return names_.insert(name).first->c_str();
}

int Library::setDevice(int device) {
    if (device < 0)
        return BASS_ERROR_DEVICE;
    std::lock_guard lock(mutex_);
    if (outputOrRetry(device) == nullptr)
        return device <= 1 || wanted_.count(device) != 0 ? BASS_ERROR_INIT : BASS_ERROR_DEVICE;
    t_device = device;
    return BASS_OK;
}

Output* Library::currentOutput(int& error) {
    std::lock_guard lock(mutex_);
    int device = t_device >= 0 ? t_device : last_device_;
    if (device < 0 && !wanted_.empty())
        device = wanted_.begin()->first; // the one asked for, never opened yet
    Output* output = outputOrRetry(device);
    error = output != nullptr ? BASS_OK : BASS_ERROR_INIT;
    return output;
}

int Library::deviceFormat(int device, DWORD& rate, DWORD& period_frames) {
    std::lock_guard lock(mutex_);
    const auto it = outputs_.find(device);
    if (it == outputs_.end())
        return BASS_ERROR_INIT;
    rate = static_cast<DWORD>(it->second->rate());
    period_frames = static_cast<DWORD>(it->second->periodFrames());
    return BASS_OK;
}

DWORD Library::addChannel(std::unique_ptr<Source> source, Output& output, DWORD flags, int& error,
                          const std::string& file) {
    DWORD handle = 0;
    {
        std::lock_guard lock(mutex_);
        handle = next_handle_++;
    }
    auto channel =
        std::make_shared<Channel>(handle, std::move(source), output, flags, buffer_ms.load());
    error = channel->start();
    if (error != BASS_OK)
        return 0;
    std::lock_guard lock(mutex_);
    channels_.emplace(handle, std::move(channel));
    if (!file.empty())
        files_.emplace(handle, file);
    return handle;
}

std::shared_ptr<Channel> Library::channel(DWORD handle) {
    std::lock_guard lock(mutex_);
    const auto it = channels_.find(handle);
    return it == channels_.end() ? nullptr : it->second;
}

bool Library::freeChannel(DWORD handle) {
    std::vector<std::shared_ptr<Channel>> done;
    {
        std::lock_guard lock(mutex_);
        const auto it = channels_.find(handle);
        if (it == channels_.end())
            return false;
        auto channel = std::move(it->second);
        channels_.erase(it);
        const auto file = files_.find(handle);
        dropKept(false, done);
        if (file != files_.end() && channel->parkAs(next_handle_)) {
            ++next_handle_;
            kept_.push_back({std::move(channel), file->second, std::chrono::steady_clock::now()});
        } else {
            done.push_back(std::move(channel));
        }
        if (file != files_.end())
            files_.erase(file);
    }
    // Shut down outside the lock: it waits for the decoder thread.
    for (auto& channel : done)
        channel->shutdown();
    return true;
}

void Library::dropKept(bool all, std::vector<std::shared_ptr<Channel>>& done) {
    const auto now = std::chrono::steady_clock::now();
    for (auto k = kept_.begin(); k != kept_.end();) {
        if (all || now - k->since > kKeptFor || kept_.size() >= kKeptChannels) {
            done.push_back(std::move(k->channel));
            k = kept_.erase(k);
        } else {
            ++k;
        }
    }
}

DWORD Library::reuseChannel(const std::string& name, Output& output, DWORD flags) {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    for (auto k = kept_.begin(); k != kept_.end(); ++k) {
        if (k->file != name || now - k->since > kKeptFor ||
            !k->channel->sameSetup(output, flags, buffer_ms.load()) ||
            !k->channel->freshFromFile(name))
            continue;
        const DWORD handle = k->channel->handle();
        channels_.emplace(handle, std::move(k->channel));
        files_.emplace(handle, name);
        kept_.erase(k);
        return handle;
    }
    return 0;
}

} // namespace sonterra::bass
