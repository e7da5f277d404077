#include "tests/fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <stdlib.h>

#include "platform/file.h"

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
    std::string pattern = (base / "zandrel-fuzz-XXXXXX").string();
    Require(::mkdtemp(pattern.data()) != nullptr, "a scratch folder can be made");
    m_strRoot = pattern;
    static const std::string root = m_strRoot;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    });
}

Scratch& Scratch::Fresh() {
    static Scratch scratch;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.m_strRoot)) {
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
