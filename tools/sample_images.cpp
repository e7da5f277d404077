// Draws the pictures behind the sample sprites: six 256-colour BMP frames of a bouncing
// slime, eight 32-bit TGA frames of a glowing orb, and, since the maker always writes
// run-length frames, the raw palettised tile sprite itself.
//
//   zandrel-sample-images OUTPUT_FOLDER

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <numbers>
#include <string>

#include "formats/image_files.h"
#include "formats/spr_file.h"
#include "platform/file.h"

namespace zandrel {
namespace {

constexpr int kSlimeFrames = 6;
constexpr std::uint16_t kSlimeWidth = 48;
constexpr std::uint16_t kSlimeHeight = 40;
constexpr int kOrbFrames = 8;
constexpr std::uint16_t kOrbSize = 40;
constexpr int kTileFrames = 4;
constexpr std::uint16_t kTileSize = 32;

// Slime palette: the backdrop (top-left pixel, the transparent colour of the build),
// the slime's shades, and a grey ramp that fills the rest.
enum SlimeIndex : std::uint8_t { kBackdrop = 0, kOutline, kBody, kShine, kEyeWhite, kPupil, kShadow, kCheek };

SprPalette SlimePalette() {
    SprPalette palette{};
    palette[kBackdrop] = {43, 58, 66, 0};
    palette[kOutline] = {22, 84, 36, 0};
    palette[kBody] = {63, 174, 73, 0};
    palette[kShine] = {160, 232, 140, 0};
    palette[kEyeWhite] = {250, 250, 250, 0};
    palette[kPupil] = {20, 20, 20, 0};
    palette[kShadow] = {29, 39, 45, 0};
    palette[kCheek] = {217, 80, 63, 0};
    for (std::size_t i = 16; i < kPaletteEntries; ++i) {
        const auto grey = static_cast<std::uint8_t>(i);
        palette[i] = {grey, grey, grey, 0};
    }
    return palette;
}

std::string Numbered(const std::string& folder, const char* stem, int index, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%03d%s", stem, index, extension);
    return folder + kPathSeparator + name;
}

// One frame of the bounce: the slime squashes as it lands and stretches as it rises.
Bytes SlimeFrame(int frame) {
    const double phase = 2 * std::numbers::pi * frame / kSlimeFrames;
    const double lift = 9 * std::max(0.0, std::sin(phase));
    const double squash = 1 + 0.18 * std::cos(phase);
    const double rx = 14 * squash;
    const double ry = 13 / squash;
    const double cx = kSlimeWidth / 2.0;
    const double base = kSlimeHeight - 5 - lift;

    Bytes indices(std::size_t{kSlimeWidth} * kSlimeHeight, kBackdrop);
    auto at = [&](int x, int y) -> std::uint8_t& { return indices[static_cast<std::size_t>(y) * kSlimeWidth + x]; };
    auto inside = [&](double x, double y) {
        const double dx = (x - cx) / rx;
        const double dy = (y - base) / ry;
        return y <= base && dx * dx + dy * dy <= 1;
    };
    // The shadow on the ground shrinks while the slime is in the air.
    const double shadowRx = rx * (1 - lift / 30);
    for (int y = 0; y < kSlimeHeight; ++y) {
        for (int x = 0; x < kSlimeWidth; ++x) {
            const double dx = (x + 0.5 - cx) / shadowRx;
            const double dy = (y + 0.5 - (kSlimeHeight - 4)) / 2.0;
            if (dx * dx + dy * dy <= 1) at(x, y) = kShadow;
        }
    }
    for (int y = 0; y < kSlimeHeight; ++y) {
        for (int x = 0; x < kSlimeWidth; ++x) {
            if (!inside(x + 0.5, y + 0.5)) continue;
            const bool edge = !inside(x - 0.5, y + 0.5) || !inside(x + 1.5, y + 0.5) || !inside(x + 0.5, y - 0.5) ||
                              !inside(x + 0.5, y + 1.5);
            at(x, y) = edge ? kOutline : kBody;
        }
    }
    const int top = static_cast<int>(base - ry);
    const int eyeY = static_cast<int>(base - ry * 0.45);
    for (int side : {-1, 1}) {
        const int eyeX = static_cast<int>(cx + side * rx * 0.35);
        for (int y = eyeY - 2; y <= eyeY + 2; ++y) {
            for (int x = eyeX - 2; x <= eyeX + 1; ++x) at(x, y) = kEyeWhite;
        }
        at(eyeX, eyeY) = kPupil;
        at(eyeX, eyeY + 1) = kPupil;
        at(eyeX - 1, eyeY + 1) = kPupil;
        at(eyeX + side * 3, eyeY + 4) = kCheek;
    }
    for (int i = 0; i < 4; ++i) at(static_cast<int>(cx - rx * 0.55) + i / 2, top + 3 + i) = kShine;
    return indices;
}

// One frame of the orb, stored as a sprite stores it: alpha, blue, green, red, bottom
// row first. Its core is opaque, its glow fades out, and its colour turns.
Bytes OrbFrame(int frame) {
    const double turn = 2 * std::numbers::pi * frame / kOrbFrames;
    const double centre = kOrbSize / 2.0;
    const double pulse = 1 + 0.08 * std::sin(turn);
    Bytes pixels(std::size_t{kOrbSize} * kOrbSize * kSprTrueColourPixelBytes);
    for (int row = 0; row < kOrbSize; ++row) {
        const int y = kOrbSize - 1 - row;  // stored bottom row first
        for (int x = 0; x < kOrbSize; ++x) {
            const double dx = x + 0.5 - centre;
            const double dy = y + 0.5 - centre;
            const double r = std::sqrt(dx * dx + dy * dy) / (centre * pulse);
            const double alpha = r < 0.45 ? 1.0 : std::clamp(1 - (r - 0.45) / 0.5, 0.0, 1.0);
            const double light = std::clamp(1.1 - r * 1.2 + 0.25 * (-dx - dy) / centre, 0.0, 1.0);
            const double angle = std::atan2(dy, dx) + turn;
            auto channel = [&](double shift) {
                const double hue = 0.5 + 0.5 * std::cos(angle + shift);
                return static_cast<std::uint8_t>(std::lround(255 * std::clamp(0.25 + 0.75 * light * hue + 0.3 * light, 0.0, 1.0)));
            };
            std::uint8_t* p = &pixels[(static_cast<std::size_t>(row) * kOrbSize + x) * kSprTrueColourPixelBytes];
            p[0] = static_cast<std::uint8_t>(std::lround(255 * alpha * alpha));
            p[1] = channel(0);
            p[2] = channel(2 * std::numbers::pi / 3);
            p[3] = channel(4 * std::numbers::pi / 3);
        }
    }
    return pixels;
}

SprPalette TilePalette() {
    SprPalette palette{};
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        const auto n = static_cast<std::uint8_t>(i);
        // An earthy ramp: mortar greys, brick reds, moss greens, water blues.
        switch (i / 64) {
            case 0: palette[i] = {static_cast<std::uint8_t>(60 + n), static_cast<std::uint8_t>(60 + n), static_cast<std::uint8_t>(64 + n), 0}; break;
            case 1: palette[i] = {static_cast<std::uint8_t>(110 + (n - 64) * 2), static_cast<std::uint8_t>(40 + (n - 64)), 30, 0}; break;
            case 2: palette[i] = {40, static_cast<std::uint8_t>(90 + (n - 128) * 2), static_cast<std::uint8_t>(40 + (n - 128) / 2), 0}; break;
            default: palette[i] = {30, static_cast<std::uint8_t>(60 + (n - 192)), static_cast<std::uint8_t>(120 + (n - 192) * 2), 0}; break;
        }
    }
    return palette;
}

// Four tiles: bricks, moss on stone, water and a checked floor, each index chosen
// from a 64-entry ramp of the tile palette.
Bytes TileFrame(int frame) {
    Bytes indices(std::size_t{kTileSize} * kTileSize);
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            const int noise = (x * 37 + y * 91 + x * y * 7 + frame * 13) % 17;
            int shade = 0;
            int ramp = frame;
            switch (frame) {
                case 0: {  // bricks in a running bond
                    const bool mortar = y % 8 == 7 || (x + (y / 8 % 2) * 8) % 16 == 15;
                    ramp = mortar ? 0 : 1;
                    shade = mortar ? 20 + noise : 28 + noise;
                    break;
                }
                case 1: shade = 18 + noise + ((x / 4 + y / 4) % 3) * 8; break;
                case 2: shade = 24 + static_cast<int>(12 * std::sin((x + 2 * y) / 4.0)) + noise / 2; break;
                default: ramp = 0; shade = ((x / 8 + y / 8) % 2) ? 40 + noise : 12 + noise; break;
            }
            indices[static_cast<std::size_t>(y) * kTileSize + x] = static_cast<std::uint8_t>(ramp * 64 + std::clamp(shade, 1, 63));
        }
    }
    return indices;
}

