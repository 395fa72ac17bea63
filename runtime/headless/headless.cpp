// Headless backend: panels, controls and their attributes, and text boxes.
#include "headless.h"

#include <algorithm>
#include <cstring>

namespace uirt::headless {
namespace {

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kLineHeight = 16;  // pixels per text line, for ATTR_VISIBLE_LINES

int centred(int position, int size, int screen) {
    return position == VAL_AUTO_CENTER ? std::max((screen - size) / 2, 0) : position;
}

}  // namespace

// ---- Lookup

Panel* HeadlessBackend::panel(int id) {
    if (id <= 0 || static_cast<size_t>(id) > panels_.size()) return nullptr;
    return panels_[id - 1].get();
}

Control* HeadlessBackend::control(int panelId, int id) {
    Panel* p = panel(panelId);
    if (!p) return nullptr;
    auto it = p->controls.find(id);
    return it == p->controls.end() ? nullptr : it->second.get();
}

Control* HeadlessBackend::control(int panelId, int id, int* rc) {
    if (!panel(panelId)) {
        *rc = UIE_BAD_PANEL;
        return nullptr;
    }
    Control* c = control(panelId, id);
    *rc = c ? 0 : UIE_BAD_CONTROL;
    return c;
}

// ---- Panels

int HeadlessBackend::NewPanel(int parent, const char* title, int top, int left, int height, int width) {
    if (parent != 0 && !panel(parent)) return UIE_BAD_PANEL;
    if (height < 0 || width < 0) return UIE_BAD_VALUE;
    auto p = std::make_unique<Panel>();
    p->id = static_cast<int>(panels_.size()) + 1;
    p->parent = parent;
    p->title = title;
    p->height = height;
    p->width = width;
    p->top = centred(top, height, kScreenHeight);
    p->left = centred(left, width, kScreenWidth);
    panels_.push_back(std::move(p));
    return static_cast<int>(panels_.size());
}

int HeadlessBackend::DiscardPanel(int id) {
    if (!panel(id)) return UIE_BAD_PANEL;
    for (auto& p : panels_) {
        if (p && p->parent == id) DiscardPanel(p->id);
    }
    for (auto& bar : menuBars_) {
        if (bar && bar->panel == id) bar.reset();
    }
    AttrValue none;
    for (auto& p : panels_) {
        int owner = 0;
        if (p && getPanelData(*p, ATTR_OWNER_PANEL, &owner) == 0 && owner == id) setPanelData(*p, ATTR_OWNER_PANEL, none);
    }
    panels_[id - 1].reset();
    activation_.erase(std::remove(activation_.begin(), activation_.end(), id), activation_.end());
    return 0;
}

int HeadlessBackend::DisplayPanel(int id) {
    Panel* p = panel(id);
    if (!p) return UIE_BAD_PANEL;
    p->visible = true;
    const int rc = SetActivePanel(id);
    answerDisplayedPanel(id, p->title);
    return rc;
}

int HeadlessBackend::HidePanel(int id) {
    Panel* p = panel(id);
    if (!p) return UIE_BAD_PANEL;
    p->visible = false;
    return 0;
}

int HeadlessBackend::GetActivePanel() {
    for (auto it = activation_.rbegin(); it != activation_.rend(); ++it) {
        Panel* p = panel(*it);
        if (p && p->visible) return *it;
    }
    return 0;
}

int HeadlessBackend::SetActivePanel(int id) {
    if (!panel(id)) return UIE_BAD_PANEL;
    activation_.erase(std::remove(activation_.begin(), activation_.end(), id), activation_.end());
    activation_.push_back(id);
    return 0;
}

int HeadlessBackend::SetActiveCtrl(int panelId, int id) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return rc;
    panel(panelId)->activeCtrl = id;
    return 0;
}

int HeadlessBackend::GetActiveCtrl(int panelId) {
    Panel* p = panel(panelId);
    if (!p) return UIE_BAD_PANEL;
    return control(panelId, p->activeCtrl) ? p->activeCtrl : 0;
}

int HeadlessBackend::SetWaitCursor(int on) {
    waitCursor_ = on != 0;
    return 0;
}

int HeadlessBackend::GetWaitCursor() { return waitCursor_; }

int HeadlessBackend::SetPanelAttribute(int id, int attr, const AttrValue& v) {
    Panel* p = panel(id);
    if (!p) return UIE_BAD_PANEL;
    switch (attr) {
    case ATTR_TOP: p->top = centred(v.i, p->height, kScreenHeight); break;
    case ATTR_LEFT: p->left = centred(v.i, p->width, kScreenWidth); break;
    case ATTR_HEIGHT:
    case ATTR_WIDTH:
        if (v.i < 0) return UIE_BAD_VALUE;
        (attr == ATTR_WIDTH ? p->width : p->height) = v.i;
        // The controls follow the new size as their anchors say.
        for (auto& [cid, c] : p->controls) {
            const Box b = c->anchoring.follow({c->left, c->top, c->width, c->height}, p->width, p->height);
            c->left = b.left, c->top = b.top, c->width = b.width, c->height = b.height;
        }
        break;
    case ATTR_VISIBLE: return v.i ? DisplayPanel(id) : HidePanel(id);
    case ATTR_OWNER_PANEL:
        if (p->parent != 0) return UIE_BAD_ATTRIBUTE;
        if (v.i != 0 && (!panel(v.i) || v.i == id)) return UIE_BAD_VALUE;
        return setPanelData(*p, attr, v);
    default: return setPanelData(*p, attr, v);
    }
    return 0;
}

