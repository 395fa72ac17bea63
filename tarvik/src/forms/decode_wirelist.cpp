// Wire list report decoder.
//
// Accepted input: a first line "Wire List", then any lines (the component
// list, "<<< Component List >>>" and one part a line) up to a line
// "<<< Wire List >>>", then the nets to the end of the file. A net begins
// with a line "[NUMBER] NAME" (the name is the rest of the line, blanks at
// either end dropped); its nodes follow one a line, each line beginning with
// a blank, the reference and the pin being its first two words (pin name,
// pin type and part value follow and are not read). Net numbers grow from
// net to net (the exporter leaves gaps); a net header repeated with the same
// number and name (a page that goes on with the net) continues that net. Page furniture is skipped: blank
// lines, form feeds, the column header line ("NODE REFERENCE PIN ..."), and
// lines that begin with a visible byte other than "[" (a title, a date, a
// page number).
//
//     Wire List
//
//     <<< Component List >>>
//     0,1uF                           C1             C0603_A
//     <<< Wire List >>>
//
//       NODE  REFERENCE  PIN #   PIN NAME       PIN TYPE    PART VALUE
//
//     [00001] GND
//             C1         1       1              PASSIVE     0,1uF
//             U1         7       GND            POWER       LM358
//
//     [00002] 112
//
// gives  #1 "GND" = C1:1, U1:7;  and  #2 "112" = ;
//
// A blank inside a reference or pin cannot be told from the gap between
// columns: the first two words are taken. The report has no end mark, so a
// file cut between two nets reads as a shorter list; a file cut inside a
// node line, a node line before the first net, a net number not above the
// last one, a "<<<" section after the nets began, or a control byte other
// than a form feed ends the decode with an error naming the line.
//
// Recognition: the file's first line is "Wire List" (blanks after it
// allowed) and a line beginning with "<<< " follows in the file's first
// kSignatureBytes.
#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

constexpr std::string_view kTitle = "Wire List";
constexpr std::string_view kNetsSection = "<<< Wire List >>>";

bool Signature(const char* head, std::size_t size) {
    const std::string_view text(head, size);
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos) return false;
    std::string_view first = text.substr(0, lf);
    while (!first.empty() && (first.back() == ' ' || first.back() == '\t' || first.back() == '\r')) first.remove_suffix(1);
    return first == kTitle && text.find("\n<<< ") != std::string_view::npos;
}

// The line without form feeds and blanks at either end.
std::string_view Clean(std::string_view line) {
    for (;;) {
        line = Trim(line);
        if (!line.empty() && line.front() == '\f') line.remove_prefix(1);
        else if (!line.empty() && line.back() == '\f') line.remove_suffix(1);
        else return line;
    }
}

int Decode(int file, int panel, int control) {
    LineReader in(file);
    NetWriter out(panel, control);
    std::string_view line;
    if (!in.Next(line) || Clean(line) != kTitle) FailForm(in.Number(), "нет заголовка Wire List"_cp1251);
    bool nets = false;  // behind "<<< Wire List >>>"
    bool open = false;
    long long number = 0;  // the last net's number
    std::string name;      // and its name
    while (in.Next(line)) {
        if (HasControlByte(line, "\f")) FailForm(in.Number(), "двоичные данные"_cp1251);
        const std::string_view text = Clean(line);
        if (!nets) {
            nets = text == kNetsSection;
            continue;
        }
        if (text.empty()) continue;
        if (text.substr(0, 3) == "<<<") FailForm(in.Number(), "раздел не на месте"_cp1251);
        while (!line.empty() && line.front() == '\f') line.remove_prefix(1);
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            long long n = 0;
            const char* digits = line.data() + 1;
            const char* end = line.data() + (close == std::string_view::npos ? 1 : close);
            const auto parsed = std::from_chars(digits, end, n);
            if (close == std::string_view::npos || close == 1 || parsed.ptr != end)
                FailForm(in.Number(), "заголовок цепи не вида [НОМЕР] ИМЯ"_cp1251);
            const std::string_view net = Clean(line.substr(close + 1));
            if (open && n == number && net == name) continue;  // the net goes on on a new page
            if (n <= number) FailForm(in.Number(), "номер цепи не по порядку"_cp1251);
            if (open) out.EndNet();
            number = n;
            name.assign(net);
            out.BeginNet(net);
            open = true;
            continue;
        }
        if (Visible(line.front())) continue;  // a title, a date or a page number
        std::string_view words = text;
        const std::string_view ref = NextWord(words);
        const std::string_view pin = NextWord(words);
        if (ref == "NODE" && pin == "REFERENCE") continue;  // the column header
        if (!open) FailForm(in.Number(), "узел до первой цепи"_cp1251);
        if (pin.empty()) FailForm(in.Number(), "позиционное обозначение без вывода"_cp1251);
        out.Node(ref, pin);
    }
    if (!nets) FailForm(in.Number(), "нет списка цепей <<< Wire List >>>"_cp1251);
    if (open) out.EndNet();
    return kDecoded;
}

}  // namespace

extern const NetListForm kWireListForm{"Wire List", "Импорт списка связей Wire List"_cp1251, Signature, Decode};

}  // namespace tarvik
