#pragma once

// Between file.cpp and the system's half of the file layer (file_posix.cpp,
// file_win32.cpp); the layer's users see only file.h.

#include <string>

namespace zandrel::file_common {

// What an OS error tells beyond its cause, for the sentence that reports it: a folder
// where a file was wanted is refused as "access denied" or as no ordinary file, and a
// path too long as a bad path, but the user is told which.
enum class OsErrorMeaning { Other, IsFolder, PathTooLong };

// By the system's own numbering of errors; each half says what its numbers mean.
OsErrorMeaning MeaningOfOsError(int osError);

// An empty path names nothing; the system would report it as a missing file, or open
// the current folder's temporaries.
void RefuseEmptyPath(const std::string& path);

}  // namespace zandrel::file_common
