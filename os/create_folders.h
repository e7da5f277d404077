#pragma once

// Making the folders that an output goes into.

#include <optional>
#include <string>

#include "os/result.h"

namespace zandrel {

inline constexpr const char* kNoOutputFolderText = "没有指定输出文件夹!";
inline constexpr const char* kNotAFolderFormat = "%s不是一个文件夹!";
inline constexpr const char* kFolderPathTooLongFormat = "%s的路径太长，不能输出到那里!";
// The output folder's path, as typed.
inline constexpr const char* kCreateFolderFormat = "文件夹%s不存在，要创建吗?";

// Why `folder` cannot take an export's files, or nothing when it is a folder.
std::optional<Refusal> OutputFolderRefusal(const std::string& folder);

// Creates `path` and every missing folder above it; a folder already there is kept as
// it is. Raises FileError when one cannot be made (a file in the way, no permission,
// a full disk).
void CreateFolders(const std::string& path);

}  // namespace zandrel
