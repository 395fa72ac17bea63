// Types of attribute values by attribute number, and the generic attribute store.
#include "attrs.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <limits>

namespace uirt {

namespace {

// Callback data and function pointers are pointers for every kind of object;
// the object's own string and value attributes are listed by the caller.
AttrType attrTypeOf(int attribute, std::initializer_list<int> strings, std::initializer_list<int> values = {}) {
    if (attribute == ATTR_CALLBACK_DATA || attribute == ATTR_CALLBACK_FUNCTION_POINTER) return AttrType::Pointer;
    if (std::find(strings.begin(), strings.end(), attribute) != strings.end()) return AttrType::String;
    if (std::find(values.begin(), values.end(), attribute) != values.end()) return AttrType::Value;
    return AttrType::Int;
}

}  // namespace

AttrType ctrlAttrType(int attribute) {
    return attrTypeOf(attribute, {ATTR_CALLBACK_NAME, ATTR_TEXT_FONT, ATTR_LABEL_TEXT, ATTR_LABEL_FONT},
                      {ATTR_CTRL_VAL, ATTR_DFLT_VALUE});
}

AttrType panelAttrType(int attribute) {
    return attrTypeOf(attribute, {ATTR_TITLE, ATTR_CALLBACK_NAME, ATTR_TEXT_FONT});
}

AttrType menuAttrType(int attribute) { return attrTypeOf(attribute, {ATTR_ITEM_NAME, ATTR_MENU_BAR_FONT}); }

bool isTextKind(int kind) {
    return kind == CTRL_STRING || kind == CTRL_TEXT_MSG || kind == CTRL_TEXT_BOX;
}

void AttrStore::set(int attribute, int value) {
    for (auto& item : items_) {
        if (item.first == attribute) {
            item.second = value;
            return;
        }
    }
    items_.emplace_back(attribute, value);
}

bool AttrStore::get(int attribute, int* value) const {
    for (const auto& item : items_) {
        if (item.first == attribute) {
            *value = item.second;
            return true;
        }
    }
    return false;
}

int setPanelData(PanelData& p, int attr, const AttrValue& v) {
    switch (attr) {
    case ATTR_TITLE: p.title = v.s ? v.s : ""; break;
    case ATTR_TEXT_FONT: p.font = v.s ? v.s : ""; break;
    case ATTR_CALLBACK_DATA: p.callbackData = v.p; break;
    case ATTR_CALLBACK_FUNCTION_POINTER: p.callback = reinterpret_cast<CtrlCallbackPtr>(v.p); break;
    case ATTR_CLOSE_CTRL: p.closeCtrl = v.i; break;
    case ATTR_RESIZABLE: p.resizable = v.i != 0; break;
    default: p.extra.set(attr, v.i); break;
    }
    return 0;
}

int getPanelData(const PanelData& p, int attr, void* out) {
    int* i = static_cast<int*>(out);
    switch (attr) {
    case ATTR_TITLE: copyName(p.title, out); break;
    case ATTR_TEXT_FONT: copyName(p.font, out); break;
    case ATTR_CALLBACK_DATA: *static_cast<void**>(out) = p.callbackData; break;
    case ATTR_CALLBACK_FUNCTION_POINTER: *static_cast<CtrlCallbackPtr*>(out) = p.callback; break;
    case ATTR_CLOSE_CTRL: *i = p.closeCtrl; break;
    case ATTR_RESIZABLE: *i = p.resizable ? 1 : 0; break;
    case ATTR_DROPPED_FILE:
        // A path: up to MAX_PATHNAME_LEN bytes with the zero.
        std::memcpy(out, p.droppedFile.c_str(), std::min<std::size_t>(p.droppedFile.size() + 1, MAX_PATHNAME_LEN));
        static_cast<char*>(out)[std::min<std::size_t>(p.droppedFile.size(), MAX_PATHNAME_LEN - 1)] = '\0';
        break;
    default: if (!p.extra.get(attr, i)) *i = 0; break;
    }
    return 0;
}

namespace {

// Text fields and boxes, not text messages.
bool isEditableText(int kind) { return isTextKind(kind) && kind != CTRL_TEXT_MSG; }

}  // namespace

int setCtrlData(CtrlData& c, int attr, const AttrValue& v) {
    switch (attr) {
    case ATTR_CALLBACK_DATA: c.callbackData = v.p; break;
    case ATTR_CALLBACK_FUNCTION_POINTER: c.callback = reinterpret_cast<CtrlCallbackPtr>(v.p); break;
    case ATTR_LABEL_TEXT: c.labelText = v.s ? v.s : ""; break;
    case ATTR_TEXT_FONT: c.textFont = v.s ? v.s : ""; break;
    case ATTR_LABEL_FONT: c.labelFont = v.s ? v.s : ""; break;
    case ATTR_DFLT_VALUE:
        if (c.kind == CTRL_COMMAND_BUTTON) return UIE_BAD_ATTRIBUTE;
        if (isTextKind(c.kind)) c.defaultText = v.s ? v.s : "";
        else c.defaultValue = v.i;
        break;
    case ATTR_SHORTCUT_KEY: c.shortcutKey = v.i; break;
    case ATTR_CTRL_TAB_POSITION: c.tabPosition = v.i; break;
    case ATTR_ANCHOR:
        if (v.i & ~kAllAnchors) return UIE_BAD_VALUE;
        c.anchoring.anchor = v.i;
        break;
    case ATTR_MAX_ENTRY_LENGTH:
        if (!isEditableText(c.kind)) return UIE_BAD_ATTRIBUTE;
        c.maxEntryLength = v.i;
        break;
    default: c.extra.set(attr, v.i); break;
    }
    return 0;
}

int getCtrlData(const CtrlData& c, int attr, void* out) {
    int* i = static_cast<int*>(out);
    switch (attr) {
    case ATTR_CALLBACK_DATA: *static_cast<void**>(out) = c.callbackData; break;
    case ATTR_CALLBACK_FUNCTION_POINTER: *static_cast<CtrlCallbackPtr*>(out) = c.callback; break;
    case ATTR_LABEL_TEXT: copyName(c.labelText, out); break;
    case ATTR_TEXT_FONT: copyName(c.textFont, out); break;
    case ATTR_LABEL_FONT: copyName(c.labelFont, out); break;
    case ATTR_DFLT_VALUE:
        if (c.kind == CTRL_COMMAND_BUTTON) return UIE_BAD_ATTRIBUTE;
        if (isTextKind(c.kind)) copyText(c.defaultText, out);
        else *i = c.defaultValue;
        break;
    case ATTR_CTRL_KIND: *i = c.kind; break;
    case ATTR_SHORTCUT_KEY: *i = c.shortcutKey; break;
    case ATTR_CTRL_TAB_POSITION: *i = c.tabPosition; break;
    case ATTR_ANCHOR: *i = c.anchoring.anchor; break;
    case ATTR_MAX_ENTRY_LENGTH:
        if (!isEditableText(c.kind)) return UIE_BAD_ATTRIBUTE;
        *i = c.maxEntryLength;
        break;
    default: if (!c.extra.get(attr, i)) *i = 0; break;
    }
    return 0;
}

ControlSize defaultControlSize(int kind) {
    switch (kind) {
    case CTRL_TEXT_BOX: return {100, 200};
    case CTRL_STRING: return {20, 120};
    case CTRL_TEXT_MSG: return {16, 100};
    case CTRL_COMMAND_BUTTON: return {24, 80};
    case CTRL_CHECK_BOX: return {20, 100};
    case CTRL_PROGRESS_BAR: return {20, 150};
    default: return {20, 80};
    }
}

bool isKnownCtrlKind(int kind) {
    switch (kind) {
    case CTRL_NUMERIC: case CTRL_STRING: case CTRL_TEXT_MSG: case CTRL_TEXT_BOX:
    case CTRL_PROGRESS_BAR: case CTRL_COMMAND_BUTTON: case CTRL_CHECK_BOX:
        return true;
    default:
        return false;
    }
}

bool isFocusableKind(int kind) { return kind != CTRL_TEXT_MSG && kind != CTRL_PROGRESS_BAR; }

int claimCtrlId(int requested, bool requestedInUse, int* next) {
    constexpr int kLast = std::numeric_limits<int>::max() - 1;
    if (requested < 0 || requested > kLast || (requested > 0 && requestedInUse)) return UIE_BAD_VALUE;
    const int id = requested > 0 ? requested : *next;
    if (id > kLast) return UIE_BAD_VALUE;
    *next = std::max(*next, id + 1);
    return id;
}

void copyText(std::string_view text, void* out) {
    if (!out) return;
    std::memcpy(out, text.data(), text.size());
    static_cast<char*>(out)[text.size()] = '\0';
}

void copyTruncated(std::string_view text, char* out, int size) {
    if (!out || size <= 0) return;
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

void copyName(const std::string& name, void* out) {
    size_t n = std::min(name.size(), kMaxNameLength);
    std::memcpy(out, name.data(), n);
    static_cast<char*>(out)[n] = '\0';
}

bool isCharacterKey(int key) {
    if (keyVirtual(key) != 0 || (key & VAL_MENUKEY_MODIFIER) != 0) return false;
    if ((key & ~(VAL_ASCII_KEY_MASK | VAL_SHIFT_MODIFIER)) != 0) return false;
    unsigned char c = keyChar(key);
    return c >= 0x20 && c != 0x7F;
}

}  // namespace uirt
