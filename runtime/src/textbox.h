// The text-box functions of uirt.h, written once for both backends: argument
// checks and the rules they share, over the small interface each backend's
// text box implements.
#ifndef UIRT_TEXTBOX_H
#define UIRT_TEXTBOX_H

#include <climits>
#include <cstddef>
#include <string_view>

namespace uirt {

// The most bytes a text box holds: its offsets and lengths are ints. What
// would make the text longer is refused whole (UIE_OUT_OF_MEMORY).
inline constexpr std::size_t kMaxTextLength = INT_MAX;

// A backend's multi-line text box: text as bytes, lines separated by LF and
// numbered from 0, offsets counted in bytes. Indexes and offsets passed in
// are already checked against lineCount() and textLength().
class TextBoxAccess {
public:
    virtual ~TextBoxAccess() = default;
    // Replaces the whole text (a program change: no value-changed event).
    virtual void reset(std::string_view text) = 0;
    // Adds text as the new last line.
    virtual void appendLine(std::string_view line) = 0;
    // Inserts text as line index, before the line there (index < lineCount()).
    virtual void insertLineBefore(int index, std::string_view line) = 0;
    virtual int lineCount() = 0;
    virtual int textLength() = 0;
    virtual int lineStart(int index) = 0;
    virtual int lineLength(int index) = 0;
    // Copies line index, without its LF, and a terminating zero to buffer.
    virtual void copyLine(int index, char* buffer) = 0;
    // Line that holds offset (0 <= offset <= textLength()).
    virtual int lineOfOffset(int offset) = 0;
};

// The seven functions; results as uirt.h documents them.
namespace textbox {
int reset(TextBoxAccess& box, const char* text);
int insertLine(TextBoxAccess& box, int index, const char* text);
int lineCount(TextBoxAccess& box, int* count);
int line(TextBoxAccess& box, int index, char* buffer);
int lineLength(TextBoxAccess& box, int index, int* length);
int lineOffset(TextBoxAccess& box, int index, int* offset);
int lineOfOffset(TextBoxAccess& box, int offset, int* index);

// Where the selection goes when n bytes are inserted at offset at: a
// position behind at moves by n; one at at stays, unless the anchor is there
// and the selection runs on from it, which then moves whole.
inline void shiftForInsert(int at, int n, int& anchor, int& caret) {
    if (anchor >= at && (anchor > at || caret > at)) anchor += n;
    if (caret > at) caret += n;
}
}  // namespace textbox

}  // namespace uirt

#endif  // UIRT_TEXTBOX_H
