#pragma once
// The container of a sound file from its first bytes. Given a demuxer, FFmpeg
// opens the file with that one alone instead of probing every demuxer it has,
// each of which, on a machine that dropped those pages while idle, waits on
// the disk. Pure functions; any thread.

#include <cstddef>
#include <cstdint>
#include <span>

namespace sonterra::bass {

// The demuxer ("wav", "w64", "aiff", "ogg", "flac", "asf" or "mp3") that the
// bytes at the start of a file name for sure, or null when they do not: then
// the caller probes. An ID3v2 tag is looked past when `head` holds what
// follows it; bare MPEG audio counts only with two frames in a row.
const char* pickDemuxer(std::span<const std::uint8_t> head);

// Bytes of the ID3v2 tag `head` starts with, footer included; 0 when none.
std::size_t id3v2Length(std::span<const std::uint8_t> head);

} // namespace sonterra::bass
