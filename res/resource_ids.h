#pragma once

// The numbers by which the program knows its dialogs, icon and strings.

namespace zandrel {

inline constexpr int kIddAboutBox = 100;
inline constexpr int kIdsAboutBox = 101;  // the About entry of the launcher's menus
inline constexpr int kIddLauncher = 102;
inline constexpr int kIdrMainFrame = 128;  // the application icon
inline constexpr int kIddSprView = 129;
inline constexpr int kIddSprMake = 130;
inline constexpr int kIddPalConvert = 131;
inline constexpr int kIddPalFormat = 132;
inline constexpr int kIddFolder = 133;

// The output folder dialog (133): the folder tree and the path field above it.
inline constexpr int kIdcFolderTree = 1024;
inline constexpr int kIdcOutputDir = 1025;
// Dialog 131, the palette converter.
inline constexpr int kIdcToMicrosoft = 1007;  // radio: the source is in the Velmark layout
inline constexpr int kIdcToVelmark = 1008;    // radio: the source is in the Microsoft layout
inline constexpr int kIdcSourcePath = 1009;
inline constexpr int kIdcBrowse = 1010;

// Dialog 132, the layout of an exported palette.
inline constexpr int kIdcVelmarkLayout = 1022;
inline constexpr int kIdcMicrosoftLayout = 1023;

// The command of the About entry in the system menu; system commands keep their low
// four bits for the platform.
inline constexpr unsigned kIdmAboutBox = 0x0010;
inline constexpr unsigned kSysCommandMask = 0xFFF0;

// The maker's controls (dialog 130), besides OK (make) and Cancel.
inline constexpr int kIdcImageList = 1012;
inline constexpr int kIdcMakerExplanation = 1013;
inline constexpr int kIdcImagePreview = 1020;
inline constexpr int kIdcMakerInfo = 1021;
inline constexpr int kIdcAddImages = 1026;
inline constexpr int kIdcDeleteImage = 1027;
inline constexpr int kIdcMoveImageUp = 1028;
inline constexpr int kIdcMoveImageDown = 1029;

}  // namespace zandrel
