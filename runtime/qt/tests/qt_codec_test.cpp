// The Windows-1251 edge of the Qt backend: conversion tables, key translation,
// and every byte through text boxes, text fields and the clipboard.
#include <QKeyEvent>
#include <set>

#include "qt_keys.h"
#include "qt_test.h"
#include "qt_text.h"

using namespace qttest;
using namespace uirt::qt;

TEST(QtCodec, EveryByteHasItsOwnCharacterAndComesBack) {
    std::set<char16_t> seen;
    for (int b = 1; b < 256; ++b) {
        const char16_t ch = charOfByte(static_cast<unsigned char>(b));
        EXPECT_TRUE(seen.insert(ch).second) << "byte " << b;
        EXPECT_EQ(byteOfChar(ch), b) << "byte " << b;
    }
    EXPECT_EQ(fromQString(toQString(allBytes())), allBytes());
}

TEST(QtCodec, LineBreakAndCarriageReturnCharactersAreVisibleOrLf) {
    EXPECT_EQ(charOfByte(0x0D), kCrStandIn);
    EXPECT_EQ(charOfByte(0x98), kNoCharStandIn);
    EXPECT_EQ(fromQString(QString(QChar(0x2029))), "\n");
    EXPECT_EQ(fromQString(QString(QChar(0x2028))), "\n");
    EXPECT_EQ(fromQString(QStringLiteral("\r")), "\r");
    EXPECT_EQ(fromQString(QString(QChar(0x4E2D))), "?");  // no Windows-1251 byte
}

struct KeyCase {
    const char* name;
    int code;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class QtKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(QtKeys, CodeMakesTheQtKeyAndTheQtKeyGivesTheCode) {
    const KeyCase& c = GetParam();
    auto e = keyEventOf(c.code);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->key(), c.key);
    EXPECT_EQ(e->modifiers(), c.mods);
    EXPECT_EQ(keyCodeOf(*e), c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Table, QtKeys,
    ::testing::Values(KeyCase{"Enter", VAL_ENTER_VKEY, Qt::Key_Return, Qt::NoModifier},
                      KeyCase{"Tab", VAL_TAB_VKEY, Qt::Key_Tab, Qt::NoModifier},
                      KeyCase{"ShiftTab", VAL_SHIFT_MODIFIER | VAL_TAB_VKEY, Qt::Key_Backtab, Qt::ShiftModifier},
                      KeyCase{"Delete", VAL_FWD_DELETE_VKEY, Qt::Key_Delete, Qt::NoModifier},
                      KeyCase{"Backspace", VAL_BACKSPACE_VKEY, Qt::Key_Backspace, Qt::NoModifier},
                      KeyCase{"CtrlBackspace", VAL_MENUKEY_MODIFIER | VAL_BACKSPACE_VKEY, Qt::Key_Backspace, Qt::ControlModifier},
                      KeyCase{"Escape", VAL_ESC_VKEY, Qt::Key_Escape, Qt::NoModifier},
                      KeyCase{"Home", VAL_HOME_VKEY, Qt::Key_Home, Qt::NoModifier},
                      KeyCase{"CtrlEnd", VAL_MENUKEY_MODIFIER | VAL_END_VKEY, Qt::Key_End, Qt::ControlModifier},
                      KeyCase{"Down", VAL_DOWN_ARROW_VKEY, Qt::Key_Down, Qt::NoModifier},
                      KeyCase{"Up", VAL_UP_ARROW_VKEY, Qt::Key_Up, Qt::NoModifier},
                      KeyCase{"PageDown", VAL_PAGE_DOWN_VKEY, Qt::Key_PageDown, Qt::NoModifier},
                      KeyCase{"F3", VAL_F3_VKEY, Qt::Key_F3, Qt::NoModifier},
                      KeyCase{"F12", VAL_F1_VKEY + 0x0B00, Qt::Key_F12, Qt::NoModifier},
                      KeyCase{"CtrlV", VAL_MENUKEY_MODIFIER | 'V', Qt::Key_V, Qt::ControlModifier},
                      KeyCase{"CtrlZ", VAL_MENUKEY_MODIFIER | 'Z', Qt::Key_Z, Qt::ControlModifier},
                      KeyCase{"LetterA", 'a', Qt::Key_A, Qt::NoModifier},
                      KeyCase{"Space", ' ', Qt::Key_Space, Qt::NoModifier},
                      KeyCase{"CyrillicA", 0xE0, static_cast<Qt::Key>(0x0410), Qt::NoModifier}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST(QtKeysText, PrintableBytesTypeTheirCharacter) {
    for (int b = 0x20; b < 256; ++b) {
        if (b == 0x7F) continue;
        auto e = keyEventOf(b);
        ASSERT_TRUE(e) << b;
        ASSERT_EQ(e->text().size(), 1) << b;
        EXPECT_EQ(byteOfChar(e->text().at(0).unicode()), b);
        EXPECT_EQ(keyCodeOf(*e), b);
    }
}

TEST(QtKeysText, KeysWithoutCodeGiveZero) {
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QKeyEvent alt(QEvent::KeyPress, Qt::Key_X, Qt::AltModifier, QStringLiteral("x"));
    QKeyEvent foreign(QEvent::KeyPress, 0x4E2D, Qt::NoModifier, QString(QChar(0x4E2D)));
    EXPECT_EQ(keyCodeOf(shift), 0);
    EXPECT_EQ(keyCodeOf(alt), 0);
    EXPECT_EQ(keyCodeOf(foreign), 0);
    EXPECT_FALSE(keyEventOf(0));
}

class QtBytes : public QtPanel {};

TEST_F(QtBytes, EveryByteComesBackFromATextBox) {
    const int box = textBox();
    const std::string all = allBytes();
    ASSERT_EQ(ResetTextBox(panel, box, all.c_str()), 0);
    EXPECT_EQ(value(box), all);
    EXPECT_EQ(attr(box, ATTR_STRING_TEXT_LENGTH), 255);
    int lines = 0;
    GetNumTextBoxLines(panel, box, &lines);
    EXPECT_EQ(lines, 2);  // only LF breaks lines; CR is a character
    int offset = -1;
    GetTextBoxLineOffset(panel, box, 1, &offset);
    EXPECT_EQ(offset, 0x0A);
}

TEST_F(QtBytes, EveryByteComesBackFromAppendedAndInsertedLines) {
    const int box = textBox();
    std::string noLf = allBytes();
    noLf.erase(noLf.find('\n'), 1);
    InsertTextBoxLine(panel, box, -1, noLf.c_str());
    InsertTextBoxLine(panel, box, -1, "tail");
    InsertTextBoxLine(panel, box, 0, noLf.c_str());
    EXPECT_EQ(value(box), noLf + "\n" + noLf + "\ntail");
    int len = 0;
    GetTextBoxLineLength(panel, box, 1, &len);
    EXPECT_EQ(len, 254);
    std::string line(256, '\0');
    GetTextBoxLine(panel, box, 1, line.data());
    line.resize(std::strlen(line.c_str()));
    EXPECT_EQ(line, noLf);
}

TEST_F(QtBytes, EveryByteExceptLfComesBackFromATextField) {
    const int field = NewCtrl(panel, CTRL_STRING, "Field", 250, 10);
    std::string noLf = allBytes();
    noLf.erase(noLf.find('\n'), 1);
    SetCtrlVal(panel, field, noLf.c_str());
    EXPECT_EQ(value(field), noLf);
}

TEST_F(QtBytes, OffsetsCountBytesAcrossStandInsAndNoBreakSpace) {
    const int box = textBox();
    const std::string text = "a\r\x98\xA0z\nsecond\xA0\nthird";
    ResetTextBox(panel, box, text.c_str());
    int offset = -1, line = -1;
    GetTextBoxLineOffset(panel, box, 1, &offset);
    EXPECT_EQ(offset, 6);
    GetTextBoxLineOffset(panel, box, 2, &offset);
    EXPECT_EQ(offset, 14);
    GetTextBoxLineIndexFromOffset(panel, box, 5, &line);
    EXPECT_EQ(line, 0);
    GetTextBoxLineIndexFromOffset(panel, box, 6, &line);
    EXPECT_EQ(line, 1);
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 3);
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, 2);
    AutoTypeKey(panel, box, 'Q');
    EXPECT_EQ(value(box), "a\r\x98Q\nsecond\xA0\nthird");
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 4);
}

