// Tokens of the net-list forms written as s-expressions (KiCad, EDIF), and
// the nodes of one net held until the net closes.
//
// Protocol: a decoder makes an SexprTokens over the open file (it rewinds
// it) and calls Next until kEnd; an atom's text is valid until the next call.
// The tokenizer keeps no tree, only the depth of the lists; a decoder that
// needs the keyword of an enclosing list keeps its own small stack.
#ifndef TARVIK_SEXPR_TOKENS_H
#define TARVIK_SEXPR_TOKENS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "form_support.h"

namespace tarvik {

class SexprTokens {
public:
    enum Kind { kOpen, kClose, kAtom, kEnd };
    // backslashEscapes: inside quotes \" \\ \n \r \t stand for one byte
    // (KiCad); without it a quote ends the text wherever it stands (EDIF).
    SexprTokens(int file, bool backslashEscapes);
    Kind Next();
    // The atom last returned: its text (quotes removed, escapes resolved)
    // and whether it was quoted.
    std::string_view Text() const { return text_; }
    bool Quoted() const { return quoted_; }
    // The line of the token last returned, from 1.
    long long Line() const { return tokenLine_; }
    // Lists open after the token last returned.
    long long Depth() const { return depth_; }

private:
    bool NextLine();
    Kind QuotedAtom();
    std::size_t QuoteStop(std::string_view text) const;

    LineReader lines_;
    bool escapes_;
    std::string_view line_;  // the rest of the current line
    bool haveLine_ = false;
    std::string_view text_;
    bool quoted_ = false;
    long long tokenLine_ = 0;
    long long depth_ = 0;
    std::string scratch_;  // a quoted atom with escapes or over several lines
};

// The nodes of one net in the order given, a node given twice kept once,
// held in one byte arena that is reused from net to net.
class NetNodes {
public:
    void Clear();
    void Add(std::string_view ref, std::string_view pin);
    std::size_t Size() const { return nodes_.size(); }
    // Writes the net as one chain line.
    void WriteTo(NetWriter& out, std::string_view name) const;

private:
    struct Node {
        std::uint32_t at, refLen, pinLen;
    };
    std::string_view Ref(const Node& n) const { return std::string_view(bytes_).substr(n.at, n.refLen); }
    std::string_view Pin(const Node& n) const { return std::string_view(bytes_).substr(n.at + n.refLen, n.pinLen); }
    void Grow();

    std::string bytes_;
    std::vector<Node> nodes_;
    // Open addressing over node indexes + 1 (0: empty); a slot counts only
    // when its stamp is the current net's, so clearing costs nothing.
    std::vector<std::uint32_t> slots_, stamps_;
    std::uint32_t stamp_ = 1;
};

// Names mapped to numbers, the names kept in one arena of bytes and found
// through an open-addressing table.
class NameTable {
public:
    static constexpr std::uint32_t kMissing = 0xFFFFFFFF;
    // The number of the name, or kMissing.
    std::uint32_t Find(std::string_view name) const;
    // Gives the name the number, adding the name when it is new.
    void Set(std::string_view name, std::uint32_t value);

private:
    // A name of up to kInline bytes is kept in its slot, so that finding it
    // reads one cache line; a longer one lies in bytes_ from `at`.
    static constexpr std::size_t kInline = 16;
    struct alignas(32) Slot {
        std::uint64_t hash = 0;
        std::uint32_t len = 0, value = kMissing;  // kMissing: an empty slot
        union {
            std::size_t at;
            char text[kInline];
        };
        Slot() : at(0) {}
    };
    std::string_view NameOf(const Slot& slot) const {
        return slot.len <= kInline ? std::string_view(slot.text, slot.len) : std::string_view(bytes_).substr(slot.at, slot.len);
    }
    std::size_t SlotOf(std::string_view name, std::uint64_t hash) const;

    std::vector<Slot> slots_;
    std::string bytes_;
    std::size_t used_ = 0;
};

}  // namespace tarvik

#endif
