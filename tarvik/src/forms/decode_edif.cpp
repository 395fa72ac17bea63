// EDIF 2 0 0 net-list decoder.
//
// Accepted input: one list (edif NAME (edifVersion 2 0 0) ...). Its
// libraries, cells and instances are read only for the names they give;
// each (net ...) gives one chain line, in the file's order:
//
//     net      := (net NAMEDEF (joined portref...) other-lists...)
//     portref  := (portRef PORT (instanceRef INSTANCE))
//     NAMEDEF  := ID | (rename ID "original name") | (name ID ...)
//
//     (edif board (edifVersion 2 0 0)
//       (library LIB (cell C0603 (view netListView (interface
//         (port (rename &1 "1")) (port (rename &2 "2"))))))
//       (library SHEET (cell TOP (view netListView (contents
//         (instance C1 (viewRef netListView (cellRef C0603 (libraryRef LIB))))
//         (net (rename VCC_ "VCC+") (joined (portRef &1 (instanceRef C1))))
//         (net GND (joined (portRef &2 (instanceRef C1)))))))))
//
// gives  #1 "VCC+" = C1:1;  and  #2 "GND" = C1:2;
//
// A renamed net, instance or port goes by its original name (the string of
// its rename); a port by the name its instance's cell gives it. Keywords
// are read in any case; identifiers are kept and matched byte for byte as
// written. An instance or port declared nowhere before the net (or not at
// all) goes by its identifier. A portRef without an instanceRef is a port of
// the design itself and is written as NAME: with no pin. Within quotes a
// %CODE CODE ...% sequence stands for those bytes. A node given twice in one
// net is kept once. Text is copied as it stands (Windows-1251). A file that
// ends inside a list, closes a list never opened, or has anything after
// the edif list is refused with the line.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"
#include "sexpr_tokens.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Whether text equals word (lower case) in any case.
bool Is(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (std::size_t k = 0; k < text.size(); ++k)
        if (Lower(text[k]) != word[k]) return false;
    return true;
}

// "(edif" and a blank first, and "(edifVersion 2 0 0)" in the head.
bool Signature(const char* head, std::size_t size) {
    std::string lower(head, size);
    for (char& c : lower) c = Lower(c);
    std::size_t p = 0;
    while (p < size && Blank(lower[p])) ++p;
    if (lower.compare(p, 5, "(edif") != 0 || p + 5 >= size || !Blank(lower[p + 5])) return false;
    for (std::size_t at = lower.find("(edifversion"); at != std::string::npos; at = lower.find("(edifversion", at + 1)) {
        std::size_t q = at + 12;
        bool ok = true;
        for (const char digit : {'2', '0', '0'}) {
            const std::size_t before = q;
            while (q < size && Blank(lower[q])) ++q;
            if (q == before || q >= size || lower[q] != digit) {
                ok = false;
                break;
            }
            ++q;
        }
        while (ok && q < size && Blank(lower[q])) ++q;
        if (ok && q < size && lower[q] == ')') return true;
    }
    return false;
}

// Text of a quoted atom with its %CODE ...% sequences resolved; a "%" that
// begins no such sequence stays.
void Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] != '%') {
            out += text[k];
            continue;
        }
        std::string bytes;
        std::size_t q = k + 1;
        bool ok = false;
        for (;;) {
            while (q < text.size() && Blank(text[q])) ++q;
            if (q < text.size() && text[q] == '%') {
                ok = !bytes.empty();
                break;
            }
            unsigned code = 0;
            const std::size_t from = q;
            while (q < text.size() && text[q] >= '0' && text[q] <= '9' && code < 256) code = code * 10 + (text[q++] - '0');
            if (q == from || code > 255) break;
            bytes += static_cast<char>(code);
        }
        if (!ok) {
            out += '%';
            continue;
        }
        out += bytes;
        k = q;
    }
}

