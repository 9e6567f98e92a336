#include "core/message_box.h"

#include "core/application.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <utility>
#include <vector>

namespace sonterra {

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

// With no window system to ask, the box goes to standard error.
BoxResult WriteToStandardError(const MessageBoxRequest& request) {
    std::string text = request.text;
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    std::fprintf(stderr, "[%s]\n%s\n", request.caption.c_str(), text.c_str());
    return BoxResult::Ok;
}

struct Afterwards {
    int depth = 0;
    std::deque<MessageBoxRequest> queued;
    std::vector<MessageBoxRequest> showing; // boxes whose handler has not returned yet
    BoxPoster poster;
};

Afterwards& Later() {
    static Afterwards later;
    return later;
}

bool SameBox(const MessageBoxRequest& a, const MessageBoxRequest& b) {
    return a.caption == b.caption && a.text == b.text && a.icon == b.icon &&
           a.buttons == b.buttons && a.beep == b.beep;
}

template <class Boxes> bool Among(const MessageBoxRequest& request, const Boxes& boxes) {
    return std::any_of(boxes.begin(), boxes.end(),
                       [&](const MessageBoxRequest& b) { return SameBox(b, request); });
}

class Showing {
public:
    explicit Showing(const MessageBoxRequest& request) : request_(request) {
        Later().showing.push_back(request);
    }
    ~Showing() {
        auto& showing = Later().showing;
        const auto it = std::find_if(showing.begin(), showing.end(),
                                     [this](const auto& b) { return SameBox(b, request_); });
        if (it != showing.end())
            showing.erase(it);
    }
    Showing(const Showing&) = delete;
    Showing& operator=(const Showing&) = delete;

private:
    const MessageBoxRequest& request_;
};

BoxResult Show(const MessageBoxRequest& request) {
    const Showing showing(request);
    // A copy: a handler may be replaced while its box is open.
    const MessageBoxHandler handler = Handler();
    return handler ? handler(request) : WriteToStandardError(request);
}

void ShowNextQueued() {
    Afterwards& later = Later();
    if (later.queued.empty())
        return;
    const MessageBoxRequest request = std::move(later.queued.front());
    later.queued.pop_front();
    Show(request);
}

void Queue(const MessageBoxRequest& request) {
    Afterwards& later = Later();
    if (Among(request, later.queued) || Among(request, later.showing))
        return;
    if (later.queued.size() + later.showing.size() >= kMaxBoxesAfterwards) {
        WriteToStandardError(request); // too many open already, but not lost without a trace
        return;
    }
    later.queued.push_back(request);
    if (later.poster)
        later.poster(&ShowNextQueued);
}

} // namespace

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

BoxResult showMessageBox(const MessageBoxRequest& request) {
    // Only a box whose answer nobody reads can wait.
    if (Later().depth > 0 && request.buttons == BoxButtons::Ok) {
        Queue(request);
        return BoxResult::Ok;
    }
    return Show(request);
}

BoxesAfterwards::BoxesAfterwards() {
    ++Later().depth;
}

BoxesAfterwards::~BoxesAfterwards() {
    Afterwards& later = Later();
    if (--later.depth > 0 || later.poster)
        return;
    // No event loop to post to: shown now, once the caller's work is done.
    while (!later.queued.empty())
        ShowNextQueued();
}

BoxPoster setBoxPoster(BoxPoster poster) {
    return std::exchange(Later().poster, std::move(poster));
}

void ShowMessage(const std::string& text) {
    MessageBoxRequest request;
    request.caption = ApplicationTitle();
    request.text = text;
    showMessageBox(request);
}

} // namespace sonterra
