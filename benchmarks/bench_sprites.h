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
// A whole true-colour sprite of `frames` frames with varied alpha.
Bytes MakeTrueColourSprite(std::size_t frames, std::uint16_t width, std::uint16_t height);

// A fresh folder under the system's temporary folder, removed with everything in it.
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
};

}  // namespace zandrel::bench
