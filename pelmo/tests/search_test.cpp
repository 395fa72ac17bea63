// FindOrReplace: the fold and word tables, regions, whole words, replace
// mode, and random searches against a plain byte-by-byte search.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "cp1251.h"
#include "repl_c.h"

using namespace cp1251::literals;

namespace {

using pelmo::FindOrReplace;
using pelmo::FoldTable;
using pelmo::kMatchCase;
using pelmo::kWholeWord;
using pelmo::WordTable;

// Offset of the first match in text[from, from + length), or -1.
int find(const std::string& pattern, int flags, const std::string& text, int from = 0, int length = -1) {
    if (length < 0) length = static_cast<int>(text.size()) - from;
    return FindOrReplace(pattern.c_str(), nullptr, flags, text.c_str() + from, nullptr, length, nullptr,
                         text.c_str());
}

std::string replace(const std::string& pattern, const char* replacement, int flags, const std::string& text,
                    int* count) {
    std::string out(text.size() * 8 + 1, '\0');
    int outLen = -1;
    *count = FindOrReplace(pattern.c_str(), replacement, flags, text.c_str(), out.data(),
                           static_cast<int>(text.size()), &outLen, text.c_str());
    EXPECT_EQ(outLen, static_cast<int>(std::strlen(out.c_str())));
    out.resize(static_cast<size_t>(outLen));
    return out;
}

struct FindCase {
    const char* name;
    std::string pattern;
    int flags;
    std::string text;
    int expected;
};
void PrintTo(const FindCase& c, std::ostream* os) { *os << c.name; }

class FindTable : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTable, FindsTheFirstMatch) {
    const FindCase& c = GetParam();
    EXPECT_EQ(find(c.pattern, c.flags, c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Search, FindTable,
    ::testing::Values(
        FindCase{"cyrillic_word_spelt_with_latin_c", "Сигнал"_cp1251, 0, "вход: Cигнал"_cp1251, 6},
        FindCase{"latin_matches_cyrillic_lookalikes", "TOK", 0, "нет ТОКа"_cp1251, 4},
        FindCase{"lower_case_lookalikes_fold_too", "cop", 0, "x СОР"_cp1251, 2},
        FindCase{"yo_folds_to_capital_yo", "ёж"_cp1251, 0, "ЁЖ"_cp1251, 0},
        FindCase{"match_case_tells_cases_apart", "a", kMatchCase, "Aa", 1},
        FindCase{"match_case_tells_scripts_apart", "C", kMatchCase, "СC"_cp1251, 1},
        FindCase{"punctuation_folds_to_itself", "-", 0, "_-", 1},
        FindCase{"digit_after_is_a_boundary", "ab", kWholeWord, "ab1", 0},
        FindCase{"letter_after_is_no_boundary", "ab", kWholeWord, "abc", -1},
        FindCase{"question_mark_is_a_word_character", "ab", kWholeWord, "ab?", -1},
        FindCase{"yo_small_is_no_word_character", "ab", kWholeWord, "ab\xB8", 0},
        FindCase{"capital_yo_is_a_word_character", "ab", kWholeWord, "ab\xA8", -1},
        FindCase{"underscore_is_a_boundary", "ab", kWholeWord, "x_ab_", 2},
        FindCase{"whole_word_skips_to_a_later_match", "ab", kWholeWord, "abab ab", 5},
        FindCase{"empty_pattern_matches_at_once", "", 0, "xyz", 0},
        FindCase{"pattern_longer_than_text", "abcd", 0, "abc", -1},
        FindCase{"empty_text", "a", 0, "", -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Search, TablesHoldTheirCharacters) {
    EXPECT_EQ(FoldTable['a'], 'A');
    EXPECT_EQ(FoldTable[0xE1], 0xC1);  // б -> Б
    EXPECT_EQ(FoldTable[0xF5], 'X');   // х -> X
    EXPECT_EQ(FoldTable[0xD5], 'X');   // Х -> X
    EXPECT_EQ(FoldTable[0xC1], 0xC1);
    EXPECT_EQ(FoldTable['_'], '_');
    int words = 0;
    for (int b = 0; b < 256; ++b) words += WordTable[b];
    EXPECT_EQ(words, 1 + 26 + 26 + 1 + 64);
    EXPECT_FALSE(WordTable['0'] || WordTable['_'] || WordTable[' '] || WordTable[0xB8] || WordTable[0]);
}

TEST(Search, RegionsSeeTheBytesAroundThem) {
    const std::string text = "xab ab";
    // The byte before a region that does not start the text counts.
    EXPECT_EQ(find("ab", kWholeWord, text, 1), 3);
    EXPECT_EQ(find("ab", 0, text, 1), 0);
    // The byte after the region counts too.
    EXPECT_EQ(find("ab", kWholeWord, "abc", 0, 2), -1);
    EXPECT_EQ(find("ab", 0, "abc", 0, 2), 0);
    // A match must lie wholly inside the region.
    EXPECT_EQ(find("ab", 0, text, 4, 1), -1);
    EXPECT_EQ(find("b", 0, text, 0, 2), -1);
}

TEST(Search, ReplaceModeCopiesAndCounts) {
    int count = -1;
    EXPECT_EQ(replace("a", "b", 0, "aAаА"_cp1251, &count), "bbbb");
    EXPECT_EQ(count, 4);
    EXPECT_EQ(replace("aa", "x", 0, "aaaaa", &count), "xxa");  // matches never overlap
    EXPECT_EQ(count, 2);
    EXPECT_EQ(replace("a", "aa", 0, "a a", &count), "aa aa");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(replace("ab", nullptr, kWholeWord, "ab abc ab", &count), " abc ");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(replace("", "x", 0, "abc", &count), "abc");  // an empty pattern replaces nothing
    EXPECT_EQ(count, 0);
    EXPECT_EQ(replace("q", "x", kMatchCase, "", &count), "");
    EXPECT_EQ(count, 0);
}

// The search against the definition, on random texts over a small alphabet
// rich in letters that fold together, at every alignment.
TEST(Search, RandomSearchesAgreeWithAPlainSearch) {
    std::mt19937 rng(42);
    const std::string alphabet = "aAbB \xE0\xC0\xE1?1\xB8\xA8";
    auto randomText = [&](size_t n) {
        std::string s;
        for (size_t i = 0; i < n; ++i) s += alphabet[rng() % alphabet.size()];
        return s;
    };
    auto plain = [](const std::string& p, int flags, const std::string& t, int from, int length) {
        const int n = static_cast<int>(p.size());
        for (int i = from; i + n <= from + length; ++i) {
            bool eq = true;
            for (int k = 0; k < n && eq; ++k) {
                const unsigned char a = static_cast<unsigned char>(t[i + k]), b = static_cast<unsigned char>(p[k]);
                eq = (flags & kMatchCase) ? a == b : FoldTable[a] == FoldTable[b];
            }
            if (!eq) continue;
            if (flags & kWholeWord) {
                if (i > 0 && WordTable[static_cast<unsigned char>(t[i - 1])]) continue;
                if (WordTable[static_cast<unsigned char>(t.c_str()[i + n])]) continue;
            }
            return i - from;
        }
        return -1;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string text = randomText(rng() % 90);
        const std::string pattern = randomText(1 + rng() % 4);
        const int flags = static_cast<int>(rng() % 4);
        const int size = static_cast<int>(text.size());
        const int from = static_cast<int>(rng() % static_cast<unsigned>(size + 1));
        const int length = static_cast<int>(rng() % static_cast<unsigned>(size - from + 1));
        ASSERT_EQ(find(pattern, flags, text, from, length), plain(pattern, flags, text, from, length))
            << "pattern '" << pattern << "' flags " << flags << " in '" << text << "' from " << from << " length "
            << length;
    }
}

}  // namespace
