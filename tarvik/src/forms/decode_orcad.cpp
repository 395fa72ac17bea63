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

// The line that opens the nets, with the line ends before and after it.
constexpr char kNetsLine[] = "\nNETS\n";

// WhatDo values of this decoder.
enum OrcadState {
    BetweenNets = 1,  // waiting for the first byte of a net name
    NameRead = 2,     // waiting for the equals sign
    InNodeList = 3,   // waiting for a node or the end of the net
    InPinPart = 4,    // in a node after its slash: waiting for the pin part or the end
};

void EndNet() {
    EndChainTrimmed();
    WhatDo = BetweenNets;
}

// Bytes that end a name, and a zero byte, which is dropped.
constexpr ByteSet kNameStops{" =\0", 3};

// Name: every byte up to a blank. An "=" right behind a name that has begun
// ends it as well and is the net's equals sign (NAME= REF/PIN ...).
// False when the file ended inside the name.
bool ReadName(int file) {
    StartName();
    PutNameByte(R.InChar);
    for (;;) {
        if (const std::size_t run = RunBefore<kNameStops>()) {
            PutNameBytes(R.FileBuf + R.BufPos, run);
            SkipRun(run);
        }
        if (!Next(file)) return false;
        if (R.InChar == ' ') {
            EndName();
            WhatDo = NameRead;
            return true;
        }
        if (R.InChar == '=') {
            EndName();
            BeginChain();
            WhatDo = InNodeList;
            return true;
        }
        PutNameByte(R.InChar);
    }
}

// Bytes that end or change a node or pin part; a zero byte is dropped.
constexpr ByteSet kNodeStops{"/ \n;\0", 5};

// Appends the run of ordinary node bytes that follows in the window.
inline void AppendNodeRun() {
    if (const std::size_t run = RunBefore<kNodeStops>()) {
        AppendWindowBytes(R.FileBuf + R.BufPos, run);
        SkipRun(run);
    }
}

// Node from its first byte on: "/" becomes ":" and leads to the pin part.
// False when the file ended inside the node.
bool ReadNode(int file) {
    Append(R.InChar);
    for (;;) {
        AppendNodeRun();
        if (!Next(file)) return false;
        switch (R.InChar) {
        case '/': Append(':'); WhatDo = InPinPart; return true;
        case ' ':
        case '\n': AppendSeparator(); return true;
        case ';': EndNet(); return true;
        default: Append(R.InChar);
        }
    }
}

// Pin part from its first byte on; a further "/" stays and keeps the state.
// False when the file ended inside the pin part.
bool ReadPin(int file) {
    Append(R.InChar);
    for (;;) {
        AppendNodeRun();
        if (!Next(file)) return false;
        switch (R.InChar) {
        case ' ':
        case '\n': AppendSeparator(); WhatDo = InNodeList; return true;
        case '/': Append('/'); return true;
        case ';': EndNet(); return true;
        default: Append(R.InChar);
        }
    }
}

// Bytes that end a run ignored between tokens: the visible ones, or the
// equals sign while waiting for it.
constexpr ByteSet kVisible = ByteSet::VisibleBytes();
constexpr ByteSet kEquals{"=", 1};

