// UTF-8 names spelled in Windows-1251 (AppendUtf8As1251): one line per rule,
// then random texts read back from their spelling, so that no two texts ever
// come out equal.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <unordered_map>

#include "cp1251.h"
#include "form_support.h"

namespace tarvik::test {
namespace {

using namespace cp1251::literals;

struct SpellingCase {
    const char* name;
    std::string utf8;
    std::string spelled;  // Windows-1251
};
void PrintTo(const SpellingCase& c, std::ostream* os) { *os << c.name; }

class Utf8Spelling : public testing::TestWithParam<SpellingCase> {};

TEST_P(Utf8Spelling, SpellsTheText) {
    std::string out = "kept|";
    AppendUtf8As1251(out, GetParam().utf8);
    EXPECT_EQ(out, "kept|" + GetParam().spelled);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Utf8Spelling,
    testing::Values(
        SpellingCase{"Ascii", "GND_1 +5V/A", "GND_1 +5V/A"},
        SpellingCase{"Empty", "", ""},
        SpellingCase{"Cyrillic", "Земля ЁёЇїҐґ", "Земля ЁёЇїҐґ"_cp1251},
        SpellingCase{"SignsWindows1251Has", "№ € « » µ ±", "№ € « » µ ±"_cp1251},
        SpellingCase{"CharacterOutsideWindows1251", "Ω1", "<U+03A9>1"},
        SpellingCase{"FiveHexDigitsAboveTheFirstPlane", "\xF0\x9F\x98\x80", "<U+1F600>"},
        SpellingCase{"SixHexDigitsForTheLastCharacter", "\xF4\x8F\xBF\xBF", "<U+10FFFF>"},
        SpellingCase{"TheHoleAt98IsNoCharacter", "\xC2\x98", "<U+0098>"},
        SpellingCase{"ControlCharacterC1OtherThan98", "\xC2\x81", "<U+0081>"},
        SpellingCase{"InvalidByte", "A\xFF" "B", "A<0xFF>B"},
        SpellingCase{"LoneContinuationByte", "\x80", "<0x80>"},
        SpellingCase{"Windows1251BytesAreNotUtf8", "\xC7\xE5\xEC", "<0xC7><0xE5><0xEC>"},
        SpellingCase{"Overlong", "\xC0\xAF", "<0xC0><0xAF>"},
        SpellingCase{"OverlongThreeBytes", "\xE0\x80\xAF", "<0xE0><0x80><0xAF>"},
        SpellingCase{"Surrogate", "\xED\xA0\x80", "<0xED><0xA0><0x80>"},
        SpellingCase{"AboveTheLastCharacter", "\xF4\x90\x80\x80", "<0xF4><0x90><0x80><0x80>"},
        SpellingCase{"CutAtTheEnd", "Я\xD0", "Я<0xD0>"_cp1251},
        SpellingCase{"CutBeforeAnotherCharacter", "\xE2\x84Z", "<0xE2><0x84>Z"},
        SpellingCase{"LiteralCodePointSpelling", "<U+0041>", "<U+003C>U+0041>"},
        SpellingCase{"LiteralByteSpelling", "<0xFF>", "<U+003C>0xFF>"},
        SpellingCase{"LiteralSixDigitSpelling", "<U+10FFFF>", "<U+003C>U+10FFFF>"},
        SpellingCase{"TooFewDigitsIsNoSpelling", "<U+41>", "<U+41>"},
        SpellingCase{"TooManyDigitsIsNoSpelling", "<U+1234567>", "<U+1234567>"},
        SpellingCase{"LowerCaseHexIsNoSpelling", "<U+00e9> <0xff>", "<U+00e9> <0xff>"},
        SpellingCase{"UnclosedIsNoSpelling", "<U+0041 <0x41", "<U+0041 <0x41"},
        SpellingCase{"PlainLessThan", "A<B <", "A<B <"}),
    [](const testing::TestParamInfo<SpellingCase>& info) { return std::string(info.param.name); });

// UTF-8 of one code point.
void PutUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The text a spelling came from, read as the rules above say: <U+hex> is the
// code point, <0xhh> the byte, any other byte a Windows-1251 character.
std::string Unspell(const std::string& spelled) {
    // Uppercase hex digits from at, and the position after them.
    const auto digits = [&](std::size_t at) {
        while (at < spelled.size() && std::isxdigit(static_cast<unsigned char>(spelled[at])) &&
               !std::islower(static_cast<unsigned char>(spelled[at])))
            ++at;
        return at;
    };
    std::string out;
    for (std::size_t k = 0; k < spelled.size();) {
        const std::size_t end = digits(k + 3);
        const bool closed = end < spelled.size() && spelled[end] == '>';
        if (spelled.compare(k, 3, "<U+") == 0 && closed && end - k - 3 >= 4 && end - k - 3 <= 6) {
            PutUtf8(out, static_cast<char32_t>(std::stoul(spelled.substr(k + 3, end - k - 3), nullptr, 16)));
            k = end + 1;
        } else if (spelled.compare(k, 3, "<0x") == 0 && closed && end - k - 3 == 2) {
            out += static_cast<char>(std::stoul(spelled.substr(k + 3, 2), nullptr, 16));
            k = end + 1;
        } else {
            PutUtf8(out, cp1251::to_unicode(static_cast<unsigned char>(spelled[k++])));
        }
    }
    return out;
}

// Random texts from pieces that make every rule meet the others: parts of
// spellings, Cyrillic, characters Windows-1251 lacks, broken sequences.
TEST(Utf8Spelling, RandomTextsComeBackFromTheirSpellingAndNeverCollide) {
    static const char* const kPieces[] = {"<",  "U",  "+",  "0",  "x",  "A",  "F",  "1",  ">",  "<U+",
                                          "<0x", "0041", "FF", "Я",  "ё",  "№",  "Ω",  "\xC2\x98", "\xF0\x9F\x98\x80",
                                          "\xD0", "\x80", "\xFF", "\xE2\x84", "\xED\xA0\x80", "\xC0\xAF", "10FFFF"};
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1), length(0, 7);
    std::unordered_map<std::string, std::string> textOf;  // spelling -> text
    for (int n = 0; n < 100000; ++n) {
        std::string text;
        for (std::size_t k = length(random); k > 0; --k) text += kPieces[piece(random)];
        std::string spelled;
        AppendUtf8As1251(spelled, text);
        ASSERT_EQ(Unspell(spelled), text) << spelled;
        const auto [at, added] = textOf.emplace(spelled, text);
        ASSERT_TRUE(added || at->second == text) << "\"" << text << "\" and \"" << at->second << "\" both give " << spelled;
        EXPECT_EQ(spelled.find('\x98'), std::string::npos) << spelled;
    }
}

}  // namespace
}  // namespace tarvik::test
