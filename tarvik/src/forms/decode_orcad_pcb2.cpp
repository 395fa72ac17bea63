// OrCAD PCB II net-list decoder, and KiCad's older net list of the same shape.
//
// Accepted input: a header, then one list of part blocks, each listing the
// net of every pin; the nets are built from the parts, in the order of
// their first appearance:
//
//     ( {OrCAD PCB II Netlist Format}
//      ( 00000001 SO14 U1 74HC00
//       ( 7 GND )
//       ( 14 VCC )
//       ( 3 ? )
//      )
//      ( 00000002 C0603 C1 100n
//       ( 1 VCC )
//       ( 2 GND )
//      )
//     )
//
// gives  #1 "GND" = U1:7, C1:2;  and  #2 "VCC" = U1:14, C1:1;
//
// A part line is ( TIMESTAMP FOOTPRINT REF VALUE ); words from one that
// begins with "{" on (KiCad's {Lib=...}) are a comment. The footprint and
// the value may hold blanks (MOLEX_Click-Mate 2), so the reference is the
// first word behind the footprint's first one that looks like a reference:
// letters, then digits, nothing else (X4, DD1, HL7); when no word does, the
// layout is the plain one and the reference is the third word. A pin line
// is ( PIN NET ): the net is all between the pin and the closing ")", blanks
// inside kept; a pin on net "?" or on no net is unconnected and makes no net.
//
// KiCad's older net list has the header ( { EESchema Netlist Version ... }
// or a line # EESchema Netlist Version ... before the list, and UTF-8 text;
// it is the same form. What follows the list's closing ")" (KiCad's "*" and
// its pin list by nets) is not read. A file that ends inside the list, or a
// line inside a part that is no pin line, is refused with the line.
#include <cstring>
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

constexpr std::string_view kOrcadHeader = "OrCAD PCB II Netlist Format";
constexpr std::string_view kKicadHeader = "EESchema Netlist Version";

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// After a byte order mark and blanks: "(", blanks, "{", blanks and one of
// the header texts; or "#", blanks and KiCad's header text.
bool Signature(const char* head, std::size_t size) {
    std::string_view text(head, size);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const auto skip = [&] {
        while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
    };
    skip();
    if (text.substr(0, 1) == "#") {
        text.remove_prefix(1);
        skip();
        return text.substr(0, kKicadHeader.size()) == kKicadHeader;
    }
    if (text.substr(0, 1) != "(") return false;
    text.remove_prefix(1);
    skip();
    if (text.substr(0, 1) != "{") return false;
    text.remove_prefix(1);
    skip();
    return text.substr(0, kOrcadHeader.size()) == kOrcadHeader ||
           text.substr(0, kKicadHeader.size()) == kKicadHeader;
}

bool Letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
}
bool Digit(char c) { return c >= '0' && c <= '9'; }

// Letters, then digits, nothing else.
bool LooksLikeReference(std::string_view word) {
    std::size_t k = 0;
    while (k < word.size() && Letter(word[k])) ++k;
    if (k == 0 || k == word.size()) return false;
    while (k < word.size() && Digit(word[k])) ++k;
    return k == word.size();
}

// The reference of a part line (behind its "("); empty when it has none.
std::string_view PartReference(std::string_view rest) {
    std::string_view words[64];
    std::size_t count = 0;
    for (std::string_view w = NextWord(rest); !w.empty() && w.front() != '{' && count < 64; w = NextWord(rest))
        words[count++] = w;
    for (std::size_t k = 2; k < count; ++k)
        if (LooksLikeReference(words[k])) return words[k];
    return count > 2 ? words[2] : std::string_view();
}

enum State { BeforeList, InList, InPart, AfterList };

int Decode(int file, int panel, int control) {
    LineReader lines(file);
    std::string_view line;
    // KiCad's text is UTF-8; the header tells.
    bool utf8 = false;
    State state = BeforeList;
    std::string ref;
    NetCollector nets;
    nets.Reserve(lines.FileBytes());
    while (state != AfterList && lines.Next(line)) {
        std::string_view text = Trim(line);
        if (text.empty()) continue;
        switch (state) {
        case BeforeList:
            if (text.find(kKicadHeader) != std::string_view::npos) utf8 = true;
            if (text.front() == '(') state = InList;
            else if (text.front() != '#' && text.substr(0, 3) != "\xEF\xBB\xBF")
                FailForm(lines.Number(), "нет начала списка элементов"_cp1251);
            break;
        case InList:
            if (text == ")") {
                state = AfterList;
                break;
            }
            if (text.front() != '(') FailForm(lines.Number(), "ожидалась строка элемента"_cp1251);
            ref.assign(PartReference(text.substr(1)));
            if (ref.empty()) FailForm(lines.Number(), "нет обозначения элемента"_cp1251);
            state = InPart;
            break;
        case InPart: {
            if (text == ")") {
                state = InList;
                break;
            }
            if (text.front() != '(' || text.back() != ')' || text.size() < 2)
                FailForm(lines.Number(), "ожидалась строка вывода ( вывод цепь )"_cp1251);
            std::string_view inner = text.substr(1, text.size() - 2);
            const std::string_view pin = NextWord(inner);
            if (pin.empty()) FailForm(lines.Number(), "нет номера вывода"_cp1251);
            const std::string_view net = Trim(inner);
            if (!net.empty() && net != "?") nets.Add(net, ref, pin);
            break;
        }
        case AfterList: break;
        }
    }
    if (state != AfterList) FailForm(lines.Number(), "неожиданный конец файла"_cp1251);
    NetWriter out(panel, control, utf8);
    nets.WriteTo(out);
    return kDecoded;
}

}  // namespace

extern const NetListForm kOrcadPcb2Form{"OrCAD PCB II", "Импорт списка связей OrCAD PCB II"_cp1251, Signature, Decode};

}  // namespace tarvik
