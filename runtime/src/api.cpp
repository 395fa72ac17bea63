// The C functions of uirt.h and uirt_auto.h: argument decoding, the exception
// guard, and forwarding to the backend chosen by InitUIRuntime.
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "attrs.h"
#include "cp1251.h"
#include "core.h"

namespace uirt {
namespace {

// The run-time's one global state: the backend chosen by InitUIRuntime. The
// backend lives until the process ends (a Qt backend must not be torn down
// by static destructors after Qt's own).
struct Runtime {
    Backend* backend = nullptr;
    int kind = -1;
    int breakOnProtection = 1;
};
Runtime g_runtime;

// Runs f with the backend, or returns UIE_NOT_INITIALISED.
template <class F>
int withBackend(F&& f) noexcept {
    Backend* b = g_runtime.backend;
    if (!b) return UIE_NOT_INITIALISED;
    return guarded([&] { return f(*b); });
}

// Runs f with the text box of panel, or returns why there is none.
template <class F>
int withTextBox(int panel, int control, F&& f) noexcept {
    return withBackend([&](Backend& b) {
        int rc = 0;
        TextBoxAccess* box = b.textBox(panel, control, &rc);
        return box ? f(*box) : rc;
    });
}

std::string libraryDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&InitUIRuntime), &info) == 0 || !info.dli_fname) return {};
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

Backend* loadQtBackend(int argc, char** argv) {
    std::string path = libraryDirectory() + kQtBackendLibrary;
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "uirt: cannot load the Qt backend: %s\n", dlerror());
        return nullptr;
    }
    auto factory = reinterpret_cast<QtBackendFactory>(dlsym(lib, kQtBackendFactory));
    if (!factory) {
        std::fprintf(stderr, "uirt: %s has no %s\n", path.c_str(), kQtBackendFactory);
        return nullptr;
    }
    return factory(argc, argv);
}

// Reads one variadic attribute argument of the given type. Value-typed
// attributes take text or an int according to the control kind.
AttrValue readArg(va_list* ap, AttrType type, int kind) {
    AttrValue v;
    if (type == AttrType::Value) type = isTextKind(kind) ? AttrType::String : AttrType::Int;
    switch (type) {
    case AttrType::String: v.s = va_arg(*ap, const char*); break;
    case AttrType::Pointer: v.p = va_arg(*ap, void*); break;
    default: v.i = va_arg(*ap, int); break;
    }
    return v;
}

int ctrlKind(Backend& b, int panel, int control, int* kind) {
    return b.GetCtrlAttribute(panel, control, ATTR_CTRL_KIND, kind);
}

// Copies a callback's registered name into the caller's buffer.
int callbackName(CtrlCallbackPtr fn, void* out) {
    if (!out) return UIE_BAD_VALUE;
    copyName(registry::nameOf(fn), out);
    return 0;
}

}  // namespace
}  // namespace uirt

using uirt::AttrType;
using uirt::AttrValue;
using uirt::Backend;
using uirt::guarded;
using uirt::withBackend;
using uirt::isTextKind;

extern "C" {

UIRT_API int InitUIRuntime(int argc, char* argv[], int backend) {
    auto& rt = uirt::g_runtime;
    return guarded<int>(0, 0, [&]() -> int {
        if (rt.backend) return rt.kind == backend ? 1 : 0;
        Backend* b = nullptr;
        if (backend == UIRT_BACKEND_HEADLESS) b = uirt::makeHeadlessBackend().release();
        else if (backend == UIRT_BACKEND_QT) b = uirt::loadQtBackend(argc, argv);
        if (!b) return 0;
        rt.backend = b;
        rt.kind = backend;
        return 1;
    });
}

UIRT_API int GetUIRuntimeBackend(void) { return uirt::g_runtime.kind; }

UIRT_API int RegisterUICallback(const char* name, CtrlCallbackPtr function) {
    return guarded([&] { return uirt::registry::add(name, function); });
}

// ---- Panels and the loop
UIRT_API int LoadPanel(int parentPanel, const char* fileName, int resourceId) {
    return withBackend([&](Backend& b) { return uirt::loadPanel(b, parentPanel, fileName, resourceId); });
}
UIRT_API int NewPanel(int parentPanel, const char* title, int top, int left, int height, int width) {
    return withBackend([&](Backend& b) { return b.NewPanel(parentPanel, title ? title : "", top, left, height, width); });
}
UIRT_API int DiscardPanel(int panel) {
    return withBackend([&](Backend& b) { return b.DiscardPanel(panel); });
}
UIRT_API int DisplayPanel(int panel) {
    return withBackend([&](Backend& b) { return b.DisplayPanel(panel); });
}
UIRT_API int HidePanel(int panel) {
    return withBackend([&](Backend& b) { return b.HidePanel(panel); });
}
UIRT_API int RunUserInterface(void) {
    return withBackend([&](Backend& b) { return b.RunUserInterface(); });
}
UIRT_API int QuitUserInterface(int returnCode) {
    return withBackend([&](Backend& b) { return b.QuitUserInterface(returnCode); });
}
UIRT_API int ProcessSystemEvents(void) {
    return withBackend([&](Backend& b) { return b.ProcessSystemEvents(); });
}
UIRT_API int PostDeferredCall(DeferredCallbackPtr function, void* callbackData) {
    if (!function) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) { return b.PostDeferredCall(function, callbackData); });
}

