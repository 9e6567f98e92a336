#include "audio/prepared_stream.h"

#include <utility>

namespace sonterra {

void PreparedStream::reset(HSTREAM handle, std::string name) {
    if (handle_ != 0)
        bass.BASS_StreamFree(handle_);
    handle_ = handle;
    name_ = std::move(name);
}

HSTREAM PreparedStream::take(const std::string& name) {
    if (handle_ == 0 || name != name_)
        return 0;
    const HSTREAM handle = std::exchange(handle_, 0);
    name_.clear();
    return handle;
}

} // namespace sonterra
