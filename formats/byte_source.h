#pragma once

// Random access to a whole file without holding it in memory: how the sprite reader
// reaches frame records on demand. The file layer provides one over an open file;
// MemorySource serves tests and benchmarks.

#include <cstdint>
#include <cstring>
#include <span>

#include "formats/byte_order.h"

namespace zandrel {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Length() const = 0;
    // Fills all of `out` from `offset`. Callers only ask for ranges inside Length().
    virtual void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(ByteSpan bytes) : m_bytes(bytes) {}
    std::uint64_t Length() const override { return m_bytes.size(); }
    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        if (!out.empty()) std::memcpy(out.data(), m_bytes.data() + offset, out.size());
    }

private:
    ByteSpan m_bytes;
};

// Anything with Length() and ReadAt(offset, out) of its own, such as an open file, as a
// source; it reads through `reader`, which must outlive it.
template <class Reader>
class ReaderSource final : public ByteSource {
public:
    explicit ReaderSource(const Reader& reader) : m_reader(reader) {}
    std::uint64_t Length() const override { return m_reader.Length(); }
    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override { m_reader.ReadAt(offset, out); }

private:
    const Reader& m_reader;
};

}  // namespace zandrel
