#include "benchmarks/maker_sources.h"

#include <cstdio>
#include <stdexcept>

#include "os/file.h"

namespace zandrel::bench {
namespace {

void Put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// Entry i of the colour table, stored blue, green, red, reserved.
std::uint8_t Blue(std::size_t i) { return static_cast<std::uint8_t>(i * 7); }
std::uint8_t Green(std::size_t i) { return static_cast<std::uint8_t>(255 - i); }
std::uint8_t Red(std::size_t i) { return static_cast<std::uint8_t>(i * 3 + 1); }

// The opaque index at column x of row y of picture `picture`: never 0.
std::uint8_t Opaque(std::size_t picture, std::size_t x, std::size_t y) {
    return static_cast<std::uint8_t>(1 + (picture + x * 3 + y * 5) % 255);
}

}  // namespace

MakerSources WriteMakerSources(const ScratchFolder& scratch, std::size_t count, std::uint16_t width,
                               std::uint16_t height) {
    if (width % 4 != 0 || width < 12 || width / 6 * 2 > 255 || count > 0xFFFF) {
        throw std::invalid_argument("unsupported source size");
    }
    const std::size_t margin = width / 6;
    const std::size_t opaque = width - 2 * margin;
    const std::uint32_t pixelOffset = 14 + 40 + 1024;

    MakerSources sources;
    // The sprite: header, then one run-length frame per picture, then the palette.
    Bytes& sprite = sources.sprite;
    sprite = {'S', 'P', 1, 2};
    Put16(sprite, static_cast<std::uint32_t>(count));
    Put16(sprite, 0);

    for (std::size_t picture = 0; picture < count; ++picture) {
        Bytes bmp{'B', 'M'};
        Put32(bmp, pixelOffset + std::uint32_t{width} * height);
        Put32(bmp, 0);
        Put32(bmp, pixelOffset);
        Put32(bmp, 40);
        Put32(bmp, width);
        Put32(bmp, height);
        Put16(bmp, 1);
        Put16(bmp, 8);
        for (int field = 0; field < 6; ++field) Put32(bmp, 0);
        for (std::size_t i = 0; i < 256; ++i) bmp.insert(bmp.end(), {Blue(i), Green(i), Red(i), 0});
        // Rows are stored bottom row first; a width divisible by four needs no padding.
        for (std::size_t row = height; row-- > 0;) {
            bmp.insert(bmp.end(), margin, 0);
            for (std::size_t x = 0; x < opaque; ++x) bmp.push_back(Opaque(picture, x, row));
            bmp.insert(bmp.end(), margin, 0);
        }
        char name[32];
        std::snprintf(name, sizeof name, "pic%03zu.bmp", picture);
        sources.paths.push_back(scratch.Make(name));
        WriteWholeFile(sources.paths.back(), bmp);
        sources.sourceBytes += bmp.size();

        // Top row first; a row's closing margin and the next row's opening one make
        // one run of zeros.
        Bytes encoded{0, static_cast<std::uint8_t>(margin)};
        for (std::size_t row = 0; row < height; ++row) {
            for (std::size_t x = 0; x < opaque; ++x) encoded.push_back(Opaque(picture, x, row));
            const std::size_t zeros = row + 1 < height ? 2 * margin : margin;
            encoded.insert(encoded.end(), {0, static_cast<std::uint8_t>(zeros)});
        }
        Put16(sprite, width);
        Put16(sprite, height);
        Put16(sprite, static_cast<std::uint32_t>(encoded.size()));
        sprite.insert(sprite.end(), encoded.begin(), encoded.end());
    }
    for (std::size_t i = 0; i < 256; ++i) sprite.insert(sprite.end(), {Red(i), Green(i), Blue(i), 0});
    return sources;
}

}  // namespace zandrel::bench
