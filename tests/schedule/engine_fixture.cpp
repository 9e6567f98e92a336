#include "engine_fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace sonterra::test {

void EngineTest::SetUp() {
    temp_ = std::make_unique<test::TemporaryFolder>("sonterra-engine");
    root_ = temp_->path();
    fs::create_directories(root_ / "prog" / "HORA");
    fs::create_directories(root_ / "sons");
    fs::create_directories(root_ / "home");
    folder_ = (root_ / "prog").string() + "/";
    programFile_ = folder_ + "sonterra";

    home_.emplace("HOME", (root_ / "home").string());
    lcTime_.emplace("LC_TIME", std::nullopt); // it would be passed on in the shortcut's Exec
    config_.emplace("XDG_CONFIG_HOME", (root_ / "config").string());
    oldCwd_ = fs::current_path();
    formats_.emplace(FormatSettings{}); // Brazilian: dd/mm/yyyy, hh:mm:ss

    boxRecorder_.whileOpen = [this](const MessageBoxRequest& r) {
        log_.push_back("box " + r.text);
    };

    OnDate(2026, 12, 7);
    At(7, 0);
    Restart();
    toque_.OnStop = [this](AudioPlayer&) { sched_->BellStopped(); };
}

void EngineTest::Restart() {
    sched_.reset();
    auto timer = std::make_unique<test::FakeTickTimer>(log_);
    timer_ = timer.get();
    sched_ = std::make_unique<TScheduler>(clock_, toque_, hora_, window_, folder_, programFile_,
                                          std::move(timer));
}

void EngineTest::TearDown() {
    toque_.OnStop = nullptr;
    sched_.reset();
    boxRecorder_.whileOpen = nullptr;
    formats_.reset();
    fs::current_path(oldCwd_);
    home_.reset();
    config_.reset();
    lcTime_.reset();
    temp_.reset();
}

void EngineTest::At(int hour, int minute, int second, int ms) {
    clock_.now.hour = hour;
    clock_.now.minute = minute;
    clock_.now.second = second;
    clock_.now.millisecond = ms;
}

void EngineTest::OnDate(int year, int month, int day) {
    clock_.now.year = year;
    clock_.now.month = month;
    clock_.now.day = day;
}

std::string EngineTest::Sound(const std::string& name) {
    const fs::path path = root_ / "sons" / name;
    std::ofstream(path, std::ios::binary) << "RIFF";
    return path.string();
}

void EngineTest::WriteDayFile(int weekday, const Lines& lines) {
    std::ofstream out(folder_ + "0" + std::to_string(weekday) + ".PR2", std::ios::binary);
    for (const auto& line : lines)
        out << line << "\r\n";
}

std::string EngineTest::Entry(const std::string& time, bool speak, const std::string& path) {
    return time + (speak ? " + " : " - ") + path;
}

std::string EngineTest::Clip(const std::string& name) {
    const std::string path = folder_ + "HORA/" + name;
    std::ofstream(path, std::ios::binary) << "RIFF";
    return path;
}

std::string EngineTest::ReadBytes(const fs::path& path) const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Log EngineTest::Only(const std::string& prefix) const {
    Log out;
    for (const auto& line : log_)
        if (line.rfind(prefix, 0) == 0)
            out.push_back(line);
    return out;
}

} // namespace sonterra::test
