#pragma once
// A timer whose waiting is done on a worker thread of its own while OnTimer
// always runs on the thread the timer lives in (the main thread). Each tick is
// handed over and the worker blocks until it has run, so ticks never overlap
// and never queue up. Every member is for the main thread only.

#include <QObject>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace sonterra {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThreadedTimer;

// The worker: waits on WakeEvent for the interval and hands a tick over only
// when the wait timed out. Parks at the top of its loop while disabled.
class TTimerThread final : public QThread {
public:
    explicit TTimerThread(TThreadedTimer& timer);
    ~TTimerThread() override;

protected:
    void run() override;

private:
    friend class TThreadedTimer;

    // All below is guarded by mutex.
    mutable std::mutex mutex;
    std::condition_variable changed; // wake event, park state, hand-over, termination
    TThreadedTimer& owner;
    int interval = 1000;
    TThreadPriority priority = tpNormal;
    bool wakeSignalled = false; // the auto-reset WakeEvent
    bool runAllowed = false;    // false: parked at the top of the loop
    bool terminating = false;
    bool tickPending = false; // handed over, not yet taken up by the main thread
    bool tickDone = false;
    bool finished = false; // run() has left its loop
};

class TThreadedTimer final : public QObject {
public:
    // Owned by parent (QObject ownership). The worker is not started before
    // the first enabling.
    explicit TThreadedTimer(QObject* parent = nullptr);
    // Ends and frees the worker; a tick that is waiting for the main thread is
    // served here, never after. Not to be called from inside OnTimer.
    ~TThreadedTimer() override;

    bool Enabled() const { return enabled; }
    void SetEnabled(bool value);

    int Interval() const;
    void SetInterval(int value);

    TThreadPriority ThreadPriority() const;
    void SetThreadPriority(TThreadPriority value);

    // Runs on the main thread, Sender = this timer.
    std::function<void(TThreadedTimer& sender)> OnTimer;

private:
    friend class TTimerThread;

    // Worker side: post one tick and block until the main thread ran it.
    void handOverTick(std::unique_lock<std::mutex>& lock);
    // Main-thread side: runs the pending tick, if any.
    void serveTick();
    void startWorker();

    bool enabled = false;
    bool started = false;
    TTimerThread worker;
};

} // namespace sonterra
