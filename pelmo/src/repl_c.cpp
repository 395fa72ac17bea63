// The text search of the extension (see repl_c.h).
//
// With match case the search is the C library's memmem. Without it, the
// candidates are the positions whose first and last bytes fold to the
// pattern's first and last bytes; with SSE2 sixteen positions are tested at
// once, so that only real candidates reach the byte-by-byte comparison.
#include "repl_c.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pelmo {
namespace {

constexpr std::array<unsigned char, 256> makeFoldTable() {
    std::array<unsigned char, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = static_cast<unsigned char>(b);
    for (int b = 0x61; b <= 0x7A; ++b) t[b] = static_cast<unsigned char>(b - 0x20);
    t[0xB8] = 0xA8;
    for (int b = 0xE0; b <= 0xFF; ++b) t[b] = static_cast<unsigned char>(b - 0x20);
    // Cyrillic capitals (lower case + 0x20) that look like Latin capitals.
    constexpr unsigned char lookalikes[][2] = {
        {0xC0, 'A'}, {0xC2, 'B'}, {0xC5, 'E'}, {0xCA, 'K'}, {0xCC, 'M'}, {0xCD, 'H'},
        {0xCE, 'O'}, {0xD0, 'P'}, {0xD1, 'C'}, {0xD2, 'T'}, {0xD3, 'Y'}, {0xD5, 'X'},
    };
    for (const auto& [cyrillic, latin] : lookalikes) {
        t[cyrillic] = latin;
        t[cyrillic + 0x20] = latin;
    }
    return t;
}

constexpr std::array<unsigned char, 256> makeWordTable() {
    std::array<unsigned char, 256> t{};
    t['?'] = 1;
    for (int b = 'A'; b <= 'Z'; ++b) t[b] = 1;
    for (int b = 'a'; b <= 'z'; ++b) t[b] = 1;
    t[0xA8] = 1;
    for (int b = 0xC0; b <= 0xFF; ++b) t[b] = 1;
    return t;
}

unsigned char u8(char c) { return static_cast<unsigned char>(c); }

// Finds occurrences of one pattern under one set of options.
class Matcher {
public:
    Matcher(const char* pattern, int flags)
        : pattern_(pattern), len_(static_cast<int>(std::strlen(pattern))), fold_(!(flags & kMatchCase)) {
        if (fold_ && len_ > 0) {
            for (int i = 0; i < len_ && i < kFoldedMax; ++i) folded_[i] = FoldTable[u8(pattern[i])];
            firstClass_ = classOf(u8(pattern[0]));
            lastClass_ = classOf(u8(pattern[len_ - 1]));
        }
    }

    int length() const { return len_; }

    // First position p with from <= p <= end - len() whose bytes match, or -1.
    int next(const char* text, int from, int end) const {
        if (from > end - len_) return -1;
        if (len_ == 0) return from;
        if (!fold_) {
            const void* hit = memmem(text + from, static_cast<size_t>(end - from), pattern_, static_cast<size_t>(len_));
            return hit ? static_cast<int>(static_cast<const char*>(hit) - text) : -1;
        }
        return nextFolded(text, from, end);
    }

private:
    static constexpr int kFoldedMax = 256;
    // The bytes that fold to the same entry as b (at most four), padded with
    // copies of b.
    struct Class {
        unsigned char bytes[4];
    };

    static Class classOf(unsigned char b) {
        Class c{{b, b, b, b}};
        int n = 0;
        for (int x = 0; x < 256 && n < 4; ++x)
            if (FoldTable[x] == FoldTable[b]) c.bytes[n++] = static_cast<unsigned char>(x);
        return c;
    }

    bool equalFolded(const char* at) const {
        for (int i = 0; i < len_; ++i) {
            const unsigned char want = i < kFoldedMax ? folded_[i] : FoldTable[u8(pattern_[i])];
            if (FoldTable[u8(at[i])] != want) return false;
        }
        return true;
    }

