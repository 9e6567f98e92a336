#include "audio/bass/output.h"

#include "audio/bass/channel.h"

#include <algorithm>

namespace sonterra::bass {

Output::Output(int rate, int period_frames) : rate_(rate), period_frames_(period_frames) {
    channels_.reserve(16);
}

void Output::attach(Channel* channel) {
    OutputLock lock(*this);
    channels_.push_back(channel);
}

void Output::detach(Channel* channel) {
    OutputLock lock(*this);
    channels_.erase(std::remove(channels_.begin(), channels_.end(), channel), channels_.end());
}

void Output::mix(float* out, std::size_t frames) {
    std::fill_n(out, frames * kChannels, 0.0f);
    for (Channel* channel : channels_) {
        channel->mixInto(out, frames);
        // Heard about one device buffer from now: close enough for a bell.
        if (channel->drained())
            channel->markEnded();
    }
    for (std::size_t i = 0; i < frames * kChannels; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

} // namespace sonterra::bass
