#pragma once
// Helper routines shared by the whole program. The start-up check of the
// regional formats, the third routine of this unit, lives with start-up in
// app/regional_check.h.

#include <string>

namespace sonterra {

// Left-pads with "0" to width (after dropping leading blanks); never cuts.
std::string PadWithZeros(const std::string& text, int width);

// Beep, then an OK/Cancel question captioned "Tivra Sistemas"; true for OK.
bool ConfirmBox(const std::string& question);

} // namespace sonterra
