#include "maker/build_sources.h"

#include <algorithm>

#include "maker/sprite_build.h"

namespace zandrel {
namespace {

constexpr std::size_t kLeastWorkBytes = std::size_t{2} * 256;  // an encoder piece holds a whole run
constexpr std::size_t kMostWorkBytes = std::size_t{128} << 10;

}  // namespace

std::size_t WorkBytes(std::uint64_t frameBytes) {
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(frameBytes, kLeastWorkBytes, kMostWorkBytes));
}

Result<File> OpenSource(const std::string& path, const char* cannotOpenFormat) {
    try {
        return File::OpenRead(path);
    } catch (const FileError&) {
        return Stop(FormatText(cannotOpenFormat, path.c_str()));
    }
}

Outcome ReadPalettisedSource(const BuildSource& from, bool withColourTable, SpriteShelf& shelf,
                             PalettisedSource& source, Bytes& whole) {
    source.transparent.reset();
    if (from.frame) return ReadSpriteFrameSource(shelf, from, source);
    if (SourceKindOf(from.path) == SourceKind::Png) return ReadIndexedPngSource(from.path, source);
    return ReadBmpSource(from.path, withColourTable, source, whole);
}

Outcome WriteTrueColourSource(const BuildSource& from, SpriteShelf& shelf, SpriteWriter& writer) {
    if (from.frame) return WriteSpriteFrameSource(shelf, from, writer);
    if (SourceKindOf(from.path) == SourceKind::Png) return WritePngTrueColourSource(from.path, writer);
    return WriteTgaSource(from.path, writer);
}

}  // namespace zandrel
