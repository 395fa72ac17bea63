// tarvik-convert: decodes a net-list file into its chain list without a window,
// through the same decoders and text box as the window program (headless
// run-time), and writes the bytes that the save command would write.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "chain.h"
#include "cp1251.h"
#include "decoders.h"
#include "fd_write.h"
#include "reader.h"
#include "shell.h"

namespace {

using namespace cp1251::literals;
using namespace tarvik;

constexpr int kExitUnrecognised = 1;
constexpr int kExitFileError = 2;

const char* const kUsage =
    "usage: tarvik-convert INPUT [-o OUTPUT] [-v]\n"
    "Decodes an ACCEL ASCII, ORCAD or PCAD 4.5 net list into its chain list\n"
    "(.cha bytes: every line followed by CR LF) on OUTPUT or standard output.\n"
    "  -o OUTPUT  write to OUTPUT (replaced only after a successful decode)\n"
    "  -v         report the recognised form and the number of lines on stderr\n";

struct Options {
    const char* input = nullptr;
    const char* output = nullptr;
    bool verbose = false;
};

int Fail(const std::string& what, const char* path, int err) {
    std::fprintf(stderr, "tarvik-convert: %s '%s'%s%s\n", what.c_str(), path, err ? ": " : "",
                 err ? std::strerror(err) : "");
    return kExitFileError;
}

// Parses the arguments; returns -1 when they are fine, else an exit code.
int ParseArgs(int argc, char* argv[], Options& o) {
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "-v") {
            o.verbose = true;
        } else if (a == "-o" && k + 1 < argc && !o.output) {
            o.output = argv[++k];
        } else if ((a.size() > 1 && a[0] == '-') || o.input) {
            std::fputs(kUsage, stderr);
            return kExitFileError;
        } else {
            o.input = argv[k];
        }
    }
    if (!o.input) {
        std::fputs(kUsage, stderr);
        return kExitFileError;
    }
    return -1;
}

// Progress bar on a terminal: the share of the whole file consumed, drawn only
// for conversions that take longer than half a second.
struct TerminalProgress {
    int file = 0;
    long long size = 1;
    int shown = -1;
    bool drawn = false;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
} bar;

void DrawProgress(int) {
    using namespace std::chrono;
    if (steady_clock::now() - bar.start < milliseconds(500)) return;
    const long pos = SetFilePtr(bar.file, 0, 1);  // file offset of the window's end
    long long done = pos - (R.BufLen - R.BufPos);
    if (done < 0) done = 0;
    int pct = static_cast<int>(done * 100 / bar.size);
    if (pct == bar.shown) return;
    bar.shown = pct;
    bar.drawn = true;
    if (pct > 100) pct = 100;
    char title[256] = {};
    int titleLen = 0;
    GetCtrlAttribute(R.ProgressPanel, kProgressTitle, ATTR_STRING_TEXT_LENGTH, &titleLen);
    if (titleLen > 0 && titleLen < static_cast<int>(sizeof title)) GetCtrlVal(R.ProgressPanel, kProgressTitle, title);
    char cells[31];
    const int full = pct * 30 / 100;
    for (int k = 0; k < 30; ++k) cells[k] = k < full ? '#' : '.';
    cells[30] = 0;
    std::fprintf(stderr, "\r%s [%s] %3d%%", cp1251::to_utf8(title).c_str(), cells, pct);
    std::fflush(stderr);
}

void ClearProgress() {
    if (bar.drawn) std::fputs("\r\033[K", stderr);
}

// Writes the chain list to path through a temporary file beside it, renamed
// over path only when everything was written, so a failure leaves no partial file.
int WriteOutput(const char* path) {
    struct stat st {};
    if (stat(path, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        // A device or pipe (/dev/null, /dev/stdout) is written in place.
        int fd = ::open(path, O_WRONLY | O_TRUNC);
        if (fd < 0) return Fail("cannot write", path, errno);
        const bool ok = WriteChainList(S.MainPanel, kChainBox, WriteToFd, &fd);
        const int err = errno;
        ::close(fd);
        return ok ? 0 : Fail("cannot write", path, err);
    }
    std::string tmp = std::string(path) + ".XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) return Fail("cannot write", path, errno);
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    bool ok = WriteChainList(S.MainPanel, kChainBox, WriteToFd, &fd);
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && std::rename(tmp.c_str(), path) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        return Fail("cannot write", path, err);
    }
    return 0;
}

int Convert(const Options& o) {
    if (!InitUIRuntime(0, nullptr, UIRT_BACKEND_HEADLESS)) {
        std::fputs("tarvik-convert: cannot start the user-interface run-time\n", stderr);
        return kExitFileError;
    }
    const std::string uir = FindResourceFile();
    if (LoadPanels(uir.c_str()) < 0) return Fail("cannot load the resource file", uir.c_str(), 0);

    struct stat st {};
    const int probe = ::open(o.input, O_RDONLY);
    if (probe < 0) return Fail("cannot read", o.input, errno);
    const int statErr = fstat(probe, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    ::close(probe);
    if (statErr) return Fail("cannot read", o.input, statErr);
    const int file = CVI_OpenFile(o.input, VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    if (file <= 0) return Fail("cannot read", o.input, 0);

    if (isatty(STDERR_FILENO)) {
        bar.file = file;
        bar.size = st.st_size > 0 ? st.st_size : 1;
        R.OnProgress = DrawProgress;
    }
    R.ReadFailed = false;
    int form = FormNone;
    const int result = RunDecoders(file, S.MainPanel, kChainBox, &form);
    R.OnProgress = nullptr;
    ClearProgress();
    CVI_CloseFile(file);
    if (R.ReadFailed) return Fail("cannot read", o.input, 0);
    if (result == -3) return Fail("out of memory while decoding", o.input, 0);
    if (result < 0) {
        std::fprintf(stderr, "%s\n", cp1251::to_utf8("Неопознанный формат файла!"_cp1251).c_str());
        return kExitUnrecognised;
    }
    int lines = 0;
    GetNumTextBoxLines(S.MainPanel, kChainBox, &lines);
    if (o.output) {
        if (const int rc = WriteOutput(o.output)) return rc;
    } else {
        int fd = STDOUT_FILENO;
        if (!WriteChainList(S.MainPanel, kChainBox, WriteToFd, &fd))
            return Fail("cannot write", "standard output", errno);
    }
    if (o.verbose) std::fprintf(stderr, "%s: %d lines\n", FormName(form), lines);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    Options o;
    if (const int rc = ParseArgs(argc, argv, o); rc >= 0) return rc;
    return Convert(o);
}
