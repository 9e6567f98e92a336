// The tick: which entries start and when, today's list, hiding and blinking.

#include "engine_fixture.h"

#include <fstream>
#include <utility>
#include <vector>

namespace sonterra::test {
namespace {

class Tick : public EngineTest {
protected:
    // Today's list loaded and the schedule active, as after start-up.
    void Activate() {
        sched_->ReloadToday();
        sched_->Activate();
        log_.clear();
    }
    void TickAt(int h, int m, int s = 0, int ms = 0) {
        At(h, m, s, ms);
        sched_->Tick();
    }
    Log Starts(const std::string& path) const {
        return {"toque.CloseStream", "toque.LoadFile " + path, "toque.Play"};
    }
};

TEST_F(Tick, ActivatingMidMinutePlaysThatMinuteAtOnce) {
    const std::string sino = Sound("sino.wav");
    WriteDayFile(2, {Entry("07:30", true, sino)});
    At(7, 30, 40);
    Activate();

    sched_->Tick();

    EXPECT_EQ(Only("toque."), Starts(sino));
    EXPECT_EQ(toque_.SpeakTimeAfter, 1);
    EXPECT_EQ(sched_->LastMinute(), "07:30");
}

TEST_F(Tick, TheBellPlayerIsPreparedSecondsBeforeAnEntryOnceAMinute) {
    WriteDayFile(
        2, {Entry("07:30", true, Sound("sino.wav")), Entry("07:45", false, Sound("sino.wav"))});
    Activate();
    TickAt(7, 29, 50);
    TickAt(7, 29, 54, 900);
    EXPECT_EQ(toque_.prepares, 0) << "too early";
    TickAt(7, 29, 55, 100);
    EXPECT_EQ(toque_.prepares, 1);
    EXPECT_TRUE(Only("toque.").empty()) << "a hint, not a start";
    TickAt(7, 29, 55, 600);
    TickAt(7, 29, 59, 900);
    EXPECT_EQ(toque_.prepares, 1) << "once for the minute";
    TickAt(7, 30, 0, 100);
    EXPECT_EQ(Only("toque.Play").size(), 1u);
    TickAt(7, 30, 57); // nothing at 07:31
    EXPECT_EQ(toque_.prepares, 1);
    TickAt(7, 44, 58);
    EXPECT_EQ(toque_.prepares, 2);
    EXPECT_EQ(toque_.dues, (std::vector<int>{4900, 2000})) << "from the clock to the minute";
    EXPECT_EQ(hora_.prepares, 0);
}

TEST_F(Tick, AClockSetBackPreparesTheRepeatedEntryAgain) {
    const std::string sino = Sound("sino.wav");
    WriteDayFile(2, {Entry("07:30", false, sino)});
    Activate();
    TickAt(7, 29, 56);
    TickAt(7, 30, 0, 100);
    ASSERT_EQ(toque_.prepares, 1);
    ASSERT_EQ(Only("toque.Play").size(), 1u);

    // Time synchronisation sets the clock back two minutes.
    TickAt(7, 28, 0, 100);
    TickAt(7, 29, 56);
    EXPECT_EQ(toque_.prepares, 2) << "the repeated minute needs its output ready again";
    TickAt(7, 30, 0, 100);
    EXPECT_EQ(Only("toque.Play").size(), 2u);
}

TEST_F(Tick, TheFileHeardAtTheMinuteIsOpenedAheadAndLetGoOnceItsLoadsAreDone) {
    const std::string a = Sound("a.wav"), b = Sound("b.wav");
    WriteDayFile(2, {Entry("07:30", false, a), Entry("07:30", false, b),
                     Entry("07:30", false, folder_ + "AUDIO/nao-ha.wav")});
    Activate();
    TickAt(7, 29, 56);
    EXPECT_EQ(toque_.prepared, std::vector<std::string>{b}) << "the last line with a file";
    EXPECT_EQ(toque_.releases, 0);
    TickAt(7, 30, 0, 100);
    EXPECT_EQ(Only("toque.LoadFile"), (Log{"toque.LoadFile " + a, "toque.LoadFile " + b}));
    EXPECT_EQ(toque_.reservations, (std::vector<bool>{true, false})) << "b's load alone takes it";
    EXPECT_EQ(Only("toque.").back(), "toque.Play");
    EXPECT_EQ(toque_.releases, 1);
    EXPECT_EQ(toque_.releasedAfter, log_.size()) << "released after the loads, not before";
    TickAt(7, 30, 30);
    EXPECT_EQ(toque_.releases, 1);
}

TEST_F(Tick, AnEntryChangedRemovedOrDeactivatedAfterItsPrepareIsLetGoBeforeItsMinute) {
    const std::string sino = Sound("sino.wav"), outro = Sound("outro.wav");
    WriteDayFile(2, {Entry("07:30", false, sino), Entry("07:45", false, sino)});
    Activate();
    TickAt(7, 29, 56);
    ASSERT_EQ(toque_.prepared, std::vector<std::string>{sino});
    WriteDayFile(2, {Entry("07:30", false, outro), Entry("07:45", false, sino)});
    sched_->ReloadToday();
    TickAt(7, 29, 57);
    EXPECT_EQ(toque_.prepared, (std::vector<std::string>{sino, outro})) << "the new file instead";
    // Removed: let go before the minute, at which a cued sound is heard.
    WriteDayFile(2, {Entry("07:45", false, sino)});
    sched_->ReloadToday();
    TickAt(7, 29, 58);
    EXPECT_EQ(toque_.releases, 1);
    TickAt(7, 30, 0, 100);
    EXPECT_TRUE(Only("toque.").empty());
    EXPECT_EQ(toque_.releases, 1);

    TickAt(7, 44, 57);
    ASSERT_EQ(toque_.prepares, 3);
    sched_->Deactivate();
    EXPECT_EQ(toque_.releases, 2);
    sched_->Activate();
    TickAt(7, 44, 58);
    EXPECT_EQ(toque_.prepares, 4) << "prepared again after the activation";
}

TEST_F(Tick, FlagFollowsTheMarkOfTheLine) {
    const std::string sino = Sound("sino.wav");
    WriteDayFile(2, {Entry("07:30", false, sino)});
    Activate();
    toque_.SpeakTimeAfter = 1;
    TickAt(7, 30);
    EXPECT_EQ(Only("toque."), Starts(sino));
    EXPECT_EQ(toque_.SpeakTimeAfter, 0);
}

TEST_F(Tick, ReactivatingWithinTheSameMinuteDoesNotReplay) {
    WriteDayFile(2, {Entry("07:30", false, Sound("sino.wav"))});
    Activate();
    TickAt(7, 30, 5);
    ASSERT_EQ(Only("toque.Play").size(), 1u);

    At(7, 30, 10);
    sched_->Deactivate();
    At(7, 30, 50);
    sched_->Activate();
    TickAt(7, 30, 50);
    TickAt(7, 30, 59, 500);

    EXPECT_EQ(Only("toque.Play").size(), 1u);
}

// What the running copy's guard keeps for the copies after it.
struct KeptMinute : RungMinuteRecord {
    std::string minute;
    std::string LastMinuteRung() const override { return minute; }
    void RecordMinuteRung(const std::string& rung) override { minute = rung; }
};

TEST_F(Tick, AMinuteRungBeforeAStartIsNotRungAgainButAClockSetBackStillRings) {
    const std::string sino = Sound("sino.wav");
    WriteDayFile(2, {Entry("07:30", false, sino), Entry("07:31", false, sino)});
    KeptMinute kept;
    sched_->SetMinuteRecord(&kept);
    // The same minute yesterday is another minute.
    kept.minute = "2026-12-06 07:30";
    At(7, 30, 20);
    Activate();
    TickAt(7, 30, 20);
    EXPECT_EQ(Only("toque.Play").size(), 1u);
    EXPECT_EQ(kept.minute, "2026-12-07 07:30");

    // Started again (a logon) inside the minute a copy rang: silent until the next.
    Restart();
    sched_->SetMinuteRecord(&kept);
    Activate();
    TickAt(7, 30, 40);
    TickAt(7, 31);
    EXPECT_EQ(Only("toque.Play").size(), 1u);
    EXPECT_EQ(kept.minute, "2026-12-07 07:31");
    TickAt(7, 30, 30); // set back: this copy's own minutes come round again
    EXPECT_EQ(Only("toque.Play").size(), 2u);
    EXPECT_EQ(kept.minute, "2026-12-07 07:30");
}

TEST_F(Tick, MinuteEdges) {
    const std::string sino = Sound("sino.wav");
    WriteDayFile(2, {Entry("07:30", false, sino)});
    Activate();

    TickAt(7, 29, 59, 900);
    EXPECT_TRUE(Only("toque.").empty());
    TickAt(7, 30, 0, 0);
    EXPECT_EQ(Only("toque."), Starts(sino));
    TickAt(7, 30, 0, 500);
    TickAt(7, 30, 59, 999);
    EXPECT_EQ(Only("toque.Play").size(), 1u);
    TickAt(7, 31, 0, 0);
    EXPECT_EQ(Only("toque.Play").size(), 1u);
}

TEST_F(Tick, MissingFileIsPassedOverSilentlyWithoutSpokenTime) {
    Clip("07H30M.WAV");
    WriteDayFile(2, {Entry("07:30", true, (root_ / "sons" / "sumiu.wav").string())});
    Activate();

    TickAt(7, 30);
    EXPECT_EQ(log_, (Log{"window.Hide", "window.Indicator=0"}));
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(toque_.SpeakTimeAfter, 0);

    // A later stop of the bell player (an operator's test play) speaks nothing.
    toque_.Stop();
    EXPECT_TRUE(Only("hora.").empty());
    EXPECT_EQ(sched_->LastMinute(), "07:30");
}

TEST_F(Tick, LinesThatCanNeverMatch) {
    const std::string sino = Sound("sino.wav");
    WriteDayFile(2, {"07:3", "07:30 +", Entry("24:00", false, sino), Entry("7:30", false, sino),
                     Entry("07:30", false, "")});
    Activate();
    TickAt(7, 30);
    TickAt(0, 0);
    EXPECT_TRUE(Only("toque.").empty());
}

TEST_F(Tick, DuplicateTimesBothStartAndTheLaterIsHeard) {
    const std::string a = Sound("a.wav");
    const std::string b = Sound("b.mp3");
    WriteDayFile(2, {Entry("07:30", true, a), Entry("08:00", false, Sound("c.wav")),
                     Entry("07:30", false, b)});
    Activate();

    TickAt(7, 30);

    EXPECT_EQ(Only("toque."),
              (Log{"toque.CloseStream", "toque.LoadFile " + a, "toque.Play", "toque.CloseStream",
                   "toque.OnStop", "toque.LoadFile " + b, "toque.Play"}));
    EXPECT_EQ(toque_.loaded(), b);
    EXPECT_TRUE(toque_.IsPlaying());
    EXPECT_EQ(toque_.SpeakTimeAfter, 0);
    // The first line's "+" does not carry over to the second: nothing spoken.
    EXPECT_TRUE(Only("hora.").empty());
}

TEST_F(Tick, ClockSetBackRepeatsAndSetForwardSkips) {
    const std::string a = Sound("a.wav");
    const std::string c = Sound("c.wav");
    WriteDayFile(2, {Entry("07:30", false, a), Entry("07:32", false, c)});
    Activate();

    TickAt(7, 30);
    TickAt(7, 31);
    TickAt(7, 30, 30); // set back
    EXPECT_EQ(Only("toque.LoadFile"), (Log{"toque.LoadFile " + a, "toque.LoadFile " + a}));

    TickAt(7, 33); // set forward over 07:32
    TickAt(7, 34);
    EXPECT_EQ(Only("toque.LoadFile").size(), 2u);
}

TEST_F(Tick, WindowNeverStaysVisibleWhileOcultar) {
    std::ofstream(folder_ + "SOM.INI") << "1\r\n";
    sched_->ReloadToday();
    sched_->RestoreState();
    log_.clear();

    for (int i = 0; i < 6; ++i)
        TickAt(9, 0, i / 2, (i % 2) * 500);
    // Every tick hides first, then blinks.
    EXPECT_EQ(Only("window.Hide").size(), 6u);
    EXPECT_EQ(log_.front(), "window.Hide");
    EXPECT_EQ(Only("window.Indicator"),
              (Log{"window.Indicator=0", "window.Indicator=1", "window.Indicator=0",
                   "window.Indicator=1", "window.Indicator=0", "window.Indicator=1"}));

    // Opened from the notification area: the ticks leave the window alone.
    sched_->SetKeepHidden(false);
    log_.clear();
    TickAt(9, 0, 5);
    EXPECT_EQ(log_, (Log{"window.Indicator=0"}));
}

TEST_F(Tick, TodaysListKeepsFileOrderAndFillsTheListBox) {
    const Lines lines = {Entry("12:00", false, "/x/b.wav"), Entry("07:30", true, "/x/a.wav")};
    WriteDayFile(2, lines);
    WriteDayFile(3, {Entry("09:00", false, "/x/c.wav")});

    sched_->ReloadToday();

    EXPECT_EQ(sched_->TodayFile(), "02.PR2");
    EXPECT_EQ(sched_->Today(), lines);
    EXPECT_EQ(window_.today, lines);
    EXPECT_EQ(log_, (Log{"window.Today 2"}));

    // An empty or missing file leaves both lists empty.
    OnDate(2026, 12, 8);
    log_.clear();
    fs::remove(folder_ + "03.PR2");
    sched_->ReloadToday();
    EXPECT_EQ(sched_->TodayFile(), "03.PR2");
    EXPECT_TRUE(sched_->Today().empty());
    EXPECT_EQ(log_, (Log{"window.Today 0"}));
}

// The list follows the date: a PC left on over the weekend rings Saturday's
// bells on Saturday, not Friday's.
TEST_F(Tick, ReloadsTodaysListAfterMidnight) {
    const std::string sunday = Sound("domingo.wav");
    const std::string monday = Sound("segunda.wav");
    WriteDayFile(1, {Entry("00:00", false, sunday), Entry("23:59", false, sunday)});
    WriteDayFile(2, {Entry("00:00", true, monday)});
    OnDate(2026, 12, 6);
    At(23, 59, 59, 600);
    Activate();
    ASSERT_EQ(sched_->TodayFile(), "01.PR2");

    sched_->Tick();
    EXPECT_EQ(Only("toque.LoadFile"), (Log{"toque.LoadFile " + sunday}));

    OnDate(2026, 12, 7);
    TickAt(0, 0, 0, 100);

    EXPECT_EQ(sched_->TodayFile(), "02.PR2");
    EXPECT_EQ(Only("toque.LoadFile"),
              (Log{"toque.LoadFile " + sunday, "toque.LoadFile " + monday}));
    // Sunday's 23:59 sound was still playing: cut, so the "+" speaks at once.
    EXPECT_EQ(Only("hora."), (Log{"hora.CloseStream", "hora.Play"}));
    EXPECT_EQ(window_.today, (Lines{Entry("00:00", true, monday)}));
}

TEST_F(Tick, FirstTickLoadsTheListWhenNothingLoadedIt) {
    const std::string sino = Sound("sino.wav");
    WriteDayFile(2, {Entry("07:30", false, sino)});
    sched_->Activate();
    TickAt(7, 30);
    EXPECT_EQ(Only("toque.LoadFile"), (Log{"toque.LoadFile " + sino}));
}

// A tick that comes while the scan is still busy (some call inside it ran an
// event loop) must not cost its minute: here the last tick of 07:31 comes
// inside the load of 07:30's sound.
TEST_F(Tick, ATickInsideTheScanDoesNotSkipItsMinute) {
    const std::string a = Sound("a.wav");
    const std::string b = Sound("b.wav");
    const std::string c = Sound("c.wav");
    WriteDayFile(2, {Entry("07:30", false, a), Entry("07:31", false, b), Entry("07:32", false, c)});
    Activate();
    toque_.onLoad = [&](const std::string& file) {
        if (file == a)
            TickAt(7, 31, 59, 600);
    };

    TickAt(7, 30);
    TickAt(7, 32, 0, 100);

    EXPECT_EQ(Only("toque.LoadFile"),
              (Log{"toque.LoadFile " + a, "toque.LoadFile " + b, "toque.LoadFile " + c}));
}

// A box raised by a tick stays open while nobody is at the desk. The handler
// stands for the box: until it returns the box is open, and the clock goes on
// meanwhile, with Timer1 ticking as the event loop would.
class BoxNobodyDismisses : public Tick {
protected:
    void SetUp() override {
        Tick::SetUp();
        boxRecorder_.whileOpen = [this](const MessageBoxRequest&) {
            log_.push_back("box open");
            if (boxes_.size() == 1) // only the first box stays open a while
                for (const auto& [m, s] : whileOpen)
                    LoggedTick(7, m, s);
            log_.push_back("box closed");
        };
    }
    void LoggedTick(int h, int m, int s) {
        log_.push_back("tick " + std::to_string(h) + ":" + std::to_string(m) + ":" +
                       std::to_string(s));
        TickAt(h, m, s);
    }
    // Minute and second of the ticks while the first box is open, hour 7.
    std::vector<std::pair<int, int>> whileOpen;
    // What the player loaded, between the ticks and the box's opening and closing.
    Log Timeline() const {
        Log out;
        for (const auto& line : log_)
            if (line.rfind("tick ", 0) == 0 || line.rfind("box ", 0) == 0 ||
                line.rfind("toque.LoadFile", 0) == 0)
                out.push_back(line);
        return out;
    }
};

TEST_F(BoxNobodyDismisses, LoadErrorAtSevenThirtyDelaysNothingAfterIt) {
    const std::string bad = Sound("bad.mp3");
    const std::string b = Sound("b.wav");
    const std::string c = Sound("c.wav");
    toque_.unreadable = bad;
    whileOpen = {{30, 30}, {31, 0}, {31, 30}, {32, 0}, {32, 30}};
    WriteDayFile(2,
                 {Entry("07:30", false, bad), Entry("07:31", false, b), Entry("07:32", false, c)});
    Activate();

    LoggedTick(7, 30, 0);
    LoggedTick(7, 32, 40); // closed at last
    LoggedTick(7, 33, 0);

    EXPECT_EQ(Timeline(), (Log{"tick 7:30:0", "toque.LoadFile " + bad, "box open", "tick 7:30:30",
                               "tick 7:31:0", "toque.LoadFile " + b, "tick 7:31:30", "tick 7:32:0",
                               "toque.LoadFile " + c, "tick 7:32:30", "box closed", "tick 7:32:40",
                               "tick 7:33:0"}));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "ERRO AO CARREGAR CANAL:\r\rArquivo: " + bad + "\r\rErro Cod:BS41");
}

// The box of a missing HORA folder opens inside CloseStream, when the 07:31
// entry cuts the 07:30 bell: the bell must stop there and 07:32 must ring; the
// same box again at 07:32 is not opened twice.
TEST_F(BoxNobodyDismisses, MissingHoraFolderInsideCloseStreamDelaysNothing) {
    const std::string a = Sound("a.wav");
    const std::string b = Sound("b.wav");
    const std::string c = Sound("c.wav");
    fs::remove_all(folder_ + "HORA");
    whileOpen = {{31, 30}, {32, 0}, {32, 30}};
    WriteDayFile(2, {Entry("07:30", false, a), Entry("07:31", true, b), Entry("07:32", true, c)});
    Activate();

    LoggedTick(7, 30, 0);
    LoggedTick(7, 30, 59);
    LoggedTick(7, 31, 0);
    LoggedTick(7, 33, 0);

    EXPECT_EQ(Timeline(),
              (Log{"tick 7:30:0", "toque.LoadFile " + a, "tick 7:30:59", "tick 7:31:0",
                   "toque.LoadFile " + b, "box open", "tick 7:31:30", "tick 7:32:0",
                   "toque.LoadFile " + c, "tick 7:32:30", "box closed", "tick 7:33:0"}));
    EXPECT_EQ(toque_.loaded(), c);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "Pasta - " + folder_ + "HORA/ - não localizada - Verifique !!");
}

} // namespace
} // namespace sonterra::test
