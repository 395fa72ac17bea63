// KiCad net-list decoder (the s-expression form, KiCad 4 to today's).
//
// Accepted input: one list (export (version V) ...) in UTF-8. Of its
// sections only (nets ...) is read; every other one (design, components,
// libparts, libraries) is skipped whatever it holds. Each (net ...) of the
// nets section gives one chain line, in the file's order:
//
//     net   := (net (code N) (name NAME) node...)
//     node  := (node (ref REF) (pin PIN) other-lists...)
//
// Atoms are bare (GND, /RUSB_D+) or quoted ("Net-(D2-Pad1)"); inside quotes
// \" \\ \n \r \t stand for one byte, any other backslash stays as written,
// and a quoted atom may run over several lines. Layout is free: a list may
// be spread one token a line. A net without (name) or with (name "") is
// written with an empty name; a node given twice in one net is kept once.
// Names are UTF-8, spelled in Windows-1251 (AppendUtf8As1251).
//
//     (export (version "E")
//       (components (comp (ref "U1") (value "74LS00")))
//       (nets
//         (net (code "1") (name "GND")
//           (node (ref "U1") (pin "7") (pintype "power_in"))
//           (node (ref "C1") (pin "2")))
//         (net (code "2") (name "")
//           (node (ref "U1") (pin "1")))))
//
// gives  #1 "GND" = U1:7, C1:2;  and  #2 "" = U1:1;
//
// A file that ends inside a list, closes a list never opened, holds more
// than the one export list, or has no nets section is refused with the line.
#include <cstring>
#include <string>
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"
#include "sexpr_tokens.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

// The lists the decoder tells apart, each only where it belongs.
enum Key : unsigned char { kOther, kExport, kNets, kNet, kName, kNode, kRef, kPin };

// Lists nested deeper than this are only counted.
constexpr long long kKeyDepth = 8;

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Skips blanks at p; false when the head ends first.
bool SkipBlanks(const char* head, std::size_t size, std::size_t& p) {
    while (p < size && Blank(head[p])) ++p;
    return p < size;
}

bool Word(const char* head, std::size_t size, std::size_t& p, std::string_view word) {
    if (size - p < word.size() || std::memcmp(head + p, word.data(), word.size()) != 0) return false;
    p += word.size();
    return true;
}

// "(export" and "(version" as the file's first two tokens (after a UTF-8
// byte order mark and blanks).
bool Signature(const char* head, std::size_t size) {
    std::size_t p = 0;
    if (size >= 3 && std::memcmp(head, "\xEF\xBB\xBF", 3) == 0) p = 3;
    if (!SkipBlanks(head, size, p) || !Word(head, size, p, "(export") || p == size || !Blank(head[p])) return false;
    if (!SkipBlanks(head, size, p) || !Word(head, size, p, "(version")) return false;
    return p < size && (Blank(head[p]) || head[p] == '"');
}

Key KeyOf(Key parent, long long depth, std::string_view head) {
    switch (parent) {
    case kOther: return depth == 1 && head == "export" ? kExport : kOther;
    case kExport: return head == "nets" ? kNets : kOther;
    case kNets: return head == "net" ? kNet : kOther;
    case kNet: return head == "name" ? kName : head == "node" ? kNode : kOther;
    case kNode: return head == "ref" ? kRef : head == "pin" ? kPin : kOther;
    default: return kOther;
    }
}

int Decode(int file, int panel, int control) {
    SexprTokens tokens(file, true);
    NetWriter out(panel, control, true);
    NetNodes nodes;
    std::string name, ref, pin;
    bool nameGiven = false;
    Key keys[kKeyDepth + 1] = {kOther};
    bool expectHead = false;  // behind "(": the next atom names the list
    bool sawNets = false, sawExport = false;
    const auto key = [&](long long depth) { return depth <= kKeyDepth ? keys[depth] : kOther; };
    for (;;) {
        const SexprTokens::Kind t = tokens.Next();
        const long long depth = tokens.Depth();
        if (t == SexprTokens::kEnd) {
            if (depth > 0) FailForm(tokens.Line(), "неожиданный конец файла: нет закрывающей скобки"_cp1251);
            if (!sawNets) FailForm(0, "нет списка цепей"_cp1251);
            return kDecoded;
        }
        // A list that begins with a list or closes at once stays kOther.
        if (t != SexprTokens::kAtom) expectHead = false;
        switch (t) {
        case SexprTokens::kOpen:
            if (depth == 1 && sawExport) FailForm(tokens.Line(), "лишний текст после списка"_cp1251);
            if (depth <= kKeyDepth) keys[depth] = kOther;
            expectHead = true;
            break;
        case SexprTokens::kAtom:
            if (depth == 0) FailForm(tokens.Line(), "текст вне списка"_cp1251);
            if (expectHead) {
                expectHead = false;
                if (depth > kKeyDepth) break;
                const Key k = KeyOf(key(depth - 1), depth, tokens.Text());
                keys[depth] = k;
                if (k == kExport) sawExport = true;
                if (k == kNets) sawNets = true;
                if (k == kNet) nodes.Clear(), name.clear(), nameGiven = false;
                if (k == kNode) ref.clear(), pin.clear();
                break;
            }
            switch (key(depth)) {
            case kName:
                if (!nameGiven) name.assign(tokens.Text()), nameGiven = true;
                break;
            case kRef: ref.assign(tokens.Text()); break;
            case kPin: pin.assign(tokens.Text()); break;
            default: break;
            }
            break;
        case SexprTokens::kClose: {
            const long long closed = depth + 1;
            if (closed > kKeyDepth) break;
            if (keys[closed] == kNode) nodes.Add(ref, pin);
            else if (keys[closed] == kNet) nodes.WriteTo(out, name);
            keys[closed] = kOther;
            break;
        }
        case SexprTokens::kEnd: break;
        }
    }
}

}  // namespace

extern const NetListForm kKicadForm{"KiCad", "Импорт списка связей KiCad"_cp1251, Signature, Decode};

}  // namespace tarvik
