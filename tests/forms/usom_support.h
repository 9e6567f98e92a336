#pragma once
// Seams for the main window's tests: the shared settable clock, 500 ms timer
// fired by hand and box recorder (tests/support), a temporary program folder.

#include "core/application.h"
#include "core/clock.h"
#include "tests/support/box_recorder.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_tick_timer.h"
#include "tests/support/test_platform.h"

#include <QByteArray>
#include <QFile>

#include <string>

namespace sonterra::test {

// Saturday 5 December 2026, 07:30:40: where the window's clock starts.
inline constexpr DateTime kSaturdayMorning{2026, 12, 5, 7, 30, 40, 0};

// A program folder of its own; the program file is "sonterra" inside it.
class TempProgramFolder {
public:
    TempProgramFolder() { SetProgramFileNameForTesting(folder() + "sonterra"); }
    std::string folder() const { return dir_.path(); }
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
    test::TemporaryFolder dir_{"sonterra-usom"};
};

// A 16-bit mono PCM WAV file of a 440 Hz tone.
void WriteToneWav(const std::string& path, int milliseconds);

} // namespace sonterra::test
