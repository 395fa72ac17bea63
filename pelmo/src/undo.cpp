// The undo engine of an extended text box (see undo.h).
#include "undo.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "uirt.h"

namespace pelmo::undo {
namespace {

// One flag for the whole process: a value change that arrives while a
// recording runs (from events processed inside it) is not recorded again.
struct Module {
    bool ActionBusy = false;
    UndoHistory* live = nullptr;  // the histories not yet closed, newest first
};
Module module;

class BusyScope {
public:
    BusyScope() { module.ActionBusy = true; }
    ~BusyScope() { module.ActionBusy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

// Resizes a block to the capacity the policy gives for `needed` bytes.
// Contents are kept up to the smaller of the two sizes. False, with the block
// untouched, when the memory cannot be had.
bool GrowBuffer(char*& block, int32_t& capacity, int64_t needed, int32_t baseSize) {
    const int64_t wanted = policyCapacity(capacity, needed, baseSize);
    if (wanted < 0) return false;
    if (wanted == capacity && block) return true;
    char* moved = static_cast<char*>(std::realloc(block, static_cast<size_t>(wanted)));
    if (!moved) return false;
    block = moved;
    capacity = static_cast<int32_t>(wanted);
    return true;
}

bool grow(const UndoHistory& h, UndoBuffer& b, int64_t needed) {
    return GrowBuffer(b.text, b.capacity, needed, h.baseSize);
}

bool grow(const UndoHistory& h, UndoArea& a, int64_t needed) {
    return GrowBuffer(a.block, a.capacity, needed, h.baseSize);
}

// Length of the box's text, or -1 when it cannot be read.
int32_t textLength(const UndoHistory& h) {
    int length = -1;
    if (GetCtrlAttribute(h.panel, h.control, ATTR_STRING_TEXT_LENGTH, &length) < 0) return -1;
    return length;
}

// Reads the box's whole text into b, growing it as the policy says.
bool readText(const UndoHistory& h, UndoBuffer& b) {
    const int32_t length = textLength(h);
    if (length < 0 || !grow(h, b, length)) return false;
    if (GetCtrlAttribute(h.panel, h.control, ATTR_CTRL_VAL, b.text) < 0) return false;
    b.length = length;
    b.text[length] = '\0';
    return true;
}

void exchange(UndoBuffer& a, UndoBuffer& b) { std::swap(a, b); }

void writeStep(UndoHistory& h, int32_t offset, const UndoStep& s, const char* text, unsigned char marks) {
    char* at = h.stepArea.block + offset;
    std::memcpy(at, &s, sizeof s);
    std::memcpy(at + sizeof s, text, static_cast<size_t>(s.len));
    at[sizeof s + static_cast<size_t>(s.len)] = '\0';
    at[sizeof s + static_cast<size_t>(s.len) + 1] = static_cast<char>(marks);
}


void writeHeader(UndoHistory& h, int32_t offset, const UndoStep& s) {
    std::memcpy(h.stepArea.block + offset, &s, sizeof s);
}

int32_t footprint(int32_t len) { return kStepOverhead + len; }

// Number of equal leading bytes of a and b (n bytes each).
int32_t commonPrefix(const char* a, const char* b, int32_t n) {
    constexpr int32_t kChunk = 256;
    int32_t i = 0;
    while (n - i >= kChunk && std::memcmp(a + i, b + i, kChunk) == 0) i += kChunk;
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

// Number of equal trailing bytes of a (ending at aEnd) and b (ending at
// bEnd), at most n.
int32_t commonSuffix(const char* aEnd, const char* bEnd, int32_t n) {
    constexpr int32_t kChunk = 256;
    int32_t i = 0;
    while (n - i >= kChunk && std::memcmp(aEnd - i - kChunk, bEnd - i - kChunk, kChunk) == 0) i += kChunk;
    while (i < n && aEnd[-i - 1] == bEnd[-i - 1]) ++i;
    return i;
}

struct View {
    int firstLine = 0;
    int selStart = 0;
    int selLen = 0;
};

View readView(const UndoHistory& h) {
    View v;
    GetCtrlAttribute(h.panel, h.control, ATTR_FIRST_VISIBLE_LINE, &v.firstLine);
    GetCtrlAttribute(h.panel, h.control, ATTR_TEXT_SELECTION_START, &v.selStart);
    GetCtrlAttribute(h.panel, h.control, ATTR_TEXT_SELECTION_LENGTH, &v.selLen);
    return v;
}

// Puts a rebuilt text into the box with the view a step recorded.
void showText(const UndoHistory& h, const char* text, const UndoStep& s, bool setView) {
    ResetTextBox(h.panel, h.control, text);
    if (setView) {
        SetCtrlAttribute(h.panel, h.control, ATTR_FIRST_VISIBLE_LINE, s.firstLine);
        SetCtrlAttribute(h.panel, h.control, ATTR_TEXT_SELECTION_START, s.selStart);
        SetCtrlAttribute(h.panel, h.control, ATTR_TEXT_SELECTION_LENGTH, s.selLen);
    }
    SetActivePanel(h.panel);
    SetActiveCtrl(h.panel, h.control);
}

// Drops the oldest step, and the step joined to it: the rest of the applied
// steps move down over them.
void discardOldest(UndoHistory& h) {
    const bool joined = (stepMarks(h, h.steps[0]) & kStepJoinedMark) != 0;
    const int32_t extent = footprint(readStep(h, h.steps[0]).len);
    h.stepArea.used -= extent;
    std::memmove(h.stepArea.block, h.stepArea.block + extent, static_cast<size_t>(h.stepArea.used));
    for (int32_t i = 1; i < h.position; ++i) h.steps[i - 1] = h.steps[i] - extent;
    --h.position;
    h.top = h.position;
    h.flags |= kUndoTruncated;
    if (joined && h.position > 0) discardOldest(h);
}

// Appends a step at the end of the applied steps and makes it the newest.
bool pushStep(UndoHistory& h, const UndoStep& s, const char* text, unsigned char marks) {
    if (!grow(h, h.stepArea, static_cast<int64_t>(h.stepArea.used) + s.len + kStepOverhead)) return false;
    const int32_t at = h.stepArea.used;
    writeStep(h, at, s, text, marks);
    h.steps[h.position++] = at;
    h.stepArea.used += footprint(s.len);
    h.top = h.position;
    h.flags |= kUndoEdited;
    return true;
}

// Gives up the history when memory ran out while recording: no step refers
// to a text that the box no longer has. The flags keep saying "changed".
void loseHistory(UndoHistory& h) {
    h.position = h.top = 0;
    h.stepArea.used = 0;
    h.flags |= kUndoEdited | kUndoTruncated;
}

// Builds in the scratch buffer the snapshot with step s (at `at` in the step
// area) applied: its text put in at s.pos when `insert`, and `skip` bytes of
// the snapshot left out there. The scratch buffer must hold the result.
void rebuild(UndoHistory& h, int32_t at, const UndoStep& s, bool insert, int32_t skip) {
    const int32_t tail = h.snapshot.length - s.pos - skip;
    char* out = h.scratch.text;
    std::memcpy(out, h.snapshot.text, static_cast<size_t>(s.pos));
    out += s.pos;
    if (insert) {
        std::memcpy(out, stepText(h, at), static_cast<size_t>(s.len));
        out += s.len;
    }
    std::memcpy(out, h.snapshot.text + s.pos + skip, static_cast<size_t>(tail));
    out[tail] = '\0';
    h.scratch.length = static_cast<int32_t>(out + tail - h.scratch.text);
}

bool isMergeWordChar(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0;
}

template <class Pred>
bool all(const char* text, int32_t len, Pred pred) {
    for (int32_t i = 0; i < len; ++i)
        if (!pred(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

bool isSpace(unsigned char c) { return c == ' '; }

// Records the difference between the snapshot and the box's text; a
// command's steps are marked and never merged.
void record(UndoHistory& h, bool command) {
    BusyScope busy;
    const View view = readView(h);

    if (!readText(h, h.scratch)) {
        // Memory ran out: the snapshot can no longer stand for the text.
        loseHistory(h);
        h.snapshot.length = -1;
        return;
    }
    if (h.snapshot.length < 0) {
        // A baseline lost earlier: take the text as it is now. What changed
        // since is unknown, so the text counts as changed for good.
        exchange(h.snapshot, h.scratch);
        h.flags |= kUndoEdited | kUndoTruncated;
        return;
    }
    const int32_t oldLen = h.snapshot.length;
    const int32_t newLen = h.scratch.length;
    const int32_t prefix = commonPrefix(h.snapshot.text, h.scratch.text, std::min(oldLen, newLen));
    SetBreakOnProtectionErrors(0);
    const int32_t suffix = commonSuffix(h.snapshot.text + oldLen, h.scratch.text + newLen,
                                        std::min(oldLen, newLen) - prefix);
    SetBreakOnProtectionErrors(1);
    const int32_t removed = oldLen - suffix - prefix;
    const int32_t inserted = newLen - suffix - prefix;

    if (removed > 0 || inserted > 0) {
        while (h.position >= h.maxSteps - 1) discardOldest(h);
        const unsigned char marks = command ? kStepCommandMark : 0;
        int written = 0;
        bool ok = true;
        if (removed > 0) {
            UndoStep s{kStepRemoved, removed, prefix, view.firstLine, 0, 0};
            // When text also came in, undoing the removal selects what it restores.
            if (inserted == 0) s.selStart = view.selStart, s.selLen = view.selLen;
            else s.selStart = prefix, s.selLen = removed;
            const bool joined = command && inserted > 0;
            ok = pushStep(h, s, h.snapshot.text + prefix, joined ? marks | kStepJoinedMark : marks);
            written += ok;
        }
        if (ok && inserted > 0) {
            UndoStep s{kStepInserted, inserted, prefix, view.firstLine, view.selStart, view.selLen};
            ok = pushStep(h, s, h.scratch.text + prefix, marks);
            written += ok;
        }
        if (!ok) loseHistory(h);
        else if (written == 1 && !command) MergeLastStep(h);
    }
    exchange(h.snapshot, h.scratch);
}

// Takes back the newest applied step; false when it could not.
bool undoOne(UndoHistory& h) {
    const int32_t at = h.steps[h.position - 1];
    const UndoStep s = readStep(h, at);
    const int32_t snapLen = h.snapshot.length;
    const int64_t rebuilt = s.kind == kStepRemoved ? int64_t{snapLen} + s.len : int64_t{snapLen} - s.len;
    const int64_t tail = int64_t{snapLen} - s.pos - (s.kind == kStepInserted ? s.len : 0);
    if (rebuilt < 0 || tail < 0 || s.pos < 0) {
        std::printf("ERROR: textsize=%d, n=%d\n", static_cast<int>(rebuilt), static_cast<int>(tail));
        std::fflush(stdout);
        return false;
    }
    // The history changes only once the rebuilt text has a place to go.
    if (!grow(h, h.scratch, rebuilt)) return false;
    if (--h.position == 0) h.flags &= ~kUndoEdited;
    h.stepArea.used -= footprint(s.len);

    rebuild(h, at, s, s.kind == kStepRemoved, s.kind == kStepInserted ? s.len : 0);

    showText(h, h.scratch.text, s, rebuilt != 0);
    exchange(h.snapshot, h.scratch);
    return true;
}

// Applies the first undone step again; false when it could not.
bool redoOne(UndoHistory& h) {
    const int32_t at = h.steps[h.position];
    UndoStep s = readStep(h, at);
    const int32_t snapLen = h.snapshot.length;
    // A step that does not fit the text (the program changed the text without
    // a reset) is not applied: nothing is read outside the snapshot.
    const int64_t kept = int64_t{snapLen} - s.pos - (s.kind == kStepRemoved ? s.len : 0);
    if (s.pos < 0 || kept < 0) return false;
    const int64_t rebuilt = s.kind == kStepInserted ? int64_t{snapLen} + s.len : int64_t{snapLen} - s.len;
    if (!grow(h, h.scratch, rebuilt)) return false;
    h.flags |= kUndoEdited;
    ++h.position;
    h.stepArea.used += footprint(s.len);

    rebuild(h, at, s, s.kind == kStepInserted, s.kind == kStepRemoved ? s.len : 0);

    // A removal redone leaves the caret where the text went, nothing selected:
    // the selection a removal keeps is the one its undo restores.
    if (s.kind == kStepRemoved) s.selStart = s.pos, s.selLen = 0;
    showText(h, h.scratch.text, s, true);
    exchange(h.snapshot, h.scratch);
    return true;
}

}  // namespace

int64_t policyCapacity(int64_t capacity, int64_t needed, int64_t baseSize) {
    int64_t result;
    if (needed >= baseSize) {
        if (capacity / 2 <= needed && needed < capacity) return capacity;
        // Half again what is needed, and never less than room for the zero.
        result = std::max(needed * 3 / 2, needed + 1);
    } else {
        if (baseSize <= capacity && capacity <= needed * 3 / 2) return capacity;
        result = baseSize;
    }
    return result > std::numeric_limits<int32_t>::max() ? -1 : result;
}

UndoStep readStep(const UndoHistory& h, int32_t offset) {
    UndoStep s;
    std::memcpy(&s, h.stepArea.block + offset, sizeof s);
    return s;
}

const char* stepText(const UndoHistory& h, int32_t offset) {
    return h.stepArea.block + offset + sizeof(UndoStep);
}

unsigned char stepMarks(const UndoHistory& h, int32_t offset) {
    return static_cast<unsigned char>(stepText(h, offset)[readStep(h, offset).len + 1]);
}

void MergeLastStep(UndoHistory& h) {
    if (h.position < 2) return;
    const int32_t pAt = h.steps[h.position - 2];
    const int32_t rAt = h.steps[h.position - 1];
    if (stepMarks(h, pAt) != 0 || stepMarks(h, rAt) != 0) return;
    UndoStep p = readStep(h, pAt);
    const UndoStep r = readStep(h, rAt);
    if (r.len != 1 || r.kind != p.kind) return;
    const unsigned char c = static_cast<unsigned char>(stepText(h, rAt)[0]);
    const char* pText = stepText(h, pAt);
    const bool spaces = isSpace(c) && all(pText, p.len, isSpace);
    const bool words = isMergeWordChar(c) && all(pText, p.len, isMergeWordChar);
    if (!spaces && !words) return;

    enum { None, Append, Prepend } how = None;
    if (r.kind == kStepInserted) {
        if (r.pos == p.pos + p.len) how = Append;
        else if (r.pos == p.pos) how = spaces ? Append : Prepend;
    } else {
        if (r.pos == p.pos - 1) how = spaces ? Append : Prepend;
        else if (r.pos == p.pos) how = Append;
    }
    if (how == None) return;

    char* text = h.stepArea.block + pAt + sizeof(UndoStep);
    if (how == Append) {
        text[p.len] = static_cast<char>(c);
        // Backspacing over spaces moves the step's start back with the caret.
        if (r.kind == kStepRemoved && r.pos == p.pos - 1) p.pos = r.pos;
        ++p.len;
    } else {
        std::memmove(text + 1, text, static_cast<size_t>(p.len));
        text[0] = static_cast<char>(c);
        const int32_t len = p.len + 1;
        p = r;
        p.len = len;
    }
    text[p.len] = '\0';
    text[p.len + 1] = 0;  // the marks byte: an ordinary step
    writeHeader(h, pAt, p);
    --h.position;
    h.top = h.position;
    h.stepArea.used = pAt + footprint(p.len);
}

void PauseRecording(UndoHistory* h) {
    if (h) ++h->paused;
}

void ResumeRecording(UndoHistory* h) {
    if (!h || h->paused == 0) return;
    if (--h->paused == 0 && !module.ActionBusy) record(*h, true);
}

void RecordCommand(UndoHistory* h) {
    if (h && !h->paused && !module.ActionBusy) record(*h, true);
}

bool IsLive(const UndoHistory* h) {
    for (const UndoHistory* l = module.live; l; l = l->next)
        if (l == h) return true;
    return false;
}

}  // namespace pelmo::undo

using namespace pelmo::undo;

extern "C" {

UndoHistory* undo_Init(int panel, int control, int size, int maxSteps) {
    size = std::max(size, 1);
    maxSteps = std::max(maxSteps, 2);
    const size_t steps = static_cast<size_t>(maxSteps) + 1;
    auto* h = static_cast<UndoHistory*>(std::calloc(1, sizeof(UndoHistory) + steps * sizeof(int32_t)));
    if (!h) return nullptr;
    h->steps = reinterpret_cast<int32_t*>(h + 1);
    h->baseSize = size;
    h->maxSteps = maxSteps;
    h->panel = panel;
    h->control = control;
    h->scratch.text = static_cast<char*>(std::malloc(static_cast<size_t>(size)));
    h->scratch.capacity = size;
    h->stepArea.block = static_cast<char*>(std::malloc(static_cast<size_t>(size)));
    h->stepArea.capacity = size;
    bool ok = h->scratch.text && h->stepArea.block;
    if (ok) {
        int32_t length = std::max(textLength(*h), 0);
        // The snapshot keeps room for its terminating zero.
        const int64_t capacity = length < size ? size : std::max<int64_t>(int64_t{length} * 3 / 2, length + 1);
        ok = capacity <= std::numeric_limits<int32_t>::max();
        if (ok) {
            h->snapshot.text = static_cast<char*>(std::malloc(static_cast<size_t>(capacity)));
            h->snapshot.capacity = static_cast<int32_t>(capacity);
            ok = h->snapshot.text != nullptr;
        }
        if (ok && !readText(*h, h->snapshot)) {
            h->snapshot.length = 0;
            h->snapshot.text[0] = '\0';
        }
    }
    if (!ok) {
        std::free(h->scratch.text);
        std::free(h->stepArea.block);
        std::free(h->snapshot.text);
        std::free(h);
        return nullptr;
    }
    h->next = module.live;
    module.live = h;
    return h;
}

int undo_Action(UndoHistory* h) {
    if (!h || module.ActionBusy || h->paused) return 0;
    record(*h, false);
    return 0;
}

// The two steps of a command that both removed and inserted text go together.
int undo_Undo(UndoHistory* h) {
    if (!h || h->paused || h->position == 0) return 0;
    if (!undoOne(*h)) return 0;
    if (h->position > 0 && (stepMarks(*h, h->steps[h->position - 1]) & kStepJoinedMark)) undoOne(*h);
    return 0;
}

int undo_Redo(UndoHistory* h) {
    if (!h || h->paused || h->position == h->top) return 0;
    const bool joined = (stepMarks(*h, h->steps[h->position]) & kStepJoinedMark) != 0;
    if (redoOne(*h) && joined && h->position < h->top) redoOne(*h);
    return 0;
}

int undo_Reset(UndoHistory* h) {
    if (!h) return 0;
    if (h->scratch.capacity != h->baseSize) grow(*h, h->scratch, 0);
    if (h->stepArea.capacity != h->baseSize) grow(*h, h->stepArea, 0);
    if (!readText(*h, h->snapshot)) h->snapshot.length = -1;
    h->position = h->top = h->flags = 0;
    h->stepArea.used = 0;
    return 0;
}

void undo_Close(UndoHistory* h) {
    if (!h) return;
    for (UndoHistory** l = &module.live; *l; l = &(*l)->next)
        if (*l == h) {
            *l = h->next;
            break;
        }
    // A box that outlives its history must not reach it through its callback.
    void* data = nullptr;
    if (GetCtrlAttribute(h->panel, h->control, ATTR_CALLBACK_DATA, &data) == 0 && data == h)
        SetCtrlAttribute(h->panel, h->control, ATTR_CALLBACK_DATA, nullptr);
    std::free(h->snapshot.text);
    std::free(h->scratch.text);
    std::free(h->stepArea.block);
    std::free(h);
}

int undo_Changed(UndoHistory* h) { return h && h->flags != 0 ? 1 : 0; }

int undo_CanUndo(UndoHistory* h) { return h && h->position != 0 ? 1 : 0; }

int undo_CanRedo(UndoHistory* h) { return h && h->top != h->position ? 1 : 0; }

}  // extern "C"
