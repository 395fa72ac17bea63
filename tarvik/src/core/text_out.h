// Buffered output of the programs' Windows-1251 text to a file descriptor:
// converted to UTF-8 for a terminal, the bytes as they are for a pipe or file.
#ifndef TARVIK_TEXT_OUT_H
#define TARVIK_TEXT_OUT_H

#include <cstddef>
#include <string>
#include <string_view>

#include "chain.h"

namespace tarvik {

class TextOut {
public:
    enum class Encoding {
        Bytes,  // written unchanged (Windows-1251 text, or text already in UTF-8)
        Utf8,   // every Windows-1251 byte written as its UTF-8 character
    };

    // The encoding a terminal gets (UTF-8) or anything else gets (the bytes).
    static Encoding ForFd(int fd);

    // Writes to fd.
    TextOut(int fd, Encoding encoding);
    // Writes through sink (a file, a string in tests).
    TextOut(ByteSink sink, void* ctx, Encoding encoding) : sink_(sink), ctx_(ctx), encoding_(encoding) {}
    TextOut(const TextOut&) = delete;  // ctx may point to fd_
    TextOut& operator=(const TextOut&) = delete;
    ~TextOut() { Flush(); }

    Encoding encoding() const { return encoding_; }

    // Appends text (Windows-1251 unless the encoding is Bytes and the caller
    // writes UTF-8); written out in large blocks.
    TextOut& operator<<(std::string_view text) {
        if (encoding_ == Encoding::Bytes) buffer_.append(text);
        else AppendUtf8(text);
        if (buffer_.size() >= kBlock) Flush();
        return *this;
    }
    TextOut& operator<<(char c) { return *this << std::string_view(&c, 1); }

    // Writes what is buffered. Returns false when this or an earlier write
    // failed (for a file descriptor, errno was then set by the failing write).
    bool Flush();
    bool ok() const { return ok_; }

private:
    static constexpr std::size_t kBlock = 1 << 20;
    void AppendUtf8(std::string_view text);

    int fd_ = -1;
    ByteSink sink_;
    void* ctx_;
    Encoding encoding_;
    std::string buffer_;
    bool ok_ = true;
};

}  // namespace tarvik

#endif
