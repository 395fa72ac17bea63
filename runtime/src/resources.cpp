// The callback registry and the loader of resource files (format: runtime/RESOURCES.md).
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

#include "cp1251.h"
#include "core.h"

namespace uirt {

namespace registry {
namespace {
struct Registry {
    std::mutex lock;
    std::map<std::string, CtrlCallbackPtr> byName;
};
Registry& instance() {
    static Registry r;
    return r;
}
}  // namespace

int add(const char* name, CtrlCallbackPtr function) {
    if (!name || !*name) return UIE_BAD_VALUE;
    auto& r = instance();
    std::lock_guard<std::mutex> hold(r.lock);
    r.byName[name] = function;
    return 0;
}

bool find(const std::string& name, CtrlCallbackPtr* function) {
    auto& r = instance();
    std::lock_guard<std::mutex> hold(r.lock);
    auto it = r.byName.find(name);
    if (it == r.byName.end()) return false;
    *function = it->second;
    return true;
}

std::string nameOf(CtrlCallbackPtr function) {
    auto& r = instance();
    std::lock_guard<std::mutex> hold(r.lock);
    for (const auto& [name, fn] : r.byName) {
        if (fn == function && fn) return name;
    }
    return {};
}
}  // namespace registry

namespace {

// A key = value line, with the number of the line it came from.
struct Entry {
    int line = 0;
    std::string value;
};

// One [panel N] or [control N] section.
struct Section {
    int line = 0;
    int id = 0;
    std::map<std::string, Entry> keys;
};

struct PanelSection : Section {
    std::vector<Section> controls;
};

// A fault found while reading; printed as "file:line: message".
struct LoadError {
    int line;
    std::string message;
    int code = UIE_FILE_ERROR;
};

const std::map<std::string, int>& kindNames() {
    static const std::map<std::string, int> kinds = {
        {"textbox", CTRL_TEXT_BOX},   {"string", CTRL_STRING},         {"textmsg", CTRL_TEXT_MSG},
        {"numeric", CTRL_NUMERIC},    {"progress", CTRL_PROGRESS_BAR}, {"button", CTRL_COMMAND_BUTTON},
        {"checkbox", CTRL_CHECK_BOX},
    };
    return kinds;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Cuts a comment: '#' at the start of the line or after a blank; "\#" is a '#'.
std::string stripComment(const std::string& line) {
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            ++i;
        } else if (line[i] == '#' && (i == 0 || isBlank(line[i - 1]))) {
            return line.substr(0, i);
        }
    }
    return line;
}

// Resolves "\n", "\\" and "\#" of a value.
std::string unescape(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            char next = value[i + 1];
            if (next == 'n') { out += '\n'; ++i; continue; }
            if (next == '\\' || next == '#') { out += next; ++i; continue; }
        }
        out += value[i];
    }
    return out;
}

std::optional<int> parseInt(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < -2147483647L || v > 2147483647L) return std::nullopt;
    return static_cast<int>(v);
}

// "[panel 2]" -> ("panel", 2); throws LoadError on a malformed header.
std::pair<std::string, int> parseHeader(const std::string& text, int line) {
    std::string inner = trim(text.substr(1, text.size() - 2));
    size_t space = inner.find_first_of(" \t");
    std::string what = inner.substr(0, space);
    if (what != "panel" && what != "control") throw LoadError{line, "unknown section '" + what + "'"};
    std::string idText = space == std::string::npos ? "" : trim(inner.substr(space));
    auto id = parseInt(idText);
    // A control id must leave room for the next free id after it.
    int most = what == "panel" ? 999999 : std::numeric_limits<int>::max() - 1;
    if (!id || *id < 1 || *id > most) throw LoadError{line, "bad " + what + " id '" + idText + "'"};
    return {what, *id};
}

bool knownKey(bool panel, const std::string& key) {
    static const char* panelKeys[] = {"title", "top", "left", "height", "width", "close_control", "callback", "resizable"};
    static const char* ctrlKeys[] = {"kind",  "top",      "left",  "height",   "width",  "label",
                                     "callback", "value", "shortcut", "dimmed", "anchor"};
    if (panel) {
        for (const char* k : panelKeys) if (key == k) return true;
    } else {
        for (const char* k : ctrlKeys) if (key == k) return true;
    }
    return false;
}

