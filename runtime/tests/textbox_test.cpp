// Text boxes and control values: lines, offsets, selection, attributes and
// the byte round trip.
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <random>

#include "contract.h"

namespace {

using contract::PanelTest;

class TextBox : public PanelTest {};

std::string line(int panel, int box, int index) {
    int length = -1;
    EXPECT_EQ(GetTextBoxLineLength(panel, box, index, &length), 0);
    std::string s(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    EXPECT_EQ(GetTextBoxLine(panel, box, index, s.data()), 0);
    s.resize(std::strlen(s.c_str()));
    return s;
}

int lines(int panel, int box) {
    int n = -1;
    EXPECT_EQ(GetNumTextBoxLines(panel, box, &n), 0);
    return n;
}

TEST_F(TextBox, EmptyTextHasNoLinesAndAppendingBuildsTheValue) {
    int box = addTextBox();
    EXPECT_EQ(lines(panel, box), 0);
    EXPECT_EQ(value(box), "");
    EXPECT_EQ(InsertTextBoxLine(panel, box, -1, "first"), 0);
    EXPECT_EQ(InsertTextBoxLine(panel, box, -1, "second"), 0);
    EXPECT_EQ(InsertTextBoxLine(panel, box, 2, "third"), 0) << "the line count appends too";
    EXPECT_EQ(lines(panel, box), 3);
    EXPECT_EQ(value(box), "first\nsecond\nthird");
    EXPECT_EQ(InsertTextBoxLine(panel, box, 0, "zero"), 0);
    EXPECT_EQ(InsertTextBoxLine(panel, box, 2, "mid"), 0);
    EXPECT_EQ(value(box), "zero\nfirst\nmid\nsecond\nthird");
    EXPECT_LT(InsertTextBoxLine(panel, box, 7, "x"), 0);
    EXPECT_LT(InsertTextBoxLine(panel, box, -2, "x"), 0);
}

TEST_F(TextBox, AnEmptyLineAppendedToAnEmptyBoxCounts) {
    int box = addTextBox();
    EXPECT_EQ(InsertTextBoxLine(panel, box, -1, ""), 0);
    EXPECT_EQ(lines(panel, box), 1);
    EXPECT_EQ(value(box), "");
    EXPECT_EQ(InsertTextBoxLine(panel, box, -1, "x"), 0);
    EXPECT_EQ(lines(panel, box), 2);
    EXPECT_EQ(value(box), "\nx");
    EXPECT_EQ(ResetTextBox(panel, box, ""), 0);
    EXPECT_EQ(lines(panel, box), 0) << "the empty text has no lines";
}

TEST_F(TextBox, AnInsertedLineHoldingLineFeedsBecomesSeveralLines) {
    int box = addTextBox();
    EXPECT_EQ(InsertTextBoxLine(panel, box, -1, "a\nb"), 0);
    EXPECT_EQ(InsertTextBoxLine(panel, box, -1, "c\n\nd"), 0);
    EXPECT_EQ(InsertTextBoxLine(panel, box, 1, "x\ny"), 0);
    EXPECT_EQ(value(box), "a\nx\ny\nb\nc\n\nd");
    ASSERT_EQ(lines(panel, box), 7);
    const char* texts[] = {"a", "x", "y", "b", "c", "", "d"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(line(panel, box, i), texts[i]) << "line " << i;
    int offset = -1;
    EXPECT_EQ(GetTextBoxLineOffset(panel, box, 6, &offset), 0);
    EXPECT_EQ(offset, 11);
    int index = -1;
    EXPECT_EQ(GetTextBoxLineIndexFromOffset(panel, box, 10, &index), 0);
    EXPECT_EQ(index, 5);
}

TEST_F(TextBox, LineQueriesUseByteOffsets) {
    int box = addTextBox();
    ASSERT_EQ(ResetTextBox(panel, box, "ab\n\ncde\n"), 0);
    EXPECT_EQ(lines(panel, box), 4) << "a text ending in LF has an empty last line";
    const int starts[] = {0, 3, 4, 8};
    const char* texts[] = {"ab", "", "cde", ""};
    for (int i = 0; i < 4; ++i) {
        int offset = -1;
        EXPECT_EQ(GetTextBoxLineOffset(panel, box, i, &offset), 0);
        EXPECT_EQ(offset, starts[i]) << "line " << i;
        EXPECT_EQ(line(panel, box, i), texts[i]);
    }
    int offset = 0, length = 0;
    EXPECT_LT(GetTextBoxLineOffset(panel, box, 4, &offset), 0) << "past the last line";
    EXPECT_LT(GetTextBoxLineLength(panel, box, -1, &length), 0);
    char buf[8];
    EXPECT_LT(GetTextBoxLine(panel, box, 4, buf), 0);
    const int lineOf[] = {0, 0, 0, 1, 2, 2, 2, 2, 3};
    for (int off = 0; off <= 8; ++off) {
        int index = -1;
        EXPECT_EQ(GetTextBoxLineIndexFromOffset(panel, box, off, &index), 0);
        EXPECT_EQ(index, lineOf[off]) << "offset " << off;
    }
    int index = 0;
    EXPECT_LT(GetTextBoxLineIndexFromOffset(panel, box, 9, &index), 0);
}

TEST_F(TextBox, ResetAndSetCtrlValReplaceTheWholeText) {
    int box = addTextBox();
    InsertTextBoxLine(panel, box, -1, "old");
    EXPECT_EQ(ResetTextBox(panel, box, "new\ntext"), 0);
    EXPECT_EQ(value(box), "new\ntext");
    EXPECT_EQ(attr(box, ATTR_STRING_TEXT_LENGTH), 8);
    EXPECT_EQ(SetCtrlVal(panel, box, "other"), 0);
    EXPECT_EQ(value(box), "other");
    EXPECT_EQ(SetCtrlAttribute(panel, box, ATTR_CTRL_VAL, "via attribute"), 0);
    char buf[32] = {};
    EXPECT_EQ(GetCtrlAttribute(panel, box, ATTR_CTRL_VAL, buf), 0);
    EXPECT_STREQ(buf, "via attribute");
    EXPECT_EQ(ResetTextBox(panel, box, ""), 0);
    EXPECT_EQ(lines(panel, box), 0);
}

TEST_F(TextBox, EveryByteFromOneTo255ComesBackUnchanged) {
    int box = addTextBox();
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    ASSERT_EQ(ResetTextBox(panel, box, all.c_str()), 0);
    EXPECT_EQ(value(box), all);
    EXPECT_EQ(attr(box, ATTR_STRING_TEXT_LENGTH), 255);
    int offset = -1;
    ASSERT_EQ(GetTextBoxLineOffset(panel, box, 1, &offset), 0);
    EXPECT_EQ(offset, 10) << "the LF (byte 10) ends line 0, a CR does not";
    int box2 = addTextBox();
    std::string noLf = all;
    noLf.erase(9, 1);
    ASSERT_EQ(InsertTextBoxLine(panel, box2, -1, noLf.c_str()), 0);
    EXPECT_EQ(line(panel, box2, 0), noLf);
    SetCtrlAttribute(panel, box2, ATTR_TEXT_SELECTION_START, 200);
    SetCtrlAttribute(panel, box2, ATTR_TEXT_SELECTION_LENGTH, 3);
    EXPECT_EQ(attr(box2, ATTR_TEXT_SELECTION_START), 200) << "byte offsets equal character offsets";
    EXPECT_EQ(attr(box2, ATTR_TEXT_SELECTION_LENGTH), 3);
}

TEST_F(TextBox, SelectionAndFirstVisibleLineAreSettable) {
    int box = addTextBox(100, 300);
    std::string text;
    for (int i = 0; i < 50; ++i) text += "line " + std::to_string(i) + "\n";
    ResetTextBox(panel, box, text.c_str());
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 0) << "reset puts the caret at the start";
    EXPECT_EQ(SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 12), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, 5), 0);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 12);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_LENGTH), 5);
    EXPECT_EQ(SetCtrlAttribute(panel, box, ATTR_FIRST_VISIBLE_LINE, 20), 0);
    EXPECT_EQ(attr(box, ATTR_FIRST_VISIBLE_LINE), 20);
    int visible = attr(box, ATTR_VISIBLE_LINES);
    EXPECT_GE(visible, 1);
    SetCtrlAttribute(panel, box, ATTR_HEIGHT, 400);
    EXPECT_GT(attr(box, ATTR_VISIBLE_LINES), visible) << "a taller box shows more lines";
}

