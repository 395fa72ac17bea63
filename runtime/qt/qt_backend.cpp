// Qt backend: panels, controls, attributes and text boxes.
#include "qt_backend.h"

#include <QApplication>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <cstring>

#include "qt_text.h"

namespace uirt::qt {
namespace {

QRect screenArea() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1920, 1080);
}

// A text field's selection runs from its anchor to its caret.
int fieldAnchor(const QLineEdit& f) {
    if (!f.hasSelectedText()) return f.cursorPosition();
    const int start = f.selectionStart();
    return f.cursorPosition() == start ? f.selectionEnd() : start;
}

// Selects from anchor to caret, both clamped to the field's text.
void selectInField(QLineEdit& f, int anchor, int caret) {
    const int len = static_cast<int>(f.text().size());
    anchor = std::clamp(anchor, 0, len);
    caret = std::clamp(caret, 0, len);
    if (anchor == caret) {
        f.deselect();
        f.setCursorPosition(caret);
    } else {
        f.setSelection(anchor, caret - anchor);
    }
}

}  // namespace

// ---- Lookup ---------------------------------------------------------------

Panel* QtBackend::panel(int id) {
    auto it = panels_.find(id);
    return it == panels_.end() ? nullptr : it->second.get();
}

Control* QtBackend::control(int panelId, int id, int* rc) {
    Panel* p = panel(panelId);
    if (!p) {
        *rc = UIE_BAD_PANEL;
        return nullptr;
    }
    auto it = p->controls.find(id);
    if (it == p->controls.end()) {
        *rc = UIE_BAD_CONTROL;
        return nullptr;
    }
    *rc = 0;
    return it->second.get();
}

TextBoxWidget* QtBackend::textBoxWidget(int panelId, int id, int* rc) {
    Control* c = control(panelId, id, rc);
    if (!c) return nullptr;
    if (c->kind != CTRL_TEXT_BOX) {
        *rc = UIE_BAD_CONTROL;
        return nullptr;
    }
    return static_cast<TextBoxWidget*>(c->control);
}

// ---- Panels ---------------------------------------------------------------

int QtBackend::NewPanel(int parent, const char* title, int top, int left, int height, int width) {
    Panel* parentPanel = nullptr;
    if (parent != 0 && !(parentPanel = panel(parent))) return UIE_BAD_PANEL;
    if (height < 0 || width < 0) return UIE_BAD_VALUE;
    auto p = std::make_unique<Panel>();
    p->id = nextPanelId_++;
    p->parent = parent;
    p->title = title ? title : "";
    p->window = new PanelWindow(*this, p->id, parentPanel ? parentPanel->window->client() : nullptr);
    p->window->setWindowTitle(toQString(p->title));
    p->window->setClientSize(width, height);
    p->window->hide();
    placePanel(*p, ATTR_TOP, top);
    placePanel(*p, ATTR_LEFT, left);
    const int id = p->id;
    panels_[id] = std::move(p);
    return id;
}

void QtBackend::placePanel(Panel& p, int attr, int value) {
    PanelWindow* w = p.window;
    const QRect area = p.parent == 0 ? screenArea() : QRect(QPoint(0, 0), w->parentWidget()->size());
    QPoint at = w->geometry().topLeft();
    if (attr == ATTR_TOP)
        at.setY(value == VAL_AUTO_CENTER ? area.top() + std::max((area.height() - w->height()) / 2, 0) : value);
    else
        at.setX(value == VAL_AUTO_CENTER ? area.left() + std::max((area.width() - w->width()) / 2, 0) : value);
    w->setGeometry(QRect(at, w->size()));
}

