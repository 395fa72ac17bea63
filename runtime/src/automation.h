// Answers queued for popups and program panels by the automation API, the
// record of popups shown, and the key events whose key a key-press callback
// may replace. Both backends own one of each; the backend decides how an
// answer is given.
#ifndef UIRT_AUTOMATION_H
#define UIRT_AUTOMATION_H

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backend.h"

namespace uirt {

class AutomationLog {
public:
    struct FileAnswer {
        int result;
        std::string path;
    };

    // Queueing answers (AutoAnswer*) and dropping them all.
    void answerMessage() { ++messageAnswers_; }
    void answerConfirm(int yes) { confirmAnswers_.push_back(yes != 0); }
    void answerFileSelect(int result, const char* path) { fileAnswers_.push_back({result, path ? path : ""}); }
    // A null name dismisses the menu.
    void answerPopupMenu(const char* itemName);
    void answerPanel(const char* title, const char* label) { panelAnswers_.push_back({title, label}); }
    void clearAnswers();

    // Taking the oldest answer of a kind; false / nullopt when none is queued.
    bool takeMessage();
    std::optional<int> takeConfirm();
    std::optional<FileAnswer> takeFileSelect();
    // The outer optional is empty with no answer queued; the inner one is
    // empty when the answer dismisses the menu.
    std::optional<std::optional<std::string>> takePopupMenu();
    // Takes the oldest panel answer for a panel with this title whose label
    // controlOf turns into a control id (> 0) and returns that id; 0 when
    // no queued answer fits, and then nothing is taken.
    int takePanelAnswer(std::string_view title, const std::function<int(const std::string& label)>& controlOf);

    // The record of popups, oldest first.
    void record(int kind, std::string title, std::string text);
    int count() const { return static_cast<int>(popups_.size()); }
    // Copies a record out, cutting title and text to the buffer sizes; UIE_BAD_VALUE for a bad index.
    int get(int index, int* kind, char* title, int titleSize, char* text, int textSize) const;
    void clearRecord() { popups_.clear(); }

private:
    struct Popup {
        int kind;
        std::string title;
        std::string text;
    };
    int messageAnswers_ = 0;
    std::deque<int> confirmAnswers_;
    std::deque<FileAnswer> fileAnswers_;
    std::deque<std::optional<std::string>> menuAnswers_;
    struct PanelAnswer {
        std::string title;
        std::string label;
    };
    std::deque<PanelAnswer> panelAnswers_;
    std::vector<Popup> popups_;
};

// The key events being handled, innermost last. Each gets an id (passed to
// the key-press callback as eventData2) by which SetKeyPressEventKey finds it.
class KeyEvents {
public:
    // Registers a key event for its lifetime; key() is the key after the
    // callbacks had their say (0 when cancelled).
    class Scope {
    public:
        Scope(KeyEvents& events, int key);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        int id() const { return id_; }
        int key() const { return key_; }

    private:
        friend class KeyEvents;
        KeyEvents& events_;
        int id_;
        int key_;
    };

    // Replaces the key of the event with this id; UIE_BAD_VALUE when no such event is being handled.
    int setKey(int id, int key);

private:
    std::vector<Scope*> active_;
    int nextId_ = 1;
};

// What every backend does alike for automation: queued answers, the popup
// record, finding panels and replacing the key of a key event. The backend
// shows the popups, lists its panels, queues clicks and hands out key-event
// ids through these members.
class AutomatedBackend : public Backend {
public:
    int SetKeyPressEventKey(int eventData2, int key) override;
    int AutoAnswerMessage() override;
    int AutoAnswerConfirm(int yes) override;
    int AutoAnswerFileSelect(int result, const char* path) override;
    int AutoAnswerPopupMenu(const char* itemName) override;
    int AutoAnswerPanel(const char* title, const char* label) override;
    int AutoClearAnswers() override;
    int AutoPopupCount() override;
    int AutoGetPopup(int index, int* kind, char* title, int titleSize, char* text, int textSize) override;
    int AutoClearPopupLog() override;
    int AutoFindPanel(const char* title) override;
    int AutoFindPanelWithCtrl(const char* title, const char* label) override;

protected:
    // Ids of the panels whose title equals title, oldest first.
    virtual std::vector<int> panelsTitled(std::string_view title) = 0;
    // Queues a left click on the control as user input, handled the next
    // time events are processed.
    virtual void queueClick(int panel, int control) = 0;
    // DisplayPanel calls this once the panel is shown: the oldest panel
    // answer that fits it becomes a queued click.
    void answerDisplayedPanel(int panel, std::string_view title);

    AutomationLog automation_;
    KeyEvents keyEvents_;
};

// The text a menu's popup record carries: the names of its items, one a
// line, separators left out and dimmed items marked with a leading '~'.
template <class Items>
std::string menuListing(const Items& items) {
    std::string listing;
    for (const auto& item : items) {
        if (item.separator) continue;
        if (!listing.empty()) listing += '\n';
        if (item.dimmed) listing += '~';
        listing += item.name;
    }
    return listing;
}

}  // namespace uirt

#endif  // UIRT_AUTOMATION_H