TEST_F(TextBox, SelectingByProgramLeavesTheViewWhereItIs) {
    int box = addTextBox(100, 300);
    std::string text;
    for (int i = 0; i < 200; ++i) text += "line " + std::to_string(i) + "\n";
    ResetTextBox(panel, box, text.c_str());
    auto selectOnLine = [&](int index) {
        int offset = -1;
        ASSERT_EQ(GetTextBoxLineOffset(panel, box, index, &offset), 0);
        SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, offset + 1);
        SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, 3);
        ProcessSystemEvents();
    };
    SetCtrlAttribute(panel, box, ATTR_FIRST_VISIBLE_LINE, 0);
    selectOnLine(150);
    EXPECT_EQ(attr(box, ATTR_FIRST_VISIBLE_LINE), 0) << "a selection below the view";
    SetCtrlAttribute(panel, box, ATTR_FIRST_VISIBLE_LINE, 100);
    selectOnLine(3);
    EXPECT_EQ(attr(box, ATTR_FIRST_VISIBLE_LINE), 100) << "a selection above the view";
    AutoTypeKey(panel, box, VAL_RIGHT_ARROW_VKEY);
    const int first = attr(box, ATTR_FIRST_VISIBLE_LINE);
    EXPECT_LE(first, 3) << "a key the user types brings the caret into view";
    EXPECT_GT(first + attr(box, ATTR_VISIBLE_LINES), 3);
}