TEST_F(QtBytes, EveryByteSurvivesTheClipboardAndAPaste) {
    const std::string all = allBytes();
    ASSERT_EQ(ClipboardPutText(all.c_str()), 0);
    char* got = nullptr;
    int available = 0;
    ClipboardGetText(&got, &available);
    ASSERT_TRUE(got);
    EXPECT_EQ(available, 1);
    EXPECT_EQ(std::string(got), all);
    free(got);
    const int box = textBox();
    AutoTypeKey(panel, box, VAL_MENUKEY_MODIFIER | 'V');
    EXPECT_EQ(value(box), all);
}

TEST_F(QtBytes, CopyingASelectionKeepsNoBreakSpaceAndCr) {
    const int box = textBox();
    ResetTextBox(panel, box, "x\xA0\r\x98y\nz");
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 1);
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, 6);
    AutoTypeKey(panel, box, VAL_MENUKEY_MODIFIER | 'C');
    char* got = nullptr;
    ClipboardGetText(&got, nullptr);
    ASSERT_TRUE(got);
    EXPECT_EQ(std::string(got), "\xA0\r\x98y\nz");
    free(got);
}

TEST_F(QtBytes, EveryPrintableByteCanBeTypedIntoABoxAndAField) {
    std::string printable;
    for (int b = 0x20; b < 256; ++b)
        if (b != 0x7F) printable += static_cast<char>(b);
    const int box = textBox();
    const int field = NewCtrl(panel, CTRL_STRING, "Field", 250, 10);
    ASSERT_EQ(AutoTypeText(panel, box, printable.c_str()), 0);
    ASSERT_EQ(AutoTypeText(panel, field, printable.c_str()), 0);
    EXPECT_EQ(value(box), printable);
    EXPECT_EQ(value(field), printable);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), static_cast<int>(printable.size()));
}
