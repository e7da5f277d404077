#pragma once

// Paths are split, joined and titled here and nowhere else, by the rules of the system
// the program runs on. On Windows both "\" and "/" separate folders and "C:" names a
// drive; elsewhere only "/" separates, and a backslash is a character of a file name
// like any other ("back\slash.spr" is one name).
//
// Every function takes the rules to use, the native ones unless a test asks for the
// other system's.

#include <string>
#include <string_view>

namespace zandrel {

enum class PathRules { Posix, Windows };

#ifdef _WIN32
inline constexpr PathRules kNativePathRules = PathRules::Windows;
// The separator that folder paths are joined with.
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr PathRules kNativePathRules = PathRules::Posix;
inline constexpr char kPathSeparator = '/';
#endif

bool IsPathSeparator(char c, PathRules rules = kNativePathRules);

// Whether the path starts at a root ("/x", "\\x", "C:\x") rather than at the current
// folder.
bool IsAbsolutePath(std::string_view path, PathRules rules = kNativePathRules);

// The last part of the path, after its last separator: "/spr/hero.spr" -> "hero.spr".
// A path that ends in a separator names no file: "".
std::string FileNameOf(std::string_view path, PathRules rules = kNativePathRules);

// The last name in the path, one separator at its end aside: "/spr/x/" -> "x".
std::string LastNameOf(std::string_view path, PathRules rules = kNativePathRules);

// The path without the separators at its end, except a root's one: "/out//" -> "/out",
// "/" -> "/", "C:\" -> "C:".
std::string WithoutTrailingSeparators(std::string_view path, PathRules rules = kNativePathRules);

// The folder the path's last part lies in, without a separator at its end unless it
// is the root: "/spr/hero.spr" -> "/spr", "/hero.spr" -> "/", "hero.spr" -> ".",
// "C:\hero.spr" -> "C:\", "C:hero.spr" -> "C:".
std::string FolderOf(std::string_view path, PathRules rules = kNativePathRules);

// The file name without the part from its last ".": "/spr/a.b.spr" -> "a.b".
std::string FileTitleOf(std::string_view path, PathRules rules = kNativePathRules);

// The folder with a separator at its end, as file names are joined to it.
std::string WithTrailingSeparator(std::string_view folder, PathRules rules = kNativePathRules);

// `name` inside `folder`: JoinPath("/out", "a.bmp") -> "/out/a.bmp"; inside no folder
// at all, the name alone.
std::string JoinPath(std::string_view folder, std::string_view name, PathRules rules = kNativePathRules);

// The path as the system writes it: on Windows every "/" becomes a backslash; elsewhere the
// path as it is.
std::string WithNativeSeparators(std::string_view path, PathRules rules = kNativePathRules);

}  // namespace zandrel