    int nextFolded(const char* text, int from, int end) const {
        const int last = end - len_;  // last candidate position
        int p = from;
#if defined(__SSE2__)
        // Sixteen candidates per round while both loads stay inside the text
        // and its terminating zero.
        const __m128i f0 = _mm_set1_epi8(static_cast<char>(firstClass_.bytes[0]));
        const __m128i f1 = _mm_set1_epi8(static_cast<char>(firstClass_.bytes[1]));
        const __m128i f2 = _mm_set1_epi8(static_cast<char>(firstClass_.bytes[2]));
        const __m128i f3 = _mm_set1_epi8(static_cast<char>(firstClass_.bytes[3]));
        const __m128i l0 = _mm_set1_epi8(static_cast<char>(lastClass_.bytes[0]));
        const __m128i l1 = _mm_set1_epi8(static_cast<char>(lastClass_.bytes[1]));
        const __m128i l2 = _mm_set1_epi8(static_cast<char>(lastClass_.bytes[2]));
        const __m128i l3 = _mm_set1_epi8(static_cast<char>(lastClass_.bytes[3]));
        for (; p + 16 <= last + 1; p += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + p + len_ - 1));
            const __m128i ea = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(a, f0), _mm_cmpeq_epi8(a, f1)),
                                            _mm_or_si128(_mm_cmpeq_epi8(a, f2), _mm_cmpeq_epi8(a, f3)));
            const __m128i eb = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, l0), _mm_cmpeq_epi8(b, l1)),
                                            _mm_or_si128(_mm_cmpeq_epi8(b, l2), _mm_cmpeq_epi8(b, l3)));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(ea, eb)));
            while (mask) {
                const int at = p + __builtin_ctz(mask);
                if (equalFolded(text + at)) return at;
                mask &= mask - 1;
            }
        }
#endif
        const unsigned char first = FoldTable[u8(pattern_[0])];
        for (; p <= last; ++p)
            if (FoldTable[u8(text[p])] == first && equalFolded(text + p)) return p;
        return -1;
    }

    const char* pattern_;
    int len_;
    bool fold_;
    unsigned char folded_[kFoldedMax] = {};
    Class firstClass_{};
    Class lastClass_{};
};

// A match at p is a whole word when neither the byte before it nor the byte
// after it is a word character.
bool wholeWordAt(const char* text, int p, int len, const char* textBegin) {
    if (text + p > textBegin && WordTable[u8(text[p - 1])]) return false;
    return !WordTable[u8(text[p + len])];
}

// First match at or after `from`, honouring the whole-word option.
int nextMatch(const Matcher& m, const char* text, int from, int end, bool wholeWord, const char* textBegin) {
    for (int p = m.next(text, from, end); p >= 0; p = m.next(text, p + 1, end))
        if (!wholeWord || wholeWordAt(text, p, m.length(), textBegin)) return p;
    return -1;
}

}  // namespace

const std::array<unsigned char, 256> FoldTable = makeFoldTable();
const std::array<unsigned char, 256> WordTable = makeWordTable();

int FindOrReplace(const char* pattern, const char* replacement, int flags, const char* text, char* out,
                  int textLen, int* outLen, const char* textBegin) {
    const Matcher m(pattern, flags);
    const bool wholeWord = (flags & kWholeWord) != 0;
    if (!out) return textLen < 0 ? -1 : nextMatch(m, text, 0, textLen, wholeWord, textBegin);

    const size_t rlen = replacement ? std::strlen(replacement) : 0;
    int count = 0;
    char* o = out;
    int p = 0;
    if (m.length() > 0) {
        for (int at; p <= textLen - m.length() && (at = nextMatch(m, text, p, textLen, wholeWord, textBegin)) >= 0;) {
            std::memcpy(o, text + p, static_cast<size_t>(at - p));
            o += at - p;
            if (rlen) std::memcpy(o, replacement, rlen);
            o += rlen;
            p = at + m.length();
            ++count;
        }
    }
    if (textLen > p) {
        std::memcpy(o, text + p, static_cast<size_t>(textLen - p));
        o += textLen - p;
    }
    *o = '\0';
    if (outLen) *outLen = static_cast<int>(o - out);
    return count;
}

}  // namespace pelmo
