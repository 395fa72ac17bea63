// The extension's C functions when memory runs out, on the headless backend:
// each allocation of ExtendTextBox, of a recorded edit and of an undo fails in
// turn. Nothing is thrown out of the library, the results are the documented
// ones, the box keeps working, and what the history still offers leads only
// to texts the box had.
//
// The library's own malloc, calloc and realloc calls are wrapped at link time
// (-Wl,--wrap), so they fail without touching the run-time's; operator new
// fails for the whole process.
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "pelmo_test.h"
#include "undo.h"

namespace {
std::atomic<long> gAllocations{0};
std::atomic<long> gFailAt{-1};
std::atomic<bool> gNewFails{false};  // operator new counts only when set
bool FailThisOne() { return gAllocations++ == gFailAt; }
}  // namespace

// Visible: under the address sanitizer its run-time links against them.
#define WRAPPER extern "C" __attribute__((visibility("default")))
extern "C" {
void* __real_malloc(std::size_t);
void* __real_calloc(std::size_t, std::size_t);
void* __real_realloc(void*, std::size_t);
}
WRAPPER void* __wrap_malloc(std::size_t size) { return FailThisOne() ? nullptr : __real_malloc(size); }
WRAPPER void* __wrap_calloc(std::size_t n, std::size_t size) { return FailThisOne() ? nullptr : __real_calloc(n, size); }
WRAPPER void* __wrap_realloc(void* p, std::size_t size) { return FailThisOne() ? nullptr : __real_realloc(p, size); }

