#pragma once

// String resources and the version, filled in by the build.

namespace zandrel {

inline constexpr const char* kAboutMenuText = "关于 Zandrel(&A)...";  // string 101

}  // namespace zandrel
