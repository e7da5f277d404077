#include <algorithm>
#include <utility>

#include "formats/spr_frame.h"
#include "maker/build_sources.h"
#include "maker/source_images.h"
#include "maker/sprite_build.h"

namespace zandrel {
namespace {

using FileSource = ReaderSource<File>;

// The header and palette of the sprite at `path`, and its frames when `indexed`: a
// sprite whose frames do not all lie inside the file is refused, since its palette block
// would be frame bytes.
Result<SpriteShelf::Sprite> ReadSprite(const std::string& path, bool indexed) {
    Result<File> opened = OpenSource(path, kCannotOpenSprFormat);
    if (!opened) return std::move(opened.Refused());
    SpriteShelf::Sprite sprite{path, std::move(*opened), {}, {}, {}};
    FileSource source(sprite.file);
    if (source.Length() < kSprMinFileBytes) return Stop(FormatText(kNotValidSprFormat, path.c_str()));
    sprite.header = ReadSprHeader(source);
    if (sprite.header.magic != kSprMagic) return Stop(FormatText(kNotValidSprFormat, path.c_str()));
    if (!indexed) return sprite;
    sprite.palette = ReadSprPalette(source);
    SprFrameIndex index = SprIndexFrames(source, sprite.header, kSprMaxField);
    if (index.problem != SprIndexProblem::None) return Stop(FormatText(kSourceIncompleteFormat, path.c_str()));
    sprite.frames = std::move(index.frames);
    return sprite;
}

struct FrameOfSprite {
    SpriteFrame frame;
    const SprPalette* palette = nullptr;  // the shelf's, while it holds the sprite
};

// The frame a source names, read from its sprite.
Result<FrameOfSprite> ReadFrameOf(SpriteShelf& shelf, const BuildSource& source) {
    Result<const SpriteShelf::Sprite*> opened = shelf.Open(source.path);
    if (!opened) return std::move(opened.Refused());
    const SpriteShelf::Sprite& sprite = **opened;
    const std::size_t index = source.frame.value_or(0);
    if (index >= sprite.frames.size()) {
        return Stop(FormatText(kNoSuchFrameFormat, SourceName(source).c_str(), static_cast<int>(sprite.frames.size())));
    }
    FrameOfSprite read{{}, &sprite.palette};
    Bytes encoded;
    FileSource file(sprite.file);
    if (SprReadFrame(file, SprKindOf(sprite.header), sprite.frames[index], read.frame, encoded) !=
        SprFrameProblem::None) {
        return Stop(FormatText(kDamagedSprFrameFormat, SourceName(source).c_str()));
    }
    return read;
}

}  // namespace

Result<const SpriteShelf::Sprite*> SpriteShelf::Open(const std::string& path) {
    if (m_sprite && m_sprite->path == path) return &*m_sprite;
    m_sprite.reset();  // one sprite open at a time
    Result<Sprite> read = ReadSprite(path, true);
    if (!read) return std::move(read.Refused());
    m_sprite = std::move(*read);
    return &*m_sprite;
}

Result<SprKind> SpriteKind(const std::string& path) {
    Result<SpriteShelf::Sprite> read = ReadSprite(path, false);
    if (!read) return std::move(read.Refused());
    return SprKindOf(read->header);
}

Result<std::vector<BuildSource>> SpriteFrameSources(const std::string& path) {
    Result<SpriteShelf::Sprite> read = ReadSprite(path, true);
    if (!read) return std::move(read.Refused());
    std::vector<BuildSource> sources(read->frames.size());
    for (std::size_t i = 0; i < sources.size(); ++i) sources[i] = {path, static_cast<std::uint16_t>(i)};
    return sources;
}

Result<SpriteFrame> ReadSpriteFrame(SpriteShelf& shelf, const BuildSource& source) {
    Result<FrameOfSprite> read = ReadFrameOf(shelf, source);
    if (!read) return std::move(read.Refused());
    return std::move(read->frame);
}

Outcome ReadSpriteFrameSource(SpriteShelf& shelf, const BuildSource& source, PalettisedSource& read) {
    Result<FrameOfSprite> frame = ReadFrameOf(shelf, source);
    if (!frame) return std::move(frame.Refused());
    auto* picture = std::get_if<IndexedPicture>(&frame->frame);
    if (picture == nullptr) return Stop(kMixedKindsText);
    read.picture = std::move(*picture);
    read.colourTable = ColourTableOf(*frame->palette);
    read.transparent = 0;  // index 0 stays the transparent index
    return Outcome::Done();
}

Outcome WriteSpriteFrameSource(SpriteShelf& shelf, const BuildSource& source, SpriteWriter& writer) {
    Result<FrameOfSprite> frame = ReadFrameOf(shelf, source);
    if (!frame) return std::move(frame.Refused());
    const auto* picture = std::get_if<SpriteColourPicture>(&frame->frame);
    if (picture == nullptr) return Stop(kMixedKindsText);
    writer.AppendFrameHead(picture->width, picture->height);
    writer.Append(picture->pixels);
    return Outcome::Done();
}

}  // namespace zandrel
