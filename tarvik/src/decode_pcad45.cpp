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

// Columns of the fields, and the shortest lines that hold them.
constexpr int kNameCol = 2;
constexpr int kNode1Col = 18;
constexpr int kNode2Col = 38;

// One line, its LF included.
ByteBuf InStr(512);

inline bool VisibleAt(long long col) { return col < R.n && Visible(InStr.p[col]); }

// The field at col: the run of visible bytes that begins there.
void CopyNameField(long long col) {
    B.i = 0;
    for (long long k = col; k < R.n && Visible(InStr.p[k]); ++k) PutNameByte(InStr.p[k]);
    EndName();
}

// A node field, "-" written as ":", then the node separator.
void AppendNodeField(long long col) {
    for (long long k = col; k < R.n && Visible(InStr.p[k]); ++k)
        Append(InStr.p[k] == '-' ? ':' : InStr.p[k]);
    AppendSeparator();
}

void EndNet() {
    EndChainOverwrite();
    WhatDo = OutsideNet;
}

}  // namespace

int DecodePCAD45(int file, int panel, int control) {
    InitReadF(file);
    SetCtrlVal(R.ProgressPanel, 2, "Импорт списка связей PCAD 4.5"_cp1251);
    WhatDo = OutsideNet;
    StartChains(panel, control);
    bool needLine = true;
    bool noPercentLine = true;

    for (;;) {
        if (needLine) R.n = ReadFstr(file, InStr);
        if (R.n == 0) {
            if (noPercentLine || B.N == 0) return -2;
            if (WhatDo != OutsideNet) EndNet();
            return 0;
        }
        const char* line = InStr.p;
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
            CopyNameField(kNameCol);
            BeginChain();
            WhatDo = NodeAt18;
            InStr.p[kNameCol] = ' ';
            needLine = false;
            break;
        case NodeAt18:
            if (noPercentLine) return -2;
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
