#include "viewer/spr_view_dlg.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
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
#include "viewer/palette_panel.h"
#include "viewer/timer_ticks.h"

namespace zandrel {
namespace {

// The palette buttons serve palettised sprites that have loaded.
constexpr std::array kPaletteTools{kIdcExportPalette, kIdcImportPalette};

// The preview's state and its menu.
constexpr const char* kViewStateFormat = "缩放 %s　棋盘格 %s　播放 %d 帧/秒%s";
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
constexpr const char* kFitText = "适合窗口(&F)";
constexpr const char* kShowPaletteText = "显示调色板(&P)";
constexpr const char* kOnionSkinText = "洋葱皮(&O)";
constexpr const char* kOnionNextText = "洋葱皮包括下一帧(&N)";

// The status after the caption: "SPR to Image — 缩放 4×　(12,3) 索引 5 #FF00FF".
constexpr const char* kTitleStatusFormat = "%s — %s";
constexpr const char* kStatusZoomFormat = "缩放 %s";
constexpr const char* kStatusRateFormat = "播放 %d 帧/秒";
constexpr const char* kStatusGap = "　";

// A Shift+arrow moves the picture by this part of the preview.
constexpr int kPanStepDivisor = 8;

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

    // The window grows from the template's size; Relayout keeps every control at its
    // template place until it does.
    m_baseSize = size();
    for (const BuiltControl& control : Built().controls) m_baseRects.push_back(control.widget->geometry());
    setMinimumSize(m_baseSize);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    m_preview->setMouseTracking(true);
    m_hScroll = new QScrollBar(Qt::Horizontal, this);
    m_vScroll = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : {m_hScroll, m_vScroll}) {
        bar->hide();
        bar->setFocusPolicy(Qt::NoFocus);
        OnSignal(bar, &QScrollBar::valueChanged, &CSprViewDlg::OnScrolled);
    }
    m_palettePanel = new CPalettePanel(this);
    m_palettePanel->hide();
    m_palettePanel->Grid().onPicked = [this](std::optional<std::uint8_t> index) { Guard([&] { OnPickIndex(index); }); };
    OnSignal(&m_palettePanel->RestoreButton(), &QPushButton::clicked, &CSprViewDlg::OnRestorePalette);
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
    m_ownPalette = m_sprite.Palette();
    m_strPaletteSource.clear();
    m_markedIndex.reset();
    m_palettePanel->Grid().SetPicked(std::nullopt);
    if (m_sprite.IsTrueColour() && m_palettePanel->isVisible()) TogglePalette();
    ShowPaletteSource();
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
    m_shownFrame.reset();
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
    if (path) {
        const Outcome imported = ImportPalette(*path, m_sprite.Palette());
        if (imported.done) m_strPaletteSource = LastNameOf(*path);
        ThePrompts().Show(imported);
    }
    ShowPaletteSource();
    // After a cancel or a refusal too: the preview shows the palette now held.
    repaint();
}

void CSprViewDlg::OnRestorePalette() {
    m_sprite.Palette() = m_ownPalette;
    m_strPaletteSource.clear();
    ShowPaletteSource();
    m_preview->update();
}

void CSprViewDlg::ShowPaletteSource() { m_palettePanel->Show(m_sprite.Palette(), m_strPaletteSource); }

void CSprViewDlg::OnPickIndex(std::optional<std::uint8_t> index) {
    m_markedIndex = index;
    m_preview->update();
}

CPalettePanel* CSprViewDlg::ShownPalette() const { return m_palettePanel->isVisible() ? m_palettePanel : nullptr; }

