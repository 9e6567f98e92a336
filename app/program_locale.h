#pragma once
// Brazil's formats where the system has not compiled them: the Debian
// package ships its own compiled copy of the pt_BR.UTF-8 time formats beside
// the program (program_locale_posix.cpp; nothing to do on Windows, whose
// formats are the user's settings).

namespace sonterra {

// Before anything reads the locale: when the time locale the environment
// names (LC_ALL, LC_TIME or LANG) is missing from the system but the program
// folder holds it under locale/, the program takes it from there.
void UseProgramLocaleWhereMissing();

} // namespace sonterra
