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

}  // namespace zandrel
