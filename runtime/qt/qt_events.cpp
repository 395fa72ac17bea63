// Qt backend: the event loop, the queue of faked keys and deferred
// calls, key handling, focus, clicks and the automation of user actions.
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QMimeData>
#include <QUrl>
#include <QEventLoop>
#include <QMouseEvent>
#include <QWindow>
#include <QPixmap>
#include <algorithm>
#include <memory>

#include "cp1251.h"
#include "qt_backend.h"
#include "qt_keys.h"
#include "qt_text.h"

namespace uirt::qt {
namespace {

// Tells the pump that the backend's queue has items.
const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::User + 1);

bool isTextControl(int kind) { return kind == CTRL_TEXT_BOX || kind == CTRL_STRING; }

// A key whose text has no Windows-1251 byte: a text control must not insert it.
bool insertsForeignText(const QKeyEvent& e) {
    const QString text = e.text();
    return !text.isEmpty() && text.at(0).isPrint() && byteOfChar(text.at(0).unicode()) < 0;
}

}  // namespace

// ---- Pump -----------------------------------------------------------------

void EventPump::customEvent(QEvent* e) {
    if (e->type() == kWakeEvent) backend_.drain();
}

bool EventPump::eventFilter(QObject* watched, QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(e);
        backend_.noteMouse(m->globalPosition().toPoint(), m->buttons() | m->button());
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: {
        // The window system may still name a window the program has hidden
        // as the one with the keyboard (its focus events crossed the hiding):
        // such keys belong to the active panel's focused control.
        QWidget* w = qobject_cast<QWidget*>(watched);
        QWindow* win = w ? nullptr : qobject_cast<QWindow*>(watched);
        const bool hidden = w ? w->isWindow() && !w->isVisible() : win && !win->isVisible();
        if (!hidden) break;
        QWidget* target = backend_.keyTarget();
        if (!target || target == w) break;
        auto* k = static_cast<QKeyEvent*>(e);
        QKeyEvent copy(k->type(), k->key(), k->modifiers(), k->nativeScanCode(), k->nativeVirtualKey(),
                       k->nativeModifiers(), k->text(), k->isAutoRepeat(), static_cast<quint16>(k->count()));
        QCoreApplication::sendEvent(target, &copy);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, e);
}

QWidget* QtBackend::keyTarget() {
    Panel* p = panel(GetActivePanel());
    if (!p || !p->window) return nullptr;
    QWidget* focus = p->window->focusWidget();
    return focus ? focus : p->window.data();
}

void QtBackend::noteMouse(QPoint global, Qt::MouseButtons buttons) {
    mouseGlobal_ = global;
    mouseButtons_ = buttons;
}

void QtBackend::enqueue(std::function<void()> item, bool held) {
    if (held) events_.postHeld(std::move(item));
    else events_.post(std::move(item));
    wake();
}

void QtBackend::wake() {
    if (wakePosted_ || events_.empty()) return;
    wakePosted_ = true;
    QCoreApplication::postEvent(pump_.get(), new QEvent(kWakeEvent));
}

QtBackend::EventScope::EventScope(QtBackend& b) : b_(b) { handling_.emplace(b.events_); }

QtBackend::EventScope::~EventScope() {
    handling_.reset();
    b_.wake();  // calls held by this event may run now
}

// Runs the oldest queued item that may run now; false when there is none.
bool QtBackend::runOne() {
    std::function<void()> run;
    if (!events_.take(run)) return false;
    EventScope scope(*this);
    run();
    return true;
}

// Runs queued items, also those queued meanwhile; items may run this again.
void QtBackend::drain() {
    wakePosted_ = false;
    if (holdQueue_) return;  // woken again when the hold ends
    while (runOne()) {
    }
}

void QtBackend::processAll() {
    drain();
    qtEventsPosted_ = false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    drain();
    qtEventsSeen_ = std::chrono::steady_clock::now();
}

// ---- The loop -------------------------------------------------------------

// A program may process events once per item of a long job (a net list of a
// million nets does it a million times). Looking into Qt's event dispatcher
// costs microseconds each time, so it is done at most every 2 ms (input and
// painting are not delayed noticeably); the backend's own queue of keys,
// clicks and deferred calls is run every time.
int QtBackend::ProcessSystemEvents() {
    constexpr auto kQtEventsEvery = std::chrono::milliseconds(2);
    if (qtEventsPosted_ || std::chrono::steady_clock::now() - qtEventsSeen_ >= kQtEventsEvery) processAll();
    else drain();
    return 0;
}

