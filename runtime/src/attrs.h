// Backend-independent helpers shared by both backends: the generic attribute
// store, facts about control kinds, copying text out and key-code helpers. Linked statically into libuirt and libuirt-qt.
#ifndef UIRT_ATTRS_H
#define UIRT_ATTRS_H

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "anchors.h"
#include "backend.h"

namespace uirt {

// Stores attributes that the run-time does not act on, so that a program gets
// back what it set. Objects carry only a few of them: a flat vector is fastest.
class AttrStore {
public:
    void set(int attribute, int value);
    // True and *value filled when the attribute was set before.
    bool get(int attribute, int* value) const;

private:
    std::vector<std::pair<int, int>> items_;
};

// What a panel holds for the program whatever shows it. Backends derive
// their panels from it and leave these attributes to get/setPanelData.
struct PanelData {
    std::string title;
    std::string font = "Default";
    CtrlCallbackPtr callback = nullptr;
    void* callbackData = nullptr;
    int closeCtrl = 0;
    bool resizable = false;  // the user may resize the window
    std::string droppedFile;  // during EVENT_FILES_DROPPED: the first file's path
    AttrStore extra;  // attributes the run-time does not act on
};
// The title, font, callback, callback data, close control and resizability
// (the backend applies it to the window), and any other
// attribute as a stored int (0 when never set). Return 0.
int setPanelData(PanelData& p, int attr, const AttrValue& v);
int getPanelData(const PanelData& p, int attr, void* out);

// What a control holds for the program whatever shows it; backends derive
// their controls from it.
struct CtrlData {
    int kind = 0;
    std::string labelText;
    CtrlCallbackPtr callback = nullptr;
    void* callbackData = nullptr;
    int defaultValue = 0;      // numeric kinds
    std::string defaultText;   // text kinds
    int maxEntryLength = -1;   // text fields and boxes
    int shortcutKey = 0;
    int tabPosition = 0;
    std::string textFont = "Default";
    std::string labelFont = "Default";
    Anchoring anchoring;  // how the control follows the panel's size
    AttrStore extra;  // attributes the run-time does not act on
};
// The callback, callback data, label text, fonts, default value, shortcut
// key, tab position, maximum entry length, anchors (UIE_BAD_VALUE for other
// bits; the backend then takes the distances) and kind (get only), and any other
// attribute as a stored int (0 when never set). 0 or a UIE_* code.
int setCtrlData(CtrlData& c, int attr, const AttrValue& v);
int getCtrlData(const CtrlData& c, int attr, void* out);

// A new control's size in pixels, by kind.
struct ControlSize {
    int height, width;
};
ControlSize defaultControlSize(int kind);
// True for the control kinds NewCtrl makes.
bool isKnownCtrlKind(int kind);
// True for the kinds that take the keyboard focus (not text messages or progress bars).
bool isFocusableKind(int kind);

// The id of a new control on a panel whose next free id is *next: requested
// when it is positive (requestedInUse says whether a control has it), else
// *next. *next then stays above every id given. UIE_BAD_VALUE for a negative,
// used or too large (INT_MAX) request, or when the ids are used up.
int claimCtrlId(int requested, bool requestedInUse, int* next);

// Copies text and a zero into out, which the caller sized; a null out is skipped.
void copyText(std::string_view text, void* out);
// Copies at most size - 1 bytes of text and a zero; nothing when out is null or size <= 0.
void copyTruncated(std::string_view text, char* out, int size);

// Titles, labels, fonts and menu names are returned in buffers the caller
// sizes for kMaxNameLength bytes plus the zero; longer ones are cut there.
inline constexpr size_t kMaxNameLength = 1023;
void copyName(const std::string& name, void* out);

// Key codes: true for a character key (no virtual key) whose byte is printable
// text, i.e. any byte >= 0x20 except DEL, with no Ctrl modifier.
bool isCharacterKey(int key);
// The byte of a character key.
inline unsigned char keyChar(int key) { return static_cast<unsigned char>(key & VAL_ASCII_KEY_MASK); }
inline int keyVirtual(int key) { return key & VAL_VKEY_MASK; }
inline int keyModifiers(int key) { return key & VAL_MODIFIER_MASK; }

}  // namespace uirt

#endif  // UIRT_ATTRS_H
