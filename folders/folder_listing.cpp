#include "folders/folder_listing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "os/file.h"
#include "os/paths.h"
#include "os/utf16.h"

namespace zandrel {
namespace {

namespace fs = std::filesystem;

bool IsFolderEntry(const fs::directory_entry& entry) {
    std::error_code ignored;
    // The type comes with the listing where the system gives it; a link, or an entry of
    // unknown type, costs one stat. An entry that cannot be examined is not a folder.
    return entry.is_directory(ignored);
}

// Calls `found` with every folder entry until it returns false.
template <class Found>
void ForEachSubfolder(const std::string& folder, Found&& found) {
    // A drive item's path is "C:" alone, which to Windows is the current folder on that
    // drive; what the tree lists below it is the drive's root.
    const bool bareDrive = kNativePathRules == PathRules::Windows && folder.size() == 2 && folder[1] == ':';
    std::error_code error;
    fs::directory_iterator entries(PathFromUtf8(bareDrive ? folder + kPathSeparator : folder),
                                   fs::directory_options::skip_permission_denied, error);
    // The iterator leaves "." and ".." out.
    for (const fs::directory_iterator end; !error && entries != end; entries.increment(error)) {
        if (IsFolderEntry(*entries) && !found(*entries)) return;
    }
}

unsigned char Folded(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

}  // namespace

std::vector<std::string> ListSubfolders(const std::string& folder) {
    std::vector<std::string> names;
    ForEachSubfolder(folder, [&](const fs::directory_entry& entry) {
        names.push_back(Utf8FromPath(entry.path().filename()));
        return true;
    });
    return names;
}

bool HasSubfolder(const std::string& folder) {
    bool found = false;
    ForEachSubfolder(folder, [&](const fs::directory_entry&) {
        found = true;
        return false;
    });
    return found;
}

bool NameLessNoCase(std::string_view left, std::string_view right) {
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(),
                                        [](char a, char b) { return Folded(a) < Folded(b); });
}

void SortNoCase(std::vector<std::string>& names) {
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return NameLessNoCase(a, b); });
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
    path += name;
    return path;
}

}  // namespace zandrel
