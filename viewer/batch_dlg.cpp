#include "viewer/batch_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <array>
#include <chrono>
#include <initializer_list>

#include "os/outcome.h"
#include "ui/drops.h"
#include "ui/qt_text.h"
#include "viewer/frame_export.h"

namespace zandrel {
namespace {

constexpr const char* kFolderLabel = "SPR文件夹:";
constexpr const char* kOutputLabel = "输出文件夹(&D):";
constexpr const char* kBrowseText = "浏览(&B)...";
constexpr const char* kFormatLabel = "格式(&F):";
constexpr const char* kRecursiveText = "包括子文件夹(&R)";
constexpr const char* kStartText = "开始(&S)";
constexpr const char* kCancelText = "取消";
constexpr const char* kCloseText = "关闭";
constexpr const char* kOpenOutputText = "打开输出文件夹(&O)";
constexpr std::array kFormatNames{"原格式(BMP/TGA)", "PNG图", "GIF动画"};

}  // namespace

std::optional<std::string> DroppedFolderPath(const QMimeData& mime) {
    const std::optional<QString> path = DroppedLocalPath(mime);
    if (!path || !QFileInfo(*path).isDir()) return std::nullopt;
    return ToStdString(*path);
}

CBatchDlg::CBatchDlg(Prompts& prompts, std::string folder, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_strFolder(std::move(folder)) {
    setWindowTitle(ToQString(kBatchTitle));
    auto* form = new QFormLayout;
    auto* source = new QLabel(ToQString(m_strFolder));
    source->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(ToQString(kFolderLabel), source);

    m_output = new QLineEdit;
    m_browse = new QPushButton(ToQString(kBrowseText));
    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(m_output, 1);
    outputRow->addWidget(m_browse);
    auto* outputLabel = new QLabel(ToQString(kOutputLabel));
    outputLabel->setBuddy(m_output);
    form->addRow(outputLabel, outputRow);

    m_format = new QComboBox;
    for (const char* name : kFormatNames) m_format->addItem(ToQString(name));
    auto* formatLabel = new QLabel(ToQString(kFormatLabel));
    formatLabel->setBuddy(m_format);
    form->addRow(formatLabel, m_format);
    m_recursive = new QCheckBox(ToQString(kRecursiveText));
    m_recursive->setChecked(true);
    form->addRow(QString(), m_recursive);

    m_progress = new QProgressBar;
    m_progress->setTextVisible(false);
    m_count = new QLabel;
    m_summary = new QLabel;
    m_summary->setWordWrap(true);
    m_failures = new QPlainTextEdit;
    m_failures->setReadOnly(true);
    m_failures->setVisible(false);

    m_start = new QPushButton(ToQString(kStartText));
    m_start->setDefault(true);
    m_open = new QPushButton(ToQString(kOpenOutputText));
    m_open->setEnabled(false);
    m_close = new QPushButton(ToQString(kCancelText));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_open);
    buttons->addStretch(1);
    buttons->addWidget(m_start);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_count);
    layout->addLayout(progressRow);
    layout->addWidget(m_summary);
    layout->addWidget(m_failures, 1);
    layout->addLayout(buttons);
    resize(460, sizeHint().height());

    connect(m_browse, &QPushButton::clicked, this, [this] { OnBrowse(); });
    connect(m_start, &QPushButton::clicked, this, [this] { Start(); });
    connect(m_open, &QPushButton::clicked, this, [this] { OnOpenOutput(); });
    connect(m_close, &QPushButton::clicked, this, [this] { reject(); });
}

CBatchDlg::~CBatchDlg() {
    m_cancel.store(true);
    if (m_worker.joinable()) m_worker.join();
}

void CBatchDlg::SetOutputFolder(const std::string& folder) { m_output->setText(ToQString(folder)); }

void CBatchDlg::SetFormat(BatchFormat format) { m_format->setCurrentIndex(static_cast<int>(format)); }

BatchFormat CBatchDlg::Format() const { return static_cast<BatchFormat>(m_format->currentIndex()); }

void CBatchDlg::OnBrowse() {
    if (const std::optional<std::string> folder = m_prompts.ChooseOutputFolder()) SetOutputFolder(*folder);
}

void CBatchDlg::Start() {
    if (m_worker.joinable()) return;
    const std::string output = ToStdString(m_output->text());
    if (output.empty()) {
        m_prompts.ShowMessage(kNoOutputFolderText, MessageIcon::None);
        m_output->setFocus();
        return;
    }
    m_job = BatchJob{{m_strFolder}, output, m_recursive->isChecked(), Format()};
    m_found = CountBatch(m_job);
    if (m_found.sprites == 0) {
        m_prompts.ShowMessage(FormatText(kBatchNoSpritesFormat, m_strFolder.c_str()), MessageIcon::None);
        return;
    }
    for (QWidget* input : std::initializer_list<QWidget*>{m_output, m_browse, m_format, m_recursive, m_start}) {
        input->setEnabled(false);
    }
    m_progress->setRange(0, static_cast<int>(m_found.sprites));
    m_progress->setValue(0);
    m_count->setText(ToQString(FormatText(kBatchCountFormat, std::size_t{0}, m_found.sprites)));
    m_summary->clear();
    m_failures->clear();
    m_close->setFocus();

    // The export runs beside the dialog; what it tells comes back through the event loop.
    m_worker = std::thread([this] {
        const auto start = std::chrono::steady_clock::now();
        std::size_t done = 0;
        const BatchTotals totals = RunBatch(
            m_job, DefaultBatchThreads(),
            [&](const BatchSpriteDone& finished) {
                ++done;
                const QString failure = finished.outcome.done ? QString() : ToQString(finished.outcome.text);
                QMetaObject::invokeMethod(
                    this, [this, done, total = m_found.sprites, failure] { OnSpriteDone(done, total, failure); },
                    Qt::QueuedConnection);
            },
            m_cancel);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        QMetaObject::invokeMethod(
            this, [this, totals, seconds] { OnFinished(totals, seconds); }, Qt::QueuedConnection);
    });
}

void CBatchDlg::OnSpriteDone(std::size_t done, std::size_t total, const QString& failure) {
    m_progress->setValue(static_cast<int>(done));
    m_count->setText(ToQString(FormatText(kBatchCountFormat, done, total)));
    if (!failure.isEmpty()) {
        m_failures->setVisible(true);
        m_failures->appendPlainText(failure);
    }
}

void CBatchDlg::OnFinished(const BatchTotals& totals, double seconds) {
    if (m_worker.joinable()) m_worker.join();
    m_bFinished = true;
    m_summary->setText(ToQString(totals.cancelled ? FormatText(kBatchCancelledFormat, m_found.sprites, totals.sprites)
                                                  : FormatText(kBatchSummaryFormat, totals.sprites, totals.frames,
                                                               totals.files, totals.failures, seconds)));
    m_close->setText(ToQString(kCloseText));
    m_open->setEnabled(true);
    m_open->setFocus();
}

void CBatchDlg::OnOpenOutput() { QDesktopServices::openUrl(QUrl::fromLocalFile(m_output->text())); }

void CBatchDlg::reject() {
    // Cancel while it runs stops it: the sprites under way are finished first.
    if (m_worker.joinable() && !m_bFinished) {
        m_cancel.store(true);
        return;
    }
    QDialog::reject();
}

void CBatchDlg::WaitForEnd() {
    while (!m_bFinished && m_worker.joinable()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QString CBatchDlg::Summary() const { return m_summary->text(); }

}  // namespace zandrel
