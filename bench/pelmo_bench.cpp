// Speed of libpelmo's two hot paths.
//
//   pelmo_bench [--backend=headless|qt] [Google Benchmark flags]
//
// Typing: one character typed into an extended text box that holds 1 MB or
// 10 MB of text, the way a user types it (the key goes through the run-time's
// event path: key-press callback, the box's own insertion, the value-changed
// callback that records the edit in the undo history), beside the same key in
// a box extended without a history; and undo_Action alone after a line was
// inserted by the program. On the Qt backend (offscreen platform) the box is
// shown, so the keystroke includes the repaint.
//
// Search (headless run only; it touches no user interface): FindOrReplace in
// find mode over 100 MB of generated program source and Russian prose, with
// and without match case, for a pattern that is absent (the whole text is
// scanned) and for one that occurs once at the very end; memmem on the same
// text and pattern beside it as the limit. Patterns: 0 an absent Russian
// word, 1 an absent line of code whose beginning is frequent, 2 a word that
// occurs once, at the very end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cp1251.h"
#include "pelmo.h"
#include "repl_c.h"
#include "uirt.h"
#include "uirt_auto.h"
#include "undo.h"

using namespace cp1251::literals;

namespace {

constexpr int64_t kMB = 1000 * 1000;

// ---- Generated text: program source and prose, Windows-1251 -----------------

// Deterministic pseudo-random numbers, so every run scans the same text.
struct Lcg {
    uint64_t state = 0x9E3779B97F4A7C15u;
    uint32_t next(uint32_t bound) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<uint32_t>((state >> 33) % bound);
    }
};

const std::vector<std::string_view>& codeLines() {
    static const std::vector<std::string_view> lines = {
        "for (int i = 0; i < count; ++i) {",
        "    total += values[i] * weight;",
        "}",
        "if (buffer == NULL || length <= 0) return -1;",
        "static int readHeader(FILE* file, struct Header* header)",
        "{",
        "    memcpy(out, text + start, (size_t)length);",
        "    /* Пропускаем пустые строки и комментарии. */",
        "    while (*p == ' ' || *p == '\\t') ++p;",
        "return result;",
        "// Ошибка: файл не найден или недоступен для чтения",
        "switch (state) { case STATE_IDLE: break; default: reset(); }",
        "printf(\"Строк прочитано: %d\\n\", lines);",
        "const char* name = GetCtrlLabel(panel, control);",
    };
    static const std::vector<std::string> encoded = [] {
        std::vector<std::string> e;
        for (std::string_view l : lines) e.push_back(cp1251::from_utf8(l));
        return e;
    }();
    static const std::vector<std::string_view> views(encoded.begin(), encoded.end());
    return views;
}

const std::vector<std::string_view>& proseWords() {
    static const std::vector<std::string> encoded = [] {
        const char* words[] = {"и",       "в",        "не",       "на",      "что",      "окно",
                               "текст",   "строка",   "поиск",    "замена",  "файл",     "программа",
                               "Пользователь", "нажимает", "клавишу", "меню", "отмена", "правка",
                               "the",     "text",     "window",   "line",    "value",    "Москва",
                               "сохранить", "открыть", "список",  "цепей",   "узел",     "вывод"};
        std::vector<std::string> e;
        for (const char* w : words) e.push_back(cp1251::from_utf8(w));
        return e;
    }();
    static const std::vector<std::string_view> views(encoded.begin(), encoded.end());
    return views;
}

// About `size` bytes of text in lines: stretches of indented code and
// paragraphs of prose. Exactly `size` bytes.
std::string generateText(int64_t size) {
    Lcg rng;
    std::string text;
    text.reserve(static_cast<size_t>(size) + 256);
    const auto& code = codeLines();
    const auto& words = proseWords();
    while (static_cast<int64_t>(text.size()) < size) {
        const int codeRun = 3 + static_cast<int>(rng.next(12));
        for (int i = 0; i < codeRun; ++i) {
            text.append(4 * rng.next(3), ' ');
            text += code[rng.next(static_cast<uint32_t>(code.size()))];
            text += '\n';
        }
        const int proseLines = 1 + static_cast<int>(rng.next(4));
        for (int l = 0; l < proseLines; ++l) {
            const int n = 6 + static_cast<int>(rng.next(8));
            for (int w = 0; w < n; ++w) {
                if (w) text += ' ';
                text += words[rng.next(static_cast<uint32_t>(words.size()))];
            }
            text += ".\n";
        }
        text += '\n';
    }
    text.resize(static_cast<size_t>(size));
    return text;
}

// ---- Typing into an extended text box -----------------------------------------

int gBackend = UIRT_BACKEND_HEADLESS;

bool startRuntime() {
    static const bool started = [] {
        if (gBackend == UIRT_BACKEND_QT) setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return InitUIRuntime(0, nullptr, gBackend) == 1;
    }();
    return started;
}

// A shown window with one text box holding `bytes` of text, extended with a
// history of 100 steps or without one, the caret in the middle of the text.
struct ExtendedBox {
    int panel = 0, box = 0;
    UndoHistory* history = nullptr;
    ExtendedBox(int64_t bytes, bool withHistory) {
        panel = NewPanel(0, "bench", 40, 40, 500, 700);
        box = NewCtrl(panel, CTRL_TEXT_BOX, "", 10, 10);
        SetCtrlAttribute(panel, box, ATTR_WIDTH, 680);
        SetCtrlAttribute(panel, box, ATTR_HEIGHT, 480);
        ResetTextBox(panel, box, generateText(bytes).c_str());
        history = ExtendTextBox(panel, box, 0, withHistory ? 100 : 0);
        undo_Reset(history);
        DisplayPanel(panel);
        SetActiveCtrl(panel, box);
        SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, static_cast<int>(bytes / 2));
        ProcessSystemEvents();
    }
    ~ExtendedBox() {
        undo_Close(history);
        DiscardPanel(panel);
        ProcessSystemEvents();
    }
    int length() const {
        int n = 0;
        GetCtrlAttribute(panel, box, ATTR_STRING_TEXT_LENGTH, &n);
        return n;
    }
};

