#include "os/paths.h"

#include <algorithm>

namespace zandrel {
namespace {

// How many leading characters name a drive ("C:"), which no split may cut.
std::size_t DriveLength(std::string_view path, PathRules rules) {
    if (rules != PathRules::Windows || path.size() < 2 || path[1] != ':') return 0;
    const char letter = path[0];
    return ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) ? 2 : 0;
}

// The position of the last separator, or npos.
std::size_t LastSeparator(std::string_view path, PathRules rules) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsPathSeparator(path[i - 1], rules)) return i - 1;
    }
    return std::string_view::npos;
}

// Where the last part of the path begins.
std::size_t NameStart(std::string_view path, PathRules rules) {
    const std::size_t separator = LastSeparator(path, rules);
    return separator == std::string_view::npos ? DriveLength(path, rules) : separator + 1;
}

}  // namespace

bool IsPathSeparator(char c, PathRules rules) { return c == '/' || (rules == PathRules::Windows && c == '\\'); }

bool IsAbsolutePath(std::string_view path, PathRules rules) {
    const std::size_t drive = DriveLength(path, rules);
    return path.size() > drive && IsPathSeparator(path[drive], rules);
}

std::string FileNameOf(std::string_view path, PathRules rules) {
    return std::string(path.substr(NameStart(path, rules)));
}

std::string LastNameOf(std::string_view path, PathRules rules) {
    if (!path.empty() && IsPathSeparator(path.back(), rules)) path.remove_suffix(1);
    return FileNameOf(path, rules);
}

std::string WithoutTrailingSeparators(std::string_view path, PathRules rules) {
    while (path.size() > 1 && IsPathSeparator(path.back(), rules)) path.remove_suffix(1);
    return std::string(path);
}

std::string FolderOf(std::string_view path, PathRules rules) {
    const std::size_t drive = DriveLength(path, rules);
    std::size_t end = NameStart(path, rules);
    if (end == 0) return ".";
    // The separators before the name go, except the one that is the root.
    while (end > drive + 1 && IsPathSeparator(path[end - 1], rules)) --end;
    return std::string(path.substr(0, end));
}

std::string FileTitleOf(std::string_view path, PathRules rules) {
    std::string name = FileNameOf(path, rules);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string WithTrailingSeparator(std::string_view folder, PathRules rules) {
    std::string joined(folder);
    if (folder.empty() || !IsPathSeparator(folder.back(), rules)) joined += rules == PathRules::Windows ? '\\' : '/';
    return joined;
}

std::string JoinPath(std::string_view folder, std::string_view name, PathRules rules) {
    if (folder.empty()) return std::string(name);
    return WithTrailingSeparator(folder, rules) + std::string(name);
}

std::string WithNativeSeparators(std::string_view path, PathRules rules) {
    std::string native(path);
    if (rules == PathRules::Windows) std::replace(native.begin(), native.end(), '/', '\\');
    return native;
}

}  // namespace zandrel
