// Watches an X display for top-level windows being mapped (shown) and prints
// the wall-clock moment of each, until one whose title contains TEXT shows.
//
//   window_probe TEXT [TIMEOUT_SECONDS]
//
// Prints "ready" once it listens (start the program after that line), then
// "mapped UNIX_TIME TITLE" per window; exit status 0 when TEXT was seen,
// 1 on time-out. With no window manager, top-level windows are children of
// the root window, so the root's substructure events show every one of them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/select.h>
#include <thread>

namespace {

double wallNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::string titleOf(Display* d, Window w) {
    const Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(d, w, &name) && name) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

// A window may be gone by the time its title is asked for (Wine maps and
// destroys helper windows quickly); Xlib's default handler would end the probe.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_probe TEXT [TIMEOUT_SECONDS]\n");
        return 2;
    }
    const std::string wanted = argv[1];
    const double timeout = argc > 2 ? std::atof(argv[2]) : 30.0;

    Display* d = nullptr;
    for (int i = 0; i < 200 && !d; ++i) {
        d = XOpenDisplay(nullptr);
        if (!d)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    if (!d) {
        std::fprintf(stderr, "window_probe: cannot open display %s\n", XDisplayName(nullptr));
        return 2;
    }
    XSetErrorHandler(IgnoreXError);
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);
    std::printf("ready\n");
    std::fflush(stdout);

    const double deadline = wallNow() + timeout;
    const int fd = ConnectionNumber(d);
    while (wallNow() < deadline) {
        if (XPending(d) == 0) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(fd, &set);
            timeval tv{0, 50000};
            select(fd + 1, &set, nullptr, nullptr, &tv);
            continue;
        }
        XEvent e;
        XNextEvent(d, &e);
        if (e.type != MapNotify)
            continue;
        const double at = wallNow();
        const std::string title = titleOf(d, e.xmap.window);
        std::printf("mapped %.6f %s\n", at, title.c_str());
        std::fflush(stdout);
        if (title.find(wanted) != std::string::npos) {
            XCloseDisplay(d);
            return 0;
        }
    }
    XCloseDisplay(d);
    return 1;
}
