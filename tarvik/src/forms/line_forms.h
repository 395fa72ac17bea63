// Pieces shared by the decoders of line-based forms that name a node as one
// word, REF and PIN joined by a separator (PADS-PCB, Protel, Telesis, Mentor):
// the lines of the file's head for the signatures, keywords compared without
// regard to case, and a node word split and written.
#ifndef TARVIK_LINE_FORMS_H
#define TARVIK_LINE_FORMS_H

#include <cstddef>
#include <string_view>

#include "cp1251.h"
#include "decoders.h"
#include "form_support.h"

namespace tarvik::forms {

// The lines of a file's first bytes, each without its LF and a CR before it;
// the last may be cut off where the head ends.
class HeadLines {
public:
    HeadLines(const char* head, std::size_t size) : rest_(head, size) {}
    bool Next(std::string_view& line) {
        if (rest_.empty()) return false;
        const std::size_t lf = rest_.find('\n');
        line = rest_.substr(0, lf);
        rest_.remove_prefix(lf == std::string_view::npos ? rest_.size() : lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    }
    // The next line that holds more than blanks, trimmed; false when none.
    bool NextText(std::string_view& line) {
        while (Next(line)) {
            line = Trim(line);
            if (!line.empty()) return true;
        }
        return false;
    }

private:
    std::string_view rest_;
};

// Whether a and b are equal when ASCII letters are compared in any case.
inline bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        char x = a[k], y = b[k];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}
inline bool StartsWithText(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && SameText(text.substr(0, start.size()), start);
}

// The messages the line-based decoders share.
inline const char* BadNode() {
    using namespace cp1251::literals;
    return "узел не в виде позиция-вывод"_cp1251;
}
inline const char* NoNets() {
    using namespace cp1251::literals;
    return "нет списка цепей"_cp1251;
}
inline const char* EndTooSoon() {
    using namespace cp1251::literals;
    return "неожиданный конец файла"_cp1251;
}

// Splits node at the last sep into ref and pin: false when node has no sep,
// or nothing before or after it.
inline bool SplitAtLast(std::string_view node, char sep, std::string_view& ref, std::string_view& pin) {
    const std::size_t at = node.rfind(sep);
    if (at == std::string_view::npos || at == 0 || at + 1 == node.size()) return false;
    ref = node.substr(0, at);
    pin = node.substr(at + 1);
    return true;
}

// Writes the node word REF<sep>PIN, split at the last sep; a word that does
// not split ends the decode: the file's line `line` is broken.
inline void WriteNode(NetWriter& out, std::string_view word, char sep, long long line) {
    std::string_view ref, pin;
    if (!SplitAtLast(word, sep, ref, pin)) FailForm(line, BadNode());
    out.Node(ref, pin);
}

}  // namespace tarvik::forms

#endif
