// Tells which test tones a recording of the sound server holds, and when.
//
// Input: raw signed 16-bit little-endian PCM, interleaved (what parec --raw
// writes). Every test sound is one sine at a multiple of 100 Hz, so on 10 ms
// frames each tone falls exactly on a Goertzel bin and the others, while
// steady, leak nothing into it.
//
//   tone_scan FILE [--rate 48000] [--channels 2] [--threshold 0.02]
//             [--gap 0.05] NAME=HZ ...
//
// Prints, times in seconds from the first sample:
//   samples N
//   sound START END     a stretch of non-silence, START at the first sample
//                       whose magnitude crosses the threshold
//   tone NAME START END LEVEL   a stretch where tone NAME is heard (LEVEL is
//                       its peak amplitude, 1.0 = full scale)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

namespace {

struct Tone {
    std::string name;
    double hz = 0;
};

struct Span {
    long first = 0; // in frames or samples
    long last = 0;  // inclusive
    double peak = 0;
    long marks = 0; // frames or samples above the threshold
};

struct Options {
    std::string file;
    int rate = 48000;
    int channels = 2;
    double threshold = 0.02;
    double gap = 0.05;
    std::vector<Tone> tones;
};

[[noreturn]] void usage(const std::string& why) {
    std::cerr << "tone_scan: " << why << "\n"
              << "usage: tone_scan FILE [--rate HZ] [--channels N] [--threshold A] [--gap S] "
                 "NAME=HZ ...\n";
    std::exit(2);
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc)
                usage(a + " needs a value");
            return argv[++i];
        };
        if (a == "--rate")
            o.rate = std::stoi(next());
        else if (a == "--channels")
            o.channels = std::stoi(next());
        else if (a == "--threshold")
            o.threshold = std::stod(next());
        else if (a == "--gap")
            o.gap = std::stod(next());
        else if (const auto eq = a.find('='); eq != std::string::npos)
            o.tones.push_back({a.substr(0, eq), std::stod(a.substr(eq + 1))});
        else if (o.file.empty())
            o.file = a;
        else
            usage("unexpected argument " + a);
    }
    if (o.file.empty())
        usage("no input file");
    if (o.rate <= 0 || o.channels <= 0)
        usage("bad rate or channel count");
    return o;
}

// Mono mix in [-1, 1].
std::vector<float> readMono(const Options& o) {
    std::ifstream in(o.file, std::ios::binary);
    if (!in)
        usage("cannot open " + o.file);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t frameBytes = 2 * static_cast<size_t>(o.channels);
    const size_t n = bytes.size() / frameBytes;
    std::vector<float> mono(n);
    for (size_t i = 0; i < n; ++i) {
        double sum = 0;
        for (int c = 0; c < o.channels; ++c) {
            const auto* p = reinterpret_cast<const unsigned char*>(
                &bytes[i * frameBytes + 2 * static_cast<size_t>(c)]);
            sum += static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
        }
        mono[i] = static_cast<float>(sum / o.channels / 32768.0);
    }
    return mono;
}

// Amplitude of a sine at hz within one frame (1.0 = full scale).
double goertzel(const float* x, size_t n, double hz, int rate) {
    const double coeff = 2 * std::cos(2 * std::numbers::pi * hz / rate);
    double s1 = 0, s2 = 0;
    for (size_t i = 0; i < n; ++i) {
        const double s = x[i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(n);
}

// Joins marks closer than maxGap, then drops spans with fewer than minMarks.
std::vector<Span> spans(const std::vector<double>& level, double threshold, long maxGap,
                        long minMarks) {
    std::vector<Span> out;
    for (long i = 0; i < static_cast<long>(level.size()); ++i) {
        if (level[static_cast<size_t>(i)] < threshold)
            continue;
        if (!out.empty() && i - out.back().last <= maxGap) {
            out.back().last = i;
        } else {
            out.push_back({i, i, 0, 0});
        }
        out.back().peak = std::max(out.back().peak, level[static_cast<size_t>(i)]);
        ++out.back().marks;
    }
    std::erase_if(out, [&](const Span& s) { return s.marks < minMarks; });
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    const std::vector<float> mono = readMono(o);
    const double rate = o.rate;
    std::printf("samples %zu\n", mono.size());

    // Non-silence, to the sample: shorter gaps than --gap do not split a sound.
    std::vector<double> magnitude(mono.size());
    for (size_t i = 0; i < mono.size(); ++i)
        magnitude[i] = std::fabs(mono[i]);
    for (const Span& s : spans(magnitude, o.threshold, static_cast<long>(o.gap * o.rate), 1))
        std::printf("sound %.6f %.6f\n", s.first / rate, (s.last + 1) / rate);

    // Tones, to the 10 ms frame. A frame counts for a tone when the tone
    // carries a fifth of the frame's power or more (two tones at once still
    // count, the splash of a hard start or stop leaking into a neighbour's
    // bin does not), and a tone must be heard in three frames.
    const size_t frame = static_cast<size_t>(o.rate / 100);
    const size_t frames = mono.size() / frame;
    std::vector<double> power(frames);
    for (size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (size_t i = 0; i < frame; ++i)
            sum += static_cast<double>(mono[f * frame + i]) * mono[f * frame + i];
        power[f] = sum / static_cast<double>(frame);
    }
    for (const Tone& t : o.tones) {
        std::vector<double> level(frames);
        for (size_t f = 0; f < frames; ++f) {
            const double a = goertzel(&mono[f * frame], frame, t.hz, o.rate);
            level[f] = a * a / 2 >= 0.2 * power[f] ? a : 0;
        }
        for (const Span& s : spans(level, o.threshold, 3, 3))
            std::printf("tone %s %.3f %.3f %.3f\n", t.name.c_str(),
                        static_cast<double>(s.first * frame) / rate,
                        static_cast<double>((s.last + 1) * frame) / rate, s.peak);
    }
    return 0;
}