// The lists the decoder tells apart.
enum Key : unsigned char {
    kOther, kCell, kPort, kInstance, kCellRef, kNet, kJoined, kPortRef, kMember, kInstanceRef, kRename, kName,
    kStringDisplay
};

Key KeyOf(Key parent, std::string_view head) {
    if (Is(head, "rename")) return parent == kCell || parent == kPort || parent == kInstance || parent == kNet ? kRename : kOther;
    if (Is(head, "name")) return parent == kCell || parent == kPort || parent == kInstance || parent == kNet ? kName : kOther;
    if (Is(head, "stringdisplay")) return parent == kRename ? kStringDisplay : kOther;
    if (Is(head, "cell")) return kCell;
    if (Is(head, "port")) return parent == kOther ? kPort : kOther;
    if (Is(head, "instance")) return kInstance;
    if (Is(head, "cellref")) return kCellRef;
    if (Is(head, "net")) return parent == kNet || parent == kJoined ? kOther : kNet;
    if (Is(head, "joined")) return parent == kNet ? kJoined : kOther;
    if (Is(head, "portref")) return parent == kJoined ? kPortRef : kOther;
    if (Is(head, "member")) return parent == kPortRef ? kMember : kOther;
    if (Is(head, "instanceref")) return parent == kPortRef ? kInstanceRef : kOther;
    return kOther;
}

struct Instance {
    std::string name, cell;
};

class Reader {
public:
    Reader(int file, int panel, int control) : tokens_(file, false), out_(panel, control) {}

    void Run() {
        for (;;) {
            const SexprTokens::Kind t = tokens_.Next();
            const long long depth = tokens_.Depth();
            if (t != SexprTokens::kAtom) expectHead_ = false;
            switch (t) {
            case SexprTokens::kEnd:
                if (depth > 0) FailForm(tokens_.Line(), "неожиданный конец файла: нет закрывающей скобки"_cp1251);
                return;
            case SexprTokens::kOpen:
                if (depth == 1 && sawRoot_) FailForm(tokens_.Line(), "лишний текст после списка edif"_cp1251);
                sawRoot_ = true;
                if (depth <= kDepth) keys_[depth] = kOther, args_[depth] = 0;
                expectHead_ = true;
                break;
            case SexprTokens::kAtom:
                if (depth == 0) FailForm(tokens_.Line(), "текст вне списка"_cp1251);
                if (depth > kDepth) break;
                if (expectHead_) {
                    expectHead_ = false;
                    if (depth == 1 && !Is(tokens_.Text(), "edif")) FailForm(tokens_.Line(), "нет списка edif"_cp1251);
                    Opened(depth, KeyOf(keys_[depth - 1], tokens_.Text()));
                } else {
                    Atom(depth, args_[depth]++);
                }
                break;
            case SexprTokens::kClose:
                if (depth + 1 <= kDepth) Closed(depth + 1);
                break;
            }
        }
    }

private:
    void Opened(long long depth, Key key) {
        keys_[depth] = key;
        switch (key) {
        case kCell:
        case kPort:
        case kInstance:
        case kNet:
            ids_[key].clear();
            originals_[key].clear();
            renamed_[key] = false;
            if (key == kInstance) instanceCell_.clear(), inInstance_ = true;
            if (key == kNet) nodes_.Clear();
            break;
        case kRename:
        case kName: renameId_.clear(), renameOriginal_.clear(), haveOriginal_ = false; break;
        case kPortRef: portId_.clear(), instanceId_.clear(); break;
        default: break;
        }
    }

    void Atom(long long depth, int index) {
        const std::string_view text = tokens_.Text();
        switch (keys_[depth]) {
        case kCell:
        case kPort:
        case kInstance:
        case kNet:
            if (index == 0 && !renamed_[keys_[depth]]) ids_[keys_[depth]].assign(text);
            break;
        case kRename:
        case kName:
            if (index == 0) renameId_.assign(text);
            else if (keys_[depth] == kRename && !haveOriginal_ && tokens_.Quoted()) Original(text);
            break;
        case kStringDisplay:
            if (index == 0 && !haveOriginal_) Original(text);
            break;
        case kCellRef:
            if (index == 0 && inInstance_ && instanceCell_.empty()) instanceCell_.assign(text);
            break;
        case kPortRef:
        case kMember:
            if (index == 0 && portId_.empty()) portId_.assign(text);
            break;
        case kInstanceRef:
            if (index == 0) instanceId_.assign(text);
            break;
        default: break;
        }
    }

