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
    std::string caption; // UTF-8
    std::string text;    // UTF-8, lines separated by a single CR
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
    bool beep = false; // sound the default beep first
};

using MessageBoxHandler = std::function<BoxResult(const MessageBoxRequest&)>;

// Installs the handler and returns the one it replaces. With none installed,
// boxes are written to standard error and answered OK.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

BoxResult showMessageBox(const MessageBoxRequest& request);

// A plain notice: OK only, no icon, the application title as caption.
void ShowMessage(const std::string& text);

// The bell ticks must never wait on a box nobody may be there to close. While
// a BoxesAfterwards lives, a box with OK alone is not shown at once but queued,
// and shown later: through the poster when one is installed (the GUI posts it
// to its event loop, so nothing of the caller is left on the stack), else when
// the outermost scope ends. They open one after another in the order they
// were raised, the next when the previous closes. A box identical to one that
// is queued or showing is not queued again, and at most kMaxBoxesAfterwards
// wait or show at once: the last one waiting says how many more were turned
// away. Main thread only.
class BoxesAfterwards {
public:
    BoxesAfterwards();
    ~BoxesAfterwards();
    BoxesAfterwards(const BoxesAfterwards&) = delete;
    BoxesAfterwards& operator=(const BoxesAfterwards&) = delete;
};

inline constexpr int kMaxBoxesAfterwards = 8;

// Runs a task later from the event loop.
using BoxPoster = std::function<void(std::function<void()> task)>;
BoxPoster setBoxPoster(BoxPoster poster);

} // namespace sonterra
