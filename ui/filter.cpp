#include "ui/filter.h"

#include <algorithm>
#include <cctype>

namespace zandrel {

std::vector<FilterEntry> ParseFilter(std::string_view filter) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= filter.size()) {
        const std::size_t bar = filter.find('|', start);
        const std::size_t end = bar == std::string_view::npos ? filter.size() : bar;
        fields.push_back(filter.substr(start, end - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    std::vector<FilterEntry> entries;
    // The list ends at the first empty description: the closing "||".
    for (std::size_t i = 0; i + 1 < fields.size() && !fields[i].empty(); i += 2) {
        entries.push_back({std::string(fields[i]), std::string(fields[i + 1])});
    }
    return entries;
}

namespace {

// One entry in Qt's form: the description, then the patterns in parentheses.
std::string QtNameFilterOf(const FilterEntry& entry) {
    std::string patterns = entry.patterns;
    std::replace(patterns.begin(), patterns.end(), ';', ' ');
    return entry.description + " (" + patterns + ")";
}

// `text` as Qt shows a name filter whose patterns it hides: blanks trimmed at both ends
// and each run of them inside made one space.
std::string Simplified(std::string_view text) {
    std::string result;
    bool blank = false;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            blank = !result.empty();
            continue;
        }
        if (blank) result += ' ';
        blank = false;
        result += c;
    }
    return result;
}

}  // namespace

std::string ToQtNameFilters(std::string_view filter) {
    std::string result;
    for (const FilterEntry& entry : ParseFilter(filter)) {
        if (!result.empty()) result += ";;";
        result += QtNameFilterOf(entry);
    }
    return result;
}

std::size_t ChosenFilterIndex(std::string_view filter, std::string_view chosen) {
    const std::vector<FilterEntry> entries = ParseFilter(filter);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (chosen == Simplified(entries[i].description) || chosen == QtNameFilterOf(entries[i])) return i;
    }
    return 0;
}

}  // namespace zandrel
