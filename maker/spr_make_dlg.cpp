#include "maker/spr_make_dlg.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>
#include <optional>

#include "maker/source_preview.h"
#include "maker/sprite_build.h"
#include "os/paths.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "ui/drawn_picture.h"
#include "ui/list_box.h"
#include "ui/prompts.h"
#include "ui/qt_text.h"

namespace zandrel {
namespace {

// However long the paths, the list scrolls across this many pixels.
constexpr int kListExtentPixels = 255;
constexpr const char* kPreviewOperationText = "预览";
// A sprite's frame in the list: the sprite's file name, then the frame counted from 1
// and the sprite's frame count, as the viewer counts them ("hero.spr  帧 3/12").
constexpr const char* kSpriteFrameLineFormat = "%s  帧 %d/%d";

// What a line holds besides its text: the source's path, and a sprite frame's number.
constexpr int kPathRole = Qt::UserRole;
constexpr int kFrameRole = Qt::UserRole + 1;

// Moves a line and selects it where it went, without telling anyone: the same file
// stays selected.
void MoveLine(QListWidget& list, int from, int to) {
    {
        const QSignalBlocker quiet(&list);
        QListWidgetItem* item = list.takeItem(from);
        list.insertItem(to, item);
    }
    SetCurSel(list, to);
}

}  // namespace

CSprMakeDlg::CSprMakeDlg(Prompts& prompts, QWidget* parent)
    : TemplateDialog(DialogTemplateOf(kIddSprMake), prompts, parent) {
    m_listImages = DlgItem<QListWidget>(kIdcImageList);
    // The list keeps its order itself: additions go to their sorted place, moves stay
    // where the user put them.
    m_listImages->setSortingEnabled(false);
    KeepSelection(*m_listImages);
    m_listImages->setAcceptDrops(true);
    m_listImages->viewport()->setAcceptDrops(true);
    m_listImages->viewport()->installEventFilter(this);
    m_preview = GetDlgItem(kIdcImagePreview);
    m_preview->installEventFilter(this);

    OnClicked(kIdcAddImages, &CSprMakeDlg::OnAdd);
    OnClicked(kIdcDeleteImage, &CSprMakeDlg::OnDelete);
    OnClicked(kIdcMoveImageUp, &CSprMakeDlg::OnMoveUp);
    OnClicked(kIdcMoveImageDown, &CSprMakeDlg::OnMoveDown);
    OnSignal(m_listImages, &QListWidget::itemSelectionChanged, &CSprMakeDlg::OnSelchangeImageList);
    // Delete in the list does what the Delete button does.
    auto* remove = new QShortcut(QKeySequence::Delete, m_listImages, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, [this] { Guard([this] { OnDelete(); }); });
}

CSprMakeDlg::~CSprMakeDlg() = default;

std::vector<BuildSource> CSprMakeDlg::Entries() const {
    std::vector<BuildSource> entries;
    entries.reserve(static_cast<std::size_t>(m_listImages->count()));
    for (int row = 0; row < m_listImages->count(); ++row) entries.push_back(EntryAt(row));
    return entries;
}

BuildSource CSprMakeDlg::EntryAt(int row) const {
    const QListWidgetItem& item = *m_listImages->item(row);
    const QVariant frame = item.data(kFrameRole);
    if (!frame.isValid()) return {ToStdString(item.text()), std::nullopt};
    return {ToStdString(item.data(kPathRole).toString()), static_cast<std::uint16_t>(frame.toUInt())};
}

bool CSprMakeDlg::OnInitDialog() {
    UpdateData();  // the empty information replaces the template's "Static"
    EnableDlgItem(kIdOk, false);
    EnableDlgItem(kIdcDeleteImage, false);
    return true;
}

void CSprMakeDlg::showEvent(QShowEvent* event) {
    TemplateDialog::showEvent(event);
    // The dialog opens with the list in hand, so that Enter presses the default
    // button, Add, rather than the first button in the tab order, Cancel.
    if (!event->spontaneous() && m_listImages->count() == 0) m_listImages->setFocus(Qt::OtherFocusReason);
}

void CSprMakeDlg::OnAdd() { AddSources(ThePrompts().OpenFiles(kSourceFilesFilter)); }

void CSprMakeDlg::AddSources(const std::vector<std::string>& paths) {
    // A sprite is read for its frames; one that cannot be is told and left out.
    std::vector<std::pair<BuildSource, std::size_t>> added;
    for (const std::string& path : paths) {
        if (SourceKindOf(path) != SourceKind::Spr) {
            added.emplace_back(BuildSource{path, std::nullopt}, 0);
            continue;
        }
        const Result<std::vector<BuildSource>> frames = SpriteFrameSources(path);
        if (!frames) {
            ThePrompts().Show(frames.Refused());
            continue;
        }
        for (const BuildSource& frame : *frames) added.emplace_back(frame, frames->size());
    }
    if (added.empty()) return;
    if (m_listImages->count() == 0) {
        EnableDlgItem(kIdOk, true);
        EnableDlgItem(kIdcDeleteImage, true);
    }
    // The width first, so that each new line is made with it.
    SetHorizontalExtent(*m_listImages, kListExtentPixels);
    // Image files are neither examined nor compared: a file added twice is listed
    // twice. The selection stays on the line it was on.
    for (const auto& [source, frames] : added) AddEntry(source, frames);
}

void CSprMakeDlg::AddEntry(const BuildSource& source, std::size_t frames) {
    const QString path = ToQString(source.path);
    if (!source.frame) {
        AddString(*m_listImages, path);
        return;
    }
    // Sorted by the path, the frames of a sprite in their order.
    const std::string text = FormatText(kSpriteFrameLineFormat, LastNameOf(source.path).c_str(),
                                        static_cast<int>(*source.frame) + 1, static_cast<int>(frames));
    const QString key = path + QString::asprintf(":%05u", static_cast<unsigned>(*source.frame));
    QListWidgetItem* item = m_listImages->item(AddString(*m_listImages, ToQString(text), key));
    item->setData(kPathRole, path);
    item->setData(kFrameRole, static_cast<unsigned>(*source.frame));
    item->setToolTip(path);
}

void CSprMakeDlg::OnDelete() {
    const int selected = GetCurSel(*m_listImages);
    if (selected < 0) return;
    {
        const QSignalBlocker quiet(m_listImages);
        delete m_listImages->takeItem(selected);
    }
    const int count = m_listImages->count();
    if (selected < count) {
        SetCurSel(*m_listImages, selected);  // the line that moved into its place
    } else if (count > 0) {
        SetCurSel(*m_listImages, selected - 1);  // the deleted line was the last
    } else {
        EnableDlgItem(kIdOk, false);
        EnableDlgItem(kIdcDeleteImage, false);
    }
    NewSelection();
}

void CSprMakeDlg::OnMoveUp() {
    const int selected = GetCurSel(*m_listImages);
    if (selected <= 0) return;
    MoveLine(*m_listImages, selected, selected - 1);
    UpdateData();
}

void CSprMakeDlg::OnMoveDown() {
    const int selected = GetCurSel(*m_listImages);
    if (selected < 0 || selected >= m_listImages->count() - 1) return;
    MoveLine(*m_listImages, selected, selected + 1);
    UpdateData();
}

void CSprMakeDlg::OnSelchangeImageList() { NewSelection(); }

void CSprMakeDlg::NewSelection() {
    m_bPreviewSpoke = false;
    m_preview->update();
}

void CSprMakeDlg::UpdateData() { SetDlgItemText(kIdcMakerInfo, m_strInfo); }

void CSprMakeDlg::OnOK() {
    const std::vector<BuildSource> sources = Entries();
    if (sources.empty()) return;  // Make is disabled then
    const Result<SourceKind> kind = CheckSourceKinds(sources);
    if (!kind) {
        ThePrompts().Show(kind.Refused());
        return;
    }
    // Pictures with other colour tables than the first's come out in wrong colours: asked once.
    if (*kind == SourceKind::Bmp) {
        const std::vector<std::string> others = SourcesWithOtherPalettes(sources);
        if (!others.empty() && !ThePrompts().AskYesNo(OtherPalettesQuestion(others))) return;
    }
    const std::optional<std::string> output = ThePrompts().SaveFile(kSprFileFilter, InitialSaveName(sources.front()));
    if (!output) return;
    m_strBuildOutput = *output;
    const Outcome built = BuildSprite(sources, *output);
    m_strBuildOutput.clear();
    ThePrompts().Show(built);
    if (built.done) EndDialog(Accepted);
}

std::string CSprMakeDlg::ActionFile() const {
    if (!m_strBuildOutput.empty()) return m_strBuildOutput;
    const int selected = GetCurSel(*m_listImages);
    return selected < 0 ? std::string() : EntryAt(selected).path;
}

bool CSprMakeDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_preview && event->type() == QEvent::Paint) {
        OnPaint();
        return true;
    }
    if (watched == m_listImages->viewport()) {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop: return OnDrag(event);
            default: break;
        }
    }
    return TemplateDialog::eventFilter(watched, event);
}

