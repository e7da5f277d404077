#pragma once

// The one crossing between the logic's UTF-8 std::string and Qt's QString.

#include <QString>
#include <string>
#include <string_view>

namespace zandrel {

inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text) { return text.toStdString(); }

}  // namespace zandrel
