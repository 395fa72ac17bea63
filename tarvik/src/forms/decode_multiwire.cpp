// MultiWire net-list decoder.
//
// Accepted input: one node a line in fixed columns: the net name in columns
// 0 to 17 (the exporter cuts it to 16 bytes and pads it with blanks), then
// from column 18 the reference and the pin, the pin being the line's last
// word and the reference everything between column 18 and the pin (blanks
// at either end dropped, blanks inside kept). A line "-1" ends the list;
// blank lines are skipped, and what follows "-1" is not read.
// Consecutive lines of one name make one net. A name that comes back after
// other nets starts another chain line of that name: the exporter writes
// each net's nodes together and cuts names to 16 bytes, so two nets whose
// names share their first 16 bytes must not be joined.
//
//     GND               U1                             7
//     GND               C1                             1
//     VCC               U1                            14
//     -1
//
// gives  #1 "GND" = U1:7, C1:1;  and  #2 "VCC" = U1:14;
//
// A net without nodes has no line, so none is written. A broken or cut file
// ends the decode with an error naming the line: no "-1" at the end, a line
// shorter than its reference and pin, a blank at column 0 or a visible byte
// in columns 16 and 17, a control byte.
//
// Recognition: every whole line in the file's first kSignatureBytes is blank,
// "-1" (with only blank lines after it) or a node line (a visible byte at
// column 0, blanks at columns 16 and 17, a visible byte at column 18 and at
// the line's end, two words or more from column 18), and there is at least
// one node line.
#include <algorithm>
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

constexpr std::size_t kRefCol = 18;

bool NodeLine(std::string_view line) {
    if (line.size() < kRefCol + 3 || !Visible(line[0]) || line[16] != ' ' || line[17] != ' ') return false;
    if (!Visible(line[kRefCol]) || !Visible(line.back())) return false;
    std::string_view rest = line.substr(kRefCol);
    return !NextWord(rest).empty() && !NextWord(rest).empty();
}

bool Signature(const char* head, std::size_t size) {
    std::string_view rest(head, size);
    const bool whole = size < kSignatureBytes;
    bool nodes = false, ended = false;
    while (!rest.empty()) {
        const std::size_t lf = rest.find('\n');
        if (lf == std::string_view::npos && !whole) break;
        std::string_view line = rest.substr(0, lf);
        rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (Trim(line).empty()) continue;
        if (ended) return false;
        if (line == "-1") {
            ended = true;
            continue;
        }
        if (!NodeLine(line)) return false;
        nodes = true;
    }
    return nodes;
}

int Decode(int file, int panel, int control) {
    LineReader in(file);
    NetWriter out(panel, control);
    std::string_view line;
    std::string name;  // the open net's name
    bool open = false;
    while (in.Next(line)) {
        if (HasControlByte(line)) FailForm(in.Number(), "двоичные данные"_cp1251);
        if (Trim(line).empty()) continue;
        if (Trim(line) == "-1") {
            if (open) out.EndNet();
            return kDecoded;
        }
        if (!Visible(line[0])) FailForm(in.Number(), "нет имени цепи в колонке 0"_cp1251);
        if (line.size() <= kRefCol) FailForm(in.Number(), "нет позиционного обозначения и вывода"_cp1251);
        if (line[16] != ' ' || line[17] != ' ') FailForm(in.Number(), "имя цепи длиннее 16 знаков"_cp1251);
        const std::string_view fields = Trim(line.substr(kRefCol));
        const std::size_t gap = fields.find_last_of(" \t");
        if (fields.empty() || gap == std::string_view::npos)
            FailForm(in.Number(), "позиционное обозначение без вывода"_cp1251);
        const std::string_view net = Trim(line.substr(0, kRefCol));
        if (!open || net != name) {
            if (open) out.EndNet();
            name.assign(net);
            out.BeginNet(name);
            open = true;
        }
        out.Node(Trim(fields.substr(0, gap)), fields.substr(gap + 1));
    }
    FailForm(in.Number(), "нет строки -1 в конце списка"_cp1251);
}

}  // namespace

extern const NetListForm kMultiWireForm{"MultiWire", "Импорт списка связей MultiWire"_cp1251, Signature, Decode};

}  // namespace tarvik