std::vector<PanelSection> parseFile(std::istream& in) {
    std::vector<PanelSection> panels;
    Section* current = nullptr;
    bool currentIsPanel = false;
    std::string raw;
    for (int line = 1; std::getline(in, raw); ++line) {
        if (line == 1 && raw.rfind("\xEF\xBB\xBF", 0) == 0) raw.erase(0, 3);  // a UTF-8 byte-order mark
        std::string text = trim(stripComment(raw));
        if (text.empty()) continue;
        if (text.front() == '[' && text.back() == ']') {
            auto [what, id] = parseHeader(text, line);
            if (what == "panel") {
                for (const auto& p : panels)
                    if (p.id == id) throw LoadError{line, "duplicate panel id " + std::to_string(id)};
                panels.emplace_back();
                current = &panels.back();
                currentIsPanel = true;
            } else {
                if (panels.empty()) throw LoadError{line, "control " + std::to_string(id) + " outside a panel"};
                for (const auto& c : panels.back().controls)
                    if (c.id == id) throw LoadError{line, "duplicate control id " + std::to_string(id)};
                panels.back().controls.emplace_back();
                current = &panels.back().controls.back();
                currentIsPanel = false;
            }
            current->line = line;
            current->id = id;
            continue;
        }
        size_t eq = text.find('=');
        if (eq == std::string::npos) throw LoadError{line, "expected 'key = value' or a [section]"};
        if (!current) throw LoadError{line, "key outside a section"};
        std::string key = trim(text.substr(0, eq));
        if (!knownKey(currentIsPanel, key)) throw LoadError{line, "unknown key '" + key + "'"};
        if (current->keys.count(key)) throw LoadError{line, "duplicate key '" + key + "'"};
        current->keys[key] = Entry{line, trim(text.substr(eq + 1))};
    }
    return panels;
}

// Reads the sections' values, checking them; throws LoadError.
class Builder {
public:
    Builder(Backend& backend, const PanelSection& panel) : b_(backend), panel_(panel) {}

    int build(int parent) {
        checkPanel();
        int handle = b_.NewPanel(parent, text(panel_, "title").c_str(), position(panel_, "top"),
                                 position(panel_, "left"), number(panel_, "height"), number(panel_, "width"));
        if (handle <= 0) throw LoadError{panel_.line, "the panel cannot be created", handle < 0 ? handle : UIE_FAILURE};
        try {
            fillPanel(handle);
        } catch (...) {
            b_.DiscardPanel(handle);
            throw;
        }
        return handle;
    }

private:
    Backend& b_;
    const PanelSection& panel_;

    static const Entry* get(const Section& s, const char* key) {
        auto it = s.keys.find(key);
        return it == s.keys.end() ? nullptr : &it->second;
    }
    static const Entry& need(const Section& s, const char* key, bool panel) {
        const Entry* e = get(s, key);
        if (!e)
            throw LoadError{s.line, std::string("missing key '") + key + "' in [" + (panel ? "panel " : "control ") +
                                        std::to_string(s.id) + "]"};
        return *e;
    }
    static int toInt(const Entry& e, const char* key) {
        auto v = parseInt(e.value);
        if (!v) throw LoadError{e.line, "bad number '" + e.value + "' for '" + key + "'"};
        return *v;
    }
    int number(const Section& s, const char* key) const { return toInt(need(s, key, &s == &panel_), key); }
    int position(const Section& s, const char* key) const {
        const Entry& e = need(s, key, &s == &panel_);
        return e.value == "center" ? VAL_AUTO_CENTER : toInt(e, key);
    }
    static std::string text(const Section& s, const char* key) {
        const Entry* e = get(s, key);
        return e ? cp1251::from_utf8(unescape(e->value)) : std::string();
    }
    static int kindOf(const Section& c) {
        const Entry* e = get(c, "kind");
        if (!e) throw LoadError{c.line, "missing key 'kind' in [control " + std::to_string(c.id) + "]"};
        auto it = kindNames().find(e->value);
        if (it == kindNames().end()) throw LoadError{e->line, "unknown control kind '" + e->value + "'"};
        return it->second;
    }
    // "left top right bottom" (blanks or commas between) -> VAL_ANCHOR_* bits.
    static int anchorOf(const Entry& e) {
        static const std::map<std::string, int> edges = {
            {"left", VAL_ANCHOR_LEFT}, {"top", VAL_ANCHOR_TOP}, {"right", VAL_ANCHOR_RIGHT}, {"bottom", VAL_ANCHOR_BOTTOM}};
        int bits = 0;
        std::string word;
        for (size_t i = 0; i <= e.value.size(); ++i) {
            const char c = i < e.value.size() ? e.value[i] : ' ';
            if (!isBlank(c) && c != ',') {
                word += c;
                continue;
            }
            if (word.empty()) continue;
            auto it = edges.find(word);
            if (it == edges.end()) throw LoadError{e.line, "bad anchor '" + word + "' (left, top, right, bottom)"};
            bits |= it->second;
            word.clear();
        }
        if (bits == 0) throw LoadError{e.line, "empty anchor"};
        return bits;
    }
    static CtrlCallbackPtr callback(const Section& s) {
        const Entry* e = get(s, "callback");
        CtrlCallbackPtr fn = nullptr;
        if (e && !registry::find(e->value, &fn)) throw LoadError{e->line, "unregistered callback '" + e->value + "'"};
        return fn;
    }

