// Chain list builder shared by the three decoders, and the writers of the
// .cha bytes: from the text box (the save command) or straight from the
// decoders (the command-line converter).
//
// A chain line is `#<N+1> "<NetName>" = node, node;`. The decoders build it in
// OutStr with the steps below and emit it into the text box they were given,
// or, when a ChaStream is attached, as .cha bytes into that stream.
// Zero bytes read from a file are dropped from names and nodes (a text-box line
// is a C string, so a zero would cut the line short); every other byte is kept.
// Names and chain lines of any length are held in bounded memory (SpillBuf).
#ifndef TARVIK_CHAIN_H
#define TARVIK_CHAIN_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "buffer.h"

namespace tarvik {

// Receives blocks of output bytes; returns false on a write failure.
using ByteSink = bool (*)(void* ctx, const char* bytes, std::size_t count);

// The .cha bytes of emitted chain lines, exactly as the save command would
// write them from the text box: a line's LF bytes start new text-box lines,
// so each becomes CR LF, and every line ends with CR LF. The bytes go to the
// sink in blocks; a failed write raises OutputFailed.
class ChaStream {
public:
    ChaStream(ByteSink sink, void* ctx) : sink_(sink), ctx_(ctx) {}
    ChaStream(const ChaStream&) = delete;
    ChaStream& operator=(const ChaStream&) = delete;

    // Bytes of the current line (any number of calls), then its end.
    void Part(const char* bytes, std::size_t count);
    void EndLine();
    // A whole line at once: Part, then EndLine.
    void Line(const char* bytes, std::size_t count) {
        if (used_ + count + 2 <= block_.cap && !HasLf(bytes, count)) {
            char* to = block_.p + used_;
            std::memcpy(to, bytes, count);
            to[count] = '\r';
            to[count + 1] = '\n';
            used_ += count + 2;
            ++lines_;
            return;
        }
        Part(bytes, count);
        EndLine();
    }
    // Passes the bytes still held to the sink.
    void Flush();
    // Text-box lines written so far (LF bytes inside chain lines count).
    std::int64_t Lines() const { return lines_; }

private:
    void Put(const char* bytes, std::size_t count);
    // Whether an LF is among the count bytes (a chain line is mostly 16 to
    // 100 bytes long: two overlapping 16-byte blocks at the ends do for many).
    static bool HasLf(const char* bytes, std::size_t count) {
#ifdef __SSE2__
        if (count >= 16) {
            const __m128i lf = _mm_set1_epi8('\n');
            std::size_t k = 0;
            for (; k + 16 < count; k += 16)
                if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + k)), lf)))
                    return true;
            return _mm_movemask_epi8(
                       _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + count - 16)), lf)) != 0;
        }
#endif
        return std::memchr(bytes, '\n', count) != nullptr;
    }

    ByteSink sink_;
    void* ctx_;
    ByteBuf block_{1 << 20};
    std::size_t used_ = 0;
    std::int64_t lines_ = 0;
};

// The chain list's output could not be written (ChaStream's sink failed).
struct OutputFailed {};

// The text box refused a chain line: the list would pass the most a box holds.
struct ListTooLarge {};

struct BuilderState {
    SpillBuf NetName{256};   // name of the current net, zero-terminated
    SpillBuf OutStr{16384};  // the chain line being built
    std::size_t i = 0;       // write index into NetName, then into OutStr
    std::size_t NameLen = 0;  // NetName's length in memory, set by EndName
    std::int64_t N = 0;      // chain lines emitted by the running decoder
    char Number[24] = "1";   // N + 1 in decimal, zero-terminated
    int NumberLen = 1;
    int Panel = 0;           // text box that receives the lines
    int Control = 0;
    ChaStream* Out = nullptr;  // when set, lines go here instead of the text box
};

extern BuilderState B;

// Starts a net name: i = 0, the old name is gone.
inline void StartName() {
    B.i = 0;
    B.NetName.clear();
}
// Stores a byte of the net name at NetName[i] (zero bytes are dropped).
inline void PutNameByte(char c) {
    if (c == 0) return;
    B.NetName.room(B.i, 1);
    B.NetName.p[B.i++] = c;
}
inline void EndName() {
    B.NetName.p[B.i] = 0;
    B.NameLen = B.i;
}

// OutStr[i] = c, i += 1 (zero bytes are dropped); room for a zero stays behind.
inline void Append(char c) {
    if (c == 0) return;
    B.OutStr.room(B.i, 1);
    B.OutStr.p[B.i++] = c;
}
// Appends n bytes that hold no zero byte.
inline void AppendBytes(const char* bytes, std::size_t n) {
    if (B.i + n + SpillBuf::kSlack > B.OutStr.cap) {
        B.OutStr.append(B.i, bytes, n);
        return;
    }
    std::memcpy(B.OutStr.p + B.i, bytes, n);
    B.i += n;
}
// The same for a run of the reader's window, which stays readable 16 bytes
// past its end: a short run is copied as one 16-byte block.
inline void AppendWindowBytes(const char* bytes, std::size_t n) {
    if (n <= 16 && B.i + 16 + SpillBuf::kSlack <= B.OutStr.cap) {
        std::memcpy(B.OutStr.p + B.i, bytes, 16);
        B.i += n;
        return;
    }
    AppendBytes(bytes, n);
}
// Stores n bytes that hold no zero byte in the net name.
inline void PutNameBytes(const char* bytes, std::size_t n) {
    if (B.i + n + SpillBuf::kSlack > B.NetName.cap) {
        B.NetName.append(B.i, bytes, n);
        return;
    }
    std::memcpy(B.NetName.p + B.i, bytes, n);
    B.i += n;
}
inline void AppendSeparator() {
    Append(',');
    Append(' ');
}

// Starts a decoder run: N = 0, lines go to panel/control (or to B.Out).
void StartChains(int panel, int control);
// Progress, then the head "#%d \"%s\" = " from N + 1 and NetName; i = its length.
void BeginChain();
// Trimmed end: drop a trailing ", ", append ";", then emit.
void EndChainTrimmed();
// Overwrite end: the last two characters become ";" and the end, then emit.
void EndChainOverwrite();

// Writes every line of the text box followed by CR LF through sink. Returns
// false when a sink call failed, the text box could not be read, or memory
// ran out.
bool WriteChainList(int panel, int control, ByteSink sink, void* ctx);

}  // namespace tarvik

#endif
