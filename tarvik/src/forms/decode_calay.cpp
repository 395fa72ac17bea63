// Calay net-list decoder.
//
// Accepted input: nets "/NAME REF(PIN) REF(PIN) ...;", each running over as
// many lines as it needs up to its ";", more than one on a line allowed;
// blanks and line ends separate the words. The name runs from the "/" to the
// first blank or ";". A node is REF(PIN): the reference up to its first "(",
// the pin from there to the ")" that ends the word (a pin may hold
// parentheses, a reference not). A net without a node is written empty.
//
//     /GND    U1(7) C1(2)
//             C2(2);
//     /VCC    U1(14);
//
// gives  #1 "GND" = U1:7, C1:2, C2:2;  and  #2 "VCC" = U1:14;
//
// Signature: the file's first visible byte is "/", and the words from there
// on make nets with at least one node, ended by ";", before any word breaks
// the grammar (or one net with nodes fills the first bytes of the file); a
// file that merely begins with "/" (a path, a comment) is not taken, while
// a Calay file broken further on is recognised and refused with its line.
//
// Refused with the line: a file without a net, a word outside a net (not
// beginning with "/"), a node not in the form REF(PIN), and a file that ends
// before a net's ";". Calay's parts list (a separate file of fixed columns)
// carries no signature and is not taken.
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"
#include "line_forms.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Splits the node word REF(PIN).
bool SplitNode(std::string_view word, std::string_view& ref, std::string_view& pin) {
    const std::size_t open = word.find('(');
    if (open == std::string_view::npos || open == 0 || word.back() != ')' || open + 2 >= word.size()) return false;
    ref = word.substr(0, open);
    pin = word.substr(open + 1, word.size() - open - 2);
    return true;
}

// Reads the words of text; at a ";" the net ends. Shared by the signature and
// the decoder through the Sink: Name(name), Node(word) (false: not a node),
// End().
template <class Sink>
bool ReadWords(std::string_view text, bool& inNet, Sink& sink) {
    std::size_t k = 0;
    while (k < text.size()) {
        if (Blank(text[k])) {
            ++k;
            continue;
        }
        if (text[k] == ';') {
            if (!inNet) return false;
            sink.End();
            inNet = false;
            ++k;
            continue;
        }
        std::size_t end = k;
        while (end < text.size() && !Blank(text[end]) && text[end] != ';') ++end;
        const std::string_view word = text.substr(k, end - k);
        if (!inNet) {
            if (word.front() != '/') return false;
            sink.Name(word.substr(1));
            inNet = true;
        } else if (!sink.Node(word)) {
            return false;
        }
        k = end;
    }
    return true;
}

// Counts the nodes of the nets that end well formed.
struct HeadCheck {
    int nodes = 0;       // in the open net
    int nodesEnded = 0;  // in the nets ended so far
    void Name(std::string_view) { nodes = 0; }
    bool Node(std::string_view word) {
        std::string_view ref, pin;
        ++nodes;
        return SplitNode(word, ref, pin);
    }
    void End() { nodesEnded += nodes; }
};

bool Signature(const char* head, std::size_t size) {
    std::string_view text(head, size);
    std::size_t first = 0;
    while (first < text.size() && Blank(text[first])) ++first;
    if (first == text.size() || text[first] != '/') return false;
    // The last word may be cut where the head ends: only whole words count.
    const bool full = size == kSignatureBytes;
    if (full) {
        std::size_t cut = text.size();
        while (cut > first && !Blank(text[cut - 1]) && text[cut - 1] != ';') --cut;
        text = text.substr(0, cut);
    }
    HeadCheck check;
    bool inNet = false;
    const bool wellFormed = ReadWords(text, inNet, check);
    // A net that fills the whole head counts while it is well formed.
    return check.nodesEnded > 0 || (full && wellFormed && inNet && check.nodes > 0);
}

struct Writer {
    NetWriter& out;
    const LineReader& in;
    void Name(std::string_view name) { out.BeginNet(name); }
    bool Node(std::string_view word) {
        std::string_view ref, pin;
        if (!SplitNode(word, ref, pin)) FailForm(in.Number(), "узел не в виде позиция(вывод)"_cp1251);
        out.Node(ref, pin);
        return true;
    }
    void End() { out.EndNet(); }
};

int Decode(int file, int panel, int control) {
    LineReader in(file);
    NetWriter out(panel, control);
    Writer writer{out, in};
    bool inNet = false;
    std::string_view line;
    while (in.Next(line)) {
        if (!ReadWords(line, inNet, writer)) FailForm(in.Number(), "слово вне цепи: цепь начинается с /"_cp1251);
    }
    if (inNet) FailForm(in.Number(), "нет ; в конце цепи: файл оборван"_cp1251);
    if (out.Nets() == 0) FailForm(in.Number(), forms::NoNets());
    return kDecoded;
}

}  // namespace

extern const NetListForm kCalayForm{"Calay", "Импорт списка связей Calay"_cp1251, Signature, Decode};

}  // namespace tarvik
