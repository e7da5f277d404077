#pragma once

// The numbers by which the program knows its dialogs, icon, strings and controls. The
// templates, the dialogs and their tests all name a control by these.

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

// The command of the About entry in the system menu; system commands keep their low
// four bits for the platform.
inline constexpr unsigned kIdmAboutBox = 0x0010;
inline constexpr unsigned kSysCommandMask = 0xFFF0;

// About box (100).
inline constexpr int kIdcUrl = 1033;

// Launcher (102).
inline constexpr int kIdcSprToImages = 1000;
inline constexpr int kIdcImagesToSpr = 1001;
inline constexpr int kIdcPalConvert = 1002;
inline constexpr int kIdcAbout = 1006;

// Sprite viewer (129).
inline constexpr int kIdcFrameList = 1012;
inline constexpr int kIdcFileInfo = 1013;
inline constexpr int kIdcPrevFrame = 1014;
inline constexpr int kIdcNextFrame = 1015;
inline constexpr int kIdcExportAll = 1016;
inline constexpr int kIdcExportFrame = 1017;
inline constexpr int kIdcExportPalette = 1018;
inline constexpr int kIdcImportPalette = 1019;
inline constexpr int kIdcPreview = 1020;
inline constexpr int kIdcFrameInfo = 1021;

// Sprite maker (130).
inline constexpr int kIdcImageList = 1012;
inline constexpr int kIdcMakerExplanation = 1013;
inline constexpr int kIdcImagePreview = 1020;
inline constexpr int kIdcMakerInfo = 1021;
inline constexpr int kIdcAddImages = 1026;
inline constexpr int kIdcDeleteImage = 1027;
inline constexpr int kIdcMoveImageUp = 1028;
inline constexpr int kIdcMoveImageDown = 1029;

// Palette conversion (131).
inline constexpr int kIdcToMicrosoft = 1007;  // radio: the source is in the Velmark layout
inline constexpr int kIdcToVelmark = 1008;    // radio: the source is in the Microsoft layout
inline constexpr int kIdcSourcePath = 1009;
inline constexpr int kIdcBrowse = 1010;

// Palette format (132).
inline constexpr int kIdcVelmarkLayout = 1022;
inline constexpr int kIdcMicrosoftLayout = 1023;

// Output folder (133).
inline constexpr int kIdcFolderTree = 1024;
inline constexpr int kIdcOutputDir = 1025;

}  // namespace zandrel