std::vector<std::string> CSprMakeDlg::DroppedSources(const QMimeData& data) {
    std::vector<std::string> sources;
    if (!data.hasUrls()) return sources;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        const std::string source = ToStdString(QDir::toNativeSeparators(path));
        if (!IsSourceFileName(source) || !QFileInfo(path).isFile()) continue;
        sources.push_back(source);
    }
    return sources;
}

bool CSprMakeDlg::OnDrag(QEvent* event) {
    auto* drop = static_cast<QDropEvent*>(event);  // a drag-enter and a drag-move are drop events too
    const QMimeData* mime = drop->mimeData();
    const std::vector<std::string> sources = mime != nullptr ? DroppedSources(*mime) : std::vector<std::string>{};
    if (sources.empty()) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() == QEvent::Drop) Guard([&] { AddSources(sources); });
    return true;
}

template <class Show>
void CSprMakeDlg::ShowOnceForSelection(Show show) {
    if (m_bPreviewSpoke) return;
    m_bPreviewSpoke = true;
    // Not from inside the paint: the message box would paint over it.
    QTimer::singleShot(0, this, std::move(show));
}

void CSprMakeDlg::OnPaint() {
    const int selected = GetCurSel(*m_listImages);
    if (selected < 0) return;
    const BuildSource source = EntryAt(selected);
    const std::string& path = source.path;
    std::optional<Result<DrawnPicture>> preview;
    try {
        preview = DecodePreview(source);
    } catch (const FileError& error) {
        // A listed file that has gone or cannot be read: told once, as any file error.
        ShowOnceForSelection([this, error] { ThePrompts().ReportFileError(error); });
        return;
    } catch (...) {
        // Whatever else stops the preview is told once too; a paint never ends the program.
        preview = Refusal{RefusalKind::Rule,
                          DescribeUnexpectedFailure(kPreviewOperationText, path, ReasonOfCurrentFailure())};
    }
    if (!*preview) {
        ShowOnceForSelection(
            [this, text = std::move(preview->Refused().text)] { ThePrompts().ShowMessage(text, MessageIcon::None); });
        return;
    }
    QPainter painter(m_preview);
    DrawCentred(painter, *m_preview, **preview);
}

}  // namespace zandrel