void* operator new(std::size_t size) {
    if (gNewFails && FailThisOne()) throw std::bad_alloc();
    if (void* p = __real_malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace pelmo_test {
namespace {

constexpr int kUndoKey = VAL_MENUKEY_MODIFIER | 'Z';
constexpr int kRedoKey = VAL_MENUKEY_MODIFIER | VAL_BACKSPACE_VKEY;

int HostCallback(int, int, int, void*, int, int) { return 0; }

// Arms the failure of allocation `failAt` for the scope; reached() tells
// whether the scope allocated that many times.
class Failing {
public:
    Failing(long failAt, bool newFails) : start_(gAllocations.load()), failAt_(failAt) {
        gNewFails = newFails;
        gFailAt = start_ + failAt;
    }
    ~Failing() { Disarm(); }
    void Disarm() {
        gFailAt = -1;
        gNewFails = false;
    }
    bool Reached() const { return gAllocations.load() > start_ + failAt_; }

private:
    long start_;
    long failAt_;
};

class MemoryRunsOut : public BoxTest {
protected:
    std::string TextOf(int control) const {
        int length = 0;
        GetCtrlAttribute(panel, control, ATTR_STRING_TEXT_LENGTH, &length);
        std::string s(static_cast<size_t>(length) + 1, '\0');
        GetCtrlVal(panel, control, s.data());
        s.resize(static_cast<size_t>(length));
        return s;
    }
    // Undoes while possible: every text reached is one the box had, walking
    // back through `texts`; then redoes everything back to the newest text.
    void Retrace(const std::vector<std::string>& texts) const {
        size_t j = texts.size() - 1;
        ASSERT_EQ(text(), texts[j]);
        std::vector<std::string> undone;
        while (undo_CanUndo(history)) {
            undone.push_back(text());
            key(kUndoKey);
            while (j > 0 && texts[--j] != text()) {
            }
            ASSERT_EQ(texts[j], text()) << "an undo left a text the box never had";
        }
        while (undo_CanRedo(history)) {
            key(kRedoKey);
            ASSERT_FALSE(undone.empty());
            ASSERT_EQ(text(), undone.back());
            undone.pop_back();
        }
        EXPECT_TRUE(undone.empty());
    }
};

TEST_F(MemoryRunsOut, ExtendTextBoxGivesNullAndTheBoxStillWorks) {
    long failAt = 0;
    for (;; ++failAt) {
        const int extra = NewCtrl(panel, CTRL_TEXT_BOX, "", 250, 10);
        ASSERT_GT(extra, 0);
        ASSERT_EQ(SetCtrlAttribute(panel, extra, ATTR_CALLBACK_FUNCTION_POINTER, HostCallback), 0);
        Failing failing(failAt, true);
        UndoHistory* h = ExtendTextBox(panel, extra, 0, 20);
        failing.Disarm();
        const bool reached = failing.Reached();
        CtrlCallbackPtr callback = nullptr;
        GetCtrlAttribute(panel, extra, ATTR_CALLBACK_FUNCTION_POINTER, &callback);
        if (h == nullptr) {
            EXPECT_TRUE(reached) << "NULL only when memory ran out";
            // Either the box was left as it was, or it is extended without undo.
            AutoTypeText(panel, extra, "ab");
            ProcessSystemEvents();
            EXPECT_EQ(TextOf(extra), "ab") << "allocation " << failAt;
            AutoTypeKey(panel, extra, kUndoKey);
            ProcessSystemEvents();
            EXPECT_EQ(TextOf(extra), "ab") << "no history, nothing to undo";
        } else {
            EXPECT_NE(callback, HostCallback);
            AutoTypeText(panel, extra, "ab");
            AutoTypeKey(panel, extra, kUndoKey);
            ProcessSystemEvents();
            EXPECT_EQ(TextOf(extra), "") << "allocation " << failAt;
            undo_Close(h);
        }
        DiscardCtrl(panel, extra);
        if (!reached) break;
    }
    EXPECT_GT(failAt, 3);
}

// Pastes that grow the box past the history's buffers, each allocation of
// the recording failing in turn.
TEST_F(MemoryRunsOut, RecordingGivesUpTheHistoryButNeverMisleadsUndo) {
    const std::string piece(3000, 'w');
    long failAt = 0;
    for (;; ++failAt) {
        ASSERT_NE(extend(50), nullptr);
        load("start ");
        std::vector<std::string> texts{text()};
        bool reached = false;
        for (int round = 0; round < 4; ++round) {
            ClipboardPutText((piece + std::to_string(round) + " ").c_str());
            select(static_cast<int>(text().size()), 0);
            Failing failing(round == 2 ? failAt : -2, false);
            key(VAL_MENUKEY_MODIFIER | 'V');
            ProcessSystemEvents();
            failing.Disarm();
            reached = reached || (round == 2 && failing.Reached());
            texts.push_back(text());
            ASSERT_EQ(texts.back().size(), texts[texts.size() - 2].size() + piece.size() + 2)
                << "the paste itself never fails";
        }
        EXPECT_EQ(undo_Changed(history), 1);
        Retrace(texts);
        undo_Close(history);
        history = nullptr;
        if (!reached) break;
    }
    EXPECT_GT(failAt, 0);
}

// A reset whose new baseline cannot be read: the history is empty and the
// text not changed, but the next edit is seen, whatever allocation failed.
TEST_F(MemoryRunsOut, ResetStillSeesTheNextEdit) {
    const std::string big(20000, 'r');
    long failAt = 0;
    for (;; ++failAt) {
        ASSERT_NE(extend(50, 4096), nullptr);
        type("ab");
        ResetTextBox(panel, box, big.c_str());
        Failing failing(failAt, false);
        undo_Reset(history);
        failing.Disarm();
        EXPECT_EQ(undo_Changed(history), 0) << "allocation " << failAt;
        EXPECT_EQ(undo_CanUndo(history), 0);
        select(0, 0);
        type("x");
        EXPECT_EQ(undo_Changed(history), 1) << "allocation " << failAt;
        // Whatever the history still offers leads to texts the box had.
        while (undo_CanUndo(history)) key(kUndoKey);
        EXPECT_TRUE(text() == big || text() == "x" + big) << "allocation " << failAt;
        undo_Close(history);
        history = nullptr;
        if (!failing.Reached()) break;
    }
    EXPECT_GT(failAt, 0);
}

TEST_F(MemoryRunsOut, UndoAndRedoThatCannotRebuildChangeNothing) {
    long failAt = 0;
    for (;; ++failAt) {
        ASSERT_NE(extend(50, 4096), nullptr);
        load("");
        const std::string big(9000, 'b');
        ClipboardPutText(big.c_str());
        key(VAL_MENUKEY_MODIFIER | 'V');
        select(0, 9000);
        key(VAL_FWD_DELETE_VKEY);
        type("x");  // both text buffers shrink back to the base size
        key(kUndoKey);
        ProcessSystemEvents();
        ASSERT_EQ(text(), "");
        const int position = history->position;
        Failing failing(failAt, false);
        key(kUndoKey);
        ProcessSystemEvents();
        failing.Disarm();
        if (history->position == position) {
            EXPECT_TRUE(failing.Reached());
            EXPECT_EQ(text(), "") << "a failed undo leaves the text";
        } else {
            EXPECT_EQ(text(), big);
        }
        // The history is whole: back to the start and forward to the end.
        while (undo_CanUndo(history)) key(kUndoKey);
        EXPECT_EQ(text(), "");
        while (undo_CanRedo(history)) key(kRedoKey);
        EXPECT_EQ(text(), "x");
        undo_Close(history);
        history = nullptr;
        if (!failing.Reached()) break;
    }
    EXPECT_GT(failAt, 0);
}

}  // namespace
}  // namespace pelmo_test
