// Editing keys on text boxes and text fields: a table of single behaviours,
// the clipboard keys, and random key sequences checked against a plain
// string model of the editor.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <random>

#include "contract.h"

namespace {

using contract::EventLog;
using contract::PanelTest;

constexpr int kCtrl = VAL_MENUKEY_MODIFIER;
constexpr int kShift = VAL_SHIFT_MODIFIER;

struct EditCase {
    const char* name;
    const char* text;
    int selStart, selLength;
    std::vector<int> keys;
    const char* expected;
    int expStart, expLength;
    int changes;  // EVENT_VAL_CHANGED count
};

std::ostream& operator<<(std::ostream& os, const EditCase& c) { return os << c.name; }

class EditKeys : public PanelTest, public ::testing::WithParamInterface<EditCase> {};

int countChanges() {
    int n = 0;
    for (const auto& e : EventLog::calls()) n += e.size() > 2 && e.substr(e.find(':')) == ":2";
    return n;
}

TEST_P(EditKeys, GiveTheTextSelectionAndChangeEvents) {
    const EditCase& c = GetParam();
    int box = addTextBox(200, 300);
    SetCtrlAttribute(panel, box, ATTR_CALLBACK_FUNCTION_POINTER, &EventLog::callback);
    ResetTextBox(panel, box, c.text);
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, c.selStart);
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, c.selLength);
    for (int key : c.keys) ASSERT_EQ(AutoTypeKey(panel, box, key), 0);
    EXPECT_EQ(value(box), c.expected);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), c.expStart);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_LENGTH), c.expLength);
    EXPECT_EQ(countChanges(), c.changes);
}

