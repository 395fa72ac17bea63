/*
 * uirt_auto.h -- automation of the user-interface run-time, for tests and
 * scripted runs. Not part of a program's normal interface.
 *
 * Answers are queued before the code that opens a popup runs; each popup takes
 * the oldest answer of its own kind. A popup with no queued answer behaves
 * per backend: the headless backend acknowledges a message, answers a
 * confirmation with 0 (no), cancels a file selection and dismisses a popup
 * menu; the Qt backend shows the real dialog and waits for the user.
 * Every popup that is opened is recorded (kind, title, text) whether or not it
 * was answered by automation.
 *
 * User actions (typing, clicking) go through the same path as real input:
 * they are queued and handled when events are processed, and the Auto*
 * functions below process events before they return.
 * All functions return 0 (or a count or id) on success and a negative UIE_*
 * code from uirt.h on failure.
 */
#ifndef UIRT_AUTO_H
#define UIRT_AUTO_H

#include "uirt.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Answers for the next popups ----------------------------------------- */
UIRT_API int AutoAnswerMessage(void);                 /* press OK */
UIRT_API int AutoAnswerConfirm(int yes);              /* 1 yes, 0 no */
/* result: VAL_EXISTING_FILE_SELECTED, VAL_NEW_FILE_SELECTED or 0 (cancel);
 * path: the path the dialog returns (ignored when cancelling). */
UIRT_API int AutoAnswerFileSelect(int result, const char* path);
/* Choose the item whose name equals itemName; NULL dismisses the menu. */
UIRT_API int AutoAnswerPopupMenu(const char* itemName);
/* Answers a panel of the program's own that it will display later and wait
 * on (a modal question it loops ProcessSystemEvents for). Each DisplayPanel of
 * a panel whose title equals title takes the oldest queued answer naming a
 * control of that panel (by label) and queues a click on that control as
 * user input, handled when the program next processes events: AutoClick's
 * effect, without processing. Answers naming no control of the panel stay
 * queued; each answer serves one display. */
UIRT_API int AutoAnswerPanel(const char* title, const char* label);
/* Drops every queued answer, panel answers included. */
UIRT_API int AutoClearAnswers(void);

/* ---- Record of popups opened --------------------------------------------- */
#define AUTO_POPUP_MESSAGE 1
#define AUTO_POPUP_CONFIRM 2
#define AUTO_POPUP_FILE_SELECT 3
#define AUTO_POPUP_MENU 4
/* Number of popups opened since start or the last AutoClearPopupLog. */
UIRT_API int AutoPopupCount(void);
/* Popup index (0 = oldest): kind, and title/text copied into the buffers
 * (truncated to the sizes given, always zero-terminated; NULL to skip). For a
 * popup menu the text is its item names joined by LF, dimmed ones marked
 * with a leading '~' (separators are not listed); the title is the menu's
 * name. For a file selection the text is its file type list. */
UIRT_API int AutoGetPopup(int index, int* kind, char* title, int titleSize, char* text,
                          int textSize);
UIRT_API int AutoClearPopupLog(void);

/* ---- User actions --------------------------------------------------------- */
/* Gives the control the focus (activating its panel) and types the key. */
UIRT_API int AutoTypeKey(int panel, int control, int keyCode);
/* Types each byte of text as a character key (LF as Enter, a tab as Tab). */
UIRT_API int AutoTypeText(int panel, int control, const char* text);
/* Clicks a button (commit), toggles a check box, etc., as a left click would. */
UIRT_API int AutoClick(int panel, int control);
/* Right click at (x, y) relative to the panel, over the control. */
UIRT_API int AutoRightClick(int panel, int control, int x, int y);
/* Closes the panel's window as the window manager's close button would. */
UIRT_API int AutoClosePanel(int panel);
/* Drops a file on the panel's window, as from a file manager. */
UIRT_API int AutoDropFile(int panel, const char* path);

/* ---- Reading state ---------------------------------------------------------- */
/* First panel whose title equals title, or a negative code. */
UIRT_API int AutoFindPanel(const char* title);
/* First control of panel whose label equals label, or a negative code. */
UIRT_API int AutoFindCtrl(int panel, const char* label);
/* First panel whose title equals title and that has a control whose label
 * equals label (panels may share a title), or UIE_BAD_PANEL. */
UIRT_API int AutoFindPanelWithCtrl(const char* title, const char* label);
/* Renders the panel's window as it would appear on screen into a PNG file.
 * UIE_NOT_SUPPORTED on the headless backend. */
UIRT_API int AutoRenderPanel(int panel, const char* pngPath);

#ifdef __cplusplus
}
#endif

#endif /* UIRT_AUTO_H */
