#pragma once
// The library's process-wide state: opened outputs, live channels by handle,
// the two options. Created on first use, shut down at process exit (channels
// first, then outputs), so devices that the player never closes are closed.

#include "audio/bass/bass.h"

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace sonterra::bass {

class Channel;
class Output;
class Source;

class Library {
public:
    static Library& instance();
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    int init(int device, int freq); // 0 or an error code; selects the device for this thread
    // A sound is due soon on `device`: make its output ready (opening it if it
    // could not be opened before).
    int prepare(int device);
    const char* description(int device);
    int setDevice(int device);
    // The output new streams go to: this thread's choice, else the last one opened.
    Output* currentOutput(int& error);
    int deviceFormat(int device, DWORD& rate, DWORD& period_frames);

    // Takes the source, prefills it and hands out a handle; 0 and `error` on failure.
    // `file`: the local file it was opened from, if any.
    DWORD addChannel(std::unique_ptr<Source> source, Output& output, DWORD flags, int& error,
                     const std::string& file = {});
    std::shared_ptr<Channel> channel(DWORD handle);
    // BASS_StreamFree: a file's channel freed untouched is kept a few seconds
    // for a load of the same file, any other one is shut down. False for an
    // unknown handle.
    bool freeChannel(DWORD handle);
    // A kept channel of the unchanged file `name`, made for this output and
    // these flags, under a new handle; 0 when there is none.
    DWORD reuseChannel(const std::string& name, Output& output, DWORD flags);

    std::atomic<int> buffer_ms{500};

private:
    Library() = default;
    bool startSdlAudio();     // mutex_ and sdl_calls_ held
    static int outputCount(); // SDL outputs, without device 0
    static bool wantsPulse();
    // mutex_ held. Opens the output of `device`; 0 or an error code.
    int openOutput(int device, int freq);
    // mutex_ held. An output that failed at BASS_Init is tried again on each
    // use, so that a sound server started after the program is found.
    Output* outputOrRetry(int device);
    // mutex_ held. Moves the kept channels that are out of date (all of them
    // with `all`, or enough to make room for one more) to `done`.
    void dropKept(bool all, std::vector<std::shared_ptr<Channel>>& done);

    std::mutex mutex_;
    std::mutex sdl_calls_; // declared before the outputs, which use it until they are gone
    std::map<int, std::unique_ptr<Output>> outputs_;
    std::map<int, int> wanted_; // device -> rate, for inits that failed
    std::map<DWORD, std::shared_ptr<Channel>> channels_;
    // A day file may hold one line many times at one minute: each start then
    // closes the one before at once. Reopening the file each time cost
    // milliseconds a line, minutes for a large file; a channel freed untouched
    // is as good as a new one.
    struct Kept {
        std::shared_ptr<Channel> channel;
        std::string file;
        std::chrono::steady_clock::time_point since;
    };
    std::vector<Kept> kept_;
    std::map<DWORD, std::string> files_; // handle -> local file, for the channels that have one
    DWORD next_handle_ = 0x10000;
    int last_device_ = -1;
    bool sdl_audio_ = false;
    std::set<std::string> names_; // texts handed out stay valid for the process's life
};

// The last error of the calling thread.
void setError(int code);
int lastError();

} // namespace sonterra::bass
