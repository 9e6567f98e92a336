#include "schedule/scheduler.h"

#include "core/application.h"
#include "core/datetime_text.h"
#include "core/funcoes.h"
#include "core/message_box.h"
#include "core/system_text.h"
#include "schedule/atalho.h"
#include "schedule/current_folder.h"

#include <utility>
#include <vector>

namespace sonterra {

namespace {

bool SameDate(const DateTime& a, const DateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

int MillisecondOfDay(const DateTime& t) {
    return ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

// StrToInt of a short digit string; anything else reads as 0.
int LeadingNumber(const std::string& text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

const char* CaptionFor(bool enabled) {
    return enabled ? "OK" : "Ativar";
}

// How long before its minute an entry's output is made ready: enough for a
// sound server to answer and a sink to wake, short enough to stay ready.
constexpr int kPrepareSeconds = 5;

} // namespace

TScheduler::TScheduler(Clock& clock, AudioPlayer& player_toque, AudioPlayer& player_hora,
                       SchedulerWindow& window, std::string programFolder,
                       std::string programFileName, std::unique_ptr<TickTimer> timer)
    : clock_(clock), player_toque_(player_toque), player_hora_(player_hora), window_(window),
      programFolder_(std::move(programFolder)), programFileName_(std::move(programFileName)),
      timer_(timer ? std::move(timer) : MakePhasedTimer(clock)) {
    timer_->OnTimer = [this] { Tick(); };
}

TScheduler::TScheduler(Clock& clock, AudioPlayer& player_toque, AudioPlayer& player_hora,
                       SchedulerWindow& window)
    : TScheduler(clock, player_toque, player_hora, window, ProgramFolder(), ProgramFileName()) {}

TScheduler::~TScheduler() {
    timer_->SetEnabled(false);
    timer_->OnTimer = nullptr;
}

bool TScheduler::Active() const {
    return timer_->Enabled();
}

void TScheduler::SetActive(bool active) {
    timer_->SetEnabled(active);
}

void TScheduler::Activate() {
    afterStart_ = true;
    SetActive(true);
    if (!MarkerPresent(programFolder_) &&
        (!Existe_atalho(nome_atalho) || Atalho_a_refazer(nome_atalho)))
        Cria_atalho(programFileName_, "", programFolder_, nome_atalho);
    WriteState(programFolder_, true);
    window_.SetActivateCaption(CaptionFor(Active()));
    window_.HideWindow();
    keepHidden_ = true;
}

void TScheduler::Deactivate() {
    SetActive(false);
    // No tick comes for a sound opened ahead; an activation prepares anew.
    prepared_.Release();
    window_.SetIndicatorVisible(false);
    if (Existe_atalho(nome_atalho))
        Apaga_atalho(nome_atalho);
    keepHidden_ = false;
    WriteState(programFolder_, false);
    window_.SetActivateCaption(CaptionFor(Active()));
}

void TScheduler::RestoreState() {
    if (ReadState(programFolder_)) {
        SetActive(true);
        keepHidden_ = true;
    }
}

void TScheduler::ReloadToday() {
    LoadToday(clock_.Now());
}

void TScheduler::LoadToday(const DateTime& now) {
    todayFile_ = DayFileName(DayOfWeek(now));
    today_.clear();
    listReread_ = true;
    loadedDate_ = now;
    const std::string path = programFolder_ + todayFile_;
    try {
        if (FileExists(path))
            today_ = ReadLines(path);
    } catch (...) {
        window_.ShowToday({}); // no stale list beside an empty schedule
        throw;
    }
    window_.ShowToday(today_);
}

void TScheduler::Tick() {
    if (keepHidden_)
        window_.HideWindow();
    window_.SetIndicatorVisible(!window_.IndicatorVisible());

    // Nothing may hold up the scan: its boxes (a file the player cannot load,
    // a missing HORA folder) open once it is done, and the next ticks go on
    // while they stay open. Declared first, so they open after the guard below.
    const BoxesAfterwards boxesAfterwards;

    // A tick nested in the scan (some call inside it ran an event loop) leaves
    // the scan to the outer tick, which then looks at the clock again.
    if (scanning_) {
        tickedWhileScanning_ = true;
        return;
    }
    scanning_ = true;
    struct ScanEnd {
        bool& flag;
        ~ScanEnd() { flag = false; }
    } scanEnd{scanning_};

    do {
        tickedWhileScanning_ = false;
        ScanCurrentMinute();
    } while (tickedWhileScanning_);
}

void TScheduler::ScanCurrentMinute() {
    const DateTime moment = clock_.Now();
    // A list loaded on another day would ring that day's bells.
    if (!loadedDate_ || !SameDate(*loadedDate_, moment))
        LoadToday(moment);

    const std::string now = TimeOfDayKey(moment);
    if (now != lastMinute_)
        StartEntries(moment, now);
    // After the minute's entries, whose end lets go of what was opened for them.
    PrepareAhead(moment);
}

void TScheduler::StartEntries(const DateTime& moment, const std::string& now) {
    // Taken before the scan: a minute whose scan is cut short by an error is
    // not started again half a second later.
    lastMinute_ = now;
    // A sound opened ahead that no load takes (its entry was removed or
    // changed meanwhile) goes once the minute's entries have started.
    const PreparedMinute::Spent spent = prepared_.Spend();
    // The first minute after a start or an "Ativar" may be one that this
    // copy, or one before it, rang already (a restart, a new logon). Later
    // minutes are this copy's own to judge: a clock set back rings again.
    const std::string stamp = MinuteStamp(moment);
    if (std::exchange(afterStart_, false) && minuteRecord_ &&
        minuteRecord_->LastMinuteRung() == stamp)
        return;

    // A copy: OnStop handlers run inside CloseStream.
    std::vector<std::pair<std::string, std::string>> due; // line, file
    for (const std::string& line : today_)
        if (EntryTimeKey(line) == now)
            if (std::string path = EntryAudioPath(line); FileExists(path))
                due.emplace_back(line, std::move(path));
    for (std::size_t i = 0; i < due.size(); ++i) {
        const auto& [line, path] = due[i];
        // The sound opened ahead has been heard since the minute began: it is
        // the last line's, which each line before closes at once.
        player_toque_.ReservePrepared(i + 1 < due.size());
        // Set before CloseStream: a playing sound's OnStop reads the new flag.
        player_toque_.SpeakTimeAfter = EntrySpeaksTime(line) ? 1 : 0;
        player_toque_.CloseStream();
        player_toque_.LoadFile(path);
        player_toque_.Play();
    }
    const bool rang = !due.empty();
    // After the bells: a write must not hold up their start.
    if (rang && minuteRecord_)
        minuteRecord_->RecordMinuteRung(stamp);
}

void TScheduler::PrepareAhead(const DateTime& moment) {
    if (moment.second < 60 - kPrepareSeconds)
        return;
    DateTime next = moment;
    next.second = next.millisecond = 0;
    if (++next.minute == 60) {
        next.minute = 0;
        if (++next.hour == 24)
            return; // tomorrow's list; its first tick prepares nothing sooner
    }
    const std::string key = TimeOfDayKey(next);
    // Looked at again when the list is read again (an entry changed or
    // removed): the sound opened ahead is cued, heard at the minute unless
    // let go before. Not on every tick: each looks at the files.
    if (!std::exchange(listReread_, false) && prepared_.Is(key))
        return;
    // The sound heard is that of the last line with a file: each start
    // closes the one before.
    bool due = false;
    std::string path;
    for (const std::string& line : today_) {
        if (EntryTimeKey(line) != key)
            continue;
        due = true;
        std::string candidate = EntryAudioPath(line);
        if (FileExists(candidate))
            path = std::move(candidate);
    }
    if (!due) {
        if (prepared_.Is(key))
            prepared_.Release();
        return;
    }
    if (prepared_.Is(key, path))
        return;
    // Read again: the scan before may have taken a while.
    const DateTime now = clock_.Now();
    const int dueInMs = SameDate(now, next) ? MillisecondOfDay(next) - MillisecondOfDay(now) : 0;
    prepared_.Prepare(key, path, dueInMs);
}

void TScheduler::BellStopped() {
    // Runs inside the player's Stop: a box here would hold the bell player
    // mid-stop while later ticks load it again.
    const BoxesAfterwards boxesAfterwards;
    if (player_toque_.SpeakTimeAfter == 1)
        SpeakTime();
    player_toque_.SpeakTimeAfter = 0;
}

void TScheduler::SpeakTime() {
    if (player_hora_.IsPlaying()) {
        player_hora_.Stop();
        return;
    }

    DateTime t = clock_.Now();
    if (LeadingNumber(TimeToText(t).substr(0, 2)) > 12)
        t.hour -= 12;

    const std::string dir = SpokenTimeFolder(programFolder_);
    if (!SetCurrentFolder(dir)) {
        ShowMessage("Pasta - " + SystemTextToUtf8(dir) + " - não localizada - Verifique !!");
        return;
    }

    const std::string text = TimeToText(t);
    const std::string name = dir + PadWithZeros(text.substr(0, 2), 2) + "H" +
                             PadWithZeros(text.substr(3, 2), 2) + "M.WAV";
    player_hora_.CloseStream();
    if (FileExists(name))
        player_hora_.LoadFile(name);
    player_hora_.Play();
}

} // namespace sonterra
