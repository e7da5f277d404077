#include "viewer/spr_view_dlg.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <array>
#include <optional>
#include <vector>

#include "os/file_identity.h"
#include "palette/pal_format_dlg.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "ui/drawn_picture.h"
#include "ui/drops.h"
#include "ui/list_box.h"
#include "ui/qt_text.h"
#include "viewer/frame_export.h"
#include "viewer/palette_import.h"
#include "viewer/timer_ticks.h"

namespace zandrel {
namespace {

// The palette buttons serve palettised sprites that have loaded.
constexpr std::array kPaletteTools{kIdcExportPalette, kIdcImportPalette};

// The preview's state and its menu.
constexpr const char* kViewStateFormat = "缩放 %d×　棋盘格 %s　播放 %d 帧/秒%s";
constexpr const char* kStateOn = "开";
constexpr const char* kStateOff = "关";
constexpr const char* kStatePlaying = "（播放中）";
constexpr const char* kZoomInText = "放大";
constexpr const char* kZoomOutText = "缩小";
constexpr const char* kZoomResetText = "原始大小";
constexpr const char* kCheckerboardText = "透明处显示棋盘格";
constexpr const char* kPlayText = "播放";
constexpr const char* kSlowerText = "减慢";
constexpr const char* kFasterText = "加快";
constexpr const char* kExportAnimationText = "输出GIF动画...";
constexpr const char* kExportAllPngText = "全部输出为PNG...";
constexpr const char* kExportPaintPaletteText = "导出调色板(其他格式)...";
constexpr const char* kPreviewOperationText = "预览";
constexpr const char* kEditInMakerText = "在制作器中编辑...";

// One notch of a common mouse wheel.
constexpr int kWheelNotch = 120;

}  // namespace

std::optional<std::string> DroppedSprPath(const QMimeData& mime) {
    const std::optional<QString> path = DroppedLocalPath(mime);
    if (!path || QFileInfo(*path).suffix().compare(QStringLiteral("spr"), Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }
    return ToStdString(*path);
}

CSprViewDlg::CSprViewDlg(Prompts& prompts, std::string path, QWidget* parent)
    : TemplateDialog(DialogTemplateOf(kIddSprView), prompts, parent), m_strPath(std::move(path)) {
    m_listFrames = DlgItem<QListWidget>(kIdcFrameList);
    KeepSelection(*m_listFrames);
    m_preview = GetDlgItem(kIdcPreview);
    // The preview's keys work wherever the focus is.
    for (const BuiltControl& control : Built().controls) control.widget->installEventFilter(this);
    m_ticks = std::make_unique<TimerTicks>(this);
    setAcceptDrops(true);
    UpdateViewState();

    OnSignal(m_listFrames, &QListWidget::currentRowChanged, &CSprViewDlg::OnSelchangeFrameList);
    // A click on the line already selected changes nothing but still stops playback.
    OnSignal(m_listFrames, &QListWidget::pressed, &CSprViewDlg::StopPlayback);
    OnClicked(kIdcNextFrame, &CSprViewDlg::OnNextFrame);
    OnClicked(kIdcPrevFrame, &CSprViewDlg::OnPrevFrame);
    OnClicked(kIdcExportFrame, &CSprViewDlg::OnExportFrame);
    OnClicked(kIdcExportAll, &CSprViewDlg::OnExportAll);
    OnClicked(kIdcExportPalette, &CSprViewDlg::OnExportPalette);
    OnClicked(kIdcImportPalette, &CSprViewDlg::OnImportPalette);
}

CSprViewDlg::~CSprViewDlg() = default;

void CSprViewDlg::SetTickSource(std::unique_ptr<TickSource> ticks) {
    StopPlayback();
    m_ticks = std::move(ticks);
}

bool CSprViewDlg::OnInitDialog() { return LoadAndFill(); }

bool CSprViewDlg::LoadAndFill() {
    UpdateData();  // the empty file line and frame information replace the template's texts
    for (int id : kPaletteTools) EnableDlgItem(id, false);

    const Outcome loaded = m_sprite.LoadSprite(m_strPath);
    // A refusal leaves the dialog open with an empty list; a warning about frames that
    // could not be offered comes before the frames that could.
    ThePrompts().Show(loaded);
    if (!loaded.done) return false;
    Fill();
    return true;
}

void CSprViewDlg::Fill() {
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
}

void CSprViewDlg::OnDestroy() {
    StopPlayback();
    m_sprite.Close();
}

void CSprViewDlg::OpenInPlace(const std::string& path) {
    StopPlayback();
    // Loaded beside the sprite on show, which stays, with its palette, view and
    // selection, when the new one cannot be opened.
    SpriteModel dropped;
    Outcome loaded = dropped.LoadSprite(path);
    if (!loaded.done && m_sprite.IsLoaded() && IdentityOf(path) && IdentityOf(path) == IdentityOf(m_sprite.Path())) {
        // The file on show dropped again: where the viewer's hold keeps a second open
        // out (Windows), it is let go first.
        m_sprite.Close();
        loaded = dropped.LoadSprite(path);
    }
    ThePrompts().Show(loaded);
    if (!loaded.done) {
        if (!m_sprite.IsLoaded()) ClearSprite();
        return;
    }
    m_sprite = std::move(dropped);
    m_strPath = path;
    ClearSprite();
    for (int id : kPaletteTools) EnableDlgItem(id, false);
    Fill();
}

void CSprViewDlg::ClearSprite() {
    m_nCurFrame = -1;
    m_nProblemShownFor = -1;
    m_strFileInfo.clear();
    m_strFrameInfo.clear();
    {
        const QSignalBlocker quiet(m_listFrames);
        m_listFrames->clear();
    }
    UpdateData();
    m_preview->update();
}

void CSprViewDlg::OnSelchangeFrameList() {
    StopPlayback();
    const int selected = m_listFrames->currentRow();
    if (selected < 0) return;
    SelectFrame(selected);
}

void CSprViewDlg::OnNextFrame() {
    StopPlayback();
    if (!HasCurrentFrame()) return;
    SelectFrame(SteppedFrame(m_listFrames->currentRow(), m_listFrames->count(), 1));
}

void CSprViewDlg::OnPrevFrame() {
    StopPlayback();
    if (!HasCurrentFrame()) return;
    SelectFrame(SteppedFrame(m_listFrames->currentRow(), m_listFrames->count(), -1));
}

void CSprViewDlg::OnExportFrame() {
    StopPlayback();
    if (!HasCurrentFrame()) return;
    const std::optional<Prompts::SaveChoice> choice = ThePrompts().SaveFileOfType(SaveFilterWithPngOf(m_sprite), {});
    if (!choice) return;
    // The PNG entry of the filter writes PNG whatever the name; the sprite's own entry
    // goes by the name, so that a typed ".png" is PNG too.
    const FrameFormat format = choice->filterIndex == 1 ? FrameFormat::Png : FrameFormatOfPath(choice->path);
    ThePrompts().Show(ExportFrame(m_sprite, static_cast<std::size_t>(m_nCurFrame), choice->path, format));
}

void CSprViewDlg::OnExportAnimation() {
    StopPlayback();
    const std::optional<std::string> path = ThePrompts().SaveFile(kGifSaveFilter, {});
    if (!path) return;
    ThePrompts().Show(ExportAnimation(m_sprite, *path, AnimationDelayOf(static_cast<unsigned>(m_view.rate))));
}

void CSprViewDlg::OnExportAll() { ExportAllAs(FrameFormat::Native); }

void CSprViewDlg::ExportAllAs(FrameFormat format) {
    StopPlayback();
    const std::optional<std::string> folder = ThePrompts().ChooseOutputFolder();
    if (!folder) return;
    // An empty answer is refused by the export; it must not turn into the root.
    if (!folder->empty()) m_strOutFolder = WithTrailingSeparator(*folder);
    // The list's lines are the files' names.
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(m_listFrames->count()));
    for (int i = 0; i < m_listFrames->count(); ++i) names.push_back(ToStdString(m_listFrames->item(i)->text()));
    // Files of the same names are replaced only when the user says so, once for all.
    if (const std::vector<std::string> existing = ExistingFrameFiles(names, *folder, format); !existing.empty()) {
        const std::string question =
            FormatText(kReplaceExistingFormat, folder->c_str(), static_cast<int>(existing.size()),
                       LastNameOf(existing.front()).c_str());
        if (!ThePrompts().AskYesNo(question)) return;
    }
    ThePrompts().Show(ExportAllFrames(m_sprite, names, *folder, format));
}

void CSprViewDlg::OnExportPalette() {
    StopPlayback();
    if (const std::optional<Refusal> refusal = m_sprite.PaletteExportRefusal()) {
        ThePrompts().ShowMessage(refusal->text, MessageIcon::None);
        return;
    }
    CPalFormatDlg format(ThePrompts(), m_sprite.Palette(), this);
    format.DoModal();
}

void CSprViewDlg::OnExportPaintPalette() {
    StopPlayback();
    if (const std::optional<Refusal> refusal = m_sprite.PaletteExportRefusal()) {
        ThePrompts().ShowMessage(refusal->text, MessageIcon::None);
        return;
    }
    const std::optional<Prompts::SaveChoice> choice = ThePrompts().SaveFileOfType(kPaintPaletteSaveFilter, {});
    if (!choice) return;
    ExportPalette(choice->path, m_sprite.Palette(), PaintPaletteFormatOfFilter(choice->filterIndex));
}

void CSprViewDlg::OnImportPalette() {
    const std::optional<std::string> path = ThePrompts().OpenFile(kPaletteOpenFilter);
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
    if (event->type() == QEvent::KeyPress) {
        bool handled = false;
        Guard([&] { handled = OnViewKey(static_cast<const QKeyEvent&>(*event)); });
        if (handled) return true;
    }
    if (watched == m_preview) {
        switch (event->type()) {
            case QEvent::Paint: OnPaint(); return true;
            case QEvent::ContextMenu: OnPreviewMenu(static_cast<QContextMenuEvent*>(event)->globalPos()); return true;
            case QEvent::Wheel: {
                auto* wheel = static_cast<QWheelEvent*>(event);
                if (!(wheel->modifiers() & Qt::ControlModifier)) break;
                m_nWheelDelta += wheel->angleDelta().y();
                while (m_nWheelDelta >= kWheelNotch) {
                    m_nWheelDelta -= kWheelNotch;
                    ChangeView(&ViewOptions::ZoomIn);
                }
                while (m_nWheelDelta <= -kWheelNotch) {
                    m_nWheelDelta += kWheelNotch;
                    ChangeView(&ViewOptions::ZoomOut);
                }
                wheel->accept();
                return true;
            }
            default: break;
        }
    }
    return TemplateDialog::eventFilter(watched, event);
}

void CSprViewDlg::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    Guard([&] { handled = OnViewKey(*event); });
    if (!handled) TemplateDialog::keyPressEvent(event);
}