void CSprViewDlg::TogglePalette() {
    const bool show = !m_palettePanel->isVisible();
    if (show && (m_sprite.IsTrueColour() || !m_sprite.IsLoaded())) return;
    // The window makes room for the palette beside the preview, unless it fills the
    // screen; then the preview gives it up.
    const int room = m_palettePanel->width() + m_baseRects.front().x();
    m_palettePanel->setVisible(show);
    if (!show) {
        m_markedIndex.reset();
        m_palettePanel->Grid().SetPicked(std::nullopt);
    }
    // Taken before the new minimum, which may already widen the window itself.
    const int wanted = width() + (show ? room : -room);
    setMinimumSize(m_baseSize.width() + (show ? room : 0), m_baseSize.height());
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
        resize(std::max(wanted, minimumWidth()), height());
    }
    Relayout();
    m_preview->update();
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
    UpdateScrollBars();
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
        if (OnPreviewMouse(*event)) return true;
        switch (event->type()) {
            case QEvent::Paint: OnPaint(); return true;
            case QEvent::ContextMenu: OnPreviewMenu(static_cast<QContextMenuEvent*>(event)->globalPos()); return true;
            case QEvent::Wheel: {
                auto* wheel = static_cast<QWheelEvent*>(event);
                if (!(wheel->modifiers() & Qt::ControlModifier)) {
                    // Without Ctrl the wheel scrolls a picture larger than the preview.
                    const QPoint turn = wheel->angleDelta();
                    const bool across = (wheel->modifiers() & Qt::ShiftModifier) != 0;
                    PanBy(across ? turn.y() / 2 : turn.x() / 2, across ? 0 : turn.y() / 2);
                    wheel->accept();
                    return true;
                }
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
    const Qt::KeyboardModifiers held = event.modifiers() & ~Qt::KeypadModifier;
    if (held == Qt::ShiftModifier) {
        // Shift+arrows move the view as the scroll bars do.
        const int stepX = std::max(m_preview->width() / kPanStepDivisor, 1);
        const int stepY = std::max(m_preview->height() / kPanStepDivisor, 1);
        switch (event.key()) {
            case Qt::Key_Left: PanBy(stepX, 0); return true;
            case Qt::Key_Right: PanBy(-stepX, 0); return true;
            case Qt::Key_Up: PanBy(0, stepY); return true;
            case Qt::Key_Down: PanBy(0, -stepY); return true;
            case Qt::Key_O: ToggleOnionSkin(true); return true;
            default: break;
        }
    }
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
        case Qt::Key_F: FitFrame(); return true;
        case Qt::Key_P: TogglePalette(); return true;
        case Qt::Key_O: ToggleOnionSkin(false); return true;
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
        m_view.zoom > kMinZoom || (m_view.shrink > 1 && m_view.shrink < kMaxShrink));
    add(
        kZoomResetText, QKeySequence(Qt::CTRL | Qt::Key_0), [this] { ChangeView(&ViewOptions::ResetZoom); },
        m_view.zoom != kMinZoom || m_view.shrink != 1);
    add(
        kFitText, QKeySequence(Qt::Key_F), [this] { FitFrame(); }, HasCurrentFrame());
    menu.addSeparator();
    QAction* checker = add(kCheckerboardText, QKeySequence(Qt::Key_T), [this] { ToggleCheckerboard(); });
    checker->setCheckable(true);
    checker->setChecked(m_view.checkerboard);
    QAction* onion = add(kOnionSkinText, QKeySequence(Qt::Key_O), [this] { ToggleOnionSkin(false); });
    onion->setCheckable(true);
    onion->setChecked(m_view.onionSkin);
    QAction* onionNext = add(kOnionNextText, QKeySequence(Qt::SHIFT | Qt::Key_O), [this] { ToggleOnionSkin(true); });
    onionNext->setCheckable(true);
    onionNext->setChecked(m_view.onionSkin && m_view.onionNext);
    QAction* palette = add(
        kShowPaletteText, QKeySequence(Qt::Key_P), [this] { TogglePalette(); },
        m_sprite.IsLoaded() && !m_sprite.IsTrueColour());
    palette->setCheckable(true);
    palette->setChecked(m_palettePanel->isVisible());
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
    if (m_view.ScaleOf() != before.ScaleOf()) {
        // The point in the middle of the preview stays in the middle.
        const QSize frame = CurrentFrameSize();
        const Scale from = before.ScaleOf();
        const Scale to = m_view.ScaleOf();
        if (frame.width() > 0) m_nPanX = m_nPanX * to.Scaled(frame.width()) / from.Scaled(frame.width());
        if (frame.height() > 0) m_nPanY = m_nPanY * to.Scaled(frame.height()) / from.Scaled(frame.height());
        UpdateScrollBars();
        m_preview->update();
    }
    UpdateViewState();
}

