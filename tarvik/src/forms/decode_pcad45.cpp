// PCAD 4.5 net-list decoder (fixed columns, whole lines).
//
// Accepted input: lines before the first net, at least one of them beginning
// with "%"; a net's first line carries the name at column 2 and nodes at
// columns 18 and 38; each further line of the net has nothing at column 2 and
// up to two nodes at columns 18 and 38. A node is REF-PIN.
//
//     %NET
//       GND             U1-7                C1-2
//                       C2-2
//       VCC             U1-14
//
// gives  #1 "GND" = U1:7, C1:2, C2:2;  and  #2 "VCC" = U1:14;
#include <algorithm>
#include <cstring>

#include "chain.h"
#include "cp1251.h"
#include "decoders.h"
#include "reader.h"
#include "uirt.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

// WhatDo values of this decoder.
enum PcadState {
    OutsideNet = 0,  // looking for a net's first line
    NodeAt18 = 1,    // in a net: next node at column 18 of the next line
    NodeAt38 = 2,    // in a net: next node at column 38 of the current line
};

// Columns of the fields (byte offsets in the line).
constexpr int kNameCol = 2;
constexpr int kNode1Col = 18;
constexpr int kNode2Col = 38;

// The part of a line that the fields can reach. A field ends at the first
// byte that is not visible, so behind column 38 only the visible run that
// goes on from column 38 can matter: Head holds bytes 0 to 38, Tail that run.
// The rest of the line is only counted, so a line of any length (a whole
// file without a line feed) takes bounded memory.
constexpr std::size_t kHeadSize = kNode2Col + 1;
struct Line {
    char Head[kHeadSize];
    SpillBuf Tail{256};
    std::size_t tailLen = 0;  // write index into Tail
} L;

// Reads one line as ReadFstr would and returns its length (LF included; 0 at
// the end of the file), keeping only Head and, when keepTail, Tail.
long long ReadLine(int file, bool keepTail) {
    L.Tail.clear();
    L.tailLen = 0;
    long long length = 0;
    bool inTail = keepTail;  // still collecting the run behind column 38
    for (;;) {
        if (R.BufPos == R.BufLen) {
            R.BufPos = 0;
            R.BufLen = LoadWindow(file, 0);
            if (R.BufLen == 0) return length;
        }
        const char* from = R.FileBuf + R.BufPos;
        const std::size_t avail = static_cast<std::size_t>(R.BufLen - R.BufPos);
        const void* lf = std::memchr(from, '\n', avail);
        const std::size_t take = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - from) + 1 : avail;
        std::size_t k = 0;  // bytes of this stretch in Head
        if (length < static_cast<long long>(kHeadSize)) {
            k = std::min(take, kHeadSize - static_cast<std::size_t>(length));
            std::memcpy(L.Head + length, from, k);
        }
        if (inTail && k < take) {
            // Byte 38 is in Head now; the run goes on only behind a visible one.
            std::size_t run = k;
            if (Visible(L.Head[kNode2Col]))
                while (run < take && Visible(from[run])) ++run;
            if (run > k) L.Tail.append(L.tailLen, from + k, run - k);
            inTail = run == take;
        }
        length += static_cast<long long>(take);
        R.BufPos += static_cast<int>(take);
        if (lf) return length;
    }
}

inline bool VisibleAt(long long col) { return col < R.n && Visible(L.Head[col]); }

// Calls put(bytes, count) with the field at col: the run of visible bytes
// that begins there, in Head and, when it reaches column 38, on in Tail.
template <class Put>
void ForField(long long col, Put put) {
    const long long headEnd = std::min(R.n, static_cast<long long>(kHeadSize));
    long long end = col;
    while (end < headEnd && Visible(L.Head[end])) ++end;
    if (end > col) put(L.Head + col, static_cast<std::size_t>(end - col));
    if (end == static_cast<long long>(kHeadSize)) L.Tail.forEach(L.tailLen, put);
}

void CopyNameField(long long col) {
    StartName();
    ForField(col, [](const char* bytes, std::size_t n) { PutNameBytes(bytes, n); });
    EndName();
}

// A node field, "-" written as ":", then the node separator.
void AppendNodeField(long long col) {
    ForField(col, [](const char* bytes, std::size_t n) {
        // Room for the whole piece first; the bytes are visible, none is zero.
        B.OutStr.room(B.i, n);
        char* o = B.OutStr.p + B.i;
        for (std::size_t k = 0; k < n; ++k) o[k] = bytes[k] == '-' ? ':' : bytes[k];
        B.i += n;
    });
    AppendSeparator();
}

void EndNet() {
    EndChainOverwrite();
    WhatDo = OutsideNet;
}

}  // namespace

int DecodePCAD45(int file, int panel, int control) {
    InitReadF(file);
    ShowFormTitle("Импорт списка связей PCAD 4.5"_cp1251);
    WhatDo = OutsideNet;
    StartChains(panel, control);
    bool needLine = true;
    bool noPercentLine = true;

    for (;;) {
        // Before the first percent line no field is ever used: a net there
        // refuses the file.
        if (needLine) R.n = ReadLine(file, !noPercentLine);
        if (R.n == 0) {
            if (noPercentLine || B.N == 0) return kNotThisForm;
            if (WhatDo != OutsideNet) EndNet();
            return kDecoded;
        }
        const char* line = L.Head;
        switch (WhatDo) {
        case OutsideNet:
            if (R.n <= kNode1Col || line[0] == '%') {
                if (line[0] == '%') noPercentLine = false;
                needLine = true;
                break;
            }
            if (!Visible(line[kNameCol])) {
                needLine = true;
                break;
            }
            // A net before any percent line: the file is refused here, as the
            // node at column 18 would refuse it, before anything is emitted.
            if (noPercentLine) return kNotThisForm;
            CopyNameField(kNameCol);
            BeginChain();
            WhatDo = NodeAt18;
            L.Head[kNameCol] = ' ';
            needLine = false;
            break;
        case NodeAt18:
            if (R.n <= kNode1Col || line[0] == '%') {
                EndNet();
                needLine = true;
            } else if (Visible(line[kNameCol])) {
                EndNet();
                needLine = false;
            } else if (!Visible(line[kNode1Col])) {
                EndNet();
                needLine = true;
            } else {
                AppendNodeField(kNode1Col);
                WhatDo = NodeAt38;
                needLine = false;
            }
            break;
        case NodeAt38:
            if (!VisibleAt(kNode2Col)) {
                EndNet();
            } else {
                AppendNodeField(kNode2Col);
                WhatDo = NodeAt18;
            }
            needLine = true;
            break;
        }
    }
}

}  // namespace tarvik

namespace tarvik {

extern const NetListForm kPcad45Form{"PCAD 4.5", "Импорт списка связей PCAD 4.5"_cp1251, nullptr, DecodePCAD45};

}  // namespace tarvik
