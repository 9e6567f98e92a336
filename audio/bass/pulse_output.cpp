#include "audio/bass/pulse_output.h"

#include "audio/bass/channel.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace sonterra::bass {

namespace {

// Sound kept in the server ahead of what is heard; paplay keeps 2 s too.
constexpr pa_usec_t kAheadUs = 2'000'000;
// The server asks for more each time this much has been played.
constexpr pa_usec_t kRequestUs = 1'000'000;
// A new stream starts as soon as this much is there: the first write.
constexpr pa_usec_t kStartUs = 10'000;
// A stream the decoder has not kept up with tries again this soon.
constexpr pa_usec_t kRetryUs = 10'000;
// A server that answers nothing for this long while a channel plays is taken
// for lost. Timing updates come at least every 1.5 s from a live one.
constexpr pa_usec_t kStallLimitUs = 4'000'000;
constexpr pa_usec_t kWatchUs = 1'000'000;
// What a stream keeps of the sound it wrote, to write again after a move.
constexpr pa_usec_t kHistoryUs = kAheadUs + 1'000'000;
// How long opening waits for the server to answer.
constexpr pa_usec_t kConnectWaitUs = 2'000'000;
// After prepare(), a silent stream keeps a suspended sink awake this long.
constexpr pa_usec_t kWarmUs = 10'000'000;
// A cued sound whose Play comes this much before its moment was not started
// for that moment (a load of the same file at another time): it starts at once.
constexpr pa_usec_t kEarlyPlayUs = 50'000;
// A cued sound the server cannot start within this of its moment starts at
// its Play instead, as any other.
constexpr pa_usec_t kLateCueUs = 20'000;
// How long a cued stream plays silence before the place of its sound is
// taken, when its moment leaves that long.
constexpr pa_usec_t kSettleUs = 300'000;
constexpr std::size_t kFrameBytes = sizeof(float) * Output::kChannels;

class PulseOutput final : public Output {
public:
    explicit PulseOutput(int rate);
    ~PulseOutput() override;
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    bool connectAndWait();

    void lock() override { pa_threaded_mainloop_lock(loop_); }
    void unlock() override { pa_threaded_mainloop_unlock(loop_); }
    void detach(Channel* channel) override;
    void started(Channel& channel) override;
    void stopped(Channel& channel) override;
    std::uint64_t heardFrames(const Channel& channel, std::uint64_t mixed) override;
    void prepare() override;
    bool cued(Channel& channel, std::uint64_t delay_us) override;

private:
    // One playing channel's stream.
    struct Stream {
        PulseOutput* output = nullptr;
        Channel* channel = nullptr;
        pa_stream* stream = nullptr; // null until the server is ready
        std::uint64_t mixed_at_start = 0;
        std::uint64_t written = 0;     // frames written to the stream
        pa_usec_t alive_at = 0;        // the server's last sign of life for it
        bool draining = false;         // everything is written
        pa_operation* drain = nullptr; // while the server has not confirmed it
        pa_time_event* retry = nullptr;
        // The sink the server moved the stream to; empty for the default one.
        std::string device;
        // The last frames taken from the channel, by their index in its mix:
        // history[i % size] holds frame i, for i below history_end.
        std::vector<float> history;
        std::uint64_t history_end = 0;
        // When the server began to play it, by its clock at the first timing
        // that found it playing. 0 before that, and again once it ran dry.
        pa_usec_t began = 0;
        // When a move restarted it; 0 once its first write went on from there.
        pa_usec_t moved_at = 0;
        // A cued channel's stream runs before its Play: silence (the lead) up
        // to the frame that the server's latency puts at cue_at, then the
        // channel. cue_at is 0 for any other stream, and once Play confirmed it.
        pa_usec_t cue_at = 0;
        bool leading = false;       // the frame that starts the channel is not placed yet
        bool cue_missed = false;    // placed too late: it waits for its Play to start anew
        std::uint64_t lead = 0;     // silent frames written before the channel's first
        std::uint64_t lead_end = 0; // the lead placed so far
    };

