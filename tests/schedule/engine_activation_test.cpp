// Activation, deactivation and start-up restore: steps, order, state file and
// the autostart shortcut.

#include "engine_fixture.h"

#include "schedule/atalho.h"
#include "schedule/schedule_files.h"

#include <fstream>

namespace sonterra::test {
namespace {

class Activation : public EngineTest {
protected:
    fs::path ShortcutFile() const {
        return root_ / "config" / "autostart" / "Quorvel STV2.desktop";
    }
    void Marker() { std::ofstream(folder_ + "auto_execute.exe") << "x"; }
};

TEST_F(Activation, RunsItsStepsInOrder) {
    sched_->Activate();

    EXPECT_EQ(log_, (Log{"Timer1=1", "window.Caption=OK", "window.Hide"}));
    EXPECT_TRUE(sched_->Active());
    EXPECT_TRUE(sched_->KeepHidden());
    EXPECT_EQ(StateBytes(), "1\r\n");
    ASSERT_TRUE(fs::is_regular_file(ShortcutFile()));
    const std::string shortcut = ReadBytes(ShortcutFile());
    EXPECT_NE(shortcut.find("\nExec=" + programFile_ + "\n"), std::string::npos) << shortcut;
    EXPECT_NE(shortcut.find("\nPath=" + folder_ + "\n"), std::string::npos) << shortcut;
    // Nothing plays until the first tick.
    EXPECT_TRUE(Only("toque.").empty());
}

TEST_F(Activation, TwiceKeepsOneShortcutWithoutRewritingIt) {
    sched_->Activate();
    std::ofstream(ShortcutFile(), std::ios::trunc) << "edited by hand\n";

    sched_->Activate();

    EXPECT_EQ(ReadBytes(ShortcutFile()), "edited by hand\n");
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(ShortcutFile().parent_path()))
        ++files;
    EXPECT_EQ(files, 1);
    EXPECT_EQ(StateBytes(), "1\r\n");
    EXPECT_EQ(Only("window.").size(), 4u);
}

TEST_F(Activation, ShortcutDeletedByHandComesBack) {
    sched_->Activate();
    fs::remove(ShortcutFile());
    sched_->Activate();
    EXPECT_TRUE(fs::is_regular_file(ShortcutFile()));
}

TEST_F(Activation, AnotherProgramFolderKeepsItsShortcut) {
    const std::string other = (root_ / "outra").string() + "/";
    fs::create_directories(other);
    std::ofstream(other + "sonterra") << "x";
    Cria_atalho(other + "sonterra", "", other, nome_atalho);
    sched_->Activate();
    EXPECT_NE(ReadBytes(ShortcutFile()).find("\nPath=" + other + "\n"), std::string::npos);
}

TEST_F(Activation, AShortcutToAProgramThatIsGoneOrInAFailingFormIsWrittenAgain) {
    const std::string mine = "\nExec=" + programFile_ + "\n";
    Cria_atalho("/old/place/sonterra", "", "/old/place/", nome_atalho);
    sched_->Activate();
    EXPECT_NE(ReadBytes(ShortcutFile()).find(mine), std::string::npos);

    // As an earlier version wrote it: the program came to the shell as $0.
    std::ofstream(ShortcutFile(), std::ios::trunc)
        << "[Desktop Entry]\nType=Application\nExec=/bin/sh -c \"exec \\\\\"\\\\$0\\\\\" "
           "\\\\\"\\\\$@\\\\\"\" \""
        << programFile_ << "\"\n";
    sched_->Activate();
    EXPECT_NE(ReadBytes(ShortcutFile()).find(mine), std::string::npos);

    // The env -C form and the shell form, for a program that is gone.
    for (const std::string exec :
         {"env -C /old/place/ -u LC_ALL LC_TIME=pt_BR.UTF-8 /old/place/sonterra",
          "/bin/sh -c \"echo Y2QgJy9vbGQnOyBleGVjICcvb2xkL3NvbnRlcnJhJyA8L2Rldi9udWxsCg== | "
          "base64 -d | /bin/sh\""}) {
        std::ofstream(ShortcutFile(), std::ios::trunc)
            << "[Desktop Entry]\nType=Application\nExec=" << exec << "\n";
        sched_->Activate();
        EXPECT_NE(ReadBytes(ShortcutFile()).find(mine), std::string::npos) << exec;
    }
}

TEST_F(Activation, MarkerFileStopsCreationButNotDeletion) {
    sched_->Activate();
    ASSERT_TRUE(fs::exists(ShortcutFile()));
    Marker();

    sched_->Deactivate();
    EXPECT_FALSE(fs::exists(ShortcutFile()));

    sched_->Activate();
    EXPECT_FALSE(fs::exists(ShortcutFile()));
    EXPECT_TRUE(sched_->Active());
    EXPECT_EQ(StateBytes(), "1\r\n");
    EXPECT_EQ(window_.caption, "OK");
}

TEST_F(Activation, StateWriteFailureStopsTheRemainingSteps) {
    fs::create_directories(folder_ + "SOM.INI");

    EXPECT_THROW(sched_->Activate(), FileError);

    // Steps 1 and 2 ran; caption and hiding did not.
    EXPECT_TRUE(sched_->Active());
    EXPECT_TRUE(fs::exists(ShortcutFile()));
    EXPECT_EQ(log_, (Log{"Timer1=1"}));
    EXPECT_FALSE(sched_->KeepHidden());
    EXPECT_EQ(window_.caption, "Ativar");
}

TEST_F(Activation, DeactivationRunsItsStepsInOrder) {
    sched_->Activate();
    log_.clear();

    sched_->Deactivate();

    EXPECT_EQ(log_, (Log{"Timer1=0", "window.Indicator=0", "window.Caption=Ativar"}));
    EXPECT_FALSE(sched_->Active());
    EXPECT_FALSE(sched_->KeepHidden());
    EXPECT_FALSE(fs::exists(ShortcutFile()));
    EXPECT_EQ(StateBytes(), "0\r\n");

    // Again, with no shortcut left: nothing more happens.
    sched_->Deactivate();
    EXPECT_FALSE(fs::exists(ShortcutFile()));
    EXPECT_EQ(StateBytes(), "0\r\n");
}

TEST_F(Activation, DeactivationStateWriteFailureStopsTheRemainingSteps) {
    sched_->Activate();
    fs::remove(folder_ + "SOM.INI");
    fs::create_directories(folder_ + "SOM.INI");
    log_.clear();

    EXPECT_THROW(sched_->Deactivate(), FileError);

    EXPECT_EQ(log_, (Log{"Timer1=0", "window.Indicator=0"}));
    EXPECT_FALSE(fs::exists(ShortcutFile()));
    EXPECT_FALSE(sched_->KeepHidden());
    EXPECT_EQ(window_.caption, "OK");
}

TEST_F(Activation, DeactivationLetsTheSoundFinishAndStillSpeaksTheTime) {
    WriteDayFile(2, {Entry("07:30", true, Sound("sino.wav"))});
    const std::string clip = Clip("07H31M.WAV");
    sched_->ReloadToday();
    sched_->Activate();
    At(7, 30, 0, 3);
    sched_->Tick();
    ASSERT_TRUE(toque_.IsPlaying());
    const std::string minuteBefore = sched_->LastMinute();
    log_.clear();

    sched_->Deactivate();
    EXPECT_TRUE(Only("toque.").empty());
    EXPECT_TRUE(toque_.IsPlaying());
    EXPECT_EQ(sched_->LastMinute(), minuteBefore);

    At(7, 31, 20);
    toque_.EndNaturally();
    EXPECT_EQ(Only("hora."), (Log{"hora.CloseStream", "hora.LoadFile " + clip, "hora.Play"}));
}

class Restore : public EngineTest {};

TEST_F(Restore, ActiveStateEnablesAndHidesAndNothingElse) {
    std::ofstream(folder_ + "SOM.INI", std::ios::binary) << "1\r\nlixo\r\n";

    sched_->RestoreState();

    EXPECT_EQ(log_, (Log{"Timer1=1"}));
    EXPECT_TRUE(sched_->Active());
    EXPECT_TRUE(sched_->KeepHidden());
    EXPECT_EQ(window_.caption, "Ativar");
    EXPECT_FALSE(fs::exists(root_ / "config" / "autostart"));
    EXPECT_EQ(StateBytes(), "1\r\nlixo\r\n");
}

TEST_F(Restore, AnythingElseLeavesTheScheduleInactive) {
    for (const char* content : {"0\r\n", "1 \r\n", "01\r\n", ""}) {
        SCOPED_TRACE(content);
        std::ofstream(folder_ + "SOM.INI", std::ios::binary | std::ios::trunc) << content;
        sched_->RestoreState();
        EXPECT_TRUE(log_.empty());
        EXPECT_FALSE(sched_->Active());
        EXPECT_FALSE(sched_->KeepHidden());
    }
    fs::remove(folder_ + "SOM.INI");
    sched_->RestoreState();
    EXPECT_TRUE(log_.empty());
    EXPECT_FALSE(fs::exists(folder_ + "SOM.INI"));
}

} // namespace
} // namespace sonterra::test
