// Entry of the contract suite: --backend=headless|qt picks the backend once.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "contract.h"

namespace contract {
namespace {
int g_backend = UIRT_BACKEND_HEADLESS;
std::string g_tempRoot;
int g_tempCount = 0;
}  // namespace

int backend() { return g_backend; }

std::string tempDir() {
    std::string dir = g_tempRoot + "/t" + std::to_string(++g_tempCount);
    std::filesystem::create_directories(dir);
    return dir;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void PanelTest::SetUp() {
    ProcessSystemEvents();
    AutoClearAnswers();
    AutoClearPopupLog();
    EventLog::calls().clear();
    panel = NewPanel(0, "Contract", 50, 50, 400, 500);
    ASSERT_GT(panel, 0);
    ASSERT_EQ(DisplayPanel(panel), 0);
}

void PanelTest::TearDown() {
    ProcessSystemEvents();
    if (panel > 0) DiscardPanel(panel);
    AutoClearAnswers();
}

int PanelTest::addTextBox(int height, int width) {
    int c = NewCtrl(panel, CTRL_TEXT_BOX, "Box", 30, 10);
    EXPECT_GT(c, 0);
    SetCtrlAttribute(panel, c, ATTR_HEIGHT, height);
    SetCtrlAttribute(panel, c, ATTR_WIDTH, width);
    return c;
}

std::string PanelTest::value(int control) {
    int length = -1;
    EXPECT_EQ(GetCtrlAttribute(panel, control, ATTR_STRING_TEXT_LENGTH, &length), 0);
    std::string s(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    EXPECT_EQ(GetCtrlVal(panel, control, s.data()), 0);
    s.resize(std::strlen(s.c_str()));
    return s;
}

int PanelTest::attr(int control, int attribute) {
    int v = -12345;
    EXPECT_EQ(GetCtrlAttribute(panel, control, attribute, &v), 0) << "attribute " << attribute;
    return v;
}

std::vector<std::string>& EventLog::calls() {
    static std::vector<std::string> log;
    return log;
}

int EventLog::callback(int, int control, int event, void*, int data1, int data2) {
    std::string entry = std::to_string(control) + ":" + std::to_string(event);
    if (event == EVENT_KEYPRESS) entry += ":" + std::to_string(data1);
    else if (event == EVENT_RIGHT_CLICK) entry += ":" + std::to_string(data1) + ":" + std::to_string(data2);
    calls().push_back(entry);
    return 0;
}

}  // namespace contract

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--backend=qt") == 0) contract::g_backend = UIRT_BACKEND_QT;
        else if (std::strcmp(argv[i], "--backend=headless") == 0) contract::g_backend = UIRT_BACKEND_HEADLESS;
    }
    char pattern[] = "/tmp/uirt-contract-XXXXXX";
    if (!mkdtemp(pattern)) return 2;
    contract::g_tempRoot = pattern;
    if (!InitUIRuntime(argc, argv, contract::g_backend)) {
        std::fprintf(stderr, "cannot start the %s backend\n", contract::isQt() ? "qt" : "headless");
        return 2;
    }
    int rc = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(contract::g_tempRoot, ignored);
    return rc;
}
