// ORCAD net-list decoder.
//
// Accepted input: anything up to a line that holds only NETS, then nets of the
// form name, equals sign, nodes REF/PIN separated by blanks or line ends, and a
// semicolon. Nets may span lines; several may share a line.
//
//     PARTS
//     C0603_A         = C1;   % 0,1u
//
//     NETS
//
//     GND       = U1/7 C1/2 ;
//     NetDA10_10= DA10/10 R91/1 R95/1 ;
//
// gives  #1 "GND" = U1:7, C1:2;  and  #2 "NetDA10_10" = DA10:10, R91:1, R95:1;
#include <cstring>

#include "chain.h"
#include "decoders.h"
#include "reader.h"
#include "uirt.h"
#include "cp1251.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

// WhatDo values of this decoder.
enum OrcadState {
    BetweenNets = 1,  // waiting for the first byte of a net name
    NameRead = 2,     // waiting for the equals sign
    InNodeList = 3,   // waiting for a node or the end of the net
    InPinPart = 4,    // in a node after its slash: waiting for the pin part or the end
};

inline int Next(int file) { return static_cast<int>(R.n = ReadF1(file, &R.InChar)); }
inline int BrokenOff() { return B.N > 0 ? 0 : -2; }

void EndNet() {
    EndChainTrimmed();
    WhatDo = BetweenNets;
}

// Name: every byte up to a blank. An "=" right behind a name that has begun
// ends it as well and is the net's equals sign (NAME= REF/PIN ...).
// Returns 1 when the name ended, 0 when the file ended inside it.
int ReadName(int file) {
    static constexpr ByteSet kStops{" =\0", 3};
    B.i = 0;
    PutNameByte(R.InChar);
    for (;;) {
        if (const std::size_t run = RunBefore(kStops)) {
            PutNameBytes(R.FileBuf + R.BufPos, run);
            SkipRun(run);
        }
        if (!Next(file)) return 0;
        if (R.InChar == ' ') {
            EndName();
            WhatDo = NameRead;
            return 1;
        }
        if (R.InChar == '=') {
            EndName();
            BeginChain();
            WhatDo = InNodeList;
            return 1;
        }
        PutNameByte(R.InChar);
    }
}

// Node from its first byte on: "/" becomes ":" and leads to the pin part.
// Returns 0 when the file ended inside the node.
// Bytes that end or change a node or pin part; a zero byte is dropped.
constexpr ByteSet kNodeStops{"/ \n;\0", 5};

// Appends the run of ordinary node bytes that follows in the window.
inline void AppendNodeRun() {
    if (const std::size_t run = RunBefore(kNodeStops)) {
        AppendBytes(R.FileBuf + R.BufPos, run);
        SkipRun(run);
    }
}

int ReadNode(int file) {
    Append(R.InChar);
    for (;;) {
        AppendNodeRun();
        if (!Next(file)) return 0;
        switch (R.InChar) {
        case '/': Append(':'); WhatDo = InPinPart; return 1;
        case ' ':
        case '\n': AppendSeparator(); return 1;
        case ';': EndNet(); return 1;
        default: Append(R.InChar);
        }
    }
}

// Pin part from its first byte on; a further "/" stays and keeps the state.
int ReadPin(int file) {
    Append(R.InChar);
    for (;;) {
        AppendNodeRun();
        if (!Next(file)) return 0;
        switch (R.InChar) {
        case ' ':
        case '\n': AppendSeparator(); WhatDo = InNodeList; return 1;
        case '/': Append('/'); return 1;
        case ';': EndNet(); return 1;
        default: Append(R.InChar);
        }
    }
}

// Bytes that end a run ignored between tokens: the visible ones, or the
// equals sign while waiting for it.
constexpr ByteSet kVisible = [] {
    ByteSet set{"", 0};
    for (int b = 0x21; b < 0x100; ++b) set.has[b] = true;
    return set;
}();
constexpr ByteSet kEquals{"=", 1};

}  // namespace

int DecodeORCAD(int file, int panel, int control) {
    InitReadF(file);
    WhatDo = 0;
    StartChains(panel, control);
    SetCtrlVal(R.ProgressPanel, 2, "Импорт списка связей ORCAD"_cp1251);
    const char* nets = std::strstr(R.FileBuf, "\nNETS\n");
    if (!nets) return -2;
    R.BufPos = static_cast<int>(nets - R.FileBuf) + 6;
    WhatDo = BetweenNets;

    // A byte that the current state ignores is followed by the run of bytes
    // that it would ignore as well; they are passed over at once.
    while (Next(file)) {
        switch (WhatDo) {
        case BetweenNets:
            if (!Visible(R.InChar)) {
                SkipRunBefore(kVisible);
                break;
            }
            if (!ReadName(file)) return BrokenOff();
            break;
        case NameRead:
            if (R.InChar == '=') {
                BeginChain();
                WhatDo = InNodeList;
            } else {
                SkipRunBefore(kEquals);
            }
            break;
        case InNodeList:
        case InPinPart:
            // Both skip invisible bytes and end the net on ";"; a visible
            // byte begins a node, or the pin part after a slash.
            if (!Visible(R.InChar)) {
                SkipRunBefore(kVisible);
                break;
            }
            if (R.InChar == ';') {
                EndNet();
                break;
            }
            if (!(WhatDo == InNodeList ? ReadNode(file) : ReadPin(file))) return BrokenOff();
            break;
        }
    }
    return WhatDo == BetweenNets ? 0 : -2;
}

}  // namespace tarvik
