#pragma once
// Device 0, "no sound": a thread that pulls the mixer at real-time pace and
// throws the result away, so positions and ends behave as on a sound card.

#include "audio/bass/output.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace sonterra::bass {

class NullOutput final : public Output {
public:
    explicit NullOutput(int rate);
    ~NullOutput() override;

    void lock() override { mutex_.lock(); }
    void unlock() override { mutex_.unlock(); }

private:
    void run();

    std::mutex mutex_;
    std::vector<float> scratch_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace sonterra::bass
