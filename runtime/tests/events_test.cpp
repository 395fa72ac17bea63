// The event path: queued keys, EVENT_KEYPRESS before the control, cancel and
// replace, shortcut keys, value-changed only after edits, deferred calls,
// nested processing, clicks, closing, and the loop.
#include <ostream>
#include <stdexcept>

#include "contract.h"

namespace {

using contract::EventLog;
using contract::PanelTest;

std::string str(int control, int event, int data1 = -1) {
    std::string s = std::to_string(control) + ":" + std::to_string(event);
    if (data1 >= 0) s += ":" + std::to_string(data1);
    return s;
}

class Events : public PanelTest {
protected:
    int box = 0;
    void SetUp() override {
        PanelTest::SetUp();
        box = addTextBox();
        SetCtrlAttribute(panel, box, ATTR_CALLBACK_FUNCTION_POINTER, &EventLog::callback);
        SetActiveCtrl(panel, box);
    }
    std::vector<std::string>& log() { return EventLog::calls(); }
};

TEST_F(Events, FakedKeyIsQueuedUntilEventsAreProcessed) {
    EXPECT_EQ(FakeKeystroke('a'), 0);
    EXPECT_EQ(value(box), "") << "nothing happens before processing";
    EXPECT_TRUE(log().empty());
    EXPECT_EQ(ProcessSystemEvents(), 0);
    EXPECT_EQ(value(box), "a");
    EXPECT_EQ(log(), (std::vector<std::string>{str(box, EVENT_KEYPRESS, 'a'), str(box, EVENT_VAL_CHANGED)}));
}

TEST_F(Events, ValueChangedFollowsEditsOnlyNotMovesOrProgramChanges) {
    ResetTextBox(panel, box, "abc");
    InsertTextBoxLine(panel, box, -1, "def");
    SetCtrlVal(panel, box, "xyz");
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 1);
    ProcessSystemEvents();
    EXPECT_TRUE(log().empty()) << "program changes raise no event";
    AutoTypeKey(panel, box, VAL_END_VKEY);
    EXPECT_EQ(log(), (std::vector<std::string>{str(box, EVENT_KEYPRESS, VAL_END_VKEY)}));
    log().clear();
    AutoTypeKey(panel, box, VAL_BACKSPACE_VKEY);
    EXPECT_EQ(log(), (std::vector<std::string>{str(box, EVENT_KEYPRESS, VAL_BACKSPACE_VKEY),
                                               str(box, EVENT_VAL_CHANGED)}));
    EXPECT_EQ(value(box), "xy");
}

int g_cancelFrom = 0;
int g_replaceWith = 0;
int cancellingCallback(int panel, int control, int event, void* data, int d1, int d2) {
    EventLog::callback(panel, control, event, data, d1, d2);
    if (event == EVENT_KEYPRESS && d1 == g_cancelFrom) SetKeyPressEventKey(d2, g_replaceWith);
    return 0;
}

struct ReplaceCase {
    const char* name;
    int key;
    int replacement;
    const char* expected;
    bool changed;
};

std::ostream& operator<<(std::ostream& os, const ReplaceCase& c) { return os << c.name; }

