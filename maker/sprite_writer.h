#pragma once

// The sprite's bytes on their way to the output, gathered into writes of up to about
// a megabyte: one large write costs far less than many small ones. The buffer grows
// with what has been written, so that a small sprite keeps a small one, and a record
// that is still being encoded stays in it whole, so that its head can be filled in.
// A writer without a file keeps a record in memory, for a build on several threads: a
// source's record is made on any of them and written out in source order by one.

#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/byte_order.h"
#include "formats/spr_file.h"
#include "os/file.h"

namespace zandrel {

class SpriteWriter {
public:
    // Starts the sprite with its header.
    SpriteWriter(OutputFile& out, SprKind kind, std::size_t frames);
    // A record in memory; its buffer is kept from one record to the next.
    SpriteWriter() = default;

    // The buffer, with room for `count` more bytes appended to it without it moving.
    Bytes& Room(std::size_t count);
    // `bytes` appended as they are.
    void Append(ByteSpan bytes);
    // The head of an uncompressed frame record: the frame's width and height.
    void AppendFrameHead(std::uint16_t width, std::uint16_t height);

    // Bytes appended from here to EndRecord are kept together in the buffer.
    void StartRecord() { m_nRecordStart = m_bytes.size(); }
    std::span<std::uint8_t> Record() { return std::span(m_bytes).subspan(m_nRecordStart); }
    void EndRecord() { m_nRecordStart = kNoRecord; }

    // Writes what is left and puts the sprite in place.
    void Finish();

    // Without a file: what has been appended, and a fresh start that keeps the buffer.
    std::span<const std::uint8_t> Kept() const { return m_bytes; }
    void Clear() { m_bytes.clear(); }

private:
    static constexpr std::size_t kGatherBytes = std::size_t{1} << 20;
    static constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);

    OutputFile* m_out = nullptr;
    Bytes m_bytes;
    std::uint64_t m_nWritten = 0;
    std::size_t m_nRecordStart = kNoRecord;
};

}  // namespace zandrel
