#pragma once

// Pictures that the program draws for the screen put on a control: the frame previews
// of the viewer and the maker.

#include "formats/pixels.h"

class QImage;
class QPainter;
class QWidget;

namespace zandrel {

// The pixels as an image without a copy; the picture must outlive it.
QImage QImageOf(const DrawnPicture& picture);

// Unscaled and centred by integer halvings, each half rounded down; a picture larger
// than the control is cut evenly at its edges.
void DrawCentred(QPainter& painter, const QWidget& control, const DrawnPicture& picture);

}  // namespace zandrel
