#include "cli/console_win32.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "os/utf16.h"

namespace zandrel {
namespace {

// The system's words for a Win32 error, in UTF-8, without the line break they end in.
std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 ? Utf8FromWide(std::wstring_view(text, length)) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(error) : message;
}

// How many bytes at the end of `text` begin a UTF-8 character that is not yet whole.
std::size_t UnfinishedTail(std::string_view text) {
    const std::size_t look = std::min<std::size_t>(text.size(), 3);
    for (std::size_t back = 1; back <= look; ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t needs = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return needs > back ? back : 0;
    }
    return 0;
}

}  // namespace

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    if (wide == nullptr) return args;
    for (int i = 1; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return args;
}

StandardBuf::StandardBuf(StandardHandle which)
    : StandardBuf(GetStdHandle(which == StandardHandle::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE)) {}

StandardBuf::StandardBuf(void* handle) : m_hHandle(handle) {
    DWORD mode = 0;
    m_bConsole = m_hHandle != nullptr && m_hHandle != INVALID_HANDLE_VALUE && GetConsoleMode(m_hHandle, &mode);
    setp(m_buffer, m_buffer + sizeof m_buffer);
}

StandardBuf::~StandardBuf() { Drain(true); }

StandardBuf::int_type StandardBuf::overflow(int_type ch) {
    if (!Drain(false)) return traits_type::eof();
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
    return ch;
}

int StandardBuf::sync() { return Drain(true) ? 0 : -1; }

bool StandardBuf::Drain(bool everything) {
    const std::string_view pending(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    // A character cut by the buffer's end waits for its other bytes, unless the stream is
    // flushed: then it goes as it is.
    const std::size_t keep = everything ? 0 : UnfinishedTail(pending);
    const bool written = m_bFailed ? false : WriteBytes(pending.data(), pending.size() - keep);
    std::memmove(m_buffer, pending.data() + pending.size() - keep, keep);
    setp(m_buffer, m_buffer + sizeof m_buffer);
    pbump(static_cast<int>(keep));
    return written;
}

bool StandardBuf::WriteBytes(const char* data, std::size_t size) {
    if (size == 0) return true;
    if (m_bConsole) return WriteConsoleText(data, size);
    while (size > 0) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 20));
        if (!WriteFile(m_hHandle, data, chunk, &written, nullptr) || written == 0) {
            m_bFailed = true;
            m_strFailure = SystemMessage(GetLastError());
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool StandardBuf::WriteConsoleText(const char* data, std::size_t size) {
    const std::wstring text = WideFromUtf8(std::string_view(data, size));
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
        if (!WriteConsoleW(m_hHandle, text.data() + done, chunk, &written, nullptr) || written == 0) {
            m_bFailed = true;
            m_strFailure = SystemMessage(GetLastError());
            return false;
        }
        done += written;
    }
    return true;
}

StandardStream::StandardStream(StandardHandle which) : std::ostream(nullptr), m_buf(which) { rdbuf(&m_buf); }

bool StandardStream::FlushAll() {
    flush();
    return good();
}

}  // namespace zandrel
