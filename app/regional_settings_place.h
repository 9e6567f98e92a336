#pragma once
// What the regional check's boxes call the system, and where they send the
// operator to change its formats: Windows' Control Panel there, Brazil's
// formats through the program's own command here
// (regional_settings_place_windows.cpp, regional_settings_place_posix.cpp).

namespace sonterra {

// "Windows" or "Linux", as in "O Formato de HORA Padrão do Windows".
const char* SystemName();
// The line that says where the formats are changed.
const char* RegionalSettingsPlace();

} // namespace sonterra
