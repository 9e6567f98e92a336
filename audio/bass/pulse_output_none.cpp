#include "audio/bass/pulse_output.h"

// Built where libpulse is not (Windows): SDL is the only output there.

namespace sonterra::bass {

std::unique_ptr<Output> openPulseOutput(int) {
    return nullptr;
}

} // namespace sonterra::bass
