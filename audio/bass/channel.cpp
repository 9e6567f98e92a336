#include "audio/bass/channel.h"

#include "audio/bass/output.h"

#include <algorithm>
#include <chrono>

namespace sonterra::bass {

namespace {

constexpr int kMinRate = 100;
constexpr int kMaxRate = 384000;
// Audio decoded before a stream is handed out, so that Play never waits.
constexpr int kPrefillMs = 50;

// Wider than any rounding of a position to whole ms.
constexpr std::int64_t kShortOfClaimedEnd(int rate) {
    return rate / 100 + 1;
}

std::uint64_t monotonicNs() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since).count());
}

std::size_t ringFrames(const Output& output, int ahead_ms) {
    const std::size_t frames =
        static_cast<std::size_t>(output.rate()) * static_cast<std::size_t>(ahead_ms) / 1000;
    return std::max(frames, static_cast<std::size_t>(output.periodFrames()) * 4);
}

int effectIndex(int dsp) {
    switch (dsp) {
    case 5:
        return 0;
    case 16:
        return 1;
    default:
        return -1;
    }
}

} // namespace

Channel::Channel(DWORD handle, std::unique_ptr<Source> source, Output& output, DWORD flags,
                 int ahead_ms)
    : handle_(handle), flags_(flags),
      bytes_per_frame_(source->format().channels * ((flags & BASS_SAMPLE_FLOAT) ? 4 : 2)),
      decoder_(std::move(source), output.rate()), output_(output),
      ring_(ringFrames(output, ahead_ms), Output::kChannels) {
    play_rate_.store(decoder_.format().rate);
    length_frames_.store(decoder_.format().length_frames);
}

Channel::~Channel() {
    shutdown();
}

int Channel::start() {
    std::lock_guard control(control_);
    if (!decoder_.configure(play_rate_.load()))
        return BASS_ERROR_FILEFORM;
    prefill();
    if (decoder_.decodedFrames() == 0 && decoder_done_.load())
        return BASS_ERROR_FILEFORM; // not one sample could be decoded
    output_.attach(this);
    startThread();
    return BASS_OK;
}

void Channel::shutdown() {
    std::lock_guard control(control_);
    if (shut_down_)
        return;
    shut_down_ = true;
    output_.detach(this);
    stopThread();
}

bool Channel::produce() {
    switch (decoder_.pump(ring_)) {
    case Decoder::Step::SourceEnded: {
        const std::int64_t end = base_frame_.load() + decoder_.decodedFrames();
        end_frame_.store(end);
        if (base_frame_.load() == 0 && decoder_.endedCleanly() && decoder_.decodedFrames() > 0)
            length_frames_.store(end); // counted: exact whatever the container claimed
        return true;
    }
    case Decoder::Step::Finished:
        decoder_done_.store(true, std::memory_order_release);
        return false;
    default:
        return true;
    }
}

void Channel::prefill() {
    const std::size_t target = std::min(
        ring_.capacityFrames(), static_cast<std::size_t>(output_.rate()) * kPrefillMs / 1000 +
                                    static_cast<std::size_t>(output_.periodFrames()) * 2);
    while (ring_.readableFrames() < target && produce() && !decoder_.waiting()) {
    }
}

void Channel::decodeLoop() {
    while (!stop_thread_.load()) {
        if (!produce())
            return;
        if (!decoder_.waiting())
            continue;
        // The ring is full: sleep until the mixer takes from it. Announcing the
        // sleep before looking at the ring again means that either the mixer
        // sees the announcement and wakes us, or we see what it took.
        const std::uint32_t seen = room_.load();
        decoder_asleep_.store(true);
        if (ring_.writableFrames() == 0 && !stop_thread_.load())
            room_.wait(seen);
        decoder_asleep_.store(false);
    }
}

void Channel::startThread() {
    stop_thread_.store(false);
    thread_ = std::thread([this] { decodeLoop(); });
}

void Channel::stopThread() {
    if (!thread_.joinable())
        return;
    stop_thread_.store(true);
    room_.fetch_add(1);
    room_.notify_all();
    decoder_.source().setInterrupted(true);
    thread_.join();
    decoder_.source().setInterrupted(false);
}

int Channel::repositionLocked(std::int64_t frame) {
    bool was_playing = false;
    {
        OutputLock lock(output_);
        hold_.store(true, std::memory_order_release);
        // Sound an output queued from the old place must not be heard first.
        was_playing = playing_.load();
        if (was_playing || cued_.exchange(false))
            output_.stopped(*this);
    }
    stopThread();
    // Neither the mixer (hold) nor the decoder (stopped) touches the ring now.
    ring_.reset();
    consumed_.store(0);
    base_frame_.store(frame);
    end_frame_.store(-1);
    ended_.store(false);
    decoder_done_.store(false);
    int error = BASS_OK;
    if (!decoder_.seek(frame) || !decoder_.configure(play_rate_.load()))
        error = BASS_ERROR_POSITION; // nothing more to play from here
    prefill();
    hold_.store(false, std::memory_order_release); // publishes the new ring to the mixer
    if (!shut_down_)
        startThread();
    if (was_playing) {
        OutputLock lock(output_);
        if (playing_.load())
            output_.started(*this);
    }
    return error;
}

