// The Windows-1251 helpers against the C library's own converter.
#include "cp1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>

using namespace cp1251::literals;

namespace {

std::string iconv_to_utf8(const std::string& in) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out(in.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return {};
    out.resize(out.size() - dstLeft);
    return out;
}

}  // namespace

TEST(Cp1251Literal, EncodesRussianTextAtCompileTime) {
    constexpr const char* s = "Нет закрывающей скобки"_cp1251;
    EXPECT_EQ(std::strlen(s), 22u);
    EXPECT_EQ(static_cast<unsigned char>(s[0]), 0xCD);  // Н
    EXPECT_STREQ("ОШИБКА!"_cp1251, "\xCE\xD8\xC8\xC1\xCA\xC0!");
    EXPECT_STREQ("ёЁ№"_cp1251, "\xB8\xA8\xB9");
    EXPECT_STREQ("plain ascii"_cp1251, "plain ascii");
}

TEST(Cp1251Table, AgreesWithIconvForEveryDefinedByte) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98) continue;  // undefined in Windows-1251
        const std::string byte(1, static_cast<char>(b));
        const std::string expected = iconv_to_utf8(byte);
        ASSERT_FALSE(expected.empty()) << "iconv failed on byte " << b;
        EXPECT_EQ(cp1251::to_utf8(byte), expected) << "byte " << b;
    }
}

TEST(Cp1251RoundTrip, EveryByteSurvivesUtf8AndBack) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    bool lossless = false;
    EXPECT_EQ(cp1251::from_utf8(cp1251::to_utf8(all), '?', &lossless), all);
    EXPECT_TRUE(lossless);
}

TEST(Cp1251FromUtf8, ReplacesWhatItCannotEncode) {
    bool lossless = true;
    EXPECT_EQ(cp1251::from_utf8("a\xE4\xB8\xADz", '?', &lossless), "a?z");  // a CJK character
    EXPECT_FALSE(lossless);
    EXPECT_EQ(cp1251::from_utf8("\xFF", '#', &lossless), "#");  // malformed
    EXPECT_EQ(cp1251::from_utf8("\xD0\x96", '?', &lossless), "\xC6");  // Ж
    EXPECT_TRUE(lossless);
}
