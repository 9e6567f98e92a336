#pragma once
// One stream: its decoder, the ring the decoder thread fills ahead of the
// mixer, and the play state and position the mixer keeps.
//
// Threads: the API functions (any thread, serialised per channel by `control_`),
// the decoder thread (producer of the ring; touches only the ring, the source,
// the resampler and atomics) and the output's mixer (consumer: mixInto,
// drained and markEnded, with the output lock held). The decoder thread sleeps
// while the ring is full and the mixer wakes it; nothing of a channel wakes
// by the clock.

#include "audio/bass/bass.h"
#include "audio/bass/decoder.h"
#include "audio/bass/ring_buffer.h"
#include "audio/bass/source.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace sonterra::bass {

class Output;

class Channel {
public:
    // `flags`: BASS_SAMPLE_FLOAT decides the byte units (4 or 2 bytes a sample).
    // `ahead_ms`: how far the decoder may run ahead of the mixer.
    Channel(DWORD handle, std::unique_ptr<Source> source, Output& output, DWORD flags,
            int ahead_ms);
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // Fills the ring so that a Play has sound at once, joins the output and
    // starts the decoder thread. Returns 0, or 41 when nothing can be decoded.
    int start();
    // Leaves the output and stops the decoder thread; after it the mixer never
    // sees this channel again. Safe while the output's callback runs.
    void shutdown();

    DWORD handle() const { return handle_.load(); }
    void play(bool restart);
    // Its Play is due in `delay_us`: the output may start its sound then,
    // before the Play, which confirms it. Any other change of its play state
    // or position takes the cue back. 0 or an error code.
    int cue(std::uint64_t delay_us);
    void stop();
    bool isPlaying() const { return playing_.load(); }
    BASS_CHANNELINFO info() const;
    void attributes(int& freq, int& volume, int& pan) const;
    int setAttributes(int freq, int volume, int pan); // 0 or an error code
    std::int64_t lengthBytes() const;                 // -1 when unknown
    std::int64_t positionBytes() const;
    int setPosition(std::uint64_t bytes); // 0 or an error code
    double bytesToSeconds(std::uint64_t bytes) const;

    int dspSet(int dsp, bool enabled);
    int dspParameters(int dsp, void* params, bool store);

    // Opened from the file now at `name`, unchanged since, and still at its
    // start, never played: it can serve a load of that file.
    bool freshFromFile(const std::string& name);
    // Freed with nothing of it mixed and nothing changed: made as good as newly
    // opened, under a new handle, so that a load of the same file can take it.
    // False (and nothing changed) when it was heard, moved, ended or altered.
    bool parkAs(DWORD handle);
    // Made for `output` with these flags and this reach ahead.
    bool sameSetup(const Output& output, DWORD flags, int ahead_ms) const;

    std::uint64_t firstOutputNs() const { return first_output_ns_.load(); }
    std::size_t ringBytes() const {
        return ring_.capacityFrames() * ring_.channels() * sizeof(float);
    }
    // Output frames the mixer has taken since the last reposition.
    std::uint64_t mixedFrames() const { return consumed_.load(); }

    // Mixer thread, output lock held. Adds up to `frames` stereo frames of
    // this channel into `out`, while it plays or is cued; returns how many it had.
    std::size_t mixInto(float* out, std::size_t frames);
    // Everything is mixed: the output ends the channel once it is heard.
    bool drained() const;
    void markEnded();

private:
    struct Effect {
        bool enabled = false;
        std::array<unsigned char, 16> params{};
    };

    bool produce(); // one producer step; false once everything is in the ring
    void decodeLoop();
    void startThread();
    void stopThread();
    void prefill();
    int repositionLocked(std::int64_t frame);
    std::int64_t positionFrames() const;
    void updateGains();

    std::atomic<DWORD> handle_;
    const DWORD flags_;
    const int bytes_per_frame_;
    Decoder decoder_; // the decoder thread's, or the API thread's while that one is stopped
    Output& output_;
    RingBuffer ring_;

    std::mutex control_; // API calls on this channel, one at a time
    bool shut_down_ = false;
    bool ever_played_ = false; // under control_
    std::array<Effect, 2> effects_{};

    std::thread thread_;
    std::atomic<bool> stop_thread_{false};
    std::atomic<std::uint32_t> room_{0};      // bumped by the mixer after each take
    std::atomic<bool> decoder_asleep_{false}; // the decoder waits on room_

    // Shared with the mixer.
    std::atomic<bool> playing_{false};
    std::atomic<bool> cued_{false}; // set and cleared with the output lock held
    std::atomic<bool> ended_{false};
    std::atomic<bool> hold_{false}; // mixer leaves the ring alone
    std::atomic<bool> decoder_done_{false};
    std::atomic<std::uint64_t> consumed_{0}; // output frames mixed since the last reposition
    std::atomic<std::int64_t> base_frame_{0};
    std::atomic<std::int64_t> end_frame_{-1};
    std::atomic<std::int64_t> length_frames_{-1};
    std::atomic<int> play_rate_{0};
    std::atomic<int> volume_{100};
    std::atomic<int> pan_{0};
    std::atomic<float> gain_left_{1.0f};
    std::atomic<float> gain_right_{1.0f};
    std::atomic<std::uint64_t> first_output_ns_{0};
};

} // namespace sonterra::bass
