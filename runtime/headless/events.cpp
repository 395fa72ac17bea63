// Headless backend: the event loop and queue, keys, clicks and closing,
// menus, popups, the clipboard and the automation of user actions.
#include <algorithm>
#include <cstring>

#include "headless.h"

namespace uirt::headless {

// ---- The event queue

void HeadlessBackend::post(std::function<void()> run) { events_.post(std::move(run)); }

// Runs the oldest pending item that may run now; false when there is none.
bool HeadlessBackend::runOne() {
    std::function<void()> run;
    if (!events_.take(run)) return false;
    EventQueue::Handling handling(events_);
    run();
    return true;
}

int HeadlessBackend::ProcessSystemEvents() {
    if (events_.empty()) return 0;
    while (runOne()) {
    }
    return 0;
}

int HeadlessBackend::RunUserInterface() {
    {
        EventQueue::Loop running(events_);
        quitRequested_ = false;
        while (!quitRequested_ && runOne()) {
        }
    }
    if (!quitRequested_) return UIE_FAILURE;
    quitRequested_ = false;
    return quitCode_;
}

int HeadlessBackend::QuitUserInterface(int code) {
    if (events_.loopDepth() == 0) return 0;
    quitRequested_ = true;
    quitCode_ = code;
    return 0;
}

int HeadlessBackend::PostDeferredCall(DeferredCallbackPtr fn, void* data) {
    events_.postHeld([fn, data] { fn(data); });
    return 0;
}

void HeadlessBackend::call(int panelId, int controlId, int event, int data1, int data2) {
    Control* c = control(panelId, controlId);
    if (c && c->callback) c->callback(panelId, controlId, event, c->callbackData, data1, data2);
}

void HeadlessBackend::callPanel(int panelId, int event, int data1, int data2) {
    Panel* p = panel(panelId);
    if (p && p->callback) p->callback(panelId, 0, event, p->callbackData, data1, data2);
}

// ---- Keys

int HeadlessBackend::FakeKeystroke(int key) {
    post([this, key] { handleKey(key); });
    return 0;
}

// A key goes to the focused control of the active panel: first its callback
// sees EVENT_KEYPRESS and may cancel or replace the key, then a shortcut key
// commits its control, else the control handles the key; an edit ends with
// EVENT_VAL_CHANGED.
void HeadlessBackend::handleKey(int key) {
    int panelId = GetActivePanel();
    Panel* p = panel(panelId);
    if (!p) return;
    int focused = GetActiveCtrl(panelId);
    Control* c = control(panelId, focused);
    if (c && c->dimmed) return;
    {
        KeyEvents::Scope ev(keyEvents_, key);
        call(panelId, focused, EVENT_KEYPRESS, key, ev.id());
        key = ev.key();
    }
    if (key == 0 || !(p = panel(panelId))) return;
    if (runShortcut(*p, focused, key)) return;
    if (controlHandlesKey(panelId, focused, key)) call(panelId, focused, EVENT_VAL_CHANGED, 0, 0);
}

bool HeadlessBackend::runShortcut(Panel& p, int focused, int key) {
    for (const auto& [id, c] : p.controls) {
        // A focused button's own shortcut operates it too; a text control's
        // does not (the key is the text control's own).
        if (c->shortcutKey == key && (c->id != focused || c->kind == CTRL_COMMAND_BUTTON) && !c->dimmed) {
            click(p.id, c->id);
            return true;
        }
    }
    for (const auto& bar : menuBars_) {
        if (!bar || bar->panel != p.id) continue;
        if (const MenuItem* item = bar->itemForShortcut(key)) {
            if (item->callback) item->callback(bar->id, item->id, item->callbackData, p.id);
            return true;
        }
    }
    return false;
}

EditContext HeadlessBackend::editContext(Control& c) {
    EditContext ctx;
    ctx.clipboard = &clipboard_;
    ctx.singleLine = c.kind == CTRL_STRING;
    ctx.maxLength = c.kind == CTRL_STRING ? c.maxEntryLength : -1;
    ctx.pageLines = visibleLines(c);
    return ctx;
}

void HeadlessBackend::scrollToCaret(Control& c) {
    int line = c.text.lineOfOffset(c.text.caret());
    int shown = visibleLines(c);
    if (line < c.firstVisibleLine) c.firstVisibleLine = line;
    else if (line >= c.firstVisibleLine + shown) c.firstVisibleLine = line - shown + 1;
}

// The focused control's own handling of a key; true when its value changed.
bool HeadlessBackend::controlHandlesKey(int panelId, int controlId, int key) {
    Control* c = control(panelId, controlId);
    if (!c) return false;
    switch (c->kind) {
    case CTRL_TEXT_BOX: {
        bool changed = c->text.applyKey(key, editContext(*c));
        scrollToCaret(*c);
        return changed;
    }
    case CTRL_STRING:
        if (key == VAL_ENTER_VKEY) {
            call(panelId, controlId, EVENT_COMMIT, 0, 0);
            return false;
        }
        return c->text.applyKey(key, editContext(*c));
    case CTRL_COMMAND_BUTTON:
    case CTRL_CHECK_BOX:
        if (key == ' ' || (key == VAL_ENTER_VKEY && c->kind == CTRL_COMMAND_BUTTON)) click(panelId, controlId);
        return false;
    default:
        return false;
    }
}

// ---- Clicks and closing

void HeadlessBackend::click(int panelId, int controlId) {
    Control* c = control(panelId, controlId);
    if (!c || c->dimmed) return;
    if (c->kind == CTRL_CHECK_BOX) c->value = !c->value;
    call(panelId, controlId, EVENT_COMMIT, 0, 0);
}

void HeadlessBackend::closePanel(int panelId) {
    Panel* p = panel(panelId);
    if (!p) return;
    int closeCtrl = p->closeCtrl;
    if (closeCtrl && control(panelId, closeCtrl)) call(panelId, closeCtrl, EVENT_COMMIT, 0, 0);
    callPanel(panelId, EVENT_CLOSE, 0, 0);
}

int HeadlessBackend::GetRelativeMouseState(int panelId, int controlId, int* x, int* y, int* left, int* right,
                                           int* modifiers) {
    if (!panel(panelId)) return UIE_BAD_PANEL;
    int dx = 0, dy = 0;
    if (controlId != 0) {
        int rc = 0;
        Control* c = control(panelId, controlId, &rc);
        if (!c) return rc;
        dx = c->left;
        dy = c->top;
    }
    if (x) *x = mouseX_ - dx;
    if (y) *y = mouseY_ - dy;
    if (left) *left = 0;
    if (right) *right = 0;
    if (modifiers) *modifiers = 0;
    return 0;
}

// ---- Menus

MenuBar* HeadlessBackend::menuBar(int id) {
    if (id <= 0 || static_cast<size_t>(id) > menuBars_.size()) return nullptr;
    return menuBars_[id - 1].get();
}

int HeadlessBackend::NewMenuBar(int panelId) {
    if (panelId != 0 && !panel(panelId)) return UIE_BAD_PANEL;
    auto bar = std::make_unique<MenuBar>();
    bar->id = static_cast<int>(menuBars_.size()) + 1;
    bar->panel = panelId;
    menuBars_.push_back(std::move(bar));
    return static_cast<int>(menuBars_.size());
}

int HeadlessBackend::DiscardMenuBar(int id) {
    if (!menuBar(id)) return UIE_BAD_MENU;
    menuBars_[id - 1].reset();
    return 0;
}

int HeadlessBackend::NewMenu(int barId, const char* name, int before) {
    MenuBar* bar = menuBar(barId);
    return bar ? bar->addMenu(name, before) : UIE_BAD_MENU;
}

int HeadlessBackend::NewMenuItem(int barId, int menuId, const char* name, int before, int shortcut,
                                 MenuCallbackPtr cb, void* data) {
    MenuBar* bar = menuBar(barId);
    return bar ? bar->addItem(menuId, name, before, shortcut, cb, data) : UIE_BAD_MENU;
}

int HeadlessBackend::InsertSeparator(int barId, int menuId, int before) {
    MenuBar* bar = menuBar(barId);
    return bar ? bar->addSeparator(menuId, before) : UIE_BAD_MENU;
}

int HeadlessBackend::SetMenuBarAttribute(int barId, int id, int attr, const AttrValue& v) {
    MenuBar* bar = menuBar(barId);
    return bar ? bar->setAttribute(id, attr, v) : UIE_BAD_MENU;
}

int HeadlessBackend::GetMenuBarAttribute(int barId, int id, int attr, void* out) {
    MenuBar* bar = menuBar(barId);
    return bar ? bar->getAttribute(id, attr, out) : UIE_BAD_MENU;
}

// Records the menu, takes the oldest menu answer and returns the item it
// names, 0 when dismissed or when the named item is dimmed or absent.
int HeadlessBackend::RunPopupMenu(int barId, int menuId, int panelId, int, int) {
    MenuBar* bar = menuBar(barId);
    Menu* m = bar ? bar->menu(menuId) : nullptr;
    if (!m) return UIE_BAD_MENU;
    if (panelId != 0 && !panel(panelId)) return UIE_BAD_PANEL;
    automation_.record(AUTO_POPUP_MENU, m->name, menuListing(m->items));
    std::optional<std::optional<std::string>> queued = automation_.takePopupMenu();
    if (!queued || !*queued) return 0;
    const std::string& answer = **queued;
    for (const MenuItem& item : m->items) {
        if (!item.separator && !item.dimmed && item.name == answer) {
            int id = item.id;
            if (item.callback) item.callback(barId, id, item.callbackData, panelId);
            return id;
        }
    }
    return 0;
}

// ---- Popups

int HeadlessBackend::MessagePopup(const char* title, const char* message) {
    automation_.record(AUTO_POPUP_MESSAGE, title, message);
    automation_.takeMessage();
    return 0;
}

int HeadlessBackend::ConfirmPopup(const char* title, const char* message) {
    automation_.record(AUTO_POPUP_CONFIRM, title, message);
    std::optional<int> yes = automation_.takeConfirm();
    return yes && *yes ? 1 : 0;
}

int HeadlessBackend::FileSelectPopup(const char*, const char*, const char* types, const char* title, int, int, int,
                                     int, int, char* path) {
    automation_.record(AUTO_POPUP_FILE_SELECT, title, types);
    path[0] = '\0';
    std::optional<AutomationLog::FileAnswer> answer = automation_.takeFileSelect();
    if (!answer) return VAL_NO_FILE_SELECTED;
    if (answer->result != VAL_EXISTING_FILE_SELECTED && answer->result != VAL_NEW_FILE_SELECTED)
        return VAL_NO_FILE_SELECTED;
    copyTruncated(answer->path, path, MAX_PATHNAME_LEN);
    return answer->result;
}

// ---- Clipboard

int HeadlessBackend::ClipboardPutText(const char* text) {
    clipboard_ = std::string(text);
    return 0;
}

int HeadlessBackend::ClipboardGetText(std::string& text, bool& available) {
    available = clipboard_.has_value();
    if (available) text = *clipboard_;
    return 0;
}

// ---- Automation

int HeadlessBackend::AutoTypeKey(int panelId, int controlId, int key) {
    int rc = 0;
    if (!control(panelId, controlId, &rc)) return rc;
    SetActivePanel(panelId);
    SetActiveCtrl(panelId, controlId);
    FakeKeystroke(key);
    return ProcessSystemEvents();
}

void HeadlessBackend::queueClick(int panelId, int controlId) {
    post([this, panelId, controlId] { click(panelId, controlId); });
}

int HeadlessBackend::AutoClick(int panelId, int controlId) {
    int rc = 0;
    if (!control(panelId, controlId, &rc)) return rc;
    queueClick(panelId, controlId);
    return ProcessSystemEvents();
}

int HeadlessBackend::AutoRightClick(int panelId, int controlId, int x, int y) {
    int rc = 0;
    if (!control(panelId, controlId, &rc)) return rc;
    post([this, panelId, controlId, x, y] {
        mouseX_ = x;
        mouseY_ = y;
        call(panelId, controlId, EVENT_RIGHT_CLICK, y, x);
    });
    return ProcessSystemEvents();
}

int HeadlessBackend::AutoClosePanel(int panelId) {
    if (!panel(panelId)) return UIE_BAD_PANEL;
    post([this, panelId] { closePanel(panelId); });
    return ProcessSystemEvents();
}

int HeadlessBackend::AutoDropFile(int panelId, const char* path) {
    if (!panel(panelId)) return UIE_BAD_PANEL;
    post([this, panelId, file = std::string(path)] {
        Panel* p = panel(panelId);
        if (!p) return;
        p->droppedFile = file;
        callPanel(panelId, EVENT_FILES_DROPPED, 1, 0);
        if ((p = panel(panelId))) p->droppedFile.clear();
    });
    return ProcessSystemEvents();
}

std::vector<int> HeadlessBackend::panelsTitled(std::string_view title) {
    std::vector<int> ids;
    for (const auto& p : panels_)
        if (p && p->title == title) ids.push_back(p->id);
    return ids;
}

int HeadlessBackend::AutoFindCtrl(int panelId, const char* label) {
    Panel* p = panel(panelId);
    if (!p) return UIE_BAD_PANEL;
    for (const auto& [id, c] : p->controls)
        if (c->labelText == label) return id;
    return UIE_BAD_CONTROL;
}

int HeadlessBackend::AutoRenderPanel(int panelId, const char*) {
    return panel(panelId) ? UIE_NOT_SUPPORTED : UIE_BAD_PANEL;
}

}  // namespace uirt::headless
