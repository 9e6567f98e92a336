#pragma once
// Message boxes in tests: a handler and a poster for a scope, a recorder that answers every
// box, and the process's format settings put back when a test is done.

#include "core/format_settings.h"
#include "core/message_box.h"

#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace sonterra::test {

// Installs a handler (nullptr: the default one, standard error and OK) while
// it lives and puts the one before it back afterwards.
class ScopedMessageBoxHandler {
public:
    explicit ScopedMessageBoxHandler(MessageBoxHandler handler)
        : previous_(setMessageBoxHandler(std::move(handler))) {}
    ~ScopedMessageBoxHandler() { setMessageBoxHandler(previous_); }
    ScopedMessageBoxHandler(const ScopedMessageBoxHandler&) = delete;
    ScopedMessageBoxHandler& operator=(const ScopedMessageBoxHandler&) = delete;

private:
    MessageBoxHandler previous_;
};

// Installs a poster of boxes shown afterwards (nullptr: none) while it lives
// and puts the one before it back afterwards.
class ScopedBoxPoster {
public:
    explicit ScopedBoxPoster(BoxPoster poster) : previous_(setBoxPoster(std::move(poster))) {}
    ~ScopedBoxPoster() { setBoxPoster(previous_); }
    ScopedBoxPoster(const ScopedBoxPoster&) = delete;
    ScopedBoxPoster& operator=(const ScopedBoxPoster&) = delete;

private:
    BoxPoster previous_;
};

// Records every box, runs whileOpen (what the box's modal loop would run,
// when set), then answers with the next queued answer, or `answer` when none
// is queued.
class BoxRecorder {
public:
    explicit BoxRecorder(BoxResult answer = BoxResult::Ok)
        : handler_([this, answer](const MessageBoxRequest& request) {
              boxes.push_back(request);
              if (whileOpen)
                  whileOpen(request);
              if (answers.empty())
                  return answer;
              const BoxResult next = answers.front();
              answers.pop_front();
              return next;
          }) {}
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    std::vector<MessageBoxRequest> boxes;
    std::deque<BoxResult> answers;
    std::function<void(const MessageBoxRequest&)> whileOpen;

private:
    ScopedMessageBoxHandler handler_; // last: installed once the members above exist
};

class ScopedFormatSettings {
public:
    explicit ScopedFormatSettings(const FormatSettings& fs) : saved_(CurrentFormatSettings()) {
        CurrentFormatSettings() = fs;
    }
    ~ScopedFormatSettings() { CurrentFormatSettings() = saved_; }
    ScopedFormatSettings(const ScopedFormatSettings&) = delete;
    ScopedFormatSettings& operator=(const ScopedFormatSettings&) = delete;

private:
    FormatSettings saved_;
};

} // namespace sonterra::test