void CSprViewDlg::FitFrame() {
    if (!HasCurrentFrame()) return;
    const QSize frame = CurrentFrameSize();
    const Scale fit = FitScale(frame.width(), frame.height(), m_preview->width(), m_preview->height());
    m_view.zoom = fit.zoom;
    m_view.shrink = fit.shrink;
    m_nPanX = 0;
    m_nPanY = 0;
    UpdateScrollBars();
    UpdateViewState();
    m_preview->update();
}

void CSprViewDlg::ToggleOnionSkin(bool next) {
    if (next) {
        // Shift+O turns the next frame on with the previous one, and off alone.
        m_view.onionNext = !(m_view.onionSkin && m_view.onionNext);
        m_view.onionSkin = m_view.onionSkin || m_view.onionNext;
    } else {
        m_view.onionSkin = !m_view.onionSkin;
    }
    m_preview->update();
}

QSize CSprViewDlg::CurrentFrameSize() const {
    if (!HasCurrentFrame()) return {};
    const SprFrameRecord& record = m_sprite.Frame(static_cast<std::size_t>(m_nCurFrame));
    return {record.width, record.height};
}

QSize CSprViewDlg::ScaledFrameSize() const {
    const QSize frame = CurrentFrameSize();
    const Scale scale = m_view.ScaleOf();
    return {scale.Scaled(frame.width()), scale.Scaled(frame.height())};
}

QPoint CSprViewDlg::FrameOrigin() const {
    const QSize scaled = ScaledFrameSize();
    return {OriginOf(m_preview->width(), scaled.width(), m_nPanX),
            OriginOf(m_preview->height(), scaled.height(), m_nPanY)};
}

QPoint CSprViewDlg::Pan() const {
    const QSize scaled = ScaledFrameSize();
    return {UsablePan(m_preview->width(), scaled.width(), m_nPanX),
            UsablePan(m_preview->height(), scaled.height(), m_nPanY)};
}

void CSprViewDlg::PanBy(int dx, int dy) {
    // What lay past an edge is let go first, so that the picture follows at once.
    const QPoint from = Pan();
    m_nPanX = from.x() + dx;
    m_nPanY = from.y() + dy;
    const QPoint to = Pan();
    m_nPanX = to.x();
    m_nPanY = to.y();
    if (to == from) return;
    UpdateScrollBars();
    m_preview->update();
    UpdateStatus();
}

void CSprViewDlg::OnScrolled() {
    // The bars show how far the preview's left and top edges are into the picture.
    const QSize scaled = ScaledFrameSize();
    if (m_hScroll->isVisible()) m_nPanX = -m_hScroll->value() - CentredStart(m_preview->width(), scaled.width());
    if (m_vScroll->isVisible()) m_nPanY = -m_vScroll->value() - CentredStart(m_preview->height(), scaled.height());
    m_preview->update();
    UpdateStatus();
}

void CSprViewDlg::UpdateScrollBars() {
    const QSize picture = ScaledFrameSize();
    const QPoint origin = FrameOrigin();
    const auto set = [](QScrollBar& bar, int control, int scaled, int start) {
        const QSignalBlocker quiet(&bar);
        const bool needed = scaled > control;
        bar.setVisible(needed);
        if (!needed) return;
        bar.setRange(0, scaled - control);
        bar.setPageStep(control);
        bar.setSingleStep(std::max(control / kPanStepDivisor, 1));
        bar.setValue(-start);
    };
    set(*m_hScroll, m_preview->width(), picture.width(), origin.x());
    set(*m_vScroll, m_preview->height(), picture.height(), origin.y());
    const bool pannable = m_hScroll->isVisible() || m_vScroll->isVisible();
    if (m_dragFrom) return;
    if (pannable) {
        m_preview->setCursor(Qt::OpenHandCursor);
    } else {
        m_preview->unsetCursor();
    }
}

