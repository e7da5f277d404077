#pragma once

// Frames and whole sprites for the benchmarks, made in memory, and a scratch folder
// on disk for the ones that need files.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/byte_order.h"

namespace zandrel::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// A measured side and its baseline timed by turns in each round, the baseline going
// first every other round, so that neither always meets the file system (or the
// caches) just after the other. Each side returns its own seconds.
class Turns {
public:
    // The measured side's seconds this round, for the round's time.
    template <class Measured, class Baseline>
    double Round(const Measured& measured, const Baseline& baseline) {
        if (m_bBaselineFirst) m_baselineSeconds += baseline();
        const double seconds = measured();
        m_measuredSeconds += seconds;
        if (!m_bBaselineFirst) m_baselineSeconds += baseline();
        m_bBaselineFirst = !m_bBaselineFirst;
        return seconds;
    }
    double MeasuredSeconds() const { return m_measuredSeconds; }
    double BaselineSeconds() const { return m_baselineSeconds; }
    // Measured over baseline; 0 before the baseline has taken any time.
    double Ratio() const { return m_baselineSeconds > 0 ? m_measuredSeconds / m_baselineSeconds : 0; }

private:
    bool m_bBaselineFirst = false;
    double m_measuredSeconds = 0;
    double m_baselineSeconds = 0;
};

// The baselines: a whole file read or written with plain system calls, nothing more.
void ReadPosix(const std::string& path, Bytes& buffer);
void WritePosix(const std::string& path, const Bytes& bytes);
// Writes the file and leaves it open: the descriptor is the caller's to flush and close.
int WriteOpen(const std::string& path, const Bytes& bytes);

enum class FrameShape {
    Typical,      // a transparent surround, a body with short transparent gaps
    NoZeros,      // not one transparent pixel: all literals
    Alternating,  // transparent and opaque by turns: a two-byte run per other pixel
};

// width * height palette indices, top row first.
Bytes MakeIndices(FrameShape shape, std::uint16_t width, std::uint16_t height);

// A whole run-length encoded palettised sprite of `frames` frames of the typical shape.
Bytes MakePalettedSprite(std::size_t frames, std::uint16_t width, std::uint16_t height);
// A palettised sprite of `frames` frames of noise, every index as likely, each frame
// its own, stored uncompressed (as the run-length form would only grow).
Bytes MakeNoisySprite(std::size_t frames, std::uint16_t width, std::uint16_t height);
// A whole true-colour sprite of `frames` frames with varied alpha.
Bytes MakeTrueColourSprite(std::size_t frames, std::uint16_t width, std::uint16_t height);

// How long a benchmark runs: `seconds` and `rounds` as given, or one short round when
// the environment sets ZANDREL_BENCH_QUICK (make bench-smoke), which checks that every
// benchmark still runs to its end and judges no time.
double MinSeconds(double seconds);
int Rounds(int rounds);

// A fresh folder under the system's temporary folder, removed with everything in it.
// A benchmark that made it (or a folder in it) current is moved back to the folder
// that was current before, so that the next one still has a current folder.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_strPath; }
    // A path inside the folder; a sub-folder is created when `folder` is true.
    std::string Make(const std::string& name, bool folder = false) const;

private:
    std::string m_strPath;
    std::string m_strPrevious;
};

}  // namespace zandrel::bench