TEST_F(TextBox, AppendingManyLongLinesKeepsEveryLine) {
    int box = addTextBox();
    std::string row(100, 'n');
    for (int i = 0; i < 20000; ++i) {
        row.replace(0, 6, std::to_string(100000 + i));
        ASSERT_EQ(InsertTextBoxLine(panel, box, -1, row.c_str()), 0);
    }
    EXPECT_EQ(lines(panel, box), 20000);
    int offset = -1;
    EXPECT_EQ(GetTextBoxLineOffset(panel, box, 12345, &offset), 0);
    EXPECT_EQ(offset, 12345 * 101);
    EXPECT_EQ(line(panel, box, 19999).substr(0, 6), "119999");
}

// Offsets are ints: a text that would pass INT_MAX bytes is refused whole
// rather than wrapped round, and the text stays as it was.
TEST_F(TextBox, TextPastTheLargestIntOffsetIsRefusedWhole) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a 2 GiB text is more than a sanitizer build should take";
#endif
    if (contract::isQt()) GTEST_SKIP() << "the limit is the shared text-box code; a 2 GiB Qt view is not built for a test";
    int box = addTextBox();
    const int kMax = 2147483647;
    // 2048 lines of 1 MiB with their LFs, the last one two bytes short.
    std::string row((1 << 20) - 1, 'x');
    for (int i = 0; i < 2047; ++i) ASSERT_EQ(InsertTextBoxLine(panel, box, -1, row.c_str()), 0);
    row.pop_back();
    ASSERT_EQ(InsertTextBoxLine(panel, box, -1, row.c_str()), 0);
    // One more LF fits exactly; not one byte beyond.
    EXPECT_EQ(InsertTextBoxLine(panel, box, 1, "y"), UIE_OUT_OF_MEMORY);
    EXPECT_EQ(InsertTextBoxLine(panel, box, -1, "y"), UIE_OUT_OF_MEMORY);
    int length = -1;
    EXPECT_EQ(GetCtrlAttribute(panel, box, ATTR_STRING_TEXT_LENGTH, &length), 0);
    EXPECT_EQ(length, kMax - 1);
    EXPECT_EQ(lines(panel, box), 2048);
    EXPECT_EQ(InsertTextBoxLine(panel, box, -1, ""), 0);
    EXPECT_EQ(GetCtrlAttribute(panel, box, ATTR_STRING_TEXT_LENGTH, &length), 0);
    EXPECT_EQ(length, kMax);
    int offset = -1;
    EXPECT_EQ(GetTextBoxLineOffset(panel, box, 2048, &offset), 0);
    EXPECT_EQ(offset, kMax);
    EXPECT_EQ(InsertTextBoxLine(panel, box, 0, ""), UIE_OUT_OF_MEMORY);
    EXPECT_EQ(ResetTextBox(panel, box, row.c_str()), 0);
    EXPECT_EQ(lines(panel, box), 1);
}

// Values and attributes of the other control kinds.
class Controls : public PanelTest {};

struct KindCase {
    int kind;
    bool text;
};

std::ostream& operator<<(std::ostream& os, const KindCase& c) { return os << "kind " << c.kind; }