void WriteSamples(const std::string& folder) {
    const SprPalette slimePalette = SlimePalette();
    for (int i = 0; i < kSlimeFrames; ++i) {
        WriteWholeFile(Numbered(folder, "slime", i, ".bmp"), EncodeBmp8(kSlimeWidth, kSlimeHeight, SlimeFrame(i), slimePalette));
    }
    for (int i = 0; i < kOrbFrames; ++i) {
        WriteWholeFile(Numbered(folder, "orb", i, ".tga"), EncodeTga32(kOrbSize, kOrbSize, OrbFrame(i)));
    }

    // Raw indices, which the maker never writes.
    Bytes sprite;
    AppendSprHeader(sprite, MakeWrittenSprHeader(SprKind::Indexed256, kTileFrames));
    for (int i = 0; i < kTileFrames; ++i) {
        PutU16(sprite, kTileSize);
        PutU16(sprite, kTileSize);
        PutBytes(sprite, TileFrame(i));
    }
    AppendSprPalette(sprite, TilePalette());
    WriteWholeFile(folder + kPathSeparator + "tiles.spr", sprite);
}

}  // namespace
}  // namespace zandrel

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: zandrel-sample-images OUTPUT_FOLDER\n", stderr);
        return EXIT_FAILURE;
    }
    try {
        zandrel::WriteSamples(argv[1]);
    } catch (const zandrel::FileError& error) {
        std::fprintf(stderr, "zandrel-sample-images: %s\n", zandrel::DescribeFileError(error).c_str());
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
