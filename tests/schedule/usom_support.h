#pragma once
// Seams for the main window's tests: a settable clock, a 500 ms timer fired by
// hand, a recorder that answers message boxes, a temporary program folder.

#include "core/application.h"
#include "core/clock.h"
#include "core/message_box.h"
#include "schedule/phased_timer.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <deque>
#include <string>
#include <vector>

namespace sonterra::usomtest {

class ManualClock : public Clock {
public:
    // Saturday 5 December 2026, 07:30:40.
    DateTime now{2026, 12, 5, 7, 30, 40, 0};
    DateTime Now() const override { return now; }
};

class ManualTimer : public TickTimer {
public:
    explicit ManualTimer(bool* enabledFlag) : enabled_(enabledFlag) {}
    void SetEnabled(bool enabled) override { *enabled_ = enabled; }
    bool Enabled() const override { return *enabled_; }
    void Fire() {
        if (*enabled_ && OnTimer)
            OnTimer();
    }

private:
    bool* enabled_;
};

// Answers each box with the next queued answer (OK when the queue is empty).
class BoxRecorder {
public:
    BoxRecorder() {
        previous_ = setMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes.push_back(request);
            if (answers.empty())
                return BoxResult::Ok;
            const BoxResult answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~BoxRecorder() { setMessageBoxHandler(previous_); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    std::vector<MessageBoxRequest> boxes;
    std::deque<BoxResult> answers;

private:
    MessageBoxHandler previous_;
};

// A program folder of its own; the program file is "sonterra" inside it.
class TempProgramFolder {
public:
    TempProgramFolder() { SetProgramFileNameForTesting(folder() + "sonterra"); }
    std::string folder() const { return dir_.path().toStdString() + "/"; }
    std::string path(const std::string& name) const { return folder() + name; }

    QByteArray bytes(const std::string& name) const {
        QFile f(QString::fromStdString(path(name)));
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray("<missing>");
        return f.readAll();
    }
    void write(const std::string& name, const QByteArray& content) const {
        QFile f(QString::fromStdString(path(name)));
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }

private:
    QTemporaryDir dir_;
};

// A 16-bit mono PCM WAV file of a 440 Hz tone.
void WriteToneWav(const std::string& path, int milliseconds);

} // namespace sonterra::usomtest
