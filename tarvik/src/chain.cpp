// Chain list builder steps and the .cha writer (each text-box line + CR LF).
#include "chain.h"

#include <cstring>
#include <new>

#include "reader.h"
#include "uirt.h"

namespace tarvik {

BuilderState B;

void StartChains(int panel, int control) {
    B.N = 0;
    B.Panel = panel;
    B.Control = control;
}

void BeginChain() {
    Progress();
    // "#%d \"%s\" = " written by hand: the decimal number, then the name.
    char num[16];
    int k = 0;
    unsigned v = static_cast<unsigned>(B.N) + 1u;
    do {
        num[k++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    const std::size_t nameLen = std::strlen(B.NetName.p);
    B.OutStr.reserve(nameLen + 32);
    char* o = B.OutStr.p;
    std::size_t j = 0;
    o[j++] = '#';
    while (k) o[j++] = num[--k];
    o[j++] = ' ';
    o[j++] = '"';
    std::memcpy(o + j, B.NetName.p, nameLen);
    j += nameLen;
    o[j++] = '"';
    o[j++] = ' ';
    o[j++] = '=';
    o[j++] = ' ';
    B.i = j;
}

static void Emit() {
    InsertTextBoxLine(B.Panel, B.Control, -1, B.OutStr.p);
    B.N += 1;
}

void EndChainTrimmed() {
    if (B.OutStr.p[B.i - 2] == ',') B.i -= 2;
    Append(';');
    B.OutStr.p[B.i] = 0;
    Emit();
}

void EndChainOverwrite() {
    B.OutStr.p[B.i - 2] = ';';
    B.OutStr.p[B.i - 1] = 0;
    Emit();
}

namespace {

// Collects output bytes in blocks so that the sink is called rarely; a line
// is copied from the text box straight into the block.
struct BlockWriter {
    ByteSink sink;
    void* ctx;
    ByteBuf block{1 << 20};
    std::size_t used = 0;
    bool ok = true;

    // Room for count more bytes at block.p + used.
    char* room(std::size_t count) {
        if (used + count > block.cap) flush();
        block.reserve(count);
        return block.p + used;
    }
    void flush() {
        if (used) ok = sink(ctx, block.p, used) && ok;
        used = 0;
    }
};

}  // namespace

bool WriteChainList(int panel, int control, ByteSink sink, void* ctx) {
    try {
        BlockWriter out{sink, ctx};
        int count = 0;
        if (GetNumTextBoxLines(panel, control, &count) < 0) return false;
        for (int k = 0; k < count; ++k) {
            int len = 0;
            if (GetTextBoxLineLength(panel, control, k, &len) < 0) return false;
            const std::size_t l = static_cast<std::size_t>(len);
            char* line = out.room(l + 2);
            if (GetTextBoxLine(panel, control, k, line) < 0) return false;
            line[l] = '\r';
            line[l + 1] = '\n';
            out.used += l + 2;
        }
        out.flush();
        return out.ok;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace tarvik
