// Net-list input reader: one 4 MiB window over the open file, read byte by
// byte, line by line or in small look-ahead blocks, plus the progress report.
//
// Protocol: every decoder attempt starts with InitReadF, which rewinds the file
// and loads the first window. ReadF1/ReadFstr/ReadF deliver bytes and return a
// count (0 at the end of the file); MoveFptr steps back after a look-ahead that
// was not accepted. Progress reports the share of the window consumed.
// There is one reader in the program (ReaderState R); one decode runs at a time.
#ifndef TARVIK_READER_H
#define TARVIK_READER_H

#include <cstddef>

#include "buffer.h"

namespace tarvik {

// The window's size. A build may choose a small one (TARVIK_READ_WINDOW) so
// that small files cross its edges; it must hold the longest look-ahead.
#ifndef TARVIK_READ_WINDOW
#define TARVIK_READ_WINDOW 4194304
#endif
inline constexpr int kWindowSize = TARVIK_READ_WINDOW;
static_assert(kWindowSize >= 16, "the ACCEL ASCII decoder looks 11 bytes ahead");

struct ReaderState {
    char FileBuf[kWindowSize + 1];  // the window, plus room for a terminating zero
    int BufPos = 0;                 // index of the next byte to deliver
    int BufLen = 0;                 // number of valid bytes in FileBuf
    char InChar = 0;                // the byte last read by a decoder's character loop
    long long n = 0;                // result of the last reader call made by a decoder
    bool ReadFailed = false;        // a platform read reported an error (sticky; cleared by the caller)
    int ProgressPanel = 0;          // panel whose control 3 shows the progress value
    int LastProgress = -1;          // value last set on the progress control
    void (*OnProgress)(int value) = nullptr;  // optional observer of progress changes
    bool ByteByByte = false;        // no runs (RunBefore gives 0): every byte through ReadF1
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

// A set of byte values, for scanning runs of bytes in the window.
struct ByteSet {
    bool has[256] = {};
    constexpr ByteSet(const char* bytes, std::size_t count) {
        for (std::size_t k = 0; k < count; ++k) has[static_cast<unsigned char>(bytes[k])] = true;
    }
    constexpr bool operator()(char c) const { return has[static_cast<unsigned char>(c)]; }
};

// Number of bytes from BufPos on, within the window, before the first byte of
// stops. The decoders take such a run at once instead of byte by byte when
// every byte of it would be handled the same way; the bytes stay unread.
inline std::size_t RunBefore(const ByteSet& stops) {
    if (R.ByteByByte) return 0;
    const char* const from = R.FileBuf + R.BufPos;
    const char* const end = R.FileBuf + R.BufLen;
    const char* p = from;
    while (p < end && !stops(*p)) ++p;
    return static_cast<std::size_t>(p - from);
}

// Consumes a run found by RunBefore; InChar holds its last byte, as if it had
// been read byte by byte.
inline void SkipRun(std::size_t run) {
    R.BufPos += static_cast<int>(run);
    R.InChar = R.FileBuf[R.BufPos - 1];
}

inline void SkipRunBefore(const ByteSet& stops) {
    if (const std::size_t run = RunBefore(stops)) SkipRun(run);
}

// Reads one line, its LF included, into str from index 0 (not zero-terminated;
// str grows as needed). Returns the number of bytes stored, 0 when none was left.
long long ReadFstr(int file, ByteBuf& str);

// Reads up to len bytes into dst, topping the window up first so that a block
// straddling the window's end arrives whole. Returns the count.
int ReadF(int file, char* dst, int len);

// Moves the read position by delta (negative: step back over a look-ahead).
void MoveFptr(int file, int delta);

// Sets the progress control to 100 * BufPos / BufLen and processes pending events.
void Progress();

}  // namespace tarvik

#endif