void Channel::play(bool restart) {
    std::lock_guard control(control_);
    ever_played_ = true;
    // A sound that has ended starts again from the start, as a loop wants it.
    if (restart || (ended_.load() && decoder_.format().seekable))
        repositionLocked(0);
    OutputLock lock(output_);
    if (ended_.load())
        return; // an address that has ended cannot go back
    if (playing_.load())
        return;
    // A cued sound may be heard already: its first output stands.
    if (!cued_.exchange(false))
        first_output_ns_.store(0);
    playing_.store(true);
    output_.started(*this);
}

int Channel::cue(std::uint64_t delay_us) {
    std::lock_guard control(control_);
    if (shut_down_ || ever_played_ || consumed_.load() != 0 || base_frame_.load() != 0)
        return BASS_ERROR_ALREADY; // only a sound never started can wait for its moment
    OutputLock lock(output_);
    if (cued_.exchange(false))
        output_.stopped(*this); // cued again: the last moment no longer holds
    // Set with the lock still held: the output mixes nothing of it before.
    cued_.store(output_.cued(*this, delay_us));
    return BASS_OK;
}

void Channel::stop() {
    std::lock_guard control(control_);
    std::int64_t heard_at = -1;
    {
        OutputLock lock(output_);
        if (!playing_.load())
            return;
        if (output_.heardFrames(*this, consumed_.load()) < consumed_.load())
            heard_at = positionFrames();
        playing_.store(false);
        output_.stopped(*this);
    }
    // What the server held but had not played went with its stream: go back to
    // what was heard, so that a Play without a rewind goes on from there.
    if (heard_at >= 0 && !ended_.load() && decoder_.format().seekable)
        repositionLocked(heard_at);
}

bool Channel::freshFromFile(const std::string& name) {
    std::lock_guard control(control_);
    // A cued one has had its start mixed already, for its moment.
    return !shut_down_ && !ever_played_ && (consumed_.load() == 0 || cued_.load()) &&
           base_frame_.load() == 0 && decoder_.source().unchangedFileAt(name);
}

bool Channel::sameSetup(const Output& output, DWORD flags, int ahead_ms) const {
    return &output_ == &output && flags_ == flags &&
           ring_.capacityFrames() == ringFrames(output, ahead_ms);
}

bool Channel::parkAs(DWORD handle) {
    std::lock_guard control(control_);
    const bool untouched = !shut_down_ && !playing_.load() && !ended_.load() &&
                           consumed_.load() == 0 && base_frame_.load() == 0 &&
                           play_rate_.load() == decoder_.format().rate && volume_.load() == 100 &&
                           pan_.load() == 0;
    if (!untouched || cued_.load() || effects_[0].enabled || effects_[1].enabled)
        return false;
    ever_played_ = false;
    handle_.store(handle);
    return true;
}

BASS_CHANNELINFO Channel::info() const {
    const SourceFormat& f = decoder_.format();
    BASS_CHANNELINFO info{};
    info.freq = static_cast<DWORD>(f.rate);
    info.chans = static_cast<DWORD>(f.channels);
    // Float output carries every source as float, so only a 16-bit stream of an
    // 8-bit source reports the 8-bit flag.
    const bool isFloat = (flags_ & BASS_SAMPLE_FLOAT) != 0;
    info.flags = (flags_ & BASS_SAMPLE_FLOAT) | (f.eight_bit && !isFloat ? BASS_SAMPLE_8BITS : 0u) |
                 (f.channels == 1 ? BASS_SAMPLE_MONO : 0u);
    info.ctype = 0;
    return info;
}

void Channel::attributes(int& freq, int& volume, int& pan) const {
    freq = play_rate_.load();
    volume = volume_.load();
    pan = pan_.load();
}

void Channel::updateGains() {
    const float volume = static_cast<float>(volume_.load()) / 100.0f;
    const int pan = pan_.load();
    gain_left_.store(volume * (pan > 0 ? static_cast<float>(100 - pan) / 100.0f : 1.0f));
    gain_right_.store(volume * (pan < 0 ? static_cast<float>(100 + pan) / 100.0f : 1.0f));
}

int Channel::setAttributes(int freq, int volume, int pan) {
    if (freq == 0)
        freq = decoder_.format().rate;
    if (freq < kMinRate || freq > kMaxRate || volume < 0 || volume > 100 || pan < -100 || pan > 100)
        return BASS_ERROR_ILLPARAM;
    std::lock_guard control(control_);
    if (freq != play_rate_.load() && !decoder_.format().seekable)
        return BASS_ERROR_NOTAVAIL;
    volume_.store(volume);
    pan_.store(pan);
    updateGains();
    if (freq != play_rate_.load()) {
        // A new rate restarts decoding where the sound is, at the new pace.
        const std::int64_t at = positionFrames();
        play_rate_.store(freq);
        repositionLocked(at);
    }
    return BASS_OK;
}