int QtBackend::DiscardPanel(int id) {
    Panel* p = panel(id);
    if (!p) return UIE_BAD_PANEL;
    std::vector<int> children;
    for (auto& [cid, child] : panels_)
        if (child->parent == id) children.push_back(cid);
    for (int cid : children) DiscardPanel(cid);
    // Windows it owns outlive it, as windows of their own.
    for (auto& [oid, owned] : panels_)
        if (owned->owner == id) setOwner(*owned, nullptr);
    for (auto it = menuBars_.begin(); it != menuBars_.end();) {
        if (it->second->panel == id) it = menuBars_.erase(it);
        else ++it;
    }
    if (p->window) {
        p->window->hide();
        p->window->deleteLater();  // a callback of one of its widgets may be running
        qtEventsPosted_ = true;
    }
    panels_.erase(id);
    activation_.erase(std::remove(activation_.begin(), activation_.end(), id), activation_.end());
    return 0;
}

int QtBackend::DisplayPanel(int id) {
    Panel* p = panel(id);
    if (!p) return UIE_BAD_PANEL;
    for (auto& [cid, c] : p->controls)
        if (c->kind == CTRL_TEXT_BOX) static_cast<TextBoxWidget*>(c->control)->flush();
    p->window->show();
    const int rc = SetActivePanel(id);
    answerDisplayedPanel(id, p->title);
    return rc;
}

// Hiding the panel that has the keyboard focus hands the focus to the panel
// that becomes active (the one activated most recently of those still shown)
// and there to the control that had it. Were the window simply unmapped, the
// window manager would pick the next focused window itself, after the fact,
// and the program would learn of it through focus events that may cross the
// unmapping; every so often no window of the program ended up with the keys.
// So the next panel is activated first, while the hidden one still holds the
// focus, and is seen active before the window goes; only then is it unmapped.
int QtBackend::HidePanel(int id) {
    Panel* p = panel(id);
    if (!p) return UIE_BAD_PANEL;
    if (!p->window->isVisible()) return 0;
    const bool hadFocus = GetActivePanel() == id;
    int next = 0;
    if (hadFocus) {
        for (auto it = activation_.rbegin(); it != activation_.rend() && !next; ++it) {
            Panel* q = panel(*it);
            if (*it != id && q && q->window->isVisible()) next = *it;
        }
    }
    Panel* n = next ? panel(next) : nullptr;
    QWidget* nextWindow = n ? n->window->window() : nullptr;
    if (nextWindow && nextWindow != p->window->window()) {
        nextWindow->activateWindow();
        awaitActive(nextWindow);
    }
    p->window->hide();
    if (n) {
        activation_.erase(std::remove(activation_.begin(), activation_.end(), next), activation_.end());
        activation_.push_back(next);
        if (nextWindow && !nextWindow->isActiveWindow()) nextWindow->activateWindow();
        if (QWidget* focus = n->window->focusWidget()) focus->setFocus(Qt::ActiveWindowFocusReason);
    }
    return 0;
}

// Lets the window system's events (not the user's input, nor the run-time's
// queue: no callback runs) be processed until w is the active window, for at
// most a second (the window manager may refuse).
void QtBackend::awaitActive(QWidget* w) {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    QPointer<QWidget> guard(w);
    holdQueue_ = true;
    while (guard && !guard->isActiveWindow() && std::chrono::steady_clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (guard && !guard->isActiveWindow()) QThread::msleep(2);
    }
    holdQueue_ = false;
    wake();
}

int QtBackend::GetActivePanel() {
    for (auto it = activation_.rbegin(); it != activation_.rend(); ++it) {
        Panel* p = panel(*it);
        if (p && p->window->isVisible()) return *it;
    }
    return 0;
}

int QtBackend::SetActivePanel(int id) {
    Panel* p = panel(id);
    if (!p) return UIE_BAD_PANEL;
    activation_.erase(std::remove(activation_.begin(), activation_.end(), id), activation_.end());
    activation_.push_back(id);
    if (p->window->isVisible() && p->parent == 0 && !p->window->isActiveWindow()) {
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) p->window->raise();
        p->window->activateWindow();
    }
    return 0;
}

void QtBackend::panelActivated(int id) {
    if (!panel(id)) return;
    activation_.erase(std::remove(activation_.begin(), activation_.end(), id), activation_.end());
    activation_.push_back(id);
}

