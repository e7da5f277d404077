// Writes the program's icon for the systems' own uses: at one of its two sizes as a PNG
// file for the desktop's menus, or both sizes as the Windows icon file that the
// Windows program's resources carry (res/windows/zandrel.ico, kept in the sources so that
// a cross build, which cannot run this, has it).
//
//   zandrel-icon-png 32|16 OUTFILE.png
//   zandrel-icon-png ico OUTFILE.ico

#include <QColor>
#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "os/file.h"
#include "res/app_icon.h"

namespace {

// An .ico file: a 6-byte header, a 16-byte entry per image, then each image as a
// BITMAPINFOHEADER (its height doubled, for the colour rows and the mask rows), the
// colour table, the colour rows and the 1-bit transparency mask, rows bottom-up and
// padded to 4 bytes. The images here are 4-bit, 16 colours, as the icon was drawn.
constexpr std::uint16_t kIconType = 1;
constexpr std::size_t kIconHeaderBytes = 6;
constexpr std::size_t kIconEntryBytes = 16;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kColours = 16;
constexpr std::uint16_t kBitsPerPixel = 4;

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

std::size_t RowBytes(int width, int bits) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
}

// One image: header, colour table, colour rows, mask rows. Transparent pixels take
// colour 0 (black) and a set mask bit; the opaque colours follow in order of first use.
std::vector<std::uint8_t> IconImage(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int size = image.width();
    std::vector<QRgb> palette{qRgb(0, 0, 0)};
    std::vector<std::uint8_t> indices;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 0) {
                indices.push_back(0);
                continue;
            }
            std::size_t index = 1;
            while (index < palette.size() && palette[index] != (pixel | 0xFF000000u)) ++index;
            if (index == palette.size()) {
                if (palette.size() == kColours) throw std::runtime_error("the icon has more than 15 colours");
                palette.push_back(pixel | 0xFF000000u);
            }
            indices.push_back(static_cast<std::uint8_t>(index));
        }
    }
    palette.resize(kColours, qRgb(0, 0, 0));

    const std::size_t colourRow = RowBytes(size, kBitsPerPixel);
    const std::size_t maskRow = RowBytes(size, 1);
    std::vector<std::uint8_t> out;
    PutU32(out, kInfoHeaderBytes);
    PutU32(out, static_cast<std::uint32_t>(size));
    PutU32(out, static_cast<std::uint32_t>(size * 2));
    PutU16(out, 1);  // planes
    PutU16(out, kBitsPerPixel);
    PutU32(out, 0);  // BI_RGB
    PutU32(out, static_cast<std::uint32_t>((colourRow + maskRow) * static_cast<std::size_t>(size)));
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    for (const QRgb colour : palette) {
        out.push_back(static_cast<std::uint8_t>(qBlue(colour)));
        out.push_back(static_cast<std::uint8_t>(qGreen(colour)));
        out.push_back(static_cast<std::uint8_t>(qRed(colour)));
        out.push_back(0);
    }
    const auto width = static_cast<std::size_t>(size);
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(colourRow, 0);
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t index = indices[static_cast<std::size_t>(y) * width + x];
            row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskRow, 0);
        for (std::size_t x = 0; x < width; ++x) {
            if (qAlpha(image.pixel(static_cast<int>(x), y)) == 0) {
                row[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::vector<std::uint8_t> IconFile(const std::vector<QImage>& images) {
    std::vector<std::vector<std::uint8_t>> bodies;
    for (const QImage& image : images) bodies.push_back(IconImage(image));
    std::vector<std::uint8_t> out;
    PutU16(out, 0);
    PutU16(out, kIconType);
    PutU16(out, static_cast<std::uint32_t>(images.size()));
    std::size_t offset = kIconHeaderBytes + kIconEntryBytes * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(images[i].width()));
        out.push_back(static_cast<std::uint8_t>(images[i].height()));
        out.push_back(static_cast<std::uint8_t>(kColours));
        out.push_back(0);
        PutU16(out, 1);  // planes
        PutU16(out, kBitsPerPixel);
        PutU32(out, static_cast<std::uint32_t>(bodies[i].size()));
        PutU32(out, static_cast<std::uint32_t>(offset));
        offset += bodies[i].size();
    }
    for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool ico = argc == 3 && std::strcmp(argv[1], "ico") == 0;
    if (argc != 3 || (!ico && std::strcmp(argv[1], "32") != 0 && std::strcmp(argv[1], "16") != 0)) {
        std::fputs("usage: zandrel-icon-png 32|16|ico OUTFILE\n", stderr);
        return 2;
    }
    try {
        if (ico) {
            const std::vector<std::uint8_t> bytes =
                IconFile({QImage(zandrel::kAppIcon32), QImage(zandrel::kAppIcon16)});
            zandrel::OutputFile out = zandrel::OutputFile::Create(argv[2]);
            out.Write(bytes);
            out.Commit();
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zandrel-icon-png: %s\n", error.what());
        return 1;
    }
    const QImage icon(std::strcmp(argv[1], "32") == 0 ? zandrel::kAppIcon32 : zandrel::kAppIcon16);
    if (icon.isNull() || !icon.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "zandrel-icon-png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
