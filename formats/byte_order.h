#pragma once

// Little-endian field access for the file formats. Every multi-byte field of every
// format is little-endian; readers go through these so that no file byte is ever
// reinterpreted through a struct and every access is checked against its buffer.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zandrel {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

// True when [offset, offset + count) lies inside a buffer of `size` bytes; written so
// that the sum cannot overflow.
constexpr bool FitsIn(std::uint64_t size, std::uint64_t offset, std::uint64_t count) {
    return offset <= size && count <= size - offset;
}

// The Get* readers expect the caller to have checked the field against the buffer with
// FitsIn; they are the one place that assembles multi-byte values.
constexpr std::uint16_t GetU16(ByteSpan bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

constexpr std::uint32_t GetU32(ByteSpan bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) | (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

inline void PutU8(Bytes& out, std::uint8_t value) { out.push_back(value); }

inline void PutU16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void PutU32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

inline void PutBytes(Bytes& out, ByteSpan bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

}  // namespace zandrel
