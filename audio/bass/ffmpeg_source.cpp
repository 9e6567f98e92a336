#include "audio/bass/ffmpeg_source.h"

#include "audio/bass/bass.h"
#include "audio/bass/format_pick.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <span>
#include <vector>

namespace sonterra::bass {

namespace {

// No read of an address may hang longer than this.
constexpr auto kNetworkTimeout = std::chrono::seconds(10);
// Nor its open, which holds the player's thread: a server that accepts and
// never answers costs no more.
constexpr auto kOpenTimeout = std::chrono::seconds(2);
// Bytes of a file libavformat may read for its header (pictures of FLAC and
// Ogg included), to find its stream's details, and for one packet: beyond
// these no real sound is without audio, and a parser that finds no frame in
// them (an MP3 extended by gigabytes of zeros) would otherwise keep them all.
constexpr std::int64_t kHeaderBytes = 32 << 20;
constexpr std::int64_t kStreamInfoBytes = 1 << 20;
constexpr std::int64_t kPacketBytes = 1 << 20;
// And, for one packet, this much more in ID3v2 tags met between frames: MP3s
// joined with cat, each with its cover, are one sound.
constexpr std::int64_t kTagBytes = 32 << 20;
constexpr std::int64_t kNoBudget = std::numeric_limits<std::int64_t>::max();
// No block libavformat or libavcodec allocates is larger: a size field read
// from a file never becomes gigabytes.
constexpr std::size_t kMaxAllocBytes = 64 << 20;
// How many leading ID3v2 tags, and RIFF, AIFF or FLAC metadata chunks, are
// looked through.
constexpr int kMaxLeadingTags = 16;
constexpr int kMaxChunks = 1024;
constexpr std::uint8_t kFlacPadding = 1;
constexpr std::uint8_t kFlacPicture = 6;
// A probe weaker than this is a guess from the file name alone, not audio.
constexpr int kMinProbeScore = AVPROBE_SCORE_EXTENSION / 2;
// Undecodable packets in a row before the source gives up.
constexpr int kMaxBadPackets = 64;
// libavformat's own read size for files.
constexpr int kFileBufferBytes = 32768;
// What is read of a file's start to tell its container: room for two MPEG
// audio frames of any rate.
constexpr int kHeadBytes = 4096;
// What reaches a demuxer: the formats the program plays, so no playlist,
// script or picture format ever opens a file or a connection it names.
constexpr const char* kFormatWhitelist = "mp3,wav,w64,asf,ogg,flac,aiff";
// Protocols for a local file, and for a web address (http and https, and
// what those two run on).
constexpr const char* kFileProtocols = "file";
constexpr const char* kWebProtocols = "http,https,tcp,tls";

void initFFmpegOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_FATAL);
        av_max_alloc(kMaxAllocBytes);
        avformat_network_init();
    });
}

// Every audio decoder FFmpeg has: finding a stream's details then never
// decodes a picture (a cover that unpacks to gigabytes).
const char* audioDecoders() {
    static const std::string names = [] {
        std::string list;
        void* it = nullptr;
        while (const AVCodec* codec = av_codec_iterate(&it))
            if (av_codec_is_decoder(codec) != 0 && codec->type == AVMEDIA_TYPE_AUDIO)
                list += (list.empty() ? "" : ",") + std::string(codec->name);
        return list;
    }();
    return names.c_str();
}

int addressError(int averror) {
    switch (averror) {
    case AVERROR(ETIMEDOUT):
    case AVERROR_EXIT:
        return BASS_ERROR_TIMEOUT;
    case AVERROR(ECONNREFUSED):
    case AVERROR(ENETUNREACH):
    case AVERROR(EHOSTUNREACH):
    case AVERROR(ENETDOWN):
    case AVERROR(ECONNRESET):
    case AVERROR(EIO): // what a failed name look-up comes back as
        return BASS_ERROR_NONET;
    case AVERROR_INVALIDDATA:
        return BASS_ERROR_FILEFORM;
    default:
        return BASS_ERROR_FILEOPEN;
    }
}

