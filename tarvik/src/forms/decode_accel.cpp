// ACCEL ASCII net-list decoder.
//
// Accepted input: the 11 letters ACCEL_ASCII at the very start, then a
// parenthesised text in which every net is a list headed by the keyword net
// with one node list per pin; all other lists are skipped.
//
//     ACCEL_ASCII "board.PrjPcb"
//     (netlist "Netlist_1"
//       (compInst "U1" (compRef "LM358"))
//       (net "GND"
//         (node "U1" "7")
//         (node "C1" "2")
//       )
//     )
//
// gives  #1 "GND" = U1:7, C1:2;
#include "chain.h"
#include "cp1251.h"
#include "decoders.h"
#include "reader.h"
#include "uirt.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

// WhatDo values of this decoder.
enum AccelState {
    OutsideNet = 0,  // waiting for "(" followed by the keyword net
    NetKeyword = 1,  // waiting for the opening quote of the net name
    InNet = 2,       // waiting for "(node " or the parenthesis that closes the net
    InNode = 3,      // waiting for the opening quote of the component reference
    RefRead = 4,     // waiting for the pin name's quote or the node's ")"
};

// Look-ahead buffer for keywords, zero-terminated behind the bytes read.
char InStr[16];

// The len bytes equal the lower-case keyword ignoring the case of ASCII
// letters: what CompareStrings without case sensitivity gives for them.
inline bool SameKeyword(const char* bytes, const char* keyword, int len) {
    for (int k = 0; k < len; ++k) {
        char c = bytes[k];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != keyword[k]) return false;
    }
    return true;
}

enum class Ahead {
    Keyword,  // the keyword followed: its bytes are consumed
    Other,    // something else followed: the read position is unchanged
    CutOff,   // the file ended within the look-ahead
};

// Reads len look-ahead bytes and compares them with keyword, ignoring case;
// steps back over them when they differ. Inside the window the bytes are
// compared in place; reading them and stepping back would leave the same state.
Ahead LookAhead(int file, const char* keyword, int len) {
    if (R.BufLen - R.BufPos >= len) {
        R.n = len;
        if (!SameKeyword(R.FileBuf + R.BufPos, keyword, len)) return Ahead::Other;
        R.BufPos += len;
        return Ahead::Keyword;
    }
    R.n = ReadF(file, InStr, len);
    if (R.n < len) return Ahead::CutOff;
    InStr[len] = 0;
    if (SameKeyword(InStr, keyword, len)) return Ahead::Keyword;
    MoveFptr(file, -len);
    return Ahead::Other;
}

// Bytes that end a quoted string, and a zero byte, which is dropped.
constexpr ByteSet kQuoteStops{"\"\0", 2};

// Bytes up to the next double quote (not stored) go to the net name.
// False when the file ended inside the name.
bool ReadQuotedName(int file) {
    StartName();
    for (;;) {
        if (const std::size_t run = RunBefore<kQuoteStops>()) {
            PutNameBytes(R.FileBuf + R.BufPos, run);
            SkipRun(run);
        }
        if (!Next(file) || R.InChar == '"') break;
        PutNameByte(R.InChar);
    }
    EndName();
    return R.n != 0;
}

// Bytes up to the next double quote are appended to the chain line.
// False when the file ended inside them.
bool AppendQuoted(int file) {
    for (;;) {
        if (const std::size_t run = RunBefore<kQuoteStops>()) {
            AppendWindowBytes(R.FileBuf + R.BufPos, run);
            SkipRun(run);
        }
        if (!Next(file) || R.InChar == '"') break;
        Append(R.InChar);
    }
    return R.n != 0;
}

// Bytes that matter in some state: parentheses and double quotes. All others
// are ignored by every state and leave the net depth alone.
constexpr ByteSet kAccelSignificant{"()\"", 3};

void EndNet() {
    EndChainOverwrite();
    WhatDo = OutsideNet;
}

