// Helpers of the Qt backend's own tests: a fixture with a fresh displayed
// panel and a recorder of callbacks.
#ifndef UIRT_QT_TEST_H
#define UIRT_QT_TEST_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "uirt.h"
#include "uirt_auto.h"

namespace qttest {

// Every byte 0x01..0xFF once, in order.
inline std::string allBytes() {
    std::string s;
    for (int b = 1; b < 256; ++b) s += static_cast<char>(b);
    return s;
}

struct Calls {
    static std::vector<std::string>& log() {
        static std::vector<std::string> l;
        return l;
    }
    static int callback(int, int control, int event, void*, int d1, int d2) {
        std::string e = std::to_string(control) + ":" + std::to_string(event);
        if (event == EVENT_KEYPRESS || event == EVENT_RIGHT_CLICK) e += ":" + std::to_string(d1) + ":" + std::to_string(d2);
        log().push_back(e);
        return 0;
    }
};

class QtPanel : public ::testing::Test {
protected:
    void SetUp() override {
        ProcessSystemEvents();
        AutoClearAnswers();
        AutoClearPopupLog();
        Calls::log().clear();
        panel = NewPanel(0, "Qt test", 40, 40, 300, 400);
        ASSERT_GT(panel, 0);
        ASSERT_EQ(DisplayPanel(panel), 0);
    }
    void TearDown() override {
        ProcessSystemEvents();
        DiscardPanel(panel);
        ProcessSystemEvents();
    }
    int textBox() {
        int c = NewCtrl(panel, CTRL_TEXT_BOX, "Box", 30, 10);
        SetCtrlAttribute(panel, c, ATTR_HEIGHT, 200);
        SetCtrlAttribute(panel, c, ATTR_WIDTH, 300);
        return c;
    }
    std::string value(int control) {
        int length = -1;
        EXPECT_EQ(GetCtrlAttribute(panel, control, ATTR_STRING_TEXT_LENGTH, &length), 0);
        std::string s(static_cast<size_t>(length < 0 ? 0 : length) + 1, '\0');
        EXPECT_EQ(GetCtrlVal(panel, control, s.data()), 0);
        s.resize(std::strlen(s.c_str()));
        return s;
    }
    int attr(int control, int attribute) {
        int v = -12345;
        EXPECT_EQ(GetCtrlAttribute(panel, control, attribute, &v), 0);
        return v;
    }
    int panel = 0;
};

}  // namespace qttest

#endif  // UIRT_QT_TEST_H