int QtBackend::SetPanelAttribute(int id, int attr, const AttrValue& v) {
    Panel* p = panel(id);
    if (!p) return UIE_BAD_PANEL;
    PanelWindow* w = p->window;
    switch (attr) {
    case ATTR_TITLE:
        setPanelData(*p, attr, v);
        w->setWindowTitle(toQString(p->title));
        break;
    case ATTR_TOP:
    case ATTR_LEFT: placePanel(*p, attr, v.i); break;
    case ATTR_HEIGHT:
        if (v.i < 0) return UIE_BAD_VALUE;
        w->setClientSize(w->clientSize().width(), v.i);
        break;
    case ATTR_WIDTH:
        if (v.i < 0) return UIE_BAD_VALUE;
        w->setClientSize(v.i, w->clientSize().height());
        break;
    case ATTR_VISIBLE: return v.i ? DisplayPanel(id) : HidePanel(id);
    case ATTR_RESIZABLE:
        setPanelData(*p, attr, v);
        w->setResizable(p->resizable);
        break;
    case ATTR_OWNER_PANEL: {
        Panel* owner = v.i ? panel(v.i) : nullptr;
        if (p->parent != 0) return UIE_BAD_ATTRIBUTE;
        if (v.i != 0 && (!owner || v.i == id)) return UIE_BAD_VALUE;
        if (v.i != p->owner) setOwner(*p, owner);
        break;
    }
    default: return setPanelData(*p, attr, v);
    }
    return 0;
}

// An owned panel's window is a tool window of the owner's top-level window,
// which the window system keeps it above; without an owner it is a window of
// its own again. The window keeps its place, size and visibility.
void QtBackend::setOwner(Panel& p, Panel* owner) {
    PanelWindow* w = p.window;
    const QRect at = w->geometry();
    const bool shown = w->isVisible();
    p.owner = owner ? owner->id : 0;
    AttrValue v;
    v.i = p.owner;
    setPanelData(p, ATTR_OWNER_PANEL, v);
    w->setParent(owner ? owner->window->window() : nullptr, owner ? Qt::Tool : Qt::Window);
    w->setGeometry(at);
    if (shown) w->show();
}

void QtBackend::clientResized(int id) {
    Panel* p = panel(id);
    if (!p) return;
    const QSize size = p->window->clientSize();
    for (auto& [cid, c] : p->controls) {
        if (!c->widget) continue;
        const QRect g = c->widget->geometry();
        const Box b = c->anchoring.follow({g.left(), g.top(), g.width(), g.height()}, size.width(), size.height());
        const QRect to(b.left, b.top, b.width, b.height);
        if (to == g) continue;
        c->widget->setGeometry(to);
        if (c->kind == CTRL_TEXT_BOX) static_cast<TextBoxWidget*>(c->control)->syncLayout();
        placeLabel(*p, *c);
    }
}

void QtBackend::placeAnchored(Panel& p, Control& c) {
    const QRect g = c.widget->geometry();
    const QSize size = p.window->clientSize();
    c.anchoring.place({g.left(), g.top(), g.width(), g.height()}, size.width(), size.height());
}

int QtBackend::GetPanelAttribute(int id, int attr, void* out) {
    Panel* p = panel(id);
    if (!p) return UIE_BAD_PANEL;
    PanelWindow* w = p->window;
    int* i = static_cast<int*>(out);
    switch (attr) {
    case ATTR_TOP: *i = w->geometry().top(); break;
    case ATTR_LEFT: *i = w->geometry().left(); break;
    case ATTR_HEIGHT: *i = w->clientSize().height(); break;
    case ATTR_WIDTH: *i = w->clientSize().width(); break;
    case ATTR_VISIBLE: *i = w->isVisible() ? 1 : 0; break;
    default: return getPanelData(*p, attr, out);
    }
    return 0;
}

// ---- Controls -------------------------------------------------------------