INSTANTIATE_TEST_SUITE_P(
    TextBox, EditKeys,
    ::testing::Values(
        EditCase{"char_inserts_at_caret", "ab", 1, 0, {'X'}, "aXb", 2, 0, 1},
        EditCase{"char_replaces_selection", "abcd", 1, 2, {'Z'}, "aZd", 2, 0, 1},
        EditCase{"high_byte_inserts", "ab", 2, 0, {0xE0, 0x98}, "ab\xE0\x98", 4, 0, 2},
        EditCase{"enter_inserts_lf", "ab", 1, 0, {VAL_ENTER_VKEY}, "a\nb", 2, 0, 1},
        EditCase{"tab_inserts_tab", "ab", 0, 0, {VAL_TAB_VKEY}, "\tab", 1, 0, 1},
        EditCase{"backspace_deletes_before", "abc", 2, 0, {VAL_BACKSPACE_VKEY}, "ac", 1, 0, 1},
        EditCase{"backspace_at_start_does_nothing", "abc", 0, 0, {VAL_BACKSPACE_VKEY}, "abc", 0, 0, 0},
        EditCase{"backspace_deletes_selection", "abcd", 1, 2, {VAL_BACKSPACE_VKEY}, "ad", 1, 0, 1},
        EditCase{"ctrl_backspace_deletes_one_byte", "ab cd", 5, 0, {kCtrl | VAL_BACKSPACE_VKEY}, "ab c", 4, 0, 1},
        EditCase{"ctrl_delete_deletes_one_byte", "ab cd", 0, 0, {kCtrl | VAL_FWD_DELETE_VKEY}, "b cd", 0, 0, 1},
        EditCase{"delete_deletes_after", "abc", 1, 0, {VAL_FWD_DELETE_VKEY}, "ac", 1, 0, 1},
        EditCase{"delete_joins_lines", "ab\ncd", 2, 0, {VAL_FWD_DELETE_VKEY}, "abcd", 2, 0, 1},
        EditCase{"delete_at_end_does_nothing", "abc", 3, 0, {VAL_FWD_DELETE_VKEY}, "abc", 3, 0, 0},
        EditCase{"home_goes_to_line_start", "ab\ncdef", 5, 0, {VAL_HOME_VKEY}, "ab\ncdef", 3, 0, 0},
        EditCase{"end_goes_to_line_end", "ab\ncdef\ngh", 4, 0, {VAL_END_VKEY}, "ab\ncdef\ngh", 7, 0, 0},
        EditCase{"down_keeps_column", "abcdef\nabcdef", 4, 0, {VAL_DOWN_ARROW_VKEY}, "abcdef\nabcdef", 11, 0, 0},
        EditCase{"down_clamps_column", "abcdef\nab\nx", 5, 0, {VAL_DOWN_ARROW_VKEY}, "abcdef\nab\nx", 9, 0, 0},
        EditCase{"up_keeps_column", "abc\nabcdef", 9, 0, {VAL_UP_ARROW_VKEY}, "abc\nabcdef", 3, 0, 0},
        EditCase{"up_on_first_line_stays", "abc\nd", 2, 0, {VAL_UP_ARROW_VKEY}, "abc\nd", 2, 0, 0},
        EditCase{"down_on_last_line_stays", "abc\nde", 5, 0, {VAL_DOWN_ARROW_VKEY}, "abc\nde", 5, 0, 0},
        EditCase{"down_on_last_line_collapses_selection", "abc\nde", 4, 1, {VAL_DOWN_ARROW_VKEY}, "abc\nde", 5, 0, 0},
        EditCase{"up_on_first_line_collapses_selection", "abc\nd", 0, 2, {VAL_UP_ARROW_VKEY}, "abc\nd", 2, 0, 0},
        EditCase{"shift_down_on_last_line_keeps_selection", "abc\nde", 4, 1, {kShift | VAL_DOWN_ARROW_VKEY},
                 "abc\nde", 4, 1, 0},
        EditCase{"left_right_move_one_byte", "abc", 1, 0, {VAL_RIGHT_ARROW_VKEY, VAL_RIGHT_ARROW_VKEY, VAL_LEFT_ARROW_VKEY},
                 "abc", 2, 0, 0},
        EditCase{"left_collapses_selection_to_start", "abcd", 1, 2, {VAL_LEFT_ARROW_VKEY}, "abcd", 1, 0, 0},
        EditCase{"right_collapses_selection_to_end", "abcd", 1, 2, {VAL_RIGHT_ARROW_VKEY}, "abcd", 3, 0, 0},
        EditCase{"ctrl_home_and_ctrl_end", "ab\ncd\nef", 4, 0, {kCtrl | VAL_END_VKEY}, "ab\ncd\nef", 8, 0, 0},
        EditCase{"ctrl_home", "ab\ncd\nef", 4, 0, {kCtrl | VAL_HOME_VKEY}, "ab\ncd\nef", 0, 0, 0},
        EditCase{"shift_right_extends_selection", "abcd", 1, 0, {kShift | VAL_RIGHT_ARROW_VKEY, kShift | VAL_RIGHT_ARROW_VKEY},
                 "abcd", 1, 2, 0},
        EditCase{"shift_right_extends_program_selection_from_its_end", "abcd", 1, 2, {kShift | VAL_RIGHT_ARROW_VKEY},
                 "abcd", 1, 3, 0},
        EditCase{"home_collapses_selection_to_caret_line_start", "ab\ncd\nef", 1, 3, {VAL_HOME_VKEY}, "ab\ncd\nef", 3, 0, 0},
        EditCase{"shift_end_selects_to_line_end", "ab\ncdef", 4, 0, {kShift | VAL_END_VKEY}, "ab\ncdef", 4, 3, 0},
        EditCase{"cut_then_paste_moves_text", "hello world", 0, 6, {kCtrl | 'X', kCtrl | VAL_END_VKEY, kCtrl | 'V'},
                 "worldhello ", 11, 0, 2},
        EditCase{"copy_then_paste_replaces_selection", "abc", 0, 1, {kCtrl | 'C', VAL_RIGHT_ARROW_VKEY,
                 kShift | VAL_RIGHT_ARROW_VKEY, kCtrl | 'V'}, "aac", 2, 0, 1},
        EditCase{"cut_without_selection_does_nothing", "abc", 1, 0, {kCtrl | 'X'}, "abc", 1, 0, 0},
        EditCase{"indent_like_block_commands", "ab\ncd", 1, 0,
                 {VAL_HOME_VKEY, ' ', ' ', VAL_DOWN_ARROW_VKEY, VAL_HOME_VKEY, ' ', ' '}, "  ab\n  cd", 7, 0, 4},
        EditCase{"unindent_with_delete", "    ab\n  cd", 0, 0,
                 {VAL_HOME_VKEY, VAL_FWD_DELETE_VKEY, VAL_FWD_DELETE_VKEY, VAL_DOWN_ARROW_VKEY, VAL_HOME_VKEY,
                  VAL_FWD_DELETE_VKEY}, "  ab\n cd", 5, 0, 3},
        EditCase{"command_keys_leave_the_text_alone", "ab\ncd", 1, 1,
                 {kCtrl | 'Z', kCtrl | 'Y', kCtrl | 'F', kCtrl | 'H', VAL_F3_VKEY, VAL_F1_VKEY, VAL_ESC_VKEY},
                 "ab\ncd", 1, 1, 0},
        EditCase{"undo_key_does_not_undo_typing", "ab", 2, 0, {'c', kCtrl | 'Z'}, "abc", 3, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct FieldCase {
    const char* name;
    std::vector<int> keys;
    const char* expected;
    int caret;
};

std::ostream& operator<<(std::ostream& os, const FieldCase& c) { return os << c.name; }

class FieldKeys : public PanelTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(FieldKeys, EditTheOneLineField) {
    const FieldCase& c = GetParam();
    int field = NewCtrl(panel, CTRL_STRING, "Field", 10, 10);
    SetCtrlVal(panel, field, "abcd");
    SetCtrlAttribute(panel, field, ATTR_TEXT_SELECTION_START, 2);
    SetCtrlAttribute(panel, field, ATTR_TEXT_SELECTION_LENGTH, 0);
    for (int key : c.keys) ASSERT_EQ(AutoTypeKey(panel, field, key), 0);
    EXPECT_EQ(value(field), c.expected);
    EXPECT_EQ(attr(field, ATTR_TEXT_SELECTION_START), c.caret);
}

INSTANTIATE_TEST_SUITE_P(
    TextField, FieldKeys,
    ::testing::Values(FieldCase{"home_then_type", {VAL_HOME_VKEY, 'x'}, "xabcd", 1},
                      FieldCase{"end_then_type", {VAL_END_VKEY, 'x'}, "abcdx", 5},
                      FieldCase{"backspace_and_delete", {VAL_BACKSPACE_VKEY, VAL_FWD_DELETE_VKEY}, "ad", 1},
                      FieldCase{"ctrl_backspace_deletes_one_byte", {kCtrl | VAL_BACKSPACE_VKEY}, "acd", 1},
                      FieldCase{"left_right", {VAL_LEFT_ARROW_VKEY, VAL_LEFT_ARROW_VKEY, VAL_RIGHT_ARROW_VKEY}, "abcd", 1},
                      FieldCase{"select_all_and_type", {kCtrl | 'A', 'z'}, "z", 1}),
    [](const auto& info) { return std::string(info.param.name); });

class Clipboard : public PanelTest {};

TEST_F(Clipboard, CopyPutsTheSelectionThereAndPasteTakesTheLastTextPut) {
    int box = addTextBox();
    ResetTextBox(panel, box, "one two");
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 4);
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, 3);
    AutoTypeKey(panel, box, kCtrl | 'C');
    char* text = nullptr;
    ASSERT_EQ(ClipboardGetText(&text, nullptr), 0);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "two");
    std::free(text);
    ClipboardPutText("2\n\xE4\xE2\xE0");  // a line break and Windows-1251 letters
    AutoTypeKey(panel, box, kCtrl | 'V');
    EXPECT_EQ(value(box), "one 2\n\xE4\xE2\xE0");
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 9);
}

