#pragma once
// Fakes for the scheduler engine's seams. Every fake writes what happens to it
// into one shared log, so tests can check the order across players and window.
// The clock and the timer are the shared ones (tests/support).

#include "audio/audio_player.h"
#include "core/message_box.h"
#include "schedule/scheduler.h"

#include <functional>
#include <string>
#include <vector>

namespace sonterra::test {

using Log = std::vector<std::string>;

// Plays nothing; a sound "plays" from Play until it is stopped or ended.
class FakePlayer : public AudioPlayer {
public:
    FakePlayer(std::string name, Log& log) : name_(std::move(name)), log_(log) {}

    void CloseStream() override {
        Record("CloseStream");
        if (playing_) {
            playing_ = false;
            FireOnStop();
        }
        loaded_.clear();
    }
    void LoadFile(const std::string& file) override {
        Record("LoadFile " + file);
        loaded_ = failLoads || file == unreadable ? std::string() : file;
        if (onLoad)
            onLoad(file);
        if (file == unreadable) // the player reports its own failures
            ShowMessage("ERRO AO CARREGAR CANAL:\r\rArquivo: " + file + "\r\rErro Cod:BS41");
    }
    void Play() override {
        Record("Play");
        if (!loaded_.empty())
            playing_ = true;
    }
    void Stop() override {
        Record("Stop");
        playing_ = false;
        FireOnStop();
    }
    bool IsPlaying() const override { return playing_; }
    // Counted apart from the log: hints, not part of any sequence of calls.
    void Prepare(const std::string& file, int dueInMs) override {
        ++prepares;
        prepared.push_back(file);
        dues.push_back(dueInMs);
    }
    void ReservePrepared(bool reserved) override { reservations.push_back(reserved); }
    void ReleasePrepared() override {
        ++releases;
        releasedAfter = log_.size();
    }
    int prepares = 0;
    std::vector<std::string> prepared; // the file of each Prepare
    std::vector<int> dues;             // and how far its minute was
    std::vector<bool> reservations;    // each ReservePrepared, in order
    int releases = 0;
    std::size_t releasedAfter = 0; // entries in the log at the last release

    // The sound reached its end: the watch timer's Stop.
    void EndNaturally() {
        Record("end");
        playing_ = false;
        FireOnStop();
    }

    const std::string& loaded() const { return loaded_; }
    bool failLoads = false;
    // A file the player cannot read: its load shows the load-error box.
    std::string unreadable;
    // Runs inside each LoadFile, as an event loop inside the library would.
    std::function<void(const std::string& file)> onLoad;

private:
    void Record(const std::string& what) { log_.push_back(name_ + "." + what); }
    void FireOnStop() {
        Record("OnStop");
        if (OnStop)
            OnStop(*this);
    }

    std::string name_;
    Log& log_;
    std::string loaded_;
    bool playing_ = false;
};

class FakeWindow : public SchedulerWindow {
public:
    explicit FakeWindow(Log& log) : log_(log) {}

    void HideWindow() override { log_.push_back("window.Hide"); }
    bool IndicatorVisible() const override { return indicator; }
    void SetIndicatorVisible(bool visible) override {
        indicator = visible;
        log_.push_back(visible ? "window.Indicator=1" : "window.Indicator=0");
    }
    void SetActivateCaption(const std::string& text) override {
        caption = text;
        log_.push_back("window.Caption=" + text);
    }
    void ShowToday(const Lines& lines) override {
        today = lines;
        log_.push_back("window.Today " + std::to_string(lines.size()));
    }

    bool indicator = true;
    std::string caption = "Ativar";
    Lines today;

private:
    Log& log_;
};

} // namespace sonterra::test
