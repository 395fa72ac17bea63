// Time until the window program (Qt backend, offscreen, its real panels) shows
// a decoded chain list of 100,000 nets: open through the answered file dialog,
// decode, and process events until the text box holds every line.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "shell.h"
#include "uirt_auto.h"

namespace {

constexpr int kNets = 100000;

// A net list of kNets nets of four nodes in the given form (0 ACCEL, 1 ORCAD, 2 PCAD 4.5).
std::string MakeNetList(int form) {
    std::string s;
    if (form == 0) s = "ACCEL_ASCII \"bench\"\n(netlist \"N\"\n";
    if (form == 1) s = "PARTS\nNETS\n";
    if (form == 2) s = "%NET\n";
    char line[256];
    for (int k = 1; k <= kNets; ++k) {
        if (form == 0)
            std::snprintf(line, sizeof line,
                          "  (net \"NET%d\"\n    (node \"U%d\" \"1\")\n    (node \"R%d\" \"2\")\n"
                          "    (node \"C%d\" \"1\")\n    (node \"D%d\" \"3\")\n  )\n",
                          k, k, k, k, k);
        else if (form == 1)
            std::snprintf(line, sizeof line, "NET%-7d= U%d/1 R%d/2 C%d/1 D%d/3 ;\n", k, k, k, k, k);
        else
            std::snprintf(line, sizeof line, "  NET%-13d%-20s%s\n%18s%-20s%s\n", k, ("U" + std::to_string(k) + "-1").c_str(),
                          ("R" + std::to_string(k) + "-2").c_str(), "", ("C" + std::to_string(k) + "-1").c_str(),
                          ("D" + std::to_string(k) + "-3").c_str());
        s += line;
    }
    if (form == 0) s += ")\n";
    if (form == 2) s += "%END\n";
    return s;
}

void ShowChainList(benchmark::State& state) {
    const int form = static_cast<int>(state.range(0));
    const std::string path = "/tmp/tarvik_window_bench_" + std::to_string(form) + ".net";
    std::ofstream(path, std::ios::binary) << MakeNetList(form);
    for (auto _ : state) {
        AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, path.c_str());
        AutoClick(tarvik::S.MainPanel, 3);
        int lines = 0;
        while (GetNumTextBoxLines(tarvik::S.MainPanel, tarvik::kChainBox, &lines) == 0 && lines < kNets)
            ProcessSystemEvents();
        ProcessSystemEvents();
        if (lines != kNets) state.SkipWithError("the text box does not hold every line");
    }
    std::remove(path.c_str());
    state.SetLabel(form == 0 ? "ACCEL ASCII" : form == 1 ? "ORCAD" : "PCAD 4.5");
}
BENCHMARK(ShowChainList)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!InitUIRuntime(argc, argv, UIRT_BACKEND_QT) || tarvik::LoadPanels(tarvik::FindResourceFile().c_str()) < 0) {
        std::fprintf(stderr, "cannot start the Qt run-time or load Tarvik.uir\n");
        return 1;
    }
    DisplayPanel(tarvik::S.MainPanel);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