int QtBackend::RunUserInterface() {
    if (quitCode_) {
        const int code = *quitCode_;
        quitCode_.reset();
        return code;
    }
    QEventLoop loop;
    EventQueue::Loop running(events_);
    loops_.push_back(&loop);
    struct Unlist {
        std::vector<QEventLoop*>& loops;
        QEventLoop* loop;
        ~Unlist() { loops.erase(std::find(loops.begin(), loops.end(), loop)); }
    } unlist{loops_, &loop};
    wake();
    return loop.exec();
}

int QtBackend::QuitUserInterface(int code) {
    if (loops_.empty()) quitCode_ = code;
    else loops_.back()->exit(code);
    return 0;
}

int QtBackend::PostDeferredCall(DeferredCallbackPtr fn, void* data) {
    if (!fn) return UIE_BAD_VALUE;
    // A call posted while an event is handled waits until that event is over.
    enqueue([fn, data] { fn(data); }, true);
    return 0;
}

// ---- Callbacks --------------------------------------------------------------

void QtBackend::callCtrl(CtrlRef ref, int event, int data1, int data2) {
    if (ref.ctrl == 0) {
        callPanel(ref.panel, event, data1, data2);
        return;
    }
    int rc = 0;
    Control* c = control(ref.panel, ref.ctrl, &rc);
    if (c && c->callback) c->callback(ref.panel, ref.ctrl, event, c->callbackData, data1, data2);
}

void QtBackend::callPanel(int panelId, int event, int data1, int data2) {
    Panel* p = panel(panelId);
    if (p && p->callback) p->callback(panelId, 0, event, p->callbackData, data1, data2);
}

void QtBackend::committed(CtrlRef ref) {
    EventScope scope(*this);
    callCtrl(ref, EVENT_COMMIT, 0, 0);
}

void QtBackend::edited(CtrlRef ref) {
    const std::pair<int, int> key{ref.panel, ref.ctrl};
    for (auto it = editing_.rbegin(); it != editing_.rend(); ++it) {
        if (it->first == key) {
            *it->second = true;
            return;
        }
    }
    // An edit outside key handling (mouse paste, spin arrows): reported next.
    enqueue([this, ref] { callCtrl(ref, EVENT_VAL_CHANGED, 0, 0); });
}

void QtBackend::rightClicked(CtrlRef ref, QPoint pos) {
    if (Panel* p = panel(ref.panel)) mouseGlobal_ = p->window->client()->mapToGlobal(pos);
    EventScope scope(*this);
    callCtrl(ref, EVENT_RIGHT_CLICK, pos.y(), pos.x());
}

void QtBackend::closeRequested(int panelId) {
    Panel* p = panel(panelId);
    if (!p) return;
    EventScope scope(*this);
    int rc = 0;
    const int closeCtrl = p->closeCtrl;
    if (closeCtrl && control(panelId, closeCtrl, &rc)) callCtrl({panelId, closeCtrl}, EVENT_COMMIT, 0, 0);
    callPanel(panelId, EVENT_CLOSE, 0, 0);
}

// ---- Keys -------------------------------------------------------------------

int QtBackend::FakeKeystroke(int key) {
    enqueue([this, key] { runKey(key, {}); });
    return 0;
}

// Delivers a queued key as a Qt key event to the focused control of the
// active panel (or of target's panel), through the widget's own event path.
void QtBackend::runKey(int key, CtrlRef target) {
    const int panelId = target.panel ? target.panel : GetActivePanel();
    Panel* p = panel(panelId);
    if (!p) return;
    const int focused = target.ctrl ? target.ctrl : focusedCtrl(*p);
    int rc = 0;
    Control* c = focused ? control(panelId, focused, &rc) : nullptr;
    QWidget* receiver = c ? c->widget.data() : p->window.data();
    if (!receiver) return;
    deliverKey(receiver, key);
}

void QtBackend::deliverKey(QWidget* target, int key) {
    std::unique_ptr<QKeyEvent> e = keyEventOf(key);
    if (!e) return;
    const int savedKey = fakedKey_;
    const QKeyEvent* savedEvent = fakedEvent_;
    fakedKey_ = key;
    fakedEvent_ = e.get();
    QCoreApplication::sendEvent(target, e.get());
    fakedKey_ = savedKey;
    fakedEvent_ = savedEvent;
}

