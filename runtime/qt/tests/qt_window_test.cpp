// Real windows of the Qt backend: rendering, closing, the wait cursor, key
// events through Qt's event path, and batched appends to text boxes.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QWidget>
#include <set>
#include <cstdio>
#include <unistd.h>

#include "qt_test.h"

using namespace qttest;

namespace {

// Counts key presses that Qt delivers to text boxes.
struct KeySpy : QObject {
    int presses = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::KeyPress && qobject_cast<QPlainTextEdit*>(o)) ++presses;
        return false;
    }
};

std::string tempPng() {
    char name[] = "/tmp/uirt-qt-render-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name) + ".png";
}

}  // namespace

class QtWindow : public QtPanel {};

TEST_F(QtWindow, RenderedPanelIsAPngOfThePanelSizeWithItsControls) {
    const int button = NewCtrl(panel, CTRL_COMMAND_BUTTON, "Press", 100, 100);
    ASSERT_GT(button, 0);
    const int box = textBox();
    ResetTextBox(panel, box, "first line\nsecond line");
    const std::string path = tempPng();
    ASSERT_EQ(AutoRenderPanel(panel, path.c_str()), 0);
    QImage image(QString::fromLocal8Bit(path.c_str()));
    std::remove(path.c_str());
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 400);
    EXPECT_EQ(image.height(), 300);
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 3u);  // not a blank image
    EXPECT_EQ(AutoRenderPanel(panel + 1000, path.c_str()), UIE_BAD_PANEL);
}

// The window as a window manager sees it: a panel the program does not mark
// resizable has one size; a resizable one may grow but not shrink below the
// program's size, and its anchored controls follow what the user does.
TEST_F(QtWindow, WindowSizeLimitsAndAnchorsFollowTheUsersResize) {
    QWidget* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QStringLiteral("Qt test")) window = w;
    ASSERT_NE(window, nullptr);
    const QSize designed = window->size();
    EXPECT_EQ(window->minimumSize(), designed);
    EXPECT_EQ(window->maximumSize(), designed);

    const int box = textBox();
    const int button = NewCtrl(panel, CTRL_COMMAND_BUTTON, "Quit", 5, 300);
    SetCtrlAttribute(panel, box, ATTR_ANCHOR, VAL_ANCHOR_LEFT | VAL_ANCHOR_TOP | VAL_ANCHOR_RIGHT | VAL_ANCHOR_BOTTOM);
    SetCtrlAttribute(panel, button, ATTR_ANCHOR, VAL_ANCHOR_TOP | VAL_ANCHOR_RIGHT);
    const int boxWidth = attr(box, ATTR_WIDTH), boxHeight = attr(box, ATTR_HEIGHT);
    SetPanelAttribute(panel, ATTR_RESIZABLE, 1);
    EXPECT_EQ(window->minimumSize(), designed);
    EXPECT_GT(window->maximumSize().width(), 10000);

    window->resize(designed + QSize(300, 200));  // as the window manager does on a drag
    ProcessSystemEvents();
    EXPECT_EQ(attr(box, ATTR_WIDTH), boxWidth + 300);
    EXPECT_EQ(attr(box, ATTR_HEIGHT), boxHeight + 200);
    EXPECT_EQ(attr(button, ATTR_LEFT), 600);
    int width = 0;
    GetPanelAttribute(panel, ATTR_WIDTH, &width);
    EXPECT_EQ(width, designed.width() + 300);

    window->resize(designed - QSize(100, 100));  // below the minimum: held there
    ProcessSystemEvents();
    EXPECT_EQ(window->size(), designed);
    EXPECT_EQ(attr(box, ATTR_WIDTH), boxWidth);
    EXPECT_EQ(attr(button, ATTR_LEFT), 300);
}

