#include "tests/images/qt_images.h"

#include <QBuffer>
#include <QByteArray>
#include <algorithm>

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
    return QImage::fromData(
        QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size())));
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

void InsertPngChunks(Bytes& png, const char (&type)[5], ByteSpan data, std::size_t copies, bool badChecksum) {
    Bytes chunk(12 + data.size());
    PutBigEndian(chunk, 0, static_cast<std::uint32_t>(data.size()));
    std::copy(type, type + 4, chunk.begin() + 4);
    std::copy(data.begin(), data.end(), chunk.begin() + 8);
    PutBigEndian(chunk, 8 + data.size(), Crc32(ByteSpan(chunk).subspan(4, 4 + data.size())) ^ (badChecksum ? 1u : 0u));
    Bytes chunks;
    chunks.reserve(chunk.size() * copies);
    for (std::size_t i = 0; i < copies; ++i) chunks.insert(chunks.end(), chunk.begin(), chunk.end());
    constexpr std::size_t kAfterHeader = 33;  // signature and IHDR
    png.insert(png.begin() + kAfterHeader, chunks.begin(), chunks.end());
}

}  // namespace zandrel::test
