// The extension's process-wide user interface: the dialogs and menus built
// once by BuildUi, the box the Find commands act on, and the callbacks.
#ifndef PELMO_UI_H
#define PELMO_UI_H

#include <string>

#include "uirt.h"
#include "undo.h"

namespace pelmo {

struct EditMenuIds {
    int menu = 0;
    int cut = 0, copy = 0, paste = 0;
    int undo = 0, redo = 0;  // 0 in the menu without undo
    int find = 0, replace = 0, clear = 0;
};

struct FindPanelIds {
    int panel = 0;
    int search = 0, matchCase = 0, wholeWord = 0, closeAfter = 0;
    int find = 0, close = 0;
};

struct ReplacePanelIds {
    int panel = 0;
    int search = 0, replacement = 0, matchCase = 0, wholeWord = 0;
    int find = 0, replaceAll = 0, close = 0;
};

struct AskPanelIds {
    int panel = 0;
    int replace = 0, skip = 0, close = 0;
};

// Answers of the question panel.
inline constexpr int kAskReplace = 1;
inline constexpr int kAskSkip = 2;
inline constexpr int kAskClose = 3;

// Everything the extension keeps for the process; ids are 0 before BuildUi.
struct Ui {
    int PopupMenuBar = 0;  // not 0 once the user interface is built
    EditMenuIds EditMenu;
    EditMenuIds EditMenuNoUndo;
    FindPanelIds FindPanel;
    ReplacePanelIds ReplacePanel;
    AskPanelIds AskPanel;
    int TargetPanel = 0, TargetCtrl = 0;  // the box that Find, F3 and Replace act on
    UndoHistory* TargetHistory = nullptr;  // its history, when it has one
    int AskAnswer = 0;
    bool Asking = false;  // the question panel waits for its answer
    // The host quit the user interface while the question waited: the run
    // ends, then the quit goes on with this code.
    bool QuitPending = false;
    int QuitCode = 0;
    // The target's window was closed while the question waited: the run
    // ends, then the host hears of the closing through these, its panel's
    // callback and close control, which the question stood in for.
    bool HostClosed = false;
    int HostPanel = 0;
    CtrlCallbackPtr HostCallback = nullptr;
    void* HostCallbackData = nullptr;
    int HostCloseCtrl = 0;
    int EnterDefCbData[3] = {};  // panel, control, line of the Enter key
    int TabDefCbData[4] = {};    // panel, control, first line, last line
};

Ui& ui();

// Builds the dialogs and the menu bar; leaves PopupMenuBar 0 on failure.
void BuildUi();

// Control callbacks (the run-time's six-argument form; they return 0).
int FindNext(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int ReplaceRun(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int TextBoxCallback(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
// Shows the question panel and waits for its answer (kAsk*).
int AskReplace();

// Deferred calls after Enter and after a block indent.
void AutoIndent(void* callbackData);
void ReselectLines(void* callbackData);

// Makes (panel, control), with history h, the box the Find commands act on.
void setTarget(int panel, int control, UndoHistory* h);
// The target box's history, or null (also once it was closed).
UndoHistory* targetHistory();
// Gives the target box the keyboard focus.
void focusTarget();
// The value of a text field, read whatever its length.
std::string fieldText(int panel, int control);
// An int attribute of a control (0 when it cannot be read).
int ctrlInt(int panel, int control, int attribute);
// Line of a text box holding a byte offset.
int lineOf(int panel, int control, int offset);
// 1 when the check box is checked.
int checked(int panel, int control);

// Runs f, turning any exception into `failed`: nothing is thrown into the
// run-time, which calls the extension through C callbacks.
template <class R, class F>
R guarded(R failed, F&& f) noexcept {
    try {
        return f();
    } catch (...) {
        return failed;
    }
}

}  // namespace pelmo

#endif  // PELMO_UI_H
