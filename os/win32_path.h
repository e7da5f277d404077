#pragma once

// Windows only: a program path as the Win32 calls take it.

#include <string>

namespace zandrel {

enum class PathForm {
    AsGiven,  // relative paths stay relative
    Whole,    // completed from the current folder (some calls want no other)
};

// UTF-16, and in the extended form ("\\?\C:\…") when the path is too long for the
// ordinary one. Short paths keep the ordinary form, in which "NUL" and "CON" still
// name the devices and "/" still separates.
std::wstring Win32Path(const std::string& path, PathForm form = PathForm::AsGiven);

}  // namespace zandrel
