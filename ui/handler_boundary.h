#pragma once

// The handler boundary: a user action runs to its end or to its first file error, which
// the standard error box reports. What the handler changed before the error stays as
// it was; a handler changes dialog state only after the reads it depends on. Any other
// failure (a library's error, memory running out) is told the same way, naming the
// action and the file it concerned, and the dialog stays open: nothing thrown by a
// handler ends the program.

#include <string>
#include <utility>

#include "os/file.h"
#include "ui/prompts.h"

namespace zandrel {

inline constexpr const char* kSomeOperationText = "操作";

// What a handler was doing, for the message of a failure it did not foresee.
struct HandlerContext {
    std::string operation;  // the action as the user asked for it, e.g. a button's caption
    std::string file;       // the file it concerned; may be empty
};

template <class Handler, class Describe>
void RunHandler(Prompts& prompts, Handler&& handler, Describe&& describe) {
    std::string reason;
    try {
        std::forward<Handler>(handler)();
        return;
    } catch (const FileError& error) {
        prompts.ReportFileError(error);
        return;
    } catch (...) {
        reason = ReasonOfCurrentFailure();
    }
    try {
        const HandlerContext context = std::forward<Describe>(describe)();
        prompts.ShowMessage(DescribeUnexpectedFailure(context.operation, context.file, reason), MessageIcon::Stop);
    } catch (...) {
        // Telling the user failed too (no memory even for the message): the action has
        // ended all the same and the dialog goes on.
    }
}

template <class Handler>
void RunHandler(Prompts& prompts, Handler&& handler) {
    RunHandler(prompts, std::forward<Handler>(handler), [] { return HandlerContext{kSomeOperationText, {}}; });
}

}  // namespace zandrel
