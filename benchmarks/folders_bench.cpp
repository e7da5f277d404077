// The folder chooser. Expanding a folder that holds 10,000 folders, half of them with a
// folder of their own, beside a baseline that lists the same folders with QDir: the
// parent, and each of the 10,000 (the tree must look into each to know whether it
// gets a placeholder). vs_qdir is the expansion's total time over the baseline's (the
// aim: at most 3); vs_parent_only compares with listing the parent alone. Then opening
// the output folder dialog at a current folder 12 levels deep: frames_60hz is its time
// over one frame at 60 Hz (the aim: below 1).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>
#include <string>

#include "benchmarks/bench_qt.h"
#include "benchmarks/bench_sprites.h"
#include "folders/folder_dlg.h"
#include "folders/folder_tree_ctrl.h"
#include "tests/support/scripted_prompts.h"

namespace zandrel::bench {
namespace {

constexpr int kWideFolders = 10000;
constexpr int kDeepLevels = 12;
constexpr double kFrameSeconds = 1.0 / 60;

QStringList ListFolders(const QString& path) {
    return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::NoSort);
}

void BM_ExpandWideFolder(benchmark::State& state) {
    EnsureApplication();
    ScratchFolder scratch;
    const std::string wide = scratch.Make("wide", true);
    for (int i = 0; i < kWideFolders; ++i) {
        const std::string folder = wide + "/folder" + std::to_string(i);
        std::filesystem::create_directory(folder);
        if (i % 2 == 0) std::filesystem::create_directory(folder + "/inner");
    }
    QTreeWidget tree;
    CFolderTreeCtrl ctrl;
    ctrl.SubclassDlgItem(&tree);
    ctrl.InitTree();
    tree.resize(300, 400);
    tree.show();
    // An item whose text is the whole path stands for the folder.
    QTreeWidgetItem* item = ctrl.InsertPathItem(nullptr, wide);
    const QString widePath = QString::fromStdString(wide);

    double expandSeconds = 0;
    double qdirSeconds = 0;
    double parentSeconds = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        item->setExpanded(true);            // reads the folder anew
        QCoreApplication::processEvents();  // the view lays out and paints its rows
        const double expand = Seconds(start, Clock::now());
        state.SetIterationTime(expand);
        expandSeconds += expand;
        item->setExpanded(false);

        start = Clock::now();
        const QStringList names = ListFolders(widePath);
        parentSeconds += Seconds(start, Clock::now());
        for (const QString& name : names) benchmark::DoNotOptimize(ListFolders(widePath + '/' + name).size());
        qdirSeconds += Seconds(start, Clock::now());
        if (item->childCount() != 1 || names.size() != kWideFolders) {
            state.SkipWithError("the folders are not all there");
        }
    }
    const auto perIterationMs = [&](double seconds) {
        return seconds * 1000 / static_cast<double>(state.iterations());
    };
    state.counters["folders"] = kWideFolders;
    state.counters["qdir_ms"] = perIterationMs(qdirSeconds);
    state.counters["vs_qdir"] = qdirSeconds > 0 ? expandSeconds / qdirSeconds : 0;
    state.counters["parent_ms"] = perIterationMs(parentSeconds);
    state.counters["vs_parent_only"] = parentSeconds > 0 ? expandSeconds / parentSeconds : 0;
}

void BM_OpenFolderDlgDeep(benchmark::State& state) {
    EnsureApplication();
    ScratchFolder scratch;
    std::string deep = scratch.Path();
    for (int level = 1; level <= kDeepLevels; ++level) deep += "/level" + std::to_string(level);
    std::filesystem::create_directories(deep);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(deep);

    ScriptedPrompts prompts;
    double seconds = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        {
            CFolderDlg dialog(prompts);
            dialog.InitDialog();
            dialog.show();
            QCoreApplication::processEvents();
            if (dialog.OutputDir() != deep) state.SkipWithError("the dialog did not open at the current folder");
        }
        const double one = Seconds(start, Clock::now());
        state.SetIterationTime(one);
        seconds += one;
    }
    std::filesystem::current_path(previous);
    state.counters["levels"] = kDeepLevels;
    state.counters["frames_60hz"] = seconds / static_cast<double>(state.iterations()) / kFrameSeconds;
}

BENCHMARK(BM_ExpandWideFolder)->UseManualTime()->MinTime(MinSeconds(2.0))->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFolderDlgDeep)->UseManualTime()->MinTime(MinSeconds(1.0))->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zandrel::bench
