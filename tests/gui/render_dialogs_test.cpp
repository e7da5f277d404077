// Every dialog of the program rendered to PNG files in the build folder, for people to
// look at (docs/ takes its screenshots from here), and checked for captions that do not
// fit their controls.

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <filesystem>
#include <gtest/gtest.h>

#include "app/about_dlg.h"
#include "app/launcher_dlg.h"
#include "folders/folder_dlg.h"
#include "maker/spr_make_dlg.h"
#include "palette/pal_convert_dlg.h"
#include "palette/pal_format_dlg.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::test {
namespace {

// The dialog under a title bar drawn by the style, as a window manager would frame it.
QImage Framed(QWidget& dialog) {
    const QImage client = Grab(dialog);
    QStyleOptionTitleBar bar;
    bar.initFrom(&dialog);
    bar.text = dialog.windowTitle();
    bar.icon = dialog.windowIcon();
    bar.titleBarFlags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    bar.titleBarState = Qt::WindowActive;
    bar.state |= QStyle::State_Active;
    bar.subControls = QStyle::SC_TitleBarLabel | QStyle::SC_TitleBarSysMenu | QStyle::SC_TitleBarCloseButton;
    const int barHeight = dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight, &bar, &dialog);
    bar.rect = QRect(0, 0, client.width(), barHeight);
    QImage framed(client.width(), client.height() + barHeight, QImage::Format_RGB32);
    framed.fill(dialog.palette().color(QPalette::Window));
    QPainter painter(&framed);
    dialog.style()->drawComplexControl(QStyle::CC_TitleBar, &bar, &painter, &dialog);
    painter.drawImage(0, barHeight, client);
    return framed;
}

void Save(QWidget& dialog, const std::string& name) {
    dialog.show();
    Settle();
    const std::string path = RenderFolder() + "/" + name + ".png";
    ASSERT_TRUE(Framed(dialog).save(QString::fromStdString(path))) << path;
    dialog.hide();
}

TEST(RenderDialogs, EveryTemplateToPng) {
    ScriptedPrompts prompts;
    for (const DialogTemplate& dialogTemplate : DialogTemplates()) {
        TemplateDialog dialog(dialogTemplate, prompts, nullptr);
        Save(dialog, "template_" + std::to_string(dialogTemplate.id));
    }
}

TEST(RenderDialogs, ProgramDialogsToPng) {
    ScriptedPrompts prompts;
    CLauncherDlg launcher(prompts);
    launcher.InitDialog();
    Save(launcher, "launcher");

    CAboutDlg about(prompts);
    about.InitDialog();
    Save(about, "about");

    for (const char* sample : {"slime", "orb", "tiles"}) {
        CSprViewDlg viewer(prompts, std::string(ZANDREL_SAMPLES_DIR) + "/" + sample + ".spr");
        viewer.InitDialog();
        Save(viewer, std::string("viewer_") + sample);
    }

    // The maker with the slime's pictures, copied where their paths are short, the
    // third one previewed.
    TempDir dir;
    std::vector<std::string> pictures;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "slime00" + std::to_string(i) + ".bmp";
        pictures.push_back(dir.Path(name));
        WriteBytes(pictures.back(), ReadBytes(std::string(ZANDREL_SAMPLE_PICTURES_DIR) + "/" + name));
    }
    CSprMakeDlg maker(prompts);
    maker.InitDialog();
    maker.AddSources(pictures);
    maker.DlgItem<QListWidget>(kIdcImageList)->setCurrentRow(2);
    Save(maker, "maker");
    // The folder dialog as it opens beside the samples.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(ZANDREL_SAMPLES_DIR);
    CFolderDlg folders(prompts);
    folders.InitDialog();
    std::filesystem::current_path(previous);
    Save(folders, "folders");
    EXPECT_TRUE(prompts.Messages().empty());
}

TEST(RenderDialogs, PaletteDialogsToPng) {
    ScriptedPrompts prompts;
    CPalConvertDlg converter(prompts);
    converter.InitDialog();
    // As a user sees it after Browse: the source line filled, Convert enabled.
    prompts.Answer("/home/modder/palettes/hero.pal");
    converter.findChild<QAbstractButton*>(QString::number(kIdcBrowse))->click();
    Save(converter, "palconvert");

    const SprPalette palette{};
    CPalFormatDlg format(prompts, palette);
    format.InitDialog();
    Save(format, "palformat");
    EXPECT_TRUE(prompts.Messages().empty());
}

}  // namespace
}  // namespace zandrel::test