std::int64_t Channel::positionFrames() const {
    const std::int64_t length = length_frames_.load();
    std::int64_t pos;
    if (ended_.load() && end_frame_.load() >= 0) {
        pos = end_frame_.load();
    } else {
        // Mixed is not yet heard where the output keeps sound queued ahead.
        const std::uint64_t mixed = consumed_.load();
        const auto consumed = static_cast<std::int64_t>(output_.heardFrames(*this, mixed));
        pos = base_frame_.load() + consumed * play_rate_.load() / output_.rate();
        const std::int64_t end = end_frame_.load();
        if (end >= 0)
            pos = std::min(pos, end);
    }
    if (length < 0)
        return pos;
    // Before the decoder has met the true end, the container's length is only a
    // claim: stay short of it, so the player never takes it for the end.
    if (end_frame_.load() < 0)
        return std::max<std::int64_t>(
            0, std::min(pos, length - kShortOfClaimedEnd(decoder_.format().rate)));
    return std::min(pos, length);
}

std::int64_t Channel::lengthBytes() const {
    const std::int64_t frames = length_frames_.load();
    return frames < 0 ? -1 : frames * bytes_per_frame_;
}

std::int64_t Channel::positionBytes() const {
    return positionFrames() * bytes_per_frame_;
}

int Channel::setPosition(std::uint64_t bytes) {
    const auto frame =
        static_cast<std::int64_t>(bytes / static_cast<std::uint64_t>(bytes_per_frame_));
    const std::int64_t length = length_frames_.load();
    if (length >= 0 && frame > length)
        return BASS_ERROR_POSITION;
    std::lock_guard control(control_);
    if (frame == base_frame_.load() && consumed_.load() == 0 && !ended_.load())
        return BASS_OK; // already there, nothing mixed since
    if (!decoder_.format().seekable)
        return BASS_ERROR_NOTAVAIL;
    return repositionLocked(frame);
}

double Channel::bytesToSeconds(std::uint64_t bytes) const {
    return static_cast<double>(bytes) / bytes_per_frame_ / decoder_.format().rate;
}

int Channel::dspSet(int dsp, bool enabled) {
    const int i = effectIndex(dsp);
    if (i < 0)
        return BASS_ERROR_ILLTYPE;
    std::lock_guard control(control_);
    effects_[static_cast<std::size_t>(i)].enabled = enabled;
    return BASS_OK;
}

int Channel::dspParameters(int dsp, void* params, bool store) {
    const int i = effectIndex(dsp);
    if (i < 0)
        return BASS_ERROR_ILLTYPE;
    if (params == nullptr)
        return BASS_ERROR_ILLPARAM;
    std::lock_guard control(control_);
    auto& record = effects_[static_cast<std::size_t>(i)].params;
    if (store)
        std::copy_n(static_cast<const unsigned char*>(params), record.size(), record.begin());
    else
        std::copy_n(record.begin(), record.size(), static_cast<unsigned char*>(params));
    return BASS_OK;
}

std::size_t Channel::mixInto(float* out, std::size_t frames) {
    if ((!playing_.load(std::memory_order_relaxed) && !cued_.load(std::memory_order_relaxed)) ||
        hold_.load(std::memory_order_acquire))
        return 0;
    const std::size_t n = std::min(frames, ring_.readableFrames());
    if (n > 0) {
        const float left = gain_left_.load(std::memory_order_relaxed);
        const float right = gain_right_.load(std::memory_order_relaxed);
        auto [first, second] = ring_.peek(n);
        float* o = out;
        for (auto part : {first, second}) {
            for (std::size_t i = 0; i + 1 < part.size(); i += 2) {
                o[0] += part[i] * left;
                o[1] += part[i + 1] * right;
                o += 2;
            }
        }
        ring_.consume(n);
        consumed_.fetch_add(n, std::memory_order_relaxed);
        if (first_output_ns_.load(std::memory_order_relaxed) == 0)
            first_output_ns_.store(monotonicNs(), std::memory_order_relaxed);
        // Pairs with decodeLoop's sleep (sequentially consistent on both sides).
        room_.fetch_add(1);
        if (decoder_asleep_.load())
            room_.notify_one(); // a futex wake: never blocks
    }
    return n;
}

bool Channel::drained() const {
    return playing_.load(std::memory_order_relaxed) && !hold_.load(std::memory_order_acquire) &&
           decoder_done_.load(std::memory_order_acquire) && ring_.readableFrames() == 0;
}

void Channel::markEnded() {
    playing_.store(false);
    ended_.store(true);
}

} // namespace sonterra::bass
