// Text model of the headless backend: line index, selection and editing keys.
#include "textmodel.h"

#include <algorithm>
#include <cstring>

#include "attrs.h"
#include "textbox.h"

namespace uirt::headless {

void TextModel::reset(std::string_view text) {
    text_.assign(text.data(), text.size());
    oneEmptyLine_ = false;
    anchor_ = caret_ = 0;
    indexValid_ = false;
}

void TextModel::truncate(int length) {
    if (length < 0 || length >= this->length()) return;
    text_.resize(static_cast<size_t>(length));
    oneEmptyLine_ = false;
    indexValid_ = false;
    anchor_ = std::min(anchor_, length);
    caret_ = std::min(caret_, length);
}

const std::vector<int>& TextModel::starts() const {
    if (!indexValid_) {
        starts_.clear();
        starts_.push_back(0);
        const char* base = text_.data();
        const char* end = base + text_.size();
        for (const char* p = base; (p = static_cast<const char*>(std::memchr(p, '\n', end - p))) != nullptr;) {
            ++p;
            starts_.push_back(static_cast<int>(p - base));
        }
        indexValid_ = true;
    }
    return starts_;
}

int TextModel::lineCount() const {
    if (text_.empty() && !oneEmptyLine_) return 0;
    return static_cast<int>(starts().size());
}

bool TextModel::insertLine(int index, std::string_view line) {
    int count = lineCount();
    if (index < -1 || index > count) return false;
    if (count == 0 || index == -1 || index == count) {
        // Appending keeps the index valid, so that it stays cheap; an LF
        // inside the inserted text starts a further line like any other LF.
        starts();
        if (count == 0) {
            text_.clear();
            starts_.assign(1, 0);
        } else {
            text_ += '\n';
            starts_.push_back(static_cast<int>(text_.size()));
        }
        const size_t base = text_.size();
        text_.append(line.data(), line.size());
        for (const char* p = line.data(), *end = p + line.size();
             (p = static_cast<const char*>(std::memchr(p, '\n', end - p))) != nullptr;) {
            ++p;
            starts_.push_back(static_cast<int>(base + (p - line.data())));
        }
        oneEmptyLine_ = count == 0 && line.empty();
        return true;
    }
    int at = starts()[index];
    std::string piece(line);
    piece += '\n';
    updateIndex(at, 0, piece);
    text_.insert(static_cast<size_t>(at), piece);
    oneEmptyLine_ = false;
    textbox::shiftForInsert(at, static_cast<int>(piece.size()), anchor_, caret_);
    return true;
}

bool TextModel::lineRange(int index, int* start, int* length) const {
    if (index < 0 || index >= lineCount()) return false;
    const auto& s = starts();
    *start = s[index];
    int end = index + 1 < static_cast<int>(s.size()) ? s[index + 1] - 1 : this->length();
    *length = end - *start;
    return true;
}

int TextModel::lineOfOffset(int offset) const {
    if (offset < 0 || offset > length()) return -1;
    const auto& s = starts();
    return static_cast<int>(std::upper_bound(s.begin(), s.end(), offset) - s.begin()) - 1;
}

void TextModel::setSelectionStart(int start) {
    select(start, selectionLength());
}

void TextModel::setSelectionLength(int length) {
    select(selectionStart(), length);
}

void TextModel::select(int start, int length) {
    start = std::clamp(start, 0, this->length());
    length = std::clamp(length, 0, this->length() - start);
    anchor_ = start;
    caret_ = start + length;
}

void TextModel::replaceRange(int start, int length, std::string_view with) {
    if (indexValid_) updateIndex(start, length, with);
    text_.replace(static_cast<size_t>(start), static_cast<size_t>(length), with.data(), with.size());
    oneEmptyLine_ = false;
    anchor_ = caret_ = start + static_cast<int>(with.size());
}

// Keeps the line-start index valid across an edit: starts inside the
// replaced bytes go, the replacement's line breaks come in, later starts move.
void TextModel::updateIndex(int start, int length, std::string_view with) {
    auto lo = std::upper_bound(starts_.begin(), starts_.end(), start);
    auto hi = std::upper_bound(lo, starts_.end(), start + length);
    std::vector<int> added;
    for (size_t i = 0; i < with.size(); ++i) {
        if (with[i] == '\n') added.push_back(start + static_cast<int>(i) + 1);
    }
    int delta = static_cast<int>(with.size()) - length;
    auto at = starts_.erase(lo, hi);
    at = starts_.insert(at, added.begin(), added.end()) + static_cast<std::ptrdiff_t>(added.size());
    for (; at != starts_.end(); ++at) *at += delta;
}

void TextModel::moveTo(int offset, bool extend) {
    caret_ = std::clamp(offset, 0, length());
    if (!extend) anchor_ = caret_;
}

int TextModel::lineStartOf(int offset) const { return starts()[lineOfOffset(offset)]; }

int TextModel::lineEndOf(int offset) const {
    size_t lf = text_.find('\n', static_cast<size_t>(offset));
    return lf == std::string::npos ? length() : static_cast<int>(lf);
}

// Offset on the line `lines` below (negative: above) the caret's, in the same
// column clamped to that line; the caret itself when there is no such line.
int TextModel::verticalTarget(int lines) const {
    int line = lineOfOffset(caret_);
    int column = caret_ - starts()[line];
    int last = std::max(lineCount() - 1, 0);
    int target = std::clamp(line + lines, 0, last);
    if (target == line) return caret_;
    int start = 0, len = 0;
    lineRange(target, &start, &len);
    return start + std::min(column, len);
}

bool TextModel::deleteSelection() {
    if (selectionLength() == 0) return false;
    replaceRange(selectionStart(), selectionLength(), {});
    return true;
}

bool TextModel::typeText(std::string_view text, const EditContext& ctx) {
    std::string piece(text);
    if (ctx.singleLine) piece = piece.substr(0, piece.find('\n'));
    // A text field's maximum length, and for every box the most an int
    // offset can reach, cut what is typed or pasted.
    const long long limit = ctx.maxLength >= 0 ? ctx.maxLength : static_cast<long long>(kMaxTextLength);
    const long long room = std::max(0LL, limit - (length() - selectionLength()));
    if (static_cast<long long>(piece.size()) > room) piece.resize(static_cast<size_t>(room));
    if (piece.empty()) return deleteSelection() ;
    replaceRange(selectionStart(), selectionLength(), piece);
    return true;
}

bool TextModel::applyKey(int key, const EditContext& ctx) {
    bool ctrl = (key & VAL_MENUKEY_MODIFIER) != 0;
    bool shift = (key & VAL_SHIFT_MODIFIER) != 0;
    if (isCharacterKey(key)) {
        char c = static_cast<char>(keyChar(key));
        if (ctx.maxLength >= 0 && selectionLength() == 0 && length() >= ctx.maxLength) return false;
        return typeText(std::string_view(&c, 1), ctx);
    }
    if (keyVirtual(key) != 0) return applyVirtualKey(keyVirtual(key), shift, ctrl, ctx);
    if (ctrl) return applyCtrlKey(keyChar(key), ctx);
    return false;
}

bool TextModel::applyCtrlKey(int ch, const EditContext& ctx) {
    if (ch >= 'a' && ch <= 'z') ch -= 32;
    switch (ch) {
    case 'A':
        select(0, length());
        return false;
    case 'C':
        if (selectionLength() > 0 && ctx.clipboard)
            *ctx.clipboard = std::string(text().substr(static_cast<size_t>(selectionStart()), static_cast<size_t>(selectionLength())));
        return false;
    case 'X':
        if (selectionLength() == 0) return false;
        if (ctx.clipboard)
            *ctx.clipboard = std::string(text().substr(static_cast<size_t>(selectionStart()), static_cast<size_t>(selectionLength())));
        return deleteSelection();
    case 'V':
        if (!ctx.clipboard || !ctx.clipboard->has_value()) return false;
        return typeText(**ctx.clipboard, ctx);
    default:
        return false;
    }
}

bool TextModel::applyVirtualKey(int vkey, bool shift, bool ctrl, const EditContext& ctx) {
    switch (vkey) {
    case VAL_ENTER_VKEY:
        return !ctx.singleLine && !ctrl && typeText("\n", ctx);
    case VAL_TAB_VKEY:
        return !ctx.singleLine && !ctrl && !shift && typeText("\t", ctx);
    case VAL_BACKSPACE_VKEY:
        if (deleteSelection()) return true;
        if (caret_ == 0) return false;
        replaceRange(caret_ - 1, 1, {});
        return true;
    case VAL_FWD_DELETE_VKEY:
        if (deleteSelection()) return true;
        if (caret_ >= length()) return false;
        replaceRange(caret_, 1, {});
        return true;
    case VAL_LEFT_ARROW_VKEY:
        if (!shift && selectionLength() > 0) moveTo(selectionStart(), false);
        else moveTo(caret_ - 1, shift);
        return false;
    case VAL_RIGHT_ARROW_VKEY:
        if (!shift && selectionLength() > 0) moveTo(selectionStart() + selectionLength(), false);
        else moveTo(caret_ + 1, shift);
        return false;
    case VAL_HOME_VKEY:
        moveTo(ctrl || ctx.singleLine ? 0 : lineStartOf(caret_), shift);
        return false;
    case VAL_END_VKEY:
        moveTo(ctrl || ctx.singleLine ? length() : lineEndOf(caret_), shift);
        return false;
    case VAL_UP_ARROW_VKEY:
    case VAL_DOWN_ARROW_VKEY:
    case VAL_PAGE_UP_VKEY:
    case VAL_PAGE_DOWN_VKEY: {
        if (ctx.singleLine) return false;
        int step = (vkey == VAL_UP_ARROW_VKEY || vkey == VAL_DOWN_ARROW_VKEY) ? 1 : std::max(ctx.pageLines, 1);
        if (vkey == VAL_UP_ARROW_VKEY || vkey == VAL_PAGE_UP_VKEY) step = -step;
        moveTo(verticalTarget(step), shift);
        return false;
    }
    default:
        return false;
    }
}

}  // namespace uirt::headless
