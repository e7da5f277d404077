#pragma once

// Qt's image codecs as the independent reader and writer of the files under test.

#include <QImage>

#include "formats/byte_order.h"

namespace zandrel::test {

// Decodes a whole image file with Qt; a null image when Qt cannot.
QImage QtDecode(ByteSpan file);
// The PNG file Qt writes for `image`.
Bytes QtPng(const QImage& image);
// Writes a new width and height into a PNG's IHDR chunk and fixes its checksum.
void SetPngSize(Bytes& png, std::uint32_t width, std::uint32_t height);
// Puts `copies` chunks of `type` with `data` right after the IHDR chunk, each with its
// checksum, or with a wrong one when `badChecksum` is set.
void InsertPngChunks(Bytes& png, const char (&type)[5], ByteSpan data, std::size_t copies, bool badChecksum = false);

}  // namespace zandrel::test
