// Fuzz target: Pelmo's undo engine (undo_Init, undo_Action, undo_Undo,
// undo_Redo) over a headless text box, driven by an edit script.
//
// Input: the buffer size and the depth of the history, the length of the
// starting text and the text, then the script: each step is an opcode byte
// and its operands - insert bytes, delete a range, replace a range, undo,
// redo, set a new text and reset, or move the selection and the first
// visible line. After each edit the text is put into the box and undo_Action
// records it, as the box's value change would; a text set by the program is
// followed by undo_Reset. Checked against a model of the texts the box had:
// - an undo leads to a text the box had earlier (between the two parts of an
//   edit that removed and inserted bytes, the text with the removal only);
// - a redo gives back exactly the text that the matching undo left;
// - with no step lost to the depth limit, undoing everything gives the
//   starting text (or the last reset one) and no "changed" flag;
// - at the end, undoing everything and redoing everything gives the newest text.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "uirt.h"
#include "undo.h"

namespace {

int gPanel = 0;
int gBox = 0;

class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool More() const { return size_ > 0; }
    unsigned Byte() {
        if (!size_) return 0;
        --size_;
        return *data_++;
    }
    // Up to `count` bytes of text, zero bytes made 0x01 (the box holds a C string).
    std::string Text(std::size_t count) {
        count = std::min(count, size_);
        std::string bytes(reinterpret_cast<const char*>(data_), count);
        for (char& c : bytes)
            if (c == '\0') c = '\x01';
        data_ += count;
        size_ -= count;
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

std::string BoxText() {
    int length = 0;
    FUZZ_CHECK(GetCtrlAttribute(gPanel, gBox, ATTR_STRING_TEXT_LENGTH, &length) >= 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    FUZZ_CHECK(GetCtrlVal(gPanel, gBox, text.data()) >= 0);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// The texts the box had since the start, on the branch that redo can reach,
// and where the box stands among them.
struct Model {
    std::vector<std::string> texts;
    std::size_t current = 0;
    struct Undone {
        std::string text;  // what the box held before the undo
        std::size_t current;
    };
    std::vector<Undone> undone;

    void Edited(const std::string& now) {
        const std::string old = texts[current];
        if (now == old) return;
        texts.resize(current + 1);
        std::size_t prefix = 0, suffix = 0;
        const std::size_t shorter = std::min(old.size(), now.size());
        while (prefix < shorter && old[prefix] == now[prefix]) ++prefix;
        while (suffix < shorter - prefix && old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix]) ++suffix;
        if (old.size() > prefix + suffix && now.size() > prefix + suffix)
            texts.push_back(old.substr(0, prefix) + old.substr(old.size() - suffix));
        texts.push_back(now);
        current = texts.size() - 1;
        undone.clear();
    }
    // The undo left `now`: an earlier text of the branch.
    void Undid(const std::string& before, const std::string& now) {
        std::size_t j = current;
        while (j > 0 && texts[--j] != now) {
        }
        FUZZ_CHECK(j < current && texts[j] == now);
        undone.push_back(Undone{before, current});
        current = j;
    }
    void Redid(const std::string& now) {
        FUZZ_CHECK(!undone.empty());
        FUZZ_CHECK(now == undone.back().text);
        current = undone.back().current;
        undone.pop_back();
    }
};

void Undo(UndoHistory* h, Model& model) {
    const std::string before = BoxText();
    const bool could = undo_CanUndo(h);
    const int position = h->position;
    undo_Undo(h);
    const std::string after = BoxText();
    if (could) {
        FUZZ_CHECK(h->position == position - 1);
        model.Undid(before, after);
    } else {
        FUZZ_CHECK(after == before);
    }
}

void Redo(UndoHistory* h, Model& model) {
    const std::string before = BoxText();
    const bool could = undo_CanRedo(h);
    const int position = h->position;
    undo_Redo(h);
    const std::string after = BoxText();
    if (could) {
        FUZZ_CHECK(h->position == position + 1);
        model.Redid(after);
    } else {
        FUZZ_CHECK(after == before);
    }
}

void Edit(UndoHistory* h, Model& model, const std::string& now) {
    FUZZ_CHECK(ResetTextBox(gPanel, gBox, now.c_str()) >= 0);
    undo_Action(h);
    model.Edited(now);
}

std::size_t Scaled(unsigned byte, std::size_t length) { return byte * (length + 1) / 256; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!InitUIRuntime(0, nullptr, UIRT_BACKEND_HEADLESS)) std::exit(1);
    gPanel = NewPanel(0, "undo", 0, 0, 300, 400);
    gBox = NewCtrl(gPanel, CTRL_TEXT_BOX, "", 0, 0);
    FUZZ_CHECK(gPanel > 0 && gBox > 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script script(data, size);
    const int bufferSize = 1 + static_cast<int>(script.Byte());
    const unsigned depthByte = script.Byte();
    const int depth = depthByte >= 240 ? 100000 : static_cast<int>(depthByte % 12);
    const std::string start = script.Text(script.Byte());
    FUZZ_CHECK(ResetTextBox(gPanel, gBox, start.c_str()) >= 0);
    UndoHistory* h = undo_Init(gPanel, gBox, bufferSize, depth);
    FUZZ_CHECK(h != nullptr);
    Model model;
    model.texts.push_back(start);

    while (script.More()) {
        const unsigned op = script.Byte() % 7;
        const std::string text = BoxText();
        FUZZ_CHECK(text == model.texts[model.current]);
        switch (op) {
        case 0: {  // insert
            const std::size_t at = Scaled(script.Byte(), text.size());
            Edit(h, model, text.substr(0, at) + script.Text(script.Byte() % 16) + text.substr(at));
            break;
        }
        case 1: {  // delete
            const std::size_t at = Scaled(script.Byte(), text.size());
            const std::size_t count = Scaled(script.Byte(), text.size() - at);
            Edit(h, model, text.substr(0, at) + text.substr(at + count));
            break;
        }
        case 2: {  // replace
            const std::size_t at = Scaled(script.Byte(), text.size());
            const std::size_t count = Scaled(script.Byte(), text.size() - at);
            Edit(h, model, text.substr(0, at) + script.Text(script.Byte() % 16) + text.substr(at + count));
            break;
        }
        case 3: Undo(h, model); break;
        case 4: Redo(h, model); break;
        case 5: {  // a text set by the program, then a reset: the new baseline
            const std::string now = script.Text(script.Byte() % 32);
            FUZZ_CHECK(ResetTextBox(gPanel, gBox, now.c_str()) >= 0);
            undo_Reset(h);
            FUZZ_CHECK(!undo_Changed(h) && !undo_CanUndo(h) && !undo_CanRedo(h));
            model = Model();
            model.texts.push_back(now);
            break;
        }
        default:  // the view that the next step records
            SetCtrlAttribute(gPanel, gBox, ATTR_TEXT_SELECTION_START, static_cast<int>(script.Byte()) - 8);
            SetCtrlAttribute(gPanel, gBox, ATTR_TEXT_SELECTION_LENGTH, static_cast<int>(script.Byte()) - 8);
            SetCtrlAttribute(gPanel, gBox, ATTR_FIRST_VISIBLE_LINE, static_cast<int>(script.Byte() % 8));
            break;
        }
    }

    while (undo_CanRedo(h)) Redo(h, model);
    const std::string last = BoxText();
    while (undo_CanUndo(h)) Undo(h, model);
    if (!(h->flags & kUndoTruncated)) {
        FUZZ_CHECK(BoxText() == model.texts[0]);
        FUZZ_CHECK(!undo_Changed(h));
    }
    while (undo_CanRedo(h)) Redo(h, model);
    FUZZ_CHECK(BoxText() == last);
    undo_Close(h);
    return 0;
}
