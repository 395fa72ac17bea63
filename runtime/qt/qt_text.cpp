// Windows-1251 conversion tables of the Qt backend.
#include "qt_text.h"

#include <array>

#include "cp1251.h"

namespace uirt::qt {
namespace {

struct Tables {
    std::array<char16_t, 256> toChar{};
    std::array<unsigned char, 65536> toByte{};  // 0: no byte

    Tables() {
        for (int b = 1; b < 256; ++b) {
            char16_t ch = static_cast<char16_t>(cp1251::to_unicode(static_cast<unsigned char>(b)));
            if (b == 0x0D) ch = kCrStandIn;
            if (b == 0x98) ch = kNoCharStandIn;
            toChar[b] = ch;
            toByte[ch] = static_cast<unsigned char>(b);
        }
        toByte[0x2029] = '\n';  // QTextDocument's block separator
        toByte[0x2028] = '\n';  // line separator
        toByte[0x0D] = 0x0D;    // a real CR (e.g. from another program's clipboard)
        toByte[0x98] = 0x98;
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

}  // namespace

char16_t charOfByte(unsigned char byte) { return tables().toChar[byte]; }

int byteOfChar(char16_t ch) {
    unsigned char b = tables().toByte[ch];
    return b == 0 ? -1 : b;
}

QString toQString(std::string_view bytes) {
    const auto& map = tables().toChar;
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (unsigned char b : bytes) *d++ = map[b];
    return out;
}

void appendBytes(std::string& out, QStringView text) {
    const auto& map = tables().toByte;
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(text.size()));
    char* d = out.data() + at;
    for (QChar ch : text) {
        unsigned char b = map[ch.unicode()];
        *d++ = static_cast<char>(b == 0 ? '?' : b);
    }
}

std::string fromQString(QStringView text) {
    std::string out;
    appendBytes(out, text);
    return out;
}

QString literalAmpersands(std::string_view bytes) {
    QString text = toQString(bytes);
    text.replace(u'&', QStringLiteral("&&"));
    return text;
}

}  // namespace uirt::qt
