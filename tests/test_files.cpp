#include "tests/test_files.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "os/utf16.h"

namespace zandrel::test {

TempDir::TempDir() {
#ifdef _WIN32
    // No mkdtemp: a random name, taken only if the folder is new.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_strRoot.empty(); ++attempt) {
        const std::filesystem::path candidate =
            std::filesystem::temp_directory_path() / ("zandrel-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) m_strRoot = Utf8FromPath(candidate);
    }
    if (m_strRoot.empty()) throw std::runtime_error("no temporary folder could be made");
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "zandrel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_strRoot = pattern;
#endif
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(PathFromUtf8(m_strRoot), ignored);
}

std::string TempDir::Path(const std::string& name) const {
    std::string path = m_strRoot + kPathSeparator + name;
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(m_strRoot.size()), path.end(), '/', kPathSeparator);
    return path;
}

std::string TempDir::Write(const std::string& name, ByteSpan bytes) const {
    std::string path = Path(name);
    WriteBytes(path, bytes);
    return path;
}

std::vector<std::string> TempDir::Entries() const { return EntriesOf(m_strRoot); }

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(folder))) {
        names.push_back(Utf8FromPath(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, ByteSpan bytes) {
    std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) { return std::filesystem::exists(PathFromUtf8(path)); }

SprPalette DistinctPalette(std::uint8_t seed) {
    SprPalette palette{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        const auto n = static_cast<std::uint8_t>(i);
        palette[i] = {n, static_cast<std::uint8_t>(255 - n), static_cast<std::uint8_t>(n * 7 + seed),
                      static_cast<std::uint8_t>(n ^ 0x5A)};
    }
    return palette;
}

Bytes RleByHand(ByteSpan indices) {
    Bytes out;
    for (std::size_t i = 0; i < indices.size();) {
        if (indices[i] != 0) {
            out.push_back(indices[i++]);
            continue;
        }
        std::size_t run = 0;
        while (i < indices.size() && indices[i] == 0 && run < 255) ++run, ++i;
        out.push_back(0);
        out.push_back(static_cast<std::uint8_t>(run));
    }
    return out;
}

Bytes MakeSprite(SprKind kind, const std::vector<TestFrame>& frames, const SprPalette& palette) {
    SprHeader header;
    header.magic = kSprMagic;
    header.rleFlag = kind == SprKind::Indexed256 ? 0 : 1;
    header.formatByte = 2;
    const auto count = static_cast<std::uint16_t>(frames.size());
    if (kind == SprKind::TrueColor32) {
        header.trueColorCount = count;
    } else {
        header.indexedCount = count;
    }
    Bytes out;
    AppendSprHeader(out, header);
    for (const TestFrame& frame : frames) {
        PutU16(out, frame.width);
        PutU16(out, frame.height);
        if (kind == SprKind::Indexed256Rle) {
            const Bytes encoded = RleByHand(frame.pixels);
            PutU16(out, static_cast<std::uint16_t>(encoded.size()));
            PutBytes(out, encoded);
        } else {
            PutBytes(out, frame.pixels);
        }
    }
    AppendSprPalette(out, palette);
    return out;
}

SprPalette MarkedPalette() {
    SprPalette palette = DistinctPalette();
    palette[0] = {10, 20, 30, 0};
    palette[1] = {255, 0, 255, 0};
    palette[2] = {0, 255, 0, 0};
    return palette;
}

TestFrame Filled(std::uint16_t width, std::uint16_t height, std::uint8_t index) {
    return {width, height, Bytes(std::size_t{width} * height, index)};
}

TestFrame PatternFrame(std::uint16_t width, std::uint16_t height, std::uint8_t seed) {
    TestFrame frame{width, height, Bytes(std::size_t{width} * height)};
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            // A transparent border and gaps inside, as sprites have.
            const bool gap = x == 0 || y == 0 || (x + y) % 5 == 0;
            frame.pixels[y * width + x] = gap ? 0 : static_cast<std::uint8_t>(1 + (x * 3 + y * 11 + seed) % 255);
        }
    }
    return frame;
}

TestFrame TrueColourFrame(std::uint16_t width, std::uint16_t height, std::uint8_t seed) {
    TestFrame frame{width, height, Bytes(std::size_t{width} * height * 4)};
    for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
        frame.pixels[i] = static_cast<std::uint8_t>(i * 13 + seed);
    }
    return frame;
}

namespace {

// Little-endian fields written out one byte at a time.
void Field(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

Bytes PaintedBmp8(int width, int height, const Bytes& rows, const SprPalette& palette, unsigned bitCount) {
    const int stride = (width + 3) / 4 * 4;
    const std::uint32_t offset = 14 + 40 + 1024;
    Bytes out{'B', 'M'};
    Field(out, offset + static_cast<std::uint32_t>(stride * height), 4);
    Field(out, 0, 4);
    Field(out, offset, 4);
    Field(out, 40, 4);
    Field(out, static_cast<std::uint32_t>(width), 4);
    Field(out, static_cast<std::uint32_t>(height), 4);
    Field(out, 1, 2);
    Field(out, bitCount, 2);
    for (int i = 0; i < 6; ++i) Field(out, 0, 4);  // compression, sizes, resolution, colours
    for (const SprPaletteEntry& entry : palette) out.insert(out.end(), {entry.blue, entry.green, entry.red, 0});
    for (int y = height - 1; y >= 0; --y) {
        const auto row = rows.begin() + std::ptrdiff_t{y} * width;
        out.insert(out.end(), row, row + width);
        out.insert(out.end(), static_cast<std::size_t>(stride - width), 0);
    }
    return out;
}

Bytes MakeBmp8(std::uint16_t width, std::uint16_t height, ByteSpan indices, const SprPalette& palette) {
    const std::uint32_t stride = (width + 3u) / 4u * 4u;
    const std::uint32_t imageBytes = stride * height;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    Field(out, 14 + 40 + 1024 + imageBytes, 4);  // file size
    Field(out, 0, 4);                            // two reserved fields
    Field(out, 14 + 40 + 1024, 4);               // offset of the pixels
    Field(out, 40, 4);                           // info header size
    Field(out, width, 4);
    Field(out, height, 4);  // positive: bottom row first
    Field(out, 1, 2);       // planes
    Field(out, 8, 2);       // bits per pixel
    Field(out, 0, 4);       // no compression
    Field(out, imageBytes, 4);
    Field(out, 72, 4);   // horizontal resolution
    Field(out, 72, 4);   // vertical resolution
    Field(out, 256, 4);  // colours used
    Field(out, 256, 4);  // colours important
    for (const SprPaletteEntry& entry : palette) out.insert(out.end(), {entry.blue, entry.green, entry.red, 0});
    for (std::size_t row = height; row-- > 0;) {
        for (std::size_t x = 0; x < stride; ++x) out.push_back(x < width ? indices[row * width + x] : 0);
    }
    return out;
}

Bytes MakeTga32(std::uint16_t width, std::uint16_t height, ByteSpan bgra) {
    Bytes out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Field(out, width, 2);
    Field(out, height, 2);
    out.insert(out.end(), {32, 8});
    out.insert(out.end(), bgra.begin(), bgra.end());
    return out;
}

Seen SeenOf(const Result<SpriteFrame>& frame) {
    if (!frame) return {frame.Refused().text, 0, 0, {}};
    return {{}, WidthOf(*frame), HeightOf(*frame), PixelsOf(*frame)};
}

}  // namespace zandrel::test
