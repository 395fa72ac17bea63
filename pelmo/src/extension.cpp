// ExtendTextBox and the extended box's callback: the context menu, the key
// commands, block indenting and automatic indentation.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "cp1251.h"
#include "pelmo_ui.h"
#include "uirt.h"

using namespace cp1251::literals;

namespace pelmo {
namespace {

constexpr int kMinHistorySize = 4096;
constexpr int kIndent = 4;

constexpr int kCtrl = VAL_MENUKEY_MODIFIER;
constexpr int kShift = VAL_SHIFT_MODIFIER;
constexpr int kCutKey = kCtrl | 'X';
constexpr int kCopyKey = kCtrl | 'C';
constexpr int kPasteKey = kCtrl | 'V';
constexpr int kFindKey = kCtrl | 'F';
constexpr int kReplaceKey = kCtrl | 'H';
constexpr int kUndoKey = kCtrl | 'Z';
constexpr int kRedoKey = kCtrl | VAL_BACKSPACE_VKEY;
constexpr int kRedoKeyY = kCtrl | 'Y';
constexpr int kRedoKeyShiftZ = kCtrl | kShift | 'Z';
constexpr int kStartKey = kCtrl | VAL_HOME_VKEY;
constexpr int kEndKey = kCtrl | VAL_END_VKEY;

// Offset of a line's first byte; 0 for line 0 of an empty box, which has no lines.
int lineStart(int panel, int control, int line) {
    int offset = 0;
    if (GetTextBoxLineOffset(panel, control, line, &offset) < 0) return 0;
    return offset;
}

void focus(int panel, int control) {
    SetActivePanel(panel);
    SetActiveCtrl(panel, control);
}

void fakeKeys(int key, int count) {
    for (int i = 0; i < count; ++i) FakeKeystroke(key);
}

// A line of the box, read into a block that grows as needed. The block
// always keeps room for the line's terminating zero.
class LineBuffer {
public:
    explicit LineBuffer(size_t size) : text_(static_cast<char*>(std::malloc(size))), size_(text_ ? size : 0) {}
    ~LineBuffer() { std::free(text_); }
    LineBuffer(const LineBuffer&) = delete;
    LineBuffer& operator=(const LineBuffer&) = delete;
    bool ok() const { return text_ != nullptr; }
    // Reads line `line`; false when it cannot be read or the block not grown.
    bool read(int panel, int control, int line, size_t extra) {
        int length = 0;
        if (GetTextBoxLineLength(panel, control, line, &length) < 0) return false;
        if (static_cast<size_t>(length) >= size_) {
            char* grown = static_cast<char*>(std::realloc(text_, static_cast<size_t>(length) + extra));
            if (!grown) return false;
            text_ = grown;
            size_ = static_cast<size_t>(length) + extra;
        }
        if (GetTextBoxLine(panel, control, line, text_) < 0) return false;
        text_[length] = '\0';
        return true;
    }
    // Leading spaces of the line read, at most `most`.
    int leadingSpaces(int most) const {
        int n = 0;
        while (n < most && text_[n] == ' ') ++n;
        return n;
    }

private:
    char* text_;
    size_t size_;
};

// Ends the recording pause of a block indent, once its keys were handled
// and its lines selected again.
void ResumeAfterIndent(void* callbackData) {
    auto* h = static_cast<UndoHistory*>(callbackData);
    if (undo::IsLive(h)) undo::ResumeRecording(h);
}

// Tab and Shift+Tab (the key itself is already cancelled). A block indent or
// unindent is recorded as one edit.
void indent(int panel, int control, UndoHistory* h, int key) {
    const int a = ctrlInt(panel, control, ATTR_TEXT_SELECTION_START);
    const int b = a + ctrlInt(panel, control, ATTR_TEXT_SELECTION_LENGTH);
    const int firstLine = lineOf(panel, control, a);
    int lastLine = lineOf(panel, control, b);
    const int col = a - lineStart(panel, control, firstLine);
    const int endCol = b - lineStart(panel, control, lastLine);
    const int modifiers = key & VAL_MODIFIER_MASK;

    if (modifiers == 0 && firstLine == lastLine) {
        fakeKeys(' ', kIndent - col % kIndent);
        return;
    }
    if (firstLine == lastLine || (modifiers != 0 && modifiers != kShift)) return;

    // A block: a selection that ends at the start of a line leaves that line out.
    if (endCol == 0) --lastLine;
    undo::PauseRecording(h);
    // The keys act on the caret's line; it starts at the block's first line.
    SetCtrlAttribute(panel, control, ATTR_TEXT_SELECTION_LENGTH, 0);
    SetCtrlAttribute(panel, control, ATTR_TEXT_SELECTION_START, lineStart(panel, control, firstLine));
    if (modifiers == 0) {
        for (int line = firstLine; line <= lastLine; ++line) {
            FakeKeystroke(VAL_HOME_VKEY);
            fakeKeys(' ', kIndent);
            FakeKeystroke(VAL_DOWN_ARROW_VKEY);
        }
    } else {
        LineBuffer buffer(1024);
        bool stopped = !buffer.ok();
        for (int line = firstLine; line <= lastLine && !stopped; ++line) {
            FakeKeystroke(VAL_HOME_VKEY);
            stopped = !buffer.read(panel, control, line, 256);
            if (stopped) break;
            fakeKeys(VAL_FWD_DELETE_VKEY, buffer.leadingSpaces(kIndent));
            FakeKeystroke(VAL_DOWN_ARROW_VKEY);
        }
        if (stopped) {
            // The keys faked so far are recorded as they come.
            undo::ResumeRecording(h);
            return;
        }
    }
    int* data = ui().TabDefCbData;
    data[0] = panel;
    data[1] = control;
    data[2] = firstLine;
    data[3] = lastLine;
    ProcessSystemEvents();
    PostDeferredCall(ReselectLines, data);
    if (h && PostDeferredCall(ResumeAfterIndent, h) < 0) undo::ResumeRecording(h);
}

// The box's selection when it lies within one line and fits a search field;
// "" otherwise.
std::string selectedLine(int panel, int control) {
    const int start = ctrlInt(panel, control, ATTR_TEXT_SELECTION_START);
    const int length = ctrlInt(panel, control, ATTR_TEXT_SELECTION_LENGTH);
    const int line = lineOf(panel, control, start);
    int lineLength = 0;
    if (length <= 0 || length > 255 || lineOf(panel, control, start + length) != line ||
        GetTextBoxLineLength(panel, control, line, &lineLength) < 0)
        return {};
    std::string text(static_cast<size_t>(lineLength) + 1, '\0');
    const int column = start - lineStart(panel, control, line);
    if (GetTextBoxLine(panel, control, line, text.data()) < 0 || column < 0 || column + length > lineLength)
        return {};
    return text.substr(static_cast<size_t>(column), static_cast<size_t>(length));
}

// Shows a Find dialog for the box, above the box's window, with the search
// field focused and its text selected, so that typing replaces it. A
// selection within one line becomes the text to search for.
void openDialog(int dialog, int search, int panel, int control, UndoHistory* h) {
    setTarget(panel, control, h);
    if (const std::string selected = selectedLine(panel, control); !selected.empty())
        SetCtrlVal(dialog, search, selected.c_str());
    SetPanelAttribute(dialog, ATTR_OWNER_PANEL, panel);
    DisplayPanel(dialog);
    SetActiveCtrl(dialog, search);
    SetCtrlAttribute(dialog, search, ATTR_TEXT_SELECTION_START, 0);
    SetCtrlAttribute(dialog, search, ATTR_TEXT_SELECTION_LENGTH, ctrlInt(dialog, search, ATTR_STRING_TEXT_LENGTH));
}

void openFind(int panel, int control, UndoHistory* h) {
    openDialog(ui().FindPanel.panel, ui().FindPanel.search, panel, control, h);
}

void openReplace(int panel, int control, UndoHistory* h) {
    openDialog(ui().ReplacePanel.panel, ui().ReplacePanel.search, panel, control, h);
}

void keyPress(int panel, int control, UndoHistory* h, int key, int keyEvent) {
    Ui& u = ui();
    if (u.Asking) {
        // A replace question waits: no key reaches a box, the question keeps the keyboard.
        SetKeyPressEventKey(keyEvent, 0);
        SetActivePanel(u.AskPanel.panel);
        return;
    }
    if (key == VAL_ENTER_VKEY) {
        const int start = ctrlInt(panel, control, ATTR_TEXT_SELECTION_START);
        if (start != 0) {
            u.EnterDefCbData[0] = panel;
            u.EnterDefCbData[1] = control;
            u.EnterDefCbData[2] = lineOf(panel, control, start);
            ProcessSystemEvents();
            PostDeferredCall(AutoIndent, u.EnterDefCbData);
        }
    } else if ((key & VAL_VKEY_MASK) == VAL_TAB_VKEY) {
        SetKeyPressEventKey(keyEvent, 0);
        indent(panel, control, h, key);
    } else if (key == VAL_F3_VKEY) {
        setTarget(panel, control, h);
        FindNext(u.FindPanel.panel, u.FindPanel.find, EVENT_COMMIT, nullptr, 0, 0);
    } else if (key == kFindKey) {
        openFind(panel, control, h);
    } else if (key == kReplaceKey) {
        openReplace(panel, control, h);
    } else if (key == kUndoKey) {
        undo_Undo(h);
    } else if (key == kRedoKey || key == kRedoKeyY || key == kRedoKeyShiftZ) {
        undo_Redo(h);
        SetKeyPressEventKey(keyEvent, 0);
    } else if (key == kStartKey) {
        SetCtrlAttribute(panel, control, ATTR_TEXT_SELECTION_START, 0);
        SetCtrlAttribute(panel, control, ATTR_TEXT_SELECTION_LENGTH, 0);
    } else if (key == kEndKey) {
        SetCtrlAttribute(panel, control, ATTR_TEXT_SELECTION_START, ctrlInt(panel, control, ATTR_STRING_TEXT_LENGTH));
        SetCtrlAttribute(panel, control, ATTR_TEXT_SELECTION_LENGTH, 0);
    }
}

void contextMenu(int panel, int control, UndoHistory* h) {
    Ui& u = ui();
    if (u.Asking) {
        SetActivePanel(u.AskPanel.panel);
        return;
    }
    int x = 0, y = 0;
    GetRelativeMouseState(panel, 0, &x, &y, nullptr, nullptr, nullptr);
    const EditMenuIds& m = h ? u.EditMenu : u.EditMenuNoUndo;
    if (h) {
        SetMenuBarAttribute(u.PopupMenuBar, m.undo, ATTR_DIMMED, undo_CanUndo(h) ? 0 : 1);
        SetMenuBarAttribute(u.PopupMenuBar, m.redo, ATTR_DIMMED, undo_CanRedo(h) ? 0 : 1);
    }
    const int item = RunPopupMenu(u.PopupMenuBar, m.menu, panel, y, x, 0, 0, 0, 0);
    if (item <= 0) return;
    if (item == m.cut || item == m.copy || item == m.paste) {
        // The faked key goes to the focused control: make it the clicked box.
        focus(panel, control);
        FakeKeystroke(item == m.cut ? kCutKey : item == m.copy ? kCopyKey : kPasteKey);
    } else if (item == m.undo) {
        undo_Undo(h);
    } else if (item == m.redo) {
        undo_Redo(h);
    } else if (item == m.find) {
        openFind(panel, control, h);
    } else if (item == m.replace) {
        openReplace(panel, control, h);
    } else if (item == m.clear) {
        if (ConfirmPopup("Сообщение оператору"_cp1251, "Удалить содержимое окна?"_cp1251)) {
            ResetTextBox(panel, control, "");
            // Clearing is one edit of the history, of its own, which undo takes back.
            undo::RecordCommand(h);
        }
    }
}

}  // namespace

int TextBoxCallback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    auto* h = static_cast<UndoHistory*>(callbackData);
    return guarded(0, [&] {
        switch (event) {
        case EVENT_VAL_CHANGED: undo_Action(h); break;
        case EVENT_RIGHT_CLICK: contextMenu(panel, control, h); break;
        case EVENT_KEYPRESS: keyPress(panel, control, h, eventData1, eventData2); break;
        default: break;
        }
        return 0;
    });
}