    // Checks everything before the panel is made, so errors leave nothing behind.
    void checkPanel() const {
        number(panel_, "height");
        number(panel_, "width");
        position(panel_, "top");
        position(panel_, "left");
        callback(panel_);
        if (const Entry* e = get(panel_, "close_control")) toInt(*e, "close_control");
        if (const Entry* e = get(panel_, "resizable")) toInt(*e, "resizable");
        for (const auto& c : panel_.controls) {
            int kind = kindOf(c);
            for (const char* k : {"top", "left", "height", "width"}) number(c, k);
            if (const Entry* e = get(c, "anchor")) anchorOf(*e);
            callback(c);
            if (const Entry* e = get(c, "dimmed")) toInt(*e, "dimmed");
            if (const Entry* e = get(c, "value"); e && !isTextKind(kind) && kind != CTRL_COMMAND_BUTTON) toInt(*e, "value");
            if (const Entry* e = get(c, "shortcut"); e && parseKeyName(e->value) < 0)
                throw LoadError{e->line, "bad shortcut key '" + e->value + "'"};
        }
    }

    void setPanel(int handle, int attr, const AttrValue& v, int line) {
        if (b_.SetPanelAttribute(handle, attr, v) < 0) throw LoadError{line, "cannot set panel attribute"};
    }
    void setCtrl(int handle, int id, int attr, const AttrValue& v, int line) {
        if (b_.SetCtrlAttribute(handle, id, attr, v) < 0) throw LoadError{line, "cannot set control attribute"};
    }

    void fillPanel(int handle) {
        if (CtrlCallbackPtr fn = callback(panel_)) {
            AttrValue v;
            v.p = reinterpret_cast<void*>(fn);
            setPanel(handle, ATTR_CALLBACK_FUNCTION_POINTER, v, panel_.line);
        }
        std::vector<const Section*> order;
        for (const auto& c : panel_.controls) order.push_back(&c);
        std::sort(order.begin(), order.end(), [](const Section* a, const Section* b) { return a->id < b->id; });
        for (const Section* c : order) addControl(handle, *c);
        if (const Entry* e = get(panel_, "close_control")) {
            AttrValue v;
            v.i = toInt(*e, "close_control");
            setPanel(handle, ATTR_CLOSE_CTRL, v, e->line);
        }
        if (const Entry* e = get(panel_, "resizable")) {
            AttrValue v;
            v.i = toInt(*e, "resizable") != 0;
            setPanel(handle, ATTR_RESIZABLE, v, e->line);
        }
    }

