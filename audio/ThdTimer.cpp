#include "audio/ThdTimer.h"

#include <chrono>

namespace sonterra {

namespace {

QThread::Priority toQtPriority(TThreadPriority p) {
    switch (p) {
    case tpIdle:
        return QThread::IdlePriority;
    case tpLowest:
        return QThread::LowestPriority;
    case tpLower:
        return QThread::LowPriority;
    case tpNormal:
        return QThread::NormalPriority;
    case tpHigher:
        return QThread::HighPriority;
    case tpHighest:
        return QThread::HighestPriority;
    case tpTimeCritical:
        return QThread::TimeCriticalPriority;
    }
    return QThread::NormalPriority;
}

} // namespace

TTimerThread::TTimerThread(TThreadedTimer& timer) : owner(timer) {}

TTimerThread::~TTimerThread() {
    // The timer's destructor has already ended the loop; this only joins.
    wait();
}

void TTimerThread::run() {
    std::unique_lock lock(mutex);
    for (;;) {
        // Parked here, holding nothing the main thread needs.
        changed.wait(lock, [this] { return runAllowed || terminating; });
        if (terminating)
            break;

        // Wait on the auto-reset event for at most the interval; the unsigned
        // reading matches the enabling test.
        const auto timeout = std::chrono::milliseconds(static_cast<unsigned>(interval));
        const bool signalled = changed.wait_for(lock, timeout, [this] { return wakeSignalled; });
        wakeSignalled = false;
        if (!signalled)
            owner.handOverTick(lock);

        if (terminating)
            break;
    }
    finished = true;
    changed.notify_all();
}

TThreadedTimer::TThreadedTimer(QObject* parent) : QObject(parent), worker(*this) {}

TThreadedTimer::~TThreadedTimer() {
    std::unique_lock lock(worker.mutex);
    worker.terminating = true;
    worker.wakeSignalled = true;
    worker.runAllowed = true;
    worker.changed.notify_all();
    if (started) {
        // A worker blocked in its hand-over only finishes once the tick was
        // taken up, and the queued call will never be delivered to a timer
        // that is going away: serve it from here.
        const bool onOwnThread = QThread::currentThread() == thread();
        while (!worker.finished) {
            if (onOwnThread && worker.tickPending) {
                lock.unlock();
                serveTick();
                lock.lock();
                continue;
            }
            worker.changed.wait(lock);
        }
    }
    lock.unlock();
    worker.wait();
}

void TThreadedTimer::handOverTick(std::unique_lock<std::mutex>& lock) {
    worker.tickPending = true;
    worker.tickDone = false;
    QMetaObject::invokeMethod(
        this, [this] { serveTick(); }, Qt::QueuedConnection);
    worker.changed.notify_all(); // a destructor may be waiting to serve it
    worker.changed.wait(lock, [this] { return worker.tickDone; });
}

void TThreadedTimer::serveTick() {
    {
        std::lock_guard lock(worker.mutex);
        if (!worker.tickPending)
            return;
        worker.tickPending = false;
    }
    // A tick that arrives after disabling is dropped.
    if (enabled && OnTimer)
        OnTimer(*this);
    std::lock_guard lock(worker.mutex);
    worker.tickDone = true;
    worker.changed.notify_all();
}

void TThreadedTimer::startWorker() {
    if (started)
        return;
    started = true;
    worker.start(toQtPriority(worker.priority));
}

void TThreadedTimer::SetEnabled(bool value) {
    if (value == enabled)
        return;
    enabled = value;
    std::unique_lock lock(worker.mutex);
    if (!value) {
        worker.runAllowed = false;
        return;
    }
    if (static_cast<unsigned>(worker.interval) == 0)
        return; // counts as enabled, but the worker stays parked
    // The signalled event ends the next wait without a tick, so the first
    // tick comes one full interval from now.
    worker.wakeSignalled = true;
    worker.runAllowed = true;
    worker.changed.notify_all();
    lock.unlock();
    startWorker();
}

int TThreadedTimer::Interval() const {
    std::lock_guard lock(worker.mutex);
    return worker.interval;
}

void TThreadedTimer::SetInterval(int value) {
    if (value == Interval())
        return;
    const bool wasEnabled = enabled;
    SetEnabled(false);
    {
        std::lock_guard lock(worker.mutex);
        worker.interval = value;
    }
    SetEnabled(wasEnabled);
}

TThreadPriority TThreadedTimer::ThreadPriority() const {
    std::lock_guard lock(worker.mutex);
    return worker.priority;
}

void TThreadedTimer::SetThreadPriority(TThreadPriority value) {
    {
        std::lock_guard lock(worker.mutex);
        worker.priority = value;
    }
    // The system may refuse a raise to a normal user; that is ignored.
    if (started && worker.isRunning())
        worker.setPriority(toQtPriority(value));
}

} // namespace sonterra
