// Buffered output of Windows-1251 text, converted to UTF-8 for a terminal.
#include "text_out.h"

#include <unistd.h>

#include <array>

#include "cp1251.h"
#include "fd_write.h"

namespace tarvik {

namespace {

// UTF-8 form of every byte: up to three bytes, and its length.
struct Utf8Table {
    std::array<std::array<char, 3>, 256> bytes{};
    std::array<unsigned char, 256> length{};
    Utf8Table() {
        for (int b = 0; b < 256; ++b) {
            const std::string u = cp1251::to_utf8(std::string(1, static_cast<char>(b)));
            length[b] = static_cast<unsigned char>(u.size());
            for (std::size_t k = 0; k < u.size(); ++k) bytes[b][k] = u[k];
        }
    }
};

const Utf8Table& Table() {
    static const Utf8Table table;
    return table;
}

}  // namespace

TextOut::Encoding TextOut::ForFd(int fd) { return isatty(fd) ? Encoding::Utf8 : Encoding::Bytes; }

TextOut::TextOut(int fd, Encoding encoding) : fd_(fd), sink_(WriteToFd), ctx_(&fd_), encoding_(encoding) {}

void TextOut::AppendUtf8(std::string_view text) {
    const Utf8Table& t = Table();
    std::size_t from = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto b = static_cast<unsigned char>(text[k]);
        if (b < 0x80) continue;
        buffer_.append(text.data() + from, k - from);
        buffer_.append(t.bytes[b].data(), t.length[b]);
        from = k + 1;
    }
    buffer_.append(text.data() + from, text.size() - from);
}

bool TextOut::Flush() {
    if (!buffer_.empty()) {
        if (ok_) ok_ = sink_(ctx_, buffer_.data(), buffer_.size());
        buffer_.clear();
    }
    return ok_;
}

}  // namespace tarvik
