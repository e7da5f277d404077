// The viewer's preview, offscreen, on a 999-frame true-colour sprite of 256 x 256.
//
// BM_ViewerStep: a step to the next frame with ">>" and its paint, at 16x zoom with the
// checkerboard and, in the same run, unscaled; zoom_ms is the zoomed step (the aim:
// below 4), vs_unscaled its ratio to the unscaled step.
// BM_ViewerPlayback: one playback tick at 60 per second and the event loop's turn that
// paints it, through every frame; vs_tick is the time over one tick's 1/60 s (the aim:
// below 1). rss_growth is what the process's resident memory grew by over the loops
// after the first (flat: a few pages at most); first_peak and later_peak are the most
// heap that blocks taken in a loop held at once, the first loop's warming the
// toolkit's caches, beside frame_bytes, one drawn frame.
// BM_ViewerCanvas: the same step at 16x with the checkerboard, the onion skin of both
// neighbours and the pixel inspector on (the mouse over the preview); step_ms and
// vs_frame, its share of one 60 Hz frame (the aim: below 1). A pan step, one drag
// move of the mouse and its paint: pan_ms and vs_pan_budget, over 4 ms (below 1).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

#include "benchmarks/alloc_counter.h"
#include "benchmarks/bench_qt.h"
#include "benchmarks/bench_sprites.h"
#include "os/file.h"
#include "res/resource_ids.h"
#include "tests/support/hand_ticks.h"
#include "tests/support/scripted_prompts.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::bench {
namespace {

constexpr std::size_t kFrames = 999;
constexpr std::uint16_t kSide = 256;
constexpr double kStepBudgetSeconds = 0.004;
constexpr double kTickSeconds = 1.0 / 60;

// The pages of memory the process has in use now, in bytes; 0 where the system does
// not tell.
double ResidentBytes() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// The sprite, written once for every benchmark of the run, and removed at exit.
const std::string& SpritePath() {
    static const ScratchFolder scratch;
    static const std::string path = [] {
        const std::string made = scratch.Make("big.spr");
        WriteWholeFile(made, MakeTrueColourSprite(kFrames, kSide, kSide));
        return made;
    }();
    return path;
}

struct OpenViewer {
    ScriptedPrompts prompts;
    std::unique_ptr<CSprViewDlg> viewer;
    test::HandTicks* ticks = nullptr;
    QWidget* preview = nullptr;
    QPushButton* next = nullptr;

