// Automation answers, the popup record and the key events being handled.
#include "automation.h"

#include <algorithm>

#include "attrs.h"

namespace uirt {

void AutomationLog::answerPopupMenu(const char* itemName) {
    menuAnswers_.push_back(itemName ? std::optional<std::string>(itemName) : std::nullopt);
}

void AutomationLog::clearAnswers() {
    messageAnswers_ = 0;
    confirmAnswers_.clear();
    fileAnswers_.clear();
    menuAnswers_.clear();
    panelAnswers_.clear();
}

bool AutomationLog::takeMessage() {
    if (messageAnswers_ == 0) return false;
    --messageAnswers_;
    return true;
}

std::optional<int> AutomationLog::takeConfirm() {
    if (confirmAnswers_.empty()) return std::nullopt;
    const int yes = confirmAnswers_.front();
    confirmAnswers_.pop_front();
    return yes;
}

std::optional<AutomationLog::FileAnswer> AutomationLog::takeFileSelect() {
    if (fileAnswers_.empty()) return std::nullopt;
    FileAnswer answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    return answer;
}

std::optional<std::optional<std::string>> AutomationLog::takePopupMenu() {
    if (menuAnswers_.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(menuAnswers_.front());
    menuAnswers_.pop_front();
    return answer;
}

int AutomationLog::takePanelAnswer(std::string_view title,
                                   const std::function<int(const std::string& label)>& controlOf) {
    for (auto it = panelAnswers_.begin(); it != panelAnswers_.end(); ++it) {
        if (it->title != title) continue;
        if (const int control = controlOf(it->label); control > 0) {
            panelAnswers_.erase(it);
            return control;
        }
    }
    return 0;
}

void AutomationLog::record(int kind, std::string title, std::string text) {
    popups_.push_back(Popup{kind, std::move(title), std::move(text)});
}

int AutomationLog::get(int index, int* kind, char* title, int titleSize, char* text, int textSize) const {
    if (index < 0 || static_cast<size_t>(index) >= popups_.size()) return UIE_BAD_VALUE;
    const Popup& r = popups_[static_cast<size_t>(index)];
    if (kind) *kind = r.kind;
    copyTruncated(r.title, title, titleSize);
    copyTruncated(r.text, text, textSize);
    return 0;
}

KeyEvents::Scope::Scope(KeyEvents& events, int key) : events_(events), id_(events.nextId_++), key_(key) {
    events_.active_.push_back(this);
}

KeyEvents::Scope::~Scope() {
    events_.active_.erase(std::find(events_.active_.begin(), events_.active_.end(), this));
}

int KeyEvents::setKey(int id, int key) {
    for (Scope* s : active_) {
        if (s->id_ == id) {
            s->key_ = key;
            return 0;
        }
    }
    return UIE_BAD_VALUE;
}

int AutomatedBackend::SetKeyPressEventKey(int eventData2, int key) { return keyEvents_.setKey(eventData2, key); }

int AutomatedBackend::AutoAnswerMessage() {
    automation_.answerMessage();
    return 0;
}

int AutomatedBackend::AutoAnswerConfirm(int yes) {
    automation_.answerConfirm(yes);
    return 0;
}

int AutomatedBackend::AutoAnswerFileSelect(int result, const char* path) {
    automation_.answerFileSelect(result, path);
    return 0;
}

int AutomatedBackend::AutoAnswerPopupMenu(const char* itemName) {
    automation_.answerPopupMenu(itemName);
    return 0;
}

int AutomatedBackend::AutoAnswerPanel(const char* title, const char* label) {
    automation_.answerPanel(title, label);
    return 0;
}

void AutomatedBackend::answerDisplayedPanel(int panel, std::string_view title) {
    const int control =
        automation_.takePanelAnswer(title, [&](const std::string& label) { return AutoFindCtrl(panel, label.c_str()); });
    if (control > 0) queueClick(panel, control);
}

int AutomatedBackend::AutoClearAnswers() {
    automation_.clearAnswers();
    return 0;
}

int AutomatedBackend::AutoPopupCount() { return automation_.count(); }

int AutomatedBackend::AutoGetPopup(int index, int* kind, char* title, int titleSize, char* text, int textSize) {
    return automation_.get(index, kind, title, titleSize, text, textSize);
}

int AutomatedBackend::AutoClearPopupLog() {
    automation_.clearRecord();
    return 0;
}

int AutomatedBackend::AutoFindPanel(const char* title) {
    const std::vector<int> panels = panelsTitled(title);
    return panels.empty() ? UIE_BAD_PANEL : panels.front();
}

int AutomatedBackend::AutoFindPanelWithCtrl(const char* title, const char* label) {
    for (int panel : panelsTitled(title))
        if (AutoFindCtrl(panel, label) > 0) return panel;
    return UIE_BAD_PANEL;
}

}  // namespace uirt