int HeadlessBackend::GetPanelAttribute(int id, int attr, void* out) {
    Panel* p = panel(id);
    if (!p) return UIE_BAD_PANEL;
    int* i = static_cast<int*>(out);
    switch (attr) {
    case ATTR_TOP: *i = p->top; break;
    case ATTR_LEFT: *i = p->left; break;
    case ATTR_HEIGHT: *i = p->height; break;
    case ATTR_WIDTH: *i = p->width; break;
    case ATTR_VISIBLE: *i = p->visible ? 1 : 0; break;
    default: return getPanelData(*p, attr, out);
    }
    return 0;
}

// ---- Controls

int HeadlessBackend::NewCtrl(int panelId, int kind, const char* label, int top, int left, int requestedId) {
    Panel* p = panel(panelId);
    if (!p) return UIE_BAD_PANEL;
    if (!isKnownCtrlKind(kind)) return UIE_BAD_VALUE;
    const int newId = claimCtrlId(requestedId, p->controls.count(requestedId) != 0, &p->nextCtrlId);
    if (newId < 0) return newId;
    auto c = std::make_unique<Control>();
    c->id = newId;
    c->kind = kind;
    c->labelText = label;
    c->top = top;
    c->left = left;
    const ControlSize size = defaultControlSize(kind);
    c->height = size.height;
    c->width = size.width;
    c->labelTop = top - kLineHeight;
    c->labelLeft = left;
    c->labelWidth = static_cast<int>(c->labelText.size()) * 7;
    c->labelHeight = kLineHeight;
    c->tabPosition = c->id - 1;
    c->anchoring.place({c->left, c->top, c->width, c->height}, p->width, p->height);
    if (p->activeCtrl == 0 && isFocusableKind(kind)) p->activeCtrl = c->id;
    p->controls[newId] = std::move(c);
    return newId;
}

int HeadlessBackend::DiscardCtrl(int panelId, int id) {
    int rc = 0;
    if (!control(panelId, id, &rc)) return rc;
    Panel* p = panel(panelId);
    p->controls.erase(id);
    if (p->activeCtrl == id) p->activeCtrl = 0;
    return 0;
}

int HeadlessBackend::setCtrlValue(Control& c, const AttrValue& v) {
    if (c.kind == CTRL_COMMAND_BUTTON) return UIE_BAD_ATTRIBUTE;
    if (isTextKind(c.kind)) {
        if (!v.s) return UIE_BAD_VALUE;
        std::string_view text(v.s);
        if (c.kind == CTRL_STRING) {
            // A text field holds one line of at most its maximum length.
            text = text.substr(0, text.find('\n'));
            if (c.maxEntryLength >= 0) text = text.substr(0, static_cast<size_t>(c.maxEntryLength));
        }
        c.text.reset(text);
        c.firstVisibleLine = 0;
    } else {
        c.value = c.kind == CTRL_CHECK_BOX ? (v.i != 0) : v.i;
    }
    return 0;
}

int HeadlessBackend::SetCtrlVal(int panelId, int id, const AttrValue& v) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    return c ? setCtrlValue(*c, v) : rc;
}

int HeadlessBackend::GetCtrlVal(int panelId, int id, void* out) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return rc;
    if (c->kind == CTRL_COMMAND_BUTTON) return UIE_BAD_ATTRIBUTE;
    if (isTextKind(c->kind)) copyText(c->text.text(), out);
    else *static_cast<int*>(out) = c->value;
    return 0;
}

int HeadlessBackend::DefaultCtrl(int panelId, int id) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return rc;
    if (c->kind == CTRL_COMMAND_BUTTON) return 0;
    AttrValue v;
    v.s = c->defaultText.c_str();
    v.i = c->defaultValue;
    return setCtrlValue(*c, v);
}

int HeadlessBackend::visibleLines(const Control& c) const { return std::max(c.height / kLineHeight, 1); }