int fileError(int averror) {
    switch (averror) {
    case AVERROR(ENOENT):
    case AVERROR(EACCES):
    case AVERROR(EPERM):
        return BASS_ERROR_FILEOPEN;
    default:
        return BASS_ERROR_FILEFORM;
    }
}

bool isWebAddress(const std::string& name) {
    const auto startsWith = [&](const char* scheme) {
        return av_strncasecmp(name.c_str(), scheme, std::strlen(scheme)) == 0;
    };
    return startsWith("http://") || startsWith("https://");
}

bool isEightBit(const AVCodecParameters* par) {
    switch (par->codec_id) {
    case AV_CODEC_ID_PCM_U8:
    case AV_CODEC_ID_PCM_S8:
    case AV_CODEC_ID_PCM_S8_PLANAR:
        return true;
    default:
        return false;
    }
}

// No real sound has a rate, a channel count or a frame beyond these; a
// header that claims one would have the resampler allocate gigabytes.
bool withinReason(const AVCodecContext* codec) {
    constexpr int kMinRate = 1000;
    constexpr int kMaxRate = 384000;
    constexpr int kMaxChannels = 8;
    constexpr int kMaxFrameSamples = 65536; // FLAC's largest block
    return codec->sample_rate >= kMinRate && codec->sample_rate <= kMaxRate &&
           codec->ch_layout.nb_channels >= 1 && codec->ch_layout.nb_channels <= kMaxChannels &&
           codec->frame_size >= 0 && codec->frame_size <= kMaxFrameSamples;
}

// Up to `head.size()` bytes of `file` from `at`; what was read.
std::span<const std::uint8_t> readAt(LocalFile& file, std::int64_t at,
                                     std::span<std::uint8_t> head) {
    if (file.seek(at, SEEK_SET) != at)
        return {};
    std::size_t got = 0;
    while (got < head.size()) {
        const int n = file.read(head.data() + got, static_cast<int>(head.size() - got));
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return head.first(got);
}

// Bytes of the ID3v2 tags the file starts with.
std::int64_t leadingTagBytes(LocalFile& file) {
    std::array<std::uint8_t, 10> buffer{};
    std::int64_t at = 0;
    for (int i = 0; i < kMaxLeadingTags; ++i) {
        const std::size_t tag = id3v2Length(readAt(file, at, buffer));
        if (tag == 0)
            break;
        at += static_cast<std::int64_t>(tag);
    }
    return at;
}

// Bytes that libavformat reads otherwise than the file holds them.
using Patches = std::vector<std::pair<std::int64_t, std::uint8_t>>;

// The ID3 chunks of the RIFF (little-endian sizes) or AIFF file that starts at
// `start`, renamed JUNK.
Patches id3Chunks(LocalFile& file, std::int64_t start, bool little_endian) {
    Patches found;
    const std::int64_t end = file.size();
    std::array<std::uint8_t, 8> buffer{};
    std::int64_t at = start + 12; // past RIFF/FORM, its size and its kind
    for (int i = 0; i < kMaxChunks && at + 8 <= end; ++i) {
        const auto head = readAt(file, at, buffer);
        if (head.size() < 8)
            break;
        const std::uint8_t* p = head.data() + 4;
        const std::uint32_t size =
            little_endian ? p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24
                          : static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        if (std::memcmp(head.data(), "id3 ", 4) == 0 || std::memcmp(head.data(), "ID3 ", 4) == 0)
            for (std::int64_t k = 0; k < 4; ++k)
                found.emplace_back(at + k, static_cast<std::uint8_t>("JUNK"[k]));
        at += 8 + static_cast<std::int64_t>(size) + (size & 1);
    }
    return found;
}

// The picture blocks of the FLAC file that starts at `start`, turned into
// padding: they are skipped, never read, so covers of any size cost nothing.
Patches flacPictures(LocalFile& file, std::int64_t start) {
    Patches found;
    std::array<std::uint8_t, 4> buffer{};
    const auto magic = readAt(file, start, buffer);
    if (magic.size() < 4 || std::memcmp(magic.data(), "fLaC", 4) != 0)
        return found;
    std::int64_t at = start + 4;
    for (int i = 0; i < kMaxChunks; ++i) {
        const auto head = readAt(file, at, buffer);
        if (head.size() < 4)
            break;
        if ((head[0] & 0x7F) == kFlacPicture)
            found.emplace_back(at, static_cast<std::uint8_t>((head[0] & 0x80) | kFlacPadding));
        if ((head[0] & 0x80) != 0) // the last block
            break;
        at += 4 + (head[1] << 16 | head[2] << 8 | head[3]);
    }
    return found;
}

// The demuxer the file's first bytes name (the file is left at its start), or
// null: then libavformat probes, within the whitelist.
const AVInputFormat* demuxerOf(LocalFile& file) {
    std::array<std::uint8_t, kHeadBytes> buffer{};
    auto head = readAt(file, 0, buffer);
    const char* name = pickDemuxer(head);
    if (const std::size_t tag = id3v2Length(head); name == nullptr && tag >= head.size())
        name = pickDemuxer(readAt(file, static_cast<std::int64_t>(tag), buffer));
    file.seek(0, SEEK_SET);
    return name != nullptr ? av_find_input_format(name) : nullptr;
}

bool headerIsComplete(const AVFormatContext* fmt) {
    if (fmt->nb_streams != 1 || fmt->iformat == nullptr ||
        std::strcmp(fmt->iformat->name, "wav") != 0)
        return false;
    const AVCodecParameters* par = fmt->streams[0]->codecpar;
    return par->codec_type == AVMEDIA_TYPE_AUDIO && par->codec_id != AV_CODEC_ID_NONE &&
           par->sample_rate > 0 && par->ch_layout.nb_channels > 0;
}

} // namespace