class ControlKinds : public PanelTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(ControlKinds, ValueRoundTripsAndKindIsReported) {
    KindCase k = GetParam();
    int c = NewCtrl(panel, k.kind, "Label", 10, 10);
    ASSERT_GT(c, 0);
    EXPECT_EQ(attr(c, ATTR_CTRL_KIND), k.kind);
    if (k.text) {
        EXPECT_EQ(SetCtrlVal(panel, c, "hello"), 0);
        EXPECT_EQ(value(c), "hello");
        EXPECT_EQ(SetCtrlAttribute(panel, c, ATTR_DFLT_VALUE, "dflt"), 0);
        EXPECT_EQ(DefaultCtrl(panel, c), 0);
        EXPECT_EQ(value(c), "dflt");
    } else {
        EXPECT_EQ(SetCtrlVal(panel, c, 1), 0);
        int v = -1;
        EXPECT_EQ(GetCtrlVal(panel, c, &v), 0);
        EXPECT_EQ(v, 1);
        EXPECT_EQ(SetCtrlAttribute(panel, c, ATTR_DFLT_VALUE, 0), 0);
        EXPECT_EQ(DefaultCtrl(panel, c), 0);
        EXPECT_EQ(GetCtrlVal(panel, c, &v), 0);
        EXPECT_EQ(v, 0);
    }
    char label[64] = {};
    EXPECT_EQ(GetCtrlAttribute(panel, c, ATTR_LABEL_TEXT, label), 0);
    EXPECT_STREQ(label, "Label");
}

INSTANTIATE_TEST_SUITE_P(Kinds, ControlKinds,
                         ::testing::Values(KindCase{CTRL_STRING, true}, KindCase{CTRL_TEXT_MSG, true},
                                           KindCase{CTRL_TEXT_BOX, true}, KindCase{CTRL_NUMERIC, false},
                                           KindCase{CTRL_PROGRESS_BAR, false}, KindCase{CTRL_CHECK_BOX, false}));

TEST_F(Controls, GeometryFontsCallbacksAndUnusedAttributesAreStored) {
    int c = NewCtrl(panel, CTRL_STRING, "Find", 20, 30);
    ASSERT_GT(c, 0);
    EXPECT_EQ(attr(c, ATTR_TOP), 20);
    EXPECT_EQ(attr(c, ATTR_LEFT), 30);
    const int geometry[] = {ATTR_WIDTH, ATTR_HEIGHT, ATTR_LABEL_LEFT, ATTR_LABEL_TOP, ATTR_LABEL_WIDTH,
                            ATTR_LABEL_HEIGHT, ATTR_CTRL_TAB_POSITION, ATTR_MAX_ENTRY_LENGTH, 620, 649, 700};
    int v = 3;
    for (int a : geometry) {
        EXPECT_EQ(SetCtrlAttribute(panel, c, a, v), 0) << a;
        EXPECT_EQ(attr(c, a), v) << a;
        ++v;
    }
    EXPECT_EQ(SetCtrlAttribute(panel, c, ATTR_TEXT_FONT, "Arial"), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, c, ATTR_LABEL_FONT, "Arial"), 0);
    char font[64] = {};
    EXPECT_EQ(GetCtrlAttribute(panel, c, ATTR_TEXT_FONT, font), 0);
    EXPECT_STREQ(font, "Arial");
    int data = 0;
    EXPECT_EQ(SetCtrlAttribute(panel, c, ATTR_CALLBACK_DATA, &data), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, c, ATTR_CALLBACK_FUNCTION_POINTER, &contract::EventLog::callback), 0);
    void* got = nullptr;
    CtrlCallbackPtr fn = nullptr;
    EXPECT_EQ(GetCtrlAttribute(panel, c, ATTR_CALLBACK_DATA, &got), 0);
    EXPECT_EQ(got, &data);
    EXPECT_EQ(GetCtrlAttribute(panel, c, ATTR_CALLBACK_FUNCTION_POINTER, &fn), 0);
    EXPECT_EQ(fn, &contract::EventLog::callback);
}