// ---- Focus and input
UIRT_API int GetActivePanel(void) {
    return withBackend([&](Backend& b) { return b.GetActivePanel(); });
}
UIRT_API int SetActivePanel(int panel) {
    return withBackend([&](Backend& b) { return b.SetActivePanel(panel); });
}
UIRT_API int SetActiveCtrl(int panel, int control) {
    return withBackend([&](Backend& b) { return b.SetActiveCtrl(panel, control); });
}
UIRT_API int GetActiveCtrl(int panel) {
    return withBackend([&](Backend& b) { return b.GetActiveCtrl(panel); });
}
UIRT_API int DefaultCtrl(int panel, int control) {
    return withBackend([&](Backend& b) { return b.DefaultCtrl(panel, control); });
}
UIRT_API int SetWaitCursor(int on) {
    return withBackend([&](Backend& b) { return b.SetWaitCursor(on); });
}
UIRT_API int GetWaitCursor(void) {
    return withBackend([&](Backend& b) { return b.GetWaitCursor(); });
}
UIRT_API int FakeKeystroke(int keyCode) {
    return withBackend([&](Backend& b) { return b.FakeKeystroke(keyCode); });
}
UIRT_API int SetKeyPressEventKey(int eventData2, int keyCode) {
    return withBackend([&](Backend& b) { return b.SetKeyPressEventKey(eventData2, keyCode); });
}
UIRT_API int GetRelativeMouseState(int panel, int control, int* x, int* y, int* leftButton, int* rightButton,
                                   int* keyModifiers) {
    return withBackend([&](Backend& b) {
        return b.GetRelativeMouseState(panel, control, x, y, leftButton, rightButton, keyModifiers);
    });
}

// ---- Controls
UIRT_API int NewCtrl(int panel, int kind, const char* label, int top, int left) {
    return withBackend([&](Backend& b) { return b.NewCtrl(panel, kind, label ? label : "", top, left, 0); });
}
UIRT_API int DiscardCtrl(int panel, int control) {
    return withBackend([&](Backend& b) { return b.DiscardCtrl(panel, control); });
}

UIRT_API int SetCtrlVal(int panel, int control, ...) {
    va_list ap;
    va_start(ap, control);
    int r = withBackend([&](Backend& b) {
        int kind = 0;
        int rc = uirt::ctrlKind(b, panel, control, &kind);
        if (rc < 0) return rc;
        AttrValue v = uirt::readArg(&ap, AttrType::Value, kind);
        if (isTextKind(kind) && !v.s) return UIE_BAD_VALUE;
        return b.SetCtrlVal(panel, control, v);
    });
    va_end(ap);
    return r;
}

UIRT_API int GetCtrlVal(int panel, int control, void* value) {
    if (!value) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) { return b.GetCtrlVal(panel, control, value); });
}

