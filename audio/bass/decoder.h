#pragma once
// A channel's producer: takes blocks from its source, resamples them to the
// output's rate in stereo float and moves them into the ring. Used by one
// thread at a time: the channel's decoder thread, or the API thread while
// that thread is stopped.

#include "audio/bass/ring_buffer.h"
#include "audio/bass/source.h"

#include <cstdint>
#include <memory>
#include <vector>

struct SwrContext;

namespace sonterra::bass {

class Decoder {
public:
    enum class Step {
        Progress,    // audio went into the ring
        RingFull,    // decoded audio waits for room in the ring
        SourceEnded, // the source has just given its last block
        Finished,    // everything is in the ring
    };

    Decoder(std::unique_ptr<Source> source, int output_rate);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    const SourceFormat& format() const { return source_->format(); }
    Source& source() { return *source_; }

    // (Re)creates the resampler for a playback rate; false when it cannot.
    bool configure(int play_rate);
    // Starts again from `frame` of the source; false when the source cannot go there.
    bool seek(std::int64_t frame);
    // One step of decoding into `ring`.
    Step pump(RingBuffer& ring);

    bool waiting() const { return pending_off_ < pending_frames_; }
    // Source frames decoded since the last seek.
    std::int64_t decodedFrames() const { return decoded_frames_; }
    // The source came to its true end (not a read error).
    bool endedCleanly() const { return ended_cleanly_; }

private:
    std::unique_ptr<Source> source_;
    const int output_rate_;
    SwrContext* swr_ = nullptr;
    std::vector<float> pending_; // resampled, not yet in the ring
    std::size_t pending_off_ = 0;
    std::size_t pending_frames_ = 0;
    bool source_done_ = false;
    bool ended_cleanly_ = false;
    std::int64_t decoded_frames_ = 0;
};

} // namespace sonterra::bass
