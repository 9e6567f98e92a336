#pragma once
// Helper routines shared by the whole program, and the start-up check of the
// regional time and date formats.

#include <string>

namespace sonterra {

// Left-pads with "0" to width (after dropping leading blanks); never cuts.
std::string PadWithZeros(const std::string& text, int width);

// Beep, then an OK/Cancel question captioned "Tivra Sistemas"; true for OK.
bool ConfirmBox(const std::string& question);

// Shows its own messages and returns false when the regional formats would
// not render midnight as "00:00:00" and 1 January 2003 as "01/01/2003".
bool CheckRegionalFormats();

} // namespace sonterra
