// Byte buffers for names, chain lines and input lines: no fixed limit.
#ifndef TARVIK_BUFFER_H
#define TARVIK_BUFFER_H

#include <cstddef>
#include <cstdlib>
#include <new>
#include <stdexcept>

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

// A temporary file could not be created, written or read back.
struct SpillError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A byte string built at its end that keeps at most about kMemoryLimit bytes
// in memory, whatever its length: when it grows past that, all but its
// newest kKeep bytes move to a temporary file (made on first need, in TMPDIR
// or /tmp). The owner keeps the write index i into p; the string is the
// spilled bytes followed by p[0, i). The newest bytes always stay in p, so
// the last kKeep bytes can be read and changed in place.
struct SpillBuf : ByteBuf {
    static constexpr std::size_t kMemoryLimit = std::size_t{1} << 20;
    static constexpr std::size_t kKeep = 16;
    static constexpr std::size_t kSlack = 4;  // always room behind p[i] for a few bytes and a zero

    std::size_t spilled = 0;  // bytes before p[0], in the temporary file
    int fd = -1;

    explicit SpillBuf(std::size_t initial) : ByteBuf(initial) {}
    ~SpillBuf();

    // Empties the string (the write index is the owner's to reset).
    void clear() {
        if (spilled) forget();
    }
    // Makes room for n more bytes at p[i] and kSlack behind them; may move
    // old bytes out and lower i accordingly.
    void room(std::size_t& i, std::size_t n) {
        if (i + n + kSlack > cap) grow(i, n);
    }
    // Appends n bytes at p[i], advancing i (old bytes may move out first).
    void append(std::size_t& i, const char* bytes, std::size_t n);
    // Calls part(bytes, count) for the whole string in order: the spilled
    // bytes in pieces, then p[0, i).
    template <class Part>
    void forEach(std::size_t i, Part part) const {
        if (spilled) forEachSpilled([](void* ctx, const char* b, std::size_t c) { (*static_cast<Part*>(ctx))(b, c); },
                                    &part);
        if (i) part(p, i);
    }

private:
    void grow(std::size_t& i, std::size_t n);
    void spill(const char* bytes, std::size_t n);
    void forget();
    void forEachSpilled(void (*part)(void*, const char*, std::size_t), void* ctx) const;
};

}  // namespace tarvik

#endif
