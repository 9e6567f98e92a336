#pragma once
// The facts about the program that every part shares: its file, its folder,
// the title that captions its boxes and its fixed names. Main thread only.

#include <string>

namespace sonterra {

// Full path of the program's own file, e.g. "/home/escola/Sonterra/sonterra".
std::string ProgramFileName();

// The program folder: the folder of ProgramFileName(), with its trailing
// separator. A shared install keeps the program where operators cannot change
// it and the schedule elsewhere: then the folder its pointer names.
std::string ProgramFolder();

// Tests point the program at another folder (its file name keeps its base name).
void SetProgramFileNameForTesting(const std::string& fullPath);

// The caption of plain and error boxes, in UTF-8. It changes twice, each time for the
// stage the program is in:
// - before start-up: the file's name up to its first full stop, first letter
//   in capitals (TitleFromProgramFileName), as the framework derives it; the
//   regional check's boxes show it;
// - kStartupTitle: set by start-up once the check passed, while the splash is up;
// - ProgramFileName() (in UTF-8): set by the main window as it is made, so every later
//   notice names the exact copy of the program that speaks.
const std::string& ApplicationTitle();
void SetApplicationTitle(const std::string& title);

// The program's fixed names, each shown exactly so.
// Application title while start-up builds the main window (see above).
inline constexpr const char* kStartupTitle = "Quorvel - Sonterra";
// Caption of the main window, set when it is made and again on every show.
inline constexpr const char* kMainWindowTitle = "Quorvel Sonterra V2";
// Caption of ConfirmBox's question: the maker's name, whatever the title is.
inline constexpr const char* kConfirmCaption = "Tivra Sistemas";

// COM for the calling (main) thread, single-threaded apartment, while it
// lives: the autostart shortcut's shell link needs it on Windows. Made by
// start-up right after the regional check; nothing to do elsewhere.
class MainThreadCom {
public:
    MainThreadCom();
    ~MainThreadCom();
    MainThreadCom(const MainThreadCom&) = delete;
    MainThreadCom& operator=(const MainThreadCom&) = delete;
    bool initialised() const { return initialised_; }

private:
    bool initialised_ = false;
};

// Asks the program to end once control is back in its message loop.
void RequestApplicationTerminate();
bool ApplicationTerminateRequested();

} // namespace sonterra
