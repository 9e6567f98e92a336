// Runs a recorder (parec --raw ...) and copies its output to a file while
// tying the recording's timeline to the wall clock.
//
//   pcm_tap OUT.raw ANCHOR BYTES_PER_SECOND -- RECORDER ARGS...
//   pcm_tap --replay CHUNKS ANCHOR BYTES_PER_SECOND
//
// The second form writes the anchor of chunks listed one a line ("ARRIVAL
// BYTES", seconds and a count), for the tap's own test.
//
// An idle null sink drops the first second or two of a new recording, so the
// moment the recorder starts says nothing about when its first sample was
// heard. Every chunk that arrives, though, was heard no later than the moment
// it arrives (chunk_anchor.h: how that anchors each stretch between samples
// the server dropped). Arrivals are read on the monotonic clock and turned into wall time
// when the recording ends, next to the moments the cases look at: a wall
// clock stepped meanwhile (a machine's time service) would otherwise shift
// every later sound. ANCHOR receives the lines of ChunkAnchor::write, in
// Unix time, and "clock_step SECONDS" (how far the wall clock moved against
// the monotonic one while recording).
// SIGTERM or SIGINT stops the recorder; the tap then drains it and writes the
// anchor.
#include "chunk_anchor.h"

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

FILE* openAnchor(const std::string& path) {
    FILE* a = std::fopen(path.c_str(), "w");
    if (!a)
        fail(path);
    return a;
}

int replay(const char* chunksPath, const std::string& anchorPath, double bytesPerSecond) {
    FILE* in = std::fopen(chunksPath, "r");
    if (!in)
        fail(chunksPath);
    ChunkAnchor anchor(bytesPerSecond);
    double arrival = 0;
    long long bytes = 0;
    while (std::fscanf(in, "%lf %lld", &arrival, &bytes) == 2)
        anchor.add(arrival, bytes);
    std::fclose(in);
    FILE* a = openAnchor(anchorPath);
    anchor.write(a, 0);
    std::fclose(a);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--replay" && std::atof(argv[4]) > 0)
        return replay(argv[2], argv[3], std::atof(argv[4]));
    if (argc < 6 || std::string(argv[4]) != "--") {
        std::fprintf(stderr, "usage: pcm_tap OUT.raw ANCHOR BYTES_PER_SECOND -- RECORDER ARGS...\n"
                             "       pcm_tap --replay CHUNKS ANCHOR BYTES_PER_SECOND\n");
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

    ChunkAnchor anchor(bytesPerSecond);
    double firstOffset = 0;
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
        if (anchor.bytes() == 0)
            firstOffset = wallOffset();
        anchor.add(arrived, n);
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

    FILE* a = openAnchor(anchorPath);
    anchor.write(a, lastOffset);
    if (anchor.bytes() > 0)
        std::fprintf(a, "clock_step %.6f\n", lastOffset - firstOffset);
    std::fclose(a);
    return 0;
}
