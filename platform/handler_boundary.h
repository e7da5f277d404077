#pragma once

// The handler boundary: a user action runs to its end or to its first file error, which
// the standard error box reports. What the handler changed before the error stays as
// it was; a handler changes dialog state only after the reads it depends on.

#include <utility>

#include "platform/file.h"
#include "platform/prompts.h"

namespace zandrel {

template <class Handler>
void RunHandler(Prompts& prompts, Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
    } catch (const FileError& error) {
        prompts.ReportFileError(error);
    }
}

}  // namespace zandrel
