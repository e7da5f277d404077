#include "ui/filter.h"

#include <algorithm>

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

std::string ToQtNameFilters(std::string_view filter) {
    std::string result;
    for (const FilterEntry& entry : ParseFilter(filter)) {
        if (!result.empty()) result += ";;";
        std::string patterns = entry.patterns;
        std::replace(patterns.begin(), patterns.end(), ';', ' ');
        result += entry.description + " (" + patterns + ")";
    }
    return result;
}

}  // namespace zandrel