    pa_sample_spec spec() const;
    bool connect();    // lock held: starts connecting unless connected or on the way
    void dropServer(); // lock held: every playing channel ends, the context goes
    void disconnect(); // lock held: the streams, the watch and the context go
    // Starts the stream of s; it begins with the channel's frame mixed_at_start.
    void openStream(Stream& s);
    Stream& newStream(Channel& channel); // an entry for the channel, its stream not open yet
    // Gives s a stream the server has not confirmed yet, left by a channel that
    // stopped at once; false when there is none.
    bool adoptUnconfirmed(Stream& s);
    void closeStream(const Stream& s); // and forgets it
    void releaseServerStream(const Stream& s);
    // Disconnects the stream, its callbacks already cleared; one the server
    // has not confirmed yet waits in `settling` until it is (`settled` is
    // the list's state callback): libpulse cannot disconnect it before, and
    // one merely let go stays in the server until the program ends.
    void dropServerStream(pa_stream* stream, std::vector<pa_stream*>& settling,
                          pa_stream_notify_cb_t settled);
    // The server moved s to another sink: it starts it there again from what
    // had been heard, with a stream of its own on that sink.
    void restartMoved(Stream& s);
    // A new server stream for s, from the channel's frame `from` on, on s.device.
    void reopen(Stream& s, std::uint64_t from);
    // Frames of the channel that were heard from s's stream, by its clock.
    std::uint64_t channelFramesPlayed(const Stream& s, pa_usec_t played) const;
    // For a cued stream's next write: places the channel's first frame if it
    // falls within `frames`; false while the server has given no timing yet.
    bool placeCue(Stream& s, std::size_t frames);
    // Frames of the channel's mix for the stream's next write: first what the
    // history holds again after a move, then new sound from the channel.
    std::size_t takeSound(Stream& s, float* out, std::size_t frames);
    void setCallbacks(pa_stream* stream, Stream* s);
    void feed(Stream& s);
    void finish(Stream& s);   // everything heard: the channel has ended
    void checkEnd(Stream& s); // everything written: finish once it is heard
    void retryLater(Stream& s, pa_usec_t after);
    void watchStreams();
    // The silent stream that keeps the sink awake after prepare(), until a
    // channel starts or kWarmUs has passed.
    void openWarmUp();
    void endWarmUp(); // the stream goes, and is not opened again

    static void contextChanged(pa_context* context, void* self);
    static void streamChanged(pa_stream* stream, void* s);
    static void unconfirmedChanged(pa_stream* stream, void* self);
    static void endingChanged(pa_stream* stream, void* self);
    static void wantsMore(pa_stream* stream, std::size_t bytes, void* s);
    static void timingCame(pa_stream* stream, void* s);
    static void streamMoved(pa_stream* stream, void* s);
    static void underflowed(pa_stream* stream, void* s);
    static void drainDone(pa_stream* stream, int success, void* s);
    static void retryDue(pa_mainloop_api* api, pa_time_event* e, const struct timeval* tv, void* s);
    static void watchDue(pa_mainloop_api* api, pa_time_event* e, const struct timeval* tv,
                         void* self);
    static void warmUpChanged(pa_stream* stream, void* self);
    static void warmUpWantsMore(pa_stream* stream, std::size_t bytes, void* self);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_mainloop_api* api_ = nullptr;
    pa_context* context_ = nullptr;
    pa_time_event* watch_ = nullptr;
    std::map<const Channel*, std::unique_ptr<Stream>> streams_;
    // The warm-up stream, and when it goes; 0 when none is wanted. The stream
    // is null until the server is ready.
    pa_stream* warm_up_ = nullptr;
    pa_usec_t warm_until_ = 0;
    // Channel streams closed before the server confirmed them (a minute of
    // many entries once filled the sink with them and silenced every later
    // bell), until it does; a channel starting meanwhile takes one over.
    std::vector<pa_stream*> unconfirmed_;
    // Warm-up streams ended before the server confirmed them (a cue follows
    // its prepare within milliseconds), until it does; too small a buffer for
    // a channel to take over.
    std::vector<pa_stream*> ending_;
};

PulseOutput::PulseOutput(int rate) : Output(rate, static_cast<int>(rate / 100)) {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ != nullptr) {
        api_ = pa_threaded_mainloop_get_api(loop_);
        pa_threaded_mainloop_set_name(loop_, "sonterra-pulse");
        if (pa_threaded_mainloop_start(loop_) < 0) {
            pa_threaded_mainloop_free(loop_);
            loop_ = nullptr;
        }
    }
}

