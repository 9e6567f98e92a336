#include "audio/bass/decoder.h"

#include "audio/bass/output.h"

extern "C" {
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace sonterra::bass {

Decoder::Decoder(std::unique_ptr<Source> source, int output_rate)
    : source_(std::move(source)), output_rate_(output_rate) {}

Decoder::~Decoder() {
    swr_free(&swr_);
}

bool Decoder::configure(int play_rate) {
    swr_free(&swr_);
    const SourceFormat& in = source_->format();
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    AVChannelLayout layout = in.layout; // native order: a plain copy
    bool ok = swr_alloc_set_opts2(&swr_, &stereo, AV_SAMPLE_FMT_FLT, output_rate_, &layout,
                                  in.sample_format, play_rate, 0, nullptr) >= 0;
    if (ok && in.channels == 1) {
        // Mono plays at full level on both sides, not 3 dB down as a centre channel would.
        const double to_both[2] = {1.0, 1.0};
        ok = swr_set_matrix(swr_, to_both, 1) >= 0;
    }
    ok = ok && swr_init(swr_) >= 0;
    if (!ok)
        swr_free(&swr_); // pump() then has nothing to give
    return ok;
}

bool Decoder::seek(std::int64_t frame) {
    pending_off_ = pending_frames_ = 0;
    decoded_frames_ = 0;
    ended_cleanly_ = false;
    source_done_ = !source_->seek(frame);
    return !source_done_;
}

Decoder::Step Decoder::pump(RingBuffer& ring) {
    Step step = Step::Progress;
    if (!waiting()) {
        if (source_done_ || swr_ == nullptr)
            return Step::Finished;
        const std::uint8_t* const* data = nullptr;
        const int frames = source_->next(data);
        const int capacity = swr_get_out_samples(swr_, std::max(frames, 0));
        if (capacity > 0 &&
            pending_.size() < static_cast<std::size_t>(capacity) * Output::kChannels)
            pending_.resize(static_cast<std::size_t>(capacity) * Output::kChannels);
        auto* out = reinterpret_cast<std::uint8_t*>(pending_.data());
        int got = 0;
        if (frames > 0) {
            decoded_frames_ += frames;
            got = swr_convert(swr_, &out, capacity, const_cast<const std::uint8_t**>(data), frames);
        } else {
            // The end, or a read error, which ends the sound just the same.
            if (capacity > 0)
                got = swr_convert(swr_, &out, capacity, nullptr, 0);
            source_done_ = true;
            ended_cleanly_ = frames == 0;
            step = Step::SourceEnded;
        }
        pending_off_ = 0;
        pending_frames_ = static_cast<std::size_t>(std::max(got, 0));
    }
    pending_off_ += ring.write(pending_.data() + pending_off_ * Output::kChannels,
                               pending_frames_ - pending_off_);
    if (step == Step::Progress && waiting())
        step = Step::RingFull;
    return step;
}

} // namespace sonterra::bass