// Every key press of a control: key-press callback, shortcut keys, the
// control's own handling, then the value-changed event.
void QtBackend::keyPressed(CtrlRef ref, QKeyEvent* e, const KeyHandler& handle) {
    int rc = 0;
    Control* c = ref.ctrl ? control(ref.panel, ref.ctrl, &rc) : nullptr;
    if (ref.ctrl && (!c || !c->widget->isEnabled())) return;
    const int code = e == fakedEvent_ ? fakedKey_ : keyCodeOf(*e);
    EventScope scope(*this);
    if (code == 0) {
        // No code (a lone modifier, Alt combinations): the widget alone handles it.
        if (c && !(isTextControl(c->kind) && insertsForeignText(*e))) handle(e);
        return;
    }
    int key = code;
    {
        KeyEvents::Scope record(keyEvents_, code);
        if (ref.ctrl) callCtrl(ref, EVENT_KEYPRESS, code, record.id());  // keys reach control callbacks only
        key = record.key();
    }
    Panel* p = panel(ref.panel);
    if (key == 0 || !p) return;
    if (runShortcut(ref, key)) return;
    if (!ref.ctrl || !(c = control(ref.panel, ref.ctrl, &rc))) return;
    if (c->kind == CTRL_STRING && key == VAL_ENTER_VKEY) {
        callCtrl(ref, EVENT_COMMIT, 0, 0);
        return;
    }
    std::unique_ptr<QKeyEvent> replaced;
    QKeyEvent* k = e;
    if (key != code) {
        if (!(replaced = keyEventOf(key))) return;
        k = replaced.get();
    }
    bool changed = false;
    editing_.emplace_back(std::pair(ref.panel, ref.ctrl), &changed);
    handle(k);
    editing_.pop_back();
    if (changed && control(ref.panel, ref.ctrl, &rc)) callCtrl(ref, EVENT_VAL_CHANGED, 0, 0);
}

// A key equal to another control's shortcut operates that control; so does
// a menu item's accelerator on the panel's menu bar.
bool QtBackend::runShortcut(CtrlRef ref, int key) {
    Panel* p = panel(ref.panel);
    if (!p) return false;
    for (auto& [id, c] : p->controls) {
        // A focused button's own shortcut operates it too; a text control's
        // does not (the key is the text control's own).
        if (c->shortcutKey == key && (id != ref.ctrl || c->kind == CTRL_COMMAND_BUTTON) && c->widget &&
            c->widget->isEnabled()) {
            click({ref.panel, id});
            return true;
        }
    }
    for (auto& [barId, bar] : menuBars_) {
        if (bar->panel != ref.panel) continue;
        if (const MenuItem* item = bar->itemForShortcut(key)) {
            if (item->callback) item->callback(barId, item->id, item->callbackData, ref.panel);
            return true;
        }
    }
    return false;
}

// Operates a control as a left click would: a check box toggles, then commits.
void QtBackend::click(CtrlRef ref) {
    int rc = 0;
    Control* c = control(ref.panel, ref.ctrl, &rc);
    if (!c || !c->widget->isEnabled()) return;
    if (c->kind == CTRL_CHECK_BOX) {
        ControlWidget::ProgramEdit guard(*c->control);
        auto* box = static_cast<QCheckBox*>(c->widget.data());
        box->setChecked(!box->isChecked());
    }
    callCtrl(ref, EVENT_COMMIT, 0, 0);
}

// ---- Focus ------------------------------------------------------------------

int QtBackend::focusedCtrl(Panel& p) {
    ControlWidget* w = controlOf(p.window->focusWidget());
    if (!w || w->ref().panel != p.id) return 0;
    return p.controls.count(w->ref().ctrl) ? w->ref().ctrl : 0;
}

int QtBackend::SetActiveCtrl(int panelId, int id) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return rc;
    c->widget->setFocus(Qt::OtherFocusReason);
    return 0;
}

int QtBackend::GetActiveCtrl(int panelId) {
    Panel* p = panel(panelId);
    return p ? focusedCtrl(*p) : UIE_BAD_PANEL;
}

int QtBackend::SetWaitCursor(int on) {
    const bool want = on != 0;
    if (want == waitCursor_) return 0;
    waitCursor_ = want;
    if (want) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
    return 0;
}

int QtBackend::GetWaitCursor() { return waitCursor_ ? 1 : 0; }

int QtBackend::GetRelativeMouseState(int panelId, int id, int* x, int* y, int* left, int* right, int* modifiers) {
    Panel* p = panel(panelId);
    if (!p) return UIE_BAD_PANEL;
    QWidget* origin = p->window->client();
    if (id != 0) {
        int rc = 0;
        Control* c = control(panelId, id, &rc);
        if (!c) return rc;
        origin = c->widget;
    }
    const QPoint at = origin->mapFromGlobal(mouseGlobal_);
    if (x) *x = at.x();
    if (y) *y = at.y();
    if (left) *left = (mouseButtons_ & Qt::LeftButton) ? 1 : 0;
    if (right) *right = (mouseButtons_ & Qt::RightButton) ? 1 : 0;
    if (modifiers) {
        const Qt::KeyboardModifiers mods = QGuiApplication::keyboardModifiers();
        *modifiers = ((mods & Qt::ControlModifier) ? VAL_MENUKEY_MODIFIER : 0) |
                     ((mods & Qt::ShiftModifier) ? VAL_SHIFT_MODIFIER : 0);
    }
    return 0;
}

// ---- Automation of user actions ----------------------------------------------

