// The undo engine: an undo/redo history for one text box, kept as the
// differences between successive snapshots of the box's whole text.
//
// After every value change of the box, undo_Action reads the text, compares it
// with the snapshot and records at most two steps at one offset: the bytes that
// disappeared (kind 2) and the bytes that appeared (kind 1). A typed or deleted
// character that continues a word or a run of spaces is merged into the step
// before it. undo_Undo and undo_Redo rebuild the text from the snapshot and one
// step and write the whole text back into the box.
#ifndef PELMO_UNDO_H
#define PELMO_UNDO_H

#include <cstdint>

#include "pelmo.h"

// A growable text: bytes, their count and the block's size. A buffer asked for
// n bytes always has room for n + 1 (the terminating zero).
struct UndoBuffer {
    char* text;
    int32_t length;
    int32_t capacity;
};

// The block holding the steps back to back in history order.
struct UndoArea {
    char* block;
    int32_t used;  // end of the applied steps; redoable steps lie beyond it
    int32_t capacity;
};

// One step inside the step area: this header, then `len` bytes of text, a
// zero, a byte of marks (kStep*Mark) and two spare bytes (kStepOverhead + len
// bytes in all). Steps are not aligned, so they are read and written through
// readStep / writeStep.
struct UndoStep {
    int32_t kind;  // kStepInserted or kStepRemoved
    int32_t len;   // bytes of text, at least 1
    int32_t pos;   // offset in the box's text where the change begins
    int32_t firstLine;
    int32_t selStart;
    int32_t selLen;
};

inline constexpr int32_t kStepInserted = 1;
inline constexpr int32_t kStepRemoved = 2;
inline constexpr int32_t kStepOverhead = 28;

// Marks of a step. A command's steps (a replace run, a block indent, clearing
// the box) never merge with the steps around them; when a command both
// removed and inserted text, its removal is joined to the insertion after it,
// so that one undo or redo takes both.
inline constexpr unsigned char kStepCommandMark = 1;
inline constexpr unsigned char kStepJoinedMark = 2;

inline constexpr int32_t kUndoEdited = 1;     // flags bit 0: edited since the baseline
inline constexpr int32_t kUndoTruncated = 2;  // flags bit 1: oldest steps were discarded

struct UndoHistory {
    int32_t baseSize;  // initial capacity of the buffers, and what reset shrinks them to
    int32_t maxSteps;  // depth; `steps` has maxSteps + 1 entries
    int32_t panel;
    int32_t control;
    int32_t flags;
    UndoBuffer snapshot;  // the box's text as last seen or set; length -1 when unknown
    UndoBuffer scratch;   // the box's new text, or a rebuilt text
    UndoArea stepArea;
    int32_t position;  // steps applied; undo is possible while above 0
    int32_t top;       // steps stored; redo is possible while position < top
    int32_t* steps;    // offsets in stepArea of the stored steps, oldest first
    int32_t paused;    // above 0 while a command runs: its value changes are not recorded
    UndoHistory* next; // the next live history of the process
};

extern "C" {
// Creates the history of text box (panel, control) with buffers of `size`
// bytes and room for maxSteps steps (below 2 counts as 2); the box's current
// text is the baseline. NULL when an allocation fails.
UndoHistory* undo_Init(int panel, int control, int size, int maxSteps);
// Records the difference between the snapshot and the box's text. Returns 0.
int undo_Action(UndoHistory* h);
// Takes back / reapplies one step and writes the text into the box. Return 0.
int undo_Undo(UndoHistory* h);
int undo_Redo(UndoHistory* h);
}

namespace pelmo::undo {

// The capacity the buffer policy gives a buffer of `capacity` bytes asked
// for `needed` bytes, or -1 when that exceeds what an int32 can count.
int64_t policyCapacity(int64_t capacity, int64_t needed, int64_t baseSize);
// Header of the step at `offset` in the step area, and the step's text.
UndoStep readStep(const UndoHistory& h, int32_t offset);
const char* stepText(const UndoHistory& h, int32_t offset);
// Marks of the step at `offset` in the step area.
unsigned char stepMarks(const UndoHistory& h, int32_t offset);
// Merges the step just recorded into the one before it when typing or
// deleting continues a word or a run of spaces.
void MergeLastStep(UndoHistory& h);

// A command that edits the box by many value changes (a replace run, a block
// indent) is recorded as one edit: PauseRecording before it, ResumeRecording
// when it has ended, however it ended. Value changes in between are not
// recorded, and undo and redo do nothing; the last ResumeRecording records
// the difference since the pause as the command's steps. Pauses nest.
void PauseRecording(UndoHistory* h);
void ResumeRecording(UndoHistory* h);
// Records the box's change as a command of its own (clearing the box).
void RecordCommand(UndoHistory* h);
// True while h was created by undo_Init and not yet closed.
bool IsLive(const UndoHistory* h);

}  // namespace pelmo::undo

#endif  // PELMO_UNDO_H