// The decoder's steps for the bytes the window holds, taken with local
// pointers instead of a reader call per byte: the rules of the main loop's
// four states and of ReadName, ReadNode and ReadPin. It hands over to the
// main loop between two tokens: at the window's end, or before a name, node
// or pin part that the window does not hold whole or that holds a zero byte.
// BufPos, InChar, WhatDo and the chain line are then as if every byte had
// been read one by one.
void NetsInWindow() {
    if (R.ByteByByte) return;
    const char* const base = R.FileBuf;
    const char* end = base + R.BufLen;
    const char* p = base + R.BufPos;
    int state = WhatDo;
    // A token and its stop byte add at most 18 bytes to the chain line when
    // the token is at most 16 bytes long; room for kRoomTokens such tokens is
    // made at a time, so that the line is written through a local pointer.
    constexpr std::size_t kRoomTokens = 4096, kTokenRoom = 18;
    char* o = nullptr;
    std::size_t left = 0;  // tokens that fit before room must be made again
    StopFinder<kNodeStops> nodeStops;
    const auto sync = [&] {
        if (o) B.i = static_cast<std::size_t>(o - B.OutStr.p);
        o = nullptr;
        left = 0;
    };
    const auto handOver = [&](const char* next) {  // next: the first byte not read
        sync();
        R.BufPos = static_cast<int>(next - base);
        if (next > base) R.InChar = next[-1];
        WhatDo = state;
    };
    for (;;) {
        if (state == BetweenNets) {
            if (p < end && !Visible(*p)) p = ScanTo<kVisible>(p + 1, end);
            if (p == end) return handOver(p);
            const char* stop = ScanTo<kNameStops>(p + 1, end);
            if (stop == end || *stop == '\0') return handOver(p);
            StartName();
            PutNameBytes(p, static_cast<std::size_t>(stop - p));
            EndName();
            p = stop + 1;
            if (*stop == ' ') {
                state = NameRead;
                continue;
            }
            // An "=" right behind the name: the net begins.
        } else if (state == NameRead) {
            p = ScanTo<kEquals>(p, end);
            if (p == end) return handOver(p);
            ++p;
        }
        if (state == BetweenNets || state == NameRead) {
            handOver(p);
            BeginChain();  // reports progress and lets events run
            p = base + R.BufPos;
            end = base + R.BufLen;
            state = InNodeList;
            continue;
        }
        // In the node list.
        if (p < end && !Visible(*p)) p = ScanTo<kVisible>(p + 1, end);  // mostly one blank
        if (p == end) return handOver(p);
        if (*p == ';') {
            sync();
            EndNet();
            state = BetweenNets;
            ++p;
            continue;
        }
        // A node, or the pin part in InPinPart, up to its stop byte.
        const char* stop = nodeStops.Next(p + 1, end);
        if (stop == end || *stop == '\0') return handOver(p);
        const std::size_t n = static_cast<std::size_t>(stop - p);
        if (n > 16) {
            sync();
            AppendBytes(p, n);
        } else {
            if (left == 0) {
                sync();
                B.OutStr.room(B.i, kRoomTokens * kTokenRoom);
                o = B.OutStr.p + B.i;
                left = kRoomTokens;
            }
            std::memcpy(o, p, 16);  // the window stays readable 16 bytes past its end
            o += n;
            --left;
        }
        switch (*stop) {
        case '/':
            if (o) *o++ = state == InNodeList ? ':' : '/';
            else Append(state == InNodeList ? ':' : '/');
            state = InPinPart;
            break;
        case ';':
            sync();
            EndNet();
            state = BetweenNets;
            break;
        default:  // blank or LF
            if (o) {
                *o++ = ',';
                *o++ = ' ';
            } else {
                AppendSeparator();
            }
            state = InNodeList;
        }
        p = stop + 1;
    }
}

}  // namespace

int DecodeORCAD(int file, int panel, int control) {
    InitReadF(file);
    WhatDo = 0;
    StartChains(panel, control);
    ShowFormTitle("Импорт списка связей ORCAD"_cp1251);
    const char* nets = std::strstr(R.FileBuf, kNetsLine);
    if (!nets) return kNotThisForm;
    R.BufPos = static_cast<int>(nets - R.FileBuf + std::strlen(kNetsLine));
    WhatDo = BetweenNets;

    // A byte that the current state ignores is followed by the run of bytes
    // that it would ignore as well; they are passed over at once.
    for (;;) {
        NetsInWindow();
        if (!Next(file)) break;
        switch (WhatDo) {
        case BetweenNets:
            if (!Visible(R.InChar)) {
                SkipRunBefore<kVisible>();
                break;
            }
            if (!ReadName(file)) return BrokenOff();
            break;
        case NameRead:
            if (R.InChar == '=') {
                BeginChain();
                WhatDo = InNodeList;
            } else {
                SkipRunBefore<kEquals>();
            }
            break;
        case InNodeList:
        case InPinPart:
            // Both skip invisible bytes and end the net on ";"; a visible
            // byte begins a node, or the pin part after a slash.
            if (!Visible(R.InChar)) {
                SkipRunBefore<kVisible>();
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
    return WhatDo == BetweenNets ? kDecoded : kNotThisForm;
}

}  // namespace tarvik

namespace tarvik {

extern const NetListForm kOrcadForm{"ORCAD", "Импорт списка связей ORCAD"_cp1251, nullptr, DecodeORCAD};

}  // namespace tarvik
