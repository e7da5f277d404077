#pragma once

// The application icon, resource 128: a 32 x 32 and a 16 x 16 picture of a sprite on a
// canvas above a strip of frames, 16 colours at most, as XPM text.

namespace zandrel {

extern const char* const kAppIcon32[];
extern const char* const kAppIcon16[];

}  // namespace zandrel
