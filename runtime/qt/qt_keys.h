// Key codes of the run-time <-> Qt key events, both directions from one table.
#ifndef UIRT_QT_KEYS_H
#define UIRT_QT_KEYS_H

#include <QKeyEvent>
#include <QKeySequence>
#include <memory>

namespace uirt::qt {

// The run-time's code of a Qt key press: modifier (Ctrl, Shift) plus a
// virtual key or a Windows-1251 character. 0 when the key has no code
// (a lone modifier, a character without a Windows-1251 byte, Alt combinations).
int keyCodeOf(const QKeyEvent& event);

// A key press event that Qt's widgets handle as the key with this code, or
// null when the code names no key.
std::unique_ptr<QKeyEvent> keyEventOf(int code);

// Backspace and Delete delete one character, or the selection, whatever
// Ctrl or Shift is held (Qt's editors would delete a word, or cut): the plain
// key for such an event, null for any other.
std::unique_ptr<QKeyEvent> oneCharDeletion(const QKeyEvent& event);

// The key sequence shown for an accelerator code (empty for 0 or unknown).
QKeySequence keySequenceOf(int code);

}  // namespace uirt::qt

#endif  // UIRT_QT_KEYS_H
