/*
 * uirt.h -- the user-interface run-time: panels, controls, text boxes, menus,
 * popups, the event loop, files. One C interface over two backends, chosen
 * once per process by InitUIRuntime: a headless in-memory backend and a Qt 6
 * Widgets backend that shows real windows.
 *
 * Ownership and conventions
 *  - Panels, controls, menu bars, menus and menu items are identified by
 *    positive ints that the run-time issues; the run-time owns the objects.
 *    Panels live until DiscardPanel or the end of the process.
 *  - All text is zero-terminated bytes in Windows-1251; lengths, offsets and
 *    positions are byte counts; text-box lines are numbered from 0 and
 *    separated by LF. The run-time copies every text it is given; texts it
 *    returns are written into buffers that the caller owns and sizes (ask the
 *    length first, e.g. ATTR_STRING_TEXT_LENGTH, GetTextBoxLineLength).
 *  - Results: unless a function says otherwise it returns 0 (UIE_NO_ERROR) on
 *    success and a negative UIE_* code on failure. Functions that create an
 *    object return its positive id, or a negative code.
 *  - Callbacks run on the thread that called InitUIRuntime, from
 *    RunUserInterface, ProcessSystemEvents or a popup's modal loop. They may
 *    call ProcessSystemEvents themselves (nested processing).
 *  - No function throws; every failure is a result code.
 */
#ifndef UIRT_H
#define UIRT_H

#include <stddef.h>

#if defined(UIRT_BUILDING)
#define UIRT_API __attribute__((visibility("default")))
#else
#define UIRT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result codes ------------------------------------------------------ */
#define UIE_NO_ERROR 0
#define UIE_FAILURE (-1)           /* unspecified failure */
#define UIE_NOT_INITIALISED (-2)   /* InitUIRuntime was not called or failed */
#define UIE_BAD_PANEL (-4)         /* no such panel */
#define UIE_BAD_CONTROL (-5)       /* no such control on the panel */
#define UIE_BAD_ATTRIBUTE (-6)     /* attribute not valid for the object */
#define UIE_BAD_VALUE (-7)         /* value or index out of range */
#define UIE_BAD_MENU (-8)          /* no such menu bar, menu or item */
#define UIE_OUT_OF_MEMORY (-12)
#define UIE_FILE_ERROR (-13)       /* resource file missing or malformed */
#define UIE_NOT_SUPPORTED (-14)    /* operation not available on this backend */

/* ---- Initialisation ---------------------------------------------------- */
#define UIRT_BACKEND_HEADLESS 0
#define UIRT_BACKEND_QT 1

/* Chooses the backend and starts the run-time. argc/argv may be 0/NULL; the
 * Qt backend passes them to Qt. Call once, before any other function.
 * Returns 1 on success, 0 on failure (e.g. the Qt backend cannot reach a
 * display). A second call returns 1 if the same backend is already running. */
UIRT_API int InitUIRuntime(int argc, char* argv[], int backend);
/* The backend chosen, or -1 before InitUIRuntime. */
UIRT_API int GetUIRuntimeBackend(void);

/* ---- Callbacks ----------------------------------------------------------- */
/* Control and panel callbacks. For panel callbacks control is 0. Return 0. */
typedef int (*CtrlCallbackPtr)(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2);
typedef CtrlCallbackPtr PanelCallbackPtr;
typedef void (*MenuCallbackPtr)(int menuBar, int menuItem, void* callbackData, int panel);
typedef void (*DeferredCallbackPtr)(void* callbackData);

/* Events. */
#define EVENT_NONE 0
#define EVENT_COMMIT 1        /* button pressed, Enter in a text field */
#define EVENT_VAL_CHANGED 2   /* after every edit by the user or a faked key;
                                 never after a change made by the program */
#define EVENT_RIGHT_CLICK 5   /* eventData1 = y, eventData2 = x on the panel */
#define EVENT_KEYPRESS 7      /* eventData1 = key code, eventData2 = key event
                                 id for SetKeyPressEventKey; arrives before the
                                 control handles the key */