bool CSprViewDlg::OnViewKey(const QKeyEvent& event) {
    // Shift is what some layouts need to reach "+"; the keypad's keys count alike.
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (modifiers == Qt::ControlModifier) {
        switch (event.key()) {
            case Qt::Key_Equal:
            case Qt::Key_Plus: ChangeView(&ViewOptions::ZoomIn); return true;
            case Qt::Key_Minus: ChangeView(&ViewOptions::ZoomOut); return true;
            case Qt::Key_0: ChangeView(&ViewOptions::ResetZoom); return true;
            default: return false;
        }
    }
    if (modifiers != Qt::NoModifier) return false;
    switch (event.key()) {
        case Qt::Key_T: ToggleCheckerboard(); return true;
        case Qt::Key_Space: TogglePlayback(); return true;
        case Qt::Key_BracketLeft: ChangeView(&ViewOptions::Slower); return true;
        case Qt::Key_BracketRight: ChangeView(&ViewOptions::Faster); return true;
        default: return false;
    }
}

void CSprViewDlg::OnPreviewMenu(const QPoint& globalPos) {
    QMenu menu(this);
    QAction* state = menu.addAction(ToQString(ViewStateText()));
    state->setEnabled(false);
    menu.addSeparator();
    const auto add = [&](const char* text, const QKeySequence& keys, auto handler, bool enabled = true) {
        QAction* action = menu.addAction(ToQString(text));
        action->setShortcut(keys);
        action->setShortcutVisibleInContextMenu(true);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, handler, text] { Guard([handler] { handler(); }, text); });
        return action;
    };
    add(
        kZoomInText, QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { ChangeView(&ViewOptions::ZoomIn); },
        m_view.zoom < kMaxZoom);
    add(
        kZoomOutText, QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { ChangeView(&ViewOptions::ZoomOut); },
        m_view.zoom > kMinZoom);
    add(
        kZoomResetText, QKeySequence(Qt::CTRL | Qt::Key_0), [this] { ChangeView(&ViewOptions::ResetZoom); },
        m_view.zoom != kMinZoom);
    menu.addSeparator();
    QAction* checker = add(kCheckerboardText, QKeySequence(Qt::Key_T), [this] { ToggleCheckerboard(); });
    checker->setCheckable(true);
    checker->setChecked(m_view.checkerboard);
    menu.addSeparator();
    QAction* play = add(
        kPlayText, QKeySequence(Qt::Key_Space), [this] { TogglePlayback(); }, m_listFrames->count() > 0);
    play->setCheckable(true);
    play->setChecked(m_bPlaying);
    add(
        kSlowerText, QKeySequence(Qt::Key_BracketLeft), [this] { ChangeView(&ViewOptions::Slower); },
        m_view.rate > kMinRate);
    add(
        kFasterText, QKeySequence(Qt::Key_BracketRight), [this] { ChangeView(&ViewOptions::Faster); },
        m_view.rate < kMaxRate);
    menu.addSeparator();
    add(
        kExportAnimationText, QKeySequence(), [this] { OnExportAnimation(); },
        m_listFrames->count() > 0 && !m_sprite.IsTrueColour());
    add(
        kExportAllPngText, QKeySequence(), [this] { ExportAllAs(FrameFormat::Png); }, m_listFrames->count() > 0);
    add(
        kExportPaintPaletteText, QKeySequence(), [this] { OnExportPaintPalette(); },
        GetDlgItem(kIdcExportPalette)->isEnabled());
    if (m_editor) {
        menu.addSeparator();
        add(
            kEditInMakerText, QKeySequence(), [this] { OnEditInMaker(); }, m_listFrames->count() > 0);
    }
    menu.exec(globalPos);
}

