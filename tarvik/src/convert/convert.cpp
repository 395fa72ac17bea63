// tarvik-convert: decodes a net-list file into its chain list without a window.
// The same decoders as the window program run on the headless run-time, but
// their chain lines go straight to the output as the .cha bytes that the save
// command would write from the text box, so memory stays bounded whatever the
// size of the list.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "chain.h"
#include "cli.h"
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
    "usage: tarvik-convert INPUT [-o OUTPUT] [-v] [--form NAME]\n"
    "Decodes a net list (of any form --list-forms names) into its chain list\n"
    "(.cha bytes: every line followed by CR LF) on OUTPUT or standard output;\n"
    "on a terminal the list is shown in UTF-8.\n"
    "INPUT - is standard input; a pipe or FIFO is read whole before decoding.\n"
    "  -o OUTPUT  write to OUTPUT (replaced only after a successful decode;\n"
    "             an existing OUTPUT without write permission is refused)\n"
    "  -v         report the recognised form and the number of lines on stderr\n"
    "  --form NAME  read INPUT as the form NAME, without recognition\n"
    "  --list-forms the names of the forms, one a line, in order of recognition\n"
    "  --version  the version\n";

struct Options {
    const char* input = nullptr;
    const char* output = nullptr;
    bool verbose = false;
    int form = FormNone;  // --form: the form read, without recognition
};

int Fail(const std::string& what, const std::string& path, int err) {
    std::fprintf(stderr, "tarvik-convert: %s '%s'%s%s\n", what.c_str(), path.c_str(), err ? ": " : "",
                 err ? std::strerror(err) : "");
    return kExitFileError;
}

int Wrong(const std::string& what) { return cli::UsageError("tarvik-convert", what, kExitFileError); }

// Reads the arguments into o. Returns an exit code when the program ends
// here (help, or a usage error), nothing when it goes on.
std::optional<int> ParseArgs(int argc, char* argv[], Options& o) {
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--version") {
            return cli::PrintVersion("tarvik-convert");
        } else if (a == "-v") {
            o.verbose = true;
        } else if (a == "--list-forms") {
            for (int f = 0; f < FormCount(); ++f) std::printf("%s\n", FormName(f));
            return 0;
        } else if ((a == "--form" && k + 1 < argc) || a.starts_with("--form=")) {
            const std::string name = a == "--form" ? argv[++k] : a.substr(7);
            if ((o.form = FormByName(name.c_str())) == FormNone) {
                std::fprintf(stderr, "tarvik-convert: unknown form '%s' (tarvik-convert --list-forms lists the forms)\n",
                             name.c_str());
                return kExitFileError;
            }
        } else if (a == "-o" && k + 1 < argc && !o.output) {
            o.output = argv[++k];
        } else if (a == "-o") {
            return Wrong(o.output ? "-o given twice" : "-o needs a file name");
        } else if (a.size() > 1 && a[0] == '-') {
            return Wrong(cli::UnknownOption(a));
        } else if (o.input) {
            return Wrong(cli::SurplusArgument(a));
        } else {
            o.input = argv[k];
        }
    }
    if (!o.input) return Wrong("no input file given");
    return std::nullopt;
}

// ---- Files ------------------------------------------------------------------

int g_writeError = 0;  // errno of the chain list's failed write

// The chain list's sink: WriteAll that remembers why it failed.
bool WriteChainBytes(void* ctx, const char* bytes, std::size_t count) {
    if (WriteAll(*static_cast<int*>(ctx), bytes, count)) return true;
    g_writeError = errno;
    return false;
}

std::string TempDir() {
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

// A new temporary file for this run, already unlinked; -1 with errno set.
int AnonymousTempFile() {
    const std::string dir = TempDir();
    int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string path = dir + "/tarvik-convert-XXXXXX";
    fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(path.c_str());
    return fd;
}

// Copies from `from` (from its current position) to `to` until the end;
// false with errno set on a failure, *readFailed telling which side failed.
bool CopyAll(int from, int to, long long* copied, bool* readFailed, bool toUtf8 = false) {
    constexpr std::size_t kBlock = 1 << 20;
    const std::unique_ptr<char[]> block(new char[kBlock]);
    *copied = 0;
    for (;;) {
        const ssize_t r = ::read(from, block.get(), kBlock);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            *readFailed = r < 0;
            return r == 0;
        }
        *readFailed = false;
        bool ok;
        if (toUtf8) {
            const std::string text = cp1251::to_utf8(std::string_view(block.get(), static_cast<std::size_t>(r)));
            ok = WriteAll(to, text.data(), text.size());
        } else {
            ok = WriteAll(to, block.get(), static_cast<std::size_t>(r));
        }
        if (!ok) return false;
        *copied += r;
    }
}

// ---- Input ------------------------------------------------------------------

// The net list opened for the decoders (text mode), and its size in bytes.
struct Input {
    int file = 0;
    long long size = 0;
};

