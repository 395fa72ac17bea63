// Windows-1251 text helpers, header-only.
//
// Every text of the system is a byte string in Windows-1251. Source files are
// UTF-8, so Russian literals are written readably and converted while compiling:
//
//     using namespace cp1251::literals;
//     MessagePopup("ОШИБКА!"_cp1251, "Неопознанный формат файла!"_cp1251);
//
// A literal with a character that Windows-1251 cannot hold does not compile.
// The run-time converters are for the edges only (terminal, UTF-8 files).
#ifndef CP1251_H
#define CP1251_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cp1251 {

// Unicode code points of the bytes 0x80..0xFF. 0x98 has no character in
// Windows-1251; it maps to U+0098 so that every byte survives a round trip.
inline constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

// Code point of one byte.
constexpr char32_t to_unicode(unsigned char b) {
    return b < 0x80 ? char32_t(b) : char32_t(kHigh[b - 0x80]);
}

// Byte of one code point, or -1 when Windows-1251 has no such character.
constexpr int from_unicode(char32_t cp) {
    if (cp < 0x80) return int(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return int(cp - 0x0410 + 0xC0);
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == cp) return 0x80 + i;
    return -1;
}

namespace detail {

// Decodes one UTF-8 sequence at s[i] (n bytes available). Returns the code
// point and advances i, or returns U+FFFFFFFF for a malformed sequence.
constexpr char32_t next_utf8(const char* s, std::size_t n, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    int len = b0 < 0x80 ? 1 : (b0 >> 5) == 0x6 ? 2 : (b0 >> 4) == 0xE ? 3 : (b0 >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || i + len > n) { ++i; return 0xFFFFFFFF; }
    char32_t cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) { ++i; return 0xFFFFFFFF; }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += len;
    return cp;
}

template <std::size_t N>
struct Utf8Literal {
    char bytes[N]{};
    consteval Utf8Literal(const char (&s)[N]) {
        for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
    }
    // Number of Windows-1251 bytes, the terminating zero included.
    consteval std::size_t encoded_size() const {
        std::size_t out = 0;
        for (std::size_t i = 0; i < N - 1;) {
            const char32_t cp = next_utf8(bytes, N - 1, i);
            if (cp == 0xFFFFFFFF || from_unicode(cp) < 0)
                throw "literal holds a character that Windows-1251 cannot encode";
            ++out;
        }
        return out + 1;
    }
};

template <Utf8Literal L>
consteval auto encode() {
    std::array<char, L.encoded_size()> out{};
    std::size_t o = 0;
    for (std::size_t i = 0; i < sizeof(L.bytes) - 1;)
        out[o++] = static_cast<char>(from_unicode(next_utf8(L.bytes, sizeof(L.bytes) - 1, i)));
    out[o] = '\0';
    return out;
}

template <Utf8Literal L>
inline constexpr auto kEncoded = encode<L>();

}  // namespace detail

namespace literals {
// "текст"_cp1251: a zero-terminated Windows-1251 string in static storage.
template <detail::Utf8Literal L>
constexpr const char* operator""_cp1251() {
    return detail::kEncoded<L>.data();
}
}  // namespace literals

// Windows-1251 bytes to UTF-8. Every byte has a code point, so this never fails.
inline std::string to_utf8(std::string_view in) {
    std::string out;
    out.reserve(in.size() * 2);
    for (unsigned char b : in) {
        const char32_t cp = to_unicode(b);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// UTF-8 to Windows-1251. Characters without a Windows-1251 byte and malformed
// sequences become `replacement`; *lossless (when given) tells whether any did.
inline std::string from_utf8(std::string_view in, char replacement = '?', bool* lossless = nullptr) {
    std::string out;
    out.reserve(in.size());
    bool ok = true;
    for (std::size_t i = 0; i < in.size();) {
        const char32_t cp = detail::next_utf8(in.data(), in.size(), i);
        const int b = cp == 0xFFFFFFFF ? -1 : from_unicode(cp);
        if (b < 0) {
            ok = false;
            out += replacement;
        } else {
            out += static_cast<char>(b);
        }
    }
    if (lossless) *lossless = ok;
    return out;
}

}  // namespace cp1251

#endif  // CP1251_H
