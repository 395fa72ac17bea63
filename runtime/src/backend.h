// The interface between the public C functions of uirt.h and a backend.
//
// api.cpp turns variadic arguments into AttrValue, checks initialisation,
// catches every exception and forwards to the one Backend chosen by
// InitUIRuntime; the text-box functions apply textbox.h to its text boxes. Files, CompareStrings, the callback registry and the resource
// loader are backend-independent and live beside api.cpp; LoadPanel builds its
// panel through NewPanel / NewCtrl / SetCtrlAttribute of the backend.
//
// A backend owns its panels, controls and menus. Methods return the same
// values as the C functions they serve (ids, 0, or negative UIE_* codes).
#ifndef UIRT_BACKEND_H
#define UIRT_BACKEND_H

#include <memory>
#include <string>

#include "textbox.h"
#include "uirt.h"
#include "uirt_auto.h"

namespace uirt {

// Type of an attribute's value, fixed per attribute number (attrs.cpp).
enum class AttrType { Int, String, Pointer, Value };
AttrType ctrlAttrType(int attribute);
AttrType panelAttrType(int attribute);
AttrType menuAttrType(int attribute);
// True for the kinds whose value is text.
bool isTextKind(int kind);

// One attribute value, as passed through the variadic C functions.
// For AttrType::Value the field used depends on the control kind.
struct AttrValue {
    int i = 0;
    const char* s = nullptr;
    void* p = nullptr;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Panels and the loop
    virtual int NewPanel(int parent, const char* title, int top, int left, int height, int width) = 0;
    virtual int DiscardPanel(int panel) = 0;
    virtual int DisplayPanel(int panel) = 0;
    virtual int HidePanel(int panel) = 0;
    virtual int RunUserInterface() = 0;
    virtual int QuitUserInterface(int code) = 0;
    virtual int ProcessSystemEvents() = 0;
    virtual int PostDeferredCall(DeferredCallbackPtr fn, void* data) = 0;

    // Focus and input
    virtual int GetActivePanel() = 0;
    virtual int SetActivePanel(int panel) = 0;
    virtual int SetActiveCtrl(int panel, int control) = 0;
    virtual int GetActiveCtrl(int panel) = 0;
    virtual int DefaultCtrl(int panel, int control) = 0;
    virtual int SetWaitCursor(int on) = 0;
    virtual int GetWaitCursor() = 0;
    virtual int FakeKeystroke(int key) = 0;
    virtual int SetKeyPressEventKey(int eventData2, int key) = 0;
    virtual int GetRelativeMouseState(int panel, int control, int* x, int* y, int* left, int* right,
                                      int* modifiers) = 0;

    // Controls and attributes (string values arrive as Windows-1251 bytes)
    // id 0 gives the next free id; a positive id asks for that id (UIE_BAD_VALUE
    // when it is in use or not below INT_MAX). Ids given afterwards continue
    // after the largest id given so far (claimCtrlId in attrs.h does the counting).
    virtual int NewCtrl(int panel, int kind, const char* label, int top, int left, int id) = 0;
    virtual int DiscardCtrl(int panel, int control) = 0;
    virtual int SetCtrlVal(int panel, int control, const AttrValue& v) = 0;
    virtual int GetCtrlVal(int panel, int control, void* out) = 0;
    virtual int SetCtrlAttribute(int panel, int control, int attr, const AttrValue& v) = 0;
    virtual int GetCtrlAttribute(int panel, int control, int attr, void* out) = 0;
    virtual int SetPanelAttribute(int panel, int attr, const AttrValue& v) = 0;
    virtual int GetPanelAttribute(int panel, int attr, void* out) = 0;

    // Text boxes: the text box control of panel, or null with rc set to
    // UIE_BAD_PANEL or UIE_BAD_CONTROL (also for a control of another kind).
    // The text-box functions of uirt.h act on it through textbox.h.
    virtual TextBoxAccess* textBox(int panel, int control, int* rc) = 0;

    // Menus
    virtual int NewMenuBar(int panel) = 0;
    virtual int DiscardMenuBar(int menuBar) = 0;
    virtual int NewMenu(int menuBar, const char* name, int before) = 0;
    virtual int NewMenuItem(int menuBar, int menu, const char* name, int before, int shortcut,
                            MenuCallbackPtr cb, void* data) = 0;
    virtual int InsertSeparator(int menuBar, int menu, int before) = 0;
    virtual int SetMenuBarAttribute(int menuBar, int item, int attr, const AttrValue& v) = 0;
    virtual int GetMenuBarAttribute(int menuBar, int item, int attr, void* out) = 0;
    virtual int RunPopupMenu(int menuBar, int menu, int panel, int top, int left) = 0;

    // Popups
    virtual int MessagePopup(const char* title, const char* message) = 0;
    virtual int ConfirmPopup(const char* title, const char* message) = 0;
    virtual int FileSelectPopup(const char* dir, const char* fileSpec, const char* types, const char* title,
                                int button, int restrictDir, int restrictExt, int allowCancel,
                                int allowMakeDir, char* path) = 0;

    // Clipboard
    virtual int ClipboardPutText(const char* text) = 0;
    virtual int ClipboardGetText(std::string& text, bool& available) = 0;

    // Automation (uirt_auto.h); answer queues and the popup log are kept by
    // the backend because only it knows when a popup opens.
    virtual int AutoAnswerMessage() = 0;
    virtual int AutoAnswerConfirm(int yes) = 0;
    virtual int AutoAnswerFileSelect(int result, const char* path) = 0;
    virtual int AutoAnswerPopupMenu(const char* itemName) = 0;
    virtual int AutoAnswerPanel(const char* title, const char* label) = 0;
    virtual int AutoClearAnswers() = 0;
    virtual int AutoPopupCount() = 0;
    virtual int AutoGetPopup(int index, int* kind, char* title, int titleSize, char* text, int textSize) = 0;
    virtual int AutoClearPopupLog() = 0;
    virtual int AutoTypeKey(int panel, int control, int key) = 0;
    virtual int AutoClick(int panel, int control) = 0;
    virtual int AutoRightClick(int panel, int control, int x, int y) = 0;
    virtual int AutoClosePanel(int panel) = 0;
    virtual int AutoDropFile(int panel, const char* path) = 0;
    virtual int AutoFindPanel(const char* title) = 0;
    virtual int AutoFindCtrl(int panel, const char* label) = 0;
    virtual int AutoFindPanelWithCtrl(const char* title, const char* label) = 0;
    virtual int AutoRenderPanel(int panel, const char* pngPath) = 0;
};

std::unique_ptr<Backend> makeHeadlessBackend();

// The Qt backend lives in its own shared library, libuirt-qt, loaded on
// demand so that headless programs never load Qt. It exports this C symbol:
//     extern "C" uirt::Backend* uirt_qt_create_backend(int argc, char** argv);
// which returns a new backend, or null when Qt cannot start (no display).
using QtBackendFactory = Backend* (*)(int argc, char** argv);
inline constexpr const char* kQtBackendLibrary = "libuirt-qt.so";
inline constexpr const char* kQtBackendFactory = "uirt_qt_create_backend";

}  // namespace uirt

#endif  // UIRT_BACKEND_H
