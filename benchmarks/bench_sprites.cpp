#include "benchmarks/bench_sprites.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "formats/spr_file.h"

namespace zandrel::bench {
namespace {

// A colour index that is never the transparent 0.
std::uint8_t Opaque(std::size_t n) { return static_cast<std::uint8_t>(1 + n % 255); }

}  // namespace

Bytes MakeIndices(FrameShape shape, std::uint16_t width, std::uint16_t height) {
    Bytes indices(std::size_t{width} * height, 0);
    const double cx = width / 2.0;
    const double cy = height / 2.0;
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            const std::size_t i = y * width + x;
            switch (shape) {
                case FrameShape::NoZeros: indices[i] = Opaque(i * 7 + y); break;
                case FrameShape::Alternating: indices[i] = i % 2 == 0 ? 0 : Opaque(i); break;
                case FrameShape::Typical: {
                    // An upright ellipse filling about two thirds of each axis; inside it,
                    // gaps of one to three transparent pixels now and then, as between
                    // an arm and the body.
                    const double dx = (static_cast<double>(x) - cx) / (width * 0.33);
                    const double dy = (static_cast<double>(y) - cy) / (height * 0.40);
                    const bool body = dx * dx + dy * dy <= 1.0;
                    const bool gap = (x * 13 + y * 7) % 29 < 1 + (y % 3);
                    indices[i] = body && !gap ? Opaque(x / 3 + y * 5) : 0;
                    break;
                }
            }
        }
    }
    return indices;
}

Bytes MakePalettedSprite(std::size_t frames, std::uint16_t width, std::uint16_t height) {
    Bytes sprite;
    AppendSprHeader(sprite, MakeWrittenSprHeader(SprKind::Indexed256Rle, static_cast<std::uint16_t>(frames)));
    const Bytes encoded = SprEncodeRle(MakeIndices(FrameShape::Typical, width, height));
    if (encoded.size() > kSprMaxField) throw std::invalid_argument("frame too large for a sprite");
    for (std::size_t f = 0; f < frames; ++f) {
        PutU16(sprite, width);
        PutU16(sprite, height);
        PutU16(sprite, static_cast<std::uint16_t>(encoded.size()));
        sprite.insert(sprite.end(), encoded.begin(), encoded.end());
    }
    SprPalette palette{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                      static_cast<std::uint8_t>(i * 3), 0};
    }
    AppendSprPalette(sprite, palette);
    return sprite;
}

Bytes MakeNoisySprite(std::size_t frames, std::uint16_t width, std::uint16_t height) {
    Bytes sprite;
    AppendSprHeader(sprite, MakeWrittenSprHeader(SprKind::Indexed256, static_cast<std::uint16_t>(frames)));
    // xorshift32: the same noise on every run and every machine.
    std::uint32_t state = 0x9E3779B9u;
    for (std::size_t f = 0; f < frames; ++f) {
        PutU16(sprite, width);
        PutU16(sprite, height);
        for (std::size_t i = 0; i < std::size_t{width} * height; ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            sprite.push_back(static_cast<std::uint8_t>(state >> 24));
        }
    }
    AppendSprPalette(sprite, SprPalette{});
    return sprite;
}

Bytes MakeTrueColourSprite(std::size_t frames, std::uint16_t width, std::uint16_t height) {
    Bytes sprite;
    AppendSprHeader(sprite, MakeWrittenSprHeader(SprKind::TrueColor32, static_cast<std::uint16_t>(frames)));
    const std::size_t pixels = std::size_t{width} * height;
    for (std::size_t f = 0; f < frames; ++f) {
        PutU16(sprite, width);
        PutU16(sprite, height);
        for (std::size_t i = 0; i < pixels; ++i) {
            const std::uint8_t alpha = i % 4 == 0 ? 0 : static_cast<std::uint8_t>(i * 37 + f);
            sprite.insert(sprite.end(), {alpha, static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(f),
                                         static_cast<std::uint8_t>(i >> 8)});
        }
    }
    sprite.resize(sprite.size() + kPaletteBytes, 0);
    return sprite;
}

double MinSeconds(double seconds) {
    constexpr double kQuickSeconds = 0.01;
    return std::getenv("ZANDREL_BENCH_QUICK") != nullptr ? kQuickSeconds : seconds;
}

int Rounds(int rounds) { return std::getenv("ZANDREL_BENCH_QUICK") != nullptr ? 1 : rounds; }

ScratchFolder::ScratchFolder() {
    std::error_code ignored;
    m_strPrevious = std::filesystem::current_path(ignored).string();
    std::string pattern = (std::filesystem::temp_directory_path() / "zandrel-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder");
    m_strPath = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    const std::filesystem::path whole = std::filesystem::weakly_canonical(m_strPath, ignored);
    const std::filesystem::path current = std::filesystem::current_path(ignored);
    const auto inside = [&](const std::filesystem::path& folder) {
        const auto [end, unused] = std::mismatch(folder.begin(), folder.end(), current.begin(), current.end());
        return !folder.empty() && end == folder.end();
    };
    if (!m_strPrevious.empty() && (inside(whole) || inside(m_strPath))) {
        std::filesystem::current_path(m_strPrevious, ignored);
    }
    std::filesystem::remove_all(m_strPath, ignored);
}

std::string ScratchFolder::Make(const std::string& name, bool folder) const {
    std::string path = m_strPath + "/" + name;
    if (folder) std::filesystem::create_directories(path);
    return path;
}

void ReadPosix(const std::string& path, Bytes& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    std::size_t done = 0;
    for (;;) {
        if (done == buffer.size()) buffer.resize(buffer.size() * 2 + 4096);
        const ssize_t got = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (got < 0) throw std::runtime_error("cannot read " + path);
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    benchmark::DoNotOptimize(buffer.data());
}

int WriteOpen(const std::string& path, const Bytes& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put <= 0) throw std::runtime_error("cannot write " + path);
        done += static_cast<std::size_t>(put);
    }
    return fd;
}

void WritePosix(const std::string& path, const Bytes& bytes) {
    if (::close(WriteOpen(path, bytes)) != 0) throw std::runtime_error("cannot close " + path);
}

}  // namespace zandrel::bench
