// Net-list input reader: one 4 MiB window over the open file, read byte by
// byte, line by line or in small look-ahead blocks, plus the progress report.
//
// Protocol: every decoder attempt starts with InitReadF, which rewinds the file
// and loads the first window. ReadF1/ReadFstr/ReadF deliver bytes and return a
// count (0 at the end of the file); MoveFptr steps back after a look-ahead that
// was not accepted. Progress reports the share of the file consumed.
// There is one reader in the program (ReaderState R); one decode runs at a time.
#ifndef TARVIK_READER_H
#define TARVIK_READER_H

#include <cstddef>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "buffer.h"

namespace tarvik {

// The window's size. A build may choose a small one (TARVIK_READ_WINDOW) so
// that small files cross its edges; it must hold the longest look-ahead.
#ifndef TARVIK_READ_WINDOW
#define TARVIK_READ_WINDOW 4194304
#endif
inline constexpr int kWindowSize = TARVIK_READ_WINDOW;
static_assert(kWindowSize >= 16, "the ACCEL ASCII decoder looks 11 bytes ahead");
inline constexpr int kWindowPadding = 64;  // readable bytes behind the window, for block scans

struct ReaderState {
    char FileBuf[kWindowSize + kWindowPadding];  // the window, plus room for a terminating zero
    int BufPos = 0;                 // index of the next byte to deliver
    int BufLen = 0;                 // number of valid bytes in FileBuf
    char InChar = 0;                // the byte last read by a decoder's character loop
    long long n = 0;                // result of the last reader call made by a decoder
    bool ReadFailed = false;        // a platform read reported an error (sticky; cleared by the caller)
    int ProgressPanel = 0;          // panel whose progress control shows the progress value
    int LastProgress = -1;          // value last set on the progress control (-1 at an attempt's start)
    long long FileSize = 0;         // size of the file, taken by InitReadF
    long long WindowEnd = 0;        // file offset just behind the window's last byte
    void (*OnProgress)(int value) = nullptr;  // optional observer of progress changes
    bool ByteByByte = false;        // no runs and no in-window fast paths: every byte through ReadF1
    bool StopRequested = false;     // the decode is to end: the data ends at the next progress step
    int ReadErrno = 0;              // errno of the first failed platform read (with ReadFailed)
};

extern ReaderState R;

// Loads up to kWindowSize - s bytes from the file into FileBuf[s..]; returns
// the count (a read error counts as 0 and sets ReadFailed).
int LoadWindow(int file, int s);

void InitReadF(int file);

// Delivers one byte into *out; 1, or 0 at the end of the data (out untouched).
inline int ReadF1(int file, char* out) {
    if (R.BufPos == R.BufLen) {
        R.BufPos = 0;
        R.BufLen = LoadWindow(file, 0);
    }
    if (R.BufPos < R.BufLen) {
        *out = R.FileBuf[R.BufPos++];
        return 1;
    }
    return 0;
}

// A set of byte values that end a run: up to five given ones, or every
// visible byte (above 0x20). Runs are scanned 16 bytes at a time.
struct ByteSet {
    char bytes[5] = {};
    int count = 0;
    bool visible = false;

    constexpr ByteSet(const char* b, int n) : count(n) {
        for (int k = 0; k < n; ++k) bytes[k] = b[k];
    }
    static constexpr ByteSet VisibleBytes() {
        ByteSet set{"", 0};
        set.visible = true;
        return set;
    }
    constexpr bool operator()(char c) const {
        if (visible) return static_cast<unsigned char>(c) > 0x20;
        for (int k = 0; k < count; ++k)
            if (c == bytes[k]) return true;
        return false;
    }
#ifdef __SSE2__
    // Bit k set when p[k] is in the set, for k < 16.
    unsigned Mask16(const char* p) const {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hit;
        if (visible) {
            hit = _mm_cmpeq_epi8(_mm_max_epu8(v, _mm_set1_epi8(0x21)), v);
        } else {
            hit = _mm_cmpeq_epi8(v, _mm_set1_epi8(bytes[0]));
            for (int k = 1; k < count; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8(bytes[k])));
        }
        return static_cast<unsigned>(_mm_movemask_epi8(hit));
    }
#endif
};