// One typed character: key press, insertion, value change, undo recording.
void BM_TypeCharacter(benchmark::State& state) {
    if (!startRuntime()) {
        state.SkipWithError("the run-time did not start");
        return;
    }
    const int64_t bytes = state.range(0) * kMB;
    const bool withHistory = state.range(1) != 0;
    ExtendedBox b(bytes, withHistory);
    for (auto _ : state) AutoTypeKey(b.panel, b.box, 'x');
    const int64_t typed = static_cast<int64_t>(state.iterations());
    if (b.length() != bytes + typed) state.SkipWithError("the box did not take every key");
    if (withHistory && !undo_CanUndo(b.history)) state.SkipWithError("nothing was recorded");
}

// undo_Action alone, after a line inserted by the program in the middle.
void BM_UndoActionAfterProgramEdit(benchmark::State& state) {
    if (!startRuntime()) {
        state.SkipWithError("the run-time did not start");
        return;
    }
    const int64_t bytes = state.range(0) * kMB;
    ExtendedBox b(bytes, true);
    int lines = 0;
    GetNumTextBoxLines(b.panel, b.box, &lines);
    for (auto _ : state) {
        state.PauseTiming();
        InsertTextBoxLine(b.panel, b.box, lines / 2, "x");
        b.length();  // the Qt backend puts a pending line in place on first use
        state.ResumeTiming();
        undo_Action(b.history);
    }
    if (!undo_CanUndo(b.history)) state.SkipWithError("nothing was recorded");
}

void typingArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"MB", "history"});
    for (int mb : {1, 10})
        for (int history : {0, 1}) b->Args({mb, history});
    b->Unit(benchmark::kMillisecond)->MinTime(1.0);
}

// ---- Search ----------------------------------------------------------------------

constexpr int64_t kSearchBytes = 100 * kMB;

// The patterns: 0 and 1 occur nowhere (1 begins like a frequent line of the
// code, so its first bytes match often); 2 occurs once, at the very end.
enum Pattern { kAbsentWord = 0, kAbsentCode = 1, kAtEnd = 2 };

// The 100 MB text, ending with pattern kAtEnd.
struct SearchText {
    std::string text;
    std::string patterns[3] = {"итоговая_сумма_строк"_cp1251, "total += value;", "ПоследняяСтрока"_cp1251};
    SearchText() {
        text = generateText(kSearchBytes);
        const std::string& atEnd = patterns[kAtEnd];
        text.replace(text.size() - atEnd.size(), atEnd.size(), atEnd);
    }
    int expected(int pattern) const {
        return pattern == kAtEnd ? static_cast<int>(text.size() - patterns[kAtEnd].size()) : -1;
    }
};

const SearchText& searchText() {
    static const SearchText t;
    return t;
}

// state.range(0): flags (1 match case, 0 not); range(1): the Pattern.
void BM_FindOrReplace(benchmark::State& state) {
    const SearchText& t = searchText();
    const int flags = static_cast<int>(state.range(0));
    const std::string& pattern = t.patterns[state.range(1)];
    const int length = static_cast<int>(t.text.size());
    const int expected = t.expected(static_cast<int>(state.range(1)));
    for (auto _ : state) {
        const int at = pelmo::FindOrReplace(pattern.c_str(), nullptr, flags, t.text.c_str(), nullptr, length,
                                            nullptr, t.text.c_str());
        if (at != expected) {
            state.SkipWithError("wrong search result");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * length);
}

void BM_Memmem(benchmark::State& state) {
    const SearchText& t = searchText();
    const std::string& pattern = t.patterns[state.range(0)];
    const int at = t.expected(static_cast<int>(state.range(0)));
    const void* expected = at < 0 ? nullptr : t.text.data() + at;
    for (auto _ : state) {
        // memmem is a pure function: without this the compiler calls it once.
        const char* text = t.text.data();
        benchmark::DoNotOptimize(text);
        const void* at = memmem(text, t.text.size(), pattern.data(), pattern.size());
        if (at != expected) {
            state.SkipWithError("wrong search result");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(t.text.size()));
}

void registerAll() {
    const std::string suffix = gBackend == UIRT_BACKEND_QT ? "/qt" : "/headless";
    benchmark::RegisterBenchmark(("BM_TypeCharacter" + suffix).c_str(), BM_TypeCharacter)->Apply(typingArgs);
    benchmark::RegisterBenchmark(("BM_UndoActionAfterProgramEdit" + suffix).c_str(), BM_UndoActionAfterProgramEdit)
        ->ArgName("MB")
        ->Arg(1)
        ->Arg(10)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0);
    if (gBackend != UIRT_BACKEND_HEADLESS) return;
    benchmark::RegisterBenchmark("BM_FindOrReplace", BM_FindOrReplace)
        ->ArgNames({"matchCase", "pattern"})
        ->ArgsProduct({{1, 0}, {kAbsentWord, kAbsentCode, kAtEnd}})
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Memmem", BM_Memmem)
        ->ArgName("pattern")
        ->DenseRange(kAbsentWord, kAtEnd)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    // Our own flag first; the rest belongs to Google Benchmark.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--backend=qt") gBackend = UIRT_BACKEND_QT;
        else if (arg == "--backend=headless") gBackend = UIRT_BACKEND_HEADLESS;
        else argv[kept++] = argv[i];
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