void AutoIndent(void* callbackData) {
    guarded(0, [&] {
        const int* data = static_cast<const int*>(callbackData);
        int length = 0;
        if (GetTextBoxLineLength(data[0], data[1], data[2], &length) < 0) return 0;
        LineBuffer line(static_cast<size_t>(length) + 1);
        if (!line.ok() || !line.read(data[0], data[1], data[2], 1)) return 0;
        fakeKeys(' ', line.leadingSpaces(length));
        return 0;
    });
}

void ReselectLines(void* callbackData) {
    const int* data = static_cast<const int*>(callbackData);
    const int panel = data[0], control = data[1];
    const int start = lineStart(panel, control, data[2]);
    int end = 0;
    if (GetTextBoxLineOffset(panel, control, data[3] + 1, &end) < 0)
        end = ctrlInt(panel, control, ATTR_STRING_TEXT_LENGTH);
    SetCtrlAttribute(panel, control, ATTR_TEXT_SELECTION_START, start);
    SetCtrlAttribute(panel, control, ATTR_TEXT_SELECTION_LENGTH, end - start);
}

}  // namespace pelmo

extern "C" UndoHistory* ExtendTextBox(int panel, int control, int size, int depth) {
    using namespace pelmo;
    return guarded<UndoHistory*>(nullptr, [&]() -> UndoHistory* {
        if (ui().PopupMenuBar == 0) BuildUi();
        if (ui().PopupMenuBar == 0) return nullptr;
        if (SetCtrlAttribute(panel, control, ATTR_CALLBACK_FUNCTION_POINTER, TextBoxCallback) < 0) return nullptr;
        if (depth == 0) return nullptr;
        UndoHistory* h = undo_Init(panel, control, std::max(size, kMinHistorySize), std::max(depth, 2));
        SetCtrlAttribute(panel, control, ATTR_CALLBACK_DATA, h);
        return h;
    });
}
