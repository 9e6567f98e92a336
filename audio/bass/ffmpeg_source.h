#pragma once
// A file or an internet address decoded by libavformat/libavcodec.

#include "audio/bass/local_file.h"
#include "audio/bass/source.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct AVDictionary;
struct AVFormatContext;
struct AVInputFormat;
struct AVIOContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace sonterra::bass {

class FFmpegSource final : public Source {
public:
    // Opens `name` (a path, or an address when it holds "://"; only http and
    // https are). On failure returns null and sets `error` to a library error
    // code (2, 32, 40, 41).
    static std::unique_ptr<FFmpegSource> open(const std::string& name, int& error);
    ~FFmpegSource() override;
    FFmpegSource(const FFmpegSource&) = delete;
    FFmpegSource& operator=(const FFmpegSource&) = delete;

    const SourceFormat& format() const override { return format_; }
    int next(const std::uint8_t* const*& data) override;
    bool seek(std::int64_t frame) override;
    void setInterrupted(bool on) override { interrupted_.store(on); }
    bool unchangedFileAt(const std::string& name) const override {
        return file_ && name == name_ && file_->unchangedAt(name);
    }

private:
    explicit FFmpegSource(std::string name);
    // Each returns 0 or a library error code.
    int openContexts();
    // The container, within the whitelists, its streams' details found.
    int openInput();
    // The best audio stream's decoder, the others discarded.
    int openDecoder();
    // format_ from the decoder and the container; the open's deadline lifted.
    void readFormat();
    int failWith(int averror); // closes; the library code for `averror`
    AVDictionary* inputOptions() const;
    // libavformat reads file_ through io_, past its tags; false when out of memory.
    bool readThroughFile(const AVInputFormat* demuxer);
    void closeContexts();
    static int interruptCallback(void* self);
    static int readFile(void* self, std::uint8_t* buffer, int size);
    static std::int64_t seekFile(void* self, std::int64_t offset, int whence);
    // Of the bytes just read into `buffer`, from `from` to at_, those inside
    // ID3v2 tags, up to tag_credit_: what they give back to the budget.
    std::int64_t tagBytes(const std::uint8_t* buffer, std::int64_t from);

    std::string name_;
    bool is_address_ = false;
    std::unique_ptr<LocalFile> file_; // what a local name was opened as
    // What libavformat sees of file_: it starts after the leading ID3v2 tags,
    // and the ID3 chunks of a WAV or AIFF and the pictures of a FLAC read as
    // chunks to skip, so no tag or picture is ever unpacked; and it ends once
    // `budget_` bytes have been read since it was last set, so no stretch
    // without audio is read whole.
    std::int64_t skip_ = 0;
    std::vector<std::pair<std::int64_t, std::uint8_t>> patches_; // file offset, byte seen there
    std::int64_t at_ = 0;                                        // the file's offset
    std::int64_t budget_ = 0;
    std::int64_t tag_credit_ = 0; // what ID3v2 tags may still add to budget_
    std::int64_t tag_end_ = 0;    // the end of the last tag met
    AVIOContext* io_ = nullptr;   // reads file_ for libavformat
    SourceFormat format_;
    AVFormatContext* fmt_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    int stream_index_ = -1;
    bool draining_ = false;
    std::int64_t skip_to_ = -1; // after a seek: drop samples before this frame
    const std::uint8_t* trimmed_[64] = {};
    std::atomic<bool> interrupted_{false};
    std::chrono::steady_clock::time_point deadline_{};
};

} // namespace sonterra::bass