int HeadlessBackend::setCtrlAttr(Control& c, int attr, const AttrValue& v) {
    const bool text = isTextKind(c.kind) && c.kind != CTRL_TEXT_MSG;
    const int value = v.i;
    switch (attr) {
    case ATTR_DIMMED: c.dimmed = value != 0; break;
    case ATTR_VISIBLE: c.visible = value != 0; break;
    case ATTR_TOP: c.top = value; break;
    case ATTR_LEFT: c.left = value; break;
    case ATTR_WIDTH: if (value < 0) return UIE_BAD_VALUE; c.width = value; break;
    case ATTR_HEIGHT: if (value < 0) return UIE_BAD_VALUE; c.height = value; break;
    case ATTR_LABEL_TOP: c.labelTop = value; break;
    case ATTR_LABEL_LEFT: c.labelLeft = value; break;
    case ATTR_LABEL_WIDTH: c.labelWidth = value; break;
    case ATTR_LABEL_HEIGHT: c.labelHeight = value; break;
    case ATTR_TEXT_SELECTION_START:
        if (!text) return UIE_BAD_ATTRIBUTE;
        c.text.setSelectionStart(value);
        break;
    case ATTR_TEXT_SELECTION_LENGTH:
        if (!text) return UIE_BAD_ATTRIBUTE;
        c.text.setSelectionLength(value);
        break;
    case ATTR_FIRST_VISIBLE_LINE:
        if (c.kind != CTRL_TEXT_BOX) return UIE_BAD_ATTRIBUTE;
        c.firstVisibleLine = std::clamp(value, 0, std::max(c.text.lineCount() - 1, 0));
        break;
    case ATTR_MAX_ENTRY_LENGTH:
        if (int rc = setCtrlData(c, attr, v); rc < 0) return rc;
        if (c.kind == CTRL_STRING) c.text.truncate(value);  // a lower maximum cuts the value
        break;
    default: return setCtrlData(c, attr, v);
    }
    return 0;
}

int HeadlessBackend::SetCtrlAttribute(int panelId, int id, int attr, const AttrValue& v) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return rc;
    if (attr == ATTR_CTRL_VAL) return setCtrlValue(*c, v);
    rc = setCtrlAttr(*c, attr, v);
    const bool placing = attr == ATTR_TOP || attr == ATTR_LEFT || attr == ATTR_WIDTH || attr == ATTR_HEIGHT || attr == ATTR_ANCHOR;
    if (rc == 0 && placing) {
        const Panel& p = *panel(panelId);
        c->anchoring.place({c->left, c->top, c->width, c->height}, p.width, p.height);
    }
    return rc;
}

int HeadlessBackend::GetCtrlAttribute(int panelId, int id, int attr, void* out) {
    int rc = 0;
    Control* c = control(panelId, id, &rc);
    if (!c) return rc;
    int* i = static_cast<int*>(out);
    bool text = isTextKind(c->kind) && c->kind != CTRL_TEXT_MSG;
    switch (attr) {
    case ATTR_CTRL_VAL: return GetCtrlVal(panelId, id, out);
    case ATTR_DIMMED: *i = c->dimmed; break;
    case ATTR_VISIBLE: *i = c->visible; break;
    case ATTR_TOP: *i = c->top; break;
    case ATTR_LEFT: *i = c->left; break;
    case ATTR_WIDTH: *i = c->width; break;
    case ATTR_HEIGHT: *i = c->height; break;
    case ATTR_LABEL_TOP: *i = c->labelTop; break;
    case ATTR_LABEL_LEFT: *i = c->labelLeft; break;
    case ATTR_LABEL_WIDTH: *i = c->labelWidth; break;
    case ATTR_LABEL_HEIGHT: *i = c->labelHeight; break;
    case ATTR_STRING_TEXT_LENGTH:
        if (!isTextKind(c->kind)) return UIE_BAD_ATTRIBUTE;
        *i = c->text.length();
        break;
    case ATTR_TEXT_SELECTION_START:
        if (!text) return UIE_BAD_ATTRIBUTE;
        *i = c->text.selectionStart();
        break;
    case ATTR_TEXT_SELECTION_LENGTH:
        if (!text) return UIE_BAD_ATTRIBUTE;
        *i = c->text.selectionLength();
        break;
    case ATTR_FIRST_VISIBLE_LINE:
        if (c->kind != CTRL_TEXT_BOX) return UIE_BAD_ATTRIBUTE;
        *i = c->firstVisibleLine;
        break;
    case ATTR_VISIBLE_LINES:
        if (c->kind != CTRL_TEXT_BOX) return UIE_BAD_ATTRIBUTE;
        *i = visibleLines(*c);
        break;
    default: return getCtrlData(*c, attr, out);
    }
    return 0;
}

// ---- Text boxes

TextBoxAccess* HeadlessBackend::textBox(int panelId, int id, int* rc) {
    Control* c = control(panelId, id, rc);
    if (c && c->kind != CTRL_TEXT_BOX) {
        *rc = UIE_BAD_CONTROL;
        return nullptr;
    }
    return c;
}

int Control::lineStart(int index) {
    int start = 0, length = 0;
    text.lineRange(index, &start, &length);
    return start;
}

int Control::lineLength(int index) {
    int start = 0, length = 0;
    text.lineRange(index, &start, &length);
    return length;
}

void Control::copyLine(int index, char* buffer) {
    int start = 0, length = 0;
    text.lineRange(index, &start, &length);
    std::memcpy(buffer, text.text().data() + start, static_cast<size_t>(length));
    buffer[length] = '\0';
}

}  // namespace uirt::headless

namespace uirt {
std::unique_ptr<Backend> makeHeadlessBackend() { return std::make_unique<headless::HeadlessBackend>(); }
}  // namespace uirt
