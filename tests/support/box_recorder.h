#pragma once
// Test helpers: record every message box, answer it, and put the process's
// format settings back when a test is done with them.

#include "core/format_settings.h"
#include "core/message_box.h"

#include <vector>

namespace sonterra::test {

class BoxRecorder {
public:
    explicit BoxRecorder(BoxResult answer = BoxResult::Ok) {
        previous_ = setMessageBoxHandler([this, answer](const MessageBoxRequest& request) {
            boxes.push_back(request);
            return answer;
        });
    }
    ~BoxRecorder() { setMessageBoxHandler(previous_); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    std::vector<MessageBoxRequest> boxes;

private:
    MessageBoxHandler previous_;
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
