// Tokens of s-expression net lists, and a net's nodes held until it closes.
#include "sexpr_tokens.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "cp1251.h"
#include "decoders.h"

namespace tarvik {

using namespace cp1251::literals;

namespace {
// Bytes that end a bare atom: blanks, control bytes, parentheses and quotes.
bool EndsAtom(char c) { return static_cast<unsigned char>(c) <= 0x20 || c == '(' || c == ')' || c == '"'; }

#if defined(__SSE2__)
// Bit k set where byte k of the 16 at p ends a bare atom.
inline unsigned AtomEnds16(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i space = _mm_set1_epi8(0x20);
    const __m128i low = _mm_cmpeq_epi8(_mm_max_epu8(v, space), space);  // v <= 0x20, unsigned
    const __m128i marks = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('(')),
                                                    _mm_cmpeq_epi8(v, _mm_set1_epi8(')'))),
                                       _mm_cmpeq_epi8(v, _mm_set1_epi8('"')));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(low, marks)));
}

// Bit k set where byte k of the 16 at p is a quote (or, with escapes, a backslash).
inline unsigned QuoteStops16(const char* p, bool escapes) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hit = _mm_cmpeq_epi8(v, _mm_set1_epi8('"'));
    if (escapes) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8('\\')));
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
}
#endif

// The first byte at or after from that ends a bare atom, or text's size.
// Most atoms are keywords of a few letters, looked at byte by byte; a
// longer one is scanned sixteen bytes at a time.
std::size_t AtomEnd(std::string_view text, std::size_t from) {
    for (const std::size_t first = std::min(text.size(), from + 8); from < first; ++from)
        if (EndsAtom(text[from])) return from;
#if defined(__SSE2__)
    for (; from + 16 <= text.size(); from += 16)
        if (const unsigned mask = AtomEnds16(text.data() + from))
            return from + static_cast<std::size_t>(__builtin_ctz(mask));
#endif
    while (from < text.size() && !EndsAtom(text[from])) ++from;
    return from;
}
}  // namespace

SexprTokens::SexprTokens(int file, bool backslashEscapes) : lines_(file), escapes_(backslashEscapes) {}

bool SexprTokens::NextLine() {
    haveLine_ = lines_.Next(line_);
    // A UTF-8 byte order mark before the first token is no atom.
    if (haveLine_ && lines_.Number() == 1 && line_.substr(0, 3) == "\xEF\xBB\xBF") line_.remove_prefix(3);
    return haveLine_;
}

SexprTokens::Kind SexprTokens::Next() {
    for (;;) {
        std::size_t k = 0;
        while (k < line_.size() && static_cast<unsigned char>(line_[k]) <= 0x20) ++k;
        if (k == line_.size()) {
            if (!NextLine()) {
                tokenLine_ = lines_.Number();
                return kEnd;
            }
            continue;
        }
        line_.remove_prefix(k);
        tokenLine_ = lines_.Number();
        switch (line_.front()) {
        case '(':
            line_.remove_prefix(1);
            ++depth_;
            return kOpen;
        case ')':
            line_.remove_prefix(1);
            if (depth_ == 0) FailForm(tokenLine_, "лишняя закрывающая скобка"_cp1251);
            --depth_;
            return kClose;
        case '"':
            line_.remove_prefix(1);
            return QuotedAtom();
        default: {
            const std::size_t end = AtomEnd(line_, 1);
            text_ = line_.substr(0, end);
            quoted_ = false;
            line_.remove_prefix(end);
            return kAtom;
        }
        }
    }
}

// The first quote (or backslash, with escapes) in text, or npos.
std::size_t SexprTokens::QuoteStop(std::string_view text) const {
    std::size_t k = 0;
#if defined(__SSE2__)
    for (; k + 16 <= text.size(); k += 16)
        if (const unsigned mask = QuoteStops16(text.data() + k, escapes_))
            return k + static_cast<std::size_t>(__builtin_ctz(mask));
#endif
    for (; k < text.size(); ++k)
        if (text[k] == '"' || (text[k] == '\\' && escapes_)) return k;
    return std::string_view::npos;
}

