// The model of a menu bar, kept alike by both backends: its menus and
// items (ids from one counter per bar), insertion, look-up and attributes.
// The Qt backend builds its widgets from this model.
#ifndef UIRT_MENUS_H
#define UIRT_MENUS_H

#include <string>
#include <vector>

#include "attrs.h"
#include "backend.h"

namespace uirt {

struct MenuItem {
    int id = 0;
    std::string name;
    int shortcut = 0;
    MenuCallbackPtr callback = nullptr;
    void* callbackData = nullptr;
    bool dimmed = false;
    bool separator = false;
    AttrStore extra;
};

struct Menu {
    int id = 0;
    std::string name;
    bool dimmed = false;
    std::vector<MenuItem> items;
    AttrStore extra;
};

struct MenuBarModel {
    int id = 0;
    int panel = 0;  // 0 for a bar that only serves popup menus
    int nextId = 1;
    std::string font = "Default";
    std::vector<Menu> menus;
    AttrStore extra;

    Menu* menu(int menuId);
    // The item with this id; *owner (if given) receives its menu.
    MenuItem* item(int itemId, Menu** owner = nullptr);
    // The enabled item, in an enabled menu, whose shortcut is key; null when none.
    const MenuItem* itemForShortcut(int key) const;

    // Insert before the menu / item with id before, or at the end for -1.
    // The new id, or UIE_BAD_MENU.
    int addMenu(const char* name, int before);
    int addItem(int menuId, const char* name, int before, int shortcut, MenuCallbackPtr cb, void* data);
    int addSeparator(int menuId, int before);

    // id 0 is the bar itself, else a menu or an item. 0 or a UIE_* code.
    int setAttribute(int id, int attr, const AttrValue& v);
    int getAttribute(int id, int attr, void* out);
};

}  // namespace uirt

#endif  // UIRT_MENUS_H