TEST_F(Controls, LongLabelsAndTitlesAreCutToTheDocumentedBuffer) {
    std::string longText(3000, 'L');
    int c = NewCtrl(panel, CTRL_STRING, longText.c_str(), 10, 10);
    ASSERT_GT(c, 0);
    std::string buffer(2000, '#');
    EXPECT_EQ(GetCtrlAttribute(panel, c, ATTR_LABEL_TEXT, buffer.data()), 0);
    EXPECT_EQ(buffer.find('\0'), 1023u);
    EXPECT_EQ(buffer[1024], '#') << "nothing written past the zero";
    std::string title(2000, '#');
    SetPanelAttribute(panel, ATTR_TITLE, longText.c_str());
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_TITLE, title.data()), 0);
    EXPECT_EQ(title.find('\0'), 1023u);
    EXPECT_EQ(title[1024], '#');
}

TEST_F(Controls, BadHandlesGiveNegativeCodes) {
    int c = NewCtrl(panel, CTRL_NUMERIC, "", 0, 0);
    int v = 0;
    EXPECT_EQ(GetCtrlVal(panel + 1000, c, &v), UIE_BAD_PANEL);
    EXPECT_EQ(GetCtrlVal(panel, c + 1000, &v), UIE_BAD_CONTROL);
    EXPECT_EQ(SetCtrlVal(panel, c + 1000, 1), UIE_BAD_CONTROL);
    EXPECT_LT(NewCtrl(panel, 4242, "", 0, 0), 0) << "unknown kind";
    EXPECT_LT(ResetTextBox(panel, c, "x"), 0) << "not a text box";
    EXPECT_EQ(DiscardCtrl(panel, c), 0);
    EXPECT_EQ(GetCtrlVal(panel, c, &v), UIE_BAD_CONTROL);
    int c2 = NewCtrl(panel, CTRL_NUMERIC, "", 0, 0);
    EXPECT_GT(c2, c) << "ids are not reused";
}

TEST_F(Controls, PanelAttributesAndVisibility) {
    char title[64] = {};
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_TITLE, title), 0);
    EXPECT_STREQ(title, "Contract");
    EXPECT_EQ(SetPanelAttribute(panel, ATTR_TITLE, "Renamed"), 0);
    EXPECT_EQ(AutoFindPanel("Renamed"), panel);
    int visible = -1;
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_VISIBLE, &visible), 0);
    EXPECT_EQ(visible, 1);
    EXPECT_EQ(GetActivePanel(), panel);
    EXPECT_EQ(HidePanel(panel), 0);
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_VISIBLE, &visible), 0);
    EXPECT_EQ(visible, 0);
    EXPECT_NE(GetActivePanel(), panel);
    for (int a : {580, 599, 600, 615, 617, 618, 619, 621, 800}) {
        EXPECT_EQ(SetPanelAttribute(panel, a, 1), 0);
        int v = 0;
        EXPECT_EQ(GetPanelAttribute(panel, a, &v), 0);
        EXPECT_EQ(v, 1);
    }
    EXPECT_EQ(SetPanelAttribute(panel, ATTR_WIDTH, 300), 0);
    EXPECT_EQ(SetPanelAttribute(panel, ATTR_LEFT, VAL_AUTO_CENTER), 0);
    int left = VAL_AUTO_CENTER;
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_LEFT, &left), 0);
    EXPECT_GE(left, 0) << "centring gives a real position";
    EXPECT_EQ(DisplayPanel(panel), 0);
    EXPECT_EQ(GetActivePanel(), panel);
}

TEST_F(Controls, WaitCursorAndProtectionFlagsAreKept) {
    EXPECT_EQ(SetWaitCursor(1), 0);
    EXPECT_EQ(GetWaitCursor(), 1);
    EXPECT_EQ(SetWaitCursor(0), 0);
    EXPECT_EQ(GetWaitCursor(), 0);
    int previous = SetBreakOnProtectionErrors(0);
    EXPECT_EQ(SetBreakOnProtectionErrors(previous), 0);
}

}  // namespace

