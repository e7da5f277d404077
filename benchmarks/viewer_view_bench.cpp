// The viewer's preview, offscreen, on a 999-frame true-colour sprite of 256 x 256.
//
// BM_ViewerStep: a step to the next frame with ">>" and its paint, at 16x zoom with the
// checkerboard and, in the same run, unscaled; zoom_ms is the zoomed step (the aim:
// below 4), vs_unscaled its ratio to the unscaled step.
// BM_ViewerPlayback: one playback tick at 60 per second and its paint, through every
// frame; vs_tick is the time over one tick's 1/60 s (the aim: below 1). peak_bytes is
// the most heap held at once over a whole loop of the sprite, frame_bytes what one
// drawn frame takes: flat memory keeps the first a small multiple of the second.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <chrono>
#include <functional>
#include <memory>

#include "benchmarks/alloc_counter.h"
#include "benchmarks/bench_sprites.h"
#include "platform/file.h"
#include "platform/scripted_prompts.h"
#include "res/resource_ids.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::bench {
namespace {

constexpr std::size_t kFrames = 999;
constexpr std::uint16_t kSide = 256;
constexpr double kStepBudgetSeconds = 0.004;
constexpr double kTickSeconds = 1.0 / 60;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

void EnsureApplication() {
    if (QApplication::instance() != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zandrel-bench";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
}

void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

class HandTicks final : public TickSource {
public:
    void Start(int perSecond, std::function<void()> onTick) override {
        rate = perSecond;
        m_onTick = std::move(onTick);
    }
    void Stop() override { m_onTick = nullptr; }
    void Tick() {
        if (m_onTick) m_onTick();
    }
    int rate = 0;

private:
    std::function<void()> m_onTick;
};

// The sprite, written once for every benchmark of the run.
const std::string& SpritePath() {
    static ScratchFolder* scratch = new ScratchFolder;
    static const std::string path = [] {
        const std::string made = scratch->Make("big.spr");
        WriteWholeFile(made, MakeTrueColourSprite(kFrames, kSide, kSide));
        return made;
    }();
    return path;
}

struct OpenViewer {
    ScriptedPrompts prompts;
    std::unique_ptr<CSprViewDlg> viewer;
    HandTicks* ticks = nullptr;
    QWidget* preview = nullptr;
    QPushButton* next = nullptr;

    OpenViewer() {
        EnsureApplication();
        viewer = std::make_unique<CSprViewDlg>(prompts, SpritePath());
        auto owned = std::make_unique<HandTicks>();
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
    double Step() {
        const Clock::time_point start = Clock::now();
        next->click();
        preview->repaint();
        return Seconds(start, Clock::now());
    }
};

void BM_ViewerStep(benchmark::State& state) {
    OpenViewer zoomed;
    for (int i = 0; i < 15; ++i) zoomed.Key(Qt::Key_Equal, Qt::ControlModifier);
    zoomed.Key(Qt::Key_T);
    OpenViewer plain;
    if (zoomed.viewer->View().zoom != 16 || !zoomed.viewer->View().checkerboard) {
        state.SkipWithError("the zoom keys were not taken");
        return;
    }
    double zoomSeconds = 0;
    double plainSeconds = 0;
    for (auto _ : state) {
        const double seconds = zoomed.Step();
        state.SetIterationTime(seconds);
        zoomSeconds += seconds;
        plainSeconds += plain.Step();
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["zoom_ms"] = zoomSeconds * 1000 / iterations;
    state.counters["plain_ms"] = plainSeconds * 1000 / iterations;
    state.counters["vs_budget"] = zoomSeconds / iterations / kStepBudgetSeconds;
    state.counters["vs_unscaled"] = plainSeconds > 0 ? zoomSeconds / plainSeconds : 0;
    if (!zoomed.prompts.Messages().empty()) state.SkipWithError("the viewer reported a problem");
}

void BM_ViewerPlayback(benchmark::State& state) {
    OpenViewer open;
    open.Key(Qt::Key_BracketRight);
    open.Key(Qt::Key_BracketRight);
    open.Key(Qt::Key_BracketRight);
    open.Key(Qt::Key_Space);
    if (!open.viewer->IsPlaying() || open.ticks->rate != 60) {
        state.SkipWithError("playback did not start at 60 per second");
        return;
    }
    double seconds = 0;
    std::size_t peak = 0;
    std::size_t ticks = 0;
    for (auto _ : state) {
        AllocCounter counter;
        const Clock::time_point start = Clock::now();
        for (std::size_t i = 0; i < kFrames; ++i) {
            open.ticks->Tick();
            open.preview->repaint();
        }
        const double loop = Seconds(start, Clock::now());
        peak = std::max(peak, counter.Stop().peak);
        state.SetIterationTime(loop);
        seconds += loop;
        ticks += kFrames;
    }
    state.counters["tick_ms"] = seconds * 1000 / static_cast<double>(ticks);
    state.counters["vs_tick"] = seconds / static_cast<double>(ticks) / kTickSeconds;
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["frame_bytes"] = static_cast<double>(std::size_t{kSide} * kSide * 4);
    if (open.viewer->CurrentFrame() != 0 || !open.prompts.Messages().empty()) {
        state.SkipWithError("playback did not loop through the sprite");
    }
}

BENCHMARK(BM_ViewerStep)->UseManualTime()->MinTime(1.0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewerPlayback)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zandrel::bench
