// Mentor (Board Station) net-list decoder.
//
// Accepted input: one net a line, "NET 'NAME' REF-PIN REF-PIN ...": the
// keyword NET, the name quoted between "'" and "'" (or between double quotes;
// a name without quotes is the next word), then the nodes, REF-PIN split at
// the last "-" (pins are numbers or short names; a reference may hold a "-").
// Lines beginning with "#" are comments; blank lines are not read. The parts
// list the same exporter writes ("REF PART VALUE FOOTPRINT" lines after a
// "#" comment) is recognised, so that it is refused as having no nets; such
// lines before the nets are not read.
//
//     # nets
//     NET 'GND' U1-7 C1-2 C2-2
//     NET 'VCC' U1-14
//
// gives  #1 "GND" = U1:7, C1:2, C2:2;  and  #2 "VCC" = U1:14;
//
// Refused with the line: a file without a NET line, a part line after the
// nets, any other line, a quote not closed, and a node that does not split.
// The form has no end mark: a file cut between two lines cannot be told from
// a whole one; a file cut inside a node or a name is refused.
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"
#include "line_forms.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

// The words after the keyword NET when line is a net's line.
bool NetLine(std::string_view line, std::string_view& rest) {
    if (line.size() < 4 || line.substr(0, 3) != "NET" || (line[3] != ' ' && line[3] != '\t')) return false;
    rest = line.substr(4);
    return true;
}

bool PartLine(std::string_view line) {
    NextWord(line);
    return NextWord(line) == "PART";
}

// A first line that is a net with a quoted name, or, after a comment, a part.
bool Signature(const char* head, std::size_t size) {
    forms::HeadLines lines(head, size);
    std::string_view line, rest;
    bool comment = false;
    while (lines.NextText(line)) {
        if (line.front() == '#') {
            comment = true;
            continue;
        }
        if (NetLine(line, rest)) {
            rest = Trim(rest);
            return !rest.empty() && (rest.front() == '\'' || rest.front() == '"');
        }
        return comment && PartLine(line);
    }
    return false;
}

int Decode(int file, int panel, int control) {
    LineReader in(file);
    NetWriter out(panel, control);
    bool nets = false;
    std::string_view line, rest;
    while (in.Next(line)) {
        line = Trim(line);
        if (line.empty() || line.front() == '#') continue;
        if (!NetLine(line, rest)) {
            if (!PartLine(line)) FailForm(in.Number(), "строка не NET и не PART"_cp1251);
            if (nets) FailForm(in.Number(), "описание компонента после списка цепей"_cp1251);
            continue;
        }
        nets = true;
        rest = Trim(rest);
        std::string_view name;
        if (!rest.empty() && (rest.front() == '\'' || rest.front() == '"')) {
            const std::size_t close = rest.find(rest.front(), 1);
            if (close == std::string_view::npos) FailForm(in.Number(), "нет закрывающей кавычки"_cp1251);
            name = rest.substr(1, close - 1);
            rest.remove_prefix(close + 1);
        } else {
            name = NextWord(rest);
        }
        out.BeginNet(name);
        for (std::string_view word = NextWord(rest); !word.empty(); word = NextWord(rest))
            forms::WriteNode(out, word, '-', in.Number());
        out.EndNet();
    }
    if (!nets) FailForm(in.Number(), forms::NoNets());
    return kDecoded;
}

}  // namespace

extern const NetListForm kMentorForm{"Mentor", "Импорт списка связей Mentor"_cp1251, Signature, Decode};

}  // namespace tarvik