QWidget* QtBackend::createWidget(Panel& p, Control& c) {
    QWidget* parent = p.window->client();
    const CtrlRef ref{p.id, c.id};
    switch (c.kind) {
    case CTRL_TEXT_BOX: return new TextBoxWidget(*this, ref, parent);
    case CTRL_STRING: return new StringWidget(*this, ref, parent);
    case CTRL_NUMERIC: return new NumericWidget(*this, ref, parent);
    case CTRL_COMMAND_BUTTON: return new ButtonWidget(*this, ref, parent);
    case CTRL_CHECK_BOX: return new CheckWidget(*this, ref, parent);
    case CTRL_PROGRESS_BAR: return new ProgressWidget(*this, ref, parent);
    default: return new TextMsgWidget(*this, ref, parent);
    }
}

int QtBackend::NewCtrl(int panelId, int kind, const char* label, int top, int left, int requestedId) {
    Panel* p = panel(panelId);
    if (!p) return UIE_BAD_PANEL;
    if (!isKnownCtrlKind(kind)) return UIE_BAD_VALUE;
    const int newId = claimCtrlId(requestedId, p->controls.count(requestedId) != 0, &p->nextCtrlId);
    if (newId < 0) return newId;
    auto c = std::make_unique<Control>();
    c->id = newId;
    c->kind = kind;
    c->labelText = label ? label : "";
    c->tabPosition = c->id - 1;
    QWidget* w = createWidget(*p, *c);
    c->widget = w;
    c->control = dynamic_cast<ControlWidget*>(w);
    const ControlSize size = defaultControlSize(kind);
    w->setGeometry(left, top, size.width, size.height);
    if (kind == CTRL_COMMAND_BUTTON) {
        static_cast<QPushButton*>(w)->setText(literalAmpersands(c->labelText));
    } else if (kind != CTRL_TEXT_MSG) {
        c->label = new QLabel(toQString(c->labelText), p->window->client());
        c->label->setTextFormat(Qt::PlainText);
        c->label->setVisible(!c->labelText.empty());
    }
    w->show();
    Control& ref = *c;
    const int id = c->id;
    p->controls[id] = std::move(c);
    placeLabel(*p, ref);
    placeAnchored(*p, ref);
    if (kind == CTRL_TEXT_BOX) static_cast<TextBoxWidget*>(w)->syncLayout();
    if (isFocusableKind(kind) && !p->window->focusWidget()) w->setFocus(Qt::OtherFocusReason);
    updateTabOrder(*p);
    return id;
}

int QtBackend::DiscardCtrl(int panelId, int id) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return rc;
    if (c->widget) {
        c->widget->hide();
        c->widget->deleteLater();
        qtEventsPosted_ = true;
    }
    if (c->label) c->label->deleteLater();
    panel(panelId)->controls.erase(id);
    return 0;
}

// A label placed by the program keeps its place but is never cut short:
// the platform's font may be wider than the one the place was made for.
void QtBackend::showLabel(Control& c) {
    const QSize hint = c.label->sizeHint();
    const QRect& r = c.labelRect;
    c.label->setGeometry(r.left(), r.top(), std::max(r.width(), hint.width()), std::max(r.height(), hint.height()));
}

// Default label place: above the control, a check box's to its right.
void QtBackend::placeLabel(Panel&, Control& c) {
    if (!c.label) return;
    if (c.labelPlaced) {
        showLabel(c);
        return;
    }
    const QRect g = c.widget->geometry();
    const QSize hint = c.label->sizeHint();
    if (c.kind == CTRL_CHECK_BOX) c.label->setGeometry(g.right() + 4, g.top(), hint.width(), std::max(hint.height(), g.height()));
    else c.label->setGeometry(g.left(), g.top() - hint.height() - 1, hint.width(), hint.height());
}

void QtBackend::applyFont(QWidget* w, const std::string& font) {
    // Names such as "Default" or "VAL_DIALOG_META_FONT" mean the platform's font.
    if (font.empty() || font == "Default" || font.rfind("VAL_", 0) == 0) {
        w->setFont(QFont());
        return;
    }
    QFont f = w->font();
    f.setFamily(toQString(font));
    w->setFont(f);
}

void QtBackend::updateTabOrder(Panel& p) {
    std::vector<Control*> order;
    for (auto& [id, c] : p.controls)
        if (c->widget) order.push_back(c.get());
    std::stable_sort(order.begin(), order.end(),
                     [](const Control* a, const Control* b) { return a->tabPosition < b->tabPosition; });
    for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1]->widget, order[i]->widget);
}

