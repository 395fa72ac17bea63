// The extended box on each backend: the dialogs as built, the key commands,
// the context menu, Find and the replace runs answered through the panels.
#include <functional>
#include <vector>

#include "pelmo_test.h"

namespace pelmo_test {
namespace {

using pelmo::ui;

constexpr int kCtrl = VAL_MENUKEY_MODIFIER;
constexpr int kShift = VAL_SHIFT_MODIFIER;

std::string ctrlText(int panel, int control, int attribute) {
    char buffer[1024] = "";
    GetCtrlAttribute(panel, control, attribute, buffer);
    return buffer;
}

int ctrlInt(int panel, int control, int attribute) {
    int value = -1;
    GetCtrlAttribute(panel, control, attribute, &value);
    return value;
}

// ---- The dialogs as built

struct CtrlSpec {
    int kind;
    const char* label;
    int top, left, height, width;  // height 0: the run-time's own
    int labelTop, labelLeft, labelHeight, labelWidth;
    int tab, shortcut;
};

void expectControls(int panel, const std::vector<int>& ids, const std::vector<CtrlSpec>& specs) {
    ASSERT_EQ(ids.size(), specs.size());
    for (size_t i = 0; i < ids.size(); ++i) {
        const CtrlSpec& s = specs[i];
        const int c = ids[i];
        SCOPED_TRACE(s.label);
        EXPECT_EQ(ctrlInt(panel, c, ATTR_CTRL_KIND), s.kind);
        EXPECT_EQ(ctrlText(panel, c, ATTR_LABEL_TEXT), s.label);
        EXPECT_EQ(ctrlText(panel, c, ATTR_TEXT_FONT), "Arial");
        EXPECT_EQ(ctrlInt(panel, c, ATTR_TOP), s.top);
        EXPECT_EQ(ctrlInt(panel, c, ATTR_LEFT), s.left);
        EXPECT_EQ(ctrlInt(panel, c, ATTR_WIDTH), s.width);
        if (s.height) {
            EXPECT_EQ(ctrlInt(panel, c, ATTR_HEIGHT), s.height);
        }
        if (s.labelWidth) {
            EXPECT_EQ(ctrlInt(panel, c, ATTR_LABEL_TOP), s.labelTop);
            EXPECT_EQ(ctrlInt(panel, c, ATTR_LABEL_LEFT), s.labelLeft);
            EXPECT_EQ(ctrlInt(panel, c, ATTR_LABEL_HEIGHT), s.labelHeight);
            EXPECT_EQ(ctrlInt(panel, c, ATTR_LABEL_WIDTH), s.labelWidth);
        }
        EXPECT_EQ(ctrlInt(panel, c, ATTR_CTRL_TAB_POSITION), s.tab);
        EXPECT_EQ(ctrlInt(panel, c, ATTR_SHORTCUT_KEY), s.shortcut);
        if (s.kind == CTRL_STRING) {
            EXPECT_EQ(ctrlInt(panel, c, ATTR_MAX_ENTRY_LENGTH), 255);
            EXPECT_EQ(ctrlText(panel, c, ATTR_LABEL_FONT), "Arial");
        }
        if (s.kind == CTRL_CHECK_BOX) {
            EXPECT_EQ(ctrlInt(panel, c, ATTR_CTRL_VAL), 0);
        }
    }
}

class Dialogs : public BoxTest {};

TEST_F(Dialogs, AreBuiltOnceAsLaidOut) {
    extend(10);
    const pelmo::Ui before = ui();
    UndoHistory* second = ExtendTextBox(panel, box, 0, 0);  // a second box: no new dialogs
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(ui().FindPanel.panel, before.FindPanel.panel);

    const auto& f = ui().FindPanel;
    EXPECT_EQ(AutoFindPanel("Поиск"_cp1251), f.panel);
    const int field = CTRL_STRING, check = CTRL_CHECK_BOX, button = CTRL_COMMAND_BUTTON;
    expectControls(f.panel, {f.search, f.matchCase, f.wholeWord, f.closeAfter, f.find, f.close},
                   {{field, "", 16, 12, 0, 301, -5, 12, 16, 9, 0, 0},
                    {check, "Учитывать\nрегистр"_cp1251, 49, 16, 13, 13, 40, 32, 30, 61, 1, 0},
                    {check, "Слово\nцеликом"_cp1251, 49, 113, 13, 13, 41, 131, 30, 46, 2, 0},
                    {check, "Закрывать"_cp1251, 48, 207, 13, 13, 46, 223, 16, 60, 3, 0},
                    {button, "Найти"_cp1251, 12, 319, 26, 54, 0, 0, 0, 0, 4, VAL_ENTER_VKEY},
                    {button, "Закрыть"_cp1251, 42, 319, 26, 55, 0, 0, 0, 0, 5, VAL_ESC_VKEY}});

    // The question panel and the Find/Replace panel share their title.
    const auto& a = ui().AskPanel;
    const auto& r = ui().ReplacePanel;
    EXPECT_EQ(AutoFindPanelWithCtrl("Поиск / Замена"_cp1251, "Пропустить"_cp1251), a.panel);
    EXPECT_EQ(AutoFindPanelWithCtrl("Поиск / Замена"_cp1251, "искать:"_cp1251), r.panel);
    expectControls(a.panel, {a.replace, a.skip, a.close},
                   {{button, "Заменить"_cp1251, 11, 10, 27, 71, 0, 0, 0, 0, 0, VAL_ENTER_VKEY},
                    {button, "Пропустить"_cp1251, 11, 96, 27, 72, 0, 0, 0, 0, 1, 0},
                    {button, "Закрыть"_cp1251, 10, 183, 28, 72, 0, 0, 0, 0, 2, VAL_ESC_VKEY}});
    expectControls(r.panel, {r.search, r.replacement, r.matchCase, r.wholeWord, r.find, r.replaceAll, r.close},
                   {{field, "искать:"_cp1251, 16, 12, 0, 301, 0, 15, 16, 41, 0, 0},
                    {field, "заменить на:"_cp1251, 54, 12, 0, 301, 38, 14, 16, 70, 1, 0},
                    {check, "Учитывать\nрегистр"_cp1251, 86, 19, 13, 13, 77, 35, 30, 61, 2, 0},
                    {check, "Слово\nцеликом"_cp1251, 85, 114, 13, 13, 77, 132, 30, 46, 3, 0},
                    {button, "Найти"_cp1251, 12, 319, 28, 84, 0, 0, 0, 0, 4, 0},
                    {button, "Заменить\nВсё"_cp1251, 45, 319, 38, 84, 0, 0, 0, 0, 5, 0},
                    {button, "Закрыть"_cp1251, 91, 320, 26, 83, 0, 0, 0, 0, 6, VAL_ESC_VKEY}});
    for (auto [p, height, width, close] : {std::tuple{f.panel, 77, 380, f.close}, std::tuple{a.panel, 50, 269, a.close},
                                           std::tuple{r.panel, 129, 410, r.close}}) {
        int h = 0, w = 0, c = 0;
        GetPanelAttribute(p, ATTR_HEIGHT, &h);
        GetPanelAttribute(p, ATTR_WIDTH, &w);
        GetPanelAttribute(p, ATTR_CLOSE_CTRL, &c);
        EXPECT_EQ(h, height);
        EXPECT_EQ(w, width);
        EXPECT_EQ(c, close);
    }
}

// ---- Key commands

struct KeyCase {
    const char* name;
    std::string text;
    int selStart, selLength;
    std::vector<int> keys;
    std::string expected;
    int expectedStart, expectedLength;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class Keys : public BoxTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(Keys, EditAsACommandShould) {
    const KeyCase& c = GetParam();
    extend(GetParam().name[0] == 'n' ? 0 : 20);  // cases named no_history_* have none
    load(c.text);
    select(c.selStart, c.selLength);
    for (int k : c.keys) key(k);
    EXPECT_EQ(text(), c.expected);
    EXPECT_EQ(selStart(), c.expectedStart);
    EXPECT_EQ(selLength(), c.expectedLength);
}

const int kTab = VAL_TAB_VKEY, kEnter = VAL_ENTER_VKEY;

INSTANTIATE_TEST_SUITE_P(
    Pelmo, Keys,
    ::testing::Values(
        KeyCase{"enter_at_the_start_does_not_indent", "    ab", 0, 0, {kEnter}, "\n    ab", 1, 0},
        KeyCase{"enter_keeps_the_indent", "    ab", 6, 0, {kEnter}, "    ab\n    ", 11, 0},
        KeyCase{"enter_stops_at_a_tab", "  \tab", 5, 0, {kEnter}, "  \tab\n  ", 8, 0},
        KeyCase{"tab_in_column_5", "abcde", 5, 0, {kTab}, "abcde   ", 8, 0},
        KeyCase{"tab_in_column_4", "abcd", 4, 0, {kTab}, "abcd    ", 8, 0},
        KeyCase{"tab_replaces_a_selection_in_a_line", "abcdef", 1, 2, {kTab}, "a   def", 4, 0},
        KeyCase{"tab_in_an_empty_box", "", 0, 0, {kTab}, "    ", 4, 0},
        KeyCase{"block_indent_leaves_out_a_line_the_selection_only_touches", "l0\nl1\nline2\nl3\nl4\nl5", 9, 9,
                {kTab}, "l0\nl1\n    line2\n    l3\n    l4\nl5", 6, 24},
        KeyCase{"block_indent_from_the_first_line", "a\nb\nc\nd", 0, 5, {kTab}, "    a\n    b\n    c\nd", 0, 18},
        KeyCase{"block_indent_to_the_last_line", "a\nb", 0, 3, {kTab}, "    a\n    b", 0, 11},
        KeyCase{"block_unindent", "  a\n      b\nc\nd", 1, 12, {kShift | kTab}, "a\n  b\nc\nd", 0, 8},
        KeyCase{"block_unindent_of_a_line_longer_than_the_first_buffer", "  " + std::string(1022, 'x') + "\n  b", 0,
                1028, {kShift | kTab}, std::string(1022, 'x') + "\nb", 0, 1024},
        KeyCase{"shift_tab_in_one_line_does_nothing", "  ab", 2, 0, {kShift | kTab}, "  ab", 2, 0},
        KeyCase{"ctrl_tab_does_nothing", "ab\ncd", 0, 4, {kCtrl | kTab}, "ab\ncd", 0, 4},
        KeyCase{"ctrl_end", "ab\ncd", 1, 2, {kCtrl | VAL_END_VKEY}, "ab\ncd", 5, 0},
        KeyCase{"ctrl_home", "ab\ncd", 4, 1, {kCtrl | VAL_HOME_VKEY}, "ab\ncd", 0, 0},
        KeyCase{"ctrl_backspace_is_redo_not_a_deletion", "abc", 3, 0,
                {'d', kCtrl | 'Z', kCtrl | VAL_BACKSPACE_VKEY}, "abcd", 4, 0},
        KeyCase{"ctrl_y_is_redo", "abc", 3, 0, {'d', kCtrl | 'Z', kCtrl | 'Y'}, "abcd", 4, 0},
        KeyCase{"ctrl_shift_z_is_redo", "abc", 3, 0, {'d', kCtrl | 'Z', kCtrl | kShift | 'Z'}, "abcd", 4, 0},
        KeyCase{"no_history_ctrl_backspace_is_swallowed", "abc", 3, 0, {kCtrl | VAL_BACKSPACE_VKEY}, "abc", 3, 0},
        KeyCase{"no_history_keys_still_indent", "ab", 2, 0, {kTab, kEnter}, "ab  \n", 5, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Keys, BlockIndentIsOneEditOfItsOwn) {
    extend(20);
    load("ab\ncd\nef\n");
    select(3, 0);
    type("x");  // an edit before the indent
    select(0, 9);
    key(kTab);
    const std::string indented = "    ab\n    xcd\n    ef\n";
    ASSERT_EQ(text(), indented);
    key(kCtrl | 'Z');
    EXPECT_EQ(text(), "ab\nxcd\nef\n");
    key(kCtrl | 'Y');
    EXPECT_EQ(text(), indented);
    EXPECT_EQ(selStart(), 0);  // as the indent left it: the lines selected
    EXPECT_EQ(selLength(), 22);
    key(kShift | kTab);
    EXPECT_EQ(text(), "ab\nxcd\nef\n");
    key(kCtrl | 'Z');
    key(kCtrl | 'Z');
    key(kCtrl | 'Z');
    EXPECT_EQ(text(), "ab\ncd\nef\n");
}

// ---- Context menu

class ContextMenu : public BoxTest {
protected:
    // Right-clicks the box, choosing `item` (nullptr dismisses); returns the listing shown.
    std::string rightClick(const char* item) {
        AutoAnswerPopupMenu(item);
        const int before = popupCount();
        AutoRightClick(panel, box, 40, 30);
        EXPECT_GT(popupCount(), before);
        return popup(before).text;
    }
};

TEST_F(ContextMenu, ListsItsItemsAndDimsWhatCannotBeDone) {
    ASSERT_EQ(extend(0), nullptr);
    EXPECT_EQ(rightClick(nullptr), "Вырезать (Ctrl+X)\nКопировать (Ctrl+C)\nВставить (Ctrl+V)\nНайти (Ctrl+F)\n"
                                    "Найти/Заменить (Ctrl+H)\nОчистить окно"_cp1251);
    undo_Close(history);
    ASSERT_NE(extend(10), nullptr);
    EXPECT_EQ(rightClick(nullptr), "Вырезать (Ctrl+X)\nКопировать (Ctrl+C)\nВставить (Ctrl+V)\n~Отменить (Ctrl+Z)\n"
                                    "~Вернуть (Ctrl+BkSpc)\nНайти (Ctrl+F)\nНайти/Заменить (Ctrl+H)\nОчистить окно"_cp1251);
    type("x");
    EXPECT_NE(rightClick("Отменить (Ctrl+Z)"_cp1251).find("\nОтменить"_cp1251), std::string::npos);
    EXPECT_EQ(text(), "");
    EXPECT_NE(rightClick("Вернуть (Ctrl+BkSpc)"_cp1251).find("\nВернуть"_cp1251), std::string::npos);
    EXPECT_EQ(text(), "x");
}

TEST_F(ContextMenu, ClipboardItemsActOnTheClickedBox) {
    extend(10);
    load("abc");
    select(0, 2);
    const int other = NewCtrl(panel, CTRL_STRING, "other", 300, 10);
    SetActiveCtrl(panel, other);
    rightClick("Копировать (Ctrl+C)"_cp1251);
    select(3, 0);
    rightClick("Вставить (Ctrl+V)"_cp1251);
    EXPECT_EQ(text(), "abcab");
    select(0, 1);
    rightClick("Вырезать (Ctrl+X)"_cp1251);
    EXPECT_EQ(text(), "bcab");
}

TEST_F(ContextMenu, ClearingAsksAndCanBeUndone) {
    extend(10);
    // A deletion of one byte before the clearing stays an undo of its own.
    load("ab");
    select(2, 0);
    key(VAL_BACKSPACE_VKEY);
    AutoAnswerConfirm(1);
    rightClick("Очистить окно"_cp1251);
    EXPECT_EQ(text(), "");
    key(kCtrl | 'Z');
    EXPECT_EQ(text(), "a");
    key(kCtrl | 'Z');
    EXPECT_EQ(text(), "ab");

    load("keep me");
    AutoAnswerConfirm(0);
    rightClick("Очистить окно"_cp1251);
    EXPECT_EQ(text(), "keep me");
    const Popup question = popup(popupCount() - 1);
    EXPECT_EQ(question.kind, AUTO_POPUP_CONFIRM);
    EXPECT_EQ(question.title, "Сообщение оператору"_cp1251);
    EXPECT_EQ(question.text, "Удалить содержимое окна?"_cp1251);
    AutoAnswerConfirm(1);
    rightClick("Очистить окно"_cp1251);
    EXPECT_EQ(text(), "");
    EXPECT_EQ(undo_Changed(history), 1);
    key(kCtrl | 'Z');
    EXPECT_EQ(text(), "keep me");
    EXPECT_EQ(undo_Changed(history), 0);
}

TEST_F(ContextMenu, FindItemsOpenTheDialogsOnThisBox) {
    extend(10);
    rightClick("Найти/Заменить (Ctrl+H)"_cp1251);
    int visible = 0;
    GetPanelAttribute(ui().ReplacePanel.panel, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    EXPECT_EQ(ui().TargetPanel, panel);
    EXPECT_EQ(ui().TargetCtrl, box);
    int owner = 0;
    GetPanelAttribute(ui().ReplacePanel.panel, ATTR_OWNER_PANEL, &owner);
    EXPECT_EQ(owner, panel);  // it stays above the box's window
    HidePanel(ui().ReplacePanel.panel);
    key(kCtrl | 'F');
    GetPanelAttribute(ui().FindPanel.panel, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    GetPanelAttribute(ui().FindPanel.panel, ATTR_OWNER_PANEL, &owner);
    EXPECT_EQ(owner, panel);
}

// ---- Find

class Find : public BoxTest {
protected:
    void SetUp() override {
        BoxTest::SetUp();
        extend(50);
    }
    // Sets the Find panel's search text and options, then presses F3 in the box.
    void findNext(const std::string& pattern, int matchCase = 0, int wholeWord = 0) {
        const auto& f = ui().FindPanel;
        SetCtrlVal(f.panel, f.search, pattern.c_str());
        SetCtrlVal(f.panel, f.matchCase, matchCase);
        SetCtrlVal(f.panel, f.wholeWord, wholeWord);
        AutoAnswerMessage();  // for "not found", should it come
        key(VAL_F3_VKEY);
    }
    void expectNotFound() {
        ASSERT_GT(popupCount(), 0);
        const Popup p = popup(popupCount() - 1);
        EXPECT_EQ(p.kind, AUTO_POPUP_MESSAGE);
        EXPECT_EQ(p.title, "Поиск"_cp1251);
        EXPECT_EQ(p.text, "Строка не найдена"_cp1251);
        EXPECT_EQ(selLength(), 0);
    }
};

TEST_F(Find, SearchesAfterTheCaretThenFromTheStart) {
    load("abc");
    findNext("a");  // only at the caret: found by the second search
    EXPECT_EQ(selStart(), 0);
    EXPECT_EQ(selLength(), 1);
    load("aaa");
    select(0, 2);
    findNext("aa");  // an overlapping match after the selection start
    EXPECT_EQ(selStart(), 1);
    EXPECT_EQ(popupCount(), 0);
    load("Сигнал и СИГНАЛ"_cp1251);
    findNext("cигнал"_cp1251, 1);
    expectNotFound();
    findNext("СИГНАЛ"_cp1251, 1);
    EXPECT_EQ(selStart(), 9);
    findNext("Сиг"_cp1251, 0, 1);
    expectNotFound();
    load("");
    findNext("a");
    expectNotFound();
}

TEST_F(Find, ScrollsOnlyToAMatchOutOfView) {
    std::string lines;
    for (int i = 0; i < 300; ++i) lines += (i == 250 ? "needle " : "hay ") + std::to_string(i) + "\n";
    load(lines);
    findNext("needle");
    EXPECT_EQ(attr(ATTR_FIRST_VISIBLE_LINE), 250);
    SetCtrlAttribute(panel, box, ATTR_FIRST_VISIBLE_LINE, 245);
    findNext("needle");
    EXPECT_EQ(attr(ATTR_FIRST_VISIBLE_LINE), 245);
    select(0, 0);
    findNext("hay 3");
    EXPECT_EQ(attr(ATTR_FIRST_VISIBLE_LINE), 3);
}

TEST_F(Find, EnterInTheSearchFieldFindsOnce) {
    const auto& f = ui().FindPanel;
    load("a a a a");
    key(kCtrl | 'F');
    SetCtrlVal(f.panel, f.search, "");
    AutoTypeText(f.panel, f.search, "a");
    AutoTypeKey(f.panel, f.search, VAL_ENTER_VKEY);
    EXPECT_EQ(selStart(), 2);
    // With "Закрывать" checked the panel closes after finding.
    SetCtrlVal(f.panel, f.closeAfter, 1);
    AutoClick(f.panel, f.find);
    EXPECT_EQ(selStart(), 4);
    int visible = 1;
    GetPanelAttribute(f.panel, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    SetCtrlVal(f.panel, f.closeAfter, 0);
    // Enter in the Find/Replace fields moves the focus on.
    const auto& r = ui().ReplacePanel;
    key(kCtrl | 'H');
    AutoTypeKey(r.panel, r.search, VAL_ENTER_VKEY);
    EXPECT_EQ(GetActiveCtrl(r.panel), r.replacement);
    AutoTypeKey(r.panel, r.replacement, VAL_ENTER_VKEY);
    EXPECT_EQ(GetActiveCtrl(r.panel), r.find);
}

TEST_F(Find, OpeningFocusesTheSearchTextAndTakesASelectionOfOneLine) {
    const auto& f = ui().FindPanel;
    const auto& r = ui().ReplacePanel;
    auto expectSearchFocused = [](int dialog, int field, const std::string& expected) {
        EXPECT_EQ(GetActivePanel(), dialog);
        EXPECT_EQ(GetActiveCtrl(dialog), field);
        EXPECT_EQ(pelmo::fieldText(dialog, field), expected);
        EXPECT_EQ(ctrlInt(dialog, field, ATTR_TEXT_SELECTION_START), 0);
        EXPECT_EQ(ctrlInt(dialog, field, ATTR_TEXT_SELECTION_LENGTH), static_cast<int>(expected.size()));
    };
    load("foo bar\nbaz foo");
    key(kCtrl | 'H');
    SetCtrlVal(r.panel, r.search, "old");
    AutoTypeKey(r.panel, r.search, VAL_ENTER_VKEY);
    ASSERT_EQ(GetActiveCtrl(r.panel), r.replacement);
    AutoClick(r.panel, r.close);
    key(kCtrl | 'H');
    expectSearchFocused(r.panel, r.search, "old");
    // Typed keys go where the user's go: the new text replaces the old.
    for (char c : std::string("bar")) FakeKeystroke(c);
    ProcessSystemEvents();
    EXPECT_EQ(pelmo::fieldText(r.panel, r.search), "bar");
    AutoClick(r.panel, r.close);

    select(12, 3);
    key(kCtrl | 'F');
    expectSearchFocused(f.panel, f.search, "foo");
    AutoClick(f.panel, f.close);
    select(4, 6);  // across a line end: the search text stays
    key(kCtrl | 'F');
    expectSearchFocused(f.panel, f.search, "foo");
}

// ---- Replace runs

class Replace : public BoxTest {
protected:
    void SetUp() override {
        BoxTest::SetUp();
        extend(200);
    }
    // Runs Find/Replace from the box: all, or one at a time with the
    // question panel's answers given by their button labels.
    void run(const std::string& pattern, const std::string& with, bool all,
             const std::vector<const char*>& answers = {}) {
        const auto& r = ui().ReplacePanel;
        key(kCtrl | 'H');
        SetCtrlVal(r.panel, r.search, pattern.c_str());
        SetCtrlVal(r.panel, r.replacement, with.c_str());
        for (const char* a : answers) AutoAnswerPanel("Поиск / Замена"_cp1251, a);
        AutoAnswerMessage();  // for the final count, should it come
        AutoClick(r.panel, all ? r.replaceAll : r.find);
    }
    // The message a run with all ended with, or "" when none.
    std::string finalMessage() const {
        for (int i = popupCount() - 1; i >= 0; --i) {
            const Popup p = popup(i);
            if (p.kind == AUTO_POPUP_MESSAGE && p.title.empty()) return p.text;
        }
        return "";
    }
};

const char* kYes = "Заменить"_cp1251;
const char* kSkip = "Пропустить"_cp1251;
const char* kClose = "Закрыть"_cp1251;

TEST_F(Replace, AllReplacesEveryOccurrenceOnce) {
    struct Case {
        std::string text;
        int caret;
        std::string pattern, with, expected;
        int count;
    } cases[] = {
        {"aaaa", 2, "a", "b", "bbbb", 4},
        {"a a", 0, "a", "aa", "aa aa", 2},
        {"x\na a", 0, "a", "aa", "x\naa aa", 2},             // matches below the start line
        {"a a a\nend", 7, "a", "xxx", "xxx xxx xxx\nend", 3},  // matches above the start line
        {"ab\nab\nab", 4, "ab", "", "\n\n", 3},
        {"bab\nzz", 1, "a", "ba", "bbab\nzz", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        load(c.text);
        select(c.caret, 0);
        AutoClearPopupLog();
        AutoAnswerConfirm(1);
        run(c.pattern, c.with, true);
        EXPECT_EQ(text(), c.expected);
        EXPECT_EQ(finalMessage(), "Выполнено замен "_cp1251 + std::to_string(c.count));
        // The run is one edit: one undo takes it back, one redo does it again.
        const int after = selStart();
        key(kCtrl | 'Z');
        EXPECT_EQ(text(), c.text);
        EXPECT_EQ(undo_Changed(history), 0);
        key(kCtrl | 'Y');
        EXPECT_EQ(text(), c.expected);
        EXPECT_EQ(selStart(), after);
        EXPECT_EQ(selLength(), 0);
    }
    char* clip = nullptr;
    ClipboardGetText(&clip, nullptr);
    ASSERT_NE(clip, nullptr);
    EXPECT_STREQ(clip, "ba");
    free(clip);
}

TEST_F(Replace, ARunIsOneEditThatNeverMergesWithOthers) {
    // A run far larger than the history pushes out nothing before it.
    undo_Close(history);
    extend(10);
    std::string many;
    for (int i = 0; i < 60; ++i) many += "foo ";
    load(many);
    type("ab ");
    AutoAnswerConfirm(1);
    run("foo", "q", true);
    std::string replaced = "ab ";
    for (int i = 0; i < 60; ++i) replaced += "q ";
    ASSERT_EQ(text(), replaced);
    key(kCtrl | 'Z');
    EXPECT_EQ(text(), "ab " + many);
    EXPECT_EQ(selStart(), 3);  // the restored text selected
    EXPECT_EQ(selLength(), static_cast<int>(many.size()) - 1);
    key(kCtrl | 'Z');
    key(kCtrl | 'Z');
    EXPECT_EQ(text(), many);

    // Typing on after a run, even one that ended by "Закрыть", is an edit of its own.
    load("a b b");
    run("b", "c", false, {kYes, kClose});
    ASSERT_EQ(text(), "a c b");
    select(3, 0);
    type("d");
    key(kCtrl | 'Z');
    EXPECT_EQ(text(), "a c b");
    key(kCtrl | 'Z');
    EXPECT_EQ(text(), "a b b");
    EXPECT_EQ(undo_CanUndo(history), 0);
}

TEST_F(Replace, NothingToReplace) {
    load("abc");
    run("q", "x", true);
    EXPECT_EQ(finalMessage(), "Ничего не найдено"_cp1251);
    AutoClearPopupLog();
    run("", "x", true);  // an empty search text replaces nothing
    EXPECT_EQ(text(), "abc");
    EXPECT_EQ(finalMessage(), "Ничего не найдено"_cp1251);
    AutoClearPopupLog();
    run("", "x", false);
    run("q", "x", false);
    EXPECT_EQ(popupCount(), 0);
    EXPECT_EQ(selLength(), 0);
}

TEST_F(Replace, OneAtATimeAsksForEachOccurrence) {
    load("a b a b a");
    run("a", "c", false, {kYes, kSkip, kYes});  // the first is the one at the caret
    EXPECT_EQ(text(), "c b a b c");
    EXPECT_EQ(popupCount(), 0);

    // A No to "replace all?" goes on one at a time, without a final count.
    load("a a a");
    AutoAnswerConfirm(0);
    run("a", "b", true, {kSkip, kYes, kClose});
    EXPECT_EQ(text(), "a b a");
    ASSERT_EQ(popupCount(), 1);
    EXPECT_EQ(popup(0).title, "Поиск/Замена"_cp1251);
    EXPECT_EQ(popup(0).text, "Заменить всё?"_cp1251);
    int visible = 1;
    GetPanelAttribute(ui().AskPanel.panel, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);

    // From the middle of a line, the occurrences before the caret come last.
    load("a a\na");
    select(2, 0);
    run("a", "b", false, {kYes, kYes, kYes});
    EXPECT_EQ(text(), "b b\nb");
}

// What the user does while the question waits: a button of the test's own
// on the question panel, whose click is queued as the question's answer.
std::function<void()> gWhileAsked;
int WhileAsked(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT && gWhileAsked) gWhileAsked();
    return 0;
}
int gAskShownAtClose = -1;
int QuitOnClose(int, int, int event, void*, int, int) {
    if (event != EVENT_CLOSE) return 0;
    GetPanelAttribute(ui().AskPanel.panel, ATTR_VISIBLE, &gAskShownAtClose);
    QuitUserInterface(7);
    return 0;
}

class Question : public Replace {
protected:
    void SetUp() override {
        Replace::SetUp();
        probe = NewCtrl(ui().AskPanel.panel, CTRL_COMMAND_BUTTON, "probe", 0, 400);
        SetCtrlAttribute(ui().AskPanel.panel, probe, ATTR_CALLBACK_FUNCTION_POINTER, WhileAsked);
    }
    void TearDown() override {
        gWhileAsked = nullptr;
        DiscardCtrl(ui().AskPanel.panel, probe);
        Replace::TearDown();
    }
    int probe = 0;
};

TEST_F(Question, HasTheKeyboardAboveTheBoxAndNothingTypedReachesTheBox) {
    const auto& a = ui().AskPanel;
    load("foo bar foo");
    int active = 0, owner = 0, selected = 0;
    gWhileAsked = [&] {
        active = GetActivePanel();
        GetPanelAttribute(a.panel, ATTR_OWNER_PANEL, &owner);
        selected = selLength();
        select(5, 0);                  // the user clicks into the box
        AutoTypeKey(panel, box, 'z');  // and types
        EXPECT_EQ(GetActivePanel(), a.panel);
        // Keys as the user types them: 'q' does nothing, Enter replaces.
        FakeKeystroke('q');
        FakeKeystroke(VAL_ENTER_VKEY);
    };
    run("foo", "X", false, {"probe", kClose});
    EXPECT_EQ(active, a.panel);
    EXPECT_EQ(owner, panel);
    EXPECT_EQ(selected, 3);  // the occurrence stays selected
    EXPECT_EQ(text(), "X bar foo");

    gWhileAsked = [] { FakeKeystroke(VAL_ESC_VKEY); };  // Esc closes
    load("foo bar foo");
    run("foo", "X", false, {"probe"});
    EXPECT_EQ(text(), "foo bar foo");
    int visible = 1;
    GetPanelAttribute(a.panel, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
}

// Closing the host's window while the question waits ends the run, then the
// host's own close handling (here: quitting) runs; a quit of the host's own
// (its quit command) ends the run and then the host's event loop.
TEST_F(Question, ClosingOrQuittingTheHostEndsTheRunFirst) {
    static decltype(this) self = nullptr;
    self = this;
    SetPanelAttribute(panel, ATTR_CALLBACK_FUNCTION_POINTER, QuitOnClose);
    for (bool closing : {true, false}) {
        SCOPED_TRACE(closing ? "closing" : "quitting");
        load("foo bar foo");
        gAskShownAtClose = -1;
        if (closing) gWhileAsked = [this] { AutoClosePanel(panel); };
        else gWhileAsked = [] { QuitUserInterface(7); };
        PostDeferredCall([](void*) { self->run("foo", "X", false, {"probe"}); }, nullptr);
        EXPECT_EQ(RunUserInterface(), 7);
        EXPECT_EQ(text(), "foo bar foo");
        if (closing) {
            EXPECT_EQ(gAskShownAtClose, 0);
        }
        int visible = 1;
        GetPanelAttribute(ui().AskPanel.panel, ATTR_VISIBLE, &visible);
        EXPECT_EQ(visible, 0);
        CtrlCallbackPtr callback = nullptr;
        GetPanelAttribute(panel, ATTR_CALLBACK_FUNCTION_POINTER, &callback);
        EXPECT_EQ(callback, QuitOnClose);
    }
}

}  // namespace
}  // namespace pelmo_test
