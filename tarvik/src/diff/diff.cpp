// tarvik-diff: says what changed in the connections between two net lists
// (any of the three forms, or .cha chain lists), read through the same
// decoders as tarvik-convert on the headless run-time.
#include <langinfo.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <chrono>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "cli.h"
#include "cp1251.h"
#include "diff_args.h"
#include "diff_report.h"
#include "list_loader.h"
#include "net_diff.h"
#include "shell.h"
#include "text_out.h"

namespace {

using namespace cp1251::literals;
using namespace tarvik;

constexpr int kExitSame = 0;
constexpr int kExitDifferent = 1;
constexpr int kExitTrouble = 2;

int Trouble(const std::string& message) {
    std::fprintf(stderr, "tarvik-diff: %s\n", message.c_str());
    return kExitTrouble;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// The one-line message for a file that could not be read.
int LoadFailed(const std::string& path, const LoadResult& r) {
    switch (r.status) {
    case LoadResult::CannotRead:
        return Trouble("cannot read " + Quoted(path) + (r.error ? std::string(": ") + std::strerror(r.error) : ""));
    case LoadResult::Unrecognised:
        return Trouble(Quoted(path) + ": " + cp1251::to_utf8("Неопознанный формат файла!"_cp1251) +
                       (r.form != FormNone ? std::string(" (") + FormName(r.form) + ")" : std::string()));
    case LoadResult::NotChainList:
        return Trouble(Quoted(path) + " line " + std::to_string(r.badLine) + ": not a chain line");
    case LoadResult::TooLarge:
        return Trouble(Quoted(path) + ": its chain list passes 2 GiB, more than tarvik-diff can hold");
    case LoadResult::Broken:
        return Trouble(Quoted(path) + ": " + cp1251::to_utf8(FormErrorText()));
    default:
        return Trouble("out of memory while reading " + Quoted(path));
    }
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The text report is for people (a terminal, | less, | grep, a file they
// read): it is written in the locale's encoding, which is UTF-8 unless the
// locale says Windows-1251. The chain lists' own bytes are Windows-1251.
TextOut::Encoding ReportEncoding(DiffOptions::Encoding asked) {
    if (asked == DiffOptions::Encoding::Utf8) return TextOut::Encoding::Utf8;
    if (asked == DiffOptions::Encoding::Cp1251) return TextOut::Encoding::Bytes;
    std::setlocale(LC_CTYPE, "");
    std::string codeset = nl_langinfo(CODESET);
    for (char& c : codeset) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return codeset == "CP1251" || codeset == "WINDOWS-1251" ? TextOut::Encoding::Bytes : TextOut::Encoding::Utf8;
}

int Run(const DiffOptions& o) {
    const auto start = std::chrono::steady_clock::now();
    int form = FormNone;
    if (!o.form.empty() && (form = FormByName(o.form.c_str())) == FormNone)
        return Trouble("unknown form '" + o.form + "' (tarvik-diff --list-forms lists the forms)");
    // The decoders need the run-time and the program's panels.
    if (!IsChainListName(o.oldPath) || !IsChainListName(o.newPath)) {
        if (!InitUIRuntime(0, nullptr, UIRT_BACKEND_HEADLESS)) return Trouble("cannot start the user-interface run-time");
        const std::string uir = FindResourceFile();
        if (LoadPanels(uir.c_str()) < 0) return Trouble("cannot load the resource file " + Quoted(cp1251::to_utf8(uir)));
    }
    // The old list is made ready for comparison while the new one is read.
    ChainList lists[2];
    LoadResult loaded[2];
    std::optional<PreparedList> prepared[2];
    const std::string* paths[2] = {&o.oldPath, &o.newPath};
    std::size_t lines[2] = {};
    for (int k = 0; k < 2; ++k) {
        loaded[k] = LoadList(paths[k]->c_str(), S.MainPanel, kChainBox, lists[k], form);
        if (loaded[k].status != LoadResult::Ok) return LoadFailed(*paths[k], loaded[k]);
        if (o.connectionsOnly) KeepConnections(lists[k]);
        lines[k] = lists[k].nets.size();
        prepared[k].emplace(std::move(lists[k]));
    }
    const NetDiff diff = CompareNets(std::move(*prepared[0]), std::move(*prepared[1]));
    TextOut out(STDOUT_FILENO, o.json ? TextOut::Encoding::Bytes : ReportEncoding(o.encoding));
    if (o.json) {
        WriteJsonReport(diff, {o.oldPath, loaded[0].form, lines[0]}, {o.newPath, loaded[1].form, lines[1]}, out);
    } else {
        WriteTextReport(diff, out);
    }
    if (!out.Flush()) return Trouble(std::string("cannot write standard output: ") + std::strerror(errno));
    if (o.verbose) {
        const std::size_t nets[2] = {diff.oldNets, diff.newNets};
        for (int k = 0; k < 2; ++k)
            std::fprintf(stderr, "tarvik-diff: %s %s: %s, %zu nets, %.3f s in the decoders\n", k ? "new" : "old",
                         Quoted(*paths[k]).c_str(), ListFormName(loaded[k].form), nets[k], loaded[k].decodeSeconds);
        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
        std::fprintf(stderr, "tarvik-diff: %.3f s beyond the decoders (processor time %.3f s), peak memory %ld MB\n",
                     Seconds(start) - loaded[0].decodeSeconds - loaded[1].decodeSeconds,
                     cpu - loaded[0].decodeCpu - loaded[1].decodeCpu, usage.ru_maxrss / 1024);
    }
    return diff.Same() ? kExitSame : kExitDifferent;
}

}  // namespace

int main(int argc, char* argv[]) {
    DiffOptions options;
    const std::string wrong = ParseDiffArgs(argc, argv, options);
    if (!wrong.empty()) return cli::UsageError("tarvik-diff", wrong, kExitTrouble);
    if (options.version) return cli::PrintVersion("tarvik-diff");
    if (options.help) {
        std::fputs(kDiffHelp, stdout);
        return kExitSame;
    }
    if (options.listForms) {
        for (int k = 0; k < FormCount(); ++k) std::printf("%s\n", FormName(k));
        return kExitSame;
    }
    try {
        return Run(options);
    } catch (const std::bad_alloc&) {
        return Trouble("out of memory");
    }
}
