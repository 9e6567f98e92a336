#pragma once
// The bell scheduler: activation, deactivation, start-up restore, today's list
// and the 500 ms tick that starts each entry at its minute, with the spoken
// time after a "+" entry. The main window (TForm1) owns one, forwards its
// handlers to it and sets player_toque.OnStop to call pStop. Everything runs
// on the main thread; OnStop may run nested inside CloseStream or Stop.

#include "app/clock.h"
#include "audio/audio_player.h"
#include "schedule/phased_timer.h"
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
    // Label2 is the blinking " ATIVADO " indicator.
    virtual bool Label2Visible() const = 0;
    virtual void SetLabel2Visible(bool visible) = 0;
    virtual void SetButton1Caption(const std::string& caption) = 0;
    // ListBox2 shows today's entries sorted.
    virtual void ClearListBox2() = 0;
    virtual void AddToListBox2(const Lines& lines) = 0;
};

class TScheduler {
public:
    // The players, the clock and the window must outlive the scheduler.
    // programFolder ends with its separator. A null timer means the wall-clock
    // phased timer (MakePhasedTimer); tests pass one they fire by hand.
    TScheduler(Clock& clock, AudioPlayer& player_toque, AudioPlayer& player_hora,
               SchedulerWindow& window, std::string programFolder,
               std::string programFileName, std::unique_ptr<TickTimer> timer = nullptr);
    // Same, for the running program's own folder and file.
    TScheduler(Clock& clock, AudioPlayer& player_toque, AudioPlayer& player_hora,
               SchedulerWindow& window);
    ~TScheduler();
    TScheduler(const TScheduler&) = delete;
    TScheduler& operator=(const TScheduler&) = delete;

    // "Ativar": enable, place the shortcut, write "1", caption "OK", hide.
    // A failed write of SOM.INI throws FileError and ends the steps there.
    void Button1Click();
    // "Desligar": disable, hide Label2, remove the shortcut, write "0", caption
    // "Ativar". Throws FileError like Button1Click. A playing sound goes on.
    void Button2Click();
    // Start-up: when SOM.INI says "1", enable Timer1 and set ocultar; nothing else.
    void RestoreState();
    // Reloads lista_hoje and ListBox2 from today's day file.
    void Atualiza_whoje();
    // The tick; Timer1 runs it every 500 ms while enabled.
    void Timer1Timer();
    // OnStop of player_toque.
    void pStop();
    // Speaks the current time on player_hora.
    void play_hora();

    // Timer1's enabled flag: the schedule is active.
    bool Timer1Enabled() const;
    void SetTimer1Enabled(bool enabled);

    // Today's entry lines in file order; the only list the tick reads.
    Lines lista_hoje;
    // Day file name of lista_hoje, e.g. "03.PR2".
    std::string arquivo_hoje;
    // The time-of-day key the tick last processed.
    std::string ultimo_minuto;
    // Keep the window hidden while active; the tray icon's click clears it.
    bool ocultar = false;

private:
    void LoadToday(const DateTime& now);
    // Starts the entries of the minute on the clock, once per minute.
    void ScanCurrentMinute();
    // Seconds before a minute with an entry, the bell player's output is made
    // ready; once per minute.
    void PrepareAhead(const DateTime& moment);

    Clock& clock_;
    AudioPlayer& player_toque_;
    AudioPlayer& player_hora_;
    SchedulerWindow& window_;
    std::string programFolder_;
    std::string programFileName_;
    std::unique_ptr<TickTimer> timer_;
    // Date lista_hoje was loaded for, so the tick reloads it after midnight.
    std::optional<DateTime> loadedDate_;
    // A tick is scanning today's list, and another tick came meanwhile.
    bool scanning_ = false;
    bool tickedWhileScanning_ = false;
    // The minute PrepareAhead last prepared for.
    std::string prepared_minute_;
};

} // namespace sonterra
