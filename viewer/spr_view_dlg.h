#pragma once

// The sprite viewer: the frames of one SPR file in a list, the selected one previewed
// unscaled in the middle of control 1020, with its number and size beside the arrows.
// On request the preview zooms, shows transparency over a checkerboard and plays the
// frames; a dropped sprite file opens in place of the one shown. The window grows, the
// preview taking the room; a frame larger than the preview is panned with the mouse,
// Shift+arrows or scroll bars, or fitted; the pixel under the mouse is told in the
// title; the palette shows beside the preview, and the previous frame under the
// current one.

#include <QRect>
#include <QSize>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
class QScrollBar;

namespace zandrel {

inline constexpr const char* kSprOpenFilter = "Velmark SPR(*.spr)|*.spr||";

// The one local .spr file that a drag carries, or nothing.
std::optional<std::string> DroppedSprPath(const QMimeData& mime);

class CPalettePanel;

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
    // How far the picture is moved from its centred place, in screen pixels.
    QPoint Pan() const;
    // The palette beside the preview, or null while it is hidden.
    CPalettePanel* ShownPalette() const;
    // What the title says after the template's caption: zoom, rate while playing and
    // the pixel under the mouse; empty while there is nothing to tell.
    std::string StatusText() const;

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
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

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
    // The controls at their template places, widened and lengthened by what the window
    // has beyond the template's size: the file line, the list, the preview and the
    // palette beside it; the row of buttons keeps its distance from the bottom edge.
    void Relayout();
    // The current frame's size, or 0 x 0 without one.
    QSize CurrentFrameSize() const;
    // The same in screen pixels at the present scale.
    QSize ScaledFrameSize() const;
    // The picture's top-left corner in the preview at the present pan.
    QPoint FrameOrigin() const;
    void PanBy(int dx, int dy);
    void OnScrolled();
    void UpdateScrollBars();
    void FitFrame();
    void TogglePalette();
    void ToggleOnionSkin(bool next);
    void OnPickIndex(std::optional<std::uint8_t> index);
    void OnRestorePalette();
    void ShowPaletteSource();
    bool OnPreviewMouse(QEvent& event);
    void UpdateStatus();
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

    // The window as the template made it, and each control's place in it.
    QSize m_baseSize;
    std::vector<QRect> m_baseRects;
    QScrollBar* m_hScroll = nullptr;
    QScrollBar* m_vScroll = nullptr;
    // Screen pixels from the centred place; cut to what the frame allows when used.
    int m_nPanX = 0;
    int m_nPanY = 0;
    std::optional<QPoint> m_dragFrom;
    // The frame the last paint drew and where: what the inspector reads.
    std::optional<SpriteFrame> m_shownFrame;
    QPoint m_shownOrigin;
    std::optional<QPoint> m_mouse;

    CPalettePanel* m_palettePanel = nullptr;
    // The palette as the sprite file holds it, and the file an import took the one in
    // use from (empty: the sprite's own).
    SprPalette m_ownPalette{};
    std::string m_strPaletteSource;
    std::optional<std::uint8_t> m_markedIndex;

    SpriteEditor m_editor;
};

}  // namespace zandrel
