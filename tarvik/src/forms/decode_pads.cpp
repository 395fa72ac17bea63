// PADS-PCB net-list decoder.
//
// Accepted input: blank lines, then the header line *PADS-PCB*; sections
// opened by a keyword line, keywords in any case: *PART* (lines "REF
// FOOTPRINT", not read), then *NET*, holding nets; *REMARK* lines are
// comments anywhere; *END* ends the list and whatever follows it is not read.
// In *NET*, a net begins with "*SIGNAL* NAME" (the first word after the
// keyword; further words are not read) and its nodes follow on any number of
// lines, words REF.PIN split at the last "." (a pin is a number or a short
// name, a reference of a hierarchical design may hold a "."). Nodes are
// written in the file's order, a node listed twice twice.
//
//     *PADS-PCB*
//     *PART*
//     U1     SO14
//     *NET*
//     *SIGNAL* GND
//      U1.7 C1.2
//      C2.2
//     *SIGNAL* VCC
//      U1.14
//     *END*
//
// gives  #1 "GND" = U1:7, C1:2, C2:2;  and  #2 "VCC" = U1:14;
//
// Refused with the line: a file without *NET* (a parts-only export), a node
// that does not split, a node before the first *SIGNAL*, a *SIGNAL* outside
// *NET*, *PART* after *NET*, an unknown keyword, a line outside any section,
// and a file that ends before *END*. A net may name parts that *PART* does
// not list: the connections are the exporter's and are read as they stand.
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"
#include "line_forms.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;
using forms::SameText;

bool Signature(const char* head, std::size_t size) {
    forms::HeadLines lines(head, size);
    std::string_view line;
    return lines.NextText(line) && SameText(line, "*PADS-PCB*");
}

int Decode(int file, int panel, int control) {
    LineReader in(file);
    std::string_view line;
    for (;;) {
        if (!in.Next(line)) FailForm(in.Number(), forms::EndTooSoon());
        line = Trim(line);
        if (line.empty()) continue;
        if (!SameText(line, "*PADS-PCB*")) FailForm(in.Number(), "нет заголовка *PADS-PCB*"_cp1251);
        break;
    }
    NetWriter out(panel, control);
    enum { NoSection, Parts, Nets } section = NoSection;
    bool inNet = false;
    while (in.Next(line)) {
        std::string_view rest = line;
        const std::string_view first = NextWord(rest);
        if (first.empty()) continue;
        if (first.front() == '*') {
            if (SameText(first, "*REMARK*")) continue;
            if (inNet) out.EndNet(), inNet = false;
            if (SameText(first, "*SIGNAL*")) {
                if (section != Nets) FailForm(in.Number(), "цепь вне раздела *NET*"_cp1251);
                out.BeginNet(NextWord(rest));
                inNet = true;
            } else if (SameText(first, "*NET*")) {
                section = Nets;
            } else if (SameText(first, "*PART*")) {
                if (section == Nets) FailForm(in.Number(), "раздел *PART* после раздела *NET*"_cp1251);
                section = Parts;
            } else if (SameText(first, "*END*")) {
                if (section != Nets) FailForm(in.Number(), forms::NoNets());
                return kDecoded;
            } else {
                FailForm(in.Number(), "неизвестное ключевое слово"_cp1251);
            }
            continue;
        }
        if (section == Parts) continue;
        if (section == NoSection) FailForm(in.Number(), "строка вне раздела"_cp1251);
        if (!inNet) FailForm(in.Number(), "узел до первой цепи *SIGNAL*"_cp1251);
        for (std::string_view word = first; !word.empty(); word = NextWord(rest))
            forms::WriteNode(out, word, '.', in.Number());
    }
    FailForm(in.Number(), "нет строки *END*: файл оборван"_cp1251);
}

}  // namespace

extern const NetListForm kPadsForm{"PADS-PCB", "Импорт списка связей PADS-PCB"_cp1251, Signature, Decode};

}  // namespace tarvik
