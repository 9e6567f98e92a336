#pragma once
// One opened output device and its mixer. The output's lock is the mixer's
// lock: the mixing callback runs with it held, and every change to the set of
// channels or to a channel's play state is made with it held.
//
// Lock order, outermost first: Library::mutex, Channel::control, the output
// lock, Library::sdl_calls (a leaf). The mixer takes nothing but the output
// lock, which its caller holds; decoder threads take none of these: a ring is
// reset by the API thread while its decoder thread is stopped.
//
// Two kinds of output: those that mix every playing channel into one device
// buffer a period at a time (SDL, "no sound"), and one that gives each playing
// channel a stream of its own in a sound server, written far ahead (PulseAudio);
// the hooks below are no-ops for the first kind.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sonterra::bass {

class Channel;

class Output {
public:
    static constexpr int kChannels = 2; // the mixer always works in stereo float

    virtual ~Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    virtual void lock() = 0;
    virtual void unlock() = 0;
    int rate() const { return rate_; }
    int periodFrames() const { return period_frames_; }

    // Any thread but the mixer's.
    void attach(Channel* channel);
    virtual void detach(Channel* channel);

    // API thread, output lock held: the channel starts or stops playing. After
    // stopped() nothing of it is heard any more.
    virtual void started(Channel&) {}
    virtual void stopped(Channel&) {}
    // Of the `mixed` frames the mixer took from the channel, how many have been
    // heard. Any thread but the mixer's; may take the output lock.
    virtual std::uint64_t heardFrames(const Channel&, std::uint64_t mixed) { return mixed; }
    // A sound is due in a few seconds: be ready for it. Any thread.
    virtual void prepare() {}
    // API thread, output lock held: the channel's Play is due in `delay_us`.
    // An output that queues sound ahead may start it so that its first frame
    // is heard then, the Play confirming it, and returns true; stopped()
    // takes it back. The others mix no channel before its Play.
    virtual bool cued(Channel&, std::uint64_t /*delay_us*/) { return false; }

protected:
    Output(int rate, int period_frames);
    // Mixer thread, lock held: fills `frames` stereo frames; never blocks or allocates.
    void mix(float* out, std::size_t frames);
    void setFormat(int rate, int period_frames) {
        rate_ = rate;
        period_frames_ = period_frames;
    }

private:
    int rate_;
    int period_frames_;
    std::vector<Channel*> channels_;
};

class OutputLock {
public:
    explicit OutputLock(Output& output) : output_(output) { output_.lock(); }
    ~OutputLock() { output_.unlock(); }
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

private:
    Output& output_;
};

} // namespace sonterra::bass
