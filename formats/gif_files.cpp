#include "formats/gif_files.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zandrel {
namespace {

constexpr int kColourResolution = 8;
constexpr GifByteType kLoopForever[] = {1, 0, 0};  // sub-block 1, loop count 0 (little-endian)

[[noreturn]] void Fail(int error) {
    const char* text = GifErrorString(error);
    throw std::runtime_error(std::string("GIF encoder: ") + (text != nullptr ? text : "failed"));
}

int Append(GifFileType* gif, const GifByteType* bytes, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + length);
    return length;
}

}  // namespace

struct AnimatedGifWriter::State {
    Bytes bytes;
    GifFileType* gif = nullptr;
    std::uint16_t canvasWidth = 1;
    std::uint16_t canvasHeight = 1;
    std::array<GifByteType, 4> control{};
    // giflib masks the line it is given in place, so every row goes through this copy
    // of our own: the caller's pixels stay untouched and may be read-only.
    std::vector<GifPixelType> line;

    void Check(int result) const {
        if (result != GIF_OK) Fail(gif->Error);
    }
};

AnimatedGifWriter::AnimatedGifWriter(std::uint16_t canvasWidth, std::uint16_t canvasHeight, const SprPalette& palette,
                                     std::uint16_t delay)
    : m_state(std::make_unique<State>()) {
    State& s = *m_state;
    s.canvasWidth = std::max<std::uint16_t>(canvasWidth, 1);
    s.canvasHeight = std::max<std::uint16_t>(canvasHeight, 1);
    int error = 0;
    s.gif = EGifOpen(&s.bytes, &Append, &error);
    if (s.gif == nullptr) Fail(error);
    EGifSetGifVersion(s.gif, true);

    std::array<GifColorType, kPaletteEntries> colours{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) colours[i] = {palette[i].red, palette[i].green, palette[i].blue};
    ColorMapObject* map = GifMakeMapObject(kPaletteEntries, colours.data());
    if (map == nullptr) throw std::bad_alloc();
    const int described =
        EGifPutScreenDesc(s.gif, s.canvasWidth, s.canvasHeight, kColourResolution, kGifTransparentIndex, map);
    GifFreeMapObject(map);
    s.Check(described);

    s.Check(EGifPutExtensionLeader(s.gif, APPLICATION_EXT_FUNC_CODE));
    s.Check(EGifPutExtensionBlock(s.gif, 11, "NETSCAPE2.0"));
    s.Check(EGifPutExtensionBlock(s.gif, sizeof kLoopForever, kLoopForever));
    s.Check(EGifPutExtensionTrailer(s.gif));

    GraphicsControlBlock block{};
    block.DisposalMode = DISPOSE_BACKGROUND;
    block.UserInputFlag = false;
    block.DelayTime = delay;
    block.TransparentColor = kGifTransparentIndex;
    EGifGCBToExtension(&block, s.control.data());
}

AnimatedGifWriter::~AnimatedGifWriter() {
    if (m_state && m_state->gif != nullptr) {
        int error = 0;
        EGifCloseFile(m_state->gif, &error);
    }
}

void AnimatedGifWriter::AddFrame(std::uint16_t left, std::uint16_t top, std::uint16_t width, std::uint16_t height,
                                 ByteSpan indices) {
    State& s = *m_state;
    if (s.gif == nullptr) throw std::logic_error("GIF already finished");
    if (std::uint32_t{left} + width > s.canvasWidth || std::uint32_t{top} + height > s.canvasHeight ||
        indices.size() < std::size_t{width} * height) {
        throw std::logic_error("GIF frame outside the canvas");
    }
    if (width == 0 || height == 0) {
        // A GIF image has at least one pixel: a transparent one stands for none.
        left = top = 0;
        width = height = 1;
        indices = {};
    }
    s.line.resize(width);
    s.Check(EGifPutExtension(s.gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(s.control.size()), s.control.data()));
    s.Check(EGifPutImageDesc(s.gif, left, top, width, height, false, nullptr));
    for (std::size_t row = 0; row < height; ++row) {
        if (indices.empty()) {
            s.line.assign(width, kGifTransparentIndex);
        } else {
            std::copy_n(indices.begin() + static_cast<std::ptrdiff_t>(row * width), width, s.line.begin());
        }
        s.Check(EGifPutLine(s.gif, s.line.data(), width));
    }
}

ByteSpan AnimatedGifWriter::Written() const { return m_state->bytes; }

void AnimatedGifWriter::ClearWritten() { m_state->bytes.clear(); }

Bytes AnimatedGifWriter::Finish() {
    State& s = *m_state;
    if (s.gif == nullptr) throw std::logic_error("GIF already finished");
    int error = 0;
    const int closed = EGifCloseFile(s.gif, &error);
    s.gif = nullptr;
    if (closed != GIF_OK) Fail(error);
    return std::move(s.bytes);
}

}  // namespace zandrel
