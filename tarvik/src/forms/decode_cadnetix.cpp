// Cadnetix (SciCards) net-list decoder.
//
// Accepted input: a first line "PARTS LIST", the parts (value, footprint and
// reference in columns that run together when a field overflows) and a line
// "EOS"; then a line "NET LIST" and the nets, each a line "NODENAME NAME" and
// lines that begin with a blank and hold nodes as word pairs, REF PIN REF PIN
// ...; a line "EOS" ends the list. The name is the rest of the NODENAME line
// without blanks at either end (blanks inside stay); exporters pad the name
// to its column and end the line with "$": a "$" that ends the line is that
// mark, not part of the name. A net with no node line,
// or only blank ones, is an empty net. Blank lines are skipped; what follows
// the last "EOS" is not read.
//
//     PARTS LIST
//
//     0,1uF             C0603_A         C1
//     EOS
//     NET LIST
//
//     NODENAME GND             $
//         C1         1  U1         7
//         U1        14
//     NODENAME 112
//
//     EOS
//
// gives  #1 "GND" = C1:1, U1:7, U1:14;  and  #2 "112" = ;
//
// The parts list is skipped unread: its fields run together when one
// overflows its column, so a reference cannot be told from the footprint
// before it; nodes are read whatever parts it lists. A broken or cut file
// ends the decode with an error naming the line: no "EOS" after the parts or
// the nets, no "NET LIST", a node line before the first NODENAME, a reference
// without its pin, any other line, a control byte.
//
// Recognition: the file's first line is "PARTS LIST" (blanks after it
// allowed).
#include <algorithm>
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

constexpr std::string_view kPartsList = "PARTS LIST";
constexpr std::string_view kNodeName = "NODENAME";

bool Signature(const char* head, std::size_t size) {
    std::string_view first(head, std::min(size, std::string_view(head, size).find('\n')));
    while (!first.empty() && (first.back() == ' ' || first.back() == '\t' || first.back() == '\r')) first.remove_suffix(1);
    return first == kPartsList;
}

// The name on a NODENAME line: the rest of it trimmed, less the "$" that
// ends the padded field.
std::string_view NetName(std::string_view rest) {
    std::string_view name = Trim(rest);
    if (!name.empty() && name.back() == '$') name = Trim(name.substr(0, name.size() - 1));
    return name;
}

int Decode(int file, int panel, int control) {
    LineReader in(file);
    NetWriter out(panel, control);
    std::string_view line;
    if (!in.Next(line) || Trim(line) != kPartsList) FailForm(in.Number(), "нет строки PARTS LIST"_cp1251);
    enum { Parts, BeforeNets, Nets } state = Parts;
    bool open = false;  // a net's chain line is being written
    while (in.Next(line)) {
        if (HasControlByte(line)) FailForm(in.Number(), "двоичные данные"_cp1251);
        const std::string_view trimmed = Trim(line);
        if (state == Parts) {
            if (trimmed == "EOS") state = BeforeNets;
            continue;
        }
        if (trimmed.empty()) continue;
        if (state == BeforeNets) {
            if (trimmed != "NET LIST") FailForm(in.Number(), "нет строки NET LIST"_cp1251);
            state = Nets;
            continue;
        }
        if (trimmed == "EOS") {
            if (open) out.EndNet();
            return kDecoded;
        }
        if (line.substr(0, kNodeName.size()) == kNodeName &&
            (line.size() == kNodeName.size() || !Visible(line[kNodeName.size()]))) {
            if (open) out.EndNet();
            out.BeginNet(NetName(line.substr(kNodeName.size())));
            open = true;
            continue;
        }
        if (Visible(line.front())) FailForm(in.Number(), "строка не по форме"_cp1251);
        if (!open) FailForm(in.Number(), "узлы до первой цепи"_cp1251);
        std::string_view words = line;
        for (std::string_view ref = NextWord(words); !ref.empty(); ref = NextWord(words)) {
            const std::string_view pin = NextWord(words);
            if (pin.empty()) FailForm(in.Number(), "позиционное обозначение без вывода"_cp1251);
            out.Node(ref, pin);
        }
    }
    FailForm(in.Number(), state == Nets    ? "нет строки EOS в конце списка цепей"_cp1251
                          : state == Parts ? "нет строки EOS в конце списка деталей"_cp1251
                                           : "нет списка цепей"_cp1251);
}

}  // namespace

extern const NetListForm kCadnetixForm{"Cadnetix", "Импорт списка связей Cadnetix"_cp1251, Signature, Decode};

}  // namespace tarvik
