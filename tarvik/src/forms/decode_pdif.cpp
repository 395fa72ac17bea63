// PDIF net-list decoder (the {COMPONENT ...} blocks of P-CAD's interchange form).
//
// Accepted input: one block {COMPONENT NAME ...} of nested blocks; a block
// opens with "{" and its keyword and closes with "}", anywhere on a line.
// Each part is a block {I FOOTPRINT REF ...} whose {CN ...} block lists
// its pins as pairs of words PIN NET, read line by line; the nets are built from the parts, in
// the order of their first appearance. Other blocks (ENVIRONMENT, PDIFvrev,
// anything else) are skipped.
//
//     {COMPONENT PROTEL.PCB
//       {ENVIRONMENT PROTEL.SCH}
//       {DETAIL
//         {SUBCOMP
//           {I SO14.PRT U1
//             {CN
//             7 GND
//             14 VCC
//             3 ?
//             }
//           }
//           {I C0603.PRT C1
//             {CN
//             1 VCC
//             2 GND
//             }
//           }
//         }
//       }
//     }
//
// gives  #1 "GND" = U1:7, C1:2;  and  #2 "VCC" = U1:14, C1:1;
//
// The footprint may hold blanks (MOLEX_Click-Mate 2.PRT): the reference is
// the last word of the {I line. A pin on net "?", or a pin left without a
// net at the end of its line, is unconnected and makes no net. Text is
// copied as it stands (Windows-1251). A file that ends inside a block, or
// closes a block never opened, or holds more than blanks after the
// {COMPONENT block, is refused with the line.
#include <string>
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"

namespace tarvik {

namespace {

using namespace cp1251::literals;

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// "{COMPONENT" and a blank as the first bytes after blanks.
bool Signature(const char* head, std::size_t size) {
    std::string_view text(head, size);
    while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
    constexpr std::string_view kOpen = "{COMPONENT";
    return text.size() > kOpen.size() && text.substr(0, kOpen.size()) == kOpen && Blank(text[kOpen.size()]);
}

bool EndsWord(char c) { return Blank(c) || c == '{' || c == '}'; }

// The block the decoder is in, as far as it matters.
enum Block : unsigned char { kOther, kPart, kPins };

class Reader {
public:
    Reader(int file) : lines_(file) { nets_.Reserve(lines_.FileBytes()); }

    void Run() {
        std::string_view line;
        while (lines_.Next(line)) Line(line);
        if (closedRoot_) return;
        if (depth_ == 0) FailForm(lines_.Number(), "нет блока {COMPONENT"_cp1251);
        FailForm(lines_.Number(), "неожиданный конец файла: нет закрывающей скобки }"_cp1251);
    }
    const NetCollector& Nets() const { return nets_; }

private:
    void Line(std::string_view text) {
        havePin_ = false;
        for (;;) {
            std::size_t k = 0;
            while (k < text.size() && Blank(text[k])) ++k;
            text.remove_prefix(k);
            if (text.empty()) return;
            if (closedRoot_) FailForm(lines_.Number(), "текст после блока {COMPONENT"_cp1251);
            if (text.front() == '{') {
                text.remove_prefix(1);
                std::size_t end = 0;
                while (end < text.size() && !EndsWord(text[end])) ++end;
                const std::string_view keyword = text.substr(0, end);
                text.remove_prefix(end);
                // A part's own words: up to the next brace on this line.
                std::size_t stop = 0;
                if (keyword == "I")
                    while (stop < text.size() && text[stop] != '{' && text[stop] != '}') ++stop;
                Open(keyword, text.substr(0, stop));
                text.remove_prefix(stop);
            } else if (text.front() == '}') {
                text.remove_prefix(1);
                Close();
            } else {
                std::size_t end = 0;
                while (end < text.size() && !EndsWord(text[end])) ++end;
                if (Top() == kPins) Word(text.substr(0, end));
                text.remove_prefix(end);
            }
        }
    }

    Block Top() const { return depth_ > 0 && depth_ <= kDepth ? blocks_[depth_ - 1] : kOther; }

    void Open(std::string_view keyword, std::string_view words) {
        if (depth_ == 0 && keyword != "COMPONENT") FailForm(lines_.Number(), "нет блока {COMPONENT"_cp1251);
        Block b = kOther;
        if (keyword == "I") {
            std::string_view last;
            for (std::string_view w = NextWord(words); !w.empty(); w = NextWord(words)) last = w;
            if (last.empty()) FailForm(lines_.Number(), "нет обозначения элемента"_cp1251);
            ref_.assign(last);
            b = kPart;
        } else if (keyword == "CN" && Top() == kPart) {
            b = kPins;
        }
        if (depth_ < kDepth) blocks_[depth_] = b;
        ++depth_;
    }

    void Close() {
        if (depth_ == 0) FailForm(lines_.Number(), "лишняя закрывающая скобка }"_cp1251);
        --depth_;
        if (depth_ == 0) closedRoot_ = true;
    }

    // A word of a {CN block: a pin, then its net.
    void Word(std::string_view word) {
        if (!havePin_) {
            pin_.assign(word);
            havePin_ = true;
            return;
        }
        havePin_ = false;
        if (word != "?") nets_.Add(word, ref_, pin_);
    }

    static constexpr long long kDepth = 16;  // blocks deeper are only counted
    LineReader lines_;
    NetCollector nets_;
    Block blocks_[kDepth] = {};
    long long depth_ = 0;
    bool closedRoot_ = false;
    std::string ref_, pin_;
    bool havePin_ = false;
};

int Decode(int file, int panel, int control) {
    Reader reader(file);
    reader.Run();
    NetWriter out(panel, control);
    reader.Nets().WriteTo(out);
    return kDecoded;
}

}  // namespace

extern const NetListForm kPdifForm{"PDIF", "Импорт списка связей PDIF"_cp1251, Signature, Decode};

}  // namespace tarvik
