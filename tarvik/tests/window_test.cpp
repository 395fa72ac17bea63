// The window program on the Qt backend under the offscreen platform: open a
// net list through the answered file dialog, check the chain list, save it,
// and the error path. TARVIK_SCREENSHOT=path also saves the main window's image.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cp1251.h"
#include "list_find.h"
#include "shell.h"
#include "support.h"
#include "uirt_auto.h"

namespace tarvik::test {
namespace {

using namespace cp1251::literals;

constexpr int kOpenButton = 3, kSaveButton = 4, kQuitButton = 6;

int Visible(int panel) {
    int v = -1;
    GetPanelAttribute(panel, ATTR_VISIBLE, &v);
    return v;
}

class Window : public testing::Test {
protected:
    void SetUp() override {
        AutoClearAnswers();
        AutoClearPopupLog();
        DisplayPanel(S.MainPanel);
    }
    void Open(const std::string& path) {
        AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, path.c_str());
        ASSERT_GE(AutoClick(S.MainPanel, kOpenButton), 0);
        ProcessSystemEvents();
    }
};

TEST_F(Window, OpenShowsTheChainListAndSaveWritesItsBytes) {
    Open(ExampleFile("preamp_accel.net"));
    const std::string expected = ReadBytes(ExampleFile("preamp.cha"));
    EXPECT_EQ(ChaBytes(BoxLines()), expected);
    EXPECT_EQ(Visible(S.ProgressPanel), 0);
    EXPECT_EQ(GetWaitCursor(), 0);

    const std::string out = TempPath("window.cha");
    AutoAnswerFileSelect(VAL_NEW_FILE_SELECTED, out.c_str());
    ASSERT_GE(AutoClick(S.MainPanel, kSaveButton), 0);
    EXPECT_EQ(ReadBytes(out), expected);
    ASSERT_EQ(AutoPopupCount(), 2);
    int kind = 0;
    AutoGetPopup(1, &kind, nullptr, 0, nullptr, 0);
    EXPECT_EQ(kind, AUTO_POPUP_FILE_SELECT);
}

TEST_F(Window, EveryFormOfTheExampleGivesTheSameList) {
    for (const char* name : {"preamp_orcad.net", "preamp_pcad45.net"}) {
        Open(ExampleFile(name));
        EXPECT_EQ(ChaBytes(BoxLines()), ReadBytes(ExampleFile("preamp.cha"))) << name;
    }
}

TEST_F(Window, UnrecognisedFileGivesTheErrorPopup) {
    AutoAnswerMessage();
    Open(DataFile("unrecognised.net"));
    ASSERT_EQ(AutoPopupCount(), 2);
    int kind = 0;
    char title[256] = {}, text[256] = {};
    AutoGetPopup(1, &kind, title, sizeof title, text, sizeof text);
    EXPECT_EQ(kind, AUTO_POPUP_MESSAGE);
    EXPECT_STREQ(title, "ОШИБКА!"_cp1251);
    EXPECT_STREQ(text, "Неопознанный формат файла!"_cp1251);
    EXPECT_EQ(Visible(S.ProgressPanel), 0);
    EXPECT_EQ(GetWaitCursor(), 0);
    EXPECT_EQ(ChaBytes(BoxLines()), ReadBytes(DataFile("unrecognised.cha")));
}

TEST_F(Window, ByteOfEveryValueButZeroAndLfSurvivesTheTextBox) {
    std::string name = "A";  // a visible byte begins the name
    for (int b = 1; b < 256; ++b)
        if (b != '\n' && b != ' ' && b != '=') name += static_cast<char>(b);
    Open(WriteTemp("X\nNETS\n" + name + " = U1/1 ;\n", "bytes.net"));
    EXPECT_EQ(BoxLines(), std::vector<std::string>{"#1 \"" + name + "\" = U1:1;"});
}

TEST_F(Window, MainWindowRendersWithTheChainList) {
    Open(ExampleFile("controller_accel.net"));
    EXPECT_EQ(ChaBytes(BoxLines()), ReadBytes(ExampleFile("controller.cha")));
    const char* wanted = std::getenv("TARVIK_SCREENSHOT");
    const std::string png = wanted ? wanted : TempPath("main.png");
    ASSERT_EQ(AutoRenderPanel(S.MainPanel, png.c_str()), 0);
    const std::string bytes = ReadBytes(png);
    ASSERT_GT(bytes.size(), 1000u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
}

int Attr(int panel, int control, int attribute) {
    int v = -1;
    if (control) GetCtrlAttribute(panel, control, attribute, &v);
    else GetPanelAttribute(panel, attribute, &v);
    return v;
}

// The main window may grow: the list fills it and Выход keeps to its right
// edge; the progress and information windows keep their size.
TEST_F(Window, ListFollowsTheMainWindowsSize) {
    EXPECT_EQ(Attr(S.MainPanel, 0, ATTR_RESIZABLE), 1);
    EXPECT_EQ(Attr(S.ProgressPanel, 0, ATTR_RESIZABLE), 0);
    EXPECT_EQ(Attr(S.InfoPanel, 0, ATTR_RESIZABLE), 0);
    const int width = Attr(S.MainPanel, 0, ATTR_WIDTH), height = Attr(S.MainPanel, 0, ATTR_HEIGHT);
    const int boxRight = width - Attr(S.MainPanel, kChainBox, ATTR_LEFT) - Attr(S.MainPanel, kChainBox, ATTR_WIDTH);
    const int boxBottom = height - Attr(S.MainPanel, kChainBox, ATTR_TOP) - Attr(S.MainPanel, kChainBox, ATTR_HEIGHT);
    const int quitRight = width - Attr(S.MainPanel, kQuitButton, ATTR_LEFT);
    const int openLeft = Attr(S.MainPanel, kOpenButton, ATTR_LEFT);
    for (const auto& [w, h] : {std::pair{width + 500, height + 300}, {width + 1, height}, {width, height}}) {
        SetPanelAttribute(S.MainPanel, ATTR_WIDTH, w);
        SetPanelAttribute(S.MainPanel, ATTR_HEIGHT, h);
        EXPECT_EQ(w - Attr(S.MainPanel, kChainBox, ATTR_LEFT) - Attr(S.MainPanel, kChainBox, ATTR_WIDTH), boxRight) << w;
        EXPECT_EQ(h - Attr(S.MainPanel, kChainBox, ATTR_TOP) - Attr(S.MainPanel, kChainBox, ATTR_HEIGHT), boxBottom) << h;
        EXPECT_EQ(w - Attr(S.MainPanel, kQuitButton, ATTR_LEFT), quitRight) << w;
        EXPECT_EQ(Attr(S.MainPanel, kOpenButton, ATTR_LEFT), openLeft) << w;
    }
}

TEST_F(Window, CtrlFInTheListFindsText) {
    Open(ExampleFile("preamp_orcad.net"));
    std::string text;
    for (const std::string& line : BoxLines()) text += (text.empty() ? "" : "\n") + line;
    const std::size_t at = text.find("BIAS_MIDPOINT");
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(AutoTypeKey(S.MainPanel, kChainBox, VAL_MENUKEY_MODIFIER | 'F'), 0);
    const int find = AutoFindPanel("Поиск"_cp1251);
    ASSERT_GT(find, 0);
    EXPECT_EQ(Visible(find), 1);
    AutoTypeText(find, GetActiveCtrl(find), "BIAS_MIDPOINT\n");
    int start = -1, length = -1;
    GetCtrlAttribute(S.MainPanel, kChainBox, ATTR_TEXT_SELECTION_START, &start);
    GetCtrlAttribute(S.MainPanel, kChainBox, ATTR_TEXT_SELECTION_LENGTH, &length);
    EXPECT_EQ(start, static_cast<int>(at));
    EXPECT_EQ(length, 13);
    HidePanel(find);
}

void ClickQuit(void*) { AutoClick(S.MainPanel, kQuitButton); }
TEST_F(Window, FileDroppedOnTheWindowIsOpened) {
    ResetTextBox(S.MainPanel, kChainBox, "");
    ASSERT_EQ(AutoDropFile(S.MainPanel, ExampleFile("preamp_pcad45.net").c_str()), 0);
    ProcessSystemEvents();
    EXPECT_EQ(ChaBytes(BoxLines()), ReadBytes(ExampleFile("preamp.cha")));
}

TEST_F(Window, ProgramStartsAndQuitButtonEndsIt) {
    PostDeferredCall(ClickQuit, nullptr);
    char arg0[] = "tarvik";
    char* argv[] = {arg0, nullptr};
    EXPECT_EQ(TarvikMain(1, argv, UIRT_BACKEND_QT), 0);
    EXPECT_EQ(Visible(S.MainPanel), 1);
}

}  // namespace
}  // namespace tarvik::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!InitUIRuntime(argc, argv, UIRT_BACKEND_QT) || tarvik::LoadPanels(TARVIK_TEST_UIR) < 0) {
        std::fprintf(stderr, "cannot start the Qt run-time or load %s\n", TARVIK_TEST_UIR);
        return 1;
    }
    tarvik::ExtendChainBox();  // as the program does
    return RUN_ALL_TESTS();
}
