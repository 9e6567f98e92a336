// Runs a recorder (parec --raw ...) and copies its output to a file while
// tying the recording's timeline to the wall clock.
//
//   pcm_tap OUT.raw ANCHOR BYTES_PER_SECOND -- RECORDER ARGS...
//
// An idle null sink drops the first second or two of a new recording, so the
// moment the recorder starts says nothing about when its first sample was
// heard. Every chunk that arrives, though, was heard no later than the moment
// it arrives; so start = arrival - bytes so far / rate is never earlier than
// the true start, and the smallest such value over all chunks is the tightest
// bound. Arrivals are read on the monotonic clock and turned into wall time
// when the recording ends, next to the moments the cases look at: a wall
// clock stepped meanwhile (a machine's time service) would otherwise shift
// every later sound. ANCHOR receives "start SECONDS" (Unix time of sample 0),
// "spread SECONDS" (how far the estimates wander: delivery jitter),
// "clock_step SECONDS" (how far the wall clock moved against the monotonic
// one while recording) and "bytes N".
// SIGTERM or SIGINT stops the recorder; the tap then drains it and writes the
// anchor.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) {
    g_stop = 1;
}

double wallNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

double monotonicNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Wall time minus monotonic time, read as close together as two calls allow.
double wallOffset() {
    const double before = monotonicNow();
    const double wall = wallNow();
    const double after = monotonicNow();
    return wall - (before + after) / 2;
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "pcm_tap: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6 || std::string(argv[4]) != "--") {
        std::fprintf(stderr,
                     "usage: pcm_tap OUT.raw ANCHOR BYTES_PER_SECOND -- RECORDER ARGS...\n");
        return 2;
    }
    const std::string outPath = argv[1];
    const std::string anchorPath = argv[2];
    const double bytesPerSecond = std::atof(argv[3]);
    if (bytesPerSecond <= 0) {
        std::fprintf(stderr, "pcm_tap: bad byte rate %s\n", argv[3]);
        return 2;
    }

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr); // no SA_RESTART: read() returns EINTR
    sigaction(SIGINT, &sa, nullptr);

    int fds[2];
    if (pipe(fds) != 0)
        fail("pipe");
    const pid_t child = fork();
    if (child < 0)
        fail("fork");
    if (child == 0) {
        signal(SIGTERM, SIG_DFL);
        signal(SIGINT, SIG_DFL);
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execvp(argv[5], &argv[5]);
        std::fprintf(stderr, "pcm_tap: %s: %s\n", argv[5], std::strerror(errno));
        _exit(127);
    }
    close(fds[1]);

    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0)
        fail(outPath);

    double best = 1e300, worst = -1e300;
    double firstOffset = 0;
    long long total = 0;
    bool stopping = false;
    char buf[4096];
    for (;;) {
        if (g_stop && !stopping) {
            stopping = true;
            kill(child, SIGTERM);
        }
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("read");
        if (n == 0)
            break;
        const double arrived = monotonicNow();
        if (total == 0)
            firstOffset = wallOffset();
        total += n;
        const double start = arrived - static_cast<double>(total) / bytesPerSecond;
        best = std::min(best, start);
        worst = std::max(worst, start);
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                fail(outPath);
            done += w;
        }
    }
    close(out);
    int status = 0;
    waitpid(child, &status, 0);
    const double lastOffset = wallOffset();

    FILE* a = std::fopen(anchorPath.c_str(), "w");
    if (!a)
        fail(anchorPath);
    if (total > 0)
        std::fprintf(a, "start %.6f\nspread %.6f\nclock_step %.6f\nbytes %lld\n", best + lastOffset,
                     worst - best, lastOffset - firstOffset, total);
    else
        std::fprintf(a, "start none\nbytes 0\n");
    std::fclose(a);
    return 0;
}