namespace {

// Random line inserts, resets and queries against a vector of lines.
class RandomLines : public contract::PanelTest {};

TEST_F(RandomLines, InsertsAndQueriesMatchAVectorOfLines) {
    std::mt19937 rng(777);
    int box = addTextBox();
    std::vector<std::string> model;
    auto randomLine = [&] {
        std::string s;
        int n = std::uniform_int_distribution<int>(0, 6)(rng);
        for (int i = 0; i < n; ++i) s += "xy\r\xF0"[std::uniform_int_distribution<int>(0, 3)(rng)];
        return s;
    };
    auto joined = [&] {
        std::string t;
        for (size_t i = 0; i < model.size(); ++i) t += (i ? "\n" : "") + model[i];
        return t;
    };
    const int steps = contract::isQt() ? 400 : 3000;
    for (int step = 0; step < steps; ++step) {
        int op = std::uniform_int_distribution<int>(0, 9)(rng);
        int count = static_cast<int>(model.size());
        if (op < 6) {
            int index = std::uniform_int_distribution<int>(-1, count)(rng);
            std::string line = randomLine();
            ASSERT_EQ(InsertTextBoxLine(panel, box, index, line.c_str()), 0);
            model.insert(index < 0 ? model.end() : model.begin() + index, line);
        } else if (op == 6) {
            model.clear();
            int n = std::uniform_int_distribution<int>(0, 4)(rng);
            for (int i = 0; i < n; ++i) model.push_back(randomLine());
            std::string text = joined();
            if (text.empty()) model.clear();
            ASSERT_EQ(ResetTextBox(panel, box, text.c_str()), 0);
        } else {
            // The length and a line found from an offset come first, as
            // right after inserts (lines a box may not have laid out yet).
            int total = -1;
            ASSERT_EQ(GetCtrlAttribute(panel, box, ATTR_STRING_TEXT_LENGTH, &total), 0);
            ASSERT_EQ(total, static_cast<int>(joined().size())) << "step " << step;
            int i = count ? std::uniform_int_distribution<int>(0, count - 1)(rng) : 0;
            int offset = 0;
            for (int k = 0; k < i; ++k) offset += static_cast<int>(model[k].size()) + 1;
            int index = -1;
            if (count) {
                ASSERT_EQ(GetTextBoxLineIndexFromOffset(panel, box, offset, &index), 0);
                ASSERT_EQ(index, i) << "step " << step << ", offset " << offset;
            }
            int n = -1;
            ASSERT_EQ(GetNumTextBoxLines(panel, box, &n), 0);
            ASSERT_EQ(n, count) << "step " << step;
            if (count == 0) continue;
            int got = -1, length = -1;
            ASSERT_EQ(GetTextBoxLineOffset(panel, box, i, &got), 0);
            ASSERT_EQ(got, offset) << "step " << step;
            ASSERT_EQ(GetTextBoxLineLength(panel, box, i, &length), 0);
            ASSERT_EQ(length, static_cast<int>(model[i].size()));
            std::string buf(static_cast<size_t>(length) + 1, '\0');
            ASSERT_EQ(GetTextBoxLine(panel, box, i, buf.data()), 0);
            ASSERT_EQ(buf.substr(0, static_cast<size_t>(length)), model[i]);
            int within = offset + std::uniform_int_distribution<int>(0, length)(rng);
            ASSERT_EQ(GetTextBoxLineIndexFromOffset(panel, box, within, &index), 0);
            ASSERT_EQ(index, i) << "offset " << within;
        }
    }
    EXPECT_EQ(value(box), joined());
}

}  // namespace

