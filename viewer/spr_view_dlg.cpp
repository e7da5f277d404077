#include "viewer/spr_view_dlg.h"

#include <QEvent>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QSignalBlocker>
#include <QTimer>
#include <array>
#include <bit>
#include <optional>
#include <vector>

#include "palette/pal_format_dlg.h"
#include "platform/list_box.h"
#include "platform/qt_text.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "viewer/frame_export.h"
#include "viewer/palette_import.h"

namespace zandrel {
namespace {

// The palette buttons serve palettised sprites that have loaded.
constexpr std::array kPaletteTools{kIdcExportPalette, kIdcImportPalette};

// Drawn frames are blue, green, red, 255 in memory, which is Qt's RGB32 on a
// little-endian machine.
static_assert(std::endian::native == std::endian::little, "drawn frames are laid out for little-endian RGB32");

}  // namespace

CSprViewDlg::CSprViewDlg(Prompts& prompts, std::string path, QWidget* parent)
    : TemplateDialog(DialogTemplateOf(kIddSprView), prompts, parent), m_strPath(std::move(path)) {
    m_listFrames = DlgItem<QListWidget>(kIdcFrameList);
    KeepSelection(*m_listFrames);
    m_preview = GetDlgItem(kIdcPreview);
    m_preview->installEventFilter(this);

    OnSignal(m_listFrames, &QListWidget::currentRowChanged, &CSprViewDlg::OnSelchangeFrameList);
    OnClicked(kIdcNextFrame, &CSprViewDlg::OnNextFrame);
    OnClicked(kIdcPrevFrame, &CSprViewDlg::OnPrevFrame);
    OnClicked(kIdcExportFrame, &CSprViewDlg::OnExportFrame);
    OnClicked(kIdcExportAll, &CSprViewDlg::OnExportAll);
    OnClicked(kIdcExportPalette, &CSprViewDlg::OnExportPalette);
    OnClicked(kIdcImportPalette, &CSprViewDlg::OnImportPalette);
}

CSprViewDlg::~CSprViewDlg() = default;

bool CSprViewDlg::OnInitDialog() {
    UpdateData();  // the empty file line and frame information replace the template's texts
    for (int id : kPaletteTools) EnableDlgItem(id, false);

    const Outcome loaded = m_sprite.LoadSprite(m_strPath);
    // A refusal leaves the dialog open with an empty list; a warning about frames that
    // could not be offered comes before the frames that could.
    ThePrompts().Show(loaded);
    if (!loaded.done) return false;

    m_strFileInfo = m_sprite.FileLine();
    {
        const QSignalBlocker quiet(m_listFrames);
        for (const std::string& name : m_sprite.FrameNames()) m_listFrames->addItem(ToQString(name));
    }
    if (!m_sprite.IsTrueColour()) {
        for (int id : kPaletteTools) EnableDlgItem(id, true);
    }
    if (m_listFrames->count() > 0) {
        SelectFrame(0);
    } else {
        UpdateData();
    }
    return true;
}

void CSprViewDlg::OnDestroy() { m_sprite.Close(); }

void CSprViewDlg::OnSelchangeFrameList() {
    const int selected = m_listFrames->currentRow();
    if (selected < 0) return;
    SelectFrame(selected);
}

void CSprViewDlg::OnNextFrame() {
    const int count = m_listFrames->count();
    if (!HasCurrentFrame() || count == 0) return;
    int next = m_listFrames->currentRow() + 1;
    if (next >= count) next = 0;
    SelectFrame(next);
}

void CSprViewDlg::OnPrevFrame() {
    const int count = m_listFrames->count();
    if (!HasCurrentFrame() || count == 0) return;
    int previous = m_listFrames->currentRow() - 1;
    if (previous < 0) previous = count - 1;
    SelectFrame(previous);
}

void CSprViewDlg::OnExportFrame() {
    if (!HasCurrentFrame()) return;
    const std::optional<std::string> path = ThePrompts().SaveFile(SaveFilterWithPngOf(m_sprite), {});
    if (!path) return;
    ThePrompts().Show(ExportFrame(m_sprite, static_cast<std::size_t>(m_nCurFrame), *path, FrameFormatOfPath(*path)));
}

void CSprViewDlg::OnExportAll() {
    const std::optional<std::string> folder = ThePrompts().ChooseOutputFolder();
    if (!folder) return;
    // An empty answer is refused by the export; it must not turn into the root.
    if (!folder->empty()) m_strOutFolder = WithTrailingSeparator(*folder);
    // The list's lines are the files' names.
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(m_listFrames->count()));
    for (int i = 0; i < m_listFrames->count(); ++i) names.push_back(ToStdString(m_listFrames->item(i)->text()));
    ThePrompts().Show(ExportAllFrames(m_sprite, names, *folder));
}

void CSprViewDlg::OnExportPalette() {
    CPalFormatDlg format(ThePrompts(), m_sprite.Palette(), this);
    format.DoModal();
}

void CSprViewDlg::OnImportPalette() {
    const std::optional<std::string> path = ThePrompts().OpenFile(kPaletteFileFilter);
    if (path) ThePrompts().Show(ImportPalette(*path, m_sprite.Palette()));
    // After a cancel or a refusal too: the preview shows the palette now held.
    repaint();
}

void CSprViewDlg::SelectFrame(int index) {
    m_nCurFrame = index;
    m_nProblemShownFor = -1;
    {
        const QSignalBlocker quiet(m_listFrames);
        m_listFrames->setCurrentRow(index);
    }
    m_strFrameInfo = m_sprite.FrameInfo(static_cast<std::size_t>(index));
    UpdateData();
    m_preview->update();
}

void CSprViewDlg::UpdateData() {
    SetDlgItemText(kIdcFileInfo, m_strFileInfo);
    SetDlgItemText(kIdcFrameInfo, m_strFrameInfo);
}

bool CSprViewDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_preview && event->type() == QEvent::Paint) {
        OnPaint();
        return true;
    }
    return TemplateDialog::eventFilter(watched, event);
}

void CSprViewDlg::OnPaint() {
    if (!HasCurrentFrame()) return;
    DecodedFrame frame;
    try {
        frame = m_sprite.RenderFrame(static_cast<std::size_t>(m_nCurFrame));
    } catch (const FileError&) {
        // A paint that cannot read its frame draws nothing and says nothing; the next
        // action that reads the file reports the error.
        return;
    }
    if (!frame.problem.empty()) {
        if (m_nProblemShownFor != m_nCurFrame) {
            m_nProblemShownFor = m_nCurFrame;
            // Not from inside the paint: the message box would paint over it.
            QTimer::singleShot(0, this, [this, text = std::move(frame.problem)] {
                ThePrompts().ShowMessage(text, MessageIcon::None);
            });
        }
        return;
    }
    const int width = frame.width;
    const int height = frame.height;
    const QImage image(frame.pixels.data(), width, height, width * 4, QImage::Format_RGB32);
    // Unscaled and centred by integer halvings; a frame larger than the control is cut
    // evenly at its edges.
    const int x = m_preview->width() / 2 - width / 2;
    const int y = m_preview->height() / 2 - height / 2;
    QPainter painter(m_preview);
    painter.drawImage(x, y, image);
}

}  // namespace zandrel