int QtBackend::setValue(Control& c, const AttrValue& v) {
    ControlWidget::ProgramEdit guard(*c.control);
    QWidget* w = c.widget;
    switch (c.kind) {
    case CTRL_COMMAND_BUTTON: return UIE_BAD_ATTRIBUTE;
    case CTRL_TEXT_BOX:
        if (!v.s) return UIE_BAD_VALUE;
        static_cast<TextBoxWidget*>(w)->resetText(v.s);
        return 0;
    case CTRL_STRING: {
        if (!v.s) return UIE_BAD_VALUE;
        std::string_view text(v.s);
        static_cast<QLineEdit*>(w)->setText(toQString(text.substr(0, text.find('\n'))));
        return 0;
    }
    case CTRL_TEXT_MSG: {
        if (!v.s) return UIE_BAD_VALUE;
        auto* label = static_cast<QLabel*>(w);
        label->setText(toQString(v.s));
        // A text message grows to show its whole text.
        const QSize hint = label->sizeHint();
        if (hint.width() > label->width() || hint.height() > label->height())
            label->resize(std::max(hint.width(), label->width()), std::max(hint.height(), label->height()));
        return 0;
    }
    case CTRL_NUMERIC: static_cast<QSpinBox*>(w)->setValue(v.i); return 0;
    case CTRL_CHECK_BOX: static_cast<QCheckBox*>(w)->setChecked(v.i != 0); return 0;
    case CTRL_PROGRESS_BAR: static_cast<QProgressBar*>(w)->setValue(std::clamp(v.i, 0, 100)); return 0;
    default: return UIE_BAD_VALUE;
    }
}

int QtBackend::getValue(Control& c, void* out) {
    QWidget* w = c.widget;
    int* i = static_cast<int*>(out);
    switch (c.kind) {
    case CTRL_COMMAND_BUTTON: return UIE_BAD_ATTRIBUTE;
    case CTRL_TEXT_BOX: copyText(static_cast<TextBoxWidget*>(w)->text(), out); return 0;
    case CTRL_STRING: copyText(fromQString(static_cast<QLineEdit*>(w)->text()), out); return 0;
    case CTRL_TEXT_MSG: copyText(fromQString(static_cast<QLabel*>(w)->text()), out); return 0;
    case CTRL_NUMERIC: *i = static_cast<QSpinBox*>(w)->value(); return 0;
    case CTRL_CHECK_BOX: *i = static_cast<QCheckBox*>(w)->isChecked() ? 1 : 0; return 0;
    case CTRL_PROGRESS_BAR: *i = static_cast<QProgressBar*>(w)->value(); return 0;
    default: return UIE_BAD_VALUE;
    }
}

int QtBackend::SetCtrlVal(int panelId, int id, const AttrValue& v) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    return c ? setValue(*c, v) : rc;
}

int QtBackend::GetCtrlVal(int panelId, int id, void* out) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    return c ? getValue(*c, out) : rc;
}

int QtBackend::DefaultCtrl(int panelId, int id) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return rc;
    if (c->kind == CTRL_COMMAND_BUTTON) return 0;
    AttrValue v;
    v.s = c->defaultText.c_str();
    v.i = c->defaultValue;
    return setValue(*c, v);
}

int QtBackend::setGeometry(Control& c, int attr, int value) {
    QRect g = c.widget->geometry();
    switch (attr) {
    case ATTR_TOP: g.moveTop(value); break;
    case ATTR_LEFT: g.moveLeft(value); break;
    case ATTR_WIDTH: g.setWidth(value); break;
    default: g.setHeight(value); break;
    }
    c.widget->setGeometry(g);
    if (c.kind == CTRL_TEXT_BOX) static_cast<TextBoxWidget*>(c.control)->syncLayout();
    return 0;
}

