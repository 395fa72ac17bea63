// RINF net-list decoder.
//
// Accepted input: a first line ".HEA", then lines of keywords, each line
// beginning with "." and a keyword, up to a line ".END" that ends the list.
// ".ADD_TER REF PIN NAME" begins a net with its first node; ".TER REF PIN"
// adds a node to the net begun last, and so does each line after it that
// begins with a blank ("     REF PIN"). A field is a word or a text in double
// quotes (the quotes dropped; blanks inside kept); the net name is usually
// quoted. Other keywords (.APP, .TIM, .TYP, .ADD_COM, .ATT_COM, ...) carry
// no connections and are skipped; so are blank lines. What follows ".END" is
// not read.
//
//     .HEA
//     .ADD_COM C1 "C0603" "0,1uF"
//     .ADD_TER C1 1 "GND"
//     .TER U1 7
//          U1 14
//     .ADD_TER C1 2 "VCC"
//     .END
//
// gives  #1 "GND" = C1:1, U1:7, U1:14;  and  #2 "VCC" = C1:2;
//
// The exporter lists only nets of two nodes or more; one .ADD_TER alone is a
// one-node net. Each .ADD_TER writes its own chain line, even with a name
// used before. Nodes of a part without .ADD_COM are read like any other: the
// chain list takes its connections from the terminals alone. A broken or cut
// file ends the decode with an error naming the line: no ".END", a .TER or
// blank-led node line before the first .ADD_TER, a missing field, a quote
// not closed, a line that is neither a keyword nor a node line, a control
// byte.
//
// Recognition: the file's first line is ".HEA" (blanks after it allowed).
#include <algorithm>
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

bool Signature(const char* head, std::size_t size) {
    std::string_view first(head, std::min(size, std::string_view(head, size).find('\n')));
    while (!first.empty() && (first.back() == ' ' || first.back() == '\t' || first.back() == '\r')) first.remove_suffix(1);
    return first == ".HEA";
}

// Splits off the next field (a word, or a quoted text without its quotes);
// false when none is left. line is the line's number for an error.
bool NextField(std::string_view& text, std::string_view& field, long long line) {
    text = Trim(text);
    if (text.empty()) return false;
    if (text.front() != '"') {
        field = NextWord(text);
        return true;
    }
    const std::size_t close = text.find('"', 1);
    if (close == std::string_view::npos) FailForm(line, "нет закрывающей кавычки"_cp1251);
    field = text.substr(1, close - 1);
    text.remove_prefix(close + 1);
    return true;
}

int Decode(int file, int panel, int control) {
    LineReader in(file);
    NetWriter out(panel, control);
    std::string_view line;
    if (!in.Next(line) || Trim(line) != ".HEA") FailForm(in.Number(), "нет строки .HEA"_cp1251);
    bool open = false;
    std::string_view ref, pin, name;
    const auto node = [&](std::string_view& text) {
        if (!NextField(text, ref, in.Number()) || !NextField(text, pin, in.Number()))
            FailForm(in.Number(), "нет позиционного обозначения или вывода"_cp1251);
    };
    while (in.Next(line)) {
        if (HasControlByte(line)) FailForm(in.Number(), "двоичные данные"_cp1251);
        if (Trim(line).empty()) continue;
        std::string_view text = line;
        if (line.front() != '.') {
            if (Visible(line.front())) FailForm(in.Number(), "строка не по форме"_cp1251);
            if (!open) FailForm(in.Number(), "узел до первой цепи"_cp1251);
            node(text);
            out.Node(ref, pin);
            continue;
        }
        const std::string_view keyword = NextWord(text);
        if (keyword == ".END") {
            if (open) out.EndNet();
            return kDecoded;
        }
        if (keyword == ".ADD_TER") {
            node(text);
            if (!NextField(text, name, in.Number())) FailForm(in.Number(), "нет имени цепи"_cp1251);
            if (open) out.EndNet();
            out.BeginNet(name);
            out.Node(ref, pin);
            open = true;
        } else if (keyword == ".TER") {
            if (!open) FailForm(in.Number(), ".TER до первой цепи"_cp1251);
            node(text);
            out.Node(ref, pin);
        } else if (keyword == ".HEA") {
            FailForm(in.Number(), "второй заголовок .HEA"_cp1251);
        }
    }
    FailForm(in.Number(), "нет строки .END в конце списка"_cp1251);
}

}  // namespace

extern const NetListForm kRinfForm{"RINF", "Импорт списка связей RINF"_cp1251, Signature, Decode};

}  // namespace tarvik
