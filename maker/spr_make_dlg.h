#pragma once

// The sprite maker: an ordered list of source images that the user adds to, thins and
// reorders, a preview of the selected one drawn unscaled in the middle of control
// 1020, and the button that builds a sprite from the list.

#include <string>
#include <vector>

#include "maker/sprite_build.h"
#include "ui/template_dialog.h"

class QListWidget;
class QMimeData;

namespace zandrel {

class CSprMakeDlg final : public TemplateDialog {
public:
    explicit CSprMakeDlg(Prompts& prompts, QWidget* parent = nullptr);
    ~CSprMakeDlg() override;

    // The entries, in frame order.
    std::vector<BuildSource> Entries() const;

    // Adds the paths as the Add button adds what its dialog returns: an image file as
    // one entry, a sprite as one entry for each of its frames.
    void AddSources(const std::vector<std::string>& paths);

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The sprite a build writes, else the selected source.
    std::string ActionFile() const override;

private:
    void OnAdd();
    void OnDelete();
    void OnMoveUp();
    void OnMoveDown();
    void OnSelchangeImageList();
    void OnPaint();

    // Files dropped from a file manager: the local files among them that the build takes.
    static std::vector<std::string> DroppedSources(const QMimeData& data);
    // The entry on `row`.
    BuildSource EntryAt(int row) const;
    void AddEntry(const BuildSource& source, std::size_t frames);
    bool OnDrag(QEvent* event);
    // A new line is selected: its preview may speak once again.
    void NewSelection();
    // Says `show` once for the selection, after the paint that found it.
    template <class Show>
    void ShowOnceForSelection(Show show);
    void UpdateData();

    QListWidget* m_listImages = nullptr;
    QWidget* m_preview = nullptr;
    std::string m_strInfo;  // shown by 1021; nothing ever goes in
    // The preview's refusal is told once for each selection, not on every paint.
    bool m_bPreviewSpoke = false;
    // The sprite being written while a build runs, for the message of a failure.
    std::string m_strBuildOutput;
};

}  // namespace zandrel
