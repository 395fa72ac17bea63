// The headless backend: panels, controls, menus and the event queue in memory.
#ifndef UIRT_HEADLESS_H
#define UIRT_HEADLESS_H

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "attrs.h"
#include "automation.h"
#include "event_queue.h"
#include "menus.h"
#include "backend.h"
#include "textmodel.h"

namespace uirt::headless {

// A control; a text box is also what the shared text-box rules act on.
struct Control : CtrlData, TextBoxAccess {
    int id = 0;
    int top = 0, left = 0, width = 0, height = 0;
    int labelTop = 0, labelLeft = 0, labelWidth = 0, labelHeight = 0;
    bool dimmed = false;
    bool visible = true;
    int value = 0;             // numeric kinds
    TextModel text;            // text kinds
    int firstVisibleLine = 0;  // text box

    void reset(std::string_view t) override {
        text.reset(t);
        firstVisibleLine = 0;
    }
    void appendLine(std::string_view line) override { text.insertLine(-1, line); }
    void insertLineBefore(int index, std::string_view line) override { text.insertLine(index, line); }
    int lineCount() override { return text.lineCount(); }
    int textLength() override { return text.length(); }
    int lineStart(int index) override;
    int lineLength(int index) override;
    void copyLine(int index, char* buffer) override;
    int lineOfOffset(int offset) override { return text.lineOfOffset(offset); }
};

struct Panel : PanelData {
    int id = 0;
    int parent = 0;
    int top = 0, left = 0, height = 0, width = 0;
    bool visible = false;
    int activeCtrl = 0;
    int nextCtrlId = 1;
    std::map<int, std::unique_ptr<Control>> controls;
};

using MenuBar = MenuBarModel;

class HeadlessBackend final : public AutomatedBackend {
public:
    int NewPanel(int parent, const char* title, int top, int left, int height, int width) override;
    int DiscardPanel(int panel) override;
    int DisplayPanel(int panel) override;
    int HidePanel(int panel) override;
    int RunUserInterface() override;
    int QuitUserInterface(int code) override;
    int ProcessSystemEvents() override;
    int PostDeferredCall(DeferredCallbackPtr fn, void* data) override;

    int GetActivePanel() override;
    int SetActivePanel(int panel) override;
    int SetActiveCtrl(int panel, int control) override;
    int GetActiveCtrl(int panel) override;
    int DefaultCtrl(int panel, int control) override;
    int SetWaitCursor(int on) override;
    int GetWaitCursor() override;
    int FakeKeystroke(int key) override;
    int GetRelativeMouseState(int panel, int control, int* x, int* y, int* left, int* right,
                              int* modifiers) override;

    int NewCtrl(int panel, int kind, const char* label, int top, int left, int id) override;
    int DiscardCtrl(int panel, int control) override;
    int SetCtrlVal(int panel, int control, const AttrValue& v) override;
    int GetCtrlVal(int panel, int control, void* out) override;
    int SetCtrlAttribute(int panel, int control, int attr, const AttrValue& v) override;
    int GetCtrlAttribute(int panel, int control, int attr, void* out) override;
    int SetPanelAttribute(int panel, int attr, const AttrValue& v) override;
    int GetPanelAttribute(int panel, int attr, void* out) override;

    TextBoxAccess* textBox(int panel, int control, int* rc) override;

    int NewMenuBar(int panel) override;
    int DiscardMenuBar(int menuBar) override;
    int NewMenu(int menuBar, const char* name, int before) override;
    int NewMenuItem(int menuBar, int menu, const char* name, int before, int shortcut, MenuCallbackPtr cb,
                    void* data) override;
    int InsertSeparator(int menuBar, int menu, int before) override;
    int SetMenuBarAttribute(int menuBar, int item, int attr, const AttrValue& v) override;
    int GetMenuBarAttribute(int menuBar, int item, int attr, void* out) override;
    int RunPopupMenu(int menuBar, int menu, int panel, int top, int left) override;

    int MessagePopup(const char* title, const char* message) override;
    int ConfirmPopup(const char* title, const char* message) override;
    int FileSelectPopup(const char* dir, const char* fileSpec, const char* types, const char* title, int button,
                        int restrictDir, int restrictExt, int allowCancel, int allowMakeDir, char* path) override;

    int ClipboardPutText(const char* text) override;
    int ClipboardGetText(std::string& text, bool& available) override;

    int AutoTypeKey(int panel, int control, int key) override;
    int AutoClick(int panel, int control) override;
    int AutoRightClick(int panel, int control, int x, int y) override;
    int AutoClosePanel(int panel) override;
    int AutoDropFile(int panel, const char* path) override;
    int AutoFindCtrl(int panel, const char* label) override;
    int AutoRenderPanel(int panel, const char* pngPath) override;

protected:
    std::vector<int> panelsTitled(std::string_view title) override;
    void queueClick(int panel, int control) override;

private:
    std::vector<std::unique_ptr<Panel>> panels_;  // slot id - 1
    std::vector<int> activation_;                 // panel ids, most recently activated last
    std::vector<std::unique_ptr<MenuBar>> menuBars_;
    EventQueue events_;  // queued keys, clicks and deferred calls
    bool quitRequested_ = false;
    int quitCode_ = 0;
    int waitCursor_ = 0;
    int mouseX_ = 0, mouseY_ = 0;
    std::optional<std::string> clipboard_;

    Panel* panel(int id);
    Control* control(int panelId, int id);
    // Looks the control up; rc receives UIE_BAD_PANEL / UIE_BAD_CONTROL.
    Control* control(int panelId, int id, int* rc);
    MenuBar* menuBar(int id);

    bool runOne();
    void post(std::function<void()> run);
    void call(int panelId, int controlId, int event, int data1, int data2);
    void callPanel(int panelId, int event, int data1, int data2);
    void handleKey(int key);
    bool runShortcut(Panel& p, int focused, int key);
    bool controlHandlesKey(int panelId, int controlId, int key);
    void click(int panelId, int controlId);
    void closePanel(int panelId);
    EditContext editContext(Control& c);
    void scrollToCaret(Control& c);
    int visibleLines(const Control& c) const;
    int setCtrlAttr(Control& c, int attr, const AttrValue& v);
    int setCtrlValue(Control& c, const AttrValue& v);
};

}  // namespace uirt::headless

#endif  // UIRT_HEADLESS_H