void CSprViewDlg::OnEditInMaker() {
    if (!m_editor || !m_sprite.IsLoaded()) return;
    StopPlayback();
    const std::string path = m_strPath;
    m_sprite.Close();
    ClearSprite();
    for (int id : kPaletteTools) EnableDlgItem(id, false);
    try {
        m_editor(path, this);
    } catch (...) {
        OpenInPlace(path);
        throw;
    }
    // Whatever the maker wrote, or the sprite as it was.
    OpenInPlace(path);
}

void CSprViewDlg::ChangeView(void (ViewOptions::*change)()) {
    const ViewOptions before = m_view;
    (m_view.*change)();
    if (m_bPlaying && m_view.rate != before.rate) m_ticks->Start(m_view.rate, [this] { OnTick(); });
    UpdateViewState();
    if (m_view.zoom != before.zoom) m_preview->update();
}

void CSprViewDlg::ToggleCheckerboard() {
    m_view.checkerboard = !m_view.checkerboard;
    UpdateViewState();
    m_preview->update();
}

void CSprViewDlg::TogglePlayback() {
    if (m_bPlaying) {
        StopPlayback();
        return;
    }
    if (!HasCurrentFrame() || m_listFrames->count() == 0) return;
    m_bPlaying = true;
    m_ticks->Start(m_view.rate, [this] { OnTick(); });
    UpdateViewState();
}

