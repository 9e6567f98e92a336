#pragma once
// What the scheduler and the main window use of an audio player. TDarvoBass
// implements it; scheduler tests put a recording fake in its place.
// Main thread only.

#include <functional>
#include <string>

namespace sonterra {

class AudioPlayer {
public:
    virtual ~AudioPlayer() = default;

    // Stops a playing sound (OnStop fires before it returns), then releases it.
    virtual void CloseStream() = 0;
    // Opens a file or address; reports its own errors; nothing to play after a failure.
    virtual void LoadFile(const std::string& name) = 0;
    // Starts the loaded sound; does nothing when nothing is loaded.
    virtual void Play() = 0;
    // Stops the loaded sound and fires OnStop (even when it was not playing).
    virtual void Stop() = 0;
    // True from Play until the sound stops.
    virtual bool IsPlaying() const = 0;
    // A sound is due in `dueInMs`: have the output ready for it (a sound
    // server connected, a suspended sink awake) and, given the file the next
    // LoadFile will name, open it ahead, apart from the sound loaded now,
    // which goes on, and set its start for that moment. A LoadFile of that
    // file, unchanged, and a Play then take it. A hint only: what cannot be
    // opened ahead is left to LoadFile, which reports it.
    virtual void Prepare(const std::string& /*name*/, int /*dueInMs*/) {}
    // What Prepare opened and no LoadFile took is let go.
    virtual void ReleasePrepared() {}
    // While reserved, LoadFile opens its file anew and leaves what Prepare
    // opened to a later load.
    virtual void ReservePrepared(bool /*reserved*/) {}

    // Owned by the caller; the player never reads or writes it.
    int SpeakTimeAfter = 0;
    // Fired whenever the loaded sound stops, with the player as sender.
    std::function<void(AudioPlayer& sender)> OnStop;
};

} // namespace sonterra
