#pragma once
// A stream opened ahead for a later load of one file. Whatever it holds is
// freed through the library when it is replaced, reset or destroyed, unless a
// load took it first. Main thread only.

#include "audio/bass_calls.h"

#include <string>

namespace sonterra {

class PreparedStream {
public:
    // The library is reached through api, which must outlive this.
    explicit PreparedStream(BassApi& api) : bass(api) {}
    ~PreparedStream() { reset(); }
    PreparedStream(const PreparedStream&) = delete;
    PreparedStream& operator=(const PreparedStream&) = delete;

    // Holds `handle`, opened for a load of `name`; what was held before goes.
    void reset(HSTREAM handle = 0, std::string name = {});
    // The stream held for `name`, handed over to the caller, who frees it;
    // 0 when none is held, and for another name (kept for its own load).
    HSTREAM take(const std::string& name);
    // The stream held, 0 when none; still owned here.
    HSTREAM get() const { return handle_; }

private:
    BassApi& bass;
    HSTREAM handle_ = 0;
    std::string name_;
};

} // namespace sonterra
