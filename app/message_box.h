#pragma once
// Every modal box of the program goes through showMessageBox, so the GUI can
// show it and a test can read and answer it. Any thread may build a request;
// only the main thread shows one.

#include <functional>
#include <string>

namespace sonterra {

enum class BoxIcon { None, Error };
enum class BoxButtons { Ok, OkCancel };
enum class BoxResult { Ok, Cancel };

struct MessageBoxRequest {
    std::string caption;  // UTF-8
    std::string text;     // UTF-8, lines separated by a single CR
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
    bool beep = false;    // sound the default beep first
};

using MessageBoxHandler = std::function<BoxResult(const MessageBoxRequest&)>;

// Installs the handler and returns the one it replaces. With none installed,
// boxes are written to standard error and answered OK.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

BoxResult showMessageBox(const MessageBoxRequest& request);

// A plain notice: OK only, no icon, the application title as caption.
void ShowMessage(const std::string& text);

} // namespace sonterra
