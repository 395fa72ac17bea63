// Chain list builder steps, the .cha stream of the converter and the .cha
// writer of the save command (each text-box line + CR LF).
#include "chain.h"

#include <cstring>
#include <memory>
#include <new>

#include "reader.h"
#include "uirt.h"

namespace tarvik {

BuilderState B;

// ---- ChaStream --------------------------------------------------------------

void ChaStream::Put(const char* bytes, std::size_t count) {
    while (count) {
        if (used_ == block_.cap) Flush();
        const std::size_t take = count < block_.cap - used_ ? count : block_.cap - used_;
        std::memcpy(block_.p + used_, bytes, take);
        used_ += take;
        bytes += take;
        count -= take;
    }
}

void ChaStream::Part(const char* bytes, std::size_t count) {
    // Chain lines rarely hold an LF (an ORCAD or ACCEL ASCII name may).
    while (const void* lf = std::memchr(bytes, '\n', count)) {
        const std::size_t before = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes);
        Put(bytes, before);
        Put("\r\n", 2);
        ++lines_;
        bytes += before + 1;
        count -= before + 1;
    }
    Put(bytes, count);
}

void ChaStream::EndLine() {
    Put("\r\n", 2);
    ++lines_;
}

void ChaStream::Flush() {
    if (used_ == 0) return;
    const std::size_t count = used_;
    used_ = 0;
    if (!sink_(ctx_, block_.p, count)) throw OutputFailed{};
}

// ---- Builder steps ------------------------------------------------------------

void StartChains(int panel, int control) {
    B.N = 0;
    std::memcpy(B.Number, "1", 2);
    B.NumberLen = 1;
    B.Panel = panel;
    B.Control = control;
}

namespace {

// N += 1, and Number with it (counted up in place, without a division).
void CountLine() {
    B.N += 1;
    int k = B.NumberLen - 1;
    while (k >= 0 && B.Number[k] == '9') B.Number[k--] = '0';
    if (k >= 0) {
        ++B.Number[k];
        return;
    }
    std::memmove(B.Number + 1, B.Number, static_cast<std::size_t>(B.NumberLen) + 1);
    B.Number[0] = '1';
    ++B.NumberLen;
}

}  // namespace

void BeginChain() {
    Progress();
    // "#%d \"%s\" = " written by hand: the decimal number, then the name.
    B.OutStr.clear();
    const std::size_t nameLen = B.NameLen;
    const bool wholeName = B.NetName.spilled == 0 && nameLen + 48 <= SpillBuf::kMemoryLimit;
    B.OutStr.reserve(wholeName ? nameLen + 48 : 48);
    char* o = B.OutStr.p;
    std::size_t j = 0;
    o[j++] = '#';
    std::memcpy(o + j, B.Number, sizeof B.Number);  // the head has room; NumberLen bytes count
    j += static_cast<std::size_t>(B.NumberLen);
    o[j++] = ' ';
    o[j++] = '"';
    if (wholeName) {
        std::memcpy(o + j, B.NetName.p, nameLen);
        j += nameLen;
        o[j++] = '"';
        o[j++] = ' ';
        o[j++] = '=';
        o[j++] = ' ';
        B.i = j;
        return;
    }
    // A name too long for memory comes back from its temporary file.
    B.i = j;
    B.NetName.forEach(nameLen, [](const char* bytes, std::size_t n) { AppendBytes(bytes, n); });
    AppendBytes("\" = ", 4);
}

namespace {

// The line is OutStr: the spilled bytes and p[0, len).
void Emit(std::size_t len) {
    if (B.Out && B.OutStr.spilled == 0) {
        B.Out->Line(B.OutStr.p, len);
    } else if (B.Out) {
        B.OutStr.forEach(len, [](const char* bytes, std::size_t n) { B.Out->Part(bytes, n); });
        B.Out->EndLine();
    } else if (B.OutStr.spilled == 0) {
        if (InsertTextBoxLine(B.Panel, B.Control, -1, B.OutStr.p) < 0) throw ListTooLarge{};
    } else {
        // The text box takes a line as one string: put it together.
        const std::unique_ptr<char[]> whole(new char[B.OutStr.spilled + len + 1]);
        std::size_t at = 0;
        B.OutStr.forEach(len, [&](const char* bytes, std::size_t n) {
            std::memcpy(whole.get() + at, bytes, n);
            at += n;
        });
        whole[at] = 0;
        if (InsertTextBoxLine(B.Panel, B.Control, -1, whole.get()) < 0) throw ListTooLarge{};
    }
    CountLine();
}

}  // namespace

void EndChainTrimmed() {
    if (B.OutStr.p[B.i - 2] == ',') B.i -= 2;
    Append(';');
    B.OutStr.p[B.i] = 0;
    Emit(B.i);
}

void EndChainOverwrite() {
    B.OutStr.p[B.i - 2] = ';';
    B.OutStr.p[B.i - 1] = 0;
    Emit(B.i - 1);
}

// ---- The save command's writer --------------------------------------------------

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
