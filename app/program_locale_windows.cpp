#include "app/program_locale.h"

namespace sonterra {

void UseProgramLocaleWhereMissing() {}

} // namespace sonterra
