// The Qt 6 Widgets backend of the run-time: real windows, the Qt event loop,
// real modal dialogs and popup menus.
#ifndef UIRT_QT_BACKEND_H
#define UIRT_QT_BACKEND_H

#include <QObject>
#include <QPointer>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "attrs.h"
#include "automation.h"
#include "event_queue.h"
#include "menus.h"
#include "backend.h"
#include "qt_widgets.h"

class QEventLoop;
class QMenu;
class QAction;

namespace uirt::qt {

struct Control : CtrlData {
    int id = 0;
    QPointer<QWidget> widget;
    ControlWidget* control = nullptr;  // the same object as widget
    QPointer<QLabel> label;            // null for buttons and text messages
    bool labelPlaced = false;          // label attributes set by the program
    QRect labelRect;                   // the label's place as the program set it
};

struct Panel : PanelData {
    int id = 0;
    int parent = 0;
    int owner = 0;  // ATTR_OWNER_PANEL
    QPointer<PanelWindow> window;
    int nextCtrlId = 1;
    int menuBar = 0;
    std::map<int, std::unique_ptr<Control>> controls;
};

// A menu bar: the model, and its widget when attached to a panel.
struct MenuBar : MenuBarModel {
    int pointSize = 0;
    QPointer<QMenuBar> bar;
};

class QtBackend;

// Receives the backend's posted events (queued keys, deferred calls, value
// changes outside key handling) in the order they were posted.
class EventPump : public QObject {
public:
    explicit EventPump(QtBackend& backend) : backend_(backend) {}

protected:
    void customEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QtBackend& backend_;
};

class QtBackend final : public AutomatedBackend, public ControlHost {
public:
    QtBackend();
    ~QtBackend() override;

    int NewPanel(int parent, const char* title, int top, int left, int height, int width) override;
    int DiscardPanel(int panel) override;
    int DisplayPanel(int panel) override;
    int HidePanel(int panel) override;
    int RunUserInterface() override;
    int QuitUserInterface(int code) override;
    int ProcessSystemEvents() override;
    int PostDeferredCall(DeferredCallbackPtr fn, void* data) override;

    int GetActivePanel() override;
    int SetActivePanel(int panel) override;
    int SetActiveCtrl(int panel, int control) override;
    int GetActiveCtrl(int panel) override;
    int DefaultCtrl(int panel, int control) override;
    int SetWaitCursor(int on) override;
    int GetWaitCursor() override;
    int FakeKeystroke(int key) override;
    int GetRelativeMouseState(int panel, int control, int* x, int* y, int* left, int* right,
                              int* modifiers) override;

    int NewCtrl(int panel, int kind, const char* label, int top, int left, int id) override;
    int DiscardCtrl(int panel, int control) override;
    int SetCtrlVal(int panel, int control, const AttrValue& v) override;
    int GetCtrlVal(int panel, int control, void* out) override;
    int SetCtrlAttribute(int panel, int control, int attr, const AttrValue& v) override;
    int GetCtrlAttribute(int panel, int control, int attr, void* out) override;
    int SetPanelAttribute(int panel, int attr, const AttrValue& v) override;
    int GetPanelAttribute(int panel, int attr, void* out) override;

    TextBoxAccess* textBox(int panel, int control, int* rc) override;

    int NewMenuBar(int panel) override;
    int DiscardMenuBar(int menuBar) override;
    int NewMenu(int menuBar, const char* name, int before) override;
    int NewMenuItem(int menuBar, int menu, const char* name, int before, int shortcut, MenuCallbackPtr cb,
                    void* data) override;
    int InsertSeparator(int menuBar, int menu, int before) override;
    int SetMenuBarAttribute(int menuBar, int item, int attr, const AttrValue& v) override;
    int GetMenuBarAttribute(int menuBar, int item, int attr, void* out) override;
    int RunPopupMenu(int menuBar, int menu, int panel, int top, int left) override;

    int MessagePopup(const char* title, const char* message) override;
    int ConfirmPopup(const char* title, const char* message) override;
    int FileSelectPopup(const char* dir, const char* defaultFile, const char* types, const char* title,
                        int button, int restrictDir, int restrictExt, int allowCancel, int allowMakeDir, char* path) override;

    int ClipboardPutText(const char* text) override;
    int ClipboardGetText(std::string& text, bool& available) override;

    int AutoTypeKey(int panel, int control, int key) override;
    int AutoClick(int panel, int control) override;
    int AutoRightClick(int panel, int control, int x, int y) override;
    int AutoClosePanel(int panel) override;
    int AutoDropFile(int panel, const char* path) override;
    int AutoFindCtrl(int panel, const char* label) override;
    int AutoRenderPanel(int panel, const char* pngPath) override;

