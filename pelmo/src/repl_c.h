// The text search of the extension: find a byte pattern in a region of a
// text, or copy the region with every occurrence replaced.
#ifndef PELMO_REPL_C_H
#define PELMO_REPL_C_H

#include <array>
#include <cstdint>

namespace pelmo {

// Search options, a bit set.
inline constexpr int kMatchCase = 1;
inline constexpr int kWholeWord = 2;

// Without match case two bytes match when their entries are equal: ASCII
// letters fold to upper case, Cyrillic letters to upper case, and the twelve
// Cyrillic letters that look like Latin ones (А В Е К М Н О Р С Т У Х) to
// those Latin capitals.
extern const std::array<unsigned char, 256> FoldTable;
// 1 for the characters that make up words: '?', Latin letters, Ё and the
// Cyrillic letters from А to я.
extern const std::array<unsigned char, 256> WordTable;

// Searches the region of textLen bytes at `text`, which lies inside the
// zero-terminated text that begins at textBegin (the byte after the region
// is readable: a text byte or the terminating zero). The byte before the
// region, when the region does not begin the text, takes part in the
// whole-word test.
//
// Find mode (out == nullptr): returns the offset of the first match from
// `text`, or -1. An empty pattern matches at the region's first position.
// Replace mode: writes the region with every match replaced by `replacement`
// (nullptr: empty) and a terminating zero into out, which must hold them;
// stores the output's length through outLen when given; returns the number
// of replacements. Matches never overlap; an empty pattern replaces nothing.
int FindOrReplace(const char* pattern, const char* replacement, int flags, const char* text, char* out,
                  int textLen, int* outLen, const char* textBegin);

}  // namespace pelmo

#endif  // PELMO_REPL_C_H
