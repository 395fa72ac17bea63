// Answers queued for popups by the automation API, the record of popups
// shown, and the key events whose key a key-press callback may replace.
// Both backends own one of each; the backend decides how an answer is given.
#ifndef UIRT_AUTOMATION_H
#define UIRT_AUTOMATION_H

#include <deque>
#include <optional>
#include <string>
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
    void clearAnswers();

    // Taking the oldest answer of a kind; false / nullopt when none is queued.
    bool takeMessage();
    std::optional<int> takeConfirm();
    std::optional<FileAnswer> takeFileSelect();
    // The outer optional is empty with no answer queued; the inner one is
    // empty when the answer dismisses the menu.
    std::optional<std::optional<std::string>> takePopupMenu();

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
// record and replacing the key of a key event. The backend shows the popups
// and hands out key-event ids through these members.
class AutomatedBackend : public Backend {
public:
    int SetKeyPressEventKey(int eventData2, int key) override;
    int AutoAnswerMessage() override;
    int AutoAnswerConfirm(int yes) override;
    int AutoAnswerFileSelect(int result, const char* path) override;
    int AutoAnswerPopupMenu(const char* itemName) override;
    int AutoClearAnswers() override;
    int AutoPopupCount() override;
    int AutoGetPopup(int index, int* kind, char* title, int titleSize, char* text, int textSize) override;
    int AutoClearPopupLog() override;

protected:
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
