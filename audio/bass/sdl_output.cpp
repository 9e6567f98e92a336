#include "audio/bass/sdl_output.h"

namespace sonterra::bass {

namespace {
// About 11 ms at 44100 Hz: a Play reaches the speaker within a period or two.
constexpr Uint16 kPeriodFrames = 512;
} // namespace

std::unique_ptr<SdlOutput> SdlOutput::open(const std::string& name, int rate)
{
    std::unique_ptr<SdlOutput> output(new SdlOutput());
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = kChannels;
    want.samples = kPeriodFrames;
    want.callback = &SdlOutput::callback;
    want.userdata = output.get();
    SDL_AudioSpec have{};
    output->device_ = SDL_OpenAudioDevice(name.empty() ? nullptr : name.c_str(), 0, &want, &have,
                                          SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (output->device_ == 0)
        return nullptr;
    output->setFormat(have.freq, have.samples);
    SDL_PauseAudioDevice(output->device_, 0);
    return output;
}

SdlOutput::~SdlOutput()
{
    if (device_ != 0)
        SDL_CloseAudioDevice(device_);
}

void SdlOutput::callback(void* self, Uint8* stream, int len)
{
    auto* output = static_cast<SdlOutput*>(self);
    output->mix(reinterpret_cast<float*>(stream),
                static_cast<std::size_t>(len) / (sizeof(float) * kChannels));
}

} // namespace sonterra::bass