bool CSprViewDlg::OnPreviewMouse(QEvent& event) {
    switch (event.type()) {
        case QEvent::MouseButtonPress: {
            auto& press = static_cast<QMouseEvent&>(event);
            if (press.button() != Qt::LeftButton && press.button() != Qt::MiddleButton) return false;
            m_dragFrom = press.position().toPoint();
            if (m_hScroll->isVisible() || m_vScroll->isVisible()) m_preview->setCursor(Qt::ClosedHandCursor);
            return true;
        }
        case QEvent::MouseMove: {
            const QPoint at = static_cast<QMouseEvent&>(event).position().toPoint();
            m_mouse = at;
            if (m_dragFrom) {
                const QPoint moved = at - *m_dragFrom;
                m_dragFrom = at;
                Guard([&] { PanBy(moved.x(), moved.y()); });
            }
            UpdateStatus();
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (!m_dragFrom) return false;
            m_dragFrom.reset();
            UpdateScrollBars();
            return true;
        case QEvent::Leave:
            m_mouse.reset();
            UpdateStatus();
            return false;
        default: return false;
    }
}

std::string CSprViewDlg::StatusText() const {
    std::string pixel;
    if (m_mouse && m_shownFrame) {
        const Scale scale = m_view.ScaleOf();
        const std::optional<FramePoint> at =
            FramePointAt(m_mouse->x(), m_mouse->y(), m_shownOrigin.x(), m_shownOrigin.y(), scale,
                         WidthOf(*m_shownFrame), HeightOf(*m_shownFrame));
        if (at) pixel = DescribePixel(*m_shownFrame, m_sprite.Palette(), *at);
    }
    const bool zoomed = m_view.zoom != kMinZoom || m_view.shrink != 1;
    if (!zoomed && !m_bPlaying && pixel.empty()) return {};
    std::string status = FormatText(kStatusZoomFormat, m_view.ZoomText().c_str());
    if (m_bPlaying) status += kStatusGap + FormatText(kStatusRateFormat, m_view.rate);
    if (!pixel.empty()) status += kStatusGap + pixel;
    return status;
}

void CSprViewDlg::UpdateStatus() {
    const std::string caption(DialogTemplateOf(kIddSprView).title);
    const std::string status = StatusText();
    setWindowTitle(
        ToQString(status.empty() ? caption : FormatText(kTitleStatusFormat, caption.c_str(), status.c_str())));
}

void CSprViewDlg::changeEvent(QEvent* event) {
    TemplateDialog::changeEvent(event);
    // A dialog opened over the viewer (the maker, a save dialog) takes the mouse without
    // the preview hearing that it left: forget the pixel the title tells.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && m_mouse) {
        m_mouse.reset();
        UpdateStatus();
    }
}

void CSprViewDlg::resizeEvent(QResizeEvent* event) {
    TemplateDialog::resizeEvent(event);
    Relayout();
}

void CSprViewDlg::Relayout() {
    const std::vector<BuiltControl>& controls = Built().controls;
    if (m_baseRects.size() != controls.size() || m_palettePanel == nullptr) return;  // still being built
    QRect previewBase;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].widget == m_preview) previewBase = m_baseRects[i];
    }
    const int margin = m_baseRects.front().x();  // the file line's distance from the edge
    const int room = m_palettePanel->isVisible() ? m_palettePanel->width() + margin : 0;
    const int dx = std::max(width() - m_baseSize.width() - room, 0);
    const int dy = std::max(height() - m_baseSize.height(), 0);
    QRect previewGroup;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const BuiltControl& control = controls[i];
        QRect rect = m_baseRects[i];
        if (control.id == kIdcFileInfo) {
            rect.setWidth(rect.width() + dx + room);
        } else if (control.widget == m_preview ||
                   (control.kind == ControlKind::GroupBox && rect.contains(previewBase))) {
            rect.setSize(rect.size() + QSize(dx, dy));
            if (control.kind == ControlKind::GroupBox) previewGroup = rect;
        } else if (control.kind == ControlKind::GroupBox || control.kind == ControlKind::ListBox) {
            rect.setHeight(rect.height() + dy);
        } else {
            rect.translate(0, dy);
        }
        control.widget->setGeometry(rect);
    }
    // The scroll bars lie in the group box's margin, right of and below the preview.
    const QRect preview = m_preview->geometry();
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int below = std::max(std::min(extent, previewGroup.bottom() - preview.bottom() - 2), 1);
    const int beside = std::max(std::min(extent, previewGroup.right() - preview.right() - 2), 1);
    m_hScroll->setGeometry(preview.x(), preview.bottom() + 1, preview.width(), below);
    m_vScroll->setGeometry(preview.right() + 1, preview.y(), beside, preview.height());
    m_palettePanel->setGeometry(previewGroup.right() + 1 + margin, previewGroup.y(), m_palettePanel->width(),
                                previewGroup.height());
    UpdateScrollBars();
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
    return FormatText(kViewStateFormat, m_view.ZoomText().c_str(), m_view.checkerboard ? kStateOn : kStateOff,
                      m_view.rate, m_bPlaying ? kStatePlaying : "");
}