PulseOutput::~PulseOutput() {
    if (loop_ == nullptr)
        return;
    lock();
    disconnect();
    unlock();
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

pa_sample_spec PulseOutput::spec() const {
    return pa_sample_spec{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(rate()), kChannels};
}

bool PulseOutput::connect() {
    if (context_ != nullptr) {
        if (PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)))
            return true;
        dropServer();
    }
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Sonterra");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "sonterra");
    context_ = pa_context_new_with_proplist(api_, "Sonterra", props);
    pa_proplist_free(props);
    if (context_ == nullptr)
        return false;
    pa_context_set_state_callback(context_, &PulseOutput::contextChanged, this);
    // Never start a server of our own: a user's session has one, or will.
    // A server that is not there fails inside the call, and the state callback
    // may have dropped the context already.
    pa_context* const context = context_;
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 &&
        context_ == context)
        dropServer();
    return context_ != nullptr;
}

bool PulseOutput::connectAndWait() {
    if (loop_ == nullptr)
        return false;
    struct Timeout {
        pa_threaded_mainloop* loop;
        bool fired = false;
    } timeout{loop_};
    lock();
    bool ready = false;
    if (connect()) {
        pa_time_event* timer = pa_context_rttime_new(
            context_, pa_rtclock_now() + kConnectWaitUs,
            [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* t) {
                auto* to = static_cast<Timeout*>(t);
                to->fired = true;
                pa_threaded_mainloop_signal(to->loop, 0);
            },
            &timeout);
        while (context_ != nullptr && !timeout.fired &&
               PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)) &&
               pa_context_get_state(context_) != PA_CONTEXT_READY)
            pa_threaded_mainloop_wait(loop_);
        if (timer != nullptr)
            api_->time_free(timer);
        ready = context_ != nullptr && pa_context_get_state(context_) == PA_CONTEXT_READY;
        if (!ready && context_ != nullptr)
            dropServer();
    }
    unlock();
    return ready;
}

void PulseOutput::dropServer() {
    for (const auto& [channel, s] : streams_)
        s->channel->markEnded(); // so that its end is still reported
    disconnect();
}

void PulseOutput::disconnect() {
    while (!streams_.empty())
        closeStream(*streams_.begin()->second);
    endWarmUp();
    for (auto* list : {&unconfirmed_, &ending_}) {
        for (pa_stream* stream : *list) {
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_unref(stream); // the server drops them with the connection
        }
        list->clear();
    }
    if (watch_ != nullptr)
        api_->time_free(watch_);
    watch_ = nullptr;
    if (context_ != nullptr) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
}

void PulseOutput::contextChanged(pa_context* context, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        for (auto& [channel, s] : output->streams_)
            if (s->stream == nullptr)
                output->openStream(*s);
        if (output->warm_until_ != 0 && output->warm_up_ == nullptr)
            output->openWarmUp();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        output->dropServer();
        break;
    default:
        break;
    }
    pa_threaded_mainloop_signal(output->loop_, 0);
}

