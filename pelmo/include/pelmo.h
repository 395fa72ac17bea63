/* Pelmo: a context menu, key commands, undo/redo and Find / Find-Replace
 * dialogs for a multi-line text box of the uirt user-interface run-time.
 *
 * Lifetime and ownership
 *   ExtendTextBox takes over the box's control callback (the host's callback
 *   on that box is no longer called) and, when a depth is given, creates an
 *   undo history for the box and returns it. The host owns that history: it
 *   keeps the pointer, passes it to the undo_ functions below and releases it
 *   with undo_Close when the box goes away. The library never releases it.
 *   The dialogs and menus are built once per process, at the first
 *   ExtendTextBox, and live until the process ends.
 *
 * While a replace run's question waits
 *   The question has its own event loop. Closing the box's window then ends
 *   the run, and afterwards the panel's close control and callback hear of
 *   the closing as usual (the library stands in for them meanwhile); a
 *   QuitUserInterface of the host's own ends the run and then takes effect.
 *
 * When to call undo_Reset
 *   The history follows the user's edits: typing, pasting, the library's own
 *   commands. A text the host puts into the box by program (SetCtrlVal,
 *   ResetTextBox, InsertTextBoxLine) raises no event, so after setting the
 *   text the host calls undo_Reset: it makes the current text the new
 *   baseline, empties the history and clears the "changed" flag.
 *
 * Texts are Windows-1251 bytes. Every function accepts a NULL history: the
 * queries then return 0 and the others do nothing. All calls belong on the
 * thread that runs the user interface.
 */
#ifndef PELMO_H
#define PELMO_H

#if defined(_WIN32)
#  if defined(PELMO_BUILDING)
#    define PELMO_API __declspec(dllexport)
#  else
#    define PELMO_API __declspec(dllimport)
#  endif
#elif defined(PELMO_BUILDING)
#  define PELMO_API __attribute__((visibility("default")))
#else
#  define PELMO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque undo history of one text box. */
typedef struct UndoHistory UndoHistory;

/* Extends text box `control` on `panel`. size: the history's initial buffer
 * size in bytes (raised to 4096 when smaller); depth: how many steps it keeps
 * (0: no history; 1 or a negative depth counts as 2).
 * Returns the new history (owned by the caller), or NULL when depth is 0,
 * when the history could not be created (the box then works without undo),
 * or when the library could not build its dialogs (the box is then left as
 * it was). */
PELMO_API UndoHistory* ExtendTextBox(int panel, int control, int size, int depth);

/* Makes the box's current text the baseline: empties the history and clears
 * the changed flag. Returns 0. */
PELMO_API int undo_Reset(UndoHistory* history);
/* Releases the history; do not use the pointer afterwards. Call it when the
 * box goes away; a box that stays keeps its menu and keys, without undo. */
PELMO_API void undo_Close(UndoHistory* history);
/* 1 when the text was edited since the last reset (also when the edits were
 * undone after the oldest steps had been dropped for lack of depth), else 0. */
PELMO_API int undo_Changed(UndoHistory* history);
/* 1 when an undo is possible, else 0. */
PELMO_API int undo_CanUndo(UndoHistory* history);
/* 1 when a redo is possible, else 0. */
PELMO_API int undo_CanRedo(UndoHistory* history);

#ifdef __cplusplus
}
#endif

#endif /* PELMO_H */