TEST_F(QtWindow, ClosingTheWindowCommitsTheCloseControlAndKeepsItShown) {
    const int close = NewCtrl(panel, CTRL_COMMAND_BUTTON, "Close", 10, 10);
    SetCtrlAttribute(panel, close, ATTR_CALLBACK_FUNCTION_POINTER, &Calls::callback);
    SetPanelAttribute(panel, ATTR_CALLBACK_FUNCTION_POINTER, &Calls::callback);
    SetPanelAttribute(panel, ATTR_CLOSE_CTRL, close);
    ASSERT_EQ(AutoClosePanel(panel), 0);
    EXPECT_EQ(Calls::log(), (std::vector<std::string>{std::to_string(close) + ":1", "0:12"}));
    int visible = 0;
    GetPanelAttribute(panel, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
}

TEST_F(QtWindow, WaitCursorIsTheApplicationsOverrideCursor) {
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    SetWaitCursor(1);
    SetWaitCursor(1);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(GetWaitCursor(), 1);
    SetWaitCursor(0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // one restore undoes one override
    EXPECT_EQ(GetWaitCursor(), 0);
}

TEST_F(QtWindow, FakedKeysArriveAsQtKeyEventsInOrder) {
    const int box = textBox();
    SetCtrlAttribute(panel, box, ATTR_CALLBACK_FUNCTION_POINTER, &Calls::callback);
    SetActivePanel(panel);
    SetActiveCtrl(panel, box);
    KeySpy spy;
    qApp->installEventFilter(&spy);
    for (int key : {int('a'), int('b'), VAL_ENTER_VKEY, int('c'), VAL_HOME_VKEY, VAL_BACKSPACE_VKEY}) FakeKeystroke(key);
    EXPECT_EQ(spy.presses, 0);  // queued until events are processed
    ProcessSystemEvents();
    qApp->removeEventFilter(&spy);
    EXPECT_EQ(spy.presses, 6);
    EXPECT_EQ(value(box), "abc");
    int changes = 0;
    for (const auto& e : Calls::log()) changes += e == std::to_string(box) + ":2";
    EXPECT_EQ(changes, 5);  // Home moves the caret only
}

TEST_F(QtWindow, UpAndDownKeepTheByteColumn) {
    const int box = textBox();
    ResetTextBox(panel, box, "WWWWWWWW\niiiiiiii\nab");
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 5);
    AutoTypeKey(panel, box, VAL_DOWN_ARROW_VKEY);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 14);
    AutoTypeKey(panel, box, VAL_DOWN_ARROW_VKEY);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 20);  // clamped to "ab"
    AutoTypeKey(panel, box, VAL_UP_ARROW_VKEY);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 11);
}

TEST_F(QtWindow, ShiftEnterStillBreaksTheLine) {
    const int box = textBox();
    AutoTypeText(panel, box, "ab");
    AutoTypeKey(panel, box, VAL_SHIFT_MODIFIER | VAL_ENTER_VKEY);
    AutoTypeText(panel, box, "c");
    int lines = 0;
    GetNumTextBoxLines(panel, box, &lines);
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(value(box), "ab\nc");
}

TEST_F(QtWindow, ManyAppendedLinesMatchQueriesBetweenAppends) {
    const int box = textBox();
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        const std::string line = "net " + std::to_string(i) + (i % 7 == 0 ? "\r\x98" : "");
        ASSERT_EQ(InsertTextBoxLine(panel, box, -1, line.c_str()), 0);
        expected += (i ? "\n" : "") + line;
        if (i % 997 == 0) {
            int count = 0;
            GetNumTextBoxLines(panel, box, &count);
            ASSERT_EQ(count, i + 1);
            int offset = -1;
            GetTextBoxLineOffset(panel, box, i, &offset);
            ASSERT_EQ(static_cast<size_t>(offset), expected.size() - line.size());
        }
        if (i % 500 == 0) ProcessSystemEvents();
    }
    EXPECT_EQ(value(box), expected);
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 0);
    EXPECT_EQ(attr(box, ATTR_FIRST_VISIBLE_LINE), 0);
}

TEST_F(QtWindow, AppendedLinesReachTheDocumentWhenTheLoopIsIdle) {
    const int box = textBox();
    InsertTextBoxLine(panel, box, -1, "one");
    InsertTextBoxLine(panel, box, -1, "two");
    QPlainTextEdit* edit = nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* e = qobject_cast<QPlainTextEdit*>(w); e && e->isVisible()) edit = e;
    ASSERT_NE(edit, nullptr);
    for (int i = 0; i < 100 && edit->document()->blockCount() < 2; ++i) {
        usleep(10000);
        ProcessSystemEvents();
    }
    EXPECT_EQ(edit->document()->blockCount(), 2);
    EXPECT_EQ(edit->toPlainText(), QStringLiteral("one\ntwo"));
}

