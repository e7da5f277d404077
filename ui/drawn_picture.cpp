#include "ui/drawn_picture.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <bit>

namespace zandrel {

// Blue, green, red, 255 in memory is Qt's RGB32 on a little-endian machine.
static_assert(std::endian::native == std::endian::little, "drawn pictures are laid out for little-endian RGB32");

QImage DrawnImage(const std::vector<std::uint8_t>& pixels, int width, int height) {
    return QImage(pixels.data(), width, height, width * 4, QImage::Format_RGB32);
}

void DrawCentred(QPainter& painter, const QWidget& control, const std::vector<std::uint8_t>& pixels, int width,
                 int height) {
    const int x = control.width() / 2 - width / 2;
    const int y = control.height() / 2 - height / 2;
    painter.drawImage(x, y, DrawnImage(pixels, width, height));
}

}  // namespace zandrel