UIRT_API int SetCtrlAttribute(int panel, int control, int attribute, ...) {
    va_list ap;
    va_start(ap, attribute);
    int r = withBackend([&](Backend& b) {
        if (attribute == ATTR_CALLBACK_NAME || attribute == ATTR_CTRL_KIND ||
            attribute == ATTR_STRING_TEXT_LENGTH || attribute == ATTR_VISIBLE_LINES)
            return UIE_BAD_ATTRIBUTE;
        int kind = 0;
        int rc = uirt::ctrlKind(b, panel, control, &kind);
        if (rc < 0) return rc;
        AttrType type = uirt::ctrlAttrType(attribute);
        AttrValue v = uirt::readArg(&ap, type, kind);
        if (type == AttrType::String && !v.s) return UIE_BAD_VALUE;
        if (type == AttrType::Value && isTextKind(kind) && !v.s) return UIE_BAD_VALUE;
        return b.SetCtrlAttribute(panel, control, attribute, v);
    });
    va_end(ap);
    return r;
}

UIRT_API int GetCtrlAttribute(int panel, int control, int attribute, void* value) {
    if (!value) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) {
        if (attribute == ATTR_CALLBACK_NAME) {
            CtrlCallbackPtr fn = nullptr;
            int rc = b.GetCtrlAttribute(panel, control, ATTR_CALLBACK_FUNCTION_POINTER, &fn);
            return rc < 0 ? rc : uirt::callbackName(fn, value);
        }
        return b.GetCtrlAttribute(panel, control, attribute, value);
    });
}

UIRT_API int SetPanelAttribute(int panel, int attribute, ...) {
    va_list ap;
    va_start(ap, attribute);
    int r = withBackend([&](Backend& b) {
        if (attribute == ATTR_CALLBACK_NAME) return UIE_BAD_ATTRIBUTE;
        AttrType type = uirt::panelAttrType(attribute);
        AttrValue v = uirt::readArg(&ap, type, 0);
        if (type == AttrType::String && !v.s) return UIE_BAD_VALUE;
        return b.SetPanelAttribute(panel, attribute, v);
    });
    va_end(ap);
    return r;
}

UIRT_API int GetPanelAttribute(int panel, int attribute, void* value) {
    if (!value) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) {
        if (attribute == ATTR_CALLBACK_NAME) {
            CtrlCallbackPtr fn = nullptr;
            int rc = b.GetPanelAttribute(panel, ATTR_CALLBACK_FUNCTION_POINTER, &fn);
            return rc < 0 ? rc : uirt::callbackName(fn, value);
        }
        return b.GetPanelAttribute(panel, attribute, value);
    });
}

// ---- Text boxes

UIRT_API int ResetTextBox(int panel, int control, const char* text) {
    return uirt::withTextBox(panel, control, [&](uirt::TextBoxAccess& box) { return uirt::textbox::reset(box, text); });
}
UIRT_API int InsertTextBoxLine(int panel, int control, int index, const char* text) {
    return uirt::withTextBox(panel, control,
                             [&](uirt::TextBoxAccess& box) { return uirt::textbox::insertLine(box, index, text); });
}
UIRT_API int GetNumTextBoxLines(int panel, int control, int* count) {
    if (!count) return UIE_BAD_VALUE;
    return uirt::withTextBox(panel, control, [&](uirt::TextBoxAccess& box) { return uirt::textbox::lineCount(box, count); });
}
UIRT_API int GetTextBoxLine(int panel, int control, int index, char* buffer) {
    if (!buffer) return UIE_BAD_VALUE;
    return uirt::withTextBox(panel, control,
                             [&](uirt::TextBoxAccess& box) { return uirt::textbox::line(box, index, buffer); });
}
UIRT_API int GetTextBoxLineLength(int panel, int control, int index, int* length) {
    if (!length) return UIE_BAD_VALUE;
    return uirt::withTextBox(panel, control,
                             [&](uirt::TextBoxAccess& box) { return uirt::textbox::lineLength(box, index, length); });
}
UIRT_API int GetTextBoxLineOffset(int panel, int control, int index, int* offset) {
    if (!offset) return UIE_BAD_VALUE;
    return uirt::withTextBox(panel, control,
                             [&](uirt::TextBoxAccess& box) { return uirt::textbox::lineOffset(box, index, offset); });
}
UIRT_API int GetTextBoxLineIndexFromOffset(int panel, int control, int offset, int* index) {
    if (!index) return UIE_BAD_VALUE;
    return uirt::withTextBox(panel, control,
                             [&](uirt::TextBoxAccess& box) { return uirt::textbox::lineOfOffset(box, offset, index); });
}