// The text up to the closing quote; line_ begins behind the opening one.
SexprTokens::Kind SexprTokens::QuotedAtom() {
    quoted_ = true;
    // The usual case: the closing quote on the same line and no escape.
    std::size_t end = QuoteStop(line_);
    if (end != std::string_view::npos && line_[end] == '"') {
        text_ = line_.substr(0, end);
        line_.remove_prefix(end + 1);
        return kAtom;
    }
    scratch_.clear();
    for (;;) {
        end = QuoteStop(line_);
        if (end == std::string_view::npos) {
            scratch_.append(line_);
            if (!NextLine()) FailForm(tokenLine_, "нет закрывающей кавычки"_cp1251);
            scratch_ += '\n';
            continue;
        }
        scratch_.append(line_.substr(0, end));
        if (line_[end] == '"') {
            line_.remove_prefix(end + 1);
            break;
        }
        // A backslash: the escaped byte, or the backslash itself at a line's end.
        if (end + 1 == line_.size()) {
            scratch_ += '\\';
            line_.remove_prefix(end + 1);
            continue;
        }
        const char e = line_[end + 1];
        switch (e) {
        case 'n': scratch_ += '\n'; break;
        case 'r': scratch_ += '\r'; break;
        case 't': scratch_ += '\t'; break;
        case '"':
        case '\\': scratch_ += e; break;
        default: scratch_ += '\\', scratch_ += e; break;
        }
        line_.remove_prefix(end + 2);
    }
    text_ = scratch_;
    return kAtom;
}

// ---- NetNodes -----------------------------------------------------------------

void NetNodes::Clear() {
    bytes_.clear();
    nodes_.clear();
    if (++stamp_ == 0) {
        std::fill(stamps_.begin(), stamps_.end(), 0);
        stamp_ = 1;
    }
}

void NetNodes::Grow() {
    const std::size_t size = slots_.empty() ? 64 : slots_.size() * 2;
    slots_.assign(size, 0);
    stamps_.assign(size, 0);
    stamp_ = 1;
    const std::size_t mask = size - 1;
    for (std::uint32_t k = 0; k < nodes_.size(); ++k) {
        std::size_t s = HashBytes(Pin(nodes_[k]), HashBytes(Ref(nodes_[k]))) & mask;
        while (stamps_[s] == stamp_) s = (s + 1) & mask;
        slots_[s] = k + 1;
        stamps_[s] = stamp_;
    }
}

void NetNodes::Add(std::string_view ref, std::string_view pin) {
    if (2 * (nodes_.size() + 1) > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t s = HashBytes(pin, HashBytes(ref)) & mask;
    for (; stamps_[s] == stamp_; s = (s + 1) & mask) {
        const Node& n = nodes_[slots_[s] - 1];
        if (Ref(n) == ref && Pin(n) == pin) return;
    }
    nodes_.push_back(Node{static_cast<std::uint32_t>(bytes_.size()), static_cast<std::uint32_t>(ref.size()),
                          static_cast<std::uint32_t>(pin.size())});
    bytes_.append(ref);
    bytes_.append(pin);
    slots_[s] = static_cast<std::uint32_t>(nodes_.size());
    stamps_[s] = stamp_;
}

void NetNodes::WriteTo(NetWriter& out, std::string_view name) const {
    out.BeginNet(name);
    for (const Node& n : nodes_) out.Node(Ref(n), Pin(n));
    out.EndNet();
}

// ---- NameTable ----------------------------------------------------------------

std::size_t NameTable::SlotOf(std::string_view name, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t k = hash & mask;
    for (; slots_[k].value != kMissing; k = (k + 1) & mask)
        if (slots_[k].hash == hash && NameOf(slots_[k]) == name) break;
    return k;
}

std::uint32_t NameTable::Find(std::string_view name) const {
    if (slots_.empty()) return kMissing;
    return slots_[SlotOf(name, HashBytes(name))].value;
}

void NameTable::Set(std::string_view name, std::uint32_t value) {
    if (2 * (used_ + 1) > slots_.size()) {
        std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& s : old) {
            if (s.value == kMissing) continue;
            std::size_t k = s.hash & (slots_.size() - 1);
            while (slots_[k].value != kMissing) k = (k + 1) & (slots_.size() - 1);
            slots_[k] = s;
        }
    }
    const std::uint64_t hash = HashBytes(name);
    Slot& slot = slots_[SlotOf(name, hash)];
    if (slot.value == kMissing) {
        slot.hash = hash;
        slot.len = static_cast<std::uint32_t>(name.size());
        if (name.size() <= kInline) {
            std::memcpy(slot.text, name.data(), name.size());
        } else {
            slot.at = bytes_.size();
            bytes_.append(name);
        }
        ++used_;
    }
    slot.value = value;
}

}  // namespace tarvik