class KeyReplacement : public Events, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(KeyReplacement, KeypressCallbackCancelsOrReplacesTheKey) {
    const ReplaceCase& c = GetParam();
    SetCtrlAttribute(panel, box, ATTR_CALLBACK_FUNCTION_POINTER, &cancellingCallback);
    ResetTextBox(panel, box, "ab");
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 1);
    g_cancelFrom = c.key;
    g_replaceWith = c.replacement;
    AutoTypeKey(panel, box, c.key);
    EXPECT_EQ(value(box), c.expected);
    std::vector<std::string> expect{str(box, EVENT_KEYPRESS, c.key)};
    if (c.changed) expect.push_back(str(box, EVENT_VAL_CHANGED));
    EXPECT_EQ(log(), expect);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyReplacement,
    ::testing::Values(ReplaceCase{"cancel_char", 'x', 0, "ab", false},
                      ReplaceCase{"cancel_tab", VAL_TAB_VKEY, 0, "ab", false},
                      ReplaceCase{"cancel_delete", VAL_FWD_DELETE_VKEY, 0, "ab", false},
                      ReplaceCase{"replace_char", 'x', 'y', "ayb", true},
                      ReplaceCase{"replace_by_enter", 'x', VAL_ENTER_VKEY, "a\nb", true},
                      ReplaceCase{"replace_tab_by_space", VAL_TAB_VKEY, ' ', "a b", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Events, ShortcutKeyCommitsItsControlAndIsConsumed) {
    int button = NewCtrl(panel, CTRL_COMMAND_BUTTON, "Save", 300, 10);
    SetCtrlAttribute(panel, button, ATTR_CALLBACK_FUNCTION_POINTER, &EventLog::callback);
    SetCtrlAttribute(panel, button, ATTR_SHORTCUT_KEY, VAL_MENUKEY_MODIFIER | 'S');
    SetActiveCtrl(panel, box);
    AutoTypeKey(panel, box, VAL_MENUKEY_MODIFIER | 'S');
    EXPECT_EQ(log(), (std::vector<std::string>{str(box, EVENT_KEYPRESS, VAL_MENUKEY_MODIFIER | 'S'),
                                               str(button, EVENT_COMMIT)}));
    log().clear();
    SetCtrlAttribute(panel, button, ATTR_SHORTCUT_KEY, 'z');
    SetCtrlAttribute(panel, button, ATTR_DIMMED, 1);
    AutoTypeKey(panel, box, 'z');
    EXPECT_EQ(value(box), "z") << "a dimmed control's shortcut does nothing";
    // The focused button's own shortcut operates it (a panel whose only
    // control is its Cancel button).
    log().clear();
    SetCtrlAttribute(panel, button, ATTR_DIMMED, 0);
    SetCtrlAttribute(panel, button, ATTR_SHORTCUT_KEY, VAL_MENUKEY_MODIFIER | 'Q');
    SetActiveCtrl(panel, button);
    AutoTypeKey(panel, button, VAL_MENUKEY_MODIFIER | 'Q');
    EXPECT_EQ(log(), (std::vector<std::string>{str(button, EVENT_KEYPRESS, VAL_MENUKEY_MODIFIER | 'Q'),
                                               str(button, EVENT_COMMIT)}));
}

TEST_F(Events, EnterInATextFieldCommitsIt) {
    int field = NewCtrl(panel, CTRL_STRING, "Find", 300, 10);
    SetCtrlAttribute(panel, field, ATTR_CALLBACK_FUNCTION_POINTER, &EventLog::callback);
    AutoTypeText(panel, field, "ab\n");
    EXPECT_EQ(value(field), "ab");
    EXPECT_EQ(log(), (std::vector<std::string>{str(field, EVENT_KEYPRESS, 'a'), str(field, EVENT_VAL_CHANGED),
                                               str(field, EVENT_KEYPRESS, 'b'), str(field, EVENT_VAL_CHANGED),
                                               str(field, EVENT_KEYPRESS, VAL_ENTER_VKEY),
                                               str(field, EVENT_COMMIT)}));
}

TEST_F(Events, TypedTextGivesOneKeypressPerByteWithLfAsEnterAndTabAsTab) {
    AutoTypeText(panel, box, "a\tb\n\xE9");
    EXPECT_EQ(value(box), "a\tb\n\xE9");
    std::vector<std::string> expect;
    for (int key : {int('a'), VAL_TAB_VKEY, int('b'), VAL_ENTER_VKEY, 0xE9}) {
        expect.push_back(str(box, EVENT_KEYPRESS, key));
        expect.push_back(str(box, EVENT_VAL_CHANGED));
    }
    EXPECT_EQ(log(), expect);
}

TEST_F(Events, TextFieldHonoursTheMaximumEntryLength) {
    int field = NewCtrl(panel, CTRL_STRING, "Find", 300, 10);
    SetCtrlAttribute(panel, field, ATTR_MAX_ENTRY_LENGTH, 3);
    AutoTypeText(panel, field, "abcdef");
    EXPECT_EQ(value(field), "abc");
    ClipboardPutText("xyz");
    SetCtrlAttribute(panel, field, ATTR_TEXT_SELECTION_START, 1);
    SetCtrlAttribute(panel, field, ATTR_TEXT_SELECTION_LENGTH, 1);
    AutoTypeKey(panel, field, VAL_MENUKEY_MODIFIER | 'V');
    EXPECT_EQ(value(field), "axc") << "a paste is cut to the room left";
}

TEST_F(Events, TextFieldMaximumLengthCutsWhatTheProgramSets) {
    int field = NewCtrl(panel, CTRL_STRING, "Find", 300, 10);
    SetCtrlAttribute(panel, field, ATTR_CALLBACK_FUNCTION_POINTER, &EventLog::callback);
    SetCtrlAttribute(panel, field, ATTR_MAX_ENTRY_LENGTH, 4);
    SetCtrlVal(panel, field, "abcdef");
    EXPECT_EQ(value(field), "abcd");
    SetCtrlAttribute(panel, field, ATTR_CTRL_VAL, "123456");
    EXPECT_EQ(value(field), "1234");
    SetCtrlAttribute(panel, field, ATTR_DFLT_VALUE, "uvwxyz");
    DefaultCtrl(panel, field);
    EXPECT_EQ(value(field), "uvwx");
    SetCtrlAttribute(panel, field, ATTR_TEXT_SELECTION_START, 1);
    SetCtrlAttribute(panel, field, ATTR_TEXT_SELECTION_LENGTH, 3);
    SetCtrlAttribute(panel, field, ATTR_MAX_ENTRY_LENGTH, 3);
    EXPECT_EQ(value(field), "uvw") << "a lower maximum cuts the value";
    EXPECT_EQ(attr(field, ATTR_TEXT_SELECTION_START), 1) << "the selection stays, cut with the text";
    EXPECT_EQ(attr(field, ATTR_TEXT_SELECTION_LENGTH), 2);
    SetCtrlAttribute(panel, field, ATTR_MAX_ENTRY_LENGTH, 10);
    EXPECT_EQ(value(field), "uvw");
    EXPECT_EQ(attr(field, ATTR_TEXT_SELECTION_START), 1) << "a maximum that cuts nothing leaves the selection";
    EXPECT_EQ(attr(field, ATTR_TEXT_SELECTION_LENGTH), 2);
    ProcessSystemEvents();
    EXPECT_TRUE(log().empty()) << "program changes raise no event";
}

TEST_F(Events, ClicksCommitButtonsAndToggleCheckBoxes) {
    int button = NewCtrl(panel, CTRL_COMMAND_BUTTON, "OK", 300, 10);
    int check = NewCtrl(panel, CTRL_CHECK_BOX, "Case", 330, 10);
    for (int c : {button, check}) SetCtrlAttribute(panel, c, ATTR_CALLBACK_FUNCTION_POINTER, &EventLog::callback);
    EXPECT_EQ(AutoClick(panel, button), 0);
    EXPECT_EQ(AutoClick(panel, check), 0);
    int on = -1;
    GetCtrlVal(panel, check, &on);
    EXPECT_EQ(on, 1);
    AutoClick(panel, check);
    GetCtrlVal(panel, check, &on);
    EXPECT_EQ(on, 0);
    EXPECT_EQ(log(), (std::vector<std::string>{str(button, EVENT_COMMIT), str(check, EVENT_COMMIT),
                                               str(check, EVENT_COMMIT)}));
    log().clear();
    SetCtrlAttribute(panel, button, ATTR_DIMMED, 1);
    AutoClick(panel, button);
    EXPECT_TRUE(log().empty()) << "a dimmed button does not commit";
}

TEST_F(Events, RightClickReportsYThenXAndTheMousePosition) {
    SetCtrlAttribute(panel, box, ATTR_TOP, 30);
    SetCtrlAttribute(panel, box, ATTR_LEFT, 10);
    EXPECT_EQ(AutoRightClick(panel, box, 60, 80), 0);
    EXPECT_EQ(log(), (std::vector<std::string>{str(box, EVENT_RIGHT_CLICK) + ":80:60"}));
    int x = -1, y = -1;
    EXPECT_EQ(GetRelativeMouseState(panel, 0, &x, &y, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(x, 60);
    EXPECT_EQ(y, 80);
}

int g_panelEvents = 0;
int panelCallback(int, int control, int event, void*, int, int) {
    if (control == 0 && event == EVENT_CLOSE) ++g_panelEvents;
    return 0;
}

TEST_F(Events, ClosingTheWindowCommitsTheCloseControlAndTellsThePanel) {
    int close = NewCtrl(panel, CTRL_COMMAND_BUTTON, "Close", 300, 10);
    SetCtrlAttribute(panel, close, ATTR_CALLBACK_FUNCTION_POINTER, &EventLog::callback);
    SetPanelAttribute(panel, ATTR_CLOSE_CTRL, close);
    SetPanelAttribute(panel, ATTR_CALLBACK_FUNCTION_POINTER, &panelCallback);
    g_panelEvents = 0;
    EXPECT_EQ(AutoClosePanel(panel), 0);
    EXPECT_EQ(log(), (std::vector<std::string>{str(close, EVENT_COMMIT)}));
    EXPECT_EQ(g_panelEvents, 1);
    int visible = 0;
    GetPanelAttribute(panel, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1) << "the run-time does not hide the panel itself";
}

std::vector<std::string> g_dropped;
int dropCallback(int panel, int control, int event, void*, int count, int) {
    char path[MAX_PATHNAME_LEN] = "unset";
    GetPanelAttribute(panel, ATTR_DROPPED_FILE, path);
    g_dropped.push_back(std::to_string(control) + ":" + std::to_string(event) + ":" + std::to_string(count) + ":" + path);
    return 0;
}

TEST_F(Events, AFileDroppedOnTheWindowIsToldToThePanelWithItsPath) {
    const std::string path = contract::tempDir() + "/dropped.net";
    contract::writeFile(path, "x");
    g_dropped.clear();
    SetPanelAttribute(panel, ATTR_CALLBACK_FUNCTION_POINTER, &dropCallback);
    EXPECT_EQ(AutoDropFile(panel, path.c_str()), 0);
    EXPECT_EQ(g_dropped, std::vector<std::string>{"0:" + std::to_string(EVENT_FILES_DROPPED) + ":1:" + path});
    char after[MAX_PATHNAME_LEN] = "unset";
    GetPanelAttribute(panel, ATTR_DROPPED_FILE, after);
    EXPECT_STREQ(after, "") << "the path is there during the event only";
    EXPECT_EQ(AutoDropFile(panel + 1000, path.c_str()), UIE_BAD_PANEL);
}

// ---- Deferred calls and nesting

std::vector<std::string> g_order;
void deferredMark(void* data) { g_order.push_back(static_cast<const char*>(data)); }

int deferringCallback(int panel, int control, int event, void*, int d1, int) {
    if (event == EVENT_KEYPRESS) {
        g_order.push_back("keypress " + std::to_string(d1));
        PostDeferredCall(&deferredMark, const_cast<char*>("deferred"));
        ProcessSystemEvents();  // nested: the posted call must still wait
        g_order.push_back("after nested");
    } else if (event == EVENT_VAL_CHANGED) {
        int length = 0;
        GetCtrlAttribute(panel, control, ATTR_STRING_TEXT_LENGTH, &length);
        g_order.push_back("changed " + std::to_string(length));
    }
    return 0;
}

TEST_F(Events, DeferredCallRunsAfterTheWholeKeyEvent) {
    g_order.clear();
    SetCtrlAttribute(panel, box, ATTR_CALLBACK_FUNCTION_POINTER, &deferringCallback);
    FakeKeystroke('k');
    ProcessSystemEvents();
    EXPECT_EQ(g_order, (std::vector<std::string>{"keypress 107", "after nested", "changed 1", "deferred"}));
}

TEST_F(Events, DeferredCallsAndQueuedKeysRunInFifoOrder) {
    g_order.clear();
    PostDeferredCall(&deferredMark, const_cast<char*>("one"));
    FakeKeystroke('a');
    PostDeferredCall(&deferredMark, const_cast<char*>("two"));
    EXPECT_TRUE(g_order.empty()) << "nothing runs before processing";
    ProcessSystemEvents();
    EXPECT_EQ(g_order, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(value(box), "a");
    EXPECT_EQ(log(), (std::vector<std::string>{str(box, EVENT_KEYPRESS, 'a'), str(box, EVENT_VAL_CHANGED)}));
}

// Cancels Tab and fakes keys inside the keypress callback, then processes
// them nested, as the block indent of a text-box extension does.
int indentingCallback(int, int, int event, void*, int d1, int d2) {
    if (event == EVENT_KEYPRESS && d1 == VAL_TAB_VKEY) {
        SetKeyPressEventKey(d2, 0);
        for (int key : {VAL_HOME_VKEY, int(' '), int(' '), VAL_DOWN_ARROW_VKEY, VAL_HOME_VKEY, int(' '), int(' ')}) FakeKeystroke(key);
        ProcessSystemEvents();
        g_order.push_back("indented");
    }
    return 0;
}

TEST_F(Events, KeysFakedInsideACallbackAreHandledByNestedProcessing) {
    g_order.clear();
    ResetTextBox(panel, box, "ab\ncd");
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 1);
    SetCtrlAttribute(panel, box, ATTR_CALLBACK_FUNCTION_POINTER, &indentingCallback);
    AutoTypeKey(panel, box, VAL_TAB_VKEY);
    EXPECT_EQ(value(box), "  ab\n  cd");
    EXPECT_EQ(g_order, (std::vector<std::string>{"indented"}));
}

int g_depth = 0;
int g_maxDepth = 0;
int nestingCallback(int, int, int event, void*, int, int) {
    if (event != EVENT_KEYPRESS) return 0;
    ++g_depth;
    g_maxDepth = std::max(g_maxDepth, g_depth);
    if (g_depth < 5) {
        FakeKeystroke('n');
        ProcessSystemEvents();
    }
    --g_depth;
    return 0;
}

TEST_F(Events, ProcessingRunsWhatGetsQueuedWhileItRunsAndMayNest) {
    g_maxDepth = 0;
    SetCtrlAttribute(panel, box, ATTR_CALLBACK_FUNCTION_POINTER, &nestingCallback);
    AutoTypeKey(panel, box, 'n');
    EXPECT_EQ(g_maxDepth, 5);
    EXPECT_EQ(g_depth, 0);
    EXPECT_EQ(value(box), "nnnnn");
}

void postsAnother(void* data) {
    g_order.push_back("outer start");
    PostDeferredCall(&deferredMark, data);
    ProcessSystemEvents();
    g_order.push_back("outer end");
}

TEST_F(Events, DeferredCallPostedByADeferredCallWaitsForItToFinish) {
    g_order.clear();
    PostDeferredCall(&postsAnother, const_cast<char*>("inner"));
    ProcessSystemEvents();
    EXPECT_EQ(g_order, (std::vector<std::string>{"outer start", "outer end", "inner"}));
}

void postsAndThrows(void* data) {
    PostDeferredCall(&deferredMark, data);
    throw std::runtime_error("the callback failed");
}

TEST_F(Events, CallsHeldByAnEventThatEndsInAnExceptionRunAfterIt) {
    g_order.clear();
    PostDeferredCall(&postsAndThrows, const_cast<char*>("held"));
    EXPECT_LT(ProcessSystemEvents(), 0) << "the exception stops at the C boundary";
    ProcessSystemEvents();
    EXPECT_EQ(g_order, (std::vector<std::string>{"held"}));
}

int quittingCallback(int, int, int event, void* data, int, int) {
    if (event == EVENT_COMMIT) QuitUserInterface(data ? *static_cast<int*>(data) : 0);
    return 0;
}

TEST_F(Events, RunUserInterfaceReturnsTheCodeGivenToQuit) {
    int button = NewCtrl(panel, CTRL_COMMAND_BUTTON, "Exit", 300, 10);
    static int code = 7;
    SetCtrlAttribute(panel, button, ATTR_CALLBACK_FUNCTION_POINTER, &quittingCallback);
    SetCtrlAttribute(panel, button, ATTR_CALLBACK_DATA, &code);
    SetCtrlAttribute(panel, button, ATTR_SHORTCUT_KEY, VAL_ESC_VKEY);
    SetActiveCtrl(panel, box);
    SetActivePanel(panel);
    FakeKeystroke(VAL_ESC_VKEY);
    EXPECT_EQ(RunUserInterface(), 7);
}

TEST_F(Events, AnOwnedPanelIsShownAndOutlivesItsOwner) {
    const int owner = NewPanel(0, "Owner", 50, 50, 100, 200);
    const int tool = NewPanel(0, "Tool", 60, 60, 50, 120);
    const int child = NewPanel(owner, "Child", 5, 5, 20, 20);
    ASSERT_GT(child, 0);
    EXPECT_EQ(SetPanelAttribute(tool, ATTR_OWNER_PANEL, tool), UIE_BAD_VALUE);
    EXPECT_EQ(SetPanelAttribute(tool, ATTR_OWNER_PANEL, 9999), UIE_BAD_VALUE);
    EXPECT_EQ(SetPanelAttribute(child, ATTR_OWNER_PANEL, tool), UIE_BAD_ATTRIBUTE);
    ASSERT_EQ(SetPanelAttribute(tool, ATTR_OWNER_PANEL, owner), 0);
    DisplayPanel(owner);
    DisplayPanel(tool);
    int value = -1, top = 0;
    GetPanelAttribute(tool, ATTR_OWNER_PANEL, &value);
    EXPECT_EQ(value, owner);
    GetPanelAttribute(tool, ATTR_TOP, &top);
    EXPECT_EQ(top, 60);  // the window keeps its place
    EXPECT_EQ(GetActivePanel(), tool);
    // Another owner, then none: the window stays as shown.
    ASSERT_EQ(SetPanelAttribute(tool, ATTR_OWNER_PANEL, panel), 0);
    ASSERT_EQ(SetPanelAttribute(tool, ATTR_OWNER_PANEL, owner), 0);
    GetPanelAttribute(tool, ATTR_VISIBLE, &value);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(DiscardPanel(owner), 0);
    ProcessSystemEvents();
    GetPanelAttribute(tool, ATTR_OWNER_PANEL, &value);
    EXPECT_EQ(value, 0);
    GetPanelAttribute(tool, ATTR_VISIBLE, &value);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(HidePanel(tool), 0);
    EXPECT_EQ(DiscardPanel(tool), 0);
}

TEST_F(Events, HeadlessLoopEndsWhenNothingIsLeft) {
    if (contract::isQt()) GTEST_SKIP() << "a real loop waits for the user";
    EXPECT_EQ(RunUserInterface(), UIE_FAILURE);
}

TEST_F(Events, FocusFollowsSetActiveCtrl) {
    int field = NewCtrl(panel, CTRL_STRING, "F", 300, 10);
    EXPECT_EQ(SetActiveCtrl(panel, field), 0);
    EXPECT_EQ(GetActiveCtrl(panel), field);
    FakeKeystroke('q');
    ProcessSystemEvents();
    EXPECT_EQ(value(field), "q");
    EXPECT_EQ(value(box), "");
    EXPECT_EQ(SetActiveCtrl(panel, box), 0);
    EXPECT_EQ(GetActiveCtrl(panel), box);
    EXPECT_LT(SetActiveCtrl(panel, 999), 0);
    // A panel shown over it and hidden again: the keys go back to the field.
    EXPECT_EQ(SetActiveCtrl(panel, field), 0);
    const int over = NewPanel(0, "Over", 40, 40, 100, 200);
    NewCtrl(over, CTRL_COMMAND_BUTTON, "Cancel", 10, 10);
    DisplayPanel(over);
    ProcessSystemEvents();
    EXPECT_EQ(GetActivePanel(), over);
    HidePanel(over);
    ProcessSystemEvents();
    EXPECT_EQ(GetActivePanel(), panel);
    EXPECT_EQ(GetActiveCtrl(panel), field);
    FakeKeystroke('r');
    ProcessSystemEvents();
    EXPECT_EQ(value(field), "qr");
    DiscardPanel(over);
}

}  // namespace

namespace {

// ---- Callbacks that pull the ground from under the event being handled

int g_discardOn = 0;
int discardingCallback(int panel, int control, int event, void*, int, int) {
    if (event == g_discardOn) DiscardCtrl(panel, control);
    return 0;
}

class DiscardInCallback : public Events, public ::testing::WithParamInterface<int> {};

TEST_P(DiscardInCallback, LeavesTheRuntimeUsable) {
    g_discardOn = GetParam();
    SetCtrlAttribute(panel, box, ATTR_CALLBACK_FUNCTION_POINTER, &discardingCallback);
    FakeKeystroke('a');
    FakeKeystroke('b');
    EXPECT_EQ(ProcessSystemEvents(), 0);
    int kind = 0;
    EXPECT_EQ(GetCtrlAttribute(panel, box, ATTR_CTRL_KIND, &kind), UIE_BAD_CONTROL);
    int other = addTextBox();
    EXPECT_EQ(AutoTypeKey(panel, other, 'c'), 0);
    EXPECT_EQ(value(other), "c");
}

INSTANTIATE_TEST_SUITE_P(Events, DiscardInCallback, ::testing::Values(EVENT_KEYPRESS, EVENT_VAL_CHANGED),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == EVENT_KEYPRESS ? "key_press" : "value_changed");
                         });

int discardPanelCallback(int panel, int, int event, void*, int, int) {
    if (event == EVENT_KEYPRESS) DiscardPanel(panel);
    return 0;
}

TEST_F(Events, DiscardingThePanelInAKeypressCallbackIsSafe) {
    int victim = NewPanel(0, "Victim", 10, 10, 200, 200);
    int vbox = NewCtrl(victim, CTRL_TEXT_BOX, "", 10, 10);
    SetCtrlAttribute(victim, vbox, ATTR_CALLBACK_FUNCTION_POINTER, &discardPanelCallback);
    DisplayPanel(victim);
    SetActiveCtrl(victim, vbox);
    FakeKeystroke('x');
    FakeKeystroke('y');
    EXPECT_EQ(ProcessSystemEvents(), 0);
    int visible = 0;
    EXPECT_EQ(GetPanelAttribute(victim, ATTR_VISIBLE, &visible), UIE_BAD_PANEL);
}

TEST_F(Events, TypingKeepsTheCaretLineVisible) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += "row " + std::to_string(i) + "\n";
    ResetTextBox(panel, box, text.c_str());
    AutoTypeKey(panel, box, VAL_MENUKEY_MODIFIER | VAL_END_VKEY);
    int first = attr(box, ATTR_FIRST_VISIBLE_LINE), shown = attr(box, ATTR_VISIBLE_LINES);
    EXPECT_GT(first, 0);
    EXPECT_LE(first, 200);
    EXPECT_GT(first + shown, 200) << "the last line is on screen";
    AutoTypeKey(panel, box, VAL_MENUKEY_MODIFIER | VAL_HOME_VKEY);
    EXPECT_EQ(attr(box, ATTR_FIRST_VISIBLE_LINE), 0);
}

TEST(Runtime, ASecondInitOfTheSameBackendSucceedsAndAnotherFails) {
    EXPECT_EQ(GetUIRuntimeBackend(), contract::backend());
    EXPECT_EQ(InitUIRuntime(0, nullptr, contract::backend()), 1);
    EXPECT_EQ(InitUIRuntime(0, nullptr, contract::isQt() ? UIRT_BACKEND_HEADLESS : UIRT_BACKEND_QT), 0);
    EXPECT_EQ(GetUIRuntimeBackend(), contract::backend());
}

}  // namespace