#define EVENT_GOT_FOCUS 8
#define EVENT_LOST_FOCUS 9
#define EVENT_CLOSE 12        /* panel callback: the user closes the window */
#define EVENT_FILES_DROPPED 13 /* panel callback: files dropped on the window
                                 (a file manager's drag and drop); eventData1 =
                                 their number; ATTR_DROPPED_FILE gives the first */

/* Resource files name callbacks; a program registers them before LoadPanel.
 * Registering a name again replaces the function. Returns 0 or a UIE code. */
UIRT_API int RegisterUICallback(const char* name, CtrlCallbackPtr function);

/* ---- Panels and the event loop ------------------------------------------ */
/* Loads panel resourceId from a resource file (format: see runtime/RESOURCES.md).
 * parentPanel 0 makes a top-level panel. Returns the panel handle, or a
 * negative code; a missing or malformed file also prints one line on stderr
 * naming the file, the line and the fault. The panel is not displayed. */
UIRT_API int LoadPanel(int parentPanel, const char* fileName, int resourceId);
/* Creates an empty panel; sizes in pixels. Returns the handle or a negative code. */
UIRT_API int NewPanel(int parentPanel, const char* title, int top, int left, int height, int width);
UIRT_API int DiscardPanel(int panel);
UIRT_API int DisplayPanel(int panel);
UIRT_API int HidePanel(int panel);

/* Runs the event loop until QuitUserInterface; returns the code given to it.
 * The headless backend has no outside event source: its loop also returns,
 * with UIE_FAILURE, when nothing is left to process. */
UIRT_API int RunUserInterface(void);
UIRT_API int QuitUserInterface(int returnCode);
/* Runs every pending event (queued keys, clicks, deferred calls, repaints) and
 * returns; callbacks may run and may call it again. Returns 0. */
UIRT_API int ProcessSystemEvents(void);
/* Queues a call to run after the current event has been handled completely.
 * A call posted while an event is handled (a key with its keypress callback,
 * the control's handling and the value-changed callback; a click; another
 * deferred call) waits until that event has finished, even when the handler
 * processes events in between; calls and queued keys run in FIFO order. */
UIRT_API int PostDeferredCall(DeferredCallbackPtr function, void* callbackData);

/* ---- Focus and input ---------------------------------------------------- */
UIRT_API int GetActivePanel(void);              /* handle, or 0 when none */
UIRT_API int SetActivePanel(int panel);
UIRT_API int SetActiveCtrl(int panel, int control);
UIRT_API int GetActiveCtrl(int panel);          /* control id, or 0 */
/* Sets the control's value to its default value (ATTR_DFLT_VALUE). */
UIRT_API int DefaultCtrl(int panel, int control);
UIRT_API int SetWaitCursor(int on);
UIRT_API int GetWaitCursor(void);
/* Queues a key for the focused control of the active panel; it is handled,
 * when events are processed, exactly as if typed: EVENT_KEYPRESS first, then
 * the control's own handling, then EVENT_VAL_CHANGED if the value changed. */
UIRT_API int FakeKeystroke(int keyCode);
/* Inside an EVENT_KEYPRESS callback: replaces the key (keyCode 0 cancels it,
 * so the control never sees it). eventData2 is the callback's eventData2. */
UIRT_API int SetKeyPressEventKey(int eventData2, int keyCode);
/* Mouse position relative to the panel (control 0) or the control, in pixels;
 * any out pointer may be NULL. */
UIRT_API int GetRelativeMouseState(int panel, int control, int* x, int* y, int* leftButton,
                                   int* rightButton, int* keyModifiers);

/* Key codes: modifier + virtual key, or modifier + character code. */
#define VAL_MENUKEY_MODIFIER 0x40000   /* Ctrl */
#define VAL_SHIFT_MODIFIER 0x10000
#define VAL_FWD_DELETE_VKEY 0x0100
#define VAL_BACKSPACE_VKEY 0x0200
#define VAL_ESC_VKEY 0x0300
#define VAL_TAB_VKEY 0x0400
#define VAL_ENTER_VKEY 0x0500
#define VAL_UP_ARROW_VKEY 0x0600
#define VAL_DOWN_ARROW_VKEY 0x0700
#define VAL_LEFT_ARROW_VKEY 0x0800
#define VAL_RIGHT_ARROW_VKEY 0x0900
#define VAL_PAGE_UP_VKEY 0x0D00
#define VAL_PAGE_DOWN_VKEY 0x0E00
#define VAL_HOME_VKEY 0x0B00
#define VAL_END_VKEY 0x0C00
#define VAL_F1_VKEY 0x0F00
#define VAL_F2_VKEY 0x1000
#define VAL_F3_VKEY 0x1100
#define VAL_VKEY_MASK 0xFF00
#define VAL_ASCII_KEY_MASK 0x00FF
#define VAL_MODIFIER_MASK 0xFF0000

/* ---- Controls ------------------------------------------------------------- */
/* Control kinds for NewCtrl and resource files. */
#define CTRL_NUMERIC 100
#define CTRL_STRING 151         /* one-line text field */
#define CTRL_TEXT_MSG 170       /* static text */
#define CTRL_TEXT_BOX 180       /* multi-line text box */
#define CTRL_PROGRESS_BAR 190   /* integer 0..100 shown as a bar */
#define CTRL_COMMAND_BUTTON 205
#define CTRL_CHECK_BOX 226

/* Creates a control; label may be "" (no label). Returns the control id
 * (unique within the panel) or a negative code. */
UIRT_API int NewCtrl(int panel, int kind, const char* label, int top, int left);
UIRT_API int DiscardCtrl(int panel, int control);

/* Value of a control. Text kinds (string, text message, text box) take a
 * const char*; numeric, progress bar and check box take an int. Setting a
 * value by program raises no event. */
UIRT_API int SetCtrlVal(int panel, int control, ...);
/* Text kinds: value must point to a buffer of ATTR_STRING_TEXT_LENGTH + 1
 * bytes; the others: value points to an int. */
UIRT_API int GetCtrlVal(int panel, int control, void* value);

/* Attributes. The type of the value follows the attribute: "string" ones take
 * const char* (Set) / char* buffer (Get; ask the length attribute first for
 * values, labels and titles are at most 1023 bytes plus the zero),
 * "pointer" ones take a pointer (Get: a void** or CtrlCallbackPtr*), all others
 * take an int (Get: int*). An attribute number that the run-time does not use
 * itself is still stored and returned as an int, so programs may set window
 * attributes that have no effect on this platform. */
UIRT_API int SetCtrlAttribute(int panel, int control, int attribute, ...);
UIRT_API int GetCtrlAttribute(int panel, int control, int attribute, void* value);
UIRT_API int SetPanelAttribute(int panel, int attribute, ...);
UIRT_API int GetPanelAttribute(int panel, int attribute, void* value);

/* Attribute numbers. */
#define ATTR_DIMMED 500                 /* int 0/1; also menu items */
#define ATTR_CALLBACK_DATA 510          /* pointer */
#define ATTR_CALLBACK_NAME 511          /* string (read only) */
#define ATTR_CALLBACK_FUNCTION_POINTER 513 /* pointer: CtrlCallbackPtr or NULL */
#define ATTR_VISIBLE 530                /* int 0/1 (panels and controls) */
#define ATTR_TOP 531                    /* int, pixels; panels: VAL_AUTO_CENTER centres */
#define ATTR_LEFT 532
#define ATTR_WIDTH 533
#define ATTR_HEIGHT 540
#define ATTR_TITLE 550                  /* string: panel title */
#define ATTR_CLOSE_CTRL 592             /* int: control committed when the window is closed, 0 none */
#define ATTR_CTRL_TAB_POSITION 612      /* int */
#define ATTR_TEXT_FONT 642              /* string */
#define ATTR_CTRL_VAL 630               /* the value: as SetCtrlVal / GetCtrlVal */
#define ATTR_LABEL_TEXT 660             /* string */
#define ATTR_LABEL_LEFT 670
#define ATTR_LABEL_TOP 671
#define ATTR_LABEL_WIDTH 672
#define ATTR_LABEL_HEIGHT 673
#define ATTR_LABEL_FONT 682             /* string */
#define ATTR_DFLT_VALUE 732             /* as the value; applied by DefaultCtrl */
#define ATTR_MAX_ENTRY_LENGTH 760       /* int, text fields; -1 no limit */
/* Selection: setting the start keeps the length, setting the length keeps the
 * start; both are clamped to the text. */
#define ATTR_TEXT_SELECTION_START 762   /* int, byte offset (text field, text box) */
#define ATTR_TEXT_SELECTION_LENGTH 763  /* int, bytes */
#define ATTR_STRING_TEXT_LENGTH 770     /* int, read only: length of the value */
#define ATTR_FIRST_VISIBLE_LINE 790     /* int, text box */
#define ATTR_VISIBLE_LINES 821          /* int, text box, read only */
#define ATTR_CTRL_KIND 900              /* int, read only: CTRL_* */
#define ATTR_SHORTCUT_KEY 1020          /* int key code; pressing it on the panel commits the control */
#define ATTR_MENU_BAR_FONT 1015         /* string, menu bars */
#define ATTR_MENU_BAR_POINT_SIZE 1010   /* int, menu bars */
/* Panels: 1 lets the user resize the window, never below the size the
 * program gave it; 0 (the default) keeps the window at that size. */
#define ATTR_RESIZABLE 1100             /* int 0/1, panels */
/* Controls: the edges of the panel's client area the control keeps its
 * distance to when the panel changes size (VAL_ANCHOR_* or'ed together; the
 * default is left and top). Left and right: the control stretches; right
 * only: it moves with the right edge; likewise top and bottom. The distances
 * are those of the moment the program places the control or sets this. */
#define ATTR_ANCHOR 1101                /* int, controls */
/* Top-level panels: the panel whose window this panel's window belongs to,
 * 0 (the default) for none. An owned window is a tool window of its owner's
 * window: it stays above that window and is not modal. Discarding the owner
 * sets it back to 0. */
#define ATTR_OWNER_PANEL 1102           /* int, panels */
/* Panels, read only, during EVENT_FILES_DROPPED: the path of the first file
 * dropped (Windows-1251; files whose names it cannot hold are left out), into
 * a buffer of MAX_PATHNAME_LEN bytes; "" at other times. */
#define ATTR_DROPPED_FILE 1103          /* string */
#define VAL_ANCHOR_LEFT 1
#define VAL_ANCHOR_TOP 2
#define VAL_ANCHOR_RIGHT 4
#define VAL_ANCHOR_BOTTOM 8

#define VAL_AUTO_CENTER ((int)0x80000000)

/* ---- Text boxes ------------------------------------------------------------
 * A text box's value is its lines joined by LF. The empty text has 0 lines; a
 * text ending in LF has an empty last line. A box holds at most INT_MAX bytes
 * (offsets are ints): a call that would make its text longer changes nothing
 * and returns UIE_OUT_OF_MEMORY; typing and pasting stop at that length. */
/* Replaces the whole text; raises no event. */
UIRT_API int ResetTextBox(int panel, int control, const char* text);
/* Inserts text as a new line before line index; -1 (or the line count)
 * appends after the last line. Raises no event. */
UIRT_API int InsertTextBoxLine(int panel, int control, int index, const char* text);
UIRT_API int GetNumTextBoxLines(int panel, int control, int* count);
/* Copies line index (without its LF) and a zero into buffer, which must hold
 * GetTextBoxLineLength + 1 bytes. */
UIRT_API int GetTextBoxLine(int panel, int control, int index, char* buffer);
UIRT_API int GetTextBoxLineLength(int panel, int control, int index, int* length);
/* Offset of the first byte of line index; UIE_BAD_VALUE past the last line. */
UIRT_API int GetTextBoxLineOffset(int panel, int control, int index, int* offset);
/* Line holding byte offset (0 <= offset <= text length). */
UIRT_API int GetTextBoxLineIndexFromOffset(int panel, int control, int offset, int* index);

/* ---- Menus ------------------------------------------------------------------ */
/* A menu bar attached to panel, or free-standing (panel 0) for popup menus. */
UIRT_API int NewMenuBar(int panel);
UIRT_API int DiscardMenuBar(int menuBar);
/* beforeMenu -1 appends. Returns the menu id. */
UIRT_API int NewMenu(int menuBar, const char* name, int beforeMenu);
/* beforeItem -1 appends; shortcutKey is the accelerator shown (0 none);
 * callback may be NULL. Returns the item id (unique within the menu bar). */
UIRT_API int NewMenuItem(int menuBar, int menu, const char* name, int beforeItem, int shortcutKey,
                         MenuCallbackPtr callback, void* callbackData);
UIRT_API int InsertSeparator(int menuBar, int menu, int beforeItem);
/* menuOrItem 0 addresses the bar itself (ATTR_MENU_BAR_FONT, _POINT_SIZE);
 * items take ATTR_DIMMED and ATTR_ITEM_NAME. */
UIRT_API int SetMenuBarAttribute(int menuBar, int menuOrItem, int attribute, ...);
UIRT_API int GetMenuBarAttribute(int menuBar, int menuOrItem, int attribute, void* value);
#define ATTR_ITEM_NAME 1030             /* string */
/* Shows menu as a popup at (top, left) of panel and waits. Returns the chosen
 * item id, 0 when dismissed; a dimmed item cannot be chosen. The chosen item's
 * callback, if it has one, is called before the function returns. The area
 * arguments may be 0. */
UIRT_API int RunPopupMenu(int menuBar, int menu, int panel, int top, int left, int areaTop,
                          int areaLeft, int areaHeight, int areaWidth);

/* ---- Popups (modal) ------------------------------------------------------ */
UIRT_API int MessagePopup(const char* title, const char* message);
/* Returns 1 for yes, 0 for no. */
UIRT_API int ConfirmPopup(const char* title, const char* message);

#define MAX_PATHNAME_LEN 4096     /* bytes of the longest path, zero included */
#define VAL_SAVE_BUTTON 1
#define VAL_SELECT_BUTTON 2
#define VAL_LOAD_BUTTON 3
#define VAL_OK_BUTTON 4
#define VAL_EXISTING_FILE_SELECTED 1
#define VAL_NEW_FILE_SELECTED 2
#define VAL_NO_FILE_SELECTED 0
/* Asks for a file. fileTypeList is ";"-separated patterns ("*.net;*.wrl"),
 * each a filter of its own; an item of several patterns separated by blanks
 * ("*.edf *.edif") is one filter that shows the files of any of them.
 * pathName receives the chosen path and must hold MAX_PATHNAME_LEN bytes.
 * Returns VAL_EXISTING_FILE_SELECTED, VAL_NEW_FILE_SELECTED, or 0/negative
 * when cancelled or failed. With VAL_SAVE_BUTTON an existing file is chosen
 * only after a confirmation popup ("replace it?"); "no" shows the dialog again. */
UIRT_API int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                             const char* fileTypeList, const char* title, int buttonLabel,
                             int restrictDirectory, int restrictExtension, int allowCancel,
                             int allowMakeDirectory, char* pathName);