void PulseOutput::setCallbacks(pa_stream* stream, Stream* s) {
    pa_stream_set_state_callback(stream, s != nullptr ? &PulseOutput::streamChanged : nullptr, s);
    pa_stream_set_write_callback(stream, s != nullptr ? &PulseOutput::wantsMore : nullptr, s);
    pa_stream_set_latency_update_callback(stream, s != nullptr ? &PulseOutput::timingCame : nullptr,
                                          s);
    pa_stream_set_moved_callback(stream, s != nullptr ? &PulseOutput::streamMoved : nullptr, s);
    pa_stream_set_underflow_callback(stream, s != nullptr ? &PulseOutput::underflowed : nullptr, s);
}

bool PulseOutput::adoptUnconfirmed(Stream& s) {
    if (unconfirmed_.empty() || !s.device.empty())
        return false;
    s.stream = unconfirmed_.back();
    unconfirmed_.pop_back();
    setCallbacks(s.stream, &s);
    return true;
}

// Once the server has confirmed or refused a stream of the list, it leaves the
// list and the server.
void LetGoOnceSettled(std::vector<pa_stream*>& list, pa_stream* stream) {
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_CREATING || state == PA_STREAM_UNCONNECTED)
        return;
    list.erase(std::remove(list.begin(), list.end(), stream), list.end());
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    if (state == PA_STREAM_READY)
        pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

void PulseOutput::unconfirmedChanged(pa_stream* stream, void* self) {
    LetGoOnceSettled(static_cast<PulseOutput*>(self)->unconfirmed_, stream);
}

void PulseOutput::endingChanged(pa_stream* stream, void* self) {
    LetGoOnceSettled(static_cast<PulseOutput*>(self)->ending_, stream);
}

void PulseOutput::openStream(Stream& s) {
    if (adoptUnconfirmed(s))
        return;
    const pa_sample_spec format = spec();
    s.stream = pa_stream_new(context_, "Sonterra", &format, nullptr);
    if (s.stream == nullptr)
        return; // the watch ends it
    setCallbacks(s.stream, &s);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kAheadUs, &format));
    attr.prebuf = static_cast<std::uint32_t>(pa_usec_to_bytes(kStartUs, &format));
    attr.minreq = static_cast<std::uint32_t>(pa_usec_to_bytes(kRequestUs, &format));
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(s.stream, s.device.empty() ? nullptr : s.device.c_str(), &attr,
                                   flags, nullptr, nullptr) < 0) {
        pa_stream_unref(s.stream);
        s.stream = nullptr;
    }
}

void PulseOutput::closeStream(const Stream& s) {
    releaseServerStream(s);
    streams_.erase(s.channel); // s is gone from here on
}

void PulseOutput::releaseServerStream(const Stream& s) {
    if (s.retry != nullptr)
        api_->time_free(s.retry);
    if (s.drain != nullptr) {
        pa_operation_cancel(s.drain);
        pa_operation_unref(s.drain);
    }
    if (s.stream != nullptr) {
        setCallbacks(s.stream, nullptr);
        dropServerStream(s.stream, unconfirmed_, &PulseOutput::unconfirmedChanged);
    }
}

