#pragma once

// File dialog filters are written the program's way, "desc|*.ext|desc|*.a;*.b||", and
// turned into Qt's name filters here and nowhere else.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

struct FilterEntry {
    std::string description;  // what the dialog shows
    std::string patterns;     // "*.bmp", or several joined by ";"
    friend bool operator==(const FilterEntry&, const FilterEntry&) = default;
};

// The description and pattern pairs; a description without its pattern is left out.
std::vector<FilterEntry> ParseFilter(std::string_view filter);

// Qt's form, "desc (*.a *.b);;desc (*.c)". Qt takes the patterns from the last
// parentheses, so they are always appended, and the dialogs hide that part again so
// that the description shows as written.
std::string ToQtNameFilters(std::string_view filter);

// The place in `filter` of the entry a file dialog says was chosen, or 0 when none
// matches. Qt's own dialog names it as shown, its patterns hidden; a system dialog
// names it in Qt's whole form.
std::size_t ChosenFilterIndex(std::string_view filter, std::string_view chosen);

}  // namespace zandrel