TEST_F(Clipboard, TextFieldPastesOnlyTheFirstLine) {
    int field = NewCtrl(panel, CTRL_STRING, "F", 10, 10);
    ClipboardPutText("first\nsecond");
    AutoTypeKey(panel, field, kCtrl | 'V');
    EXPECT_EQ(value(field), "first");
}

// A block indent as a text-box extension fakes it: for each line, Home, four
// spaces and Down, the last Down on the last line.
class FakedKeys : public PanelTest {};

TEST_F(FakedKeys, BlockIndentFromAProgramSetCaretIndentsEveryLineDown) {
    int box = addTextBox();
    ResetTextBox(panel, box, "zero\none\ntwo\nthree");
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 5);
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, 0);
    SetActivePanel(panel);
    SetActiveCtrl(panel, box);
    for (int line = 1; line <= 3; ++line) {
        FakeKeystroke(VAL_HOME_VKEY);
        for (int i = 0; i < 4; ++i) FakeKeystroke(' ');
        FakeKeystroke(VAL_DOWN_ARROW_VKEY);
    }
    ProcessSystemEvents();
    EXPECT_EQ(value(box), "zero\n    one\n    two\n    three");
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 25) << "the caret stays in the last line";
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_LENGTH), 0);
}

// ---- Random key sequences against a string model

