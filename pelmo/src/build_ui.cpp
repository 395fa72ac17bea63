// BuildUi: the Find panel, the question panel of a replace run, the
// Find/Replace panel and the menu bar of the two context menus, made once.
#include <initializer_list>
#include <vector>

#include "cp1251.h"
#include "pelmo_ui.h"
#include "uirt.h"

using namespace cp1251::literals;

namespace pelmo {
namespace {

// Window attributes of the dialogs, by number. This run-time keeps them for
// whoever asks and draws the panels the same either way.
constexpr int kPanelAttrsOff[] = {580, 599, 600, 619, 621};  // set to 0 on a new panel
constexpr int kPanelAttrOn = 615;                             // set to 1 on a new panel
constexpr int kPanelAttrsDone[] = {617, 800};                 // set to 1 once the controls stand
constexpr int kPanelAttrPlacing = 618;                        // 1 while the panel is centred
constexpr int kCtrlAttrOn = 620;                              // set to 1 on every control
constexpr int kTextAttrOn = 649;                              // set to 1 on fields and check boxes
constexpr int kFieldAttrOff = 700;                            // set to 0 on fields

// Thrown out of the builder at the first call that fails.
struct BuildFailed {};

int check(int result) {
    if (result < 0) throw BuildFailed{};
    return result;
}

int newPanel(const char* title, int top, int left, int height, int width) {
    const int panel = check(NewPanel(0, title, top, left, height, width));
    for (int attr : kPanelAttrsOff) check(SetPanelAttribute(panel, attr, 0));
    check(SetPanelAttribute(panel, kPanelAttrOn, 1));
    return panel;
}

// Finishes a panel once its controls are placed: centred on the screen.
void finishPanel(int panel) {
    for (int attr : kPanelAttrsDone) check(SetPanelAttribute(panel, attr, 1));
    check(SetPanelAttribute(panel, kPanelAttrPlacing, 1));
    check(SetPanelAttribute(panel, ATTR_LEFT, VAL_AUTO_CENTER));
    check(SetPanelAttribute(panel, ATTR_TOP, VAL_AUTO_CENTER));
    check(SetPanelAttribute(panel, kPanelAttrPlacing, 0));
}

struct Place {
    int top, left, height, width;
};

int newCtrl(int panel, int kind, const char* label, int top, int left, int tab) {
    const int ctrl = check(NewCtrl(panel, kind, label, top, left));
    check(SetCtrlAttribute(panel, ctrl, kCtrlAttrOn, 1));
    check(SetCtrlAttribute(panel, ctrl, ATTR_TEXT_FONT, "Arial"));
    check(SetCtrlAttribute(panel, ctrl, ATTR_CTRL_TAB_POSITION, tab));
    return ctrl;
}

void placeLabel(int panel, int ctrl, Place label) {
    check(SetCtrlAttribute(panel, ctrl, ATTR_LABEL_LEFT, label.left));
    check(SetCtrlAttribute(panel, ctrl, ATTR_LABEL_TOP, label.top));
    check(SetCtrlAttribute(panel, ctrl, ATTR_LABEL_WIDTH, label.width));
    check(SetCtrlAttribute(panel, ctrl, ATTR_LABEL_HEIGHT, label.height));
}

void setCallback(int panel, int ctrl, CtrlCallbackPtr callback) {
    check(SetCtrlAttribute(panel, ctrl, ATTR_CALLBACK_FUNCTION_POINTER, callback));
}

// A one-line text field of at most 255 bytes, empty by default.
int newField(int panel, const char* label, int top, int left, int width, Place labelPlace, int tab,
             CtrlCallbackPtr callback) {
    const int ctrl = newCtrl(panel, CTRL_STRING, label, top, left, tab);
    check(SetCtrlAttribute(panel, ctrl, kTextAttrOn, 1));
    check(SetCtrlAttribute(panel, ctrl, kFieldAttrOff, 0));
    check(SetCtrlAttribute(panel, ctrl, ATTR_LABEL_FONT, "Arial"));
    check(SetCtrlAttribute(panel, ctrl, ATTR_MAX_ENTRY_LENGTH, 255));
    placeLabel(panel, ctrl, labelPlace);
    check(SetCtrlAttribute(panel, ctrl, ATTR_WIDTH, width));
    check(SetCtrlAttribute(panel, ctrl, ATTR_DFLT_VALUE, ""));
    check(DefaultCtrl(panel, ctrl));
    setCallback(panel, ctrl, callback);
    return ctrl;
}

// A 13 x 13 check box, off by default.
int newCheck(int panel, const char* label, int top, int left, Place labelPlace, int tab) {
    const int ctrl = newCtrl(panel, CTRL_CHECK_BOX, label, top, left, tab);
    check(SetCtrlAttribute(panel, ctrl, kTextAttrOn, 1));
    placeLabel(panel, ctrl, labelPlace);
    check(SetCtrlAttribute(panel, ctrl, ATTR_WIDTH, 13));
    check(SetCtrlAttribute(panel, ctrl, ATTR_HEIGHT, 13));
    check(SetCtrlAttribute(panel, ctrl, ATTR_DFLT_VALUE, 0));
    check(DefaultCtrl(panel, ctrl));
    return ctrl;
}

int newButton(int panel, const char* label, Place place, int tab, CtrlCallbackPtr callback, int shortcut = 0) {
    const int ctrl = newCtrl(panel, CTRL_COMMAND_BUTTON, label, place.top, place.left, tab);
    check(SetCtrlAttribute(panel, ctrl, ATTR_WIDTH, place.width));
    check(SetCtrlAttribute(panel, ctrl, ATTR_HEIGHT, place.height));
    setCallback(panel, ctrl, callback);
    if (shortcut) check(SetCtrlAttribute(panel, ctrl, ATTR_SHORTCUT_KEY, shortcut));
    return ctrl;
}

// ---- Callbacks of the dialogs' own controls

int HidePanelOnCommit(int panel, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) HidePanel(panel);
    return 0;
}

// Enter in the Find panel's search field finds, as the Find button does.
int FindFieldCallback(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) FindNext(ui().FindPanel.panel, ui().FindPanel.find, EVENT_COMMIT, nullptr, 0, 0);
    return 0;
}

