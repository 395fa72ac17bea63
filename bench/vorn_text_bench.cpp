// Cost of Vorn_Setexpr on huge texts and of Vorn_AddVar with many names.
//
// Every measurement runs in a child process of its own, so that each one
// starts from fresh memory (a fresh handle pays for the first touch of every
// page it uses, as a real caller's first parse does). For each text shape it
// prints the best parse rate of several runs and the peak memory that the
// parse added, in bytes per byte of text: the rise of the process's peak
// resident size over its size just before the call (the text itself already
// built). Then the time of registering N names and looking each up once.
//
//   vorn_text_bench [MEGABYTES] [RUNS]      (defaults: 10 and 3)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "vorn.h"

namespace {

using Clock = std::chrono::steady_clock;

// Resident and peak resident size of this process, in bytes.
long StatusField(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n + 1) * 1024;
    return -1;
}

// Forgets the peak so far: the next peak is measured from the present size.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Shape {
    const char* name;
    // Appends one repeat of the pattern; `i` counts the repeats.
    std::function<void(std::string&, std::size_t)> piece;
    // Closes the text (brackets), given the number of repeats.
    std::function<void(std::string&, std::size_t)> tail;
};

std::vector<Shape> Shapes() {
    const auto none = [](std::string&, std::size_t) {};
    return {
        {"x*1+y*2+... (sum of products)",
         [](std::string& t, std::size_t i) {
             if (i) t += '+';
             t += (i % 2 ? "y*" : "x*");
             t += std::to_string(i % 1000 + 1);
         }, none},
        {"1+1+1+... (one item per byte)",
         [](std::string& t, std::size_t i) { t += i ? "+1" : "1"; }, none},
        {"x-y*x/y+... (variables only)",
         [](std::string& t, std::size_t i) {
             if (i == 0) t += 'x';
             else { t += "-+*/"[i % 4]; t += "xy"[i % 2]; }
         },
         none},
        {"1,1,1,... (commas)",
         [](std::string& t, std::size_t i) { t += i ? ",1" : "(1"; },
         [](std::string& t, std::size_t) { t += ')'; }},
        {"1+(1+(1+... (right-deep tree)",
         [](std::string& t, std::size_t) { t += "1+("; },
         [](std::string& t, std::size_t n) { t += '1'; t.append(n, ')'); }},
        {"((((x)))) (nested brackets)",
         [](std::string& t, std::size_t) { t += '('; },
         [](std::string& t, std::size_t n) { t += 'x'; t.append(n, ')'); }},
        {"abs(abs(... (nested calls)",
         [](std::string& t, std::size_t) { t += "abs("; },
         [](std::string& t, std::size_t n) { t += 'x'; t.append(n, ')'); }},
    };
}

std::string Build(const Shape& shape, std::size_t bytes) {
    std::string text;
    text.reserve(bytes + bytes / 2 + 16);
    std::size_t n = 0;
    // Room for the tail, which may be as long as the repeated part.
    std::string probe;
    shape.piece(probe, 1);
    shape.tail(probe, 1);
    const std::size_t perRepeat = probe.size();
    while (text.size() + perRepeat <= bytes) shape.piece(text, n++);
    shape.tail(text, n);
    return text;
}

struct Result {
    double seconds = 0;
    double bytesPerByte = 0;
    int ok = 0;
};

// Runs `work` in a child process and returns what it wrote through the pipe.
template <class Work>
Result InChild(Work work) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(2);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const Result r = work();
        if (write(fds[1], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) _exit(3);
        _exit(0);
    }
    close(fds[1]);
    Result r;
    if (read(fds[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) r.ok = -1;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return r;
}

Result ParseOnce(const Shape& shape, std::size_t bytes) {
    return InChild([&] {
        double x = 1.5, y = 0.25;
        const std::string text = Build(shape, bytes);
        std::vector<char> message(VORN_SETEXPR_MESSAGE_SIZE(text.size()));
        ResetPeak();
        const long before = StatusField("VmRSS:");
        const auto start = Clock::now();
        ExpressionHandle e = Vorn_Create();
        Vorn_AddVar(e, "x", &x);
        Vorn_AddVar(e, "y", &y);
        Result r;
        r.ok = Vorn_Setexpr(e, text.c_str(), message.data());
        r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        r.bytesPerByte = static_cast<double>(StatusField("VmHWM:") - before) /
                         static_cast<double>(text.size());
        if (!r.ok) std::fprintf(stderr, "%s: %.60s\n", shape.name, message.data());
        Vorn_Close(e);
        return r;
    });
}

Result AddVarsOnce(int count) {
    return InChild([count] {
        std::vector<std::string> names;
        names.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) names.push_back("v" + std::to_string(i * 7919L % count));
        std::vector<double> values(static_cast<std::size_t>(count));
        const auto start = Clock::now();
        ExpressionHandle e = Vorn_Create();
        Result r;
        r.ok = 1;
        for (int i = 0; i < count; ++i)
            r.ok &= Vorn_AddVar(e, names[static_cast<std::size_t>(i)].c_str(),
                                &values[static_cast<std::size_t>(i)]);
        // Each name once more: every lookup finds its record and refuses.
        for (int i = 0; i < count; ++i)
            r.ok &= !Vorn_AddVar(e, names[static_cast<std::size_t>(i)].c_str(), &values[0]);
        r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        Vorn_Close(e);
        return r;
    });
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    const auto bytes = static_cast<std::size_t>(megabytes * 1e6);

    std::printf("Vorn_Setexpr, fresh handle, %.0f MB texts, best of %d runs\n\n", megabytes, runs);
    std::printf("| text | MB/s | bytes per byte of text |\n|---|---:|---:|\n");
    for (const Shape& shape : Shapes()) {
        Result best;
        best.seconds = 1e30;
        for (int i = 0; i < runs; ++i) {
            const Result r = ParseOnce(shape, bytes);
            if (r.ok != 1) {
                std::printf("| %s | failed | |\n", shape.name);
                best.ok = 0;
                break;
            }
            best.ok = 1;
            if (r.seconds < best.seconds) best.seconds = r.seconds;
            if (i == 0 || r.bytesPerByte < best.bytesPerByte) best.bytesPerByte = r.bytesPerByte;
        }
        if (best.ok)
            std::printf("| %s | %.1f | %.1f |\n", shape.name, megabytes / best.seconds,
                        best.bytesPerByte);
        std::fflush(stdout);
    }

    std::printf("\nVorn_AddVar: N names registered, then each registered again (refused)\n\n");
    std::printf("| N | seconds | ns per call |\n|---:|---:|---:|\n");
    for (int count : {10000, 100000, 1000000}) {
        Result best;
        best.seconds = 1e30;
        for (int i = 0; i < runs; ++i) {
            const Result r = AddVarsOnce(count);
            if (r.ok != 1) std::printf("| %d | wrong result | |\n", count);
            if (r.seconds < best.seconds) best.seconds = r.seconds;
        }
        std::printf("| %d | %.3f | %.0f |\n", count, best.seconds, best.seconds * 1e9 / (2.0 * count));
        std::fflush(stdout);
    }
    return 0;
}
