// Translation between run-time key codes and Qt key events.
#include "qt_keys.h"

#include "qt_text.h"
#include "uirt.h"

namespace uirt::qt {
namespace {

struct VirtualKey {
    int code;      // VAL_*_VKEY
    Qt::Key key;   // Qt's key
    char16_t text; // text Qt's editors expect with it, 0 none
};

// The first row of a code is the one used when making events.
constexpr VirtualKey kVirtualKeys[] = {
    {VAL_FWD_DELETE_VKEY, Qt::Key_Delete, 0x7F},
    {VAL_BACKSPACE_VKEY, Qt::Key_Backspace, 0x08},
    {VAL_ESC_VKEY, Qt::Key_Escape, 0x1B},
    {VAL_TAB_VKEY, Qt::Key_Tab, '\t'},
    {VAL_TAB_VKEY, Qt::Key_Backtab, 0},
    {VAL_ENTER_VKEY, Qt::Key_Return, '\r'},
    {VAL_ENTER_VKEY, Qt::Key_Enter, '\r'},
    {VAL_UP_ARROW_VKEY, Qt::Key_Up, 0},
    {VAL_DOWN_ARROW_VKEY, Qt::Key_Down, 0},
    {VAL_LEFT_ARROW_VKEY, Qt::Key_Left, 0},
    {VAL_RIGHT_ARROW_VKEY, Qt::Key_Right, 0},
    {VAL_PAGE_UP_VKEY, Qt::Key_PageUp, 0},
    {VAL_PAGE_DOWN_VKEY, Qt::Key_PageDown, 0},
    {VAL_HOME_VKEY, Qt::Key_Home, 0},
    {VAL_END_VKEY, Qt::Key_End, 0},
    {VAL_F1_VKEY + 0x0000, Qt::Key_F1, 0},
    {VAL_F1_VKEY + 0x0100, Qt::Key_F2, 0},
    {VAL_F1_VKEY + 0x0200, Qt::Key_F3, 0},
    {VAL_F1_VKEY + 0x0300, Qt::Key_F4, 0},
    {VAL_F1_VKEY + 0x0400, Qt::Key_F5, 0},
    {VAL_F1_VKEY + 0x0500, Qt::Key_F6, 0},
    {VAL_F1_VKEY + 0x0600, Qt::Key_F7, 0},
    {VAL_F1_VKEY + 0x0700, Qt::Key_F8, 0},
    {VAL_F1_VKEY + 0x0800, Qt::Key_F9, 0},
    {VAL_F1_VKEY + 0x0900, Qt::Key_F10, 0},
    {VAL_F1_VKEY + 0x0A00, Qt::Key_F11, 0},
    {VAL_F1_VKEY + 0x0B00, Qt::Key_F12, 0},
};

struct Modifier {
    int code;
    Qt::KeyboardModifier qt;
};

constexpr Modifier kModifiers[] = {
    {VAL_MENUKEY_MODIFIER, Qt::ControlModifier},
    {VAL_SHIFT_MODIFIER, Qt::ShiftModifier},
};

int modifierCode(Qt::KeyboardModifiers mods) {
    int code = 0;
    for (const auto& m : kModifiers)
        if (mods & m.qt) code |= m.code;
    return code;
}

Qt::KeyboardModifiers qtModifiers(int code) {
    Qt::KeyboardModifiers mods;
    for (const auto& m : kModifiers)
        if (code & m.code) mods |= m.qt;
    return mods;
}

bool isModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr || key == Qt::Key_CapsLock || key == Qt::Key_NumLock;
}

// Byte of a Ctrl combination: Qt reports the key, not a character.
int ctrlByte(const QKeyEvent& e) {
    int key = e.key();
    if (key >= 0x20 && key < 0x7F) return key;  // Qt's keys for ASCII are upper-case ASCII
    int b = byteOfChar(static_cast<char16_t>(key & 0xFFFF));
    return key <= 0xFFFF && b > 0 ? b : 0;
}

}  // namespace

int keyCodeOf(const QKeyEvent& e) {
    if (isModifierKey(e.key()) || (e.modifiers() & (Qt::AltModifier | Qt::MetaModifier))) return 0;
    const int mods = modifierCode(e.modifiers());
    for (const auto& v : kVirtualKeys)
        if (v.key == e.key()) return mods | v.code;
    if (mods & VAL_MENUKEY_MODIFIER) {
        int b = ctrlByte(e);
        return b ? mods | b : 0;
    }
    const QString text = e.text();
    if (text.size() != 1) return 0;
    int b = byteOfChar(text.at(0).unicode());
    if (b < 0x20 || b == 0x7F) return 0;
    return b;  // the character already carries Shift
}

std::unique_ptr<QKeyEvent> keyEventOf(int code) {
    const Qt::KeyboardModifiers mods = qtModifiers(code);
    const int vkey = code & VAL_VKEY_MASK;
    const bool ctrl = (code & VAL_MENUKEY_MODIFIER) != 0;
    if (vkey != 0) {
        for (const auto& v : kVirtualKeys) {
            if (v.code != vkey) continue;
            Qt::Key key = v.key;
            if (key == Qt::Key_Tab && (mods & Qt::ShiftModifier)) key = Qt::Key_Backtab;
            QString text = v.text && !ctrl && key != Qt::Key_Backtab ? QString(QChar(v.text)) : QString();
            return std::make_unique<QKeyEvent>(QEvent::KeyPress, key, mods, text);
        }
        return nullptr;
    }
    const unsigned char byte = static_cast<unsigned char>(code & VAL_ASCII_KEY_MASK);
    if (byte == 0) return nullptr;
    const QChar ch(charOfByte(byte));
    const int key = byte < 0x80 ? QChar(byte).toUpper().unicode() : ch.toUpper().unicode();
    const bool printable = byte >= 0x20 && byte != 0x7F;
    return std::make_unique<QKeyEvent>(QEvent::KeyPress, key, mods,
                                       ctrl || !printable ? QString() : QString(ch));
}

std::unique_ptr<QKeyEvent> oneCharDeletion(const QKeyEvent& e) {
    const Qt::KeyboardModifiers held = Qt::ControlModifier | Qt::ShiftModifier;
    if ((e.key() != Qt::Key_Backspace && e.key() != Qt::Key_Delete) || !(e.modifiers() & held)) return nullptr;
    return keyEventOf(e.key() == Qt::Key_Backspace ? VAL_BACKSPACE_VKEY : VAL_FWD_DELETE_VKEY);
}

QKeySequence keySequenceOf(int code) {
    if (code == 0) return {};
    auto e = keyEventOf(code);
    if (!e) return {};
    return QKeySequence(QKeyCombination(e->modifiers(), static_cast<Qt::Key>(e->key())));
}

}  // namespace uirt::qt
