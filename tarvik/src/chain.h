// Chain list builder shared by the three decoders, and the writer behind Save.
//
// A chain line is `#<N+1> "<NetName>" = node, node;`. The decoders build it in
// OutStr with the steps below and emit it into the text box they were given.
// Zero bytes read from a file are dropped from names and nodes (a text-box line
// is a C string, so a zero would cut the line short); every other byte is kept.
#ifndef TARVIK_CHAIN_H
#define TARVIK_CHAIN_H

#include <cstddef>
#include <cstring>

#include "buffer.h"

namespace tarvik {

struct BuilderState {
    ByteBuf NetName{256};   // name of the current net, zero-terminated
    ByteBuf OutStr{16384};  // the chain line being built
    std::size_t i = 0;      // write index into NetName, then the length of OutStr
    int N = 0;              // chain lines emitted by the running decoder
    int Panel = 0;          // text box that receives the lines
    int Control = 0;
};

extern BuilderState B;

// Stores a byte of the net name at NetName[i] (zero bytes are dropped).
inline void PutNameByte(char c) {
    if (c == 0) return;
    if (B.i + 1 >= B.NetName.cap) B.NetName.reserve(B.i + 2);
    B.NetName.p[B.i++] = c;
}
inline void EndName() { B.NetName.p[B.i] = 0; }

// OutStr[i] = c, i += 1 (zero bytes are dropped); room for a zero stays behind.
inline void Append(char c) {
    if (c == 0) return;
    if (B.i + 2 >= B.OutStr.cap) B.OutStr.reserve(B.i + 3);
    B.OutStr.p[B.i++] = c;
}
// Appends n bytes that hold no zero byte.
inline void AppendBytes(const char* bytes, std::size_t n) {
    if (B.i + n + 3 > B.OutStr.cap) B.OutStr.reserve(B.i + n + 3);
    char* to = B.OutStr.p + B.i;
    B.i += n;
    if (n > 16) {
        std::memcpy(to, bytes, n);
        return;
    }
    while (n--) *to++ = *bytes++;  // references and pins are short
}
// Stores n bytes that hold no zero byte in the net name.
inline void PutNameBytes(const char* bytes, std::size_t n) {
    B.NetName.reserve(B.i + n + 2);
    std::memcpy(B.NetName.p + B.i, bytes, n);
    B.i += n;
}
inline void AppendSeparator() {
    Append(',');
    Append(' ');
}

// Starts a decoder run: N = 0, lines go to panel/control.
void StartChains(int panel, int control);
// Progress, then the head "#%d \"%s\" = " from N + 1 and NetName; i = its length.
void BeginChain();
// Trimmed end: drop a trailing ", ", append ";", then emit.
void EndChainTrimmed();
// Overwrite end: the last two characters become ";" and the end, then emit.
void EndChainOverwrite();

// Writes every line of the text box followed by CR LF through sink, which gets
// blocks of bytes and returns false on a write failure. Returns false when a
// sink call failed, the text box could not be read, or memory ran out.
using ByteSink = bool (*)(void* ctx, const char* bytes, std::size_t count);
bool WriteChainList(int panel, int control, ByteSink sink, void* ctx);

}  // namespace tarvik

#endif