void CSprViewDlg::StopPlayback() {
    if (!m_bPlaying) return;
    m_bPlaying = false;
    m_ticks->Stop();
    UpdateViewState();
}

void CSprViewDlg::OnTick() {
    Guard([this] {
        if (!m_bPlaying || !HasCurrentFrame()) return;
        SelectFrame(SteppedFrame(m_nCurFrame, m_listFrames->count(), 1));
    });
}

std::string CSprViewDlg::ViewStateText() const {
    return FormatText(kViewStateFormat, m_view.zoom, m_view.checkerboard ? kStateOn : kStateOff, m_view.rate,
                      m_bPlaying ? kStatePlaying : "");
}

void CSprViewDlg::UpdateViewState() { m_preview->setToolTip(ToQString(ViewStateText())); }

void CSprViewDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedSprPath(*event->mimeData())) event->acceptProposedAction();
}

void CSprViewDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (DroppedSprPath(*event->mimeData())) event->acceptProposedAction();
}

void CSprViewDlg::dropEvent(QDropEvent* event) {
    const std::optional<std::string> path = DroppedSprPath(*event->mimeData());
    if (!path) return;
    event->acceptProposedAction();
    // After the drop has been answered: loading may ask the user something.
    QTimer::singleShot(0, this, [this, path = *path] { Guard([&] { OpenInPlace(path); }); });
}