void PulseOutput::dropServerStream(pa_stream* stream, std::vector<pa_stream*>& settling,
                                   pa_stream_notify_cb_t settled) {
    if (pa_stream_get_state(stream) == PA_STREAM_CREATING && context_ != nullptr) {
        settling.push_back(stream);
        pa_stream_set_state_callback(stream, settled, this);
    } else {
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
}

void PulseOutput::streamMoved(pa_stream*, void* p) {
    auto& s = *static_cast<Stream*>(p);
    s.output->restartMoved(s);
}

// The server takes back what the old sink held and plays it again on the new
// one, but the old sink may have played it already: a bell was heard up to
// two seconds too long, partly twice. The stream's clock still tells what was
// heard before the move; a stream of its own on the new sink goes on from
// there, the rest written again from the history.
void PulseOutput::restartMoved(Stream& s) {
    pa_usec_t played = 0;
    const char* device = pa_stream_get_device_name(s.stream);
    if (device == nullptr || pa_stream_get_time(s.stream, &played) != 0)
        return; // what the server does then is the best there is
    const pa_usec_t now = pa_rtclock_now();
    if (s.began != 0 && now > s.began)
        played = std::max(played, now - s.began);
    const std::size_t capacity = s.history.size() / kChannels;
    std::uint64_t heard = s.mixed_at_start + channelFramesPlayed(s, played);
    heard = std::max(heard, s.history_end - std::min<std::uint64_t>(s.history_end, capacity));
    s.device = device;
    reopen(s, heard);
    // A cued sound is placed afresh on the new sink; one playing goes on.
    if (s.cue_at == 0)
        s.moved_at = now;
}

void PulseOutput::reopen(Stream& s, std::uint64_t from) {
    releaseServerStream(s);
    s.stream = nullptr;
    s.retry = nullptr;
    s.drain = nullptr;
    s.draining = false;
    s.written = 0;
    s.began = 0;
    s.lead = s.lead_end = 0;
    s.leading = s.cue_at != 0;
    s.cue_missed = false;
    s.mixed_at_start = from;
    s.alive_at = pa_rtclock_now();
    openStream(s);
}

std::uint64_t PulseOutput::channelFramesPlayed(const Stream& s, pa_usec_t played) const {
    const std::uint64_t frames = played * static_cast<std::uint64_t>(rate()) / 1'000'000u;
    return std::min(s.written, frames - std::min(frames, s.lead));
}

std::size_t PulseOutput::takeSound(Stream& s, float* out, std::size_t frames) {
    const std::size_t capacity = s.history.size() / kChannels;
    const std::uint64_t next = s.mixed_at_start + s.written;
    std::size_t got = 0;
    if (next < s.history_end && capacity > 0) { // written again after a move
        got = static_cast<std::size_t>(std::min<std::uint64_t>(frames, s.history_end - next));
        for (std::size_t i = 0; i < got; ++i)
            std::copy_n(&s.history[((next + i) % capacity) * kChannels], kChannels,
                        out + i * kChannels);
        return got;
    }
    got = s.channel->mixInto(out, frames);
    for (std::size_t i = 0; i < got * kChannels; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
    for (std::size_t i = 0; i < got && capacity > 0; ++i)
        std::copy_n(out + i * kChannels, kChannels,
                    &s.history[((s.history_end + i) % capacity) * kChannels]);
    s.history_end += got;
    return got;
}

void PulseOutput::streamChanged(pa_stream* stream, void* p) {
    auto& s = *static_cast<Stream*>(p);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        s.alive_at = pa_rtclock_now();
        // Here, not at Play: a start closed at once (many copies of one line)
        // never gets this far.
        if (s.history.empty()) {
            const pa_sample_spec format = s.output->spec();
            s.history.resize(pa_usec_to_bytes(kHistoryUs, &format) / sizeof(float));
        }
    } else if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
        s.channel->markEnded();
        s.output->closeStream(s);
    }
}

void PulseOutput::wantsMore(pa_stream*, std::size_t, void* p) {
    auto& s = *static_cast<Stream*>(p);
    s.alive_at = pa_rtclock_now();
    s.output->feed(s);
}

void PulseOutput::timingCame(pa_stream* stream, void* p) {
    auto& s = *static_cast<Stream*>(p);
    s.alive_at = pa_rtclock_now();
    // Its first sound is heard a sink's latency after the first write, which
    // a sink alone with long streams makes seconds: taken from its clock.
    const pa_timing_info* timing = pa_stream_get_timing_info(stream);
    pa_usec_t played = 0;
    if (s.began == 0 && timing != nullptr && timing->playing != 0 &&
        pa_stream_get_time(stream, &played) == 0)
        s.began = s.alive_at - std::min(s.alive_at, played);
}

void PulseOutput::underflowed(pa_stream*, void* p) {
    static_cast<Stream*>(p)->began = 0; // the sound paused: its start tells nothing more
}

