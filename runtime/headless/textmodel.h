// The headless backend's text model: the text of a text box or text field,
// its line-start index, the selection, and the editing keys.
#ifndef UIRT_HEADLESS_TEXTMODEL_H
#define UIRT_HEADLESS_TEXTMODEL_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "large_pages.h"

namespace uirt::headless {

// What the editing keys need besides the text itself.
struct EditContext {
    std::optional<std::string>* clipboard = nullptr;  // in-process clipboard
    bool singleLine = false;                          // text field: no LF, no Up/Down
    int maxLength = -1;                               // longest text accepted; < 0 no limit
    int pageLines = 1;                                // lines moved by Page Up / Page Down
};

// Text as bytes with lines separated by LF. The empty text has no lines,
// except right after an empty line was inserted into it. The selection runs
// between the anchor and the caret; its start is the smaller of the two.
class TextModel {
public:
    std::string_view text() const { return text_; }
    int length() const { return static_cast<int>(text_.size()); }

    // Replaces the whole text; the caret goes to the start.
    void reset(std::string_view text);
    // Cuts the text to its first length bytes (nothing when it is not longer);
    // the selection keeps its place, cut with the text.
    void truncate(int length);
    int lineCount() const;
    // Inserts text as line index (index == lineCount() or -1 appends).
    // Returns false for an index out of range.
    bool insertLine(int index, std::string_view line);
    // Start offset and length of line index; false when out of range.
    bool lineRange(int index, int* start, int* length) const;
    // Line holding offset (0 <= offset <= length()); -1 when out of range.
    int lineOfOffset(int offset) const;

    int selectionStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
    int selectionLength() const { return anchor_ < caret_ ? caret_ - anchor_ : anchor_ - caret_; }
    int caret() const { return caret_; }
    // Setting the start keeps the length (clamped to the text); setting the
    // length keeps the start. The caret ends at the selection's end.
    void setSelectionStart(int start);
    void setSelectionLength(int length);
    void select(int start, int length);
    // Puts the caret at offset (clamped); extend keeps the anchor, as a
    // Shift+click does, else the selection collapses there.
    void setCaret(int offset, bool extend) { moveTo(offset, extend); }
    int anchor() const { return anchor_; }

    // Applies an editing or movement key; returns true when the text changed.
    bool applyKey(int key, const EditContext& ctx);
    // Replaces the selection by text as typing would (honouring the maximum
    // length and single-line rules); returns true when the text changed.
    bool typeText(std::string_view text, const EditContext& ctx);

private:
    LargeText text_;
    bool oneEmptyLine_ = false;
    int anchor_ = 0;
    int caret_ = 0;
    mutable std::vector<int> starts_{0};  // offsets of line starts
    mutable bool indexValid_ = true;

    const std::vector<int>& starts() const;
    void replaceRange(int start, int length, std::string_view with);
    void updateIndex(int start, int length, std::string_view with);
    void moveTo(int offset, bool extend);
    int lineStartOf(int offset) const;
    int lineEndOf(int offset) const;
    int verticalTarget(int lines) const;
    bool deleteSelection();
    bool applyVirtualKey(int vkey, bool shift, bool ctrl, const EditContext& ctx);
    bool applyCtrlKey(int ch, const EditContext& ctx);
};

}  // namespace uirt::headless

#endif  // UIRT_HEADLESS_TEXTMODEL_H
