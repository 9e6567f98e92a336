#pragma once
// Single-producer single-consumer ring of interleaved float frames.
// The decoder thread writes, the mixer reads; neither ever waits for the other.
// reset() is only legal while neither side runs (see Channel::reposition).

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sonterra::bass {

class RingBuffer {
public:
    RingBuffer(std::size_t capacity_frames, int channels)
        : channels_(channels), capacity_(capacity_frames),
          data_(capacity_frames * static_cast<std::size_t>(channels), 0.0f) {}

    std::size_t capacityFrames() const { return capacity_; }
    int channels() const { return channels_; }

    // Producer side.
    std::size_t writableFrames() const {
        return capacity_ -
               (write_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire));
    }

    // Copies as many whole frames as fit; returns the number copied.
    std::size_t write(const float* frames, std::size_t count) {
        const std::uint64_t w = write_.load(std::memory_order_relaxed);
        count = std::min(count, writableFrames());
        std::size_t done = 0;
        while (done < count) {
            const std::size_t at = static_cast<std::size_t>((w + done) % capacity_);
            const std::size_t n = std::min(count - done, capacity_ - at);
            std::copy_n(frames + done * channels_, n * channels_, data_.data() + at * channels_);
            done += n;
        }
        write_.store(w + count, std::memory_order_release);
        return count;
    }

    // Consumer side.
    std::size_t readableFrames() const {
        return static_cast<std::size_t>(write_.load(std::memory_order_acquire) -
                                        read_.load(std::memory_order_relaxed));
    }

    // Up to two spans that together hold the next `count` readable frames (count must be readable).
    std::pair<std::span<const float>, std::span<const float>> peek(std::size_t count) const {
        const std::size_t at =
            static_cast<std::size_t>(read_.load(std::memory_order_relaxed) % capacity_);
        const std::size_t first = std::min(count, capacity_ - at);
        return {std::span<const float>(data_.data() + at * channels_, first * channels_),
                std::span<const float>(data_.data(), (count - first) * channels_)};
    }

    void consume(std::size_t count) {
        read_.store(read_.load(std::memory_order_relaxed) + count, std::memory_order_release);
    }

    void reset() {
        read_.store(0, std::memory_order_relaxed);
        write_.store(0, std::memory_order_release);
    }

private:
    const int channels_;
    const std::size_t capacity_;
    std::vector<float> data_;
    std::atomic<std::uint64_t> write_{0};
    std::atomic<std::uint64_t> read_{0};
};

} // namespace sonterra::bass