bool PulseOutput::placeCue(Stream& s, std::size_t frames) {
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(s.stream, &latency, &negative) != 0)
        return false;
    // The next frame written is heard after what the stream holds and the
    // sink's own delay.
    const pa_usec_t heard_at = pa_rtclock_now() + (negative != 0 ? 0 : latency);
    if (heard_at > s.cue_at + kLateCueUs) {
        s.leading = false;
        s.cue_missed = true;
        return true;
    }
    std::uint64_t silence =
        (s.cue_at - std::min(s.cue_at, heard_at)) * static_cast<std::uint64_t>(rate()) / 1'000'000u;
    // Until the server plays the stream its latency leaves out the sink's
    // own: placed then, a sound came late by that. Time allowing, silence
    // runs first and the place is taken once it plays.
    const pa_timing_info* timing = pa_stream_get_timing_info(s.stream);
    const std::uint64_t settle = kSettleUs * static_cast<std::uint64_t>(rate()) / 1'000'000u;
    if ((timing == nullptr || timing->playing == 0) && silence > settle) {
        s.lead_end = s.lead + std::min<std::uint64_t>(silence - settle, frames);
        s.leading = true;
        return true;
    }
    s.lead_end = s.lead + std::min<std::uint64_t>(silence, frames);
    s.leading = silence > frames; // placed in a later write, by the timing then
    return true;
}

