// The backend-independent pieces both backends share: control ids, the
// event queue, automation answers and records, key-event ids, the menu-bar
// model, the attribute type tables and the text-box rules.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "attrs.h"
#include "automation.h"
#include "event_queue.h"
#include "menus.h"
#include "textbox.h"

namespace {

using namespace uirt;

struct IdCase {
    int requested;
    bool inUse;
    int next;
    int result;
    int nextAfter;
};

TEST(ControlIds, ClaimFollowsTheRequestOrTheCounter) {
    const IdCase cases[] = {
        {0, false, 1, 1, 2},                      // next free id
        {0, false, 8, 8, 9},
        {5, false, 1, 5, 6},                      // requested id moves the counter past it
        {5, false, 9, 5, 9},                      // a smaller free id leaves the counter
        {100000, false, 3, 100000, 100001},
        {5, true, 9, UIE_BAD_VALUE, 9},           // in use
        {-1, false, 4, UIE_BAD_VALUE, 4},
        {INT_MAX, false, 4, UIE_BAD_VALUE, 4},    // would leave no next id
        {INT_MAX - 1, false, 4, INT_MAX - 1, INT_MAX},
        {0, false, INT_MAX, UIE_BAD_VALUE, INT_MAX},  // ids used up
    };
    for (const IdCase& c : cases) {
        int next = c.next;
        EXPECT_EQ(claimCtrlId(c.requested, c.inUse, &next), c.result) << c.requested << " from " << c.next;
        EXPECT_EQ(next, c.nextAfter) << c.requested << " from " << c.next;
    }
}

TEST(EventQueue, HeldItemsWaitForTheirEventAndOthersKeepOrder) {
    EventQueue q;
    std::vector<std::string> ran;
    std::function<void()> run;
    EXPECT_TRUE(q.empty());
    EXPECT_FALSE(q.take(run));
    q.postHeld([&] { ran.push_back("free"); });  // no event running: not held
    std::optional<EventQueue::Handling> a(std::in_place, q);  // event A
    q.postHeld([&] { ran.push_back("afterA"); });
    q.post([&] { ran.push_back("key"); });
    std::optional<EventQueue::Handling> b(std::in_place, q);  // event B inside A
    q.postHeld([&] { ran.push_back("afterB"); });
    while (q.take(run)) run();
    EXPECT_EQ(ran, (std::vector<std::string>{"free", "key"}));
    b.reset();  // B ends
    while (q.take(run)) run();
    EXPECT_EQ(ran, (std::vector<std::string>{"free", "key", "afterB"}));
    a.reset();  // A ends
    EXPECT_FALSE(q.empty());
    while (q.take(run)) run();
    EXPECT_EQ(ran, (std::vector<std::string>{"free", "key", "afterB", "afterA"}));
    EXPECT_TRUE(q.empty());
}

TEST(EventQueue, ScopesEndWhenAnExceptionLeavesThem) {
    EventQueue q;
    std::vector<std::string> ran;
    std::function<void()> run;
    try {
        EventQueue::Loop loop(q);
        EventQueue::Handling event(q);
        EXPECT_EQ(q.loopDepth(), 1);
        q.postHeld([&] { ran.push_back("held"); });
        throw std::runtime_error("a callback failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(q.loopDepth(), 0);
    while (q.take(run)) run();
    EXPECT_EQ(ran, (std::vector<std::string>{"held"}));
}

TEST(AutomationLog, AnswersAreTakenOldestFirstPerKind) {
    AutomationLog log;
    EXPECT_FALSE(log.takeMessage());
    EXPECT_FALSE(log.takeConfirm());
    EXPECT_FALSE(log.takeFileSelect());
    EXPECT_FALSE(log.takePopupMenu());
    log.answerMessage();
    log.answerMessage();
    log.answerConfirm(5);
    log.answerConfirm(0);
    log.answerFileSelect(VAL_NEW_FILE_SELECTED, "/a");
    log.answerFileSelect(VAL_NO_FILE_SELECTED, nullptr);
    log.answerPopupMenu("Copy");
    log.answerPopupMenu(nullptr);
    EXPECT_TRUE(log.takeMessage());
    EXPECT_EQ(log.takeConfirm(), 1) << "any non-zero answer is yes";
    EXPECT_EQ(log.takeConfirm(), 0);
    auto file = log.takeFileSelect();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->result, VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(file->path, "/a");
    file = log.takeFileSelect();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->path, "");
    auto menu = log.takePopupMenu();
    ASSERT_TRUE(menu && *menu);
    EXPECT_EQ(**menu, "Copy");
    menu = log.takePopupMenu();
    ASSERT_TRUE(menu);
    EXPECT_FALSE(*menu) << "a null name dismisses";
    log.answerConfirm(1);
    log.clearAnswers();
    EXPECT_FALSE(log.takeMessage()) << "cleared with the rest";
    EXPECT_FALSE(log.takeConfirm());
}

TEST(AutomationLog, RecordIsCopiedOutCutToTheBuffers) {
    AutomationLog log;
    log.record(AUTO_POPUP_CONFIRM, "Title", "Some text");
    EXPECT_EQ(log.count(), 1);
    int kind = 0;
    char title[4], text[64];
    EXPECT_EQ(log.get(0, &kind, title, sizeof title, text, sizeof text), 0);
    EXPECT_EQ(kind, AUTO_POPUP_CONFIRM);
    EXPECT_STREQ(title, "Tit");
    EXPECT_STREQ(text, "Some text");
    EXPECT_EQ(log.get(0, nullptr, nullptr, 0, text, 1), 0) << "null and empty buffers are skipped";
    EXPECT_STREQ(text, "");
    EXPECT_EQ(log.get(1, &kind, title, 4, text, 4), UIE_BAD_VALUE);
    EXPECT_EQ(log.get(-1, &kind, title, 4, text, 4), UIE_BAD_VALUE);
    log.clearRecord();
    EXPECT_EQ(log.count(), 0);
}

TEST(KeyEvents, OnlyKeysBeingHandledCanBeReplaced) {
    KeyEvents events;
    int outerId = 0;
    {
        KeyEvents::Scope outer(events, 'a');
        outerId = outer.id();
        {
            KeyEvents::Scope inner(events, 'b');
            EXPECT_NE(inner.id(), outer.id());
            EXPECT_EQ(events.setKey(outer.id(), 'c'), 0) << "an outer key is still being handled";
            EXPECT_EQ(events.setKey(inner.id(), 0), 0);
            EXPECT_EQ(inner.key(), 0);
        }
        EXPECT_EQ(outer.key(), 'c');
    }
    EXPECT_EQ(events.setKey(outerId, 'd'), UIE_BAD_VALUE);
}

TEST(MenuBarModel, MenusAndItemsShareOneIdCounterAndInsertBefore) {
    MenuBarModel bar;
    const int file = bar.addMenu("File", -1);
    const int edit = bar.addMenu("Edit", -1);
    const int first = bar.addMenu("First", file);
    EXPECT_EQ(bar.addMenu("X", 999), UIE_BAD_MENU);
    EXPECT_EQ((std::vector<int>{file, edit, first}), (std::vector<int>{1, 2, 3})) << "a failed insert takes no id";
    ASSERT_EQ(bar.menus.size(), 3u);
    EXPECT_EQ(bar.menus[0].name, "First");
    const int open = bar.addItem(file, "Open", -1, 'O', nullptr, nullptr);
    const int sep = bar.addSeparator(file, open);
    EXPECT_EQ(open, 4);
    EXPECT_EQ(sep, 5);
    EXPECT_EQ(bar.addItem(77, "Nowhere", -1, 0, nullptr, nullptr), UIE_BAD_MENU);
    Menu* owner = nullptr;
    ASSERT_TRUE(bar.item(sep, &owner));
    EXPECT_TRUE(bar.item(sep)->separator);
    EXPECT_EQ(owner, bar.menu(file));
    EXPECT_EQ(bar.menu(file)->items.front().id, sep);
    EXPECT_EQ(menuListing(bar.menu(file)->items), "Open");
}

TEST(MenuBarModel, AttributesAndShortcutsOfBarMenusAndItems) {
    MenuBarModel bar;
    const int file = bar.addMenu("File", -1);
    const int save = bar.addItem(file, "Save", -1, VAL_MENUKEY_MODIFIER | 'S', nullptr, nullptr);
    AttrValue v;
    v.s = "Courier";
    EXPECT_EQ(bar.setAttribute(0, ATTR_MENU_BAR_FONT, v), 0);
    v.i = 12;
    EXPECT_EQ(bar.setAttribute(0, ATTR_MENU_BAR_POINT_SIZE, v), 0);
    EXPECT_EQ(bar.setAttribute(file, ATTR_CALLBACK_DATA, v), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(bar.setAttribute(99, ATTR_DIMMED, v), UIE_BAD_MENU);
    char name[64];
    int n = 0;
    EXPECT_EQ(bar.getAttribute(0, ATTR_MENU_BAR_FONT, name), 0);
    EXPECT_STREQ(name, "Courier");
    EXPECT_EQ(bar.getAttribute(0, ATTR_MENU_BAR_POINT_SIZE, &n), 0);
    EXPECT_EQ(n, 12);
    EXPECT_EQ(bar.itemForShortcut(VAL_MENUKEY_MODIFIER | 'S'), bar.item(save));
    v.i = 1;
    EXPECT_EQ(bar.setAttribute(file, ATTR_DIMMED, v), 0);
    EXPECT_EQ(bar.itemForShortcut(VAL_MENUKEY_MODIFIER | 'S'), nullptr) << "a dimmed menu's items do not run";
    v.i = 0;
    bar.setAttribute(file, ATTR_DIMMED, v);
    v.i = 1;
    EXPECT_EQ(bar.setAttribute(save, ATTR_DIMMED, v), 0);
    EXPECT_EQ(bar.itemForShortcut(VAL_MENUKEY_MODIFIER | 'S'), nullptr);
    EXPECT_EQ(menuListing(bar.menu(file)->items), "~Save");
    v.s = "Save as";
    EXPECT_EQ(bar.setAttribute(save, ATTR_ITEM_NAME, v), 0);
    EXPECT_EQ(bar.getAttribute(save, ATTR_ITEM_NAME, name), 0);
    EXPECT_STREQ(name, "Save as");
    EXPECT_EQ(bar.getAttribute(save, ATTR_MENU_BAR_FONT, name), UIE_BAD_ATTRIBUTE);
}

TEST(AttrTypes, EachObjectHasItsStringPointerAndValueAttributes) {
    const struct {
        AttrType (*typeOf)(int);
        int attribute;
        AttrType type;
    } cases[] = {
        {ctrlAttrType, ATTR_LABEL_TEXT, AttrType::String},   {ctrlAttrType, ATTR_CALLBACK_NAME, AttrType::String},
        {ctrlAttrType, ATTR_CTRL_VAL, AttrType::Value},      {ctrlAttrType, ATTR_DFLT_VALUE, AttrType::Value},
        {ctrlAttrType, ATTR_CALLBACK_DATA, AttrType::Pointer}, {ctrlAttrType, ATTR_TOP, AttrType::Int},
        {ctrlAttrType, ATTR_TITLE, AttrType::Int},           {panelAttrType, ATTR_TITLE, AttrType::String},
        {panelAttrType, ATTR_CTRL_VAL, AttrType::Int},       {panelAttrType, ATTR_CALLBACK_FUNCTION_POINTER, AttrType::Pointer},
        {menuAttrType, ATTR_ITEM_NAME, AttrType::String},    {menuAttrType, ATTR_MENU_BAR_FONT, AttrType::String},
        {menuAttrType, ATTR_LABEL_TEXT, AttrType::Int},      {menuAttrType, ATTR_CALLBACK_DATA, AttrType::Pointer},
    };
    for (const auto& c : cases) EXPECT_EQ(c.typeOf(c.attribute), c.type) << c.attribute;
}

TEST(HeldAttributes, PanelAndControlDataRoundTripAndCheckTheKind) {
    PanelData panel;
    AttrValue v;
    v.s = "Title";
    EXPECT_EQ(setPanelData(panel, ATTR_TITLE, v), 0);
    v.i = 9;
    EXPECT_EQ(setPanelData(panel, ATTR_CLOSE_CTRL, v), 0);
    v.i = 1234;
    EXPECT_EQ(setPanelData(panel, 99999, v), 0) << "unknown attributes are stored";
    char text[64];
    int n = -1;
    EXPECT_EQ(getPanelData(panel, ATTR_TITLE, text), 0);
    EXPECT_STREQ(text, "Title");
    EXPECT_EQ(getPanelData(panel, ATTR_CLOSE_CTRL, &n), 0);
    EXPECT_EQ(n, 9);
    EXPECT_EQ(getPanelData(panel, 99999, &n), 0);
    EXPECT_EQ(n, 1234);
    EXPECT_EQ(getPanelData(panel, 99998, &n), 0);
    EXPECT_EQ(n, 0) << "never set reads 0";

    const struct {
        int kind;
        int dfltRc;
        int maxLengthRc;
    } kinds[] = {
        {CTRL_STRING, 0, 0},   {CTRL_TEXT_BOX, 0, 0}, {CTRL_TEXT_MSG, 0, UIE_BAD_ATTRIBUTE},
        {CTRL_NUMERIC, 0, UIE_BAD_ATTRIBUTE}, {CTRL_COMMAND_BUTTON, UIE_BAD_ATTRIBUTE, UIE_BAD_ATTRIBUTE},
    };
    for (const auto& k : kinds) {
        CtrlData c;
        c.kind = k.kind;
        AttrValue d;
        d.s = "dflt";
        d.i = 42;
        EXPECT_EQ(setCtrlData(c, ATTR_DFLT_VALUE, d), k.dfltRc) << k.kind;
        if (isTextKind(k.kind)) {
            EXPECT_EQ(getCtrlData(c, ATTR_DFLT_VALUE, text), 0) << k.kind;
            EXPECT_STREQ(text, "dflt");
        } else {
            n = -1;
            EXPECT_EQ(getCtrlData(c, ATTR_DFLT_VALUE, &n), k.dfltRc) << k.kind;
            EXPECT_EQ(n, k.dfltRc == 0 ? 42 : -1);
        }
        d.i = 5;
        EXPECT_EQ(setCtrlData(c, ATTR_MAX_ENTRY_LENGTH, d), k.maxLengthRc) << k.kind;
        n = -1;
        EXPECT_EQ(getCtrlData(c, ATTR_MAX_ENTRY_LENGTH, &n), k.maxLengthRc) << k.kind;
        EXPECT_EQ(n, k.maxLengthRc == 0 ? 5 : -1);
        EXPECT_EQ(getCtrlData(c, ATTR_CTRL_KIND, &n), 0);
        EXPECT_EQ(n, k.kind);
    }
}

// A text box as plain lines, counting how often it is asked for its size.
struct FakeBox : TextBoxAccess {
    std::vector<std::string> lines;
    int counted = 0;
    void reset(std::string_view text) override { lines = {std::string(text)}; }
    void appendLine(std::string_view line) override { lines.emplace_back(line); }
    void insertLineBefore(int index, std::string_view line) override { lines.emplace(lines.begin() + index, line); }
    int lineCount() override { return ++counted, static_cast<int>(lines.size()); }
    int textLength() override {
        int n = lines.empty() ? 0 : -1;
        for (const auto& l : lines) n += static_cast<int>(l.size()) + 1;
        return n;
    }
    int lineStart(int index) override {
        int at = 0;
        for (int k = 0; k < index; ++k) at += static_cast<int>(lines[k].size()) + 1;
        return at;
    }
    int lineLength(int index) override { return static_cast<int>(lines[index].size()); }
    void copyLine(int index, char* buffer) override { std::snprintf(buffer, 64, "%s", lines[index].c_str()); }
    int lineOfOffset(int offset) override {
        int k = 0;
        while (k + 1 < static_cast<int>(lines.size()) && lineStart(k + 1) <= offset) ++k;
        return k;
    }
};

TEST(TextBoxRules, CheckIndexesAndOffsetsBeforeTheBoxSeesThem) {
    FakeBox box;
    EXPECT_EQ(textbox::insertLine(box, -1, "a"), 0);
    EXPECT_EQ(box.counted, 0) << "appending needs no line count";
    EXPECT_EQ(textbox::insertLine(box, 1, "c"), 0);  // at the count: appends
    EXPECT_EQ(textbox::insertLine(box, 1, "b"), 0);
    EXPECT_EQ(textbox::insertLine(box, 0, nullptr), 0);
    EXPECT_EQ(box.lines, (std::vector<std::string>{"", "a", "b", "c"}));
    EXPECT_EQ(textbox::insertLine(box, 5, "x"), UIE_BAD_VALUE);
    EXPECT_EQ(textbox::insertLine(box, -2, "x"), UIE_BAD_VALUE);
    EXPECT_EQ(box.lines.size(), 4u);
    char buffer[64] = "untouched";
    int value = -7;
    for (int bad : {-1, 4}) {
        EXPECT_EQ(textbox::line(box, bad, buffer), UIE_BAD_VALUE);
        EXPECT_EQ(textbox::lineLength(box, bad, &value), UIE_BAD_VALUE);
        EXPECT_EQ(textbox::lineOffset(box, bad, &value), UIE_BAD_VALUE);
    }
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(value, -7);
    EXPECT_EQ(textbox::lineOfOffset(box, -1, &value), UIE_BAD_VALUE);
    EXPECT_EQ(textbox::lineOfOffset(box, 7, &value), UIE_BAD_VALUE);  // the text "\na\nb\nc" has 6 bytes
    EXPECT_EQ(value, -7);
    EXPECT_EQ(textbox::lineOfOffset(box, 6, &value), 0);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(textbox::line(box, 2, buffer), 0);
    EXPECT_STREQ(buffer, "b");
}

struct ShiftCase {
    const char* name;
    int at, n, anchor, caret, anchorAfter, caretAfter;
};

TEST(TextBoxRules, SelectionShiftForAnInsertion) {
    const ShiftCase cases[] = {
        {"caret_before_stays", 5, 3, 2, 2, 2, 2},
        {"caret_at_stays", 5, 3, 5, 5, 5, 5},
        {"caret_behind_moves", 5, 3, 7, 7, 10, 10},
        {"selection_starting_at_moves_whole", 5, 3, 5, 8, 8, 11},
        {"backward_selection_ending_at_keeps_its_end", 5, 3, 8, 5, 11, 5},
        {"selection_around_grows", 5, 3, 2, 8, 2, 11},
        {"backward_selection_around_grows", 5, 3, 8, 2, 11, 2},
        {"selection_ending_at_stays", 5, 3, 2, 5, 2, 5},
    };
    for (const ShiftCase& c : cases) {
        int anchor = c.anchor, caret = c.caret;
        textbox::shiftForInsert(c.at, c.n, anchor, caret);
        EXPECT_EQ(anchor, c.anchorAfter) << c.name;
        EXPECT_EQ(caret, c.caretAfter) << c.name;
    }
}

}  // namespace
