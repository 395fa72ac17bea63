// pelmo-demo: a small window program that shows libpelmo in use, and the
// example a host program can follow.
//
// Two text boxes side by side: the left one extended with an undo history of
// 100 steps, the right one extended without history (its context menu has no
// Undo / Redo). Below them a line tells whether the left box's text was
// changed since it was last opened or saved, and three buttons: open a text
// file into the left box, save the left box into a file, and quit. Quitting
// (the button or closing the window) asks first when the text is not saved.
// The window can be resized and maximised; the boxes grow with it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cp1251.h"
#include "pelmo.h"
#include "uirt.h"

using namespace cp1251::literals;

namespace {

struct Demo {
    int panel = 0;
    int historyBox = 0;  // extended with an undo history
    int plainBox = 0;    // extended without one
    int status = 0;      // "changed" / "not changed"
    UndoHistory* history = nullptr;
    CtrlCallbackPtr libraryCallback = nullptr;  // the box callback ExtendTextBox installed
    bool statusPending = false;
    std::string saved;  // the left box's text as last opened or saved
};

Demo demo;

constexpr const char* kHistorySample = R"(/* Сумма элементов массива. */
int sum(const int* a, int n)
{
    int s = 0;
    for (int i = 0; i < n; ++i)
        s += a[i];
    return s;
}
)"_cp1251;

constexpr const char* kPlainSample = R"(Это окно без истории правок.

Щелчок правой кнопкой открывает меню, Ctrl+F и Ctrl+H
открывают поиск и замену, Tab и Shift+Tab сдвигают
выделенные строки, Enter сохраняет отступ.
)"_cp1251;

std::string boxText() {
    int length = 0;
    GetCtrlAttribute(demo.panel, demo.historyBox, ATTR_STRING_TEXT_LENGTH, &length);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetCtrlVal(demo.panel, demo.historyBox, text.data());
    text.resize(static_cast<size_t>(length));
    return text;
}

// True when the left box's text differs from the one last opened or saved.
// The text itself is compared: undo_Changed tells of edits since the
// history's baseline, which saving does not move (an undo_Reset would empty
// the history), and an edit may also lead back to the saved text.
bool unsaved() { return boxText() != demo.saved; }

void showStatus(void*) {
    demo.statusPending = false;
    SetCtrlVal(demo.panel, demo.status, unsaved() ? "Текст слева изменён"_cp1251 : "Текст слева не изменён"_cp1251);
}

// ExtendTextBox takes over the box's callback, and the run-time gives a
// panel callback no key or edit events, so the host cannot hear of edits
// directly. It puts this callback in front of the library's: every event of
// the box goes to the library first, then a deferred call refreshes the
// status line. The deferred call runs once the event has been handled
// completely (the key, the library's undo recording, the value change), so
// it reads the history's final state; edits made by the Find/Replace panel
// arrive at the box as keys and pass through here as well.
int HistoryBoxCallback(int panel, int control, int event, void* callbackData, int data1, int data2) {
    demo.libraryCallback(panel, control, event, callbackData, data1, data2);
    if (!demo.statusPending) {
        demo.statusPending = true;
        PostDeferredCall(showStatus, nullptr);
    }
    return 0;
}

// Reads a whole file in text mode (CR LF becomes LF); false when it cannot be read.
bool readTextFile(const char* path, std::string& text) {
    const int file = CVI_OpenFile(path, VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    if (file <= 0) return false;
    text.clear();
    char chunk[65536];
    int n = 0;
    while ((n = CVI_ReadFile(file, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<size_t>(n));
    CVI_CloseFile(file);
    return n == 0;
}

// Writes text to the file at path (the system's UTF-8 name) so that the file
// is either the old one or the new one whole: the text goes into a new file
// in the same folder, which then takes the old one's name. 0, or the errno
// of the step that failed (the old file is then untouched).
int writeWhole(const std::string& path, const std::string& text) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = folder + "." + name + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return errno;
    // The new file gets the old one's permissions, or those of a new file.
    struct stat old {};
    mode_t mode = 0;
    if (stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode = umask(0);
        umask(mode);
        mode = 0666 & ~mode;
    }
    int error = fchmod(fd, mode) == 0 ? 0 : errno;
    for (size_t done = 0; !error && done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno != EINTR) error = errno;
        if (n > 0) done += static_cast<size_t>(n);
    }
    if (!error && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && !error) error = errno;
    if (!error && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error) unlink(temporary.c_str());
    return error;
}

int SaveFile(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    char path[MAX_PATHNAME_LEN];
    if (FileSelectPopup("", "*.txt", "*.txt;*.c;*.h;*.cpp", "Сохранить текст в файл"_cp1251, VAL_SAVE_BUTTON, 0, 0,
                        1, 1, path) <= 0)
        return 0;
    const std::string text = boxText();
    if (const int error = writeWhole(cp1251::to_utf8(path), text)) {
        const std::string message = "Файл не сохранён, прежний файл не тронут:\n"_cp1251 + std::string(path) +
                                    "\n" + cp1251::from_utf8(std::strerror(error));
        MessagePopup("Сохранить файл"_cp1251, message.c_str());
        return 0;
    }
    demo.saved = text;
    showStatus(nullptr);
    return 0;
}

int OpenFile(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (unsaved() &&
        !ConfirmPopup("Открыть файл"_cp1251, "Текст слева изменён. Заменить его содержимым файла?"_cp1251))
        return 0;
    char path[MAX_PATHNAME_LEN];
    if (FileSelectPopup("", "*.txt", "*.txt;*.c;*.h;*.cpp", "Открыть текстовый файл"_cp1251, VAL_LOAD_BUTTON, 0,
                        0, 1, 0, path) != VAL_EXISTING_FILE_SELECTED)
        return 0;
    std::string text;
    if (!readTextFile(path, text)) {
        MessagePopup("Открыть файл"_cp1251, "Файл не читается."_cp1251);
        return 0;
    }
    // A text set by the program raises no event: the host makes it the
    // history's new baseline itself.
    ResetTextBox(demo.panel, demo.historyBox, text.c_str());
    undo_Reset(demo.history);
    demo.saved = text;
    showStatus(nullptr);
    return 0;
}

// Quits, once the user agreed to lose a text not saved.
void quitAsking() {
    if (unsaved() && !ConfirmPopup("Выход"_cp1251, "Текст слева изменён и не сохранён. Выйти без сохранения?"_cp1251))
        return;
    QuitUserInterface(0);
}

int Quit(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) quitAsking();
    return 0;
}

