// Speed of libvorn: evaluations of parsed expressions with a variable changed
// before each one, as machine code and as byte-code (VORN_JIT=0), beside
// muparser and the native-call floor (the formula as a C++ function called
// through a pointer the optimiser cannot see through); parse times of long
// sums and the cost of a fresh handle's first evaluation. Ends with a table of
// nanoseconds per evaluation and the ratios to the floor and to muparser.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "vorn.h"

#ifdef VORN_BENCH_WITH_MUPARSER
#include <muParser.h>
#endif

namespace {

// Values the variable x takes in turn, so that nothing can be folded.
constexpr double kValues[16] = {0.5, 1.25, -3.0, 2.0, 7.5, -0.25, 3.0, 4.0,
                                1.0, -1.5, 0.75, 2.5, -6.0, 3.5, 0.125, 9.0};

template <std::size_t... I>
double Sum100(const double* x, const double* y, std::index_sequence<I...>) {
    return (... + ((I % 2 == 0 ? *x : *y) * static_cast<double>(I + 1)));
}

// x*1+y*2+x*3+y*4+...+y*100
std::string SumText(int terms) {
    std::string text;
    for (int i = 1; i <= terms; ++i) {
        if (i > 1) text += '+';
        text += (i % 2 ? "x*" : "y*") + std::to_string(i);
    }
    return text;
}

struct Case {
    std::string label;
    std::string text;
    // The formula in C++, reading the variables where they live as Vorn does.
    double (*native)(const double* x, const double* y);
};

std::vector<Case> Cases() {
    return {
        {"x+1", "x+1", [](const double* x, const double*) { return *x + 1; }},
        {"2*(x+1)^2-sin(y)", "2*(x+1)^2-sin(y)",
         [](const double* x, const double* y) { return 2 * std::pow(*x + 1, 2) - std::sin(*y); }},
        {"(x*3+y/2-1)*(x-y)+x*x*x", "(x*3+y/2-1)*(x-y)+x*x*x",
         [](const double* x, const double* y) {
             return (*x * 3 + *y / 2 - 1) * (*x - *y) + *x * *x * *x;
         }},
        {"min(x,y)+max(x,3)*abs(y-x)", "min(x,y)+max(x,3)*abs(y-x)",
         [](const double* x, const double* y) {
             return (*y < *x ? *y : *x) + (3 > *x ? 3 : *x) * std::fabs(*y - *x);
         }},
        {"x>3 && y<2 || x==y", "x>3 && y<2 || x==y",
         [](const double* x, const double* y) { return ((*x > 3 && *y < 2) || *x == *y) ? 1.0 : 0.0; }},
        {"sum of 100 terms", SumText(100),
         [](const double* x, const double* y) { return Sum100(x, y, std::make_index_sequence<100>()); }},
    };
}

// Vorn_Setexpr with VORN_JIT set to "0" (byte-code only) or unset.
bool SetexprIn(ExpressionHandle e, const char* text, char* message, bool byteCode) {
    if (byteCode) setenv("VORN_JIT", "0", 1);
    const bool ok = Vorn_Setexpr(e, text, message) == 1;
    if (byteCode) unsetenv("VORN_JIT");
    return ok;
}

void Vorn(benchmark::State& state, const std::string& text, bool byteCode) {
    double x = 0, y = 0.5, result = 0;
    char message[VORN_SETEXPR_MESSAGE_SIZE(4096)];
    ExpressionHandle e = Vorn_Create();
    Vorn_AddVar(e, "x", &x);
    Vorn_AddVar(e, "y", &y);
    if (!SetexprIn(e, text.c_str(), message, byteCode)) state.SkipWithError(message);
    std::size_t i = 0;
    for (auto _ : state) {
        x = kValues[i++ & 15];
        benchmark::DoNotOptimize(x);
        Vorn_Evaluate(e, &result, message);
        benchmark::DoNotOptimize(result);
    }
    Vorn_Close(e);
}

// The floor: one indirect call of compiled C++ per evaluation. The pointer
// passes through DoNotOptimize, so the call cannot be inlined.
void Native(benchmark::State& state, double (*f)(const double*, const double*)) {
    double x = 0, y = 0.5;
    std::size_t i = 0;
    benchmark::DoNotOptimize(f);
    for (auto _ : state) {
        x = kValues[i++ & 15];
        benchmark::DoNotOptimize(x);
        double result = f(&x, &y);
        benchmark::DoNotOptimize(result);
    }
}

#ifdef VORN_BENCH_WITH_MUPARSER
void Muparser(benchmark::State& state, const std::string& text) {
    double x = 0, y = 0.5;
    mu::Parser parser;
    parser.DefineVar("x", &x);
    parser.DefineVar("y", &y);
    parser.SetExpr(text);
    std::size_t i = 0;
    for (auto _ : state) {
        x = kValues[i++ & 15];
        benchmark::DoNotOptimize(x);
        double result = parser.Eval();
        benchmark::DoNotOptimize(result);
    }
}

void MuparserParse(benchmark::State& state) {
    const std::string text = SumText(static_cast<int>(state.range(0)));
    double x = 1, y = 2;
    for (auto _ : state) {
        mu::Parser parser;
        parser.DefineVar("x", &x);
        parser.DefineVar("y", &y);
        parser.SetExpr(text);
        benchmark::DoNotOptimize(parser.Eval());  // muparser parses on first use
    }
}
#endif

// A fresh handle: create, bind two variables, parse and translate, evaluate
// once, close.
void VornFirst(benchmark::State& state, const std::string& text) {
    double x = 1, y = 2, result = 0;
    char message[VORN_SETEXPR_MESSAGE_SIZE(64)];
    for (auto _ : state) {
        ExpressionHandle e = Vorn_Create();
        Vorn_AddVar(e, "x", &x);
        Vorn_AddVar(e, "y", &y);
        if (!Vorn_Setexpr(e, text.c_str(), message)) state.SkipWithError(message);
        Vorn_Evaluate(e, &result, message);
        benchmark::DoNotOptimize(result);
        Vorn_Close(e);
    }
}

// Parsing and translating a long sum on a fresh handle.
void VornParseFresh(benchmark::State& state) {
    const std::string text = SumText(static_cast<int>(state.range(0)));
    double x = 1, y = 2;
    std::vector<char> message(VORN_SETEXPR_MESSAGE_SIZE(text.size()));
    for (auto _ : state) {
        ExpressionHandle e = Vorn_Create();
        Vorn_AddVar(e, "x", &x);
        Vorn_AddVar(e, "y", &y);
        if (!Vorn_Setexpr(e, text.c_str(), message.data())) state.SkipWithError(message.data());
        Vorn_Close(e);
    }
}

void VornParse(benchmark::State& state) {
    const std::string text = SumText(static_cast<int>(state.range(0)));
    double x = 1, y = 2;
    std::vector<char> message(VORN_SETEXPR_MESSAGE_SIZE(text.size()));
    ExpressionHandle e = Vorn_Create();
    Vorn_AddVar(e, "x", &x);
    Vorn_AddVar(e, "y", &y);
    for (auto _ : state) {
        if (!Vorn_Setexpr(e, text.c_str(), message.data())) state.SkipWithError(message.data());
    }
    Vorn_Close(e);
}

// Prints the usual console output, then the comparison table (CPU time per
// evaluation, which a machine shared with other work disturbs least).
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With --benchmark_repetitions the table shows the medians.
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") times[run.run_name.str()] = run.GetAdjustedCPUTime();
            } else if (times.count(run.run_name.str()) == 0 || run.repetitions <= 1) {
                times[run.run_name.str()] = run.GetAdjustedCPUTime();
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n| expression | Vorn ns | floor ns | Vorn/floor | byte-code ns | byte-code/floor "
                    "| muparser ns | Vorn/muparser |\n");
        std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
        for (const Case& c : Cases()) {
            const double vorn = Time("eval/" + c.label + "/vorn");
            const double byteCode = Time("eval/" + c.label + "/vorn-bytecode");
            const double mu = Time("eval/" + c.label + "/muparser");
            const double native = Time("eval/" + c.label + "/c++");
            char muText[32] = "-", ratio[32] = "-";
            if (mu > 0) {
                std::snprintf(muText, sizeof muText, "%.1f", mu);
                std::snprintf(ratio, sizeof ratio, "%.2f", vorn / mu);
            }
            std::printf("| `%s` | %.1f | %.1f | %.2f | %.1f | %.2f | %s | %s |\n", c.label.c_str(), vorn, native,
                        vorn / native, byteCode, byteCode / native, muText, ratio);
        }
        for (const char* terms : {"1000", "10000"})
            std::printf("| parse sum of %s terms | %.3f ms | | | | | %s | |\n", terms,
                        Time(std::string("parse/vorn/") + terms), Milliseconds(terms).c_str());
        std::printf("| fresh handle, parse sum of 10000 terms | %.3f ms | | | | | | |\n",
                    Time("parse-fresh/vorn/10000"));
        for (const Case& c : Cases())
            std::printf("| create, bind, parse, evaluate `%s` | %.2f us | | | | | | |\n", c.label.c_str(),
                        Time("first/" + c.label) / 1000);
    }