// A large text is not held by Qt's document (whose blocks cost several times
// the text); the box still shows it: dark text pixels on the light base.
TEST_F(QtWindow, LargeTextLeavesTheDocumentAndIsPainted) {
    const int box = textBox();
    std::string text;
    for (int i = 0; i < 30000; ++i) text += (i ? "\nWWWW line " : "WWWW line ") + std::to_string(i);
    ResetTextBox(panel, box, text.c_str());
    SetCtrlAttribute(panel, box, ATTR_FIRST_VISIBLE_LINE, 15000);
    QPlainTextEdit* edit = nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* e = qobject_cast<QPlainTextEdit*>(w); e && e->isVisible()) edit = e;
    ASSERT_NE(edit, nullptr);
    EXPECT_LE(edit->document()->characterCount(), 1);
    const std::string path = tempPng();
    ASSERT_EQ(AutoRenderPanel(panel, path.c_str()), 0);
    QImage image(QString::fromLocal8Bit(path.c_str()));
    std::remove(path.c_str());
    const QRect area = edit->geometry().adjusted(6, 6, -30, -30);  // inside the frame, scroll bars aside
    int dark = 0, light = 0;
    for (int y = area.top(); y < area.bottom(); ++y)
        for (int x = area.left(); x < area.right(); ++x) (qGray(image.pixel(x, y)) < 100 ? dark : light)++;
    EXPECT_GT(dark, 200) << "text is painted";
    EXPECT_GT(light, dark) << "on the base colour";

    ResetTextBox(panel, box, "small\ntext");
    EXPECT_EQ(edit->toPlainText(), QStringLiteral("small\ntext")) << "a small text is the document's again";
}

TEST_F(QtWindow, VisibleLinesFollowTheBoxHeight) {
    const int box = textBox();
    const int tall = attr(box, ATTR_VISIBLE_LINES);
    SetCtrlAttribute(panel, box, ATTR_HEIGHT, 60);
    const int shortBox = attr(box, ATTR_VISIBLE_LINES);
    EXPECT_GT(tall, shortBox);
    EXPECT_GE(shortBox, 1);
    std::string text;
    for (int i = 0; i < 200; ++i) text += "line " + std::to_string(i) + "\n";
    ResetTextBox(panel, box, text.c_str());
    SetCtrlAttribute(panel, box, ATTR_FIRST_VISIBLE_LINE, 50);
    EXPECT_EQ(attr(box, ATTR_FIRST_VISIBLE_LINE), 50);
}

TEST_F(QtWindow, SelectingByProgramLeavesTheHorizontalScrollToo) {
    const int box = textBox();
    const std::string longLine(400, 'w');
    ResetTextBox(panel, box, (longLine + "\nshort").c_str());
    QPlainTextEdit* edit = nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* e = qobject_cast<QPlainTextEdit*>(w); e && e->isVisible()) edit = e;
    ASSERT_NE(edit, nullptr);
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 395);
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_LENGTH, 5);
    ProcessSystemEvents();
    EXPECT_EQ(edit->horizontalScrollBar()->value(), 0);
    AutoTypeKey(panel, box, VAL_END_VKEY);
    EXPECT_GT(edit->horizontalScrollBar()->value(), 0) << "a key the user types scrolls to the caret";
}

TEST_F(QtWindow, RightClickReportsPanelCoordinatesAndMouseState) {
    const int box = textBox();  // at top 30, left 10
    SetCtrlAttribute(panel, box, ATTR_CALLBACK_FUNCTION_POINTER, &Calls::callback);
    ASSERT_EQ(AutoRightClick(panel, box, 60, 80), 0);
    ASSERT_EQ(Calls::log().size(), 1u);
    EXPECT_EQ(Calls::log()[0], std::to_string(box) + ":5:80:60");
    int x = -1, y = -1;
    GetRelativeMouseState(panel, 0, &x, &y, nullptr, nullptr, nullptr);
    EXPECT_EQ(x, 60);
    EXPECT_EQ(y, 80);
    GetRelativeMouseState(panel, box, &x, &y, nullptr, nullptr, nullptr);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 50);
}

