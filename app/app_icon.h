#pragma once

#include <QIcon>

namespace zandrel {

// Icon resource 128 with its two sizes.
QIcon ZandrelIcon();

}  // namespace zandrel
