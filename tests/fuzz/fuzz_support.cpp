#include "tests/fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

#include <stdlib.h>

#include "platform/file.h"
#include "platform/utf16.h"

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

}  // namespace zandrel::fuzz
