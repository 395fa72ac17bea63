// EEsof circuit-file decoder.
//
// Accepted input: a first line beginning "! EEsof", then sections, each
// begun by a line holding only its keyword (DIM, VAR, EQN, CKT, TERM, ...).
// Lines beginning with "!" are comments, blank lines are skipped, and a line
// ending in "&" is continued by the next line. The circuit section (CKT)
// holds one statement per part: the element, "VALUE_REF" (the value may
// hold blanks or be empty; the reference is what follows the element's last
// "_", the whole element when it has none), then the part's nodes as
// numbers, one per pin in the order of the pins 1, 2, 3, ...; the lines that
// continue the statement carry the part's attributes and are not read. A
// node number is a net, and its name in the chain list: nets are written in
// the order their number first appears, each node once. The next section
// keyword (a line of one word of capital letters A to Z) ends the circuit.
//
//     ! EEsof For Windows File
//     CKT
//     0,1uF_C1 573 501  &
//     Value=0,1uF
//     LM358_DA1 501 573 12  &
//     Footprint=SO8
//     TERM
//
// gives  #1 "573" = C1:1, DA1:2;  #2 "501" = C1:2, DA1:1;  and  #3 "12" = DA1:3;
//
// The exporter numbers nets sheet by sheet: a net that crosses sheets has a
// number on each, and the file does not say they are one, so Tarvik lists
// them as the file has them. A broken or cut file ends the decode with an
// error naming the line: no CKT section, a file that ends inside the circuit
// section or inside a continued statement, a statement without node
// numbers, a control byte.
//
// Recognition: the file's first line begins with "! EEsof".
#include <algorithm>
#include <charconv>
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

constexpr std::string_view kHeader = "! EEsof";

bool Signature(const char* head, std::size_t size) {
    return std::string_view(head, size).substr(0, kHeader.size()) == kHeader;
}

bool SectionKeyword(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}
bool Number(std::string_view word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Decode(int file, int panel, int control) {
    LineReader in(file);
    NetWriter out(panel, control);
    NetCollector nets;
    std::string_view line;
    if (!in.Next(line) || line.substr(0, kHeader.size()) != kHeader) FailForm(in.Number(), "нет заголовка ! EEsof"_cp1251);
    enum { Before, Circuit, After } state = Before;
    bool continued = false;  // the line before ended in "&"
    char pin[24];
    while (in.Next(line)) {
        if (HasControlByte(line)) FailForm(in.Number(), "двоичные данные"_cp1251);
        std::string_view text = Trim(line);
        const bool wasContinued = continued;
        continued = !text.empty() && text.back() == '&';
        if (wasContinued || text.empty() || text.front() == '!') continue;
        if (state != Circuit) {
            if (text == "CKT") {
                if (state == After) FailForm(in.Number(), "второй раздел CKT"_cp1251);
                state = Circuit;
            }
            continue;
        }
        if (SectionKeyword(text)) {
            state = After;
            continue;
        }
        if (continued) text = Trim(text.substr(0, text.size() - 1));
        // The node numbers are the words at the statement's end.
        std::string_view nodes = text;
        std::size_t count = 0;
        for (;;) {
            const std::size_t gap = nodes.find_last_of(" \t");
            if (gap == std::string_view::npos || !Number(nodes.substr(gap + 1))) break;
            nodes = Trim(nodes.substr(0, gap));
            ++count;
        }
        if (count == 0) FailForm(in.Number(), "нет номеров узлов"_cp1251);
        const std::string_view element = nodes;
        const std::size_t underscore = element.rfind('_');
        const std::string_view ref = underscore == std::string_view::npos ? element : element.substr(underscore + 1);
        std::string_view rest = text.substr(element.size());
        for (std::size_t k = 1; k <= count; ++k) {
            const std::string_view node = NextWord(rest);
            const auto end = std::to_chars(pin, pin + sizeof pin, k).ptr;
            nets.Add(node, ref, std::string_view(pin, static_cast<std::size_t>(end - pin)));
        }
    }
    if (continued) FailForm(in.Number(), "файл оборван внутри строки с &"_cp1251);
    if (state == Before) FailForm(in.Number(), "нет раздела CKT"_cp1251);
    if (state == Circuit) FailForm(in.Number(), "файл оборван в разделе CKT"_cp1251);
    nets.WriteTo(out);
    return kDecoded;
}

}  // namespace

extern const NetListForm kEEsofForm{"EEsof", "Импорт списка связей EEsof"_cp1251, Signature, Decode};

}  // namespace tarvik
