// Windows-1251 bytes <-> QString at the edge of the Qt backend, one UTF-16 unit per byte.
//
// Every byte 0x01..0xFF maps to exactly one character and back, so byte
// offsets at the C interface equal character offsets in Qt's widgets. Two
// bytes cannot be shown as themselves: CR (Qt's editors turn it into a line
// break) and 0x98 (no character in Windows-1251); they get visible stand-ins
// that map back. A paragraph or line separator maps to LF; a character
// without a Windows-1251 byte maps to '?'.
#ifndef UIRT_QT_TEXT_H
#define UIRT_QT_TEXT_H

#include <QString>
#include <string>
#include <string_view>

namespace uirt::qt {

inline constexpr char16_t kCrStandIn = 0x240D;      // SYMBOL FOR CARRIAGE RETURN
inline constexpr char16_t kNoCharStandIn = 0xFFFD;  // REPLACEMENT CHARACTER, for byte 0x98

// The character that stands for one byte.
char16_t charOfByte(unsigned char byte);
// The byte of one character, or -1 when it has none.
int byteOfChar(char16_t ch);

QString toQString(std::string_view bytes);
inline QString toQString(const char* s) { return s ? toQString(std::string_view(s)) : QString(); }
std::string fromQString(QStringView text);
// Text for a button or menu, which show '&' as a mnemonic marker: every '&'
// is doubled so that it shows as itself.
QString literalAmpersands(std::string_view bytes);
// Appends the bytes of text to out.
void appendBytes(std::string& out, QStringView text);

}  // namespace uirt::qt

#endif  // UIRT_QT_TEXT_H
