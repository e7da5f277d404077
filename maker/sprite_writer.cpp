#include "maker/sprite_writer.h"

#include <algorithm>

namespace zandrel {

SpriteWriter::SpriteWriter(OutputFile& out, SprKind kind, std::size_t frames) : m_out(&out) {
    AppendSprHeader(Room(kSprHeaderBytes), MakeWrittenSprHeader(kind, static_cast<std::uint16_t>(frames)));
}

Bytes& SpriteWriter::Room(std::size_t count) {
    if (m_bytes.capacity() - m_bytes.size() >= count) return m_bytes;
    if (m_out == nullptr) {
        m_bytes.reserve(std::max(m_bytes.size() + count, 2 * m_bytes.capacity()));
        return m_bytes;
    }
    const std::size_t done = std::min(m_nRecordStart, m_bytes.size());
    if (done > 0) m_out->Write(std::span(m_bytes).first(done));
    m_nWritten += done;
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(done));
    if (m_nRecordStart != kNoRecord) m_nRecordStart = 0;

    const std::size_t wanted = std::max<std::size_t>(
        m_bytes.size() + count, static_cast<std::size_t>(std::min<std::uint64_t>(2 * m_nWritten, kGatherBytes)));
    if (m_bytes.capacity() < wanted && m_bytes.empty()) {
        m_bytes = Bytes();  // the old buffer goes before the new one comes
        m_bytes.reserve(wanted);
    } else if (m_bytes.capacity() < wanted) {
        Bytes larger;
        larger.reserve(wanted);
        larger.assign(m_bytes.begin(), m_bytes.end());
        m_bytes = std::move(larger);
    }
    return m_bytes;
}

void SpriteWriter::Append(ByteSpan bytes) {
    Bytes& buffer = Room(bytes.size());
    buffer.insert(buffer.end(), bytes.begin(), bytes.end());
}

void SpriteWriter::AppendFrameHead(std::uint16_t width, std::uint16_t height) {
    Bytes& head = Room(kSprFrameHeadBytes);
    PutU16(head, width);
    PutU16(head, height);
}

void SpriteWriter::Finish() {
    m_out->Write(m_bytes);
    m_bytes = Bytes();
    m_out->Commit();
}

}  // namespace zandrel