// ---- Menus
UIRT_API int NewMenuBar(int panel) {
    return withBackend([&](Backend& b) { return b.NewMenuBar(panel); });
}
UIRT_API int DiscardMenuBar(int menuBar) {
    return withBackend([&](Backend& b) { return b.DiscardMenuBar(menuBar); });
}
UIRT_API int NewMenu(int menuBar, const char* name, int beforeMenu) {
    return withBackend([&](Backend& b) { return b.NewMenu(menuBar, name ? name : "", beforeMenu); });
}
UIRT_API int NewMenuItem(int menuBar, int menu, const char* name, int beforeItem, int shortcutKey,
                         MenuCallbackPtr callback, void* callbackData) {
    return withBackend([&](Backend& b) {
        return b.NewMenuItem(menuBar, menu, name ? name : "", beforeItem, shortcutKey, callback, callbackData);
    });
}
UIRT_API int InsertSeparator(int menuBar, int menu, int beforeItem) {
    return withBackend([&](Backend& b) { return b.InsertSeparator(menuBar, menu, beforeItem); });
}
UIRT_API int SetMenuBarAttribute(int menuBar, int menuOrItem, int attribute, ...) {
    va_list ap;
    va_start(ap, attribute);
    int r = withBackend([&](Backend& b) {
        AttrType type = uirt::menuAttrType(attribute);
        AttrValue v = uirt::readArg(&ap, type, 0);
        if (type == AttrType::String && !v.s) return UIE_BAD_VALUE;
        return b.SetMenuBarAttribute(menuBar, menuOrItem, attribute, v);
    });
    va_end(ap);
    return r;
}
UIRT_API int GetMenuBarAttribute(int menuBar, int menuOrItem, int attribute, void* value) {
    if (!value) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) { return b.GetMenuBarAttribute(menuBar, menuOrItem, attribute, value); });
}
UIRT_API int RunPopupMenu(int menuBar, int menu, int panel, int top, int left, int, int, int, int) {
    return withBackend([&](Backend& b) { return b.RunPopupMenu(menuBar, menu, panel, top, left); });
}

// ---- Popups
UIRT_API int MessagePopup(const char* title, const char* message) {
    return withBackend([&](Backend& b) { return b.MessagePopup(title ? title : "", message ? message : ""); });
}
UIRT_API int ConfirmPopup(const char* title, const char* message) {
    return withBackend([&](Backend& b) { return b.ConfirmPopup(title ? title : "", message ? message : ""); });
}
namespace {
using namespace cp1251::literals;
// The question asked before a save replaces an existing file.
std::string replaceQuestion(const char* path) {
    const char* slash = std::strrchr(path, '/');
    std::string text = "Файл «"_cp1251;
    text += slash ? slash + 1 : path;
    text += "» уже существует.\nЗаменить его?"_cp1251;
    return text;
}
}  // namespace

UIRT_API int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec, const char* fileTypeList,
                             const char* title, int buttonLabel, int restrictDirectory, int restrictExtension,
                             int allowCancel, int allowMakeDirectory, char* pathName) {
    if (!pathName) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) {
        for (;;) {
            const int rc = b.FileSelectPopup(defaultDirectory ? defaultDirectory : "",
                                             defaultFileSpec ? defaultFileSpec : "", fileTypeList ? fileTypeList : "",
                                             title ? title : "", buttonLabel, restrictDirectory, restrictExtension,
                                             allowCancel, allowMakeDirectory, pathName);
            // Saving over an existing file is confirmed first; a "no" asks for
            // another name, as desktop save dialogs do.
            if (buttonLabel != VAL_SAVE_BUTTON || rc != VAL_EXISTING_FILE_SELECTED) return rc;
            const std::string question = replaceQuestion(pathName);
            if (b.ConfirmPopup(std::string("Подтверждение"_cp1251).c_str(), question.c_str())) return rc;
        }
    });
}