TEST_F(QtWindow, DimmedButtonIgnoresClicksAndShortcut) {
    const int button = NewCtrl(panel, CTRL_COMMAND_BUTTON, "Go", 10, 10);
    const int field = NewCtrl(panel, CTRL_STRING, "Field", 60, 10);
    SetCtrlAttribute(panel, button, ATTR_CALLBACK_FUNCTION_POINTER, &Calls::callback);
    SetCtrlAttribute(panel, button, ATTR_SHORTCUT_KEY, VAL_F2_VKEY);
    AutoClick(panel, button);
    AutoTypeKey(panel, field, VAL_F2_VKEY);
    EXPECT_EQ(Calls::log(), (std::vector<std::string>{std::to_string(button) + ":1", std::to_string(button) + ":1"}));
    SetCtrlAttribute(panel, button, ATTR_DIMMED, 1);
    AutoClick(panel, button);
    AutoTypeKey(panel, field, VAL_F2_VKEY);
    EXPECT_EQ(Calls::log().size(), 2u);
}

TEST_F(QtWindow, LabelPlacedTooNarrowKeepsItsAttributesButShowsAllText) {
    const int field = NewCtrl(panel, CTRL_STRING, "A rather long label", 100, 10);
    SetCtrlAttribute(panel, field, ATTR_LABEL_LEFT, 12);
    SetCtrlAttribute(panel, field, ATTR_LABEL_TOP, 80);
    SetCtrlAttribute(panel, field, ATTR_LABEL_WIDTH, 5);
    SetCtrlAttribute(panel, field, ATTR_LABEL_HEIGHT, 16);
    EXPECT_EQ(attr(field, ATTR_LABEL_WIDTH), 5);
    EXPECT_EQ(attr(field, ATTR_LABEL_LEFT), 12);
    EXPECT_EQ(attr(field, ATTR_LABEL_TOP), 80);
    QLabel* label = nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* l = qobject_cast<QLabel*>(w); l && l->text() == QStringLiteral("A rather long label")) label = l;
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry().topLeft(), QPoint(12, 80));
    EXPECT_GE(label->width(), label->sizeHint().width());
}

TEST_F(QtWindow, EnterAndSpacePressAFocusedButtonSpaceTogglesACheckBox) {
    const int button = NewCtrl(panel, CTRL_COMMAND_BUTTON, "Go", 10, 10);
    const int check = NewCtrl(panel, CTRL_CHECK_BOX, "Case", 60, 10);
    SetCtrlAttribute(panel, check, ATTR_WIDTH, 13);
    SetCtrlAttribute(panel, check, ATTR_HEIGHT, 13);
    for (int c : {button, check}) SetCtrlAttribute(panel, c, ATTR_CALLBACK_FUNCTION_POINTER, &Calls::callback);
    AutoTypeKey(panel, button, VAL_ENTER_VKEY);
    AutoTypeKey(panel, button, ' ');
    AutoTypeKey(panel, check, ' ');
    int on = 0;
    GetCtrlVal(panel, check, &on);
    EXPECT_EQ(on, 1);
    std::vector<std::string> events;  // without the key event ids
    for (const std::string& e : Calls::log()) events.push_back(e.find(":7:") != std::string::npos ? e.substr(0, e.rfind(':')) : e);
    const std::string b = std::to_string(button), c = std::to_string(check);
    EXPECT_EQ(events, (std::vector<std::string>{b + ":7:1280", b + ":1", b + ":7:32", b + ":1", c + ":7:32", c + ":1"}));
}

namespace {
std::vector<std::string> g_order;
void markDeferred(void*) { g_order.push_back("deferred"); }
int deferringButton(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    g_order.push_back("commit");
    PostDeferredCall(&markDeferred, nullptr);
    ProcessSystemEvents();  // nested: the call waits for this click to end
    g_order.push_back("after nested");
    return 0;
}
}  // namespace

TEST_F(QtWindow, DeferredCallFromAMouseClickWaitsForTheClickToEnd) {
    const int button = NewCtrl(panel, CTRL_COMMAND_BUTTON, "Go", 10, 10);
    SetCtrlAttribute(panel, button, ATTR_CALLBACK_FUNCTION_POINTER, &deferringButton);
    g_order.clear();
    AutoClick(panel, button);
    ProcessSystemEvents();
    EXPECT_EQ(g_order, (std::vector<std::string>{"commit", "after nested", "deferred"}));
}
