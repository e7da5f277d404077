#include "tests/images/qt_images.h"

#include <QBuffer>
#include <QByteArray>

namespace zandrel::test {
namespace {

std::uint32_t Crc32(ByteSpan bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBigEndian(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

}  // namespace

QImage QtDecode(ByteSpan file) {
    return QImage::fromData(QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size())));
}

Bytes QtPng(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(data.begin(), data.end());
}

void SetPngSize(Bytes& png, std::uint32_t width, std::uint32_t height) {
    // Signature (8), length (4), "IHDR" at 12, its 13 data bytes at 16, the checksum at 29.
    PutBigEndian(png, 16, width);
    PutBigEndian(png, 20, height);
    PutBigEndian(png, 29, Crc32(ByteSpan(png).subspan(12, 17)));
}

}  // namespace zandrel::test
