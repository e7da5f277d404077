#pragma once

// The batch export on the desktop: a folder dropped on the launcher, the output folder
// chosen through the program's folder dialog, the format, and the sprites exported with
// a progress bar that Cancel stops. At the end the summary, the sprites that failed,
// and a button that opens the output folder in the file manager.

#include <QDialog>
#include <QMimeData>
#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "ui/prompts.h"
#include "viewer/batch_export.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace zandrel {

inline constexpr const char* kBatchTitle = "批量输出";
inline constexpr const char* kBatchSummaryFormat = "完成：%zu个SPR文件，%zu帧，%zu个文件，%zu个失败，用时%.1f秒。";
inline constexpr const char* kBatchCancelledFormat = "已取消：输出了%zu个SPR文件中的%zu个，已写的文件都是完整的。";
inline constexpr const char* kBatchCountFormat = "%zu/%zu个SPR文件";
inline constexpr const char* kBatchNoSpritesFormat = "%s里没有SPR文件!";

// The one local folder a drop carries, or nothing.
std::optional<std::string> DroppedFolderPath(const QMimeData& mime);

class CBatchDlg final : public QDialog {
public:
    CBatchDlg(Prompts& prompts, std::string folder, QWidget* parent = nullptr);
    ~CBatchDlg() override;

    // What the tests drive.
    void SetOutputFolder(const std::string& folder);
    void SetFormat(BatchFormat format);
    void Start();
    bool IsRunning() const { return m_worker.joinable() && !m_bFinished; }
    // Waits for the export to end (for the tests; the dialog itself never blocks).
    void WaitForEnd();
    QString Summary() const;

protected:
    void reject() override;

private:
    void OnBrowse();
    void OnOpenOutput();
    void OnSpriteDone(std::size_t done, std::size_t total, const QString& failure);
    void OnFinished(const BatchTotals& totals, double seconds);
    BatchFormat Format() const;

    Prompts& m_prompts;
    std::string m_strFolder;
    QLineEdit* m_output = nullptr;
    QComboBox* m_format = nullptr;
    QCheckBox* m_recursive = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_summary = nullptr;
    QPlainTextEdit* m_failures = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_close = nullptr;

    BatchJob m_job;
    BatchCount m_found;
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    bool m_bFinished = false;
};

}  // namespace zandrel
