// Resource files: panels and controls built from the text format, callbacks
// bound by name, and every kind of error reported on stderr with file and line.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include <ostream>

#include "contract.h"
#include "cp1251.h"

namespace {

using namespace cp1251::literals;
using contract::EventLog;
using contract::PanelTest;

const char kGood[] = R"(# Main window
[panel 2]
title    = Тарвик — список цепей
top      = 120
left     = center
height   = 520
width    = 760
close_control = 5
callback = PanelCB

[control 2]               # the list
kind     = textbox
top      = 48
left     = 12
height   = 420
width    = 736
label    = Список цепей
callback = BoxCB

[control 5]
kind     = button
top = 480
left = 12
height = 24
width = 80
label = Save \#1\nnow
callback = BoxCB
shortcut = Ctrl+S
dimmed = 1

[control 3]
kind = progress
top = 1
left = 1
height = 10
width = 100
value = 40

[panel 7]
title = Other
top = 1
left = 1
height = 10
width = 10
[control 1]
kind = string
top = 1
left = 1
height = 10
width = 10
value = start text
)";

class Resources : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        RegisterUICallback("BoxCB", &EventLog::callback);
        RegisterUICallback("PanelCB", &EventLog::callback);
        dir = contract::tempDir();
    }
    std::string write(const std::string& text, const char* name = "Test.uir") {
        std::string path = dir + "/" + name;
        contract::writeFile(path, text);
        return path;
    }
    std::string dir;
};

TEST_F(Resources, FileNameIsWindows1251Text) {
    ASSERT_EQ(mkdir((dir + "/ресурсы").c_str(), 0700), 0);  // the UTF-8 name on disk
    write(kGood, "ресурсы/Окно.uir");
    const std::string name = dir + "/"_cp1251 + "ресурсы/Окно.uir"_cp1251;
    EXPECT_GT(LoadPanel(0, name.c_str(), 2), 0);
}

TEST_F(Resources, LoadsPanelControlsAndCallbacksByName) {
    std::string path = write(kGood);
    int p = LoadPanel(0, path.c_str(), 2);
    ASSERT_GT(p, 0);
    char title[256] = {};
    EXPECT_EQ(GetPanelAttribute(p, ATTR_TITLE, title), 0);
    EXPECT_STREQ(title, "Тарвик — список цепей"_cp1251);
    int v = 0;
    EXPECT_EQ(GetPanelAttribute(p, ATTR_HEIGHT, &v), 0);
    EXPECT_EQ(v, 520);
    EXPECT_EQ(GetPanelAttribute(p, ATTR_CLOSE_CTRL, &v), 0);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(GetPanelAttribute(p, ATTR_VISIBLE, &v), 0);
    EXPECT_EQ(v, 0) << "a loaded panel is not displayed";
    char label[256] = {};
    EXPECT_EQ(GetCtrlAttribute(p, 2, ATTR_LABEL_TEXT, label), 0);
    EXPECT_STREQ(label, "Список цепей"_cp1251);
    EXPECT_EQ(GetCtrlAttribute(p, 2, ATTR_CTRL_KIND, &v), 0);
    EXPECT_EQ(v, CTRL_TEXT_BOX);
    EXPECT_EQ(GetCtrlAttribute(p, 2, ATTR_WIDTH, &v), 0);
    EXPECT_EQ(v, 736);
    EXPECT_EQ(GetCtrlAttribute(p, 5, ATTR_LABEL_TEXT, label), 0);
    EXPECT_STREQ(label, "Save #1\nnow");
    EXPECT_EQ(GetCtrlAttribute(p, 5, ATTR_SHORTCUT_KEY, &v), 0);
    EXPECT_EQ(v, VAL_MENUKEY_MODIFIER | 'S');
    EXPECT_EQ(GetCtrlAttribute(p, 5, ATTR_DIMMED, &v), 0);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(GetCtrlVal(p, 3, &v), 0);
    EXPECT_EQ(v, 40);
    char name[64] = {};
    EXPECT_EQ(GetCtrlAttribute(p, 2, ATTR_CALLBACK_NAME, name), 0);
    EXPECT_STREQ(name, "BoxCB");
    EXPECT_EQ(GetCtrlAttribute(p, 1, ATTR_CTRL_KIND, &v), UIE_BAD_CONTROL) << "ids come from the file";
    EXPECT_EQ(GetCtrlAttribute(p, 4, ATTR_CTRL_KIND, &v), UIE_BAD_CONTROL);
    EXPECT_EQ(NewCtrl(p, CTRL_NUMERIC, "", 0, 0), 6) << "new controls continue after the largest id";
    DisplayPanel(p);
    SetActiveCtrl(p, 2);
    AutoTypeKey(p, 2, 'x');
    EXPECT_EQ(EventLog::calls(), (std::vector<std::string>{"2:7:120", "2:2"}));
    int other = LoadPanel(0, path.c_str(), 7);
    ASSERT_GT(other, 0);
    char text[64] = {};
    EXPECT_EQ(GetCtrlVal(other, 1, text), 0);
    EXPECT_STREQ(text, "start text");
    DiscardPanel(p);
    DiscardPanel(other);
}

