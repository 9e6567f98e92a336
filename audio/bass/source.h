#pragma once
// Where a channel's samples come from: a decoded file or address, or the
// caller's stream procedure. Used only on the channel's own thread, or on the
// calling thread while that thread is not running.

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <cstdint>
#include <string>

namespace sonterra::bass {

struct SourceFormat {
    int rate = 0;
    int channels = 0;
    AVSampleFormat sample_format = AV_SAMPLE_FMT_NONE;
    AVChannelLayout layout{};        // native-order layout, no heap data
    bool eight_bit = false;          // the source holds 8-bit PCM
    std::int64_t length_frames = -1; // -1 when the container does not know
    bool seekable = true;
};

class Source {
public:
    virtual ~Source() = default;
    virtual const SourceFormat& format() const = 0;
    // Next block of samples in format(); `data` stays valid until the next call.
    // Returns the number of frames, 0 at the end, a negative number on a read error.
    virtual int next(const std::uint8_t* const*& data) = 0;
    // Makes next() start at `frame`; false when the source cannot go there.
    virtual bool seek(std::int64_t frame) = 0;
    // Makes a blocking read give up at once (set before joining the thread).
    virtual void setInterrupted(bool) {}
    // The source is the file now at `name`, unchanged since it was opened.
    // Any thread.
    virtual bool unchangedFileAt(const std::string& /*name*/) const { return false; }
};

} // namespace sonterra::bass
