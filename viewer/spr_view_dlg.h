#pragma once

// The sprite viewer: the frames of one SPR file in a list, the selected one previewed
// unscaled in the middle of control 1020, with its number and size beside the arrows.

#include <string>

#include "platform/template_dialog.h"
#include "res/resource_ids.h"
#include "viewer/sprite_model.h"

class QListWidget;

namespace zandrel {

inline constexpr const char* kSprOpenFilter = "Velmark SPR(*.spr)|*.spr||";

class CSprViewDlg final : public TemplateDialog {
public:
    // The launcher hands over the path that its open dialog returned.
    CSprViewDlg(Prompts& prompts, std::string path, QWidget* parent = nullptr);
    ~CSprViewDlg() override;

    const SpriteModel& Sprite() const { return m_sprite; }
    // The frame in the preview; -1 while there is none.
    int CurrentFrame() const { return m_nCurFrame; }

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSelchangeFrameList();
    void OnNextFrame();
    void OnPrevFrame();
    void OnExportFrame();
    void OnExportAll();
    void OnExportPalette();
    void OnImportPalette();
    void OnPaint();

    bool HasCurrentFrame() const { return m_nCurFrame >= 0; }
    // Makes `index` the current frame: selects its line, refreshes the frame
    // information and repaints the preview.
    void SelectFrame(int index);
    void UpdateData();

    std::string m_strPath;
    // The folder of the last export of all frames, with a separator at its end.
    std::string m_strOutFolder;
    SpriteModel m_sprite;
    int m_nCurFrame = -1;
    QListWidget* m_listFrames = nullptr;
    QWidget* m_preview = nullptr;
    std::string m_strFileInfo;
    std::string m_strFrameInfo;
    // A frame that cannot be drawn is reported once per selection, not on every paint.
    int m_nProblemShownFor = -1;
};

}  // namespace zandrel
