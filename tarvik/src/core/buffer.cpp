// The spilling buffer's slow paths: growing, moving bytes out to its
// temporary file and reading them back.
#include "buffer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

namespace tarvik {

namespace {

// An unnamed temporary file for the process's own use.
int MakeTempFile() {
    const char* dir = std::getenv("TMPDIR");
    if (!dir || !*dir) dir = "/tmp";
    int fd = ::open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string path = std::string(dir) + "/tarvik-XXXXXX";
    fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) throw SpillError("cannot create a temporary file in " + std::string(dir));
    ::unlink(path.c_str());
    return fd;
}

}  // namespace

SpillBuf::~SpillBuf() {
    if (fd >= 0) ::close(fd);
}

void SpillBuf::spill(const char* bytes, std::size_t n) {
    if (fd < 0) fd = MakeTempFile();
    while (n) {
        const ssize_t w = ::pwrite(fd, bytes, n, static_cast<off_t>(spilled));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) throw SpillError(std::string("cannot write a temporary file: ") + std::strerror(errno));
        bytes += w;
        n -= static_cast<std::size_t>(w);
        spilled += static_cast<std::size_t>(w);
    }
}

void SpillBuf::forget() {
    spilled = 0;
    if (::ftruncate(fd, 0) != 0) {
        // The file is only rewritten from its start; its old length is harmless.
    }
}

void SpillBuf::grow(std::size_t& i, std::size_t n) {
    if (i + n + kSlack <= kMemoryLimit || i <= kKeep) {
        reserve(i + n + kSlack);
        return;
    }
    // Too long for memory: all but the newest bytes go to the file.
    spill(p, i - kKeep);
    std::memmove(p, p + i - kKeep, kKeep);
    i = kKeep;
    reserve(i + n + kSlack);
}

void SpillBuf::append(std::size_t& i, const char* bytes, std::size_t n) {
    if (i + n + kSlack <= cap || i + n + kSlack <= kMemoryLimit) {
        reserve(i + n + kSlack);
        std::memcpy(p + i, bytes, n);
        i += n;
        return;
    }
    // The string's first total - kKeep bytes go to the file, whether they
    // are in memory now or among the new ones; the newest kKeep stay.
    const std::size_t total = i + n;
    const std::size_t out = total - std::min(total, kKeep);
    const std::size_t fromMemory = std::min(i, out);
    spill(p, fromMemory);
    spill(bytes, out - fromMemory);
    char keep[kKeep];
    std::size_t k = 0;
    for (std::size_t at = out; at < total; ++at) keep[k++] = at < i ? p[at] : bytes[at - i];
    reserve(k + kSlack);
    std::memcpy(p, keep, k);
    i = k;
}

void SpillBuf::forEachSpilled(void (*part)(void*, const char*, std::size_t), void* ctx) const {
    constexpr std::size_t kPiece = 1 << 16;
    const std::unique_ptr<char[]> piece(new char[kPiece]);
    for (std::size_t at = 0; at < spilled;) {
        const ssize_t r = ::pread(fd, piece.get(), std::min(kPiece, spilled - at), static_cast<off_t>(at));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) throw SpillError(std::string("cannot read a temporary file back: ") + std::strerror(errno));
        part(ctx, piece.get(), static_cast<std::size_t>(r));
        at += static_cast<std::size_t>(r);
    }
}

}  // namespace tarvik
