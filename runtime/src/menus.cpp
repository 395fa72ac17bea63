// The menu-bar model: menus, items and their attributes.
#include "menus.h"

#include <algorithm>

namespace uirt {

Menu* MenuBarModel::menu(int menuId) {
    for (Menu& m : menus)
        if (m.id == menuId) return &m;
    return nullptr;
}

MenuItem* MenuBarModel::item(int itemId, Menu** owner) {
    for (Menu& m : menus) {
        for (MenuItem& i : m.items) {
            if (i.id != itemId) continue;
            if (owner) *owner = &m;
            return &i;
        }
    }
    return nullptr;
}

const MenuItem* MenuBarModel::itemForShortcut(int key) const {
    for (const Menu& m : menus)
        for (const MenuItem& i : m.items)
            if (!i.separator && i.shortcut == key && !i.dimmed && !m.dimmed) return &i;
    return nullptr;
}

int MenuBarModel::addMenu(const char* name, int before) {
    auto at = std::find_if(menus.begin(), menus.end(), [&](const Menu& m) { return m.id == before; });
    if (before != -1 && at == menus.end()) return UIE_BAD_MENU;
    Menu m;
    m.id = nextId++;
    m.name = name ? name : "";
    const int newId = m.id;
    menus.insert(at, std::move(m));
    return newId;
}

int MenuBarModel::addItem(int menuId, const char* name, int before, int shortcut, MenuCallbackPtr cb, void* data) {
    Menu* m = menu(menuId);
    if (!m) return UIE_BAD_MENU;
    auto at = std::find_if(m->items.begin(), m->items.end(), [&](const MenuItem& x) { return x.id == before; });
    if (before != -1 && at == m->items.end()) return UIE_BAD_MENU;
    MenuItem i;
    i.id = nextId++;
    i.name = name ? name : "";
    i.shortcut = shortcut;
    i.callback = cb;
    i.callbackData = data;
    const int newId = i.id;
    m->items.insert(at, std::move(i));
    return newId;
}

int MenuBarModel::addSeparator(int menuId, int before) {
    const int newId = addItem(menuId, "", before, 0, nullptr, nullptr);
    if (newId > 0) item(newId)->separator = true;
    return newId;
}

int MenuBarModel::setAttribute(int id, int attr, const AttrValue& v) {
    const bool stored = menuAttrType(attr) == AttrType::Int;
    if (id == 0) {
        if (attr == ATTR_MENU_BAR_FONT) font = v.s ? v.s : "";
        else if (stored) extra.set(attr, v.i);
        else return UIE_BAD_ATTRIBUTE;
        return 0;
    }
    if (Menu* m = menu(id)) {
        if (attr == ATTR_DIMMED) m->dimmed = v.i != 0;
        else if (attr == ATTR_ITEM_NAME) m->name = v.s ? v.s : "";
        else if (stored) m->extra.set(attr, v.i);
        else return UIE_BAD_ATTRIBUTE;
        return 0;
    }
    MenuItem* i = item(id);
    if (!i) return UIE_BAD_MENU;
    switch (attr) {
    case ATTR_DIMMED: i->dimmed = v.i != 0; break;
    case ATTR_ITEM_NAME: i->name = v.s ? v.s : ""; break;
    case ATTR_CALLBACK_DATA: i->callbackData = v.p; break;
    case ATTR_CALLBACK_FUNCTION_POINTER: i->callback = reinterpret_cast<MenuCallbackPtr>(v.p); break;
    default:
        if (!stored) return UIE_BAD_ATTRIBUTE;
        i->extra.set(attr, v.i);
        break;
    }
    return 0;
}

int MenuBarModel::getAttribute(int id, int attr, void* out) {
    int* n = static_cast<int*>(out);
    auto stored = [&](const AttrStore& s) {
        if (menuAttrType(attr) != AttrType::Int) return UIE_BAD_ATTRIBUTE;
        if (!s.get(attr, n)) *n = 0;
        return 0;
    };
    if (id == 0) {
        if (attr != ATTR_MENU_BAR_FONT) return stored(extra);
        copyName(font, out);
        return 0;
    }
    if (Menu* m = menu(id)) {
        if (attr == ATTR_DIMMED) *n = m->dimmed;
        else if (attr == ATTR_ITEM_NAME) copyName(m->name, out);
        else return stored(m->extra);
        return 0;
    }
    MenuItem* i = item(id);
    if (!i) return UIE_BAD_MENU;
    switch (attr) {
    case ATTR_DIMMED: *n = i->dimmed; break;
    case ATTR_ITEM_NAME: copyName(i->name, out); break;
    case ATTR_CALLBACK_DATA: *static_cast<void**>(out) = i->callbackData; break;
    case ATTR_CALLBACK_FUNCTION_POINTER: *static_cast<MenuCallbackPtr*>(out) = i->callback; break;
    default: return stored(i->extra);
    }
    return 0;
}

}  // namespace uirt