// Opens INPUT once. A regular file is decoded in place; anything that cannot
// be read again from its start (standard input, a pipe, a FIFO, a terminal,
// a device) is first copied whole into a temporary file, since every decoder
// reads the file from its first byte.
std::optional<int> OpenInput(const char* name, Input& in) {
    const bool standardInput = std::strcmp(name, "-") == 0;
    const std::string shown = standardInput ? "standard input" : name;
    const int fd = standardInput ? STDIN_FILENO : ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail("cannot read", shown, errno);
    struct Closer {
        int fd;
        bool own;
        ~Closer() {
            if (own) ::close(fd);
        }
    } closer{fd, !standardInput};

    struct stat st {};
    if (fstat(fd, &st) != 0) return Fail("cannot read", shown, errno);
    if (S_ISDIR(st.st_mode)) return Fail("cannot read", shown, EISDIR);
    if (S_ISREG(st.st_mode) && ::lseek(fd, 0, SEEK_CUR) == 0) {
        // The very file opened above, not whatever the name leads to by now.
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        in.file = CVI_OpenFile(self.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
        if (in.file <= 0 && !standardInput) {
            // No /proc: the name itself, given to CVI_OpenFile as Windows-1251 text.
            bool lossless = false;
            const std::string text = cp1251::from_utf8(name, '?', &lossless);
            if (lossless) in.file = CVI_OpenFile(text.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
        }
        in.size = st.st_size;
        if (in.file > 0) return std::nullopt;
    }

    const int spool = AnonymousTempFile();
    if (spool < 0) return Fail("cannot create a temporary file in", TempDir(), errno);
    struct Closer spoolCloser {spool, true};
    bool readFailed = false;
    if (!CopyAll(fd, spool, &in.size, &readFailed)) {
        const int err = errno;
        return readFailed ? Fail("cannot read", shown, err) : Fail("cannot copy the input to a temporary file in", TempDir(), err);
    }
    const std::string self = "/proc/self/fd/" + std::to_string(spool);
    in.file = CVI_OpenFile(self.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    if (in.file <= 0) return Fail("cannot read the temporary copy of", shown, 0);
    return std::nullopt;
}

// ---- Output -----------------------------------------------------------------

// An existing file that its mode marks as not writable for us is refused
// even where the system would let us replace it (as root).
bool MayReplace(const char* path, const struct stat& st) {
    if (::access(path, W_OK) != 0) return false;
    if (geteuid() != 0) return true;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

// Where the chain list goes while it is decoded. The bytes reach their place
// only when the decode succeeds:
//  - a file named by -o: a temporary file beside it, renamed over it;
//  - standard output that is a regular file written at its end: written in
//    place, and cut back when the decode fails;
//  - anything else (a pipe, a terminal, a device): a temporary file, copied
//    to it at the end (in UTF-8 on a terminal).
class Output {
public:
    ~Output() { Discard(); }

    std::optional<int> Open(const char* path) {
        if (!path) return OpenStandardOutput();
        shown_ = path;
        struct stat st {};
        if (::stat(path, &st) == 0) {
            if (S_ISDIR(st.st_mode)) return Fail("cannot write", shown_, EISDIR);
            if (!S_ISREG(st.st_mode)) {
                // A device or FIFO is written in place, once the list is complete.
                target_ = path;
                return OpenSpool();
            }
            if (!MayReplace(path, st)) return Fail("cannot write", shown_, EACCES);
        } else if (errno != ENOENT) {
            return Fail("cannot write", shown_, errno);
        }
        // A link named by -o stays a link: the file it leads to is replaced.
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path, nullptr), &std::free);
        target_ = real ? real.get() : path;
        temp_ = target_ + ".XXXXXX";
        fd_ = mkostemp(temp_.data(), O_CLOEXEC);
        if (fd_ < 0) {
            temp_.clear();
            return Fail("cannot write", shown_, errno);
        }
        mode_ = Mode::Replace;
        if (::stat(target_.c_str(), &st) == 0) {
            // The new file keeps the old one's permissions (and, for root, its owner).
            fchmod(fd_, st.st_mode & 07777);
            if (geteuid() == 0 && fchown(fd_, st.st_uid, st.st_gid) != 0) {
                // Not every file system keeps owners; the content matters.
            }
        } else {
            const mode_t mask = umask(0);
            umask(mask);
            fchmod(fd_, 0666 & ~mask);
        }
        return std::nullopt;
    }

    int fd() { return fd_; }

    // The decode succeeded. Returns 0, or an exit code after a message.
    int Commit() {
        switch (mode_) {
        case Mode::None:
            return 0;
        case Mode::Direct:
            mode_ = Mode::None;
            return 0;
        case Mode::Replace: {
            const int fd = fd_;
            fd_ = -1;
            mode_ = Mode::None;
            if (::close(fd) != 0 || std::rename(temp_.c_str(), target_.c_str()) != 0) {
                const int err = errno;
                ::unlink(temp_.c_str());
                return Fail("cannot write", shown_, err);
            }
            return 0;
        }
        case Mode::Spool: {
            mode_ = Mode::None;
            int to = STDOUT_FILENO;
            if (!target_.empty()) to = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
            if (to < 0) return Fail("cannot write", shown_, errno);
            long long copied = 0;
            bool readFailed = false;
            const bool ok = ::lseek(fd_, 0, SEEK_SET) == 0 && CopyAll(fd_, to, &copied, &readFailed, isatty(to));
            const int err = errno;
            if (to != STDOUT_FILENO) ::close(to);
            ::close(fd_);
            fd_ = -1;
            if (!ok) return Fail(readFailed ? "cannot read back the temporary copy of" : "cannot write", shown_, err);
            return 0;
        }
        }
        return 0;
    }

    // The decode failed: nothing of the list remains.
    void Discard() {
        switch (mode_) {
        case Mode::None:
            return;
        case Mode::Direct:
            if (ftruncate(STDOUT_FILENO, start_) != 0) {
                // Nothing more can be done about a file that cannot be cut.
            }
            break;
        case Mode::Replace:
            ::close(fd_);
            ::unlink(temp_.c_str());
            break;
        case Mode::Spool:
            ::close(fd_);
            break;
        }
        fd_ = -1;
        mode_ = Mode::None;
    }

private:
    enum class Mode { None, Direct, Replace, Spool };

    std::optional<int> OpenStandardOutput() {
        shown_ = "standard output";
        struct stat st {};
        if (fstat(STDOUT_FILENO, &st) != 0) return Fail("cannot write", shown_, errno);
        const off_t at = ::lseek(STDOUT_FILENO, 0, SEEK_CUR);
        if (S_ISREG(st.st_mode) && at == st.st_size) {
            start_ = at;
            fd_ = STDOUT_FILENO;
            mode_ = Mode::Direct;
            return std::nullopt;
        }
        return OpenSpool();
    }

    std::optional<int> OpenSpool() {
        fd_ = AnonymousTempFile();
        if (fd_ < 0) return Fail("cannot create a temporary file in", TempDir(), errno);
        mode_ = Mode::Spool;
        return std::nullopt;
    }

    Mode mode_ = Mode::None;
    int fd_ = -1;
    std::string shown_;   // OUTPUT as named in messages
    std::string target_;  // file replaced, or device written, at the end
    std::string temp_;    // temporary file beside target_
    off_t start_ = 0;     // standard output's length before the list
};

// ---- Progress ---------------------------------------------------------------

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

// ---- The conversion ---------------------------------------------------------

int Convert(const Options& o) {
    if (!InitUIRuntime(0, nullptr, UIRT_BACKEND_HEADLESS)) {
        std::fputs("tarvik-convert: cannot start the user-interface run-time\n", stderr);
        return kExitFileError;
    }
    const std::string uir = FindResourceFile();
    if (LoadPanels(uir.c_str()) < 0) return Fail("cannot load the resource file", cp1251::to_utf8(uir), 0);

    Input in;
    if (const auto rc = OpenInput(o.input, in)) return *rc;
    Output out;
    if (const auto rc = out.Open(o.output)) return *rc;

    if (isatty(STDERR_FILENO)) {
        bar.file = in.file;
        bar.size = in.size > 0 ? in.size : 1;
        R.OnProgress = DrawProgress;
    }
    int outFd = out.fd();
    ChaStream stream(WriteChainBytes, &outFd);
    B.Out = &stream;
    R.ReadFailed = false;
    int form = o.form;
    int result = form == FormNone ? RunDecoders(in.file, S.MainPanel, kChainBox, &form)
                                  : RunDecoder(in.file, S.MainPanel, kChainBox, form);
    if (result >= 0) {
        try {
            stream.Flush();
        } catch (const OutputFailed&) {
            result = kOutputFailed;
        }
    }
    B.Out = nullptr;
    R.OnProgress = nullptr;
    ClearProgress();
    CVI_CloseFile(in.file);

    const std::string inputName = std::strcmp(o.input, "-") == 0 ? "standard input" : o.input;
    if (R.ReadFailed) return Fail("cannot read", inputName, 0);
    if (result == kNoRoom) return Fail("out of memory or temporary space while decoding", inputName, 0);
    if (result == kOutputFailed) return Fail("cannot write", o.output ? o.output : "standard output", g_writeError);
    if (result == kFormBroken) {
        out.Discard();
        std::fprintf(stderr, "tarvik-convert: %s: %s\n", inputName.c_str(), cp1251::to_utf8(FormErrorText()).c_str());
        return kExitUnrecognised;
    }
    if (result < 0) {
        out.Discard();
        std::fprintf(stderr, "tarvik-convert: %s: %s\n", inputName.c_str(),
                     cp1251::to_utf8("Неопознанный формат файла!"_cp1251).c_str());
        return kExitUnrecognised;
    }
    if (const int rc = out.Commit()) return rc;
    if (o.verbose) std::fprintf(stderr, "%s: %lld lines\n", FormName(form), static_cast<long long>(stream.Lines()));
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    Options o;
    if (const auto rc = ParseArgs(argc, argv, o)) return *rc;
    return Convert(o);
}