void PulseOutput::feed(Stream& s) {
    if (s.stream == nullptr || s.draining || s.cue_missed ||
        pa_stream_get_state(s.stream) != PA_STREAM_READY)
        return;
    const std::size_t writable = pa_stream_writable_size(s.stream);
    if (writable == static_cast<std::size_t>(-1))
        return;
    std::size_t frames = writable / kFrameBytes;
    if (s.moved_at != 0 && frames > 0) {
        // The new stream took tens of ms to be ready (PipeWire: 30-70); the
        // bell went on meanwhile, and ends at its true end, not that much later.
        const pa_usec_t now = pa_rtclock_now();
        const std::uint64_t gone =
            (now - std::min(now, s.moved_at)) * static_cast<std::uint64_t>(rate()) / 1'000'000u;
        s.mixed_at_start = std::min(s.mixed_at_start + gone, s.history_end);
        s.moved_at = 0;
    }
    if (s.leading && frames > 0 && !placeCue(s, frames)) {
        retryLater(s, kRetryUs); // no timing from the server yet
        return;
    }
    if (s.cue_missed)
        return;
    bool short_of_sound = false;
    while (frames > 0) {
        void* data = nullptr;
        std::size_t bytes = frames * kFrameBytes;
        if (pa_stream_begin_write(s.stream, &data, &bytes) < 0 || data == nullptr)
            return;
        const std::size_t room = std::min(frames, bytes / kFrameBytes);
        auto* out = static_cast<float*>(data);
        std::fill_n(out, room * kChannels, 0.0f);
        const bool silent = s.lead < s.lead_end;
        const std::size_t got =
            silent ? static_cast<std::size_t>(std::min<std::uint64_t>(room, s.lead_end - s.lead))
                   : takeSound(s, out, room);
        if (got == 0) {
            pa_stream_cancel_write(s.stream);
            short_of_sound = true;
            break;
        }
        pa_stream_write(s.stream, data, got * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
        (silent ? s.lead : s.written) += got;
        frames -= got;
        if (silent && s.leading && s.lead == s.lead_end)
            break; // the channel's first frame is placed by a later write
        if (!silent && got < room && s.mixed_at_start + s.written >= s.history_end) {
            short_of_sound = true;
            break;
        }
    }
    if (s.channel->drained() && s.mixed_at_start + s.written >= s.history_end) {
        // Drain makes the server play the tail even if it is shorter than the
        // start threshold; the end itself is told by the stream's clock, since a
        // server may confirm a drain long after the sound was heard.
        s.draining = true;
        s.drain = pa_stream_drain(s.stream, &PulseOutput::drainDone, &s);
        checkEnd(s);
        return;
    }
    if (short_of_sound)
        retryLater(s, kRetryUs);
    else if (s.leading)
        retryLater(s, kSettleUs / 4); // to place it, once the stream plays
}

void PulseOutput::retryLater(Stream& s, pa_usec_t after) {
    if (s.retry != nullptr)
        pa_context_rttime_restart(context_, s.retry, pa_rtclock_now() + after);
    else
        s.retry =
            pa_context_rttime_new(context_, pa_rtclock_now() + after, &PulseOutput::retryDue, &s);
}

void PulseOutput::retryDue(pa_mainloop_api* api, pa_time_event* e, const struct timeval*, void* p) {
    auto& s = *static_cast<Stream*>(p);
    api->time_free(e);
    s.retry = nullptr;
    if (s.draining)
        s.output->checkEnd(s);
    else
        s.output->feed(s);
}

void PulseOutput::drainDone(pa_stream*, int, void* p) {
    auto& s = *static_cast<Stream*>(p);
    pa_operation_unref(s.drain);
    s.drain = nullptr;
    s.output->finish(s); // if the clock has not told it already
}

void PulseOutput::checkEnd(Stream& s) {
    pa_usec_t played = 0;
    const pa_usec_t total = (s.lead + s.written) * 1'000'000u / static_cast<std::uint64_t>(rate());
    if (pa_stream_get_time(s.stream, &played) != 0)
        played = 0;
    if (played >= total) {
        finish(s);
        return;
    }
    retryLater(s, std::min<pa_usec_t>(total - played + 2'000, kAheadUs));
}

void PulseOutput::finish(Stream& s) {
    s.channel->markEnded();
    closeStream(s);
}

void PulseOutput::watchDue(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
    static_cast<PulseOutput*>(self)->watchStreams();
}

void PulseOutput::watchStreams() {
    const pa_usec_t now = pa_rtclock_now();
    bool stalled = false;
    for (const auto& [channel, s] : streams_)
        stalled = stalled || now - s->alive_at > kStallLimitUs;
    if (stalled)
        dropServer(); // frozen or gone: treated as a lost device
    if (streams_.empty()) {
        if (watch_ != nullptr)
            api_->time_free(watch_);
        watch_ = nullptr;
        return;
    }
    pa_context_rttime_restart(context_, watch_, now + kWatchUs);
}

PulseOutput::Stream& PulseOutput::newStream(Channel& channel) {
    auto& s = streams_[&channel];
    s = std::make_unique<Stream>();
    s->output = this;
    s->channel = &channel;
    s->alive_at = pa_rtclock_now();
    s->mixed_at_start = channel.mixedFrames();
    s->history_end = s->mixed_at_start;
    if (pa_context_get_state(context_) == PA_CONTEXT_READY)
        openStream(*s);
    if (watch_ == nullptr)
        watch_ = pa_context_rttime_new(context_, pa_rtclock_now() + kWatchUs,
                                       &PulseOutput::watchDue, this);
    return *s;
}

void PulseOutput::started(Channel& channel) {
    if (!connect()) {
        channel.markEnded(); // nowhere to play: end at once, reported as ever
        return;
    }
    endWarmUp(); // a bell is here: no more need to keep awake
    const auto it = streams_.find(&channel);
    if (it == streams_.end()) {
        newStream(channel);
        return;
    }
    Stream& s = *it->second; // cued
    if (!s.leading && !s.cue_missed && s.cue_at <= pa_rtclock_now() + kEarlyPlayUs) {
        s.cue_at = 0; // the Play its moment was set for: it goes on as it is
        return;
    }
    // Not placed in time, or a Play well before its moment: from its start, now.
    s.cue_at = 0;
    reopen(s, s.mixed_at_start);
}

bool PulseOutput::cued(Channel& channel, std::uint64_t delay_us) {
    if (!connect())
        return false; // its Play starts it as any other
    endWarmUp();      // its own stream keeps the sink awake from now on
    Stream& s = newStream(channel);
    s.cue_at = pa_rtclock_now() + delay_us;
    s.leading = true;
    return true;
}

void PulseOutput::stopped(Channel& channel) {
    if (auto it = streams_.find(&channel); it != streams_.end())
        closeStream(*it->second);
}

void PulseOutput::detach(Channel* channel) {
    OutputLock hold(*this);
    stopped(*channel);
    Output::detach(channel);
}

std::uint64_t PulseOutput::heardFrames(const Channel& channel, std::uint64_t mixed) {
    OutputLock hold(*this);
    const auto it = streams_.find(&channel);
    if (it == streams_.end())
        return mixed; // not playing: nothing is queued
    const Stream& s = *it->second;
    pa_usec_t played = 0;
    if (s.stream == nullptr || pa_stream_get_state(s.stream) != PA_STREAM_READY ||
        pa_stream_get_time(s.stream, &played) != 0)
        return std::min(mixed, s.mixed_at_start);
    return std::min(mixed, s.mixed_at_start + channelFramesPlayed(s, played));
}

void PulseOutput::prepare() {
    OutputLock hold(*this);
    if (!connect())
        return;
    // A few seconds of silence wake a sink the server has suspended, so that
    // the bell is not the one to wait for it.
    warm_until_ = pa_rtclock_now() + kWarmUs;
    if (warm_up_ == nullptr && pa_context_get_state(context_) == PA_CONTEXT_READY)
        openWarmUp();
}

void PulseOutput::openWarmUp() {
    const pa_sample_spec format = spec();
    warm_up_ = pa_stream_new(context_, "Sonterra (pronto)", &format, nullptr);
    if (warm_up_ == nullptr)
        return;
    pa_stream_set_state_callback(warm_up_, &PulseOutput::warmUpChanged, this);
    pa_stream_set_write_callback(warm_up_, &PulseOutput::warmUpWantsMore, this);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    // Silence needs no reserve.
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kRequestUs, &format));
    attr.prebuf = static_cast<std::uint32_t>(pa_usec_to_bytes(kStartUs, &format));
    attr.minreq = attr.tlength;
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(warm_up_, nullptr, &attr, flags, nullptr, nullptr) < 0) {
        pa_stream_unref(warm_up_);
        warm_up_ = nullptr;
    }
}

