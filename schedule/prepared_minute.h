#pragma once
// The minute whose sound the bell player holds opened ahead. The minute and
// what the player holds for it go together: letting go of one lets go of the
// other. Main thread only.

#include "audio/audio_player.h"

#include <string>

namespace sonterra {

class PreparedMinute {
public:
    // The player must outlive this.
    explicit PreparedMinute(AudioPlayer& player) : player_(player) {}

    bool Is(const std::string& minute) const { return minute == minute_; }
    bool Is(const std::string& minute, const std::string& path) const {
        return minute == minute_ && path == path_;
    }
    // Has the player open `path` ahead for `minute`, which is `dueInMs` away.
    void Prepare(const std::string& minute, const std::string& path, int dueInMs) {
        minute_ = minute;
        path_ = path;
        player_.Prepare(path, dueInMs);
    }
    // Forgets the minute; the player lets go of whatever it opened ahead.
    void Release() {
        minute_.clear();
        path_.clear();
        player_.ReleasePrepared();
    }

    // Lets go, as it goes, of what its minute's loads did not take.
    class Spent {
    public:
        explicit Spent(AudioPlayer* player) : player_(player) {}
        ~Spent() {
            if (player_)
                player_->ReleasePrepared();
        }
        Spent(const Spent&) = delete;
        Spent& operator=(const Spent&) = delete;

    private:
        AudioPlayer* player_; // null when no minute was prepared
    };
    // Once its minute has come the minute is spent at once (a clock set back
    // over it brings it round again, needing its output ready again).
    [[nodiscard]] Spent Spend() {
        const bool held = !minute_.empty();
        minute_.clear();
        path_.clear();
        return Spent(held ? &player_ : nullptr);
    }

private:
    AudioPlayer& player_;
    std::string minute_;
    std::string path_; // the file opened for it; empty when none
};

} // namespace sonterra