int QtBackend::setCtrlInt(Panel& p, Control& c, int attr, const AttrValue& v) {
    const int value = v.i;
    const bool text = isTextKind(c.kind) && c.kind != CTRL_TEXT_MSG;
    auto* box = c.kind == CTRL_TEXT_BOX ? static_cast<TextBoxWidget*>(c.control) : nullptr;
    auto* field = c.kind == CTRL_STRING ? static_cast<QLineEdit*>(c.widget.data()) : nullptr;
    switch (attr) {
    case ATTR_DIMMED:
        c.widget->setEnabled(value == 0);
        if (c.label) c.label->setEnabled(value == 0);
        break;
    case ATTR_VISIBLE:
        c.widget->setVisible(value != 0);
        if (c.label) c.label->setVisible(value != 0 && !c.labelText.empty());
        break;
    case ATTR_WIDTH:
    case ATTR_HEIGHT:
        if (value < 0) return UIE_BAD_VALUE;
        [[fallthrough]];
    case ATTR_TOP:
    case ATTR_LEFT:
        setGeometry(c, attr, value);
        placeLabel(p, c);
        placeAnchored(p, c);
        break;
    case ATTR_ANCHOR:
        if (int rc = setCtrlData(c, attr, v); rc < 0) return rc;
        placeAnchored(p, c);
        break;
    case ATTR_LABEL_TOP:
    case ATTR_LABEL_LEFT:
    case ATTR_LABEL_WIDTH:
    case ATTR_LABEL_HEIGHT: {
        if (!c.label) {
            c.extra.set(attr, value);
            break;
        }
        QRect g = c.labelPlaced ? c.labelRect : c.label->geometry();
        if (attr == ATTR_LABEL_TOP) g.moveTop(value);
        if (attr == ATTR_LABEL_LEFT) g.moveLeft(value);
        if (attr == ATTR_LABEL_WIDTH) g.setWidth(value);
        if (attr == ATTR_LABEL_HEIGHT) g.setHeight(value);
        c.labelPlaced = true;
        c.labelRect = g;
        showLabel(c);
        break;
    }
    case ATTR_CTRL_TAB_POSITION:
        setCtrlData(c, attr, v);
        updateTabOrder(p);
        break;
    case ATTR_MAX_ENTRY_LENGTH:
        if (int rc = setCtrlData(c, attr, v); rc < 0) return rc;
        if (field) {
            // A lower maximum cuts the value; the selection stays where the program left it.
            const int anchor = fieldAnchor(*field), caret = field->cursorPosition();
            ControlWidget::ProgramEdit guard(*c.control);
            field->setMaxLength(value < 0 ? 32767 : value);
            selectInField(*field, anchor, caret);
        }
        break;
    case ATTR_TEXT_SELECTION_START:
    case ATTR_TEXT_SELECTION_LENGTH:
        if (!text) return UIE_BAD_ATTRIBUTE;
        if (box && attr == ATTR_TEXT_SELECTION_START) box->setSelectionStart(value);
        if (box && attr == ATTR_TEXT_SELECTION_LENGTH) box->setSelectionLength(value);
        if (field) {
            const int len = static_cast<int>(field->text().size());
            int start = field->selectionStart() < 0 ? field->cursorPosition() : field->selectionStart();
            int length = static_cast<int>(field->selectedText().size());
            if (attr == ATTR_TEXT_SELECTION_START) start = std::clamp(value, 0, len);
            else length = value;
            selectInField(*field, start, start + std::clamp(length, 0, len - start));
        }
        break;
    case ATTR_FIRST_VISIBLE_LINE:
        if (!box) return UIE_BAD_ATTRIBUTE;
        box->setFirstVisibleLine(value);
        break;
    default: return setCtrlData(c, attr, v);
    }
    return 0;
}

