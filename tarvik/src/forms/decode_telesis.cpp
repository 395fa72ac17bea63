// Telesis net-list decoder.
//
// Accepted input: blank lines, then sections opened by a keyword line in any
// case: $PACKAGES (lines "FOOTPRINT! VALUE; REF REF ...", not read), other
// sections such as $FUNCTIONS or $A_PROPERTIES (not read), $NETS, and $END,
// which ends the list (whatever follows is not read). A line whose last
// visible byte is "," goes on on the next line, in every section. In $NETS
// each net is "NAME; REF.PIN REF.PIN ..." over one line and its continuations;
// the name is the text before the ";" (blanks around it not read, blanks
// inside kept), or quoted between "'" and "'", when it may hold ";" or blanks
// at its ends. A node is REF.PIN split at the last "." (pins are numbers or
// short names; a reference may hold a "."). A net without a node is written
// empty. A net may name parts $PACKAGES does not list: read as it stands.
//
//     $PACKAGES
//     SO14! 74HC00; U1
//     $NETS
//     GND;  U1.7 C1.2 ,
//          C2.2
//     'A;B';  U1.1
//     $END
//
// gives  #1 "GND" = U1:7, C1:2, C2:2;  and  #2 "A;B" = U1:1;
//
// Refused with the line: a file without $NETS, $PACKAGES after $NETS, an
// unquoted net name beginning with "$" (a line with a ";" that would else
// open an unknown section and hide the nets after it), a
// line before the first section, a net without ";" after its name, a quote
// not closed, a node that does not split, a section keyword where a "," asked
// for more of a net, and a file that ends before $END.
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
    if (!lines.NextText(line)) return false;
    const std::string_view word = NextWord(line);
    return (SameText(word, "$PACKAGES") || SameText(word, "$NETS")) && Trim(line).empty();
}

int Decode(int file, int panel, int control) {
    LineReader in(file);
    NetWriter out(panel, control);
    enum { NoSection, Packages, Nets, Other } section = NoSection;
    bool nets = false;        // $NETS seen
    bool goesOn = false;      // the last line ended with ","
    std::string_view line;
    while (in.Next(line)) {
        line = Trim(line);
        if (line.empty()) continue;
        if (line.front() == '$') {
            if (goesOn) FailForm(in.Number(), "после запятой нет продолжения строки"_cp1251);
            std::string_view rest = line;
            const std::string_view word = NextWord(rest);
            if (SameText(word, "$END")) {
                if (!nets) FailForm(in.Number(), forms::NoNets());
                return kDecoded;
            }
            if (SameText(word, "$NETS")) {
                section = Nets, nets = true;
            } else if (SameText(word, "$PACKAGES")) {
                if (nets) FailForm(in.Number(), "раздел $PACKAGES после раздела $NETS"_cp1251);
                section = Packages;
            } else {
                // A net's line has a ";": a name may not begin with "$" unquoted.
                if (line.find(';') != std::string_view::npos) FailForm(in.Number(), "имя цепи с $ не в кавычках"_cp1251);
                section = Other;
            }
            continue;
        }
        const bool continued = goesOn;
        goesOn = line.back() == ',';
        if (goesOn) line = Trim(line.substr(0, line.size() - 1));
        if (section == NoSection) FailForm(in.Number(), "строка до первого раздела"_cp1251);
        if (section != Nets) continue;
        if (!continued) {
            std::string_view name;
            if (line.front() == '\'') {
                const std::size_t close = line.find('\'', 1);
                if (close == std::string_view::npos) FailForm(in.Number(), "нет закрывающей кавычки"_cp1251);
                name = line.substr(1, close - 1);
                line = Trim(line.substr(close + 1));
                if (line.empty() || line.front() != ';') FailForm(in.Number(), "нет ; после имени цепи"_cp1251);
                line.remove_prefix(1);
            } else {
                const std::size_t semicolon = line.find(';');
                if (semicolon == std::string_view::npos) FailForm(in.Number(), "нет ; после имени цепи"_cp1251);
                name = Trim(line.substr(0, semicolon));
                line.remove_prefix(semicolon + 1);
            }
            out.BeginNet(name);
        }
        for (std::string_view word = NextWord(line); !word.empty(); word = NextWord(line))
            forms::WriteNode(out, word, '.', in.Number());
        if (!goesOn) out.EndNet();
    }
    FailForm(in.Number(), "нет строки $END: файл оборван"_cp1251);
}

}  // namespace

extern const NetListForm kTelesisForm{"Telesis", "Импорт списка связей Telesis"_cp1251, Signature, Decode};

}  // namespace tarvik