private:
    std::string Milliseconds(const char* terms) const {
        const double ms = Time(std::string("parse/muparser/") + terms);
        if (ms < 0) return "-";
        char text[32];
        std::snprintf(text, sizeof text, "%.3f ms", ms);
        return text;
    }
    double Time(const std::string& name) const {
        const auto it = times.find(name);
        return it == times.end() ? -1 : it->second;
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    for (const Case& c : Cases()) {
        benchmark::RegisterBenchmark(("eval/" + c.label + "/vorn").c_str(), Vorn, c.text, false);
        benchmark::RegisterBenchmark(("eval/" + c.label + "/vorn-bytecode").c_str(), Vorn, c.text, true);
#ifdef VORN_BENCH_WITH_MUPARSER
        benchmark::RegisterBenchmark(("eval/" + c.label + "/muparser").c_str(), Muparser, c.text);
#endif
        benchmark::RegisterBenchmark(("eval/" + c.label + "/c++").c_str(), Native, c.native);
    }
    benchmark::RegisterBenchmark("parse/vorn", VornParse)->Arg(1000)->Arg(10000)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("parse-fresh/vorn", VornParseFresh)->Arg(10000)
        ->Unit(benchmark::kMillisecond);
    for (const Case& c : Cases())
        benchmark::RegisterBenchmark(("first/" + c.label).c_str(), VornFirst, c.text);
#ifdef VORN_BENCH_WITH_MUPARSER
    benchmark::RegisterBenchmark("parse/muparser", MuparserParse)->Arg(1000)
        ->Unit(benchmark::kMillisecond);
#endif
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
