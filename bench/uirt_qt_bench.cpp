// Speed of the Qt backend on the net-list program's pattern: one appended
// line, one progress update and one ProcessSystemEvents per net.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "uirt.h"

namespace {

bool startQt() {
    static const bool started = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return InitUIRuntime(0, nullptr, UIRT_BACKEND_QT) == 1;
    }();
    return started;
}

struct Window {
    int panel = 0, box = 0, progressPanel = 0, bar = 0;
    Window() {
        panel = NewPanel(0, "List", 40, 40, 520, 760);
        box = NewCtrl(panel, CTRL_TEXT_BOX, "", 10, 10);
        SetCtrlAttribute(panel, box, ATTR_HEIGHT, 500);
        SetCtrlAttribute(panel, box, ATTR_WIDTH, 740);
        progressPanel = NewPanel(0, "Progress", 100, 100, 80, 300);
        bar = NewCtrl(progressPanel, CTRL_PROGRESS_BAR, "", 30, 10);
        DisplayPanel(panel);
        DisplayPanel(progressPanel);
    }
    ~Window() {
        DiscardPanel(progressPanel);
        DiscardPanel(panel);
        ProcessSystemEvents();
    }
};

// Decoding a list of state.range(0) nets into a shown window, as the program does.
void BM_AppendNetsWithProgress(benchmark::State& state) {
    if (!startQt()) {
        state.SkipWithError("no Qt");
        return;
    }
    const int nets = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Window w;
        std::string line;
        for (int i = 0; i < nets; ++i) {
            line = std::to_string(i + 1) + " NET_" + std::to_string(i) + " U1.1 U2.14 R" + std::to_string(i % 97) + ".2";
            InsertTextBoxLine(w.panel, w.box, -1, line.c_str());
            SetCtrlVal(w.progressPanel, w.bar, static_cast<int>(100.0 * i / nets));
            ProcessSystemEvents();
        }
        HidePanel(w.progressPanel);
        int count = 0;
        GetNumTextBoxLines(w.panel, w.box, &count);
        ProcessSystemEvents();
        if (count != nets) state.SkipWithError("lines lost");
    }
    state.SetItemsProcessed(state.iterations() * nets);
}
BENCHMARK(BM_AppendNetsWithProgress)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// ProcessSystemEvents with nothing pending.
void BM_ProcessSystemEventsIdle(benchmark::State& state) {
    if (!startQt()) {
        state.SkipWithError("no Qt");
        return;
    }
    Window w;
    for (auto _ : state) ProcessSystemEvents();
}
BENCHMARK(BM_ProcessSystemEventsIdle);

// Reading every line back, as the save command does.
void BM_ReadAllLines(benchmark::State& state) {
    if (!startQt()) {
        state.SkipWithError("no Qt");
        return;
    }
    Window w;
    for (int i = 0; i < 100000; ++i) InsertTextBoxLine(w.panel, w.box, -1, "12 NET_12 U1.1 U2.14 R5.2");
    char buffer[256];
    for (auto _ : state) {
        int count = 0;
        GetNumTextBoxLines(w.panel, w.box, &count);
        for (int i = 0; i < count; ++i) GetTextBoxLine(w.panel, w.box, i, buffer);
    }
}
BENCHMARK(BM_ReadAllLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