void PulseOutput::endWarmUp() {
    warm_until_ = 0;
    if (warm_up_ == nullptr)
        return;
    pa_stream_set_state_callback(warm_up_, nullptr, nullptr);
    pa_stream_set_write_callback(warm_up_, nullptr, nullptr);
    dropServerStream(warm_up_, ending_, &PulseOutput::endingChanged);
    warm_up_ = nullptr;
}

void PulseOutput::warmUpChanged(pa_stream* stream, void* self) {
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
        auto* output = static_cast<PulseOutput*>(self);
        output->endWarmUp();
    }
}

void PulseOutput::warmUpWantsMore(pa_stream* stream, std::size_t, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    if (pa_rtclock_now() >= output->warm_until_) {
        output->endWarmUp();
        return;
    }
    std::size_t writable = pa_stream_writable_size(stream);
    if (writable == static_cast<std::size_t>(-1))
        return;
    while (writable >= kFrameBytes) {
        void* data = nullptr;
        std::size_t bytes = writable / kFrameBytes * kFrameBytes;
        if (pa_stream_begin_write(stream, &data, &bytes) < 0 || data == nullptr)
            return;
        bytes = std::min(bytes, writable) / kFrameBytes * kFrameBytes;
        if (bytes == 0) {
            pa_stream_cancel_write(stream);
            return;
        }
        std::fill_n(static_cast<char*>(data), bytes, 0);
        pa_stream_write(stream, data, bytes, nullptr, 0, PA_SEEK_RELATIVE);
        writable -= bytes;
    }
}

} // namespace

std::unique_ptr<Output> openPulseOutput(int rate) {
    auto output = std::make_unique<PulseOutput>(rate);
    if (!output->connectAndWait())
        return nullptr;
    return output;
}

} // namespace sonterra::bass
