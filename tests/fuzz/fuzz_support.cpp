#include "tests/fuzz/fuzz_support.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

#include "formats/png_files.h"
#include "os/file.h"
#include "os/utf16.h"
#include "viewer/frame_export.h"
#include "viewer/sprite_model.h"

namespace zandrel::fuzz {

void Require(bool holds, const char* promise) {
    if (holds) return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

Scratch::Scratch() {
    // A memory file system keeps the many small writes off the disk.
    std::error_code error;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : std::filesystem::temp_directory_path();
#ifdef _WIN32
    // No mkdtemp: a random name, taken only if the folder is new.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_strRoot.empty(); ++attempt) {
        const std::filesystem::path candidate = base / ("zandrel-fuzz-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate, error)) m_strRoot = Utf8FromPath(candidate);
    }
    Require(!m_strRoot.empty(), "a scratch folder can be made");
#else
    std::string pattern = (base / "zandrel-fuzz-XXXXXX").string();
    Require(::mkdtemp(pattern.data()) != nullptr, "a scratch folder can be made");
    m_strRoot = pattern;
#endif
    static const std::string root = m_strRoot;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(PathFromUtf8(root), ignored);
    });
}

Scratch& Scratch::Fresh() {
    static Scratch scratch;
    for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(scratch.m_strRoot))) {
        std::filesystem::remove_all(entry.path());
    }
    return scratch;
}

std::string Scratch::Put(const std::string& name, ByteSpan bytes) const {
    const std::string path = Path(name);
    WriteWholeFile(path, bytes);
    return path;
}

Bytes ReadWhole(const std::string& path) { return File::OpenRead(path).ReadAll(); }

SprPalette PaletteAfterBuild(const SprPalette& table, std::uint8_t transparent) {
    SprPalette palette = table;
    std::swap(palette[0], palette[transparent]);
    for (SprPaletteEntry& entry : palette) entry.reserved = 0;
    return palette;
}

Bytes ExchangeTransparent(ByteSpan indices, std::uint8_t transparent) {
    Bytes exchanged(indices.begin(), indices.end());
    for (std::uint8_t& index : exchanged) {
        if (index == 0) {
            index = transparent;
        } else if (index == transparent) {
            index = 0;
        }
    }
    return exchanged;
}

namespace {

// The PNG's pixels as the frame holds them: indices as they are, RGBA turned back into
// alpha, blue, green, red with the bottom row first.
Bytes FramePixelsOfPng(const PngDecoded& png) {
    if (png.kind == PngKind::Indexed) return png.pixels;
    const std::size_t rowBytes = std::size_t{png.width} * 4;
    Bytes stored(png.pixels.size());
    for (std::size_t row = 0; row < png.height; ++row) {
        const std::uint8_t* in = png.pixels.data() + row * rowBytes;
        std::uint8_t* out = stored.data() + (png.height - 1 - row) * rowBytes;
        for (std::size_t x = 0; x < rowBytes; x += 4) {
            out[x] = in[x + 3];
            out[x + 1] = in[x + 2];
            out[x + 2] = in[x + 1];
            out[x + 3] = in[x];
        }
    }
    return stored;
}

}  // namespace

void ExportEveryWay(const SpriteModel& sprite, const Scratch& scratch, std::size_t frames) {
    bool allRead = true;
    for (std::size_t i = 0; i < sprite.FrameCount(); ++i) {
        const Result<SpriteFrame> read = sprite.ReadFrame(i);
        allRead = allRead && read;
        if (i >= frames) continue;
        const bool empty = !read || WidthOf(*read) == 0 || HeightOf(*read) == 0;
        for (const FrameFormat format : {FrameFormat::Native, FrameFormat::Png}) {
            const std::string path = scratch.Path(format == FrameFormat::Png ? "frame.png" : "frame");
            const Outcome written = ExportFrame(sprite, i, path, format);
            const bool writable = read && !(format == FrameFormat::Png && empty);
            Require(written.done == writable, "a frame is written in every format that can hold it");
            Require(written.done || !written.text.empty(), "a refused frame says why");
            if (!written.done || format != FrameFormat::Png) continue;
            const PngDecoded png = DecodePng(ReadWhole(path));
            Require(png.problem == PngProblem::None && png.width == WidthOf(*read) && png.height == HeightOf(*read),
                    "a written PNG reads back");
            Require(FramePixelsOfPng(png) == PixelsOf(*read), "a written PNG holds the frame's pixels");
        }
    }
    const Outcome animated = ExportAnimation(sprite, scratch.Path("all.gif"));
    Require(animated.done == (!sprite.IsTrueColour() && sprite.FrameCount() > 0 && allRead),
            "a palettised sprite whose frames read animates");
}

}  // namespace zandrel::fuzz
