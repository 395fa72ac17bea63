// Fuzz target: Pelmo's search routine FindOrReplace, in find and in replace
// mode, against a naive search written straight from its rules.
//
// Input: a flags byte (bit 0 match case, bit 1 whole word, bit 2 no
// replacement text), the pattern's length, the replacement's length, where
// the region starts and how long it is (as fractions of the text), then the
// pattern, the replacement and the text. Zero bytes become 0x01 (all three
// are C strings). The replace mode writes into a block exactly as large as
// the naive count says it must be.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "repl_c.h"

namespace {

using pelmo::FoldTable;
using pelmo::WordTable;

unsigned char u8(char c) { return static_cast<unsigned char>(c); }

struct Search {
    std::string pattern;
    int flags = 0;
    const std::string* text = nullptr;  // the whole text
    int start = 0;                      // region: [start, start + length)
    int length = 0;

    // Does the pattern match at region offset i (all rules)?
    bool MatchAt(int i) const {
        const int at = start + i;
        const int plen = static_cast<int>(pattern.size());
        if (flags & pelmo::kWholeWord) {
            if (at > 0 && WordTable[u8((*text)[static_cast<std::size_t>(at - 1)])]) return false;
            const std::size_t after = static_cast<std::size_t>(at + plen);
            const unsigned char next = after < text->size() ? u8((*text)[after]) : 0;
            if (WordTable[next]) return false;
        }
        for (int k = 0; k < plen; ++k) {
            const char t = (*text)[static_cast<std::size_t>(at + k)];
            const char p = pattern[static_cast<std::size_t>(k)];
            if ((flags & pelmo::kMatchCase) ? t != p : FoldTable[u8(t)] != FoldTable[u8(p)]) return false;
        }
        return true;
    }
    int Find() const {
        for (int i = 0; i + static_cast<int>(pattern.size()) <= length; ++i)
            if (MatchAt(i)) return i;
        return -1;
    }
    // The region with every match replaced, and the number of replacements.
    std::string Replace(const std::string& replacement, int& count) const {
        std::string out;
        count = 0;
        const int plen = static_cast<int>(pattern.size());
        int i = 0;
        while (i < length) {
            if (plen > 0 && i + plen <= length && MatchAt(i)) {
                out += replacement;
                i += plen;
                ++count;
            } else {
                out += (*text)[static_cast<std::size_t>(start + i)];
                ++i;
            }
        }
        return out;
    }
};

std::string Take(const std::uint8_t*& data, std::size_t& size, std::size_t count) {
    count = std::min(count, size);
    std::string bytes(reinterpret_cast<const char*>(data), count);
    for (char& c : bytes)
        if (c == '\0') c = '\x01';
    data += count;
    size -= count;
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const int options = data[0];
    const std::size_t patternLength = data[1];
    const std::size_t replacementLength = data[2];
    const unsigned startByte = data[3], lengthByte = data[4];
    data += 5;
    size -= 5;
    Search s;
    s.flags = options & 3;
    s.pattern = Take(data, size, patternLength);
    const std::string replacement = Take(data, size, replacementLength);
    const std::string text = Take(data, size, size);
    s.text = &text;
    s.start = static_cast<int>(text.size() * startByte / 255);
    s.length = static_cast<int>((text.size() - static_cast<std::size_t>(s.start)) * lengthByte / 255);
    const char* region = text.c_str() + s.start;

    // Find mode.
    FUZZ_CHECK(pelmo::FindOrReplace(s.pattern.c_str(), replacement.c_str(), s.flags, region, nullptr,
                                    s.length, nullptr, text.c_str()) == s.Find());

    // Replace mode, into a block of exactly the size the result needs.
    const bool noReplacement = options & 4;
    int expectedCount = 0;
    const std::string expected = s.Replace(noReplacement ? std::string() : replacement, expectedCount);
    std::vector<char> out(expected.size() + 1);
    int outLength = -1;
    const int count = pelmo::FindOrReplace(s.pattern.c_str(), noReplacement ? nullptr : replacement.c_str(),
                                           s.flags, region, out.data(), s.length, &outLength, text.c_str());
    FUZZ_CHECK(count == expectedCount);
    FUZZ_CHECK(outLength == static_cast<int>(expected.size()));
    FUZZ_CHECK(std::memcmp(out.data(), expected.data(), expected.size()) == 0);
    FUZZ_CHECK(out[expected.size()] == '\0');
    return 0;
}