// The editor as the contract describes it, written as plainly as possible.
struct Model {
    std::string text;
    int anchor = 0, caret = 0;
    std::string clip;
    bool hasClip = false;
    bool edited = false;  // an edit ran, even if it left the same text

    int start() const { return std::min(anchor, caret); }
    int len() const { return std::abs(anchor - caret); }
    int lineStart(int at) const {
        while (at > 0 && text[at - 1] != '\n') --at;
        return at;
    }
    int lineEnd(int at) const {
        while (at < static_cast<int>(text.size()) && text[at] != '\n') ++at;
        return at;
    }
    void put(const std::string& s) {
        edited = edited || len() > 0 || !s.empty();
        text.replace(start(), len(), s);
        caret = anchor = start() + static_cast<int>(s.size());
    }
    void move(int to, bool extend) {
        caret = std::clamp(to, 0, static_cast<int>(text.size()));
        if (!extend) anchor = caret;
    }
    int vertical(bool down) const {
        int ls = lineStart(caret), col = caret - ls;
        if (down) {
            int le = lineEnd(caret);
            if (le == static_cast<int>(text.size())) return caret;
            int ns = le + 1;
            return std::min(ns + col, lineEnd(ns));
        }
        if (ls == 0) return caret;
        int ps = lineStart(ls - 1);
        return std::min(ps + col, ls - 1);
    }
    // Returns true when the text changed.
    bool key(int k) {
        std::string before = text;
        edited = false;
        bool shift = k & kShift;
        int base = k & ~kShift;
        if (base >= 0x20 && base <= 0xFF && base != 0x7F) put(std::string(1, static_cast<char>(base)));
        else if (base == VAL_ENTER_VKEY) put("\n");
        else if (base == VAL_TAB_VKEY) put("\t");
        else if (base == VAL_BACKSPACE_VKEY) {
            if (len()) put("");
            else if (caret > 0) { anchor = caret - 1; put(""); }
        } else if (base == VAL_FWD_DELETE_VKEY) {
            if (len()) put("");
            else if (caret < static_cast<int>(text.size())) { anchor = caret + 1; put(""); }
        } else if (base == VAL_LEFT_ARROW_VKEY) {
            if (!shift && len()) move(start(), false); else move(caret - 1, shift);
        } else if (base == VAL_RIGHT_ARROW_VKEY) {
            if (!shift && len()) move(start() + len(), false); else move(caret + 1, shift);
        } else if (base == VAL_HOME_VKEY) move(lineStart(caret), shift);
        else if (base == VAL_END_VKEY) move(lineEnd(caret), shift);
        else if (base == (kCtrl | VAL_HOME_VKEY)) move(0, shift);
        else if (base == (kCtrl | VAL_END_VKEY)) move(static_cast<int>(text.size()), shift);
        else if (base == VAL_UP_ARROW_VKEY) move(vertical(false), shift);
        else if (base == VAL_DOWN_ARROW_VKEY) move(vertical(true), shift);
        else if (base == (kCtrl | 'C')) { if (len()) { clip = text.substr(start(), len()); hasClip = true; } }
        else if (base == (kCtrl | 'X')) { if (len()) { clip = text.substr(start(), len()); hasClip = true; put(""); } }
        else if (base == (kCtrl | 'V')) { if (hasClip) put(clip); }
        return text != before;
    }
};