void CSprViewDlg::ReportProblem(std::string problem) {
    if (m_nProblemShownFor == m_nCurFrame) return;
    m_nProblemShownFor = m_nCurFrame;
    StopPlayback();
    // Not from inside the paint: the message box would paint over it.
    QTimer::singleShot(0, this,
                       [this, text = std::move(problem)] { ThePrompts().ShowMessage(text, MessageIcon::None); });
}

void CSprViewDlg::OnPaint() {
    if (!HasCurrentFrame()) return;
    const auto index = static_cast<std::size_t>(m_nCurFrame);
    StraightPicture straight;
    try {
        Result<StraightPicture> preview = ReadPreviewFrame(m_sprite, index, m_view.checkerboard);
        if (!preview) return ReportProblem(std::move(preview.Refused().text));
        straight = std::move(*preview);
    } catch (const FileError&) {
        // A paint that cannot read its frame draws nothing and says nothing; the next
        // action that reads the file reports the error.
        return;
    } catch (...) {
        // Anything else is told once for the frame, as a damaged frame is; a paint never
        // ends the program.
        return ReportProblem(
            DescribeUnexpectedFailure(kPreviewOperationText, m_sprite.Path(), ReasonOfCurrentFailure()));
    }
    QPainter painter(m_preview);
    if (m_view.IsPlain()) {
        // Taken over unchanged from the drawn frame.
        DrawCentred(painter, *m_preview, DrawnPicture{straight.width, straight.height, std::move(straight.pixels)});
        return;
    }
    const PlacedPicture placed =
        PlacePicture(straight, m_view.zoom, m_view.checkerboard, m_preview->width(), m_preview->height());
    if (placed.picture.pixels.empty()) return;
    painter.drawImage(placed.x, placed.y, QImageOf(placed.picture));
}

}  // namespace zandrel
