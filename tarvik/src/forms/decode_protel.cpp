// Protel net-list decoders: Protel (which Tango's net lists share) and
// Protel 2. The grammar is one; the two rows differ in the header and in what
// a node line holds.
//
// Accepted input, Protel: part blocks, then net blocks, each keyword alone on
// its line (blanks around any line are not read, blank lines between blocks
// neither). A part block is "[", any lines of fields (not read), "]". A net
// block is "(", the net name on the next line (whole, blanks inside kept; an
// empty line is an empty name), one node a line (blank lines skipped), ")".
// A node is REF-PIN split at the last "-" (pins are numbers or short names;
// a reference may hold a "-"), or, as Tango writes it, REF,PIN split at the
// last "," whenever the node holds a ",". Nodes are written in the file's
// order. A net may name a part no block lists: it is read as it stands.
//
//     [
//     U1
//     SO14
//     74HC00
//     ]
//     (
//     GND
//     U1-7
//     C1-2
//     )
//
// gives  #1 "GND" = U1:7, C1:2;  and the same with "U1,7" and "C1,2" (Tango).
//
// Protel 2: the line PROTEL NETLIST 2.0 first, then the same blocks; a part
// block's lines are pairs of field name and value, and a node line is the
// node followed by the part's type, the pin's name and its electrical type,
// of which only the first word, the node, is read:
//
//     PROTEL NETLIST 2.0
//     (
//     VIDEO2
//     C38-2 4,7uF-2 Passive
//     )
//
// gives  #1 "VIDEO2" = C38:2;
//
// Refused with the line: a file without a net block (parts only), a part block
// after a net block, "[" or "(" inside a block (its closing line missing), a
// line outside the blocks, a node that does not split, and a file that ends
// inside a block.
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"
#include "line_forms.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

constexpr std::string_view kProtel2Header = "PROTEL NETLIST 2.0";

// Whether a net block's node line may stand there: ")" or a node that splits.
bool NodeLike(std::string_view line) {
    std::string_view ref, pin;
    line = Trim(line);
    return line == ")" || forms::SplitAtLast(line, ',', ref, pin) || forms::SplitAtLast(line, '-', ref, pin);
}

// A file that begins with a part block, or with a net block whose name line
// is followed by a node or the block's end.
bool Signature(const char* head, std::size_t size) {
    forms::HeadLines lines(head, size);
    std::string_view line;
    if (!lines.NextText(line)) return false;
    if (line == "[") return true;
    return line == "(" && lines.Next(line) && lines.Next(line) && NodeLike(line);
}

bool Signature2(const char* head, std::size_t size) {
    forms::HeadLines lines(head, size);
    std::string_view line;
    return lines.NextText(line) && forms::SameText(line, kProtel2Header);
}

// Splits the node at its last ",", or, when it holds none, at its last "-":
// one scan from the end.
void WriteProtelNode(NetWriter& out, std::string_view node, long long line) {
    std::size_t at = std::string_view::npos;
    for (std::size_t k = node.size(); k-- > 0;) {
        if (node[k] == ',') {
            at = k;
            break;
        }
        if (node[k] == '-' && at == std::string_view::npos) at = k;
    }
    if (at == std::string_view::npos || at == 0 || at + 1 == node.size()) FailForm(line, forms::BadNode());
    out.Node(node.substr(0, at), node.substr(at + 1));
}

int DecodeBlocks(LineReader& in, NetWriter& out, bool version2) {
    std::string_view line;
    bool nets = false;
    const auto next = [&] {
        if (!in.Next(line)) FailForm(in.Number(), "файл оборван внутри блока"_cp1251);
        line = Trim(line);
    };
    while (in.Next(line)) {
        line = Trim(line);
        if (line.empty()) continue;
        if (line == "[") {
            if (nets) FailForm(in.Number(), "описание компонента после списка цепей"_cp1251);
            for (next(); line != "]"; next())
                if (line == "[" || line == "(") FailForm(in.Number(), "нет строки ] в конце компонента"_cp1251);
        } else if (line == "(") {
            nets = true;
            next();
            out.BeginNet(line);
            for (next(); line != ")"; next()) {
                if (line.empty()) continue;
                if (line == "(" || line == "[") FailForm(in.Number(), "нет строки ) в конце цепи"_cp1251);
                std::string_view node = line;
                if (version2) node = NextWord(node);
                WriteProtelNode(out, node, in.Number());
            }
            out.EndNet();
        } else {
            FailForm(in.Number(), "строка вне блоков [ ] и ( )"_cp1251);
        }
    }
    if (!nets) FailForm(in.Number(), forms::NoNets());
    return kDecoded;
}

int Decode(int file, int panel, int control) {
    LineReader in(file);
    NetWriter out(panel, control);
    return DecodeBlocks(in, out, false);
}

int Decode2(int file, int panel, int control) {
    LineReader in(file);
    std::string_view line;
    do {
        if (!in.Next(line)) FailForm(in.Number(), forms::EndTooSoon());
        line = Trim(line);
    } while (line.empty());
    if (!forms::SameText(line, kProtel2Header)) FailForm(in.Number(), "нет заголовка PROTEL NETLIST 2.0"_cp1251);
    NetWriter out(panel, control);
    return DecodeBlocks(in, out, true);
}

}  // namespace

extern const NetListForm kProtelForm{"Protel", "Импорт списка связей Protel"_cp1251, Signature, Decode};
extern const NetListForm kProtel2Form{"Protel 2", "Импорт списка связей Protel 2"_cp1251, Signature2, Decode2};

}  // namespace tarvik