// ---- Clipboard
UIRT_API int ClipboardPutText(const char* text) {
    return withBackend([&](Backend& b) { return b.ClipboardPutText(text ? text : ""); });
}
UIRT_API int ClipboardGetText(char** text, int* available) {
    if (!text) return UIE_BAD_VALUE;
    *text = nullptr;
    if (available) *available = 0;
    return withBackend([&](Backend& b) {
        std::string got;
        bool has = false;
        int rc = b.ClipboardGetText(got, has);
        if (rc < 0 || !has) return rc;
        char* copy = static_cast<char*>(std::malloc(got.size() + 1));
        if (!copy) return UIE_OUT_OF_MEMORY;
        std::memcpy(copy, got.c_str(), got.size() + 1);
        *text = copy;
        if (available) *available = 1;
        return 0;
    });
}

UIRT_API int SetBreakOnProtectionErrors(int on) {
    int previous = uirt::g_runtime.breakOnProtection;
    uirt::g_runtime.breakOnProtection = on != 0;
    return previous;
}

// ---- Automation
UIRT_API int AutoAnswerMessage(void) {
    return withBackend([&](Backend& b) { return b.AutoAnswerMessage(); });
}
UIRT_API int AutoAnswerConfirm(int yes) {
    return withBackend([&](Backend& b) { return b.AutoAnswerConfirm(yes); });
}
UIRT_API int AutoAnswerFileSelect(int result, const char* path) {
    return withBackend([&](Backend& b) { return b.AutoAnswerFileSelect(result, path ? path : ""); });
}
UIRT_API int AutoAnswerPopupMenu(const char* itemName) {
    return withBackend([&](Backend& b) { return b.AutoAnswerPopupMenu(itemName); });
}
UIRT_API int AutoAnswerPanel(const char* title, const char* label) {
    if (!title || !label) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) { return b.AutoAnswerPanel(title, label); });
}
UIRT_API int AutoClearAnswers(void) {
    return withBackend([&](Backend& b) { return b.AutoClearAnswers(); });
}
UIRT_API int AutoPopupCount(void) {
    return withBackend([&](Backend& b) { return b.AutoPopupCount(); });
}
UIRT_API int AutoGetPopup(int index, int* kind, char* title, int titleSize, char* text, int textSize) {
    return withBackend([&](Backend& b) { return b.AutoGetPopup(index, kind, title, titleSize, text, textSize); });
}
UIRT_API int AutoClearPopupLog(void) {
    return withBackend([&](Backend& b) { return b.AutoClearPopupLog(); });
}
UIRT_API int AutoTypeKey(int panel, int control, int keyCode) {
    return withBackend([&](Backend& b) { return b.AutoTypeKey(panel, control, keyCode); });
}
UIRT_API int AutoTypeText(int panel, int control, const char* text) {
    if (!text) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) {
        for (const char* p = text; *p; ++p) {
            int key = *p == '\n' ? VAL_ENTER_VKEY : *p == '\t' ? VAL_TAB_VKEY : static_cast<unsigned char>(*p);
            int rc = b.AutoTypeKey(panel, control, key);
            if (rc < 0) return rc;
        }
        return 0;
    });
}
UIRT_API int AutoClick(int panel, int control) {
    return withBackend([&](Backend& b) { return b.AutoClick(panel, control); });
}
UIRT_API int AutoRightClick(int panel, int control, int x, int y) {
    return withBackend([&](Backend& b) { return b.AutoRightClick(panel, control, x, y); });
}
UIRT_API int AutoClosePanel(int panel) {
    return withBackend([&](Backend& b) { return b.AutoClosePanel(panel); });
}
UIRT_API int AutoDropFile(int panel, const char* path) {
    if (!path) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) { return b.AutoDropFile(panel, path); });
}
UIRT_API int AutoFindPanel(const char* title) {
    if (!title) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) { return b.AutoFindPanel(title); });
}
UIRT_API int AutoFindCtrl(int panel, const char* label) {
    if (!label) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) { return b.AutoFindCtrl(panel, label); });
}
UIRT_API int AutoFindPanelWithCtrl(const char* title, const char* label) {
    if (!title || !label) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) { return b.AutoFindPanelWithCtrl(title, label); });
}
UIRT_API int AutoRenderPanel(int panel, const char* pngPath) {
    if (!pngPath) return UIE_BAD_VALUE;
    return withBackend([&](Backend& b) { return b.AutoRenderPanel(panel, pngPath); });
}

}  // extern "C"