void CSprViewDlg::UpdateViewState() {
    m_preview->setToolTip(ToQString(ViewStateText()));
    UpdateStatus();
}

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
    m_shownFrame.reset();
    if (!HasCurrentFrame()) return;
    const auto index = static_cast<std::size_t>(m_nCurFrame);
    SpriteFrame frame;
    try {
        Result<SpriteFrame> read = m_sprite.ReadFrame(index);
        if (!read) return ReportProblem(std::move(read.Refused().text));
        frame = std::move(*read);
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
    const SprPalette& palette = m_sprite.Palette();
    const Scale scale = m_view.ScaleOf();
    const QPoint origin = FrameOrigin();
    const bool marking = m_markedIndex && std::holds_alternative<IndexedPicture>(frame);
    QPainter painter(m_preview);
    if (m_view.IsPlain() && Pan().isNull() && !marking) {
        // Taken over unchanged from the drawn frame.
        DrawCentred(painter, *m_preview, Drawn(frame, palette));
    } else {
        // Neighbours show through index 0 as through alpha.
        const bool clearIndexZero = m_view.checkerboard || m_view.onionSkin;
        const StraightPicture straight = PreviewStraight(frame, palette, clearIndexZero);
        Scene scene{{&straight, origin.x(), origin.y()}, scale, m_view.checkerboard, {}, nullptr};
        // Each neighbour centred as it is when shown, moved as the frame is.
        std::vector<StraightPicture> neighbours;
        const int count = m_listFrames->count();
        if (m_view.onionSkin && count > 1) {
            std::vector<int> steps{-1};
            if (m_view.onionNext && count > 2) steps.push_back(1);
            const QPoint moved(origin.x() - CentredStart(m_preview->width(), scale.Scaled(WidthOf(frame))),
                               origin.y() - CentredStart(m_preview->height(), scale.Scaled(HeightOf(frame))));
            neighbours.reserve(steps.size());
            for (int step : steps) {
                const auto other = static_cast<std::size_t>(SteppedFrame(m_nCurFrame, count, step));
                Result<SpriteFrame> read = m_sprite.ReadFrame(other);
                if (!read) continue;  // told when it is the current frame
                neighbours.push_back(PreviewStraight(*read, palette, true));
                const StraightPicture& picture = neighbours.back();
                scene.faded.push_back({&picture,
                                       CentredStart(m_preview->width(), scale.Scaled(picture.width)) + moved.x(),
                                       CentredStart(m_preview->height(), scale.Scaled(picture.height)) + moved.y()});
            }
        }
        std::vector<std::uint8_t> marked;
        if (marking) {
            marked = PixelsOfIndex(std::get<IndexedPicture>(frame), *m_markedIndex);
            scene.marked = &marked;
        }
        const PlacedScene placed = PlaceScene(scene, m_preview->width(), m_preview->height());
        if (!placed.picture.pixels.empty()) {
            QImage image = QImageOf(placed.picture);
            // Where a neighbour reaches past the frame, the corners of the union that no
            // layer covers leave the control's own background.
            if (placed.gaps) image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
            painter.drawImage(placed.x, placed.y, image);
        }
    }
    m_shownFrame = std::move(frame);
    m_shownOrigin = origin;
    UpdateStatus();
}

}  // namespace zandrel