namespace {

// Texts of tens of thousands of lines, as a decoded net list gives: program
// inserts, whole-text resets between large and small, and the user's editing
// keys at places the program selects, all against a string model.
class LargeText : public contract::PanelTest {};

TEST_F(LargeText, EditsInsertsResetsAndQueriesMatchAStringModel) {
    std::mt19937 rng(4242);
    const int box = addTextBox();
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto manyLines = [&](int count) {
        std::string t;
        for (int k = 0; k < count; ++k) t += (k ? "\n#" : "#") + std::to_string(k) + " \"N\xC5T\" = U1:" + std::to_string(pick(1, 99)) + ";";
        return t;
    };
    std::string model = manyLines(25000);
    ASSERT_EQ(ResetTextBox(panel, box, model.c_str()), 0);
    auto lineStarts = [&] {
        std::vector<int> starts{0};
        for (size_t k = 0; k < model.size(); ++k)
            if (model[k] == '\n') starts.push_back(static_cast<int>(k) + 1);
        return starts;
    };
    for (int step = 0; step < 300; ++step) {
        const std::vector<int> starts = lineStarts();
        const int count = model.empty() ? 0 : static_cast<int>(starts.size());
        const int op = pick(0, 19);
        if (op < 4) {  // a line inserted by the program
            const int index = pick(-1, count);
            const std::string text = "inserted " + std::to_string(step);
            ASSERT_EQ(InsertTextBoxLine(panel, box, index, text.c_str()), 0);
            if (count == 0) model = text;
            else if (index < 0 || index == count) model += "\n" + text;
            else model.insert(static_cast<size_t>(starts[index]), text + "\n");
        } else if (op < 12) {  // a key typed over a selection the program made
            const int start = pick(0, static_cast<int>(model.size()));
            const int length = std::min(pick(0, 3), static_cast<int>(model.size()) - start);
            SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, start);
            SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, length);
            const int keys[] = {'q', VAL_BACKSPACE_VKEY, VAL_FWD_DELETE_VKEY, VAL_ENTER_VKEY};
            const int key = keys[pick(0, 3)];
            ASSERT_EQ(AutoTypeKey(panel, box, key), 0);
            if (length > 0 && (key == VAL_BACKSPACE_VKEY || key == VAL_FWD_DELETE_VKEY)) model.erase(start, length);
            else if (key == 'q' || key == VAL_ENTER_VKEY) model.replace(start, length, key == 'q' ? "q" : "\n");
            else if (key == VAL_BACKSPACE_VKEY && start > 0) model.erase(start - 1, 1);
            else if (key == VAL_FWD_DELETE_VKEY && start < static_cast<int>(model.size())) model.erase(start, 1);
            ASSERT_EQ(attr(box, ATTR_TEXT_SELECTION_LENGTH), 0) << "step " << step;
        } else if (op == 12) {  // the whole text replaced, large or small
            model = pick(0, 1) ? manyLines(pick(20001, 30000)) : manyLines(pick(1, 5));
            ASSERT_EQ(ResetTextBox(panel, box, model.c_str()), 0);
        } else if (count > 0) {  // queries
            ASSERT_EQ(lines(panel, box), count) << "step " << step;
            const int i = pick(0, count - 1);
            const int end = i + 1 < count ? starts[i + 1] - 1 : static_cast<int>(model.size());
            int offset = -1, index = -1;
            ASSERT_EQ(GetTextBoxLineOffset(panel, box, i, &offset), 0);
            ASSERT_EQ(offset, starts[i]) << "step " << step;
            ASSERT_EQ(line(panel, box, i), model.substr(starts[i], end - starts[i])) << "step " << step;
            ASSERT_EQ(GetTextBoxLineIndexFromOffset(panel, box, pick(starts[i], end), &index), 0);
            ASSERT_EQ(index, i);
            SetCtrlAttribute(panel, box, ATTR_FIRST_VISIBLE_LINE, i);
            const int first = attr(box, ATTR_FIRST_VISIBLE_LINE);
            if (i + 1000 < count) {
                ASSERT_EQ(first, i) << "step " << step;
            }
            ASSERT_LE(first, i);  // near the end the last page may stay full
        }
    }
    EXPECT_EQ(attr(box, ATTR_STRING_TEXT_LENGTH), static_cast<int>(model.size()));
    EXPECT_EQ(value(box), model);
}

// Appending line after line past the size at which a box changes how it
// holds its text keeps the selection and the view where the program left them.
TEST_F(LargeText, AppendingPastAnyThresholdKeepsSelectionAndView) {
    const int box = addTextBox();
    std::string model;
    for (int k = 0; k < 60000; ++k) {
        const std::string text = "net " + std::to_string(k);
        ASSERT_EQ(InsertTextBoxLine(panel, box, -1, text.c_str()), 0);
        model += (k ? "\n" : "") + text;
        if (k == 100) {
            SetCtrlAttribute(panel, box, ATTR_FIRST_VISIBLE_LINE, 40);
            SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 300);
            SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, 25);
        }
        if (k % 7919 == 0) ProcessSystemEvents();
    }
    EXPECT_EQ(lines(panel, box), 60000);
    EXPECT_EQ(attr(box, ATTR_FIRST_VISIBLE_LINE), 40);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 300);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_LENGTH), 25);
    EXPECT_EQ(value(box), model);
    AutoTypeKey(panel, box, VAL_MENUKEY_MODIFIER | 'c');
    char* clip = nullptr;
    ClipboardGetText(&clip, nullptr);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(std::string(clip), model.substr(300, 25)) << "copying goes through the clipboard";
    std::free(clip);
    AutoTypeKey(panel, box, VAL_MENUKEY_MODIFIER | VAL_END_VKEY);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), static_cast<int>(model.size()));
    EXPECT_GT(attr(box, ATTR_FIRST_VISIBLE_LINE), 59000) << "the end is brought into sight";
}

}  // namespace
