// The window program (its real panels, on the Qt backend) with a large net
// list: time until a list of N nets is decoded and shown, the peak memory the
// open adds beside the chain list's size, then the time per step of scrolling
// (Page Down, jumps to the end and back) and of resizing the main window.
//
//   tarvik_large_list_bench [NETS]      (default 1,000,000 ORCAD nets)
//
// The platform is Qt's choice: QT_QPA_PLATFORM=offscreen, or an X display
// (e.g. under Xvfb with a window manager). Prints one "name value unit" line
// per figure.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "shell.h"
#include "uirt_auto.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// A kB figure of /proc/self/status ("VmRSS", "VmHWM").
long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size() + 1);
    return -1;
}

// Starts a new peak: the kernel forgets the high-water mark.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// An ORCAD net list of `nets` nets of 2 to 6 nodes; returns the chain list's size in bytes (lines + LF).
long long WriteNetList(const std::string& path, int nets) {
    std::ofstream out(path, std::ios::binary);
    out << "( ORCAD net list for the benchmark )\nNETS\n";
    unsigned seed = 1;
    long long chain = 0;
    std::string line, chainLine;
    for (int k = 1; k <= nets; ++k) {
        seed = seed * 1103515245u + 12345u;
        const int nodes = 2 + static_cast<int>((seed >> 16) % 5);
        std::string name = "NET_";
        name += std::to_string(k);
        line.assign(name).append(name.size() < 10 ? 10 - name.size() : 0, ' ').append("= ");
        chainLine.clear();
        chainLine.push_back('#');
        chainLine += std::to_string(k);
        chainLine.append(" \"").append(name).append("\" = ");
        for (int n = 0; n < nodes; ++n) {
            seed = seed * 1103515245u + 12345u;
            std::string ref = n % 2 ? "R" : "DD";
            ref += std::to_string(1 + (seed >> 8) % 400);
            const std::string pin = std::to_string(1 + (seed >> 20) % 64);
            line.append(ref).append("/").append(pin).append(" ");
            chainLine.append(ref).append(":").append(pin).append(n + 1 < nodes ? ", " : ";");
        }
        line += ";\n";
        out << line;
        chain += static_cast<long long>(chainLine.size()) + 1;
    }
    return chain;
}

struct Steps {
    double mean = 0, worst = 0;
};

template <class F>
Steps Time(int count, F step) {
    Steps s;
    for (int k = 0; k < count; ++k) {
        const auto t0 = Clock::now();
        step(k);
        const double t = Since(t0);
        s.mean += t / count;
        s.worst = std::max(s.worst, t);
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const int nets = argc > 1 ? std::atoi(argv[1]) : 1000000;
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!InitUIRuntime(argc, argv, UIRT_BACKEND_QT) || tarvik::LoadPanels(tarvik::FindResourceFile().c_str()) < 0) {
        std::fprintf(stderr, "cannot start the Qt run-time or load Tarvik.uir\n");
        return 1;
    }
    const int main = tarvik::S.MainPanel, box = tarvik::kChainBox;
    DisplayPanel(main);
    ProcessSystemEvents();

    const std::string path = "/tmp/tarvik_large_list_bench_" + std::to_string(getpid()) + ".net";
    const long long chainBytes = WriteNetList(path, nets);

    // Open: decode, then events until every line is in the box and shown.
    ProcessSystemEvents();
    const long rssBefore = StatusKb("VmRSS");
    ResetPeak();
    const auto t0 = Clock::now();
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, path.c_str());
    AutoClick(main, 3);
    int lines = 0;
    while (GetNumTextBoxLines(main, box, &lines) == 0 && lines < nets) ProcessSystemEvents();
    AutoTypeKey(main, box, VAL_MENUKEY_MODIFIER | VAL_HOME_VKEY);  // handled and painted
    const double shown = Since(t0);
    const long peakKb = StatusKb("VmHWM") - rssBefore;
    std::remove(path.c_str());
    if (lines != nets) {
        std::fprintf(stderr, "the text box holds %d lines, not %d\n", lines, nets);
        return 1;
    }
    std::printf("nets %d\n", nets);
    std::printf("chain_list %.1f MB\n", chainBytes / 1e6);
    std::printf("open_and_show %.3f s\n", shown);
    std::printf("peak_memory_added %.1f MB (%.2f x the chain list)\n", peakKb * 1024 / 1e6, peakKb * 1024.0 / chainBytes);

    const Steps page = Time(200, [&](int) { AutoTypeKey(main, box, VAL_PAGE_DOWN_VKEY); });
    std::printf("page_down mean %.2f ms worst %.2f ms\n", page.mean * 1e3, page.worst * 1e3);
    const Steps jump = Time(40, [&](int k) {
        AutoTypeKey(main, box, VAL_MENUKEY_MODIFIER | (k % 2 ? VAL_HOME_VKEY : VAL_END_VKEY));
    });
    std::printf("jump_home_end mean %.2f ms worst %.2f ms\n", jump.mean * 1e3, jump.worst * 1e3);
    const Steps scroll = Time(200, [&](int k) {
        SetCtrlAttribute(main, box, ATTR_FIRST_VISIBLE_LINE, static_cast<int>((k * 7919LL * 131) % nets));
        AutoTypeKey(main, box, VAL_SHIFT_MODIFIER | VAL_MENUKEY_MODIFIER);  // a lone modifier: events run, nothing moves
    });
    std::printf("scroll_to_line mean %.2f ms worst %.2f ms\n", scroll.mean * 1e3, scroll.worst * 1e3);
    int width = 0, height = 0;
    GetPanelAttribute(main, ATTR_WIDTH, &width);
    GetPanelAttribute(main, ATTR_HEIGHT, &height);
    const Steps resize = Time(60, [&](int k) {
        SetPanelAttribute(main, ATTR_WIDTH, width + (k % 10) * 40);
        SetPanelAttribute(main, ATTR_HEIGHT, height + (k % 7) * 30);
        AutoTypeKey(main, box, VAL_SHIFT_MODIFIER | VAL_MENUKEY_MODIFIER);
    });
    std::printf("resize mean %.2f ms worst %.2f ms\n", resize.mean * 1e3, resize.worst * 1e3);
    return 0;
}