    // ControlHost
    void keyPressed(CtrlRef ref, QKeyEvent* event, const KeyHandler& handle) override;
    void edited(CtrlRef ref) override;
    void committed(CtrlRef ref) override;
    void rightClicked(CtrlRef ref, QPoint pos) override;
    void closeRequested(int panel) override;
    void panelActivated(int panel) override;
    void clientResized(int panel) override;
    bool takesDrops(int panel) override;
    void filesDropped(int panel, const QStringList& paths) override;

    // EventPump
    void drain();
    void noteMouse(QPoint global, Qt::MouseButtons buttons);
    // Where keys that reach a hidden window go: the active panel's focused control.
    QWidget* keyTarget();

protected:
    std::vector<int> panelsTitled(std::string_view title) override;
    void queueClick(int panel, int control) override;

private:
    std::map<int, std::unique_ptr<Panel>> panels_;
    std::map<int, std::unique_ptr<MenuBar>> menuBars_;
    int nextPanelId_ = 1;
    int nextMenuBarId_ = 1;
    std::vector<int> activation_;  // panel ids, most recently activated last
    std::unique_ptr<EventPump> pump_;
    // Marks an event being handled, from its start to its very end.
    class EventScope {
    public:
        explicit EventScope(QtBackend& b);
        ~EventScope();
        EventScope(const EventScope&) = delete;
        EventScope& operator=(const EventScope&) = delete;

    private:
        QtBackend& b_;
        std::optional<EventQueue::Handling> handling_;
    };
    EventQueue events_;  // queued keys, clicks, value changes and deferred calls
    bool wakePosted_ = false;   // a wake-up event for the queue is on its way
    bool holdQueue_ = false;    // the queue waits (HidePanel awaits the next active window)
    // ProcessSystemEvents looks at Qt's own events at most every kQtEventsEvery,
    // unless the backend itself posted Qt events since (clicks, closings, deletions).
    std::chrono::steady_clock::time_point qtEventsSeen_{};
    bool qtEventsPosted_ = false;
    int fakedKey_ = 0;                      // code of the queued key being delivered
    const QKeyEvent* fakedEvent_ = nullptr; // its event
    // Controls handling a key, innermost last, with the flag their edits set.
    std::vector<std::pair<std::pair<int, int>, bool*>> editing_;
    std::vector<QEventLoop*> loops_;
    std::optional<int> quitCode_;
    bool waitCursor_ = false;
    QPoint mouseGlobal_;
    Qt::MouseButtons mouseButtons_;

    // Lookups; rc receives UIE_BAD_PANEL / UIE_BAD_CONTROL / UIE_BAD_ATTRIBUTE.
    Panel* panel(int id);
    Control* control(int panelId, int id, int* rc);
    TextBoxWidget* textBoxWidget(int panelId, int id, int* rc);
    MenuBar* menuBar(int id);

    void enqueue(std::function<void()> item, bool held = false);
    void wake();
    bool runOne();
    void runKey(int key, CtrlRef target);
    void click(CtrlRef ref);
    void postMouse(QWidget* target, QPoint local, Qt::MouseButton button);
    void callCtrl(CtrlRef ref, int event, int data1, int data2);
    void callPanel(int panel, int event, int data1, int data2);
    bool runShortcut(CtrlRef ref, int key);
    void deliverKey(QWidget* target, int key);
    int focusedCtrl(Panel& p);
    void processAll();
    void awaitActive(QWidget* w);

    QWidget* createWidget(Panel& p, Control& c);
    void placeLabel(Panel& p, Control& c);
    void showLabel(Control& c);
    void applyFont(QWidget* w, const std::string& font);
    void updateTabOrder(Panel& p);
    int setValue(Control& c, const AttrValue& v);
    int getValue(Control& c, void* out);
    int setCtrlInt(Panel& p, Control& c, int attr, const AttrValue& v);
    int getCtrlInt(Control& c, int attr, void* out);
    int setGeometry(Control& c, int attr, int value);
    // Takes the control's distances to the panel's edges for its anchors.
    void placeAnchored(Panel& p, Control& c);
    void placePanel(Panel& p, int attr, int value);
    void setOwner(Panel& p, Panel* owner);

    void rebuildMenuBar(MenuBar& bar);
    void fillMenu(QMenu& qmenu, MenuBar& bar, Menu& menu, bool live);
    QWidget* dialogParent();
};

}  // namespace uirt::qt

#endif  // UIRT_QT_BACKEND_H
