#pragma once
// Device 1 where a PulseAudio (or PipeWire's pulse) server answers: each
// playing channel gets a server stream of its own, created at Play and written
// far ahead, so a busy machine never breaks a sound up and a new bell never
// waits behind sound queued for another. Nothing exists while nothing plays:
// no stream, no timer, and the server thread sleeps in poll().
//
// Threads: the API threads, and libpulse's threaded main loop, which runs every
// callback (the mixer of this output) with its lock held. That lock is this
// output's lock; it is recursive, so a callback may take it again.
//
// A server that goes away, or takes no sound for kStallLimit while a channel
// plays, is dropped: the playing channels end (their ends are reported) and
// the next Play or prepare() connects afresh.

#include "audio/bass/output.h"

#include <memory>

namespace sonterra::bass {

// Null when no server answers at once (then SDL is tried). Built only where
// libpulse is; elsewhere it always gives null.
std::unique_ptr<Output> openPulseOutput(int rate);

} // namespace sonterra::bass
