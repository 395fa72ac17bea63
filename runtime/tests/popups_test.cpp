// Popups answered through automation, the popup log, popup menus and the clipboard.
#include <cstdlib>
#include <cstring>

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

}  // namespace
