// Intergraph net-list decoder.
//
// Accepted input: a first line "%PART", then one part a line (the footprint,
// which may hold blanks, then the reference as the line's last word), then a
// line "%NET" and the nets in the file's order, then a line "$" that ends
// the list. A net's first line is its name, two blanks and its nodes; a name
// runs to the first two blanks in a row (a single blank stays in the name),
// or to the line's end in a net without nodes. A line beginning with "*"
// carries more nodes of the net above. A node is REF-PIN, split at its last
// "-". Blank lines are skipped anywhere; what follows "$" is not read.
//
//     %PART
//     C0603_A C1
//     MOLEX_Click-Mate 2 X4
//     %NET
//     GND  C1-1 X4-1 X4-2
//     *  U1-7
//     112
//     $
//
// gives  #1 "GND" = C1:1, X4:1, X4:2, U1:7;  and  #2 "112" = ;
//
// Nodes of a part that the part list lacks are read like any other: the
// chain list takes its connections from the nets alone.
//
// Recognition: PCAD 4.5 files also have lines "%PART" and "%NET", so the
// signature asks for Intergraph's shape in the file's first kSignatureBytes:
// the first line is exactly "%PART" (blanks after it allowed); every whole
// line seen is blank or begins with a visible byte (PCAD 4.5 net lines begin
// with two blanks); every line up to "%NET" is a part line of two words or
// more that does not begin with "%"; and the first line after "%NET", when
// seen, is a net line (not beginning with "%" or "*") or "$". A PCAD 4.5 file
// with "%" section or comment lines and its fixed-column nets is never
// taken. A broken or cut file ends the decode with an error naming the line:
// no "%NET", no "$" at the end, a "*" line before any net, a second "%PART",
// a line beginning with a blank or holding a control byte.
#include <algorithm>
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

bool IsBlank(std::string_view line) { return Trim(line).empty(); }

bool Signature(const char* head, std::size_t size) {
    std::string_view rest(head, size);
    const bool whole = size < kSignatureBytes;  // the file ends inside head
    enum { First, Parts, AfterNet } state = First;
    while (!rest.empty()) {
        const std::size_t lf = rest.find('\n');
        if (lf == std::string_view::npos && !whole) break;  // a line cut by the head's end
        std::string_view line = rest.substr(0, lf);
        rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (state == First) {
            if (Trim(line) != "%PART" || line.front() != '%') return false;
            state = Parts;
            continue;
        }
        if (IsBlank(line)) continue;
        if (!Visible(line.front())) return false;
        if (state == Parts) {
            if (Trim(line) == "%NET") {
                state = AfterNet;
                continue;
            }
            std::string_view words = line;
            if (line.front() == '%' || NextWord(words).empty() || NextWord(words).empty()) return false;
            continue;
        }
        return (line.front() != '%' && line.front() != '*') || Trim(line) == "$";
    }
    return state != First;
}

int Decode(int file, int panel, int control) {
    LineReader in(file);
    NetWriter out(panel, control);
    std::string_view line;
    if (!in.Next(line) || Trim(line) != "%PART") FailForm(in.Number(), "нет строки %PART"_cp1251);
    bool nets = false;  // behind "%NET"
    bool open = false;  // a net's chain line is being written
    const auto node = [&](std::string_view word) {
        const std::size_t minus = word.rfind('-');
        if (minus == std::string_view::npos || minus == 0 || minus + 1 == word.size())
            FailForm(in.Number(), "узел не вида ПОЗ-ВЫВОД"_cp1251);
        out.Node(word.substr(0, minus), word.substr(minus + 1));
    };
    const auto nodes = [&](std::string_view text) {
        for (std::string_view w = NextWord(text); !w.empty(); w = NextWord(text)) node(w);
    };
    while (in.Next(line)) {
        if (HasControlByte(line)) FailForm(in.Number(), "двоичные данные"_cp1251);
        if (IsBlank(line)) continue;
        if (!Visible(line.front())) FailForm(in.Number(), "строка начинается с пробела"_cp1251);
        const std::string_view trimmed = Trim(line);
        if (trimmed == "%PART") FailForm(in.Number(), "второй раздел %PART"_cp1251);
        if (!nets) {
            if (trimmed == "%NET") {
                nets = true;
                continue;
            }
            std::string_view words = line;
            if (line.front() == '%' || NextWord(words).empty() || NextWord(words).empty())
                FailForm(in.Number(), "строка детали не вида КОРПУС ПОЗ"_cp1251);
            continue;
        }
        if (trimmed == "$") {
            if (open) out.EndNet();
            return kDecoded;
        }
        if (line.front() == '%') FailForm(in.Number(), "раздел не на месте"_cp1251);
        if (line.front() == '*') {
            if (!open) FailForm(in.Number(), "продолжение без цепи"_cp1251);
            nodes(line.substr(1));
            continue;
        }
        if (open) out.EndNet();
        const std::size_t gap = line.find("  ");
        out.BeginNet(Trim(line.substr(0, gap)));
        open = true;
        if (gap != std::string_view::npos) nodes(line.substr(gap));
    }
    FailForm(in.Number(), nets ? "нет строки $ в конце списка"_cp1251 : "нет строки %NET"_cp1251);
}

}  // namespace

extern const NetListForm kIntergraphForm{"Intergraph", "Импорт списка связей Intergraph"_cp1251, Signature, Decode};

}  // namespace tarvik
