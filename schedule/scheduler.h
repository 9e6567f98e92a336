#pragma once
// The bell scheduler: activation, deactivation, start-up restore, today's list
// and the 500 ms tick that starts each entry at its minute, with the spoken
// time after a "+" entry. The main window (TForm1) owns one, forwards its
// handlers to it and has the bell player's OnStop call BellStopped. Everything
// runs on the main thread; OnStop may run nested inside CloseStream or Stop.

#include "audio/audio_player.h"
#include "core/clock.h"
#include "core/rung_minute.h"
#include "schedule/phased_timer.h"
#include "schedule/prepared_minute.h"
#include "schedule/schedule_files.h"

#include <memory>
#include <optional>
#include <string>

namespace sonterra {

// What the engine does to the main window.
class SchedulerWindow {
public:
    virtual ~SchedulerWindow() = default;
    virtual void HideWindow() = 0;
    // The blinking " ATIVADO " indicator.
    virtual bool IndicatorVisible() const = 0;
    virtual void SetIndicatorVisible(bool visible) = 0;
    // The activation button's caption: "OK" while active, else "Ativar".
    virtual void SetActivateCaption(const std::string& caption) = 0;
    // Replaces the list of today's entries (shown sorted).
    virtual void ShowToday(const Lines& lines) = 0;
};

class TScheduler {
public:
    // The players, the clock and the window must outlive the scheduler.
    // programFolder ends with its separator. A null timer means the wall-clock
    // phased timer (MakePhasedTimer); tests pass one they fire by hand.
    TScheduler(Clock& clock, AudioPlayer& player_toque, AudioPlayer& player_hora,
               SchedulerWindow& window, std::string programFolder, std::string programFileName,
               std::unique_ptr<TickTimer> timer = nullptr);
    // Same, for the running program's own folder and file.
    TScheduler(Clock& clock, AudioPlayer& player_toque, AudioPlayer& player_hora,
               SchedulerWindow& window);
    ~TScheduler();
    TScheduler(const TScheduler&) = delete;
    TScheduler& operator=(const TScheduler&) = delete;

    // "Ativar": start ticking, place the shortcut, write "1", caption "OK",
    // hide. A failed write of SOM.INI throws FileError and ends the steps there.
    void Activate();
    // "Desligar": stop ticking, hide the indicator, remove the shortcut, write
    // "0", caption "Ativar". Throws FileError like Activate. A playing sound goes on.
    void Deactivate();
    // Start-up: when SOM.INI says "1", start ticking and keep hidden; nothing else.
    void RestoreState();
    // Reloads today's entries and the window's list from today's day file.
    void ReloadToday();
    // The timer runs it every 500 ms while active.
    void Tick();
    // The bell player's OnStop: speaks the time after a "+" entry.
    void BellStopped();
    // Speaks the current time on the time player, or stops it when it speaks.
    void SpeakTime();

    // Ticking: the schedule is active.
    bool Active() const;
    void SetActive(bool active);

    // Today's entry lines in file order; the only list the tick reads.
    const Lines& Today() const { return today_; }
    // Day file name of Today(), e.g. "03.PR2".
    const std::string& TodayFile() const { return todayFile_; }
    // The time-of-day key the tick last processed.
    const std::string& LastMinute() const { return lastMinute_; }
    // Where the minutes rung are kept for every copy of this schedule (the
    // running copy's guard); it must outlive the scheduler. Null: nowhere.
    void SetMinuteRecord(RungMinuteRecord* record) { minuteRecord_ = record; }
    // Keep the window hidden while active; the tray icon's click clears it.
    bool KeepHidden() const { return keepHidden_; }
    void SetKeepHidden(bool keep) { keepHidden_ = keep; }

private:
    void LoadToday(const DateTime& now);
    // Starts the entries of the minute on the clock, once per minute, and
    // prepares the next minute's.
    void ScanCurrentMinute();
    // Starts the entries of the minute `now`, new since the last scan.
    void StartEntries(const DateTime& moment, const std::string& now);
    // Seconds before a minute with an entry, the bell player's output is made
    // ready and the entry's file opened; once per minute.
    void PrepareAhead(const DateTime& moment);

    Clock& clock_;
    AudioPlayer& player_toque_;
    AudioPlayer& player_hora_;
    SchedulerWindow& window_;
    std::string programFolder_;
    std::string programFileName_;
    std::unique_ptr<TickTimer> timer_;
    RungMinuteRecord* minuteRecord_ = nullptr;
    // No minute processed since the program started or was activated.
    bool afterStart_ = true;
    Lines today_;
    std::string todayFile_;
    std::string lastMinute_;
    bool keepHidden_ = false;
    // Date today_ was loaded for, so the tick reloads it after midnight.
    std::optional<DateTime> loadedDate_;
    // A tick is scanning today's list, and another tick came meanwhile.
    bool scanning_ = false;
    bool tickedWhileScanning_ = false;
    // The minute PrepareAhead last prepared for, until a new minute is processed.
    PreparedMinute prepared_{player_toque_};
    // Today's list was read again since PrepareAhead last looked at it.
    bool listReread_ = false;
};

} // namespace sonterra