// Enter in a Find/Replace field moves on: search -> replacement -> Find.
int ReplaceFieldCallback(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    const ReplacePanelIds& r = ui().ReplacePanel;
    SetActiveCtrl(panel, control == r.search ? r.replacement : r.find);
    return 0;
}

// An answer ends the question's event loop (AskReplace).
int AskButtonCallback(int, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT || !ui().Asking) return 0;
    const AskPanelIds& a = ui().AskPanel;
    ui().AskAnswer = control == a.replace ? kAskReplace : control == a.skip ? kAskSkip : kAskClose;
    QuitUserInterface(0);
    return 0;
}

void buildFindPanel(FindPanelIds& f) {
    f.panel = newPanel("Поиск"_cp1251, 172, 10, 77, 380);
    f.search = newField(f.panel, "", 16, 12, 301, {-5, 12, 16, 9}, 0, FindFieldCallback);
    f.matchCase = newCheck(f.panel, "Учитывать\nрегистр"_cp1251, 49, 16, {40, 32, 30, 61}, 1);
    f.wholeWord = newCheck(f.panel, "Слово\nцеликом"_cp1251, 49, 113, {41, 131, 30, 46}, 2);
    f.closeAfter = newCheck(f.panel, "Закрывать"_cp1251, 48, 207, {46, 223, 16, 60}, 3);
    f.find = newButton(f.panel, "Найти"_cp1251, {12, 319, 26, 54}, 4, FindNext, VAL_ENTER_VKEY);
    f.close = newButton(f.panel, "Закрыть"_cp1251, {42, 319, 26, 55}, 5, HidePanelOnCommit, VAL_ESC_VKEY);
    check(SetPanelAttribute(f.panel, ATTR_CLOSE_CTRL, f.close));
    finishPanel(f.panel);
}

void buildAskPanel(AskPanelIds& a) {
    a.panel = newPanel("Поиск / Замена"_cp1251, 21, 7, 50, 269);
    check(SetPanelAttribute(a.panel, ATTR_CALLBACK_FUNCTION_POINTER, nullptr));
    a.replace = newButton(a.panel, "Заменить"_cp1251, {11, 10, 27, 71}, 0, AskButtonCallback, VAL_ENTER_VKEY);
    a.skip = newButton(a.panel, "Пропустить"_cp1251, {11, 96, 27, 72}, 1, AskButtonCallback);
    a.close = newButton(a.panel, "Закрыть"_cp1251, {10, 183, 28, 72}, 2, AskButtonCallback, VAL_ESC_VKEY);
    check(SetPanelAttribute(a.panel, ATTR_CLOSE_CTRL, a.close));
    finishPanel(a.panel);
}

