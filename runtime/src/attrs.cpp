// Types of attribute values by attribute number, and the generic attribute store.
#include "attrs.h"

#include <algorithm>
#include <cstring>

namespace uirt {

AttrType ctrlAttrType(int attribute) {
    switch (attribute) {
    case ATTR_CALLBACK_NAME:
    case ATTR_TEXT_FONT:
    case ATTR_LABEL_TEXT:
    case ATTR_LABEL_FONT:
        return AttrType::String;
    case ATTR_CALLBACK_DATA:
    case ATTR_CALLBACK_FUNCTION_POINTER:
        return AttrType::Pointer;
    case ATTR_CTRL_VAL:
    case ATTR_DFLT_VALUE:
        return AttrType::Value;
    default:
        return AttrType::Int;
    }
}

AttrType panelAttrType(int attribute) {
    switch (attribute) {
    case ATTR_TITLE:
    case ATTR_CALLBACK_NAME:
    case ATTR_TEXT_FONT:
        return AttrType::String;
    case ATTR_CALLBACK_DATA:
    case ATTR_CALLBACK_FUNCTION_POINTER:
        return AttrType::Pointer;
    default:
        return AttrType::Int;
    }
}

AttrType menuAttrType(int attribute) {
    switch (attribute) {
    case ATTR_ITEM_NAME:
    case ATTR_MENU_BAR_FONT:
        return AttrType::String;
    case ATTR_CALLBACK_DATA:
    case ATTR_CALLBACK_FUNCTION_POINTER:
        return AttrType::Pointer;
    default:
        return AttrType::Int;
    }
}

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