int PanelCallback(int, int, int event, void*, int, int) {
    if (event == EVENT_CLOSE) quitAsking();
    return 0;
}

int textBox(const char* label, int left, int anchor) {
    const int box = NewCtrl(demo.panel, CTRL_TEXT_BOX, label, 30, left);
    SetCtrlAttribute(demo.panel, box, ATTR_WIDTH, 395);
    SetCtrlAttribute(demo.panel, box, ATTR_HEIGHT, 320);
    SetCtrlAttribute(demo.panel, box, ATTR_TEXT_FONT, "Monospace");
    SetCtrlAttribute(demo.panel, box, ATTR_ANCHOR, anchor);
    return box;
}

int button(const char* label, int left, int width, CtrlCallbackPtr callback, int anchor) {
    const int ctrl = NewCtrl(demo.panel, CTRL_COMMAND_BUTTON, label, 385, left);
    SetCtrlAttribute(demo.panel, ctrl, ATTR_WIDTH, width);
    SetCtrlAttribute(demo.panel, ctrl, ATTR_HEIGHT, 26);
    SetCtrlAttribute(demo.panel, ctrl, ATTR_CALLBACK_FUNCTION_POINTER, callback);
    SetCtrlAttribute(demo.panel, ctrl, ATTR_ANCHOR, anchor);
    return ctrl;
}

// The window grows and shrinks (never below its first size): the left box
// takes the new width and both boxes the new height; the line and the
// buttons below them stay at the bottom.
bool buildWindow() {
    demo.panel = NewPanel(0, "Pelmo — пример"_cp1251, 80, 80, 422, 820);
    if (demo.panel < 0) return false;
    SetPanelAttribute(demo.panel, ATTR_CALLBACK_FUNCTION_POINTER, PanelCallback);
    SetPanelAttribute(demo.panel, ATTR_RESIZABLE, 1);
    const int left = VAL_ANCHOR_LEFT, top = VAL_ANCHOR_TOP, right = VAL_ANCHOR_RIGHT, bottom = VAL_ANCHOR_BOTTOM;
    demo.historyBox = textBox("С историей правок (100 шагов)"_cp1251, 10, left | right | top | bottom);
    demo.plainBox = textBox("Без истории правок"_cp1251, 415, right | top | bottom);
    demo.status = NewCtrl(demo.panel, CTRL_TEXT_MSG, "", 358, 10);
    SetCtrlAttribute(demo.panel, demo.status, ATTR_WIDTH, 400);
    SetCtrlAttribute(demo.panel, demo.status, ATTR_ANCHOR, left | bottom);
    button("Открыть файл…"_cp1251, 10, 130, OpenFile, left | bottom);
    button("Сохранить файл…"_cp1251, 150, 150, SaveFile, left | bottom);
    button("Выход"_cp1251, 730, 80, Quit, right | bottom);
    return demo.historyBox > 0 && demo.plainBox > 0 && demo.status > 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!InitUIRuntime(argc, argv, UIRT_BACKEND_QT)) {
        std::fprintf(stderr, "pelmo-demo: no display is available\n");
        return 1;
    }
    if (!buildWindow()) {
        std::fprintf(stderr, "pelmo-demo: the window could not be built\n");
        return 1;
    }
    ResetTextBox(demo.panel, demo.historyBox, kHistorySample);
    ResetTextBox(demo.panel, demo.plainBox, kPlainSample);

    // Extend the boxes once they exist. The host owns the history.
    demo.history = ExtendTextBox(demo.panel, demo.historyBox, 0, 100);
    ExtendTextBox(demo.panel, demo.plainBox, 0, 0);
    if (!demo.history) {
        std::fprintf(stderr, "pelmo-demo: the text box could not be extended\n");
        return 1;
    }
    GetCtrlAttribute(demo.panel, demo.historyBox, ATTR_CALLBACK_FUNCTION_POINTER, &demo.libraryCallback);
    SetCtrlAttribute(demo.panel, demo.historyBox, ATTR_CALLBACK_FUNCTION_POINTER, HistoryBoxCallback);
    // The sample text was set by the program: it is the baseline.
    undo_Reset(demo.history);
    demo.saved = kHistorySample;
    showStatus(nullptr);

    DisplayPanel(demo.panel);
    SetActiveCtrl(demo.panel, demo.historyBox);
    const int code = RunUserInterface();
    undo_Close(demo.history);
    return code;
}
