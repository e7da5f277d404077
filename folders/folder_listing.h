#pragma once

// What the folder tree asks of the file system, without Qt: the folders inside a
// folder, whether there is at least one, and the order in which the tree shows them.

#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

// The names of the folders inside `folder` in the order the system lists them: hidden
// ones included, "." and ".." and everything that is not a folder left out (a link to a
// folder counts as a folder). A folder that cannot be read holds none.
std::vector<std::string> ListSubfolders(const std::string& folder);

// Whether `folder` holds at least one folder; the search stops at the first. False when
// the folder cannot be read.
bool HasSubfolder(const std::string& folder);

// The tree's order of names: byte by byte, with the ASCII letters folded to lower case,
// so "_" (between "Z" and "a") comes before every letter and a name comes before the
// longer names it begins. Bytes beyond ASCII compare by value, which for UTF-8 is the
// order of code points: such names follow the ASCII ones, and their letters keep
// their case.
bool NameLessNoCase(std::string_view left, std::string_view right);

// Sorts by NameLessNoCase; names equal but for ASCII case keep their listed order.
void SortNoCase(std::vector<std::string>& names);

// `folder` and `name` joined by one separator.
std::string JoinPath(const std::string& folder, std::string_view name);

}  // namespace zandrel