/* ---- Clipboard ------------------------------------------------------------- */
UIRT_API int ClipboardPutText(const char* text);
/* *text receives a malloc'ed copy (caller frees) or NULL when the clipboard
 * holds no text; *available (may be NULL) is 1 when text was there. */
UIRT_API int ClipboardGetText(char** text, int* available);

/* ---- Files -------------------------------------------------------------------
 * Plain files, usable before InitUIRuntime. A path (here, in LoadPanel and
 * from FileSelectPopup) is Windows-1251 text like every text of the run-time;
 * it is converted to the system's UTF-8 file name when the file is opened. */
#define VAL_READ_WRITE 0
#define VAL_READ_ONLY 1
#define VAL_WRITE_ONLY 2
#define VAL_TRUNCATE 0
#define VAL_APPEND 1
#define VAL_OPEN_AS_IS 2
#define VAL_BINARY 0
#define VAL_ASCII 1   /* text mode: a CR LF pair is read as one LF */
/* Returns a handle > 0, or a value <= 0 on failure. Writing modes create the file. */
UIRT_API int CVI_OpenFile(const char* path, int readWrite, int action, int fileType);
/* Returns the number of bytes stored (in text mode after CR LF folding),
 * 0 at the end of the file, -1 on error. */
UIRT_API int CVI_ReadFile(int handle, char* buffer, int count);
/* Returns the number of bytes written, -1 on error. */
UIRT_API int CVI_WriteFile(int handle, const char* buffer, int count);
UIRT_API int CVI_CloseFile(int handle);
/* origin 0: offset from the start of the file; 2: from its end; 1: relative
 * to the current position, counted in delivered bytes (in text mode a folded
 * CR LF is one delivered byte, so moving back by the count just read makes
 * the same bytes come again). Returns the new position as a file offset, or -1. */
UIRT_API long SetFilePtr(int handle, long offset, int origin);

/* Compares s1 from index1 with s2 from index2 over the whole remaining
 * strings. Returns 0 when equal, negative/positive as for strcmp. */
UIRT_API int CompareStrings(const char* s1, int index1, const char* s2, int index2,
                            int caseSensitive);

/* ---- Debugging --------------------------------------------------------------- */
/* Returns the previous state; has no other effect on this platform. */
UIRT_API int SetBreakOnProtectionErrors(int on);

#ifdef __cplusplus
}
#endif

#endif /* UIRT_H */
