#pragma once
// Ties the samples of a recording to the clock its chunks arrived by.
//
// Every chunk was heard no later than the moment it arrives, so
// arrival - bytes so far / rate bounds the moment of sample 0 from above, and
// the smallest bound is the tightest. A server starved of CPU may drop
// samples, though; every later chunk then bounds a start that much later, and
// one anchor for the whole recording would put every later sound early by
// what was lost. So each stretch between drops gets its own anchor, taken
// from the chunks after it: the bound for a sample comes only from chunks at
// or after it, and the drops show as jumps of that bound. Where between two
// chunks the samples went missing cannot be told: that stretch is reported as
// a drop, and a sound that starts or ends there cannot be timed.
#include <cstdio>
#include <vector>

class ChunkAnchor {
public:
    explicit ChunkAnchor(double bytesPerSecond) : rate_(bytesPerSecond) {}

    // A chunk of `bytes` arrived at `arrival` (seconds).
    void add(double arrival, long long bytes);

    long long bytes() const { return total_; }

    // "start" (moment of sample 0 by the first stretch), "spread" (how far the
    // estimates wander), "bytes", then one "segment FROM TO START" per stretch
    // (FROM and TO in seconds of recording, START the moment of sample 0 by
    // that stretch's chunks) and one "drop LOST FROM TO" per jump between
    // them. `toWall` is added to every moment.
    void write(std::FILE* out, double toWall) const;

private:
    // A chunk's bound on sample 0 and where it ends.
    struct Chunk {
        double start;
        long long end;
    };
    double rate_;
    long long total_ = 0;
    double best_ = 1e300;
    double worst_ = -1e300;
    std::vector<Chunk> chunks_;
};