    OpenViewer() {
        EnsureApplication();
        viewer = std::make_unique<CSprViewDlg>(prompts, SpritePath());
        auto owned = std::make_unique<test::HandTicks>();
        ticks = owned.get();
        viewer->SetTickSource(std::move(owned));
        viewer->InitDialog();
        viewer->show();
        Settle();
        preview = viewer->GetDlgItem(kIdcPreview);
        next = viewer->findChild<QPushButton*>(QString::number(kIdcNextFrame));
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(viewer.get(), &press);
    }
    // The step and its paint.
    double Step() {
        const Clock::time_point start = Clock::now();
        next->click();
        preview->repaint();
        return Seconds(start, Clock::now());
    }
};

void BM_ViewerStep(benchmark::State& state) {
    // One viewer for both, since the file is held without sharing; the view changes
    // between the timed steps.
    OpenViewer open;
    const auto zoomIn = [&] {
        for (int i = 0; i < 15; ++i) open.Key(Qt::Key_Equal, Qt::ControlModifier);
        open.Key(Qt::Key_T);
    };
    const auto zoomOut = [&] {
        open.Key(Qt::Key_0, Qt::ControlModifier);
        open.Key(Qt::Key_T);
    };
    zoomIn();
    if (open.viewer->View().zoom != 16 || !open.viewer->View().checkerboard) {
        state.SkipWithError("the zoom keys were not taken");
        return;
    }
    zoomOut();
    double zoomSeconds = 0;
    double plainSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        zoomIn();
        state.ResumeTiming();
        const double seconds = open.Step();
        state.SetIterationTime(seconds);
        zoomSeconds += seconds;
        state.PauseTiming();
        zoomOut();
        plainSeconds += open.Step();
        state.ResumeTiming();
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["zoom_ms"] = zoomSeconds * 1000 / iterations;
    state.counters["plain_ms"] = plainSeconds * 1000 / iterations;
    state.counters["vs_budget"] = zoomSeconds / iterations / kStepBudgetSeconds;
    state.counters["vs_unscaled"] = plainSeconds > 0 ? zoomSeconds / plainSeconds : 0;
    if (!open.prompts.Messages().empty()) state.SkipWithError("the viewer reported a problem");
}

void BM_ViewerPlayback(benchmark::State& state) {
    OpenViewer open;
    open.Key(Qt::Key_BracketRight);
    open.Key(Qt::Key_BracketRight);
    open.Key(Qt::Key_BracketRight);
    open.Key(Qt::Key_Space);
    if (!open.viewer->IsPlaying() || open.ticks->rate != 60) {
        state.SkipWithError(("playback did not start at 60 per second: " + std::to_string(open.viewer->IsPlaying()) +
                             " " + std::to_string(open.ticks->rate) + " " + std::to_string(open.viewer->View().rate) +
                             " " + std::to_string(open.viewer->CurrentFrame()) + " " +
                             std::to_string(open.prompts.Messages().size()))
                                .c_str());
        return;
    }
    double seconds = 0;
    std::size_t firstPeak = 0;
    std::size_t laterPeak = 0;
    std::size_t ticks = 0;
    double residentAfterFirst = 0;
    for (auto _ : state) {
        AllocCounter counter;
        const Clock::time_point start = Clock::now();
        for (std::size_t i = 0; i < kFrames; ++i) {
            // The tick, then the event loop's turn that paints it.
            open.ticks->Tick();
            QCoreApplication::processEvents();
        }
        const double loop = Seconds(start, Clock::now());
        const std::size_t peak = counter.Stop().peak;
        (ticks == 0 ? firstPeak : laterPeak) = std::max(ticks == 0 ? firstPeak : laterPeak, peak);
        state.SetIterationTime(loop);
        seconds += loop;
        if (ticks == 0) residentAfterFirst = ResidentBytes();
        ticks += kFrames;
    }
    state.counters["tick_ms"] = seconds * 1000 / static_cast<double>(ticks);
    state.counters["vs_tick"] = seconds / static_cast<double>(ticks) / kTickSeconds;
    state.counters["first_peak"] = static_cast<double>(firstPeak);
    state.counters["later_peak"] = static_cast<double>(laterPeak);
    state.counters["rss_growth"] = ResidentBytes() - residentAfterFirst;
    state.counters["frame_bytes"] = static_cast<double>(std::size_t{kSide} * kSide * 4);
    if (open.viewer->CurrentFrame() != 0 || !open.prompts.Messages().empty()) {
        state.SkipWithError("playback did not loop through the sprite");
    }
}

void SendMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

void BM_ViewerCanvas(benchmark::State& state) {
    OpenViewer open;
    for (int i = 0; i < 15; ++i) open.Key(Qt::Key_Equal, Qt::ControlModifier);
    open.Key(Qt::Key_T);
    open.Key(Qt::Key_O, Qt::ShiftModifier);
    const ViewOptions& view = open.viewer->View();
    if (view.zoom != 16 || !view.checkerboard || !view.onionSkin || !view.onionNext) {
        state.SkipWithError("the canvas keys were not taken");
        return;
    }
    QWidget& preview = *open.preview;
    const QPoint middle(preview.width() / 2, preview.height() / 2);
    SendMouse(preview, QEvent::MouseMove, middle, Qt::NoButton, Qt::NoButton);
    if (open.viewer->StatusText().find("透明度") == std::string::npos) {
        state.SkipWithError("the inspector did not tell the pixel");
        return;
    }
    double stepSeconds = 0;
    double panSeconds = 0;
    int direction = 1;
    for (auto _ : state) {
        const double step = open.Step();
        state.SetIterationTime(step);
        stepSeconds += step;
        state.PauseTiming();
        // A drag of 16 pixels there and back, one move at a time.
        SendMouse(preview, QEvent::MouseButtonPress, middle, Qt::LeftButton, Qt::LeftButton);
        const Clock::time_point start = Clock::now();
        SendMouse(preview, QEvent::MouseMove, middle + QPoint(16 * direction, 0), Qt::NoButton, Qt::LeftButton);
        preview.repaint();
        panSeconds += Seconds(start, Clock::now());
        SendMouse(preview, QEvent::MouseButtonRelease, middle + QPoint(16 * direction, 0), Qt::LeftButton,
                  Qt::NoButton);
        direction = -direction;
        state.ResumeTiming();
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["step_ms"] = stepSeconds * 1000 / iterations;
    state.counters["vs_frame"] = stepSeconds / iterations / kTickSeconds;
    state.counters["pan_ms"] = panSeconds * 1000 / iterations;
    state.counters["vs_pan_budget"] = panSeconds / iterations / kStepBudgetSeconds;
    if (open.viewer->Pan().x() == 0 && open.viewer->Pan().y() == 0 && direction == -1) {
        state.SkipWithError("the drag did not pan");
    }
    if (!open.prompts.Messages().empty()) state.SkipWithError("the viewer reported a problem");
}

BENCHMARK(BM_ViewerStep)->UseManualTime()->MinTime(MinSeconds(1.0))->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewerCanvas)->UseManualTime()->MinTime(MinSeconds(1.0))->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewerPlayback)->UseManualTime()->Iterations(Rounds(4))->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zandrel::bench