struct BadCase {
    const char* name;
    std::string text;  // replaces the marker line "@@" of a valid panel
    int line;
    const char* message;
};

std::ostream& operator<<(std::ostream& os, const BadCase& c) { return os << c.name; }

const char kTemplate[] = "[panel 1]\ntitle = T\ntop = 1\nleft = 1\nheight = 10\nwidth = 10\n"
                         "[control 1]\nkind = button\ntop = 1\nleft = 1\nheight = 5\nwidth = 5\n@@\n";

class ResourceErrors : public Resources, public ::testing::WithParamInterface<BadCase> {};

TEST_P(ResourceErrors, GiveANegativeHandleAndOneLineNamingFileAndLine) {
    const BadCase& c = GetParam();
    std::string text = kTemplate;
    text.replace(text.find("@@"), 2, c.text);
    std::string path = write(text, "Bad.uir");
    ::testing::internal::CaptureStderr();
    int p = LoadPanel(0, path.c_str(), 1);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(p, UIE_FILE_ERROR);
    std::string expect = path + ":" + std::to_string(c.line) + ": " + c.message + "\n";
    EXPECT_EQ(err, expect);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResourceErrors,
    ::testing::Values(BadCase{"unknown_kind", "[control 2]\nkind = texbox", 14, "unknown control kind 'texbox'"},
                      BadCase{"unknown_key", "colour = red", 13, "unknown key 'colour'"},
                      BadCase{"bad_number", "[control 2]\nkind = string\ntop = 1x", 15, "bad number '1x' for 'top'"},
                      BadCase{"missing_key", "[control 2]\nkind = string\ntop = 1\nleft = 1\nheight = 1", 13,
                              "missing key 'width' in [control 2]"},
                      BadCase{"duplicate_control", "[control 1]", 13, "duplicate control id 1"},
                      BadCase{"duplicate_panel", "[panel 1]", 13, "duplicate panel id 1"},
                      BadCase{"unregistered_callback", "callback = NoSuchCB", 13, "unregistered callback 'NoSuchCB'"},
                      BadCase{"garbage_line", "just some words", 13, "expected 'key = value' or a [section]"},
                      BadCase{"bad_section", "[window 3]", 13, "unknown section 'window'"},
                      BadCase{"control_id_too_large", "[control 2147483647]", 13, "bad control id '2147483647'"},
                      BadCase{"control_id_beyond_int", "[control 99999999999]", 13, "bad control id '99999999999'"},
                      BadCase{"control_id_zero", "[control 0]", 13, "bad control id '0'"},
                      BadCase{"control_id_not_a_number", "[control x]", 13, "bad control id 'x'"},
                      BadCase{"bad_shortcut", "shortcut = Ctrl+", 13, "bad shortcut key 'Ctrl+'"},
                      BadCase{"bad_anchor", "anchor = left middle", 13, "bad anchor 'middle' (left, top, right, bottom)"},
                      BadCase{"empty_anchor", "anchor = ,", 13, "empty anchor"}),
    [](const auto& info) { return std::string(info.param.name); });

// Ids far apart are made directly, without making and discarding the ones
// between; new controls then continue after the largest.
TEST_F(Resources, SparseAndLargeControlIdsAreKept) {
    std::string text = "[panel 1]\ntitle = Sparse\ntop = 1\nleft = 1\nheight = 100\nwidth = 100\n";
    const struct {
        int id;
        const char* kind;
        const char* label;
    } controls[] = {{100000, "string", "far"}, {2, "button", "two"}, {7, "checkbox", "seven"}};
    for (const auto& c : controls) {
        text += "[control " + std::to_string(c.id) + "]\nkind = " + c.kind +
                "\ntop = 1\nleft = 1\nheight = 5\nwidth = 5\nlabel = " + c.label + "\n";
    }
    std::string path = write(text, "Sparse.uir");
    int p = LoadPanel(0, path.c_str(), 1);
    ASSERT_GT(p, 0);
    char label[64] = {};
    for (const auto& c : controls) {
        EXPECT_EQ(GetCtrlAttribute(p, c.id, ATTR_LABEL_TEXT, label), 0) << c.id;
        EXPECT_STREQ(label, c.label);
    }
    int v = 0;
    for (int absent : {1, 3, 6, 8, 99999, 100001}) {
        EXPECT_EQ(GetCtrlAttribute(p, absent, ATTR_CTRL_KIND, &v), UIE_BAD_CONTROL) << absent;
    }
    EXPECT_EQ(AutoFindCtrl(p, "far"), 100000);
    EXPECT_EQ(NewCtrl(p, CTRL_NUMERIC, "", 0, 0), 100001);
    EXPECT_EQ(NewCtrl(p, CTRL_NUMERIC, "", 0, 0), 100002);
    EXPECT_EQ(DiscardCtrl(p, 100002), 0);
    EXPECT_EQ(NewCtrl(p, CTRL_NUMERIC, "", 0, 0), 100003) << "a discarded id is not given again";
    DiscardPanel(p);
}