int randomKey(std::mt19937& rng) {
    static const int keys[] = {'a', 'b', ' ', 0xE9, VAL_ENTER_VKEY, VAL_TAB_VKEY, VAL_BACKSPACE_VKEY,
                               VAL_FWD_DELETE_VKEY, VAL_LEFT_ARROW_VKEY, VAL_RIGHT_ARROW_VKEY, VAL_HOME_VKEY,
                               VAL_END_VKEY, VAL_UP_ARROW_VKEY, VAL_DOWN_ARROW_VKEY, kCtrl | VAL_HOME_VKEY,
                               kCtrl | VAL_END_VKEY, kShift | VAL_LEFT_ARROW_VKEY, kShift | VAL_RIGHT_ARROW_VKEY,
                               kShift | VAL_END_VKEY, kShift | VAL_HOME_VKEY, kCtrl | 'C', kCtrl | 'X', kCtrl | 'V'};
    return keys[std::uniform_int_distribution<size_t>(0, std::size(keys) - 1)(rng)];
}

class RandomEditing : public PanelTest {};

TEST_F(RandomEditing, KeySequencesMatchTheStringModel) {
    std::mt19937 rng(4242);
    int box = addTextBox(300, 400);
    SetCtrlAttribute(panel, box, ATTR_CALLBACK_FUNCTION_POINTER, &EventLog::callback);
    const int rounds = contract::isQt() ? 6 : 40;
    for (int round = 0; round < rounds; ++round) {
        Model m;
        ClipboardPutText("");
        m.hasClip = true;
        int length = std::uniform_int_distribution<int>(0, 30)(rng);
        for (int i = 0; i < length; ++i) m.text += "ab\n"[std::uniform_int_distribution<int>(0, 2)(rng)];
        ResetTextBox(panel, box, m.text.c_str());
        int s = std::uniform_int_distribution<int>(0, length)(rng);
        int l = std::uniform_int_distribution<int>(0, length - s)(rng);
        SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, s);
        SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, l);
        m.anchor = s;
        m.caret = s + l;
        std::vector<std::string> history;
        for (int step = 0; step < 60; ++step) {
            int key = randomKey(rng);
            history.push_back(std::to_string(key));
            EventLog::calls().clear();
            bool changed = m.key(key);
            ASSERT_EQ(AutoTypeKey(panel, box, key), 0);
            std::string where = "round " + std::to_string(round) + " keys " + ::testing::PrintToString(history);
            ASSERT_EQ(value(box), m.text) << where;
            ASSERT_EQ(attr(box, ATTR_TEXT_SELECTION_START), m.start()) << where;
            ASSERT_EQ(attr(box, ATTR_TEXT_SELECTION_LENGTH), m.len()) << where;
            int caretLine = -1;
            ASSERT_EQ(GetTextBoxLineIndexFromOffset(panel, box, m.caret, &caretLine), 0);
            ASSERT_EQ(caretLine, static_cast<int>(std::count(m.text.begin(), m.text.begin() + m.caret, '\n'))) << where;
            // Replacing a selection by the same bytes may or may not count as a change.
            if (changed || !m.edited) ASSERT_EQ(countChanges(), changed ? 1 : 0) << where;
            else ASSERT_LE(countChanges(), 1) << where;
        }
        // The line index must follow the edits.
        int lines = -1;
        ASSERT_EQ(GetNumTextBoxLines(panel, box, &lines), 0);
        int expectLines = m.text.empty() ? 0 : static_cast<int>(std::count(m.text.begin(), m.text.end(), '\n')) + 1;
        ASSERT_EQ(lines, expectLines) << "round " << round;
        int offset = 0;
        for (int i = 0; i < lines; ++i) {
            int got = -1;
            ASSERT_EQ(GetTextBoxLineOffset(panel, box, i, &got), 0);
            ASSERT_EQ(got, offset);
            offset = m.lineEnd(offset) + 1;
        }
    }
}

}  // namespace
