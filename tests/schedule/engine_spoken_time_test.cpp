// The spoken time after a "+" entry: which clip, when, and what cuts it.

#include "engine_fixture.h"

#include "core/application.h"

namespace sonterra::test {
namespace {

class SpokenTime : public EngineTest {
protected:
    // A "+" (or "-") entry for 07:30 has started on the bell player.
    void StartEntry(bool speak, const std::string& sound = "sino.wav") {
        WriteDayFile(2, {Entry("07:30", speak, Sound(sound))});
        sched_->ReloadToday();
        sched_->Activate();
        At(7, 30);
        sched_->Tick();
        ASSERT_TRUE(toque_.IsPlaying());
        log_.clear();
    }
    Log Speaks(const std::string& clip) const {
        return {"hora.CloseStream", "hora.LoadFile " + clip, "hora.Play"};
    }
};

struct ClipCase {
    int hour, minute, second;
    const char* clip;
};

class ClipName : public SpokenTime, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(ClipName, NamesTheMomentTheSoundEndsOnATwelveHourDial) {
    const ClipCase c = GetParam();
    StartEntry(true);
    const std::string clip = Clip(c.clip);
    Clip("07H30M.WAV");

    At(c.hour, c.minute, c.second);
    toque_.EndNaturally();

    EXPECT_EQ(Only("hora."), Speaks(clip));
    EXPECT_EQ(toque_.SpeakTimeAfter, 0);
    EXPECT_EQ(fs::current_path(), fs::path(folder_ + "HORA"));
    EXPECT_TRUE(boxes_.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Dial, ClipName,
    ::testing::Values(ClipCase{7, 31, 20, "07H31M.WAV"}, ClipCase{13, 45, 0, "01H45M.WAV"},
                      ClipCase{12, 10, 0, "12H10M.WAV"}, ClipCase{0, 5, 0, "00H05M.WAV"},
                      ClipCase{12, 59, 59, "12H59M.WAV"}, ClipCase{23, 59, 59, "11H59M.WAV"}));

TEST_F(SpokenTime, OnlyOnceAndOnlyForAPlusEntry) {
    StartEntry(false);
    Clip("07H31M.WAV");
    At(7, 31);
    toque_.EndNaturally();
    EXPECT_TRUE(Only("hora.").empty());

    // The flag is cleared at every stop, so a second stop speaks nothing.
    toque_.SpeakTimeAfter = 1;
    toque_.Stop();
    EXPECT_EQ(Only("hora.LoadFile").size(), 1u);
    toque_.Stop();
    EXPECT_EQ(Only("hora.LoadFile").size(), 1u);
}

TEST_F(SpokenTime, MissingHoraFolderShowsTheMessageEveryTime) {
    const std::string oldTitle = ApplicationTitle();
    SetApplicationTitle("/opt/sonterra/sonterra");
    StartEntry(true);
    fs::remove_all(folder_ + "HORA");
    const std::string text = "Pasta - " + folder_ + "HORA/ - não localizada - Verifique !!";

    At(7, 31);
    toque_.EndNaturally();
    toque_.SpeakTimeAfter = 1;
    toque_.Stop();

    ASSERT_EQ(boxes_.size(), 2u);
    for (const auto& box : boxes_) {
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, "/opt/sonterra/sonterra");
        EXPECT_EQ(box.icon, BoxIcon::None);
        EXPECT_EQ(box.buttons, BoxButtons::Ok);
    }
    EXPECT_TRUE(Only("hora.").empty());
    EXPECT_EQ(toque_.SpeakTimeAfter, 0);
    SetApplicationTitle(oldTitle);
}

TEST_F(SpokenTime, TicksDuringTheMessageBoxDoNotStartTheMinuteAgain) {
    const std::string a = Sound("a.wav");
    const std::string b = Sound("b.wav");
    WriteDayFile(2, {Entry("07:30", false, a), Entry("07:31", true, b)});
    sched_->ReloadToday();
    sched_->Activate();
    At(7, 30);
    sched_->Tick();
    fs::remove_all(folder_ + "HORA");
    log_.clear();
    // The box's modal loop keeps Timer1 ticking.
    boxRecorder_.whileOpen = [this](const MessageBoxRequest&) {
        sched_->Tick();
        sched_->Tick();
    };

    At(7, 31, 0, 1);
    sched_->Tick();

    EXPECT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(Only("toque.LoadFile"), (Log{"toque.LoadFile " + b}));
    EXPECT_EQ(Only("window.Hide").size(), 3u); // the nested ticks still hide
    EXPECT_EQ(sched_->LastMinute(), "07:31");

    // Later ticks scan again.
    At(7, 31, 0, 501);
    sched_->Tick();
    EXPECT_EQ(Only("toque.LoadFile").size(), 1u);
}

TEST_F(SpokenTime, MissingClipPlaysNothingAndSaysNothing) {
    StartEntry(true);
    At(7, 31);
    toque_.EndNaturally();
    EXPECT_EQ(Only("hora."), (Log{"hora.CloseStream", "hora.Play"}));
    EXPECT_FALSE(hora_.IsPlaying());
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(SpokenTime, SecondRequestWhileAClipPlaysOnlyStopsIt) {
    StartEntry(true);
    Clip("07H31M.WAV");
    Clip("07H32M.WAV");
    At(7, 31);
    toque_.EndNaturally();
    ASSERT_TRUE(hora_.IsPlaying());
    log_.clear();

    At(7, 32);
    sched_->SpeakTime();

    EXPECT_EQ(log_, (Log{"hora.Stop", "hora.OnStop"}));
    EXPECT_FALSE(hora_.IsPlaying());
}

TEST_F(SpokenTime, NewPlusEntryCuttingAPlayingSoundSpeaksAtOnce) {
    const std::string a = Sound("a.wav");
    const std::string b = Sound("b.wav");
    WriteDayFile(2, {Entry("07:30", false, a), Entry("07:31", true, b)});
    const std::string clip = Clip("07H31M.WAV");
    sched_->ReloadToday();
    sched_->Activate();
    At(7, 30);
    sched_->Tick();
    ASSERT_TRUE(toque_.IsPlaying());
    log_.clear();

    At(7, 31, 0, 2);
    sched_->Tick();

    EXPECT_EQ(log_, (Log{"window.Hide", "window.Indicator=1", "toque.CloseStream", "toque.OnStop",
                         "hora.CloseStream", "hora.LoadFile " + clip, "hora.Play",
                         "toque.LoadFile " + b, "toque.Play"}));
    EXPECT_EQ(toque_.SpeakTimeAfter, 0);

    // Nothing more when the new sound ends.
    At(7, 32);
    toque_.EndNaturally();
    EXPECT_EQ(Only("hora.LoadFile").size(), 1u);
}

TEST_F(SpokenTime, NewMinusEntryCuttingAPlusSoundSpeaksNothing) {
    const std::string a = Sound("a.wav");
    const std::string b = Sound("b.wav");
    WriteDayFile(2, {Entry("07:30", true, a), Entry("07:31", false, b)});
    Clip("07H31M.WAV");
    Clip("07H32M.WAV");
    sched_->ReloadToday();
    sched_->Activate();
    At(7, 30);
    sched_->Tick();
    At(7, 31);
    sched_->Tick();
    At(7, 32);
    toque_.EndNaturally();
    EXPECT_TRUE(Only("hora.").empty());
}

TEST_F(SpokenTime, OperatorStoppingAPlusSoundSpeaksTheTimeThen) {
    StartEntry(true);
    const std::string clip = Clip("08H02M.WAV");
    At(8, 2, 30);
    toque_.Stop(); // the main window's stop button
    EXPECT_EQ(Only("hora."), Speaks(clip));
}

TEST_F(SpokenTime, AFailedLoadKeepsTheFlagUntilTheNextStop) {
    toque_.failLoads = true;
    WriteDayFile(2, {Entry("07:30", true, Sound("estragado.mp3"))});
    const std::string clip = Clip("09H00M.WAV");
    sched_->ReloadToday();
    sched_->Activate();
    At(7, 30);
    sched_->Tick();
    EXPECT_FALSE(toque_.IsPlaying());
    EXPECT_EQ(toque_.SpeakTimeAfter, 1);

    At(9, 0);
    toque_.failLoads = false;
    toque_.Stop();
    EXPECT_EQ(Only("hora."), Speaks(clip));
}

} // namespace
} // namespace sonterra::test