    void Original(std::string_view text) {
        Unescape(text, renameOriginal_);
        haveOriginal_ = true;
    }

    void Closed(long long depth) {
        const Key key = keys_[depth];
        keys_[depth] = kOther;
        switch (key) {
        case kRename:
        case kName: {
            const Key owner = keys_[depth - 1];
            if (owner != kCell && owner != kPort && owner != kInstance && owner != kNet) break;
            ids_[owner] = renameId_;
            originals_[owner] = haveOriginal_ ? renameOriginal_ : renameId_;
            renamed_[owner] = true;
            break;
        }
        case kCell: break;
        case kPort:
            if (renamed_[kPort] && originals_[kPort] != ids_[kPort]) {
                ports_.Set(PortKey(ids_[kCell], ids_[kPort]), static_cast<std::uint32_t>(portNames_.size()));
                portNames_.push_back(originals_[kPort]);
            }
            break;
        case kInstance:
            inInstance_ = false;
            instanceIndex_.Set(ids_[kInstance], static_cast<std::uint32_t>(instances_.size()));
            instances_.push_back(Instance{renamed_[kInstance] ? originals_[kInstance] : ids_[kInstance], instanceCell_});
            break;
        case kPortRef: Node(); break;
        case kNet: nodes_.WriteTo(out_, renamed_[kNet] ? originals_[kNet] : ids_[kNet]); break;
        default: break;
        }
    }

    const std::string& PortKey(std::string_view cell, std::string_view port) {
        key_.assign(cell);
        key_ += '\0';
        key_.append(port);
        return key_;
    }

    // The port's name: its original one when its cell renamed it.
    std::string_view PortName(std::string_view cell) {
        const std::uint32_t port = ports_.Find(PortKey(cell, portId_));
        return port == NameTable::kMissing ? std::string_view(portId_) : std::string_view(portNames_[port]);
    }

    void Node() {
        if (instanceId_.empty()) {
            nodes_.Add(PortName(ids_[kCell]), "");
            return;
        }
        const std::uint32_t inst = instanceIndex_.Find(instanceId_);
        if (inst == NameTable::kMissing) {
            nodes_.Add(instanceId_, PortName(""));
            return;
        }
        nodes_.Add(instances_[inst].name, PortName(instances_[inst].cell));
    }

    static constexpr long long kDepth = 64;  // lists deeper are only counted
    SexprTokens tokens_;
    NetWriter out_;
    NetNodes nodes_;
    Key keys_[kDepth + 1] = {};
    int args_[kDepth + 1] = {};
    bool expectHead_ = false, sawRoot_ = false, inInstance_ = false;
    // The name of the cell, port, instance and net being read, by key.
    std::string ids_[kStringDisplay + 1], originals_[kStringDisplay + 1];
    bool renamed_[kStringDisplay + 1] = {};
    std::string renameId_, renameOriginal_;
    bool haveOriginal_ = false;
    std::string instanceCell_, portId_, instanceId_, key_;
    NameTable ports_;  // cell \0 port id: index into portNames_
    std::vector<std::string> portNames_;
    NameTable instanceIndex_;  // instance id: index into instances_
    std::vector<Instance> instances_;
};

int Decode(int file, int panel, int control) {
    Reader(file, panel, control).Run();
    return kDecoded;
}

}  // namespace

extern const NetListForm kEdifForm{"EDIF", "Импорт списка связей EDIF"_cp1251, Signature, Decode};

}  // namespace tarvik