    void addControl(int handle, const Section& c) {
        int kind = kindOf(c);
        std::string label = text(c, "label");
        int id = b_.NewCtrl(handle, kind, label.c_str(), number(c, "top"), number(c, "left"), c.id);
        if (id != c.id) throw LoadError{c.line, "cannot create control " + std::to_string(c.id)};
        AttrValue v;
        v.i = number(c, "width");
        setCtrl(handle, id, ATTR_WIDTH, v, c.line);
        v.i = number(c, "height");
        setCtrl(handle, id, ATTR_HEIGHT, v, c.line);
        if (CtrlCallbackPtr fn = callback(c)) {
            AttrValue p;
            p.p = reinterpret_cast<void*>(fn);
            setCtrl(handle, id, ATTR_CALLBACK_FUNCTION_POINTER, p, c.line);
        }
        if (const Entry* e = get(c, "value"); e && kind != CTRL_COMMAND_BUTTON) {
            AttrValue val;
            std::string s = text(c, "value");
            if (isTextKind(kind)) val.s = s.c_str();
            else val.i = toInt(*e, "value");
            if (b_.SetCtrlVal(handle, id, val) < 0) throw LoadError{e->line, "bad value '" + e->value + "'"};
        }
        if (const Entry* e = get(c, "shortcut")) {
            AttrValue k;
            k.i = parseKeyName(e->value);
            setCtrl(handle, id, ATTR_SHORTCUT_KEY, k, e->line);
        }
        if (const Entry* e = get(c, "dimmed")) {
            AttrValue d;
            d.i = toInt(*e, "dimmed") != 0;
            setCtrl(handle, id, ATTR_DIMMED, d, e->line);
        }
        if (const Entry* e = get(c, "anchor")) {
            AttrValue a;
            a.i = anchorOf(*e);
            setCtrl(handle, id, ATTR_ANCHOR, a, e->line);
        }
    }
};

void report(const char* fileName, const LoadError& e) {
    const std::string name = cp1251::to_utf8(fileName);  // the terminal shows UTF-8
    if (e.line > 0) std::fprintf(stderr, "%s:%d: %s\n", name.c_str(), e.line, e.message.c_str());
    else std::fprintf(stderr, "%s: %s\n", name.c_str(), e.message.c_str());
}

}  // namespace

int parseKeyName(const std::string& name) {
    static const std::map<std::string, int> named = {
        {"Enter", VAL_ENTER_VKEY}, {"Esc", VAL_ESC_VKEY},        {"Tab", VAL_TAB_VKEY},
        {"Delete", VAL_FWD_DELETE_VKEY}, {"Backspace", VAL_BACKSPACE_VKEY}, {"Up", VAL_UP_ARROW_VKEY},
        {"Down", VAL_DOWN_ARROW_VKEY}, {"Left", VAL_LEFT_ARROW_VKEY}, {"Right", VAL_RIGHT_ARROW_VKEY},
        {"Home", VAL_HOME_VKEY},   {"End", VAL_END_VKEY},        {"PageUp", VAL_PAGE_UP_VKEY},
        {"PageDown", VAL_PAGE_DOWN_VKEY},
    };
    int modifiers = 0;
    std::string rest = name;
    for (;;) {
        if (rest.rfind("Ctrl+", 0) == 0) { modifiers |= VAL_MENUKEY_MODIFIER; rest = rest.substr(5); }
        else if (rest.rfind("Shift+", 0) == 0) { modifiers |= VAL_SHIFT_MODIFIER; rest = rest.substr(6); }
        else break;
    }
    if (auto it = named.find(rest); it != named.end()) return modifiers | it->second;
    if (rest.size() >= 2 && rest[0] == 'F') {
        auto n = parseInt(rest.substr(1));
        if (n && *n >= 1 && *n <= 12) return modifiers | (VAL_F1_VKEY + (*n - 1) * 0x100);
        return -1;
    }
    if (rest.size() == 1 && rest[0] > 0x20 && rest[0] < 0x7F) {
        char c = rest[0];
        if (modifiers & VAL_MENUKEY_MODIFIER && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        return modifiers | static_cast<unsigned char>(c);
    }
    return -1;
}

int loadPanel(Backend& backend, int parentPanel, const char* fileName, int resourceId) {
    if (!fileName) return UIE_BAD_VALUE;
    try {
        // The name is Windows-1251 text; the system's file names are UTF-8.
        std::ifstream in(cp1251::to_utf8(fileName), std::ios::binary);
        if (!in) throw LoadError{0, std::string("cannot open the file: ") + std::strerror(errno)};
        std::vector<PanelSection> panels = parseFile(in);
        if (in.bad()) throw LoadError{0, "cannot read the file"};
        for (const auto& p : panels) {
            if (p.id == resourceId) return Builder(backend, p).build(parentPanel);
        }
        throw LoadError{0, "no panel " + std::to_string(resourceId) + " in the file", UIE_BAD_VALUE};
    } catch (const LoadError& e) {
        report(fileName, e);
        return e.code;
    }
}

}  // namespace uirt
