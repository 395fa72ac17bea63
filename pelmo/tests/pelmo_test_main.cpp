// Entry of the extension's tests: --backend=headless|qt picks the backend once.
#include <cstring>

#include "pelmo_test.h"

namespace pelmo_test {
namespace {
int g_backend = UIRT_BACKEND_HEADLESS;
}

int backend() { return g_backend; }

void BoxTest::SetUp() {
    ProcessSystemEvents();
    AutoClearAnswers();
    AutoClearPopupLog();
    panel = NewPanel(0, "Host", 40, 40, 400, 600);
    ASSERT_GT(panel, 0);
    box = NewCtrl(panel, CTRL_TEXT_BOX, "", 10, 10);
    ASSERT_GT(box, 0);
    SetCtrlAttribute(panel, box, ATTR_HEIGHT, 200);
    SetCtrlAttribute(panel, box, ATTR_WIDTH, 500);
    ASSERT_EQ(DisplayPanel(panel), 0);
    SetActiveCtrl(panel, box);
}

void BoxTest::TearDown() {
    ProcessSystemEvents();
    // The dialogs are shared by the whole process: leave them closed.
    for (int p : {pelmo::ui().FindPanel.panel, pelmo::ui().ReplacePanel.panel, pelmo::ui().AskPanel.panel})
        if (p > 0) HidePanel(p);
    undo_Close(history);
    DiscardPanel(panel);
    AutoClearAnswers();
}

UndoHistory* BoxTest::extend(int depth, int size) {
    history = ExtendTextBox(panel, box, size, depth);
    return history;
}

void BoxTest::load(const std::string& text) {
    ResetTextBox(panel, box, text.c_str());
    undo_Reset(history);
}

std::string BoxTest::text() const {
    int length = 0;
    GetCtrlAttribute(panel, box, ATTR_STRING_TEXT_LENGTH, &length);
    std::string s(static_cast<size_t>(length) + 1, '\0');
    GetCtrlVal(panel, box, s.data());
    s.resize(static_cast<size_t>(length));
    return s;
}

void BoxTest::select(int start, int length) const {
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, start);
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, length);
}

int BoxTest::attr(int attribute) const {
    int value = -1;
    GetCtrlAttribute(panel, box, attribute, &value);
    return value;
}

Popup BoxTest::popup(int index) const {
    Popup p;
    char title[256] = "", text[4096] = "";
    AutoGetPopup(index, &p.kind, title, sizeof title, text, sizeof text);
    p.title = title;
    p.text = text;
    return p;
}

}  // namespace pelmo_test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--backend=qt") == 0) pelmo_test::g_backend = UIRT_BACKEND_QT;
    if (!InitUIRuntime(argc, argv, pelmo_test::g_backend)) {
        std::fprintf(stderr, "cannot start the backend\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
