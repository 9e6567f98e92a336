#include "chunk_anchor.h"

#include <algorithm>

namespace {

// Delivery jitter stays well under this; a server that lost samples jumps by
// a period of its own (tens of milliseconds at least).
constexpr double kDropSeconds = 0.005;

struct Segment {
    long long from;
    long long to;
    double start;
};

struct Drop {
    double lost;
    long long from;
    long long to;
};

} // namespace

void ChunkAnchor::add(double arrival, long long bytes) {
    total_ += bytes;
    const double start = arrival - static_cast<double>(total_) / rate_;
    best_ = std::min(best_, start);
    worst_ = std::max(worst_, start);
    chunks_.push_back({start, total_});
}

void ChunkAnchor::write(std::FILE* out, double toWall) const {
    const size_t n = chunks_.size();
    if (n == 0) {
        std::fprintf(out, "start none\nbytes 0\n");
        return;
    }
    // The tightest bound for the samples of chunk i comes from chunk i or a
    // later one: lowest[i]. It rises where samples went missing.
    std::vector<double> lowest(n);
    lowest[n - 1] = chunks_[n - 1].start;
    for (size_t i = n - 1; i-- > 0;)
        lowest[i] = std::min(chunks_[i].start, lowest[i + 1]);

    std::vector<Segment> segments{{0, chunks_[0].end, lowest[0]}};
    std::vector<Drop> drops;
    for (size_t i = 1; i < n; ++i) {
        if (lowest[i] - lowest[i - 1] <= kDropSeconds) {
            segments.back().to = chunks_[i].end;
            continue;
        }
        // Chunk i - 1 came on time before the loss; the first chunk on time
        // at the new level (or at a later one, should more be lost before it)
        // ends the stretch whose samples cannot be placed.
        double level = lowest[i];
        size_t j = i;
        for (;; ++j) {
            if (lowest[j] - level > kDropSeconds)
                level = lowest[j];
            if (chunks_[j].start - level <= kDropSeconds)
                break;
        }
        drops.push_back({level - segments.back().start, chunks_[i - 1].end, chunks_[j].end});
        segments.push_back({chunks_[j].end, chunks_[j].end, level});
        i = j;
    }

    const auto seconds = [this](long long bytes) { return static_cast<double>(bytes) / rate_; };
    std::fprintf(out, "start %.6f\nspread %.6f\nbytes %lld\n", segments.front().start + toWall,
                 worst_ - best_, total_);
    for (const Segment& s : segments)
        std::fprintf(out, "segment %.6f %.6f %.6f\n", seconds(s.from), seconds(s.to),
                     s.start + toWall);
    for (const Drop& d : drops)
        std::fprintf(out, "drop %.6f %.6f %.6f\n", d.lost, seconds(d.from), seconds(d.to));
}
