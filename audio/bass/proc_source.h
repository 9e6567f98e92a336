#pragma once
// A stream fed by the caller's procedure (BASS_StreamCreate). The procedure is
// called on the channel's thread and must fill up to `length` bytes of
// interleaved 16-bit (or float, with BASS_SAMPLE_FLOAT) samples; the count it
// returns may carry BASS_STREAMPROC_END (bit 31) to end the stream. Without a
// procedure the stream is endless silence.

#include "audio/bass/bass.h"
#include "audio/bass/source.h"

#include <atomic>
#include <vector>

namespace sonterra::bass {

inline constexpr DWORD kStreamProcEnd = 0x80000000u;

class ProcSource final : public Source {
public:
    ProcSource(int rate, int channels, bool is_float, STREAMPROC* proc, void* user);
    void setHandle(HSTREAM handle) { handle_.store(handle); }
    const SourceFormat& format() const override { return format_; }
    int next(const std::uint8_t* const*& data) override;
    bool seek(std::int64_t frame) override { return frame == 0 && proc_ == nullptr; }

private:
    SourceFormat format_;
    STREAMPROC* proc_;
    void* user_;
    std::atomic<HSTREAM> handle_{0}; // set by the creating thread once the channel runs
    bool ended_ = false;
    std::vector<std::uint8_t> buffer_;
    const std::uint8_t* planes_[1] = {nullptr};
};

} // namespace sonterra::bass
