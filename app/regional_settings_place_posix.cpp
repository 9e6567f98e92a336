#include "app/regional_settings_place.h"

namespace sonterra {

const char* SystemName() {
    return "Linux";
}

// The command and the menu entry start the program with Brazil's formats,
// even where the system has not compiled them.
const char* RegionalSettingsPlace() {
    return "No Linux, use os formatos do Brasil (LC_TIME=pt_BR.UTF-8): abra o Sonterra pelo "
           "menu ou pelo comando sonterra";
}

} // namespace sonterra
