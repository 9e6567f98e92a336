#include "engine_fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace sonterra::testing {

namespace {

std::optional<std::string> GetEnv(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
}

void PutEnv(const char* name, const std::optional<std::string>& value) {
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

} // namespace

void EngineTest::SetUp() {
    root_ = fs::temp_directory_path() /
            ("sonterra-engine-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "prog" / "HORA");
    fs::create_directories(root_ / "sons");
    fs::create_directories(root_ / "home");
    folder_ = (root_ / "prog").string() + "/";
    programFile_ = folder_ + "sonterra";

    oldHome_ = GetEnv("HOME");
    oldConfig_ = GetEnv("XDG_CONFIG_HOME");
    oldLcTime_ = GetEnv("LC_TIME");
    PutEnv("HOME", (root_ / "home").string());
    PutEnv("LC_TIME", std::nullopt); // it would be passed on in the shortcut's Exec
    PutEnv("XDG_CONFIG_HOME", (root_ / "config").string());
    oldCwd_ = fs::current_path();
    oldFormats_ = CurrentFormatSettings();
    CurrentFormatSettings() = FormatSettings{}; // Brazilian: dd/mm/yyyy, hh:mm:ss

    oldHandler_ = setMessageBoxHandler([this](const MessageBoxRequest& r) {
        boxes_.push_back(r);
        log_.push_back("box " + r.text);
        return BoxResult::Ok;
    });

    OnDate(2026, 12, 7);
    At(7, 0);
    auto timer = std::make_unique<FakeTimer>(log_);
    timer_ = timer.get();
    sched_ = std::make_unique<TScheduler>(clock_, toque_, hora_, window_, folder_, programFile_,
                                          std::move(timer));
    toque_.OnStop = [this](AudioPlayer&) { sched_->BellStopped(); };
}

void EngineTest::TearDown() {
    toque_.OnStop = nullptr;
    sched_.reset();
    setMessageBoxHandler(oldHandler_);
    CurrentFormatSettings() = oldFormats_;
    fs::current_path(oldCwd_);
    PutEnv("HOME", oldHome_);
    PutEnv("XDG_CONFIG_HOME", oldConfig_);
    PutEnv("LC_TIME", oldLcTime_);
    std::error_code ec;
    fs::remove_all(root_, ec);
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

} // namespace sonterra::testing
