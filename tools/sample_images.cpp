// Draws the pictures behind the sample sprites: six 256-colour BMP frames of a bouncing
// slime, eight 32-bit TGA frames of a glowing orb, and, since the maker always writes
// run-length frames, the raw palettised tile sprite itself.
//
//   zandrel-sample-images OUTPUT_FOLDER

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "formats/image_files.h"
#include "formats/spr_file.h"
#include "os/file.h"

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

// The pictures are drawn with integers alone, so that every machine and compiler draws
// the same bytes: lengths in thousandths of a pixel, sines and cosines in thousandths.
using Milli = std::int64_t;

// cos(2 pi n / 24) in thousandths, for every n; sin(x) is cos(x - 6 steps).
Milli Cos24(int n) {
    static constexpr std::array<Milli, 7> kQuarter{1000, 966, 866, 707, 500, 259, 0};
    n = ((n % 24) + 24) % 24;
    if (n <= 6) return kQuarter[static_cast<std::size_t>(n)];
    if (n <= 12) return -kQuarter[static_cast<std::size_t>(12 - n)];
    if (n <= 18) return -kQuarter[static_cast<std::size_t>(n - 12)];
    return kQuarter[static_cast<std::size_t>(24 - n)];
}
Milli Sin24(int n) { return Cos24(n - 6); }

