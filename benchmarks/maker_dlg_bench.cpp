// The maker's list and preview, offscreen: adding 999 sources through Add and painting
// the first one's preview, as the user sees it after choosing the files and clicking
// the first line. vs_frame is the time over one frame of a 60 Hz screen (the aim: below
// 1); vs_plain is the time over a baseline that fills a bare list with the same lines
// and draws an already decoded picture of the same size.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <chrono>
#include <memory>

#include "benchmarks/bench_qt.h"
#include "benchmarks/bench_sprites.h"
#include "benchmarks/maker_sources.h"
#include "maker/spr_make_dlg.h"
#include "res/resource_ids.h"
#include "tests/support/scripted_prompts.h"

namespace zandrel::bench {
namespace {

constexpr std::size_t kSources = 999;
constexpr std::uint16_t kWidth = 120;
constexpr std::uint16_t kHeight = 150;
constexpr double kFrameSeconds = 1.0 / 60;

// A widget that draws a decoded picture in its middle, as the preview does.
class PlainPreview final : public QWidget {
public:
    QImage picture;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(width() / 2 - picture.width() / 2, height() / 2 - picture.height() / 2, picture);
    }
};

double PlainSeconds(const std::vector<std::string>& paths) {
    QWidget window;
    window.resize(600, 450);
    auto* list = new QListWidget(&window);
    list->setGeometry(30, 90, 190, 270);
    auto* preview = new PlainPreview;
    preview->setParent(&window);
    preview->setGeometry(300, 80, 270, 270);
    preview->picture = QImage(kWidth, kHeight, QImage::Format_RGB32);
    preview->picture.fill(Qt::green);
    window.show();
    Settle();
    const Clock::time_point start = Clock::now();
    for (const std::string& path : paths) list->addItem(QString::fromStdString(path));
    list->setCurrentRow(0);
    preview->repaint();
    return Seconds(start, Clock::now());
}

void BM_MakerAddAndFirstPreview(benchmark::State& state) {
    EnsureApplication();
    ScratchFolder scratch;
    const MakerSources sources = WriteMakerSources(scratch, kSources, kWidth, kHeight);
    double makerSeconds = 0;
    double plainSeconds = 0;
    double addSeconds = 0;
    for (auto _ : state) {
        ScriptedPrompts prompts;
        auto maker = std::make_unique<CSprMakeDlg>(prompts);
        maker->InitDialog();
        maker->show();
        Settle();
        prompts.AnswerFiles(sources.paths);
        auto* list = maker->findChild<QListWidget*>(QString::number(kIdcImageList));
        QWidget* preview = maker->findChild<QWidget*>(QString::number(kIdcImagePreview));

        const Clock::time_point start = Clock::now();
        maker->findChild<QPushButton*>(QString::number(kIdcAddImages))->click();
        const Clock::time_point added = Clock::now();
        list->setCurrentRow(0);  // the user's click on the first line
        preview->repaint();
        const double seconds = Seconds(start, Clock::now());
        addSeconds += Seconds(start, added);
        state.SetIterationTime(seconds);
        makerSeconds += seconds;
        if (list->count() != static_cast<int>(kSources) || !prompts.Messages().empty()) {
            state.SkipWithError("the maker did not list and preview the sources");
            return;
        }
        maker.reset();
        plainSeconds += PlainSeconds(sources.paths);
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["sources"] = static_cast<double>(kSources);
    state.counters["add_ms"] = addSeconds * 1000 / iterations;
    state.counters["plain_ms"] = plainSeconds * 1000 / iterations;
    state.counters["vs_frame"] = makerSeconds / iterations / kFrameSeconds;
    state.counters["vs_plain"] = plainSeconds > 0 ? makerSeconds / plainSeconds : 0;
}

BENCHMARK(BM_MakerAddAndFirstPreview)->UseManualTime()->MinTime(MinSeconds(2.0))->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zandrel::bench
