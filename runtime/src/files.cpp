// Plain files (CVI_OpenFile and friends) with text-mode CR LF folding, and CompareStrings.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "core.h"
#include "cp1251.h"

namespace uirt {
namespace {

// One open file. In text mode a CR that ends a read is only delivered once
// the next byte is known: that byte is read ahead and kept in carry.
struct OpenFile {
    int fd = -1;
    bool text = false;
    int carry = -1;  // byte read from fd but not delivered yet, or -1

    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
    // File offset of the next byte to deliver.
    long position() const {
        long at = static_cast<long>(::lseek(fd, 0, SEEK_CUR));
        return at < 0 ? -1 : at - (carry >= 0 ? 1 : 0);
    }
};

// The table of open files; handles are slot index + 1.
struct FileTable {
    std::mutex lock;
    std::vector<std::unique_ptr<OpenFile>> slots;

    int add(std::unique_ptr<OpenFile> file) {
        for (size_t i = 0; i < slots.size(); ++i) {
            if (!slots[i]) {
                slots[i] = std::move(file);
                return static_cast<int>(i) + 1;
            }
        }
        slots.push_back(std::move(file));
        return static_cast<int>(slots.size());
    }
    OpenFile* get(int handle) {
        if (handle <= 0 || static_cast<size_t>(handle) > slots.size()) return nullptr;
        return slots[handle - 1].get();
    }
};

FileTable& files() {
    static FileTable table;
    return table;
}

// read() until count bytes or the end of the file; -1 on error.
long readFully(int fd, char* buffer, long count) {
    long done = 0;
    while (done < count) {
        ssize_t n = ::read(fd, buffer + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

// Folds every CR LF pair of buffer[0, n) into LF in place; returns the new length.
long foldPairs(char* buffer, long n) {
    char* end = buffer + n;
    char* cr = static_cast<char*>(std::memchr(buffer, '\r', static_cast<size_t>(n)));
    if (!cr) return n;
    char* out = cr;
    char* in = cr;
    while (in < end) {
        if (*in == '\r' && in + 1 < end && in[1] == '\n') {
            ++in;  // drop the CR, the LF is copied below
        }
        char* next = static_cast<char*>(std::memchr(in + 1, '\r', static_cast<size_t>(end - in - 1)));
        char* stop = next ? next : end;
        std::memmove(out, in, static_cast<size_t>(stop - in));
        out += stop - in;
        in = stop;
    }
    return out - buffer;
}

// Fills buffer with up to count delivered bytes. Each round folds the bytes
// not yet examined (a carried byte and what was just read); a CR that ends
// the round is resolved by reading one byte ahead.
int readText(OpenFile& f, char* buffer, int count) {
    long n = 0;
    bool eof = false;
    while (n < count && !eof) {
        long from = n;
        if (f.carry >= 0) {
            buffer[n++] = static_cast<char>(f.carry);
            f.carry = -1;
        }
        long want = count - n;
        long got = want > 0 ? readFully(f.fd, buffer + n, want) : 0;
        if (got < 0) return -1;
        eof = got < want;
        n += got;
        if (n == from) break;
        n = from + foldPairs(buffer + from, n - from);
        if (buffer[n - 1] != '\r' || eof) continue;
        char next;
        long peek = readFully(f.fd, &next, 1);
        if (peek < 0) return -1;
        if (peek == 0) eof = true;
        else if (next == '\n') buffer[n - 1] = '\n';
        else f.carry = static_cast<unsigned char>(next);
    }
    return static_cast<int>(n);
}

// Raw offset reached from `from` by moving over `count` delivered bytes in
// text mode (negative: backwards), a CR LF pair counting as one byte.
long textOffset(int fd, long from, long count) {
    constexpr long kChunk = 65536;
    std::vector<char> buf;
    long at = from;
    if (count < 0) {
        long left = -count;
        while (left > 0 && at > 0) {
            long span = std::min(kChunk, 2 * left + 1);  // a delivered byte spans at most 2
            long start = at > span ? at - span : 0;
            buf.resize(static_cast<size_t>(at - start));
            if (::pread(fd, buf.data(), buf.size(), start) != static_cast<ssize_t>(buf.size())) return -1;
            long i = at - start;  // index past the byte to step over
            while (left > 0 && i > 0) {
                bool pair = buf[i - 1] == '\n' && (i >= 2 ? buf[i - 2] == '\r' : false);
                if (buf[i - 1] == '\n' && i == 1 && start > 0) {
                    char before;
                    if (::pread(fd, &before, 1, start - 1) != 1) return -1;
                    pair = before == '\r';
                }
                i -= pair ? 2 : 1;
                --left;
            }
            at = start + i;
        }
        return at < 0 ? 0 : at;
    }
    long left = count;
    buf.resize(static_cast<size_t>(std::min(kChunk, 2 * left + 1)));
    while (left > 0) {
        ssize_t n = ::pread(fd, buf.data(), buf.size(), at);
        if (n < 0) return -1;
        if (n == 0) return at + left;  // past the end: plain offset
        long i = 0;
        while (left > 0 && i < n) {
            if (buf[i] == '\r' && i + 1 < n && buf[i + 1] == '\n') i += 2;
            else if (buf[i] == '\r' && i + 1 == n && n == static_cast<ssize_t>(buf.size())) break;
            else i += 1;
            --left;
        }
        at += i;
    }
    return at;
}

long seek(OpenFile& f, long offset, int origin) {
    long target;
    if (origin == 0) {
        target = offset;
    } else if (origin == 2) {
        struct stat st;
        if (::fstat(f.fd, &st) != 0) return -1;
        target = static_cast<long>(st.st_size) + offset;
    } else if (origin == 1) {
        long here = f.position();
        if (here < 0) return -1;
        target = f.text ? textOffset(f.fd, here, offset) : here + offset;
    } else {
        return -1;
    }
    if (target < 0) return -1;
    if (::lseek(f.fd, target, SEEK_SET) < 0) return -1;
    f.carry = -1;
    return target;
}

int openFlags(int readWrite, int action) {
    int flags;
    switch (readWrite) {
    case VAL_READ_WRITE: flags = O_RDWR | O_CREAT; break;
    case VAL_READ_ONLY: flags = O_RDONLY; break;
    case VAL_WRITE_ONLY: flags = O_WRONLY | O_CREAT; break;
    default: return -1;
    }
    if (readWrite != VAL_READ_ONLY) {
        if (action == VAL_TRUNCATE) flags |= O_TRUNC;
        else if (action == VAL_APPEND) flags |= O_APPEND;
        else if (action != VAL_OPEN_AS_IS) return -1;
    }
    return flags | O_CLOEXEC;
}

unsigned char foldCase(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDF) return static_cast<unsigned char>(c + 32);  // А..Я
    if (c == 0xA8) return 0xB8;                                              // Ё
    return c;
}

const char* from(const char* s, int index) {
    if (!s) return "";
    for (int i = 0; i < index; ++i, ++s) {
        if (!*s) break;
    }
    return s;
}

}  // namespace
}  // namespace uirt

using uirt::guarded;

extern "C" {

UIRT_API int CVI_OpenFile(const char* path, int readWrite, int action, int fileType) {
    return guarded<int>(-1, -1, [&]() -> int {
        int flags = uirt::openFlags(readWrite, action);
        if (!path || flags < 0 || (fileType != VAL_BINARY && fileType != VAL_ASCII)) return -1;
        auto f = std::make_unique<uirt::OpenFile>();
        // Paths are Windows-1251 text; the system's file names are UTF-8.
        f->fd = ::open(cp1251::to_utf8(path).c_str(), flags, 0666);
        if (f->fd < 0) return -1;
        struct stat st;
        if (::fstat(f->fd, &st) != 0 || S_ISDIR(st.st_mode)) return -1;
        f->text = fileType == VAL_ASCII;
        auto& table = uirt::files();
        std::lock_guard<std::mutex> hold(table.lock);
        return table.add(std::move(f));
    });
}

UIRT_API int CVI_ReadFile(int handle, char* buffer, int count) {
    return guarded<int>(-1, -1, [&]() -> int {
        auto& table = uirt::files();
        std::lock_guard<std::mutex> hold(table.lock);
        uirt::OpenFile* f = table.get(handle);
        if (!f || !buffer || count < 0) return -1;
        if (count == 0) return 0;
        if (f->text) return uirt::readText(*f, buffer, count);
        return static_cast<int>(uirt::readFully(f->fd, buffer, count));
    });
}

UIRT_API int CVI_WriteFile(int handle, const char* buffer, int count) {
    return guarded<int>(-1, -1, [&]() -> int {
        auto& table = uirt::files();
        std::lock_guard<std::mutex> hold(table.lock);
        uirt::OpenFile* f = table.get(handle);
        if (!f || !buffer || count < 0) return -1;
        if (f->carry >= 0) {
            if (::lseek(f->fd, -1, SEEK_CUR) < 0) return -1;
            f->carry = -1;
        }
        int done = 0;
        while (done < count) {
            ssize_t n = ::write(f->fd, buffer + done, static_cast<size_t>(count - done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            done += static_cast<int>(n);
        }
        return done;
    });
}

UIRT_API int CVI_CloseFile(int handle) {
    return guarded<int>(-1, -1, [&]() -> int {
        auto& table = uirt::files();
        std::lock_guard<std::mutex> hold(table.lock);
        if (!table.get(handle)) return -1;
        table.slots[handle - 1].reset();
        return 0;
    });
}

UIRT_API long SetFilePtr(int handle, long offset, int origin) {
    return guarded<long>(-1, -1, [&]() -> long {
        auto& table = uirt::files();
        std::lock_guard<std::mutex> hold(table.lock);
        uirt::OpenFile* f = table.get(handle);
        if (!f) return -1;
        return uirt::seek(*f, offset, origin);
    });
}

UIRT_API int CompareStrings(const char* s1, int index1, const char* s2, int index2,
                            int caseSensitive) {
    const auto* a = reinterpret_cast<const unsigned char*>(uirt::from(s1, index1));
    const auto* b = reinterpret_cast<const unsigned char*>(uirt::from(s2, index2));
    for (;; ++a, ++b) {
        unsigned char x = caseSensitive ? *a : uirt::foldCase(*a);
        unsigned char y = caseSensitive ? *b : uirt::foldCase(*b);
        if (x != y) return x < y ? -1 : 1;
        if (!x) return 0;
    }
}

}  // extern "C"
