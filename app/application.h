#pragma once
// The few facts about the running program that every part shares: its file,
// its folder and the title that captions its boxes. Main thread only.

#include <string>

namespace sonterra {

// Full path of the program's own file, e.g. "/home/escola/Sonterra/sonterra".
std::string ProgramFileName();

// The program folder: the folder of ProgramFileName(), with its trailing separator.
std::string ProgramFolder();

// Tests point the program at another folder (its file name keeps its base name).
void SetProgramFileNameForTesting(const std::string& fullPath);

const std::string& ApplicationTitle();
void SetApplicationTitle(const std::string& title);

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
