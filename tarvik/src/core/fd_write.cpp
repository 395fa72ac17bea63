// Writing whole blocks of bytes to a file descriptor.
#include "fd_write.h"

#include <unistd.h>

#include <cerrno>

namespace tarvik {

bool WriteAll(int fd, const char* bytes, std::size_t count) {
    while (count) {
        const ssize_t w = ::write(fd, bytes, count);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += w;
        count -= static_cast<std::size_t>(w);
    }
    return true;
}

bool WriteToFd(void* ctx, const char* bytes, std::size_t count) {
    return WriteAll(*static_cast<int*>(ctx), bytes, count);
}

}  // namespace tarvik
