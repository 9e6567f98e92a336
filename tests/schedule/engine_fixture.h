#pragma once
// A program folder in a temporary directory, a settable clock, recording
// players and window, and a TScheduler wired as the main window wires it.

#include "engine_fakes.h"

#include "core/application.h"
#include "core/format_settings.h"
#include "core/message_box.h"
#include "tests/support/box_recorder.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_tick_timer.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace sonterra::test {

namespace fs = std::filesystem;

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Monday 7 December 2026 (weekday 2, file 02.PR2) unless a date is given.
    void At(int hour, int minute, int second = 0, int ms = 0);
    void OnDate(int year, int month, int day);
    // A new scheduler on the same folder, players and window: the program started again.
    void Restart();

    // A sound file (contents irrelevant) below the temporary folder.
    std::string Sound(const std::string& name);
    // A day file written as the program writes it, CR LF after each line.
    void WriteDayFile(int weekday, const Lines& lines);
    static std::string Entry(const std::string& time, bool speak, const std::string& path);
    // HORA/<name> in the program folder.
    std::string Clip(const std::string& name);
    std::string ReadBytes(const fs::path& path) const;
    std::string StateBytes() const { return ReadBytes(folder_ + "SOM.INI"); }
    // Log entries that start with prefix, in order.
    Log Only(const std::string& prefix) const;

    // The shortcut of "Ativar" is a COM object on Windows, as in the program.
    MainThreadCom com_;
    fs::path root_;
    std::string folder_; // program folder, trailing separator
    std::string programFile_;
    Log log_;
    test::FakeClock clock_;
    FakePlayer toque_{"toque", log_};
    FakePlayer hora_{"hora", log_};
    FakeWindow window_{log_};
    test::FakeTickTimer* timer_ = nullptr; // owned by sched_
    std::unique_ptr<TScheduler> sched_;
    // Every box, logged as "box <text>"; a test may set whileOpen instead.
    test::BoxRecorder boxRecorder_;
    std::vector<MessageBoxRequest>& boxes_ = boxRecorder_.boxes;

private:
    std::unique_ptr<test::TemporaryFolder> temp_;
    fs::path oldCwd_;
    std::optional<test::ScopedEnv> home_, config_, lcTime_;
    std::optional<test::ScopedFormatSettings> formats_;
};

} // namespace sonterra::test
