#pragma once

// The launcher: the three tools, each a modal dialog of its own, and the About box.
// Closing it in any way ends the program.

#include <QIcon>
#include <string>

#include "ui/template_dialog.h"

namespace zandrel {

// Runs the viewer on the sprite at `path`, with the maker behind its "edit" entry.
// False when the sprite cannot be opened: that is told, and no empty viewer is left.
bool RunViewer(Prompts& prompts, const std::string& path, QWidget* parent = nullptr);

class CLauncherDlg final : public TemplateDialog {
public:
    explicit CLauncherDlg(Prompts& prompts, QWidget* parent = nullptr);

    // A command of the window's menus. Returns false for the commands that stay the
    // platform's.
    bool OnSysCommand(unsigned id);

protected:
    bool OnInitDialog() override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // A .spr file dropped from the file manager opens in the viewer; a folder, the
    // batch export of its sprites.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void OnAbout();
    void OnSprToImages();
    void OpenViewer(const std::string& path);
    void OpenBatch(const std::string& folder);
    void OnImagesToSpr();
    void OnPalConvert();

    QIcon m_hIcon;
};

}  // namespace zandrel