FFmpegSource::FFmpegSource(std::string name) : name_(std::move(name)) {
    is_address_ = name_.find("://") != std::string::npos;
}

FFmpegSource::~FFmpegSource() {
    closeContexts();
}

std::unique_ptr<FFmpegSource> FFmpegSource::open(const std::string& name, int& error) {
    initFFmpegOnce();
    std::unique_ptr<FFmpegSource> source(new FFmpegSource(name));
    if (!source->is_address_) {
        source->file_ = LocalFile::open(name, error);
        if (!source->file_)
            return nullptr;
    } else if (!isWebAddress(name)) {
        error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    error = source->openContexts();
    if (error != BASS_OK)
        return nullptr;
    return source;
}

int FFmpegSource::interruptCallback(void* opaque) {
    auto* self = static_cast<FFmpegSource*>(opaque);
    if (self->interrupted_.load(std::memory_order_relaxed))
        return 1;
    return self->is_address_ && std::chrono::steady_clock::now() > self->deadline_ ? 1 : 0;
}

int FFmpegSource::readFile(void* opaque, std::uint8_t* buffer, int size) {
    auto& self = *static_cast<FFmpegSource*>(opaque);
    if (self.budget_ <= 0)
        return AVERROR_EOF;
    const std::int64_t from = self.at_;
    const int n =
        self.file_->read(buffer, static_cast<int>(std::min<std::int64_t>(size, self.budget_)));
    if (n <= 0)
        return n == 0 ? AVERROR_EOF : AVERROR(-n);
    self.at_ += n;
    self.budget_ -= n;
    for (const auto& [at, byte] : self.patches_)
        if (at >= from && at < self.at_)
            buffer[at - from] = byte;
    if (self.tag_credit_ > 0)
        self.budget_ += self.tagBytes(buffer, from);
    return n;
}

std::int64_t FFmpegSource::tagBytes(const std::uint8_t* buffer, std::int64_t from) {
    static constexpr char kId[] = "ID3";
    std::int64_t inside = 0;
    for (std::int64_t i = from; i < at_;) {
        if (i < tag_end_) {
            const std::int64_t end = std::min(tag_end_, at_);
            inside += end - i;
            i = end;
            continue;
        }
        const auto left = static_cast<std::size_t>(at_ - i);
        std::array<std::uint8_t, 10> head{};
        std::span<const std::uint8_t> view(buffer + (i - from), std::min(left, head.size()));
        if (std::memcmp(view.data(), kId, std::min<std::size_t>(left, 3)) == 0 &&
            left < head.size()) { // the header goes on in the next read
            view = readAt(*file_, i, head);
            file_->seek(at_, SEEK_SET);
        }
        if (const std::size_t tag = id3v2Length(view); tag > 0)
            tag_end_ = i + static_cast<std::int64_t>(tag);
        else
            ++i;
    }
    const std::int64_t credit = std::min(inside, tag_credit_);
    tag_credit_ -= credit;
    return credit;
}

std::int64_t FFmpegSource::seekFile(void* opaque, std::int64_t offset, int whence) {
    auto& self = *static_cast<FFmpegSource*>(opaque);
    LocalFile& file = *self.file_;
    whence &= ~AVSEEK_FORCE;
    std::int64_t at = 0;
    if (whence == AVSEEK_SIZE) {
        at = file.size();
    } else {
        at = file.seek(whence == SEEK_SET ? offset + self.skip_ : offset, whence);
        if (at >= 0 && at < self.skip_) // never into the hidden tags
            at = file.seek(self.skip_, SEEK_SET);
        if (at >= 0) {
            self.at_ = at;
            self.tag_end_ = 0;
        }
    }
    if (at < 0)
        return AVERROR(static_cast<int>(-at));
    return std::max<std::int64_t>(at - self.skip_, 0);
}

int FFmpegSource::openContexts() {
    int error = openInput();
    if (error == BASS_OK)
        error = openDecoder();
    if (error == BASS_OK)
        readFormat();
    return error;
}

int FFmpegSource::failWith(int averror) {
    closeContexts();
    return is_address_ ? addressError(averror) : fileError(averror);
}

AVDictionary* FFmpegSource::inputOptions() const {
    AVDictionary* options = nullptr;
    av_dict_set(&options, "format_whitelist", kFormatWhitelist, 0);
    av_dict_set(&options, "protocol_whitelist", is_address_ ? kWebProtocols : kFileProtocols, 0);
    av_dict_set(&options, "codec_whitelist", audioDecoders(), 0);
    if (is_address_) {
        const auto us = std::to_string(std::chrono::microseconds(kNetworkTimeout).count());
        av_dict_set(&options, "rw_timeout", us.c_str(), 0);
        av_dict_set(&options, "timeout", us.c_str(), 0);
    }
    return options;
}

bool FFmpegSource::readThroughFile(const AVInputFormat* demuxer) {
    // Read through the descriptor that was checked to be a regular file;
    // the name serves only to probe by its extension when the bytes tell
    // nothing.
    skip_ = leadingTagBytes(*file_);
    patches_.clear();
    if (demuxer != nullptr &&
        (std::strcmp(demuxer->name, "wav") == 0 || std::strcmp(demuxer->name, "aiff") == 0))
        patches_ = id3Chunks(*file_, skip_, demuxer->name[0] == 'w');
    else if (demuxer != nullptr && std::strcmp(demuxer->name, "flac") == 0)
        patches_ = flacPictures(*file_, skip_);
    at_ = file_->seek(skip_, SEEK_SET);
    budget_ = kHeaderBytes;
    tag_credit_ = 0;
    tag_end_ = 0;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kFileBufferBytes));
    if (buffer != nullptr)
        io_ = avio_alloc_context(buffer, kFileBufferBytes, 0, this, &FFmpegSource::readFile,
                                 nullptr, &FFmpegSource::seekFile);
    if (io_ == nullptr) {
        av_free(buffer);
        return false;
    }
    fmt_->pb = io_;
    return true;
}

