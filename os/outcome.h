#pragma once

// What a tool's operation tells its caller: whether it was done, and the text to show
// (the completion text when done, the refusal when not). A dialog shows the text in a
// message box; the command line prints it.

#include <cstdarg>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <utility>

#include "os/result.h"

namespace zandrel {

enum class MessageIcon { None, Stop };

struct Outcome {
    bool done = false;
    std::string text;                      // may be empty: some operations finish silently
    RefusalKind kind = RefusalKind::Rule;  // what refused it, when it was not done

    Outcome() = default;
    // A refusal ends an operation as it is: returned where an Outcome is expected.
    Outcome(Refusal refusal)
        : text(std::move(refusal.text)), kind(refusal.kind) {}  // NOLINT(google-explicit-constructor)

    static Outcome Done(std::string text = {}) {
        Outcome outcome;
        outcome.done = true;
        outcome.text = std::move(text);
        return outcome;
    }
    static Outcome Refused(std::string text) { return Refusal{RefusalKind::Rule, std::move(text)}; }
};

// What the user is told when an operation ends in a failure that none of its own
// refusals covers (a library's error, memory running out): the operation, the file it
// was working on, and the reason as the failure gave it.
inline constexpr const char* kUnexpectedFailureFormat = "%s时出现意外错误，没有完成：%s";
inline constexpr const char* kUnexpectedFailureOnFileFormat = "%s %s时出现意外错误，没有完成：%s";
inline constexpr const char* kOutOfMemoryText = "内存不足";
inline constexpr const char* kUnknownFailureText = "未知错误";

// printf-style filling of the program's texts, which are written with %s, %d and %x.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
inline std::string
FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

// The reason of the failure being handled, for the message above; called inside a
// catch block.
inline std::string ReasonOfCurrentFailure() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return kOutOfMemoryText;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return kUnknownFailureText;
    }
}

inline std::string DescribeUnexpectedFailure(const std::string& operation, const std::string& file,
                                             const std::string& reason) {
    if (file.empty()) return FormatText(kUnexpectedFailureFormat, operation.c_str(), reason.c_str());
    return FormatText(kUnexpectedFailureOnFileFormat, operation.c_str(), file.c_str(), reason.c_str());
}

}  // namespace zandrel
