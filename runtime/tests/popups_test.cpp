// Popups answered through automation, the popup log, popup menus, the
// clipboard, and program panels answered and found through automation.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "contract.h"

namespace {

using contract::PanelTest;

class Popups : public PanelTest {
protected:
    struct Record {
        int kind;
        std::string title, text;
    };
    Record popup(int index) {
        Record r{0, std::string(256, '\0'), std::string(256, '\0')};
        EXPECT_EQ(AutoGetPopup(index, &r.kind, r.title.data(), 256, r.text.data(), 256), 0);
        r.title.resize(std::strlen(r.title.c_str()));
        r.text.resize(std::strlen(r.text.c_str()));
        return r;
    }
};

TEST_F(Popups, AnswersAreTakenOldestFirstPerKindAndEveryPopupIsLogged) {
    AutoAnswerConfirm(1);
    AutoAnswerMessage();
    AutoAnswerConfirm(0);
    EXPECT_EQ(MessagePopup("Title", "Text"), 0);
    EXPECT_EQ(ConfirmPopup("Q1", "Sure?"), 1);
    EXPECT_EQ(ConfirmPopup("Q2", "Really?"), 0);
    ASSERT_EQ(AutoPopupCount(), 3);
    Record r = popup(0);
    EXPECT_EQ(r.kind, AUTO_POPUP_MESSAGE);
    EXPECT_EQ(r.title, "Title");
    EXPECT_EQ(r.text, "Text");
    EXPECT_EQ(popup(1).kind, AUTO_POPUP_CONFIRM);
    EXPECT_EQ(popup(2).title, "Q2");
    EXPECT_LT(AutoGetPopup(3, nullptr, nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(AutoClearPopupLog(), 0);
    EXPECT_EQ(AutoPopupCount(), 0);
}

TEST_F(Popups, LogCopiesAreTruncatedAndTerminated) {
    AutoAnswerMessage();
    MessagePopup("A long title", "A long message");
    char title[5], text[3];
    ASSERT_EQ(AutoGetPopup(0, nullptr, title, sizeof title, text, sizeof text), 0);
    EXPECT_STREQ(title, "A lo");
    EXPECT_STREQ(text, "A ");
}

TEST_F(Popups, UnansweredHeadlessPopupsTakeTheSafeChoice) {
    if (contract::isQt()) GTEST_SKIP() << "the real dialog waits for the user";
    EXPECT_EQ(MessagePopup("M", "m"), 0);
    EXPECT_EQ(ConfirmPopup("C", "c"), 0);
    char path[MAX_PATHNAME_LEN] = "untouched";
    EXPECT_LE(FileSelectPopup("", "*.net", "*.net;*.wrl", "", VAL_LOAD_BUTTON, 0, 0, 1, 0, path), 0);
    EXPECT_EQ(AutoPopupCount(), 3);
}

TEST_F(Popups, FileSelectionReturnsTheAnsweredPathAndResult) {
    std::string dir = contract::tempDir();
    std::string existing = dir + "/in.net";
    contract::writeFile(existing, "x");
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, existing.c_str());
    AutoAnswerFileSelect(VAL_NEW_FILE_SELECTED, (dir + "/out.cha").c_str());
    AutoAnswerFileSelect(0, nullptr);
    char path[MAX_PATHNAME_LEN] = {};
    EXPECT_EQ(FileSelectPopup("", "*.net", "*.net;*.wrl", "", VAL_LOAD_BUTTON, 0, 0, 1, 0, path),
              VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(std::string(path), existing);
    EXPECT_EQ(FileSelectPopup("", "*.cha", "*.cha", "", VAL_SAVE_BUTTON, 0, 1, 1, 1, path), VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(std::string(path), dir + "/out.cha");
    EXPECT_LE(FileSelectPopup("", "*.cha", "*.cha", "", VAL_SAVE_BUTTON, 0, 1, 1, 1, path), 0);
    ASSERT_EQ(AutoPopupCount(), 3);
    EXPECT_EQ(popup(0).kind, AUTO_POPUP_FILE_SELECT);
}

TEST_F(Popups, SavingOverAnExistingFileIsConfirmedAndANoAsksAgain) {
    std::string dir = contract::tempDir();
    std::string existing = dir + "/old.cha";
    contract::writeFile(existing, "x");
    char path[MAX_PATHNAME_LEN] = {};
    // No, then another (new) name: the second answer is taken.
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, existing.c_str());
    AutoAnswerConfirm(0);
    AutoAnswerFileSelect(VAL_NEW_FILE_SELECTED, (dir + "/new.cha").c_str());
    EXPECT_EQ(FileSelectPopup("", "*.cha", "*.cha", "", VAL_SAVE_BUTTON, 0, 1, 1, 1, path), VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(std::string(path), dir + "/new.cha");
    ASSERT_EQ(AutoPopupCount(), 3);
    EXPECT_EQ(popup(1).kind, AUTO_POPUP_CONFIRM);
    EXPECT_NE(popup(1).text.find("old.cha"), std::string::npos) << popup(1).text;
    // Yes: the existing file is the answer.
    AutoClearPopupLog();
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, existing.c_str());
    AutoAnswerConfirm(1);
    EXPECT_EQ(FileSelectPopup("", "*.cha", "*.cha", "", VAL_SAVE_BUTTON, 0, 1, 1, 1, path),
              VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(std::string(path), existing);
    EXPECT_EQ(AutoPopupCount(), 2);
    // No, then cancel: nothing chosen. Opening an existing file asks nothing.
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, existing.c_str());
    AutoAnswerConfirm(0);
    AutoAnswerFileSelect(0, nullptr);
    EXPECT_LE(FileSelectPopup("", "*.cha", "*.cha", "", VAL_SAVE_BUTTON, 0, 1, 1, 1, path), 0);
    AutoClearPopupLog();
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, existing.c_str());
    EXPECT_EQ(FileSelectPopup("", "*.cha", "*.cha", "", VAL_LOAD_BUTTON, 0, 1, 1, 0, path),
              VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(AutoPopupCount(), 1);
}

TEST_F(Popups, PopupMenuReturnsTheChosenItemAndNeverADimmedOne) {
    int bar = NewMenuBar(0);
    ASSERT_GT(bar, 0);
    int menu = NewMenu(bar, "Edit", -1);
    int cut = NewMenuItem(bar, menu, "Cut", -1, 0, nullptr, nullptr);
    InsertSeparator(bar, menu, -1);
    int paste = NewMenuItem(bar, menu, "Paste", -1, 0, nullptr, nullptr);
    ASSERT_GT(cut, 0);
    ASSERT_GT(paste, 0);
    EXPECT_EQ(SetMenuBarAttribute(bar, cut, ATTR_DIMMED, 1), 0);
    int dimmed = 0;
    EXPECT_EQ(GetMenuBarAttribute(bar, cut, ATTR_DIMMED, &dimmed), 0);
    EXPECT_EQ(dimmed, 1);
    AutoAnswerPopupMenu("Paste");
    AutoAnswerPopupMenu("Cut");
    AutoAnswerPopupMenu(nullptr);
    AutoAnswerPopupMenu("No such item");
    EXPECT_EQ(RunPopupMenu(bar, menu, panel, 10, 10, 0, 0, 0, 0), paste);
    EXPECT_EQ(RunPopupMenu(bar, menu, panel, 10, 10, 0, 0, 0, 0), 0) << "a dimmed item is not chosen";
    EXPECT_EQ(RunPopupMenu(bar, menu, panel, 10, 10, 0, 0, 0, 0), 0) << "dismissed";
    EXPECT_EQ(RunPopupMenu(bar, menu, panel, 10, 10, 0, 0, 0, 0), 0);
    ASSERT_EQ(AutoPopupCount(), 4);
    EXPECT_EQ(popup(0).kind, AUTO_POPUP_MENU);
    EXPECT_EQ(popup(0).text, "~Cut\nPaste");
    SetMenuBarAttribute(bar, cut, ATTR_DIMMED, 0);
    SetMenuBarAttribute(bar, cut, ATTR_ITEM_NAME, "Cut out");
    AutoAnswerPopupMenu("Cut out");
    EXPECT_EQ(RunPopupMenu(bar, menu, panel, 10, 10, 0, 0, 0, 0), cut);
    EXPECT_EQ(DiscardMenuBar(bar), 0);
    EXPECT_LT(RunPopupMenu(bar, menu, panel, 10, 10, 0, 0, 0, 0), 0);
}

TEST_F(Popups, MenuBarAttributesAreKept) {
    int bar = NewMenuBar(panel);
    ASSERT_GT(bar, 0);
    EXPECT_EQ(SetMenuBarAttribute(bar, 0, ATTR_MENU_BAR_FONT, "Arial"), 0);
    EXPECT_EQ(SetMenuBarAttribute(bar, 0, ATTR_MENU_BAR_POINT_SIZE, 11), 0);
    char font[32] = {};
    int size = 0;
    EXPECT_EQ(GetMenuBarAttribute(bar, 0, ATTR_MENU_BAR_FONT, font), 0);
    EXPECT_EQ(GetMenuBarAttribute(bar, 0, ATTR_MENU_BAR_POINT_SIZE, &size), 0);
    EXPECT_STREQ(font, "Arial");
    EXPECT_EQ(size, 11);
    EXPECT_LT(NewMenuItem(bar, 999, "x", -1, 0, nullptr, nullptr), 0);
}

TEST_F(Popups, ClipboardHoldsTheLastTextPut) {
    const char bytes[] = "\xC0\xE1\x98\r\nend";
    EXPECT_EQ(ClipboardPutText(bytes), 0);
    char* text = nullptr;
    int available = 0;
    EXPECT_EQ(ClipboardGetText(&text, &available), 0);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(available, 1);
    EXPECT_STREQ(text, bytes);
    std::free(text);
}

TEST_F(Popups, RenderingIsQtOnly) {
    std::string png = contract::tempDir() + "/panel.png";
    int rc = AutoRenderPanel(panel, png.c_str());
    if (!contract::isQt()) {
        EXPECT_EQ(rc, UIE_NOT_SUPPORTED);
        return;
    }
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(contract::readFile(png).substr(1, 3), "PNG");
}

// ---- Panels a program shows and waits on

// A find/replace panel and a question panel that share their title, as a
// text editor's search dialogs do (Windows-1251 texts).
const char kSearchTitle[] = "\xCF\xEE\xE8\xF1\xEA / \xC7\xE0\xEC\xE5\xED\xE0";
const char kFindLabel[] = "\xE8\xF1\xEA\xE0\xF2\xFC:";
const char* const kAnswerLabels[] = {"\xC7\xE0\xEC\xE5\xED\xE8\xF2\xFC",            // answer 1
                                     "\xCF\xF0\xEE\xEF\xF3\xF1\xF2\xE8\xF2\xFC",  // answer 2
                                     "\xC7\xE0\xEA\xF0\xFB\xF2\xFC"};               // answer 3, also on the find panel

int g_answer = 0;
int answerCallback(int, int, int event, void* data, int, int) {
    if (event == EVENT_COMMIT) g_answer = static_cast<int>(reinterpret_cast<intptr_t>(data));
    return 0;
}

// A program's modal question: shows the panel and processes events until one
// of its buttons answers; gives up after many rounds, so that a missing
// answer fails the test instead of hanging it.
int ask(int question) {
    g_answer = 0;
    DisplayPanel(question);
    for (int round = 0; round < 500 && g_answer == 0; ++round) ProcessSystemEvents();
    HidePanel(question);
    return g_answer;
}

int g_question = 0;
std::vector<int> g_answers;
int askThreeTimes(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        for (int i = 0; i < 3; ++i) g_answers.push_back(ask(g_question));
    return 0;
}

class QuestionPanels : public Popups {
protected:
    int find = 0, question = 0, findClose = 0;
    void SetUp() override {
        Popups::SetUp();
        find = NewPanel(0, kSearchTitle, 20, 280, 130, 410);
        NewCtrl(find, CTRL_STRING, kFindLabel, 16, 12);
        findClose = NewCtrl(find, CTRL_COMMAND_BUTTON, kAnswerLabels[2], 90, 320);
        SetCtrlAttribute(find, findClose, ATTR_CALLBACK_FUNCTION_POINTER, &answerCallback);
        SetCtrlAttribute(find, findClose, ATTR_CALLBACK_DATA, reinterpret_cast<void*>(intptr_t{9}));
        question = NewPanel(0, kSearchTitle, 20, 7, 50, 270);
        for (int i = 0; i < 3; ++i) {
            int button = NewCtrl(question, CTRL_COMMAND_BUTTON, kAnswerLabels[i], 10, 10 + 85 * i);
            SetCtrlAttribute(question, button, ATTR_CALLBACK_FUNCTION_POINTER, &answerCallback);
            SetCtrlAttribute(question, button, ATTR_CALLBACK_DATA, reinterpret_cast<void*>(intptr_t{i + 1}));
        }
        g_question = question;
        g_answers.clear();
    }
    void TearDown() override {
        Popups::TearDown();
        DiscardPanel(question);
        DiscardPanel(find);
    }
};

TEST_F(QuestionPanels, FindingByTitleAndControlTellsPanelsOfOneTitleApart) {
    EXPECT_EQ(AutoFindPanel(kSearchTitle), find);
    EXPECT_EQ(AutoFindPanelWithCtrl(kSearchTitle, kAnswerLabels[1]), question);
    EXPECT_EQ(AutoFindPanelWithCtrl(kSearchTitle, kFindLabel), find);
    EXPECT_EQ(AutoFindPanelWithCtrl(kSearchTitle, kAnswerLabels[2]), find) << "the first panel that fits";
    EXPECT_EQ(AutoFindPanelWithCtrl(kSearchTitle, "Find"), UIE_BAD_PANEL);
    EXPECT_EQ(AutoFindPanelWithCtrl("Contract", kAnswerLabels[1]), UIE_BAD_PANEL);
}

TEST_F(QuestionPanels, QueuedAnswersClickOneButtonPerDisplayOldestFirst) {
    EXPECT_EQ(AutoAnswerPanel(kSearchTitle, kAnswerLabels[1]), 0);
    EXPECT_EQ(AutoAnswerPanel(kSearchTitle, kAnswerLabels[0]), 0);
    DisplayPanel(find);
    ProcessSystemEvents();
    HidePanel(find);
    EXPECT_EQ(g_answer, 0) << "a panel of that title without such a button leaves the answers queued";
    EXPECT_EQ(AutoAnswerPanel(kSearchTitle, kAnswerLabels[2]), 0);
    int run = NewCtrl(panel, CTRL_COMMAND_BUTTON, "Replace", 10, 10);
    SetCtrlAttribute(panel, run, ATTR_CALLBACK_FUNCTION_POINTER, &askThreeTimes);
    AutoClick(panel, run);
    EXPECT_EQ(g_answers, (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(ask(question), 0) << "each answer served one display";
}

TEST_F(QuestionPanels, AnAnswerIsAClickHandledWhenEventsAreProcessed) {
    AutoAnswerPanel(kSearchTitle, kAnswerLabels[0]);
    g_answer = 0;
    DisplayPanel(question);
    EXPECT_EQ(g_answer, 0) << "not clicked inside DisplayPanel";
    ProcessSystemEvents();
    EXPECT_EQ(g_answer, 1);
    HidePanel(question);
    AutoAnswerPanel(kSearchTitle, kAnswerLabels[0]);
    AutoClearAnswers();
    EXPECT_EQ(ask(question), 0) << "cleared with the other answers";
}

}  // namespace
