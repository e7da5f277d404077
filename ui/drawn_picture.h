#pragma once

// Pictures that the program draws for the screen (blue, green, red, 255 a pixel, top
// row first) put on a control: the frame previews of the viewer and the maker.

#include <cstdint>
#include <vector>

class QImage;
class QPainter;
class QWidget;

namespace zandrel {

// The pixels as an image without a copy; they must outlive it.
QImage DrawnImage(const std::vector<std::uint8_t>& pixels, int width, int height);

// Unscaled and centred by integer halvings, each half rounded down; a picture larger
// than the control is cut evenly at its edges.
void DrawCentred(QPainter& painter, const QWidget& control, const std::vector<std::uint8_t>& pixels, int width,
                 int height);

}  // namespace zandrel