// The first byte of Stops in [p, end), or end; p and end lie in the window.
template <const ByteSet& Stops>
inline const char* ScanTo(const char* p, const char* end) {
#ifdef __SSE2__
    // The window's padding makes the 16 bytes readable up to its end.
    while (p < end) {
        if (const unsigned hits = Stops.Mask16(p)) {
            p += __builtin_ctz(hits);
            break;
        }
        p += 16;
    }
    return p < end ? p : end;
#else
    while (p < end && !Stops(*p)) ++p;
    return p;
#endif
}

// Finds the bytes of Stops for many short tokens in a row: the stops of 64
// bytes at a time are found at once and kept as a bit mask, so that the next
// token's end is a shift and a bit count away.
template <const ByteSet& Stops>
class StopFinder {
public:
    // The first byte of Stops in [p, end), or end; p and end lie in the window.
    const char* Next(const char* p, const char* end) {
        for (;;) {
            if (p >= end) return end;
            if (!at_ || p < at_ || p >= at_ + 64) Load(p);
            if (const std::uint64_t rest = mask_ >> (p - at_)) {
                const char* stop = p + __builtin_ctzll(rest);
                return stop < end ? stop : end;
            }
            p = at_ + 64;
        }
    }

private:
    void Load(const char* p) {
        at_ = p;
#ifdef __SSE2__
        mask_ = 0;
        for (int k = 0; k < 4; ++k) mask_ |= std::uint64_t{Stops.Mask16(p + 16 * k)} << (16 * k);
#else
        mask_ = 0;
        for (int k = 0; k < 64; ++k) mask_ |= std::uint64_t{Stops(p[k])} << k;
#endif
    }

    const char* at_ = nullptr;  // the 64 bytes the mask describes begin here
    std::uint64_t mask_ = 0;
};

// Number of bytes from BufPos on, within the window, before the first byte of
// Stops. The decoders take such a run at once instead of byte by byte when
// every byte of it would be handled the same way; the bytes stay unread.
template <const ByteSet& Stops>
inline std::size_t RunBefore() {
    if (R.ByteByByte) return 0;
    const char* const from = R.FileBuf + R.BufPos;
    return static_cast<std::size_t>(ScanTo<Stops>(from, R.FileBuf + R.BufLen) - from);
}

// Consumes a run found by RunBefore; InChar holds its last byte, as if it had
// been read byte by byte.
inline void SkipRun(std::size_t run) {
    R.BufPos += static_cast<int>(run);
    R.InChar = R.FileBuf[R.BufPos - 1];
}

template <const ByteSet& Stops>
inline void SkipRunBefore() {
    if (const std::size_t run = RunBefore<Stops>()) SkipRun(run);
}

// Reads one line, its LF included, into str from index 0 (not zero-terminated;
// str grows as needed). Returns the number of bytes stored, 0 when none was left.
long long ReadFstr(int file, ByteBuf& str);

// Reads up to len bytes into dst, topping the window up first so that a block
// straddling the window's end arrives whole. Returns the count.
int ReadF(int file, char* dst, int len);

// Moves the read position by delta (negative: step back over a look-ahead).
void MoveFptr(int file, int delta);

// Sets the progress control to the share of the file consumed (100 * offset
// of the next byte / file size, truncated; never less than the value set
// before in the same attempt) and processes pending events.
// When StopRequested is set (by a callback run here or before), the data ends
// at this point: the window is cut at BufPos and no further bytes are loaded,
// so the running decoder meets the end of the file and returns.
void Progress();

}  // namespace tarvik

#endif
