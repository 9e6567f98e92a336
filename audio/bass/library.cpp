#include "audio/bass/library.h"

#include "audio/bass/channel.h"
#include "audio/bass/null_output.h"
#include "audio/bass/sdl_output.h"
#include "audio/bass/source.h"

#include <SDL2/SDL.h>

namespace sonterra::bass {

namespace {

thread_local int t_error = BASS_OK;
thread_local int t_device = -1;

constexpr int kDefaultRate = 44100;

const char* const kNoSoundName = "Sem som";
const char* const kDefaultOutputName = "Saída padrão";

} // namespace

void setError(int code)
{
    t_error = code;
}

int lastError()
{
    return t_error;
}

Library& Library::instance()
{
    static Library library;
    return library;
}

Library::~Library()
{
    std::map<DWORD, std::shared_ptr<Channel>> channels;
    {
        std::lock_guard lock(mutex_);
        channels.swap(channels_);
    }
    for (auto& [handle, channel] : channels)
        channel->shutdown();
    channels.clear();
    outputs_.clear();
    if (sdl_audio_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool Library::startSdlAudio()
{
    if (!sdl_audio_) {
        // SDL would otherwise take SIGINT and SIGTERM for itself and the
        // program could no longer be ended by a logout or a kill.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        sdl_audio_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    return sdl_audio_;
}

int Library::outputCount()
{
    return std::max(SDL_GetNumAudioDevices(0), 0);
}

int Library::init(int device, int freq)
{
    if (device == -1)
        device = 1; // -1 asks for the default output
    if (device < 0)
        return BASS_ERROR_DEVICE;
    if (freq < 8000 || freq > 384000)
        freq = kDefaultRate;
    std::lock_guard lock(mutex_);
    if (outputs_.count(device) != 0)
        return BASS_ERROR_ALREADY;
    std::unique_ptr<Output> output;
    if (device == 0) {
        output = std::make_unique<NullOutput>(freq);
    } else {
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
        if (!output)
            return BASS_ERROR_DRIVER;
    }
    outputs_.emplace(device, std::move(output));
    last_device_ = device;
    t_device = device;
    return BASS_OK;
}

const char* Library::description(int device)
{
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

int Library::setDevice(int device)
{
    if (device < 0)
        return BASS_ERROR_DEVICE;
    std::lock_guard lock(mutex_);
    if (outputs_.count(device) == 0)
        return device <= 1 ? BASS_ERROR_INIT : BASS_ERROR_DEVICE;
    t_device = device;
    return BASS_OK;
}

Output* Library::currentOutput(int& error)
{
    std::lock_guard lock(mutex_);
    const int device = t_device >= 0 ? t_device : last_device_;
    const auto it = outputs_.find(device);
    if (it == outputs_.end()) {
        error = BASS_ERROR_INIT;
        return nullptr;
    }
    error = BASS_OK;
    return it->second.get();
}

int Library::deviceFormat(int device, DWORD& rate, DWORD& period_frames)
{
    std::lock_guard lock(mutex_);
    const auto it = outputs_.find(device);
    if (it == outputs_.end())
        return BASS_ERROR_INIT;
    rate = static_cast<DWORD>(it->second->rate());
    period_frames = static_cast<DWORD>(it->second->periodFrames());
    return BASS_OK;
}

DWORD Library::addChannel(std::unique_ptr<Source> source, Output& output, DWORD flags, int& error)
{
    DWORD handle = 0;
    {
        std::lock_guard lock(mutex_);
        handle = next_handle_++;
    }
    auto channel = std::make_shared<Channel>(handle, std::move(source), output, flags, buffer_ms.load());
    error = channel->start();
    if (error != BASS_OK)
        return 0;
    std::lock_guard lock(mutex_);
    channels_.emplace(handle, std::move(channel));
    return handle;
}

std::shared_ptr<Channel> Library::channel(DWORD handle)
{
    std::lock_guard lock(mutex_);
    const auto it = channels_.find(handle);
    return it == channels_.end() ? nullptr : it->second;
}

std::shared_ptr<Channel> Library::takeChannel(DWORD handle)
{
    std::lock_guard lock(mutex_);
    const auto it = channels_.find(handle);
    if (it == channels_.end())
        return nullptr;
    auto channel = std::move(it->second);
    channels_.erase(it);
    return channel;
}

} // namespace sonterra::bass
