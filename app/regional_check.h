#pragma once
// The start-up check of the regional time and date formats (a routine of
// funcoes; it belongs to start-up, so it lives beside it).

namespace sonterra {

// Shows its own messages and returns false when the regional formats would
// not render midnight as "00:00:00" and 1 January 2003 as "01/01/2003".
bool CheckRegionalFormats();

} // namespace sonterra