// The decoder's steps for the bytes the window holds, taken with local
// pointers instead of a reader call per byte: the same states, net depth,
// look-aheads and quoted strings as the main loop. It hands over to the
// main loop (BufPos, InChar and WhatDo as if every byte had been read one by
// one) at the window's end, and before a look-ahead or a quoted string that
// the window does not hold whole or that holds a zero byte.
void NetsInWindow(int& depth) {
    if (R.ByteByByte) return;
    const char* const base = R.FileBuf;
    const char* end = base + R.BufLen;
    const char* p = base + R.BufPos;
    int state = WhatDo;
    const auto handOver = [&](const char* next) {  // next: the first byte not read
        R.BufPos = static_cast<int>(next - base);
        if (next > base) R.InChar = next[-1];
        WhatDo = state;
    };
    for (;;) {
        p = ScanTo<kAccelSignificant>(p, end);
        if (p == end) return handOver(p);
        const char c = *p;
        const char* quote = nullptr;  // closing quote of a string that c opens
        if (c == '"' && (state == NetKeyword || state == InNode || state == RefRead)) {
            quote = ScanTo<kQuoteStops>(p + 1, end);
            if (quote == end || *quote == '\0') return handOver(p);
        } else if (c == '(' && (state == OutsideNet || state == InNet) && end - p - 1 < (state == InNet ? 5 : 4)) {
            return handOver(p);
        }
        if (depth != 0) {
            if (c == '(') ++depth;
            else if (c == ')') --depth;
        }
        const char* next = p + 1;
        const bool closesNet = c == ')' && depth == 0;
        switch (state) {
        case OutsideNet:
            if (c == '(' && SameKeyword(p + 1, "net ", 4)) {
                state = NetKeyword;
                depth = 1;
                next = p + 5;
            }
            break;
        case NetKeyword:
            if (quote) {
                StartName();
                PutNameBytes(p + 1, static_cast<std::size_t>(quote - p - 1));
                EndName();
                handOver(quote + 1);
                BeginChain();  // reports progress and lets events run
                next = base + R.BufPos;
                end = base + R.BufLen;
                state = InNet;
            }
            break;
        case InNet:
            if (closesNet) {
                EndChainOverwrite();
                state = OutsideNet;
            } else if (c == '(' && SameKeyword(p + 1, "node ", 5)) {
                state = InNode;
                next = p + 6;
            }
            break;
        case InNode:
            if (closesNet) {
                EndChainOverwrite();
                state = OutsideNet;
            } else if (quote) {
                AppendWindowBytes(p + 1, static_cast<std::size_t>(quote - p - 1));
                state = RefRead;
                next = quote + 1;
            }
            break;
        case RefRead:
            if (closesNet) {
                EndChainOverwrite();
                state = OutsideNet;
            } else if (c == ')') {
                AppendSeparator();
                state = InNode;
            } else if (quote) {
                Append(':');
                AppendWindowBytes(p + 1, static_cast<std::size_t>(quote - p - 1));
                AppendSeparator();
                state = InNet;
                next = quote + 1;
            }
            break;
        }
        p = next;
    }
}

}  // namespace

int DecodeACCEL(int file, int panel, int control) {
    InitReadF(file);
    ShowFormTitle("Импорт списка связей ACCEL ASCII"_cp1251);
    R.n = ReadF(file, InStr, 11);
    if (R.n < 11) return kNotThisForm;
    InStr[11] = 0;
    if (CompareStrings(InStr, 0, "ACCEL_ASCII", 0, 0) != 0) return kNotThisForm;
    int depth = 0;  // parentheses open within the current net
    WhatDo = OutsideNet;
    StartChains(panel, control);

    for (;;) {
        NetsInWindow(depth);
        if (const std::size_t run = RunBefore<kAccelSignificant>()) SkipRun(run);
        if (!Next(file)) break;
        const char c = R.InChar;
        if (depth != 0) {
            if (c == '(') ++depth;
            else if (c == ')') --depth;
        }
        switch (WhatDo) {
        case OutsideNet:
            if (c != '(') break;
            switch (LookAhead(file, "net ", 4)) {
            case Ahead::CutOff: return kNotThisForm;
            case Ahead::Keyword: WhatDo = NetKeyword; depth = 1; break;
            case Ahead::Other: break;
            }
            break;
        case NetKeyword:
            if (c != '"') break;
            if (!ReadQuotedName(file)) return BrokenOff();
            BeginChain();
            WhatDo = InNet;
            break;
        case InNet:
            if (c == ')' && depth == 0) {
                EndNet();
            } else if (c == '(') {
                switch (LookAhead(file, "node ", 5)) {
                case Ahead::CutOff: return kNotThisForm;
                case Ahead::Keyword: WhatDo = InNode; break;
                case Ahead::Other: break;
                }
            }
            break;
        case InNode:
            if (c == ')' && depth == 0) {
                EndNet();
            } else if (c == '"') {
                if (!AppendQuoted(file)) return BrokenOff();
                WhatDo = RefRead;
            }
            break;
        case RefRead:
            if (c == ')' && depth == 0) {
                EndNet();
            } else if (c == ')') {
                AppendSeparator();
                WhatDo = InNode;
            } else if (c == '"') {
                Append(':');
                const bool whole = AppendQuoted(file);
                AppendSeparator();
                if (!whole) return BrokenOff();
                WhatDo = InNet;
            }
            break;
        }
    }
    return kDecoded;
}

}  // namespace tarvik

namespace tarvik {

extern const NetListForm kAccelForm{"ACCEL ASCII", "Импорт списка связей ACCEL ASCII"_cp1251, nullptr, DecodeACCEL};

}  // namespace tarvik
