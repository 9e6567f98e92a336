#include "audio/bass/proc_source.h"

#include <algorithm>

namespace sonterra::bass {

namespace {
constexpr int kBlockFrames = 1024;
}

ProcSource::ProcSource(int rate, int channels, bool is_float, STREAMPROC* proc, void* user)
    : proc_(proc), user_(user) {
    format_.rate = rate;
    format_.channels = channels;
    format_.sample_format = is_float ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&format_.layout, channels);
    format_.seekable = proc == nullptr;
    buffer_.assign(static_cast<std::size_t>(kBlockFrames) * channels * (is_float ? 4 : 2), 0);
    planes_[0] = buffer_.data();
}

int ProcSource::next(const std::uint8_t* const*& data) {
    data = planes_;
    const int frame_bytes = static_cast<int>(buffer_.size()) / kBlockFrames;
    if (proc_ == nullptr)
        return kBlockFrames; // the buffer stays zero: silence
    if (ended_)
        return 0;
    const DWORD got =
        proc_(handle_.load(), buffer_.data(), static_cast<DWORD>(buffer_.size()), user_);
    ended_ = (got & kStreamProcEnd) != 0;
    const DWORD bytes = std::min<DWORD>(got & ~kStreamProcEnd, static_cast<DWORD>(buffer_.size()));
    const int frames = static_cast<int>(bytes) / frame_bytes;
    if (frames == 0 && !ended_) {
        // Nothing yet: hand over a short silence rather than spin.
        std::fill(buffer_.begin(), buffer_.end(), std::uint8_t{0});
        return kBlockFrames / 8;
    }
    return frames;
}

} // namespace sonterra::bass
