#pragma once

// Making the folders that an output goes into.

#include <string>

namespace zandrel {

// Creates `path` and every missing folder above it; a folder already there is kept as
// it is. Raises FileError when one cannot be made (a file in the way, no permission,
// a full disk).
void CreateFolders(const std::string& path);

}  // namespace zandrel
