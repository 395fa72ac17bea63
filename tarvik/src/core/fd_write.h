// Writing whole blocks of bytes to a file descriptor, for the command-line
// programs' outputs.
#ifndef TARVIK_FD_WRITE_H
#define TARVIK_FD_WRITE_H

#include <cstddef>

namespace tarvik {

// Writes count bytes to fd, going on after partial writes and interrupted
// calls. Returns false on a write error; errno then tells why.
bool WriteAll(int fd, const char* bytes, std::size_t count);

// WriteAll as a ByteSink (chain.h): ctx points to the int file descriptor.
bool WriteToFd(void* ctx, const char* bytes, std::size_t count);

}  // namespace tarvik

#endif
