// Growable byte buffer for names, chain lines and input lines: no fixed limit.
#ifndef TARVIK_BUFFER_H
#define TARVIK_BUFFER_H

#include <cstddef>
#include <cstdlib>
#include <new>

namespace tarvik {

// A plain heap block that only grows. at(k) is valid for k < cap; reserve()
// keeps the old bytes. Owned by the module state that holds it.
struct ByteBuf {
    char* p = nullptr;
    std::size_t cap = 0;

    ByteBuf() = default;
    explicit ByteBuf(std::size_t initial) { reserve(initial); }
    ByteBuf(const ByteBuf&) = delete;
    ByteBuf& operator=(const ByteBuf&) = delete;
    ~ByteBuf() { std::free(p); }

    // Makes room for at least need bytes.
    void reserve(std::size_t need) {
        if (need <= cap) return;
        std::size_t c = cap ? cap : 256;
        while (c < need) c *= 2;
        void* q = std::realloc(p, c);
        if (!q) throw std::bad_alloc();
        p = static_cast<char*>(q);
        cap = c;
    }
};

}  // namespace tarvik

#endif