std::uint64_t SquareRoot(std::uint64_t n) {
    std::uint64_t root = 0;
    std::uint64_t bit = std::uint64_t{1} << 62;
    while (bit > n) bit >>= 2;
    for (; bit != 0; bit >>= 2) {
        if (n >= root + bit) {
            n -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
    }
    return root;
}

// Whether (x, y) lies in the ellipse of radii rx, ry around (cx, cy); all in thousandths.
bool InEllipse(Milli x, Milli y, Milli cx, Milli cy, Milli rx, Milli ry) {
    const Milli dx = x - cx;
    const Milli dy = y - cy;
    return dx * dx * ry * ry + dy * dy * rx * rx <= rx * rx * ry * ry;
}

// One frame of the bounce: the slime squashes as it lands and stretches as it rises.
Bytes SlimeFrame(int frame) {
    const int step = frame * 24 / kSlimeFrames;
    const Milli lift = 9 * std::max<Milli>(0, Sin24(step));
    const Milli squash = 1000 + 180 * Cos24(step) / 1000;
    const Milli rx = 14 * squash;
    const Milli ry = Milli{13} * 1000 * 1000 / squash;
    const Milli cx = kSlimeWidth * 1000 / 2;
    const Milli base = Milli{kSlimeHeight - 5} * 1000 - lift;

    Bytes indices(std::size_t{kSlimeWidth} * kSlimeHeight, kBackdrop);
    auto at = [&](Milli x, Milli y) -> std::uint8_t& {
        return indices[static_cast<std::size_t>(y) * kSlimeWidth + static_cast<std::size_t>(x)];
    };
    // Pixel (x, y) is sampled at its middle, x + 1/2.
    auto inside = [&](Milli x, Milli y) { return y <= base && InEllipse(x, y, cx, base, rx, ry); };
    constexpr Milli kHalf = 500;
    // The shadow on the ground shrinks while the slime is in the air.
    const Milli shadowRx = rx * (30000 - lift) / 30000;
    for (Milli y = 0; y < kSlimeHeight; ++y) {
        for (Milli x = 0; x < kSlimeWidth; ++x) {
            if (InEllipse(Milli{x} * 1000 + kHalf, Milli{y} * 1000 + kHalf, cx, Milli{kSlimeHeight - 4} * 1000,
                          shadowRx, 2000)) {
                at(x, y) = kShadow;
            }
        }
    }
    for (Milli y = 0; y < kSlimeHeight; ++y) {
        for (Milli x = 0; x < kSlimeWidth; ++x) {
            const Milli mx = x * 1000 + kHalf;
            const Milli my = y * 1000 + kHalf;
            if (!inside(mx, my)) continue;
            const bool edge =
                !inside(mx - 1000, my) || !inside(mx + 1000, my) || !inside(mx, my - 1000) || !inside(mx, my + 1000);
            at(x, y) = edge ? kOutline : kBody;
        }
    }
    const Milli top = (base - ry) / 1000;
    const Milli eyeY = (base - ry * 45 / 100) / 1000;
    for (Milli side : {-1, 1}) {
        const Milli eyeX = (cx + side * rx * 35 / 100) / 1000;
        for (Milli y = eyeY - 2; y <= eyeY + 2; ++y) {
            for (Milli x = eyeX - 2; x <= eyeX + 1; ++x) at(x, y) = kEyeWhite;
        }
        at(eyeX, eyeY) = kPupil;
        at(eyeX, eyeY + 1) = kPupil;
        at(eyeX - 1, eyeY + 1) = kPupil;
        at(eyeX + side * 3, eyeY + 4) = kCheek;
    }
    for (Milli i = 0; i < 4; ++i) at((cx - rx * 55 / 100) / 1000 + i / 2, top + 3 + i) = kShine;
    return indices;
}

// One frame of the orb, stored as a sprite stores it: alpha, blue, green, red, bottom
// row first. Its core is opaque, its glow fades out, and its colour turns.
Bytes OrbFrame(int frame) {
    const int turn = frame * 24 / kOrbFrames;
    const Milli pulse = 1000 + 80 * Sin24(turn) / 1000;
    const auto byteOf = [](Milli thousandths) {
        return static_cast<std::uint8_t>((255 * std::clamp<Milli>(thousandths, 0, 1000) + 500) / 1000);
    };
    Bytes pixels(std::size_t{kOrbSize} * kOrbSize * kSprTrueColourPixelBytes);
    for (int row = 0; row < kOrbSize; ++row) {
        const int y = kOrbSize - 1 - row;  // stored bottom row first
        for (int x = 0; x < kOrbSize; ++x) {
            // Offsets from the centre in half pixels, sampled at the pixel's middle: odd, never 0.
            const Milli dx = 2 * x + 1 - kOrbSize;
            const Milli dy = 2 * y + 1 - kOrbSize;
            const auto distance =
                static_cast<Milli>(SquareRoot(static_cast<std::uint64_t>(dx * dx + dy * dy) * 1000000));
            // The distance over the pulsing radius, 1000 at the rim.
            const Milli r = distance * 1000 / (kOrbSize * pulse);
            const Milli alpha = r < 450 ? 1000 : std::clamp<Milli>(1000 - (r - 450) * 2, 0, 1000);
            const Milli light = std::clamp<Milli>(1100 - r * 6 / 5 - 250 * (dx + dy) / kOrbSize, 0, 1000);
            // Each channel follows the cosine of the pixel's angle, turned by the frame
            // and by a third of a turn from channel to channel.
            auto channel = [&](int third) {
                const int n = turn + 8 * third;
                const Milli cosine = (dx * Cos24(n) - dy * Sin24(n)) * 1000 / distance;
                const Milli hue = 500 + cosine / 2;
                return byteOf(250 + 3 * light * hue / 4000 + 3 * light / 10);
            };
            std::uint8_t* p = &pixels[(static_cast<std::size_t>(row) * kOrbSize + x) * kSprTrueColourPixelBytes];
            p[0] = static_cast<std::uint8_t>((255 * alpha * alpha + 500000) / 1000000);
            p[1] = channel(0);
            p[2] = channel(1);
            p[3] = channel(2);
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
            case 0:
                palette[i] = {static_cast<std::uint8_t>(60 + n), static_cast<std::uint8_t>(60 + n),
                              static_cast<std::uint8_t>(64 + n), 0};
                break;
            case 1:
                palette[i] = {static_cast<std::uint8_t>(110 + (n - 64) * 2), static_cast<std::uint8_t>(40 + (n - 64)),
                              30, 0};
                break;
            case 2:
                palette[i] = {40, static_cast<std::uint8_t>(90 + (n - 128) * 2),
                              static_cast<std::uint8_t>(40 + (n - 128) / 2), 0};
                break;
            default:
                palette[i] = {30, static_cast<std::uint8_t>(60 + (n - 192)),
                              static_cast<std::uint8_t>(120 + (n - 192) * 2), 0};
                break;
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
                case 2: shade = 24 + 12 - 2 * std::abs((x + 2 * y) % 24 - 12) + noise / 2; break;  // ripples
                default:
                    ramp = 0;
                    shade = ((x / 8 + y / 8) % 2) ? 40 + noise : 12 + noise;
                    break;
            }
            indices[static_cast<std::size_t>(y) * kTileSize + x] =
                static_cast<std::uint8_t>(ramp * 64 + std::clamp(shade, 1, 63));
        }
    }
    return indices;
}

void WriteSamples(const std::string& folder) {
    const SprPalette slimePalette = SlimePalette();
    for (int i = 0; i < kSlimeFrames; ++i) {
        WriteWholeFile(Numbered(folder, "slime", i, ".bmp"),
                       EncodeBmp8(kSlimeWidth, kSlimeHeight, SlimeFrame(i), slimePalette));
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