void QtBackend::postMouse(QWidget* target, QPoint local, Qt::MouseButton button) {
    qtEventsPosted_ = true;
    const QPointF global = target->mapToGlobal(QPointF(local));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, QPointF(local), global, button,
                                                        button, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(local), global,
                                                        button, Qt::NoButton, Qt::NoModifier));
}

// The widget that receives the control's mouse events.
static QWidget* mouseTarget(Control& c) {
    if (c.kind == CTRL_TEXT_BOX) return static_cast<TextBoxWidget*>(c.control)->mouseTarget();
    return c.widget;
}

int QtBackend::AutoTypeKey(int panelId, int id, int key) {
    int rc = 0;
    if (!control(panelId, id, &rc)) return rc;
    SetActivePanel(panelId);
    SetActiveCtrl(panelId, id);
    enqueue([this, key, panelId] {
        Panel* p = panel(panelId);
        if (p) runKey(key, {panelId, focusedCtrl(*p)});
    });
    processAll();
    return 0;
}

// The press and release go to the widget through Qt's event queue.
void QtBackend::queueClick(int panelId, int id) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return;
    QWidget* target = mouseTarget(*c);
    const QPoint at = c->kind == CTRL_CHECK_BOX ? static_cast<CheckWidget*>(c->control)->clickPoint()
                                                : target->rect().center();
    postMouse(target, at, Qt::LeftButton);
}

int QtBackend::AutoClick(int panelId, int id) {
    int rc = 0;
    if (!control(panelId, id, &rc)) return rc;
    queueClick(panelId, id);
    processAll();
    return 0;
}

int QtBackend::AutoRightClick(int panelId, int id, int x, int y) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return rc;
    QWidget* client = panel(panelId)->window->client();
    QWidget* target = mouseTarget(*c);
    postMouse(target, target->mapFrom(client, QPoint(x, y)), Qt::RightButton);
    processAll();
    return 0;
}

int QtBackend::AutoClosePanel(int panelId) {
    Panel* p = panel(panelId);
    if (!p) return UIE_BAD_PANEL;
    QCoreApplication::postEvent(p->window.data(), new QCloseEvent);
    qtEventsPosted_ = true;
    processAll();
    return 0;
}

int QtBackend::AutoDropFile(int panelId, const char* path) {
    Panel* p = panel(panelId);
    if (!p) return UIE_BAD_PANEL;
    auto data = std::make_shared<QMimeData>();
    data->setUrls({QUrl::fromLocalFile(toQString(path))});
    QPointer<PanelWindow> window = p->window;
    // Handled as user input: when events are processed, as the window takes a drop.
    enqueue([window, data] {
        if (window) window->takeDrop(data.get());
    });
    processAll();
    return 0;
}

bool QtBackend::takesDrops(int panelId) {
    Panel* p = panel(panelId);
    return p && p->callback;
}

void QtBackend::filesDropped(int panelId, const QStringList& paths) {
    Panel* p = panel(panelId);
    if (!p) return;
    EventScope scope(*this);
    // The first file whose name Windows-1251 can hold.
    for (const QString& path : paths) {
        bool lossless = false;
        std::string name = cp1251::from_utf8(path.toStdString(), '?', &lossless);
        if (!lossless || name.size() >= MAX_PATHNAME_LEN) continue;
        p->droppedFile = std::move(name);
        callPanel(panelId, EVENT_FILES_DROPPED, static_cast<int>(paths.size()), 0);
        if ((p = panel(panelId))) p->droppedFile.clear();
        return;
    }
}

std::vector<int> QtBackend::panelsTitled(std::string_view title) {
    std::vector<int> ids;
    for (auto& [id, p] : panels_)
        if (p->title == title) ids.push_back(id);
    return ids;
}

int QtBackend::AutoFindCtrl(int panelId, const char* label) {
    Panel* p = panel(panelId);
    if (!p) return UIE_BAD_PANEL;
    for (auto& [id, c] : p->controls)
        if (label && c->labelText == label) return id;
    return UIE_BAD_CONTROL;
}

int QtBackend::AutoRenderPanel(int panelId, const char* pngPath) {
    Panel* p = panel(panelId);
    if (!p) return UIE_BAD_PANEL;
    if (!pngPath) return UIE_BAD_VALUE;
    for (auto& [id, c] : p->controls) {
        if (c->kind != CTRL_TEXT_BOX) continue;
        auto* box = static_cast<TextBoxWidget*>(c->control);
        box->flush();
        box->syncLayout();
    }
    const QPixmap image = p->window->grab();
    if (image.isNull()) return UIE_FAILURE;
    return image.save(QString::fromLocal8Bit(pngPath), "PNG") ? 0 : UIE_FILE_ERROR;
}

}  // namespace uirt::qt