int FFmpegSource::openInput() {
    fmt_ = avformat_alloc_context();
    if (fmt_ == nullptr)
        return BASS_ERROR_MEM;
    fmt_->interrupt_callback.callback = &FFmpegSource::interruptCallback;
    fmt_->interrupt_callback.opaque = this;
    // A 16-bit WAV would otherwise hold back its first 32 packets to probe
    // them for other codecs: milliseconds lost at the start of every bell.
    fmt_->max_probe_packets = 1;
    deadline_ = std::chrono::steady_clock::now() + kOpenTimeout;

    AVDictionary* options = inputOptions();
    const AVInputFormat* demuxer = file_ ? demuxerOf(*file_) : nullptr;
    if (file_ && !readThroughFile(demuxer)) {
        av_dict_free(&options);
        closeContexts();
        return BASS_ERROR_MEM;
    }
    int rc = avformat_open_input(&fmt_, name_.c_str(), demuxer, &options);
    av_dict_free(&options);
    if (rc < 0) {
        fmt_ = nullptr; // freed by avformat_open_input
        return failWith(rc);
    }
    if (demuxer == nullptr && fmt_->probe_score < kMinProbeScore)
        return failWith(AVERROR_INVALIDDATA);
    // Reading ahead for stream details costs milliseconds at the start of a
    // bell; skip it when the header already told everything the decoder needs.
    if (!headerIsComplete(fmt_)) {
        fmt_->probesize = kStreamInfoBytes;
        budget_ = 2 * kStreamInfoBytes;
        rc = avformat_find_stream_info(fmt_, nullptr);
        if (rc < 0)
            return failWith(rc == AVERROR_EXIT || rc == AVERROR(ETIMEDOUT) ? rc
                                                                           : AVERROR_INVALIDDATA);
    }
    return BASS_OK;
}

