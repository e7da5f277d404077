#include "ui/drawn_picture.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <bit>

namespace zandrel {

// Blue, green, red, 255 in memory is Qt's RGB32 on a little-endian machine.
static_assert(std::endian::native == std::endian::little, "drawn pictures are laid out for little-endian RGB32");

QImage QImageOf(const DrawnPicture& picture) {
    return QImage(picture.pixels.data(), picture.width, picture.height, static_cast<qsizetype>(picture.RowBytes()),
                  QImage::Format_RGB32);
}

void DrawCentred(QPainter& painter, const QWidget& control, const DrawnPicture& picture) {
    painter.drawImage(CentredStart(control.width(), picture.width), CentredStart(control.height(), picture.height),
                      QImageOf(picture));
}

}  // namespace zandrel
