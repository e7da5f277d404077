#include "res/dialog_templates.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "res/resource_ids.h"
#include "res/version.h"

namespace zandrel {
namespace {

using enum ControlKind;
using namespace style;

constexpr std::string_view kDialogFont = "宋体";
constexpr int kDialogPointSize = 9;

constexpr unsigned kButton = kTabStop;
constexpr unsigned kMultiLineButton = kTabStop | kMultiLine;

constexpr std::array kAboutControls{
    ControlTemplate{kIdStatic, Icon, "", 7, 7, 21, 21, 0},
    ControlTemplate{kIdStatic, Static, kCreditLine, 40, 10, 126, 8, kNoPrefix},
    ControlTemplate{kIdOk, DefPushButton, "确定", 169, 7, 50, 14, kButton},
    ControlTemplate{kIdStatic, Static, kHomePageName, 40, 25, 179, 11, 0},
    ControlTemplate{kIdcUrl, Edit, "", 39, 39, 164, 14, kReadOnly | kAutoHScroll | kTabStop},
};

constexpr std::array kLauncherControls{
    ControlTemplate{kIdStatic, Static, "这个程序用来查看、制作Velmark的SPR文件", 7, 7, 200, 8, 0},
    ControlTemplate{kIdCancel, PushButton, "退出/Quit", 243, 165, 50, 14, kMultiLineButton},
    ControlTemplate{kIdcAbout, PushButton, "关于/About", 190, 165, 50, 14, kMultiLineButton},
    ControlTemplate{kIdStatic, GroupBox, "", 5, 20, 290, 140, 0},
    ControlTemplate{kIdcSprToImages, PushButton, "SPR -> 图像  \nSPR -> Images", 15, 35, 100, 34, kMultiLineButton},
    ControlTemplate{kIdcImagesToSpr, PushButton, "图像 -> SPR  \nImages -> SPR", 15, 75, 100, 34, kMultiLineButton},
    ControlTemplate{kIdcPalConvert, PushButton, ".PAL格式转换          \n.PAL Format Conversion", 15, 115, 100, 34,
                    kMultiLineButton},
    ControlTemplate{kIdStatic, Static,
                    "可以查看Velmark中的SPR文件，并且能将其输出为图像文件，另外还能输出和导入.PAL调色板文件。", 121, 35,
                    164, 34, 0},
    ControlTemplate{kIdStatic, Static, "将若干张图像文件制作成Velmark用的.SPR文件,支持256色BMP图和32位色TGA图。", 121,
                    75, 164, 32, 0},
    ControlTemplate{
        kIdStatic, Static,
        "Velmark用的调色板文件格式和微软的调色板文件格式有一点点不同，这个功能用来在两种文件格式之间进行转换。", 121,
        115, 164, 32, 0},
};

constexpr std::array kSprViewControls{
    ControlTemplate{kIdcFileInfo, Edit, "", 5, 5, 383, 14, kReadOnly | kAutoHScroll | kBorder | kTabStop},
    ControlTemplate{kIdStatic, GroupBox, "列表", 5, 20, 148, 230, 0},
    ControlTemplate{kIdcFrameList, ListBox, "", 15, 35, 129, 205,
                    kSort | kNotify | kVScroll | kBorder | kNoIntegralHeight | kTabStop},
    ControlTemplate{kIdStatic, GroupBox, "图像", 165, 20, 226, 230, 0},
    ControlTemplate{kIdcPreview, Static, "", 175, 35, 205, 205, 0},
    ControlTemplate{kIdcFrameInfo, Static, "999/999\ntest", 5, 260, 41, 20, kSunken},
    ControlTemplate{kIdcPrevFrame, PushButton, "<<", 50, 260, 20, 20, kButton},
    ControlTemplate{kIdcNextFrame, PushButton, ">>", 70, 260, 20, 20, kButton},
    ControlTemplate{kIdcExportFrame, PushButton, "输出当前帧(&S)", 90, 260, 60, 20, kButton},
    ControlTemplate{kIdcExportAll, PushButton, "全部输出(&A)", 150, 260, 60, 20, kButton},
    ControlTemplate{kIdcExportPalette, PushButton, "导出调色板(&O)", 210, 260, 60, 20, kButton},
    ControlTemplate{kIdcImportPalette, PushButton, "导入调色板(&I)", 270, 260, 60, 20, kButton},
    ControlTemplate{kIdCancel, PushButton, "退出(&X)", 330, 260, 60, 20, kButton},
};

constexpr std::array kSprMakeControls{
    ControlTemplate{kIdOk, PushButton, "制作(&M)", 290, 253, 50, 19, kButton},
    ControlTemplate{kIdCancel, PushButton, "取消(&C)", 340, 253, 50, 19, kButton},
    ControlTemplate{kIdcMakerExplanation, Static,
                    "将图像制作成Velmark用的SPR文件，支持256色BMP图和32位色TGA图。但是源图必须全部为BMP或者全部为TGA，"
                    "不能混在一起。另外一个SPR文件只有一份调色板，所以多幅256色BMP图应该有统一的调色板，"
                    "如果几张图的调色板不同将会导致做出的SPR颜色异常。还有，用256色BMP图制作SPR时，"
                    "本程序以图片左上角那个象素的颜色作为透明色。",
                    5, 5, 385, 34, 0},
    ControlTemplate{kIdStatic, GroupBox, "图像", 185, 43, 205, 205, 0},
    ControlTemplate{kIdStatic, GroupBox, "列表", 9, 43, 148, 205, 0},
    ControlTemplate{kIdcImagePreview, Static, "", 200, 50, 180, 180, 0},
    ControlTemplate{kIdcImageList, ListBox, "", 19, 58, 129, 179,
                    kNotify | kSort | kNoIntegralHeight | kBorder | kVScroll | kHScroll | kTabStop},
    ControlTemplate{kIdcAddImages, DefPushButton, "添加(&A)", 190, 253, 50, 19, kButton},
    ControlTemplate{kIdcDeleteImage, PushButton, "删除(&D)", 240, 253, 50, 19, kButton},
    ControlTemplate{kIdcMoveImageUp, PushButton, "↑", 163, 58, 15, 35, kButton},
    ControlTemplate{kIdcMoveImageDown, PushButton, "↓", 163, 94, 15, 35, kButton},
    ControlTemplate{kIdcMakerInfo, Static, "Static", 10, 250, 145, 19, 0},
};

constexpr std::array kPalConvertControls{
    ControlTemplate{kIdcBrowse, PushButton, "浏览(&Browse)", 160, 45, 65, 14, kButton},
    ControlTemplate{kIdcToMicrosoft, AutoRadio, "&Velmark格式调色板转换成Microsoft格式调色板", 10, 15, 160, 10,
                    kGroup | kTabStop},
    ControlTemplate{kIdcToVelmark, AutoRadio, "&Microsoft格式调色板转换成Velmark格式调色板", 10, 30, 160, 10, 0},
    ControlTemplate{kIdOk, DefPushButton, "转换(C&onvert)", 90, 70, 65, 14, kButton | kDisabled},
    ControlTemplate{kIdCancel, PushButton, "取消(&Cancel)", 160, 70, 65, 14, kButton},
    ControlTemplate{kIdStatic, GroupBox, "", 5, 5, 225, 60, 0},
    ControlTemplate{kIdStatic, Static, "源文件", 10, 48, 25, 8, 0},
    ControlTemplate{kIdcSourcePath, Edit, "", 40, 45, 115, 14, kReadOnly | kBorder | kAutoHScroll | kTabStop},
};

constexpr std::array kPalFormatControls{
    ControlTemplate{kIdOk, DefPushButton, "下一步(&N)", 75, 50, 50, 14, kButton},
    ControlTemplate{kIdCancel, PushButton, "取消(&C)", 130, 50, 50, 14, kButton},
    ControlTemplate{kIdStatic, GroupBox, "", 5, 5, 173, 40, 0},
    ControlTemplate{kIdcVelmarkLayout, AutoRadio, "&Velmark调色板格式", 15, 15, 64, 10, kGroup | kTabStop},
    ControlTemplate{kIdcMicrosoftLayout, AutoRadio, "&Microsoft调色板格式", 15, 30, 92, 10, 0},
};

constexpr std::array kFolderControls{
    ControlTemplate{kIdOk, DefPushButton, "确定(&O)", 73, 200, 50, 14, kButton},
    ControlTemplate{kIdCancel, PushButton, "取消(&C)", 130, 200, 50, 14, kButton},
    ControlTemplate{kIdStatic, Static, "选择输出目录：", 5, 5, 173, 8, kGroup},
    ControlTemplate{kIdcFolderTree, TreeView, "Tree1", 5, 40, 173, 151, kBorder | kTabStop},
    ControlTemplate{kIdcOutputDir, Edit, "", 5, 20, 173, 14, kBorder | kTabStop | kAutoHScroll},
};

const std::array kTemplates{
    DialogTemplate{kIddAboutBox, "关于 Zandrel", 226, 65, kDialogFont, kDialogPointSize, kAboutControls},
    DialogTemplate{kIddLauncher, "Zandrel", 302, 189, kDialogFont, kDialogPointSize, kLauncherControls},
    DialogTemplate{kIddSprView, "SPR to Image", 397, 285, kDialogFont, kDialogPointSize, kSprViewControls},
    DialogTemplate{kIddSprMake, "Image to SPR", 397, 279, kDialogFont, kDialogPointSize, kSprMakeControls},
    DialogTemplate{kIddPalConvert, "PAL format conversion", 237, 89, kDialogFont, kDialogPointSize,
                   kPalConvertControls},
    DialogTemplate{kIddPalFormat, "选择调色板格式", 187, 69, kDialogFont, kDialogPointSize, kPalFormatControls},
    DialogTemplate{kIddFolder, "目录树", 187, 221, kDialogFont, kDialogPointSize, kFolderControls},
};

}  // namespace

std::span<const DialogTemplate> DialogTemplates() { return kTemplates; }

const DialogTemplate& DialogTemplateOf(int id) {
    const auto found = std::find_if(kTemplates.begin(), kTemplates.end(),
                                    [id](const DialogTemplate& dialog) { return dialog.id == id; });
    if (found == kTemplates.end()) throw std::out_of_range("no dialog template " + std::to_string(id));
    return *found;
}

}  // namespace zandrel
