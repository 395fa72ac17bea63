// The undo engine through a real text box: what each edit records, how steps
// merge, the depth limit, reset, and random edits retraced by undo and redo.
#include <random>
#include <vector>

#include "pelmo_test.h"
#include "undo.h"

namespace pelmo_test {
namespace {

constexpr int kUndoKey = VAL_MENUKEY_MODIFIER | 'Z';
constexpr int kRedoKey = VAL_MENUKEY_MODIFIER | VAL_BACKSPACE_VKEY;

class UndoEngine : public BoxTest {
protected:
    // Text and the three queries after a step.
    void expectState(const std::string& t, int changed, int canUndo, int canRedo) const {
        EXPECT_EQ(text(), t);
        EXPECT_EQ(undo_Changed(history), changed) << "changed, text '" << t << "'";
        EXPECT_EQ(undo_CanUndo(history), canUndo) << "can undo, text '" << t << "'";
        EXPECT_EQ(undo_CanRedo(history), canRedo) << "can redo, text '" << t << "'";
    }
    void undo() const { key(kUndoKey); }
    void redo() const { key(kRedoKey); }
    UndoStep step(int index) const { return pelmo::undo::readStep(*history, history->steps[index]); }
    std::string stepText(int index) const { return pelmo::undo::stepText(*history, history->steps[index]); }
};

TEST_F(UndoEngine, WordsAndSpacesAreStepsOfTheirOwn) {
    ASSERT_NE(extend(100), nullptr);
    type("hello world");
    expectState("hello world", 1, 1, 0);
    undo();
    expectState("hello ", 1, 1, 1);
    undo();
    expectState("hello", 1, 1, 1);
    undo();
    expectState("", 0, 0, 1);
    redo();
    expectState("hello", 1, 1, 1);
    redo();
    redo();
    expectState("hello world", 1, 1, 0);
    redo();  // nothing left to redo
    expectState("hello world", 1, 1, 0);
}

TEST_F(UndoEngine, MergingFollowsTheCaret) {
    extend(100);
    type("a.");  // punctuation never merges
    EXPECT_EQ(history->position, 2);
    load("ab cd");
    select(5, 0);
    key(VAL_BACKSPACE_VKEY);
    key(VAL_BACKSPACE_VKEY);
    ASSERT_EQ(history->position, 1);  // backspacing over a word is one step
    EXPECT_EQ(step(0).pos, 3);
    EXPECT_EQ(stepText(0), "cd");
    select(0, 0);
    key(VAL_FWD_DELETE_VKEY);
    key(VAL_FWD_DELETE_VKEY);
    EXPECT_EQ(history->position, 2);  // deleting forward over a word too
    EXPECT_EQ(stepText(1), "ab");
    load("");
    type("b");
    key(VAL_LEFT_ARROW_VKEY);
    type("\xE0");  // Cyrillic а typed in front of the word still continues it
    ASSERT_EQ(history->position, 1);
    EXPECT_EQ(stepText(0), "\xE0" "b");
    undo();
    expectState("", 0, 0, 1);
}

TEST_F(UndoEngine, ReplacingASelectionTakesTwoUndos) {
    extend(100);
    load("xabcx");
    select(1, 3);
    type("y");
    expectState("xyx", 1, 1, 0);
    undo();
    expectState("xx", 1, 1, 1);
    undo();
    expectState("xabcx", 0, 0, 1);
    EXPECT_EQ(selStart(), 1);  // the restored text comes back selected
    EXPECT_EQ(selLength(), 3);
    // Redoing the removal leaves the caret where the text went, nothing
    // selected: the next key adds to the text.
    redo();
    expectState("xx", 1, 1, 1);
    EXPECT_EQ(selStart(), 1);
    EXPECT_EQ(selLength(), 0);
    type("Q");
    expectState("xQx", 1, 1, 0);
}

TEST_F(UndoEngine, PrefixWinsWhenTheChangeIsAmbiguous) {
    extend(100);
    load("ab");
    select(1, 0);
    type("b");  // "ab" -> "abb": the same as an insertion after the second b
    ASSERT_EQ(history->position, 1);
    EXPECT_EQ(step(0).kind, kStepInserted);
    EXPECT_EQ(step(0).pos, 2);
    EXPECT_EQ(stepText(0), "b");
}

TEST_F(UndoEngine, DepthLimitDropsTheOldestSteps) {
    extend(5);
    for (char c : std::string("a.b.c.d.")) {
        type(std::string(1, c));
        EXPECT_LE(history->position, 4);
    }
    EXPECT_TRUE(history->flags & kUndoTruncated);
    // A value change that leaves the text equal discards nothing.
    const int position = history->position;
    undo_Action(history);
    EXPECT_EQ(history->position, position);
    while (undo_CanUndo(history)) undo();
    expectState("a.b.", 1, 0, 1);  // the history lost its beginning: still changed

    // A replacement at maxSteps - 2 fills the history; the next edit drops two.
    load("abc");
    type("1.2.3.");
    ASSERT_EQ(history->position, 4);
    undo();
    ASSERT_EQ(history->position, 3);
    select(0, 2);
    type("z");
    EXPECT_EQ(history->position, 5);
    type(".");
    EXPECT_EQ(history->position, 4);
    EXPECT_EQ(history->top, 4);
}

TEST_F(UndoEngine, ResetMakesANewBaseline) {
    extend(100);
    type("abc");
    load("new text");
    expectState("new text", 0, 0, 0);
    select(8, 0);
    type("!");
    undo();
    expectState("new text", 0, 0, 1);
    redo();
    expectState("new text!", 1, 1, 0);
    undo();
    undo();  // at the baseline already
    expectState("new text", 0, 0, 1);
}

TEST_F(UndoEngine, CreationRulesAndNullHistories) {
    ASSERT_NE(extend(1, 100), nullptr);
    EXPECT_EQ(history->maxSteps, 2);
    EXPECT_EQ(history->baseSize, 4096);
    EXPECT_EQ(undo_Changed(nullptr), 0);
    EXPECT_EQ(undo_CanUndo(nullptr), 0);
    EXPECT_EQ(undo_CanRedo(nullptr), 0);
    EXPECT_EQ(undo_Reset(nullptr), 0);
    EXPECT_EQ(undo_Action(nullptr), 0);
    EXPECT_EQ(undo_Undo(nullptr), 0);
    EXPECT_EQ(undo_Redo(nullptr), 0);
    undo_Close(nullptr);

    // A text exactly as long as the buffer size still gets its terminating zero.
    const std::string full(4096, 'q');
    load(full);
    UndoHistory* h = undo_Init(panel, box, 4096, 3);
    ASSERT_NE(h, nullptr);
    EXPECT_GT(h->snapshot.capacity, 4096);
    EXPECT_EQ(std::string(h->snapshot.text), full);
    undo_Close(h);

    // A box that outlives its history no longer reaches it.
    undo_Close(history);
    history = nullptr;
    type("after");
    EXPECT_EQ(text(), full.substr(0, 0) + "after" + full);
}

TEST_F(UndoEngine, BufferPolicyKeepsRoomForTheZero) {
    using pelmo::undo::policyCapacity;
    struct Case {
        int64_t capacity, needed, base, expected;
    } cases[] = {
        {4096, 5000, 4096, 7500},       // grows by half again what is needed
        {7500, 5000, 4096, 7500},       // fits, and not more than twice too big
        {20000, 5000, 4096, 7500},      // far too big: shrinks
        {7500, 100, 4096, 4096},        // below the base size: back to the base
        {4096, 100, 4096, 4096},
        {1, 1, 1, 2},                   // a tiny base: still room for the zero
        {0, 0, 0, 1},
        {10, int64_t{1} << 31, 10, -1}, // beyond what an int32 counts
    };
    for (const Case& c : cases)
        EXPECT_EQ(policyCapacity(c.capacity, c.needed, c.base), c.expected)
            << c.capacity << " " << c.needed << " " << c.base;
}

TEST_F(UndoEngine, StepThatNoLongerFitsTheTextChangesNothing) {
    extend(100);
    type("hello");
    // As if the snapshot had fallen out of step with the history.
    history->snapshot.length = 2;
    history->snapshot.text[2] = '\0';
    testing::internal::CaptureStdout();
    undo_Undo(history);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: textsize=-3, n=-3\n");
    EXPECT_EQ(text(), "hello");
    EXPECT_EQ(history->position, 1);


    // Redo reads nothing outside the snapshot either.
    load("abc");
    select(0, 3);
    key(VAL_FWD_DELETE_VKEY);
    undo();
    ASSERT_EQ(text(), "abc");
    history->snapshot.length = 1;
    undo_Redo(history);
    EXPECT_EQ(text(), "abc");
    EXPECT_EQ(history->position, 0);
}

// Random edits through the keyboard; undoing walks back through the texts
// the box had, and redoing walks the same way forward again.
class UndoModel : public UndoEngine, public ::testing::WithParamInterface<int> {};

TEST_P(UndoModel, UndoAndRedoRetraceRandomEdits) {
    const int depth = GetParam();
    extend(depth);
    load("start\n");
    std::mt19937 rng(7 + depth);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    // Typed Enter would add the automatic indent as a further step: line
    // breaks come in by pasting.
    const std::string alphabet = "aab  .\xE0\xC0" "1\n";
    const int typed = static_cast<int>(alphabet.size()) - 1;
    std::vector<std::string> texts{text()};
    for (int i = 0; i < 1500; ++i) {
        const int length = static_cast<int>(texts.back().size());
        const int at = pick(length + 1);
        const int op = length > 300 ? 1 + pick(2) : pick(6);
        if (op == 3 || op == 4) select(at, pick(length - at + 1));
        else select(at, 0);
        switch (op) {
        case 0: type(std::string(1, alphabet[pick(typed)])); break;
        case 1: key(VAL_BACKSPACE_VKEY); break;
        case 2: key(VAL_FWD_DELETE_VKEY); break;
        case 3: {
            std::string piece;
            for (int n = pick(6); n > 0; --n) piece += alphabet[pick(typed + 1)];
            ClipboardPutText(piece.c_str());
            key(VAL_MENUKEY_MODIFIER | 'V');
            break;
        }
        case 4: type("z"); break;
        default: key(VAL_MENUKEY_MODIFIER | 'X'); break;
        }
        const std::string now = text();
        if (now == texts.back()) continue;
        // An edit that both removed and inserted bytes is undone in two
        // steps: the text between them had the removal only.
        const std::string& old = texts.back();
        size_t prefix = 0, suffix = 0;
        const size_t shorter = std::min(old.size(), now.size());
        while (prefix < shorter && old[prefix] == now[prefix]) ++prefix;
        while (suffix < shorter - prefix && old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix]) ++suffix;
        if (old.size() - prefix - suffix > 0 && now.size() - prefix - suffix > 0)
            texts.push_back(old.substr(0, prefix) + old.substr(old.size() - suffix));
        texts.push_back(now);
    }
    // Each undo lands on an earlier text of the sequence.
    std::vector<size_t> path{texts.size() - 1};
    while (undo_CanUndo(history)) {
        undo();
        size_t j = path.back();
        while (j > 0 && texts[--j] != text()) {
        }
        ASSERT_EQ(texts[j], text()) << "undo " << path.size() << " left a text the box never had";
        path.push_back(j);
    }
    if (depth > 10000) {
        EXPECT_EQ(path.back(), 0u);
        EXPECT_EQ(undo_Changed(history), 0);
    } else {
        EXPECT_EQ(static_cast<int>(path.size()) - 1, history->top);
        EXPECT_EQ(undo_Changed(history), 1);
    }
    path.pop_back();
    while (undo_CanRedo(history)) {
        redo();
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(text(), texts[path.back()]);
        path.pop_back();
    }
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(text(), texts.back());
}

INSTANTIATE_TEST_SUITE_P(Depths, UndoModel, ::testing::Values(6, 50, 100000),
                         [](const auto& info) { return "depth_" + std::to_string(info.param); });

}  // namespace
}  // namespace pelmo_test
