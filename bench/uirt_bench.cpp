// Speed of the run-time's hot paths on the headless backend: an empty
// ProcessSystemEvents, appending text-box lines as the net-list decoders do,
// and text-mode reads of the net-list reader's 4 MiB window.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "uirt.h"

namespace {

struct Headless {
    Headless() { InitUIRuntime(0, nullptr, UIRT_BACKEND_HEADLESS); }
};

void ensureRuntime() { static Headless once; }

void BM_ProcessSystemEventsEmpty(benchmark::State& state) {
    ensureRuntime();
    for (auto _ : state) benchmark::DoNotOptimize(ProcessSystemEvents());
}
BENCHMARK(BM_ProcessSystemEventsEmpty);

// One chain line per net: append, update the progress bar, yield to events.
void BM_AppendLinesWithProgress(benchmark::State& state) {
    ensureRuntime();
    const int lines = static_cast<int>(state.range(0));
    int panel = NewPanel(0, "bench", 0, 0, 400, 600);
    int box = NewCtrl(panel, CTRL_TEXT_BOX, "", 0, 0);
    int progress = NewCtrl(panel, CTRL_PROGRESS_BAR, "", 0, 0);
    std::string row(100, 'x');
    for (auto _ : state) {
        ResetTextBox(panel, box, "");
        for (int i = 0; i < lines; ++i) {
            InsertTextBoxLine(panel, box, -1, row.c_str());
            SetCtrlVal(panel, progress, i * 100 / lines);
            ProcessSystemEvents();
        }
    }
    state.SetItemsProcessed(state.iterations() * lines);
    state.SetBytesProcessed(state.iterations() * lines * 101);
    DiscardPanel(panel);
}
BENCHMARK(BM_AppendLinesWithProgress)->Arg(100000)->Unit(benchmark::kMillisecond);

// Block-indent style editing in a large box: Home, a space, Down per line.
void BM_IndentKeysInLargeTextBox(benchmark::State& state) {
    ensureRuntime();
    int panel = NewPanel(0, "bench", 0, 0, 400, 600);
    int box = NewCtrl(panel, CTRL_TEXT_BOX, "", 0, 0);
    DisplayPanel(panel);
    SetActiveCtrl(panel, box);
    std::string text;
    for (int i = 0; i < static_cast<int>(state.range(0)); ++i) text += "    chain line with some nodes U1 1 U2 2\n";
    ResetTextBox(panel, box, text.c_str());
    for (auto _ : state) {
        FakeKeystroke(VAL_HOME_VKEY);
        FakeKeystroke(' ');
        FakeKeystroke(VAL_DOWN_ARROW_VKEY);
        ProcessSystemEvents();
    }
    state.SetItemsProcessed(state.iterations() * 3);
    DiscardPanel(panel);
}
BENCHMARK(BM_IndentKeysInLargeTextBox)->Arg(100000);

// Reads a 16 MiB file of CR LF lines in 4 MiB requests.
void readFile(benchmark::State& state, int fileType) {
    char path[] = "/tmp/uirt-bench-XXXXXX";
    int fd = mkstemp(path);
    std::string line(78, 'n');
    line += "\r\n";
    std::string chunk;
    while (chunk.size() < (1u << 20)) chunk += line;
    for (int i = 0; i < 16; ++i) (void)!write(fd, chunk.data(), chunk.size());
    close(fd);
    std::string buffer(4194304, '\0');
    long total = 0;
    for (auto _ : state) {
        int h = CVI_OpenFile(path, VAL_READ_ONLY, VAL_OPEN_AS_IS, fileType);
        int n;
        while ((n = CVI_ReadFile(h, buffer.data(), static_cast<int>(buffer.size()))) > 0) total += n;
        CVI_CloseFile(h);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 16 * static_cast<int64_t>(chunk.size()));
    benchmark::DoNotOptimize(total);
    std::remove(path);
}

void BM_ReadTextMode4MiB(benchmark::State& state) { readFile(state, VAL_ASCII); }
BENCHMARK(BM_ReadTextMode4MiB)->Unit(benchmark::kMillisecond);

void BM_ReadBinary4MiB(benchmark::State& state) { readFile(state, VAL_BINARY); }
BENCHMARK(BM_ReadBinary4MiB)->Unit(benchmark::kMillisecond);

// Backward relative seeks of a few bytes, as the reader's pushback does.
void BM_RelativeSeekBack(benchmark::State& state) {
    char path[] = "/tmp/uirt-bench-XXXXXX";
    int fd = mkstemp(path);
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "NODE U1 1\r\n";
    (void)!write(fd, text.data(), text.size());
    close(fd);
    int h = CVI_OpenFile(path, VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    char buf[64];
    for (auto _ : state) {
        SetFilePtr(h, 5000, 0);
        CVI_ReadFile(h, buf, 20);
        benchmark::DoNotOptimize(SetFilePtr(h, -12, 1));
    }
    CVI_CloseFile(h);
    std::remove(path);
}
BENCHMARK(BM_RelativeSeekBack);

}  // namespace

BENCHMARK_MAIN();
