#include "app/regional_settings_place.h"

namespace sonterra {

const char* SystemName() {
    return "Windows";
}

const char* RegionalSettingsPlace() {
    return "Entre no Painel de controle (Windows) - (configurações Regionais)";
}

} // namespace sonterra