void buildReplacePanel(ReplacePanelIds& r) {
    r.panel = newPanel("Поиск / Замена"_cp1251, 19, 284, 129, 410);
    check(SetPanelAttribute(r.panel, ATTR_CALLBACK_FUNCTION_POINTER, nullptr));
    r.search = newField(r.panel, "искать:"_cp1251, 16, 12, 301, {0, 15, 16, 41}, 0, ReplaceFieldCallback);
    r.replacement =
        newField(r.panel, "заменить на:"_cp1251, 54, 12, 301, {38, 14, 16, 70}, 1, ReplaceFieldCallback);
    r.matchCase = newCheck(r.panel, "Учитывать\nрегистр"_cp1251, 86, 19, {77, 35, 30, 61}, 2);
    r.wholeWord = newCheck(r.panel, "Слово\nцеликом"_cp1251, 85, 114, {77, 132, 30, 46}, 3);
    r.find = newButton(r.panel, "Найти"_cp1251, {12, 319, 28, 84}, 4, ReplaceRun);
    r.replaceAll = newButton(r.panel, "Заменить\nВсё"_cp1251, {45, 319, 38, 84}, 5, ReplaceRun);
    r.close = newButton(r.panel, "Закрыть"_cp1251, {91, 320, 26, 83}, 6, HidePanelOnCommit, VAL_ESC_VKEY);
    check(SetPanelAttribute(r.panel, ATTR_CLOSE_CTRL, r.close));
    finishPanel(r.panel);
}

int newItem(int bar, int menu, const char* name, int shortcut) {
    return check(NewMenuItem(bar, menu, name, -1, shortcut, nullptr, nullptr));
}

void buildEditMenu(int bar, EditMenuIds& m, bool withUndo) {
    m.menu = check(NewMenu(bar, "1", -1));
    m.cut = newItem(bar, m.menu, "Вырезать (Ctrl+X)"_cp1251, VAL_MENUKEY_MODIFIER | 'X');
    m.copy = newItem(bar, m.menu, "Копировать (Ctrl+C)"_cp1251, VAL_MENUKEY_MODIFIER | 'C');
    m.paste = newItem(bar, m.menu, "Вставить (Ctrl+V)"_cp1251, VAL_MENUKEY_MODIFIER | 'V');
    check(InsertSeparator(bar, m.menu, -1));
    if (withUndo) {
        m.undo = newItem(bar, m.menu, "Отменить (Ctrl+Z)"_cp1251, VAL_MENUKEY_MODIFIER | 'Z');
        m.redo = newItem(bar, m.menu, "Вернуть (Ctrl+BkSpc)"_cp1251, 0);
        check(InsertSeparator(bar, m.menu, -1));
    }
    m.find = newItem(bar, m.menu, "Найти (Ctrl+F)"_cp1251, VAL_MENUKEY_MODIFIER | 'F');
    m.replace = newItem(bar, m.menu, "Найти/Заменить (Ctrl+H)"_cp1251, VAL_MENUKEY_MODIFIER | 'H');
    check(InsertSeparator(bar, m.menu, -1));
    m.clear = newItem(bar, m.menu, "Очистить окно"_cp1251, 0);
}

void buildMenuBar(Ui& u) {
    const int bar = u.PopupMenuBar = check(NewMenuBar(0));
    check(SetMenuBarAttribute(bar, 0, ATTR_MENU_BAR_FONT, "Arial"));
    check(SetMenuBarAttribute(bar, 0, ATTR_MENU_BAR_POINT_SIZE, 11));
    buildEditMenu(bar, u.EditMenu, true);
    buildEditMenu(bar, u.EditMenuNoUndo, false);
}

}  // namespace

Ui& ui() {
    static Ui state;
    return state;
}

void BuildUi() {
    Ui& u = ui();
    Ui built;
    try {
        buildFindPanel(built.FindPanel);
        buildAskPanel(built.AskPanel);
        buildReplacePanel(built.ReplacePanel);
        buildMenuBar(built);
    } catch (...) {
        // Nothing half-built stays behind.
        for (int panel : {built.FindPanel.panel, built.AskPanel.panel, built.ReplacePanel.panel})
            if (panel > 0) DiscardPanel(panel);
        if (built.PopupMenuBar > 0) DiscardMenuBar(built.PopupMenuBar);
        return;
    }
    u.PopupMenuBar = built.PopupMenuBar;
    u.EditMenu = built.EditMenu;
    u.EditMenuNoUndo = built.EditMenuNoUndo;
    u.FindPanel = built.FindPanel;
    u.ReplacePanel = built.ReplacePanel;
    u.AskPanel = built.AskPanel;
}

}  // namespace pelmo
