#pragma once
// TDarvoBass: plays one sound at a time on one output device, notices the end
// of the sound by itself and then fires OnStop. Reports every failure to the
// operator in a message box and returns nothing. Main thread only: its watch
// timer hands its ticks to the main thread too.

#include "audio/ID3Tags.h"
#include "audio/ThdTimer.h"
#include "audio/audio_player.h"
#include "audio/bass_calls.h"
#include "audio/bass_error_text.h"
#include "audio/prepared_stream.h"

#include <QObject>
#include <memory>
#include <string>
#include <vector>

namespace sonterra {

// Devices some player of this process has opened with BASS_Init. Shared by
// every player, only grows; main thread only.
extern std::vector<int> DeviceList;

class TDarvoBass : public QObject, public AudioPlayer {
public:
    // Owned by parent (QObject ownership). The library is reached through api,
    // which must outlive the player.
    explicit TDarvoBass(QObject* parent = nullptr, BassApi& api = RealBassApi());
    // Frees channel, watch timer and tag reader; fires no OnStop.
    ~TDarvoBass() override;

    // Effective only before the first LoadFile.
    void InitDevice(int device, bool readTags, void* windowHandle, bool skipFloatTest);
    void SelectDevice(signed char device);

    void CloseStream() override;
    // A name holding "://" is an address and starts playing at once. With a
    // tag reader (InitDevice's readTags), a file whose tag cannot be read
    // throws std::system_error.
    void LoadFile(const std::string& name) override;
    void Play() override;
    void Stop() override;
    bool IsPlaying() const override { return Playing; }
    // Asks the library to make Device ready (also opening it when BASS_Init
    // failed) and opens `name` ahead on a channel of its own; nothing ahead
    // for an empty name or an address.
    void Prepare(const std::string& name, int dueInMs) override;
    void ReleasePrepared() override;
    void ReservePrepared(bool reserved) override { PreparedReserved = reserved; }

    int GetLengthMs();
    int GetPositionMs();
    void SetEffect(bool enable);
    // The watch timer's OnTimer.
    void CheckPlayback(TThreadedTimer& sender);

    // The part of a path after its folder.
    static std::string ExtractDisplayName(const std::string& path);

    int Frequency();
    void SetFrequency(int value);
    int Pan();
    void SetPan(int value);
    int Volume();
    void SetVolume(int value);

    bool ManualUpdate = false;
    unsigned short BufferLength = 3000;
    bool EffectEnabled = false;
    bool LoopPlayback = false;
    bool RewindOnStop = true;
    bool Playing = false;

protected:
    // Fires OnStop with this player as sender.
    virtual void DoStop();

    int Device = 0;
    std::string DeviceName;
    DWORD StreamFlags = 0;
    std::string DisplayName;
    std::string FileName;
    std::unique_ptr<TID3v1Tag> TagReader;
    int frequency = 0;
    int volume = 0;
    int pan = 0;
    BASS_FX_DSPPARAMS EffectParams{};
    DWORD Channel = 0;
    // Opened ahead by Prepare for a load of the file it names.
    PreparedStream PreparedChannel;
    bool PreparedReserved = false;
    bool Loaded = false;
    TThreadedTimer* WatchTimer = nullptr; // child of this player

private:
    void refreshAttributes();
    void setBufferConfig();
    HSTREAM openFile(const std::string& name, const std::string& upperName);
    // The channel Prepare opened for `name`, if the file is unchanged since;
    // else 0 (and a stale one goes).
    HSTREAM takePrepared(const std::string& name);
    void loadFileSteps(const std::string& name, const std::string& upperName);
    void loadAddressSteps(const std::string& name);

    BassApi& bass;
};

} // namespace sonterra
