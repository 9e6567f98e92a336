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

// Asks the program to end once control is back in its message loop.
void RequestApplicationTerminate();
bool ApplicationTerminateRequested();

} // namespace sonterra
