#pragma once

// The command line's own side of Windows: the arguments as the system holds them (UTF-16)
// turned into the program's UTF-8, and the standard output and error as streams of UTF-8
// text. A console is written in UTF-16, so that Chinese texts show whatever its code
// page; a pipe or a file gets the UTF-8 bytes as they are, without a carriage return
// put before each line feed.

#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace zandrel {

// The arguments after the program's name, from the UTF-16 command line.
std::vector<std::string> CommandLineArguments();

enum class StandardHandle { Output, Error };

// Buffers UTF-8 text and hands whole characters to the console or the handle. A write
// that fails puts the stream into its bad state and keeps the system's reason.
class StandardBuf : public std::streambuf {
public:
    explicit StandardBuf(StandardHandle which);
    // Over any handle the program may write to: a console's, a file's, a pipe's.
    explicit StandardBuf(void* handle);
    ~StandardBuf() override;
    StandardBuf(const StandardBuf&) = delete;
    StandardBuf& operator=(const StandardBuf&) = delete;

    // Why the last write failed, in the system's words (UTF-8); empty while none has.
    const std::string& FailureReason() const { return m_strFailure; }

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    // Writes the buffered bytes up to the last whole UTF-8 character and keeps the rest.
    bool Drain(bool everything);
    bool WriteBytes(const char* data, std::size_t size);
    bool WriteConsoleText(const char* data, std::size_t size);

    void* m_hHandle = nullptr;
    bool m_bConsole = false;
    bool m_bFailed = false;
    std::string m_strFailure;
    char m_buffer[4096];
};

class StandardStream : public std::ostream {
public:
    explicit StandardStream(StandardHandle which);

    // Flushes; false when what was written did not all reach the handle.
    bool FlushAll();
    const std::string& FailureReason() const { return m_buf.FailureReason(); }

private:
    StandardBuf m_buf;
};

}  // namespace zandrel
