// Reads one side of a comparison: a .cha chain list, or a net list decoded
// through the headless text box.
#include "list_loader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <new>
#include <string>

#include "cp1251.h"
#include "fd_write.h"
#include "reader.h"
#include "uirt.h"

namespace tarvik {

namespace {

// Reads fd to its end into bytes; false on a read error (errno set).
bool ReadAll(int fd, std::size_t sizeHint, std::string& bytes) {
    bytes.assign(sizeHint + 1, '\0');  // a file's size and one more: its end is seen at once
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) bytes.resize(used * 2 + 65536);
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    bytes.resize(used);
    return true;
}

// A temporary copy of input that cannot be read twice; removed with the object.
struct TempFile {
    std::string path;
    ~TempFile() {
        if (!path.empty()) ::unlink(path.c_str());
    }
    // Writes bytes to a new file in TMPDIR (or /tmp); false with errno set.
    bool Write(const std::string& bytes) {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir && *dir ? dir : "/tmp") + "/tarvik-diff-XXXXXX";
        const int fd = mkstemp(p.data());
        if (fd < 0) return false;
        path = p;
        const bool ok = WriteAll(fd, bytes.data(), bytes.size());
        const int err = errno;
        ::close(fd);
        errno = err;
        return ok;
    }
};

LoadResult Failed(LoadResult::Status status, int error = 0) {
    LoadResult r;
    r.status = status;
    r.error = error;
    return r;
}

double ThreadCpuSeconds() {
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Opens the file with the system's (UTF-8) name path for the decoders.
// CVI_OpenFile takes Windows-1251 text, so the file is opened here and handed
// over as /proc/self/fd/N; without /proc, by its name when Windows-1251 can
// hold it. A handle > 0, or <= 0 with errno set.
int OpenForDecoders(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    int file = CVI_OpenFile(("/proc/self/fd/" + std::to_string(fd)).c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    ::close(fd);
    if (file <= 0) {
        bool lossless = false;
        const std::string text = cp1251::from_utf8(path, '?', &lossless);
        if (lossless) file = CVI_OpenFile(text.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    }
    return file;
}

// Runs the decoders on the file at path (only form's, when given); their
// chain list goes into list.
LoadResult Decode(const char* path, int panel, int control, ChainList& list, int form) {
    const int file = OpenForDecoders(path);
    if (file <= 0) return Failed(LoadResult::CannotRead);
    ResetTextBox(panel, control, "");
    R.ReadFailed = false;
    LoadResult r;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuSeconds();
    r.form = form;
    const int result = form == FormNone ? RunDecoders(file, panel, control, &r.form)
                                        : RunDecoder(file, panel, control, form);
    r.decodeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.decodeCpu = ThreadCpuSeconds() - cpuStart;
    CVI_CloseFile(file);
    if (R.ReadFailed) {
        ResetTextBox(panel, control, "");
        return Failed(LoadResult::CannotRead, EIO);
    }
    if (result == kNoRoom) r.status = LoadResult::OutOfMemory;
    else if (result == kTooLarge) r.status = LoadResult::TooLarge;
    else if (result == kFormBroken) r.status = LoadResult::Broken;
    else if (result < 0) r.status = LoadResult::Unrecognised;
    // The text box's text: its lines joined by LF, the chain list but for the
    // CR before each LF.
    std::string text;
    int length = 0;
    if (r.status == LoadResult::Ok) {
        if (GetCtrlAttribute(panel, control, ATTR_STRING_TEXT_LENGTH, &length) < 0) {
            r.status = LoadResult::OutOfMemory;
        } else {
            text.resize(static_cast<std::size_t>(length) + 1);
            if (GetCtrlVal(panel, control, text.data()) < 0) r.status = LoadResult::OutOfMemory;
            text.resize(static_cast<std::size_t>(length));
        }
    }
    ResetTextBox(panel, control, "");
    if (r.status == LoadResult::Ok && (r.badLine = ParseChainList(std::move(text), list)) != 0)
        r.status = LoadResult::NotChainList;
    return r;
}

// Reads the bytes of path ("-": standard input); false with error set when
// it cannot be read (a folder included).
bool ReadFile(const char* path, std::string& bytes, int& error) {
    const bool input = std::string_view(path) == "-";
    const int fd = input ? STDIN_FILENO : ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    struct stat st {};
    bool ok = fstat(fd, &st) == 0;
    if (ok && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        ok = false;
    }
    ok = ok && ReadAll(fd, S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0, bytes);
    error = ok ? 0 : errno;
    if (!input) ::close(fd);
    return ok;
}

}  // namespace

const char* ListFormName(int form) { return form == FormChainList ? "chain list" : FormName(form); }

bool IsChainListName(std::string_view path) {
    if (path.size() < 4) return false;
    const std::string_view ext = path.substr(path.size() - 4);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return ext[0] == '.' && lower(ext[1]) == 'c' && lower(ext[2]) == 'h' && lower(ext[3]) == 'a';
}

LoadResult LoadList(const char* path, int panel, int control, ChainList& list, int form) {
    try {
        std::string bytes;
        int error = 0;
        if (IsChainListName(path)) {
            if (!ReadFile(path, bytes, error)) return Failed(LoadResult::CannotRead, error);
            LoadResult r;
            r.form = FormChainList;
            if ((r.badLine = ParseChainList(std::move(bytes), list)) != 0) r.status = LoadResult::NotChainList;
            return r;
        }
        // A regular file is opened by the decoders; anything else is read
        // once here and decoded from a temporary copy.
        struct stat st {};
        const bool input = std::string_view(path) == "-";
        if (input ? fstat(STDIN_FILENO, &st) != 0 : stat(path, &st) != 0) return Failed(LoadResult::CannotRead, errno);
        if (S_ISDIR(st.st_mode)) return Failed(LoadResult::CannotRead, EISDIR);
        const bool regular = S_ISREG(st.st_mode) && !input;
        if (regular) {
            const int probe = ::open(path, O_RDONLY | O_CLOEXEC);
            if (probe < 0) return Failed(LoadResult::CannotRead, errno);
            ::close(probe);
        } else if (!ReadFile(path, bytes, error)) {
            return Failed(LoadResult::CannotRead, error);
        }
        TempFile copy;
        if (!regular && !copy.Write(bytes)) return Failed(LoadResult::CannotRead, errno);
        LoadResult r = Decode(regular ? path : copy.path.c_str(), panel, control, list, form);
        if (r.status != LoadResult::Unrecognised || form != FormNone) return r;
        // None of the forms: perhaps a chain list that is not named .cha.
        if (regular && !ReadFile(path, bytes, error)) return Failed(LoadResult::CannotRead, error);
        ChainList chains;
        if (bytes.empty() || ParseChainList(std::move(bytes), chains) != 0) return r;
        list = std::move(chains);
        r.status = LoadResult::Ok;
        r.form = FormChainList;
        return r;
    } catch (const std::bad_alloc&) {
        return Failed(LoadResult::OutOfMemory);
    }
}

}  // namespace tarvik
