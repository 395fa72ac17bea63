// The window program on the Qt backend under the offscreen platform: open a
// net list through the answered file dialog, check the chain list, save it,
// and the error path. TARVIK_SCREENSHOT=path also saves the main window's image.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cp1251.h"
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

void ClickQuit(void*) { AutoClick(S.MainPanel, kQuitButton); }

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
    return RUN_ALL_TESTS();
}