int FFmpegSource::openDecoder() {
    const AVCodec* decoder = nullptr;
    stream_index_ = av_find_best_stream(fmt_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_index_ < 0 || decoder == nullptr)
        return failWith(AVERROR_INVALIDDATA);
    const AVStream* stream = fmt_->streams[stream_index_];
    for (unsigned i = 0; i < fmt_->nb_streams; ++i)
        if (static_cast<int>(i) != stream_index_)
            fmt_->streams[i]->discard = AVDISCARD_ALL;

    codec_ = avcodec_alloc_context3(decoder);
    if (codec_ == nullptr || avcodec_parameters_to_context(codec_, stream->codecpar) < 0)
        return failWith(AVERROR_INVALIDDATA);
    codec_->pkt_timebase = stream->time_base;
    if (avcodec_open2(codec_, decoder, nullptr) < 0)
        return failWith(AVERROR_INVALIDDATA);
    if (!withinReason(codec_))
        return failWith(AVERROR_INVALIDDATA);

    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (frame_ == nullptr || packet_ == nullptr)
        return BASS_ERROR_MEM;
    return BASS_OK;
}

void FFmpegSource::readFormat() {
    const AVStream* stream = fmt_->streams[stream_index_];
    format_.rate = codec_->sample_rate;
    format_.channels = codec_->ch_layout.nb_channels;
    format_.sample_format = codec_->sample_fmt;
    if (codec_->ch_layout.order == AV_CHANNEL_ORDER_NATIVE)
        av_channel_layout_from_mask(&format_.layout, codec_->ch_layout.u.mask);
    else
        av_channel_layout_default(&format_.layout, format_.channels);
    format_.eight_bit = isEightBit(stream->codecpar);
    format_.seekable =
        !is_address_ || (fmt_->pb != nullptr && (fmt_->pb->seekable & AVIO_SEEKABLE_NORMAL));
    // A length guessed from the bitrate (an MP3 without a Xing header, two MP3s
    // joined with cat) can be a third of the real one: unknown until the decoder
    // counts it at the end, so the player never stops such a sound early.
    if (fmt_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)
        format_.length_frames = -1;
    else if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        format_.length_frames =
            av_rescale_q(stream->duration, stream->time_base, AVRational{1, format_.rate});
    else if (fmt_->duration != AV_NOPTS_VALUE && fmt_->duration > 0)
        format_.length_frames = av_rescale(fmt_->duration, format_.rate, AV_TIME_BASE);
    else
        format_.length_frames = -1;
    // From here on only reads are timed, by rw_timeout.
    deadline_ = std::chrono::steady_clock::time_point::max();
    draining_ = false;
    skip_to_ = -1;
}

