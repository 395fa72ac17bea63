// The text-box functions' argument checks and shared rules.
#include "textbox.h"

#include "uirt.h"

namespace uirt::textbox {

int reset(TextBoxAccess& box, const char* text) {
    const std::string_view all = text ? text : "";
    if (all.size() > kMaxTextLength) return UIE_OUT_OF_MEMORY;
    box.reset(all);
    return 0;
}

int insertLine(TextBoxAccess& box, int index, const char* text) {
    const std::string_view line = text ? text : "";
    // The new line and the LF that joins it to the others must fit.
    if (line.size() >= kMaxTextLength - static_cast<std::size_t>(box.textLength())) return UIE_OUT_OF_MEMORY;
    if (index == -1) {
        box.appendLine(line);  // stays cheap: no count needed
        return 0;
    }
    const int count = box.lineCount();
    if (index < -1 || index > count) return UIE_BAD_VALUE;
    if (index == count) box.appendLine(line);
    else box.insertLineBefore(index, line);
    return 0;
}

int lineCount(TextBoxAccess& box, int* count) {
    *count = box.lineCount();
    return 0;
}

int line(TextBoxAccess& box, int index, char* buffer) {
    if (index < 0 || index >= box.lineCount()) return UIE_BAD_VALUE;
    box.copyLine(index, buffer);
    return 0;
}

int lineLength(TextBoxAccess& box, int index, int* length) {
    if (index < 0 || index >= box.lineCount()) return UIE_BAD_VALUE;
    *length = box.lineLength(index);
    return 0;
}

int lineOffset(TextBoxAccess& box, int index, int* offset) {
    if (index < 0 || index >= box.lineCount()) return UIE_BAD_VALUE;
    *offset = box.lineStart(index);
    return 0;
}

int lineOfOffset(TextBoxAccess& box, int offset, int* index) {
    if (offset < 0 || offset > box.textLength()) return UIE_BAD_VALUE;
    *index = box.lineOfOffset(offset);
    return 0;
}

}  // namespace uirt::textbox
