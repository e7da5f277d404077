#pragma once

// What a drop from the file manager carries.

#include <QList>
#include <QMimeData>
#include <QString>
#include <QUrl>
#include <optional>

namespace zandrel {

// The one local file or folder a drop carries; nothing for several, or for a URL that
// is no local path.
inline std::optional<QString> DroppedLocalPath(const QMimeData& mime) {
    if (!mime.hasUrls()) return std::nullopt;
    const QList<QUrl> urls = mime.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
    return urls.front().toLocalFile();
}

}  // namespace zandrel