void FFmpegSource::closeContexts() {
    av_packet_free(&packet_);
    av_frame_free(&frame_);
    avcodec_free_context(&codec_);
    if (fmt_ != nullptr)
        avformat_close_input(&fmt_);
    fmt_ = nullptr;
    if (io_ != nullptr)
        av_freep(&io_->buffer); // the context may have swapped in a buffer of its own
    avio_context_free(&io_);
}

int FFmpegSource::next(const std::uint8_t* const*& data) {
    if (codec_ == nullptr)
        return -1;
    int bad_packets = 0;
    for (;;) {
        av_frame_unref(frame_);
        int rc = avcodec_receive_frame(codec_, frame_);
        if (rc == 0) {
            int offset = 0;
            if (skip_to_ >= 0 && frame_->best_effort_timestamp != AV_NOPTS_VALUE) {
                const AVStream* stream = fmt_->streams[stream_index_];
                std::int64_t ts = frame_->best_effort_timestamp;
                if (stream->start_time != AV_NOPTS_VALUE)
                    ts -= stream->start_time;
                const std::int64_t first =
                    av_rescale_q(ts, stream->time_base, AVRational{1, format_.rate});
                if (first + frame_->nb_samples <= skip_to_)
                    continue;
                offset = static_cast<int>(std::max<std::int64_t>(0, skip_to_ - first));
            }
            skip_to_ = -1;
            if (frame_->nb_samples - offset <= 0)
                continue;
            if (offset == 0) {
                data = frame_->extended_data;
                return frame_->nb_samples;
            }
            const int bps = av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame_->format));
            const bool planar =
                av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame_->format)) != 0;
            const int planes = planar ? format_.channels : 1;
            const int step = planar ? bps : bps * format_.channels;
            for (int p = 0; p < planes && p < 64; ++p)
                trimmed_[p] = frame_->extended_data[p] + static_cast<std::ptrdiff_t>(offset) * step;
            data = trimmed_;
            return frame_->nb_samples - offset;
        }
        if (rc == AVERROR_EOF)
            return 0;
        if (rc != AVERROR(EAGAIN))
            return -1;
        if (draining_)
            return 0;
        budget_ = kPacketBytes;
        tag_credit_ = file_ ? kTagBytes : 0;
        rc = av_read_frame(fmt_, packet_);
        if (rc == AVERROR_EOF || (rc < 0 && avio_feof(fmt_->pb))) {
            draining_ = true;
            avcodec_send_packet(codec_, nullptr);
            continue;
        }
        if (rc < 0)
            return -1;
        if (packet_->stream_index == stream_index_) {
            rc = avcodec_send_packet(codec_, packet_);
            if (rc < 0 && rc != AVERROR(EAGAIN) && ++bad_packets > kMaxBadPackets) {
                av_packet_unref(packet_);
                return -1;
            }
        }
        av_packet_unref(packet_);
    }
}

bool FFmpegSource::seek(std::int64_t frame) {
    if (frame <= 0 || codec_ == nullptr) {
        // Reopening is the one way to the start that every format and decoder agree on.
        closeContexts();
        return openContexts() == BASS_OK;
    }
    if (!format_.seekable)
        return false;
    const AVStream* stream = fmt_->streams[stream_index_];
    std::int64_t ts = av_rescale_q(frame, AVRational{1, format_.rate}, stream->time_base);
    if (stream->start_time != AV_NOPTS_VALUE)
        ts += stream->start_time;
    budget_ = kNoBudget; // a seek may read its way to the frame
    if (avformat_seek_file(fmt_, stream_index_, INT64_MIN, ts, ts, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(codec_);
    draining_ = false;
    skip_to_ = frame;
    return true;
}

} // namespace sonterra::bass