int QtBackend::SetCtrlAttribute(int panelId, int id, int attr, const AttrValue& v) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return rc;
    Panel& p = *panel(panelId);
    switch (attr) {
    case ATTR_LABEL_TEXT:
        setCtrlData(*c, attr, v);
        if (c->kind == CTRL_COMMAND_BUTTON) static_cast<QPushButton*>(c->widget.data())->setText(literalAmpersands(c->labelText));
        if (c->label) {
            c->label->setText(toQString(c->labelText));
            c->label->setVisible(!c->labelText.empty() && c->widget->isVisibleTo(p.window->client()));
            placeLabel(p, *c);
        }
        return 0;
    case ATTR_TEXT_FONT:
        setCtrlData(*c, attr, v);
        applyFont(c->widget, c->textFont);
        return 0;
    case ATTR_LABEL_FONT:
        setCtrlData(*c, attr, v);
        if (c->label) {
            applyFont(c->label, c->labelFont);
            placeLabel(p, *c);
        }
        return 0;
    case ATTR_CTRL_VAL: return setValue(*c, v);
    default: return setCtrlInt(p, *c, attr, v);
    }
}

int QtBackend::getCtrlInt(Control& c, int attr, void* out) {
    int* i = static_cast<int*>(out);
    const bool text = isTextKind(c.kind) && c.kind != CTRL_TEXT_MSG;
    auto* box = c.kind == CTRL_TEXT_BOX ? static_cast<TextBoxWidget*>(c.control) : nullptr;
    auto* field = c.kind == CTRL_STRING ? static_cast<QLineEdit*>(c.widget.data()) : nullptr;
    const QRect g = c.widget->geometry();
    const QRect lg = !c.label ? QRect() : c.labelPlaced ? c.labelRect : c.label->geometry();
    switch (attr) {
    case ATTR_DIMMED: *i = c.widget->isEnabled() ? 0 : 1; break;
    case ATTR_VISIBLE: *i = c.widget->isVisibleTo(c.widget->parentWidget()) ? 1 : 0; break;
    case ATTR_TOP: *i = g.top(); break;
    case ATTR_LEFT: *i = g.left(); break;
    case ATTR_WIDTH: *i = g.width(); break;
    case ATTR_HEIGHT: *i = g.height(); break;
    case ATTR_LABEL_TOP:
    case ATTR_LABEL_LEFT:
    case ATTR_LABEL_WIDTH:
    case ATTR_LABEL_HEIGHT:
        if (!c.label) {
            if (!c.extra.get(attr, i)) *i = 0;
            break;
        }
        *i = attr == ATTR_LABEL_TOP ? lg.top() : attr == ATTR_LABEL_LEFT ? lg.left()
           : attr == ATTR_LABEL_WIDTH ? lg.width() : lg.height();
        break;
    case ATTR_STRING_TEXT_LENGTH:
        if (!isTextKind(c.kind)) return UIE_BAD_ATTRIBUTE;
        if (box) *i = box->textLength();
        else if (field) *i = static_cast<int>(field->text().size());
        else *i = static_cast<int>(static_cast<QLabel*>(c.widget.data())->text().size());
        break;
    case ATTR_TEXT_SELECTION_START:
        if (!text) return UIE_BAD_ATTRIBUTE;
        *i = box ? box->selectionStart() : field->hasSelectedText() ? field->selectionStart() : field->cursorPosition();
        break;
    case ATTR_TEXT_SELECTION_LENGTH:
        if (!text) return UIE_BAD_ATTRIBUTE;
        *i = box ? box->selectionLength() : static_cast<int>(field->selectedText().size());
        break;
    case ATTR_FIRST_VISIBLE_LINE:
        if (!box) return UIE_BAD_ATTRIBUTE;
        *i = box->firstVisibleLine();
        break;
    case ATTR_VISIBLE_LINES:
        if (!box) return UIE_BAD_ATTRIBUTE;
        *i = box->visibleLines();
        break;
    default: return getCtrlData(c, attr, out);
    }
    return 0;
}

int QtBackend::GetCtrlAttribute(int panelId, int id, int attr, void* out) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return rc;
    return attr == ATTR_CTRL_VAL ? getValue(*c, out) : getCtrlInt(*c, attr, out);
}

// ---- Text boxes -------------------------------------------------------------

TextBoxAccess* QtBackend::textBox(int panelId, int id, int* rc) { return textBoxWidget(panelId, id, rc); }

}  // namespace uirt::qt
