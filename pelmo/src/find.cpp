// The Find and Find/Replace commands on the target text box.
#include <cstdlib>

#include "cp1251.h"
#include "pelmo_ui.h"
#include "repl_c.h"
#include "uirt.h"

using namespace cp1251::literals;

namespace pelmo {
namespace {

constexpr int kPasteKey = VAL_MENUKEY_MODIFIER | 'V';

// A copy of the target box's text, kept in one block across the passes of a
// run. Allocation failures are reported, not thrown: the command then stops.
class TextCopy {
public:
    ~TextCopy() { std::free(text_); }
    // Reads the box's text; false when it cannot be read or allocated.
    bool read(int panel, int control) {
        int length = 0;
        if (GetCtrlAttribute(panel, control, ATTR_STRING_TEXT_LENGTH, &length) < 0 || length < 0) return false;
        if (static_cast<size_t>(length) + 1 > capacity_) {
            char* grown = static_cast<char*>(std::realloc(text_, static_cast<size_t>(length) + 1));
            if (!grown) return false;
            text_ = grown;
            capacity_ = static_cast<size_t>(length) + 1;
        }
        if (GetCtrlVal(panel, control, text_) < 0) return false;
        text_[length] = '\0';
        length_ = length;
        return true;
    }
    const char* text() const { return text_; }
    int length() const { return length_; }

private:
    char* text_ = nullptr;
    size_t capacity_ = 0;
    int length_ = 0;
};

// Offset of the first match in text[from, length), then in the whole text.
// *wrapped tells whether the whole-text search found it.
int searchFrom(const char* pattern, int flags, const TextCopy& copy, int from, bool* wrapped) {
    *wrapped = false;
    if (from <= copy.length()) {
        const int at = FindOrReplace(pattern, nullptr, flags, copy.text() + from, nullptr, copy.length() - from,
                                     nullptr, copy.text());
        if (at >= 0) return from + at;
    }
    *wrapped = true;
    return FindOrReplace(pattern, nullptr, flags, copy.text(), nullptr, copy.length(), nullptr, copy.text());
}

int optionFlags(int panel, int matchCase, int wholeWord) {
    return (checked(panel, matchCase) ? kMatchCase : 0) | (checked(panel, wholeWord) ? kWholeWord : 0);
}

void select(int panel, int control, int at, int length) {
    SetCtrlAttribute(panel, control, ATTR_TEXT_SELECTION_START, at);
    SetCtrlAttribute(panel, control, ATTR_TEXT_SELECTION_LENGTH, length);
}

void scrollTo(int panel, int control, int line) { SetCtrlAttribute(panel, control, ATTR_FIRST_VISIBLE_LINE, line); }

bool inView(int panel, int control, int line) {
    const int first = ctrlInt(panel, control, ATTR_FIRST_VISIBLE_LINE);
    return first <= line && line < first + ctrlInt(panel, control, ATTR_VISIBLE_LINES);
}

// Replaces the selection of the target box by `text`, as a paste: the edit
// reaches the box's callback (and its undo history) like any other.
void pasteOverSelection(const std::string& text) {
    ClipboardPutText(text.c_str());
    focusTarget();
    ProcessSystemEvents();
    FakeKeystroke(kPasteKey);
    ProcessSystemEvents();
}

int findNext(int panel, int event) {
    if (event != EVENT_COMMIT) return 0;
    Ui& u = ui();
    const std::string pattern = fieldText(u.FindPanel.panel, u.FindPanel.search);
    TextCopy copy;
    if (!copy.read(u.TargetPanel, u.TargetCtrl)) return 0;
    const int start = ctrlInt(u.TargetPanel, u.TargetCtrl, ATTR_TEXT_SELECTION_START);
    const int flags = optionFlags(u.FindPanel.panel, u.FindPanel.matchCase, u.FindPanel.wholeWord);

    bool wrapped = false;
    const int at = searchFrom(pattern.c_str(), flags, copy, start + 1, &wrapped);
    if (at >= 0) {
        const int line = lineOf(u.TargetPanel, u.TargetCtrl, at);
        select(u.TargetPanel, u.TargetCtrl, at, static_cast<int>(pattern.size()));
        if (!inView(u.TargetPanel, u.TargetCtrl, line)) scrollTo(u.TargetPanel, u.TargetCtrl, line);
    } else {
        SetCtrlAttribute(u.TargetPanel, u.TargetCtrl, ATTR_TEXT_SELECTION_LENGTH, 0);
        MessagePopup("Поиск"_cp1251, "Строка не найдена"_cp1251);
    }
    int visible = 0;
    GetPanelAttribute(u.FindPanel.panel, ATTR_VISIBLE, &visible);
    if (visible && checked(u.FindPanel.panel, u.FindPanel.closeAfter)) HidePanel(panel);
    focusTarget();
    return 0;
}

// Keeps the target's history from recording the run's edits one by one:
// the run is recorded as one edit when it ends, however it ends.
class RunRecording {
public:
    RunRecording() : h_(targetHistory()) { undo::PauseRecording(h_); }
    ~RunRecording() {
        if (undo::IsLive(h_)) undo::ResumeRecording(h_);
    }
    RunRecording(const RunRecording&) = delete;
    RunRecording& operator=(const RunRecording&) = delete;

private:
    UndoHistory* h_;
};

int replaceRun(int control, int event);

// A run, and then what the host was asked while a question waited: the
// closing of its window (its close control committed, its panel told, as the
// run-time does), or the quit it asked for.
int replaceRunThenQuit(int control, int event) {
    Ui& u = ui();
    u.QuitPending = u.HostClosed = false;
    replaceRun(control, event);
    if (u.HostClosed) {
        u.HostClosed = false;
        const int panel = u.HostPanel;
        if (u.HostCloseCtrl > 0) {
            CtrlCallbackPtr commit = nullptr;
            void* data = nullptr;
            GetCtrlAttribute(panel, u.HostCloseCtrl, ATTR_CALLBACK_FUNCTION_POINTER, &commit);
            GetCtrlAttribute(panel, u.HostCloseCtrl, ATTR_CALLBACK_DATA, &data);
            if (commit) commit(panel, u.HostCloseCtrl, EVENT_COMMIT, data, 0, 0);
        }
        if (u.HostCallback) u.HostCallback(panel, 0, EVENT_CLOSE, u.HostCallbackData, 0, 0);
    }
    if (u.QuitPending) {
        u.QuitPending = false;
        QuitUserInterface(u.QuitCode);
    }
    return 0;
}

// One replace run. Every occurrence that was in the text when the run
// started is offered once: the run searches forward from the caret, wraps to
// the text's beginning at most once, and after the wrap ends at the first
// occurrence that does not end before the run's starting point (which moves
// with the length changes of the replacements made before it).
int replaceRun(int control, int event) {
    if (event != EVENT_COMMIT) return 0;
    Ui& u = ui();
    const ReplacePanelIds& r = u.ReplacePanel;
    const std::string pattern = fieldText(r.panel, r.search);
    const std::string replacement = fieldText(r.panel, r.replacement);
    bool all = control == r.replaceAll;
    HidePanel(r.panel);
    focusTarget();
    const RunRecording recording;

    const int box = u.TargetPanel, ctrl = u.TargetCtrl;
    int start = ctrlInt(box, ctrl, ATTR_TEXT_SELECTION_START);
    const int startLine = lineOf(box, ctrl, start);
    if (all) {
        if (GetTextBoxLineOffset(box, ctrl, startLine, &start) < 0) start = 0;
        SetCtrlAttribute(box, ctrl, ATTR_TEXT_SELECTION_START, start);
        SetCtrlAttribute(box, ctrl, ATTR_TEXT_SELECTION_LENGTH, 0);
    }
    const int plen = static_cast<int>(pattern.size());
    long long limit = start;  // the starting point, moved by replacements before it
    int count = 0;
    bool left = false, wrapped = false, confirmed = false, scroll = true;
    bool firstPass = true, replaced = false;
    TextCopy copy;

    while (plen > 0) {
        if (!copy.read(box, ctrl)) return 0;
        const int cur = ctrlInt(box, ctrl, ATTR_TEXT_SELECTION_START);
        const int flags = optionFlags(r.panel, r.matchCase, r.wholeWord);
        const int from = firstPass || replaced ? cur : cur + 1;
        bool foundByWrap = false;
        int at = -1;
        if (!wrapped) {
            at = searchFrom(pattern.c_str(), flags, copy, from, &foundByWrap);
        } else if (from <= copy.length()) {
            at = FindOrReplace(pattern.c_str(), nullptr, flags, copy.text() + from, nullptr, copy.length() - from,
                               nullptr, copy.text());
            if (at >= 0) at += from;
        }
        if (foundByWrap) left = wrapped = true;
        if (at < 0) {
            SetCtrlAttribute(box, ctrl, ATTR_TEXT_SELECTION_LENGTH, 0);
            break;
        }
        if (wrapped && at + plen > limit) break;
        const int line = lineOf(box, ctrl, at);
        if (!left) {
            if (all && !confirmed) {
                if (!ConfirmPopup("Поиск/Замена"_cp1251, "Заменить всё?"_cp1251)) all = false;
                confirmed = true;
            }
            if (line != startLine) left = true;
        }
        select(box, ctrl, at, plen);
        // Once an occurrence was found already in view, the run stops scrolling.
        if (inView(box, ctrl, line)) scroll = false;
        else if (scroll) scrollTo(box, ctrl, line);

        const int answer = all ? kAskReplace : AskReplace();
        if (answer == kAskReplace) {
            const int before = copy.length();
            // A click into the box while the question waited may have moved the selection.
            if (!all) select(box, ctrl, at, plen);
            pasteOverSelection(replacement);
            // The paste leaves the caret right after the replacement; a
            // selection still standing means the box took nothing.
            replaced = ctrlInt(box, ctrl, ATTR_TEXT_SELECTION_LENGTH) == 0;
            if (replaced) {
                ++count;
                if (wrapped) limit += ctrlInt(box, ctrl, ATTR_STRING_TEXT_LENGTH) - before;
            }
        } else if (answer == kAskSkip) {
            replaced = false;
        } else {
            if (answer == kAskClose) HidePanel(r.panel);
            break;
        }
        firstPass = false;
    }

    if (all) {
        if (count) {
            const std::string message = "Выполнено замен "_cp1251 + std::to_string(count);
            MessagePopup("", message.c_str());
        } else {
            MessagePopup("", "Ничего не найдено"_cp1251);
        }
    }
    focusTarget();
    return 0;
}

}  // namespace

void setTarget(int panel, int control, UndoHistory* h) {
    ui().TargetPanel = panel;
    ui().TargetCtrl = control;
    ui().TargetHistory = h;
}

UndoHistory* targetHistory() {
    UndoHistory* h = ui().TargetHistory;
    return undo::IsLive(h) && h->panel == ui().TargetPanel && h->control == ui().TargetCtrl ? h : nullptr;
}

void focusTarget() {
    SetActivePanel(ui().TargetPanel);
    SetActiveCtrl(ui().TargetPanel, ui().TargetCtrl);
}

std::string fieldText(int panel, int control) {
    int length = 0;
    if (GetCtrlAttribute(panel, control, ATTR_STRING_TEXT_LENGTH, &length) < 0 || length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    if (GetCtrlVal(panel, control, text.data()) < 0) return {};
    text.resize(static_cast<size_t>(length));
    return text;
}

int ctrlInt(int panel, int control, int attribute) {
    int value = 0;
    GetCtrlAttribute(panel, control, attribute, &value);
    return value;
}

int lineOf(int panel, int control, int offset) {
    int line = 0;
    GetTextBoxLineIndexFromOffset(panel, control, offset, &line);
    return line;
}

int checked(int panel, int control) {
    int value = 0;
    GetCtrlVal(panel, control, &value);
    return value != 0;
}

int FindNext(int panel, int, int event, void*, int, int) {
    return guarded(0, [&] { return findNext(panel, event); });
}

int ReplaceRun(int, int control, int event, void*, int, int) {
    return guarded(0, [&] { return replaceRunThenQuit(control, event); });
}

namespace {

// Stands in for the target panel's callback while the question waits.
int HostPanelWhileAsked(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    Ui& u = ui();
    if (event == EVENT_CLOSE && u.Asking) {
        u.HostClosed = true;
        u.AskAnswer = kAskClose;
        QuitUserInterface(0);
        return 0;
    }
    if (u.HostCallback) return u.HostCallback(panel, control, event, callbackData, eventData1, eventData2);
    return 0;
}

// While it lives, closing the target's window answers the question with
// "Закрыть" and is kept for the host (replaceRunThenQuit).
class HostCloseWhileAsked {
public:
    HostCloseWhileAsked() {
        Ui& u = ui();
        u.HostPanel = u.TargetPanel;
        u.HostCallback = nullptr;
        u.HostCallbackData = nullptr;
        u.HostCloseCtrl = 0;
        GetPanelAttribute(u.HostPanel, ATTR_CALLBACK_FUNCTION_POINTER, &u.HostCallback);
        GetPanelAttribute(u.HostPanel, ATTR_CALLBACK_DATA, &u.HostCallbackData);
        GetPanelAttribute(u.HostPanel, ATTR_CLOSE_CTRL, &u.HostCloseCtrl);
        SetPanelAttribute(u.HostPanel, ATTR_CALLBACK_FUNCTION_POINTER, HostPanelWhileAsked);
        SetPanelAttribute(u.HostPanel, ATTR_CLOSE_CTRL, 0);
    }
    ~HostCloseWhileAsked() {
        Ui& u = ui();
        SetPanelAttribute(u.HostPanel, ATTR_CALLBACK_FUNCTION_POINTER, u.HostCallback);
        SetPanelAttribute(u.HostPanel, ATTR_CLOSE_CTRL, u.HostCloseCtrl);
    }
    HostCloseWhileAsked(const HostCloseWhileAsked&) = delete;
    HostCloseWhileAsked& operator=(const HostCloseWhileAsked&) = delete;
};

}  // namespace

// The question stands above the target's window and has the keyboard while
// it waits in an event loop of its own, which an answer ends. The target box
// takes no keys meanwhile (TextBoxCallback). Closing the target's window
// answers "Закрыть"; the host hears of the closing once the run has ended.
// When the host quits the user interface (its own quit command), the loop
// ends without an answer: the run ends as with "Закрыть" and the quit goes
// on afterwards.
int AskReplace() {
    Ui& u = ui();
    const AskPanelIds& a = u.AskPanel;
    const int remembered = GetActivePanel();
    u.AskAnswer = 0;
    int code = 0;
    {
        const HostCloseWhileAsked hostClose;
        u.Asking = true;
        SetPanelAttribute(a.panel, ATTR_OWNER_PANEL, u.TargetPanel);
        DisplayPanel(a.panel);
        SetActiveCtrl(a.panel, a.replace);
        code = RunUserInterface();
        u.Asking = false;
    }
    HidePanel(a.panel);
    SetActivePanel(remembered);
    if (u.AskAnswer != 0) return u.AskAnswer;
    // No answer: the host quit, or (headless) nothing was left to answer it.
    if (code != UIE_FAILURE) {
        u.QuitPending = true;
        u.QuitCode = code;
    }
    return kAskClose;
}

}  // namespace pelmo
