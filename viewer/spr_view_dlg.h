#pragma once

// The sprite viewer: the frames of one SPR file in a list, the selected one previewed
// unscaled in the middle of control 1020, with its number and size beside the arrows.
// On request the preview zooms, shows transparency over a checkerboard and plays the
// frames; a dropped sprite file opens in place of the one shown.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "res/resource_ids.h"
#include "ui/template_dialog.h"
#include "viewer/frame_export.h"
#include "viewer/preview_view.h"
#include "viewer/sprite_model.h"
#include "viewer/tick_source.h"

class QKeyEvent;
class QListWidget;
class QMimeData;
class QPoint;

namespace zandrel {

inline constexpr const char* kSprOpenFilter = "Velmark SPR(*.spr)|*.spr||";

// The one local .spr file that a drag carries, or nothing.
std::optional<std::string> DroppedSprPath(const QMimeData& mime);

class CSprViewDlg final : public TemplateDialog {
public:
    // The launcher hands over the path that its open dialog returned.
    CSprViewDlg(Prompts& prompts, std::string path, QWidget* parent = nullptr);
    ~CSprViewDlg() override;

    const SpriteModel& Sprite() const { return m_sprite; }
    // The frame in the preview; -1 while there is none.
    int CurrentFrame() const { return m_nCurFrame; }
    const ViewOptions& View() const { return m_view; }
    bool IsPlaying() const { return m_bPlaying; }
    // Replaces the timer that drives playback.
    void SetTickSource(std::unique_ptr<TickSource> ticks);

    // Runs the maker on every frame of the sprite at `path`, over `parent`. The desktop
    // program gives the viewer one; without it the preview's menu offers no editing.
    using SpriteEditor = std::function<void(const std::string& path, QWidget* parent)>;
    void SetSpriteEditor(SpriteEditor editor) { m_editor = std::move(editor); }
    // The sprite in the maker, let go first so that the maker may write over it, and
    // loaded again when the maker closes.
    void OnEditInMaker();

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;
    std::string ActionFile() const override { return m_sprite.Path(); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnSelchangeFrameList();
    void OnNextFrame();
    void OnPrevFrame();
    void OnExportFrame();
    void OnExportAll();
    // Every frame into a folder the user picks, in the sprite's own format or as PNG.
    void ExportAllAs(FrameFormat format);
    // The frames as a looping GIF at the playback rate, from the preview's menu.
    void OnExportAnimation();
    void OnExportPalette();
    // The palette in a paint program's format, the one of the filter picked; from the
    // preview's menu.
    void OnExportPaintPalette();
    void OnImportPalette();
    void OnPaint();

    // Loads m_strPath and fills the list; false when the file was refused.
    bool LoadAndFill();
    // The list, the file line and the palette tools from the loaded sprite.
    void Fill();
    // Empties the list, the texts and the preview.
    void ClearSprite();
    // Releases the sprite shown and shows the one at `path` instead.
    void OpenInPlace(const std::string& path);

    // The preview's own keys; false for the keys that are not its own.
    bool OnViewKey(const QKeyEvent& event);
    void OnPreviewMenu(const QPoint& globalPos);
    void ChangeView(void (ViewOptions::*change)());
    void ToggleCheckerboard();
    void TogglePlayback();
    void StopPlayback();
    void OnTick();
    // Zoom, checkerboard, rate and playing, as the tool tip and the menu show them.
    std::string ViewStateText() const;
    void UpdateViewState();
    // Says once per selection why a frame cannot be drawn; playback stops for it.
    void ReportProblem(std::string problem);

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

    ViewOptions m_view;
    std::unique_ptr<TickSource> m_ticks;
    bool m_bPlaying = false;
    // Wheel turns of less than a notch add up until they make one.
    int m_nWheelDelta = 0;
    SpriteEditor m_editor;
};

}  // namespace zandrel