TEST_F(Resources, MissingFileAndMissingPanelAreReported) {
    std::string missing = dir + "/none.uir";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPanel(0, missing.c_str(), 1), UIE_FILE_ERROR);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind(missing + ": cannot open the file", 0), 0u) << err;
    std::string path = write(kGood);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPanel(0, path.c_str(), 3), UIE_BAD_VALUE);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), path + ": no panel 3 in the file\n");
}

TEST_F(Resources, ByteOrderMarkAndWindowsLineEndsAreAccepted) {
    std::string text = "\xEF\xBB\xBF[panel 4]\r\ntitle = \xD0\xAF\r\ntop = 1\r\nleft = 2\r\nheight = 3\r\nwidth = 4\r\n";
    std::string path = write(text, "Bom.uir");
    int p = LoadPanel(0, path.c_str(), 4);
    ASSERT_GT(p, 0);
    char title[16] = {};
    EXPECT_EQ(GetPanelAttribute(p, ATTR_TITLE, title), 0);
    EXPECT_STREQ(title, "\xDF") << "UTF-8 Я becomes Windows-1251 0xDF";
    DiscardPanel(p);
}

TEST_F(Resources, ControlBeforeAnyPanelIsAnError) {
    std::string path = write("\n[control 1]\nkind = button\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LoadPanel(0, path.c_str(), 1), UIE_FILE_ERROR);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), path + ":2: control 1 outside a panel\n");
}

// Anchors and resizability read from a file: a list that fills the window,
// a button at the right edge, a status line at the bottom.
TEST_F(Resources, AnchoredControlsFollowThePanelsSize) {
    const std::string path = write(R"([panel 4]
title = Anchored
top = 10
left = 10
height = 300
width = 400
resizable = 1
[control 1]
kind = textbox
top = 40
left = 10
height = 220
width = 380
anchor = left top right bottom
[control 2]
kind = button
top = 8
left = 310
height = 24
width = 80
anchor = top,right
[control 3]
kind = textmsg
top = 270
left = 10
height = 20
width = 200
anchor = left bottom
[control 4]
kind = button
top = 8
left = 10
height = 24
width = 80
)", "Anchored.uir");
    const int p = LoadPanel(0, path.c_str(), 4);
    ASSERT_GT(p, 0);
    int resizable = 0;
    GetPanelAttribute(p, ATTR_RESIZABLE, &resizable);
    EXPECT_EQ(resizable, 1);
    auto box = [&](int c) {
        std::vector<int> g(4);
        GetCtrlAttribute(p, c, ATTR_LEFT, &g[0]);
        GetCtrlAttribute(p, c, ATTR_TOP, &g[1]);
        GetCtrlAttribute(p, c, ATTR_WIDTH, &g[2]);
        GetCtrlAttribute(p, c, ATTR_HEIGHT, &g[3]);
        return g;
    };
    int anchor = 0;
    GetCtrlAttribute(p, 2, ATTR_ANCHOR, &anchor);
    EXPECT_EQ(anchor, VAL_ANCHOR_TOP | VAL_ANCHOR_RIGHT);
    GetCtrlAttribute(p, 4, ATTR_ANCHOR, &anchor);
    EXPECT_EQ(anchor, VAL_ANCHOR_LEFT | VAL_ANCHOR_TOP);
    SetPanelAttribute(p, ATTR_WIDTH, 700);
    SetPanelAttribute(p, ATTR_HEIGHT, 500);
    EXPECT_EQ(box(1), (std::vector<int>{10, 40, 680, 420}));
    EXPECT_EQ(box(2), (std::vector<int>{610, 8, 80, 24}));
    EXPECT_EQ(box(3), (std::vector<int>{10, 470, 200, 20}));
    EXPECT_EQ(box(4), (std::vector<int>{10, 8, 80, 24}));
    SetPanelAttribute(p, ATTR_WIDTH, 400);
    SetPanelAttribute(p, ATTR_HEIGHT, 300);
    EXPECT_EQ(box(1), (std::vector<int>{10, 40, 380, 220}));
    EXPECT_EQ(box(2), (std::vector<int>{310, 8, 80, 24}));
    DiscardPanel(p);
}

// Random anchors, places and panel sizes: after any run of resizes every
// control stands where its distances, taken when it was last placed, put it.
TEST_F(Resources, RandomResizesAgreeWithTheAnchorModel) {
    unsigned seed = 2024;
    auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(n));
    };
    struct Model {
        int id, anchor, left, top, width, height, rightGap, bottomGap;
    };
    for (int round = 0; round < 8; ++round) {
        int w = 200 + next(400), h = 150 + next(300);
        const int p = NewPanel(0, "Random", 10, 10, h, w);
        std::vector<Model> models;
        for (int k = 0; k < 6; ++k) {
            Model m{};
            m.id = NewCtrl(p, k % 2 ? CTRL_COMMAND_BUTTON : CTRL_TEXT_BOX, "", next(h / 2), next(w / 2));
            m.anchor = next(16);
            m.width = 1 + next(w / 2);
            m.height = 1 + next(h / 2);
            SetCtrlAttribute(p, m.id, ATTR_WIDTH, m.width);
            SetCtrlAttribute(p, m.id, ATTR_HEIGHT, m.height);
            SetCtrlAttribute(p, m.id, ATTR_ANCHOR, m.anchor);
            GetCtrlAttribute(p, m.id, ATTR_LEFT, &m.left);
            GetCtrlAttribute(p, m.id, ATTR_TOP, &m.top);
            m.rightGap = w - m.left - m.width;
            m.bottomGap = h - m.top - m.height;
            models.push_back(m);
        }
        for (int step = 0; step < 10; ++step) {
            if (next(2)) SetPanelAttribute(p, ATTR_WIDTH, w = 50 + next(900));
            else SetPanelAttribute(p, ATTR_HEIGHT, h = 50 + next(700));
            for (const Model& m : models) {
                int left = m.left, top = m.top, width = m.width, height = m.height;
                if (m.anchor & VAL_ANCHOR_RIGHT) {
                    if (m.anchor & VAL_ANCHOR_LEFT) width = std::max(w - left - m.rightGap, 0);
                    else left = w - m.rightGap - width;
                }
                if (m.anchor & VAL_ANCHOR_BOTTOM) {
                    if (m.anchor & VAL_ANCHOR_TOP) height = std::max(h - top - m.bottomGap, 0);
                    else top = h - m.bottomGap - height;
                }
                int got[4] = {};
                GetCtrlAttribute(p, m.id, ATTR_LEFT, &got[0]);
                GetCtrlAttribute(p, m.id, ATTR_TOP, &got[1]);
                GetCtrlAttribute(p, m.id, ATTR_WIDTH, &got[2]);
                GetCtrlAttribute(p, m.id, ATTR_HEIGHT, &got[3]);
                ASSERT_EQ(std::vector<int>(got, got + 4), (std::vector<int>{left, top, width, height}))
                    << "round " << round << " step " << step << " control " << m.id << " anchor " << m.anchor;
            }
        }
        EXPECT_EQ(SetCtrlAttribute(p, models[0].id, ATTR_ANCHOR, 16), UIE_BAD_VALUE);
        DiscardPanel(p);
    }
}

TEST_F(Resources, RandomlyDamagedFilesNeverCrash) {
    std::string text = kGood;
    unsigned seed = 12345;
    for (int round = 0; round < 200; ++round) {
        std::string damaged = text;
        for (int k = 0; k < 3; ++k) {
            seed = seed * 1103515245u + 12345u;
            size_t at = (seed >> 8) % damaged.size();
            seed = seed * 1103515245u + 12345u;
            damaged[at] = "=[]#\\\n xz9"[(seed >> 8) % 10];
        }
        std::string path = write(damaged, "Damaged.uir");
        ::testing::internal::CaptureStderr();
        int p = LoadPanel(0, path.c_str(), 2);
        std::string err = ::testing::internal::GetCapturedStderr();
        if (p > 0) {
            EXPECT_EQ(err, "");
            DiscardPanel(p);
        } else {
            EXPECT_EQ(err.rfind(path + ":", 0), 0u) << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        }
    }
}

}  // namespace
