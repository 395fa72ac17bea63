// Widget classes of the Qt backend: each control kind and the panel window,
// thin subclasses of Qt's widgets that hand user input to the backend.
#ifndef UIRT_QT_WIDGETS_H
#define UIRT_QT_WIDGETS_H

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "textbox.h"
#include "textmodel.h"

namespace uirt::qt {

// A control as the C interface names it.
struct CtrlRef {
    int panel = 0;
    int ctrl = 0;  // 0: the panel itself
};

// What the widgets report; implemented by the backend.
class ControlHost {
public:
    using KeyHandler = std::function<void(QKeyEvent*)>;
    virtual ~ControlHost() = default;
    // A key press for the control. The host runs the key-press callback and
    // the shortcut keys, then calls handle with the (possibly replaced) key
    // unless it was cancelled, then reports a value change.
    virtual void keyPressed(CtrlRef ref, QKeyEvent* event, const KeyHandler& handle) = 0;
    // The user changed the control's value (not the program).
    virtual void edited(CtrlRef ref) = 0;
    // Button pressed, check box clicked.
    virtual void committed(CtrlRef ref) = 0;
    // Right button pressed at pos, relative to the panel's client area.
    virtual void rightClicked(CtrlRef ref, QPoint pos) = 0;
    // The window's close button.
    virtual void closeRequested(int panel) = 0;
    virtual void panelActivated(int panel) = 0;
    // The panel's client area changed size (the user or the program resized it).
    virtual void clientResized(int panel) = 0;
    // Whether files dropped on the panel's window are wanted (it has a callback).
    virtual bool takesDrops(int panel) = 0;
    // Local files dropped on the panel's window.
    virtual void filesDropped(int panel, const QStringList& paths) = 0;
};

// Identity of a control widget and the guard for changes made by the program.
class ControlWidget {
public:
    ControlWidget(ControlHost& host, CtrlRef ref) : host_(host), ref_(ref) {}
    virtual ~ControlWidget() = default;
    CtrlRef ref() const { return ref_; }
    bool programEditing() const { return programEdits_ > 0; }

    // Marks a change made by the program, which raises no value-changed event.
    class ProgramEdit {
    public:
        explicit ProgramEdit(ControlWidget& w) : w_(w) { ++w_.programEdits_; }
        ~ProgramEdit() { --w_.programEdits_; }
        ProgramEdit(const ProgramEdit&) = delete;
        ProgramEdit& operator=(const ProgramEdit&) = delete;

    private:
        ControlWidget& w_;
    };

protected:
    // Key presses and right clicks go to the host; true when consumed.
    bool route(QWidget* self, QEvent* event, const ControlHost::KeyHandler& handle);
    void reportEdit() {
        if (!programEditing()) host_.edited(ref_);
    }

    ControlHost& host_;
    CtrlRef ref_;
    int programEdits_ = 0;
};

class TextBoxWidget;

// How a text box shows a large text: the lines in sight are painted straight
// from the bytes of the box's text model; the vertical scroll bar counts lines.
class LineView : public QAbstractScrollArea {
public:
    explicit LineView(TextBoxWidget& box);
    // Scroll bar ranges for the model's lines and the widest line known.
    void updateRanges();
    // The text changed other than by appending: widths are measured anew.
    void textReplaced();
    int firstLine() const;
    void setFirstLine(int line);
    int visibleLines() const;
    // Scrolls so that the caret is in sight, as after a key the user typed.
    void ensureCaretVisible();
    // Lays out the viewport for the current size even while hidden.
    void syncLayout();

protected:
    bool event(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void paint();
    void mouse(QMouseEvent* m);
    // Offset of the character boundary nearest to a point of the viewport.
    int offsetAt(QPoint at);
    int lineHeight() const;
    int textX(int line, int column);  // pixel x of a column, scrolling aside

    TextBoxWidget& box_;
    int widest_ = 0;        // widest line measured so far, in pixels
    int measuredLines_ = 0; // lines looked at for the longest one
    int longestLine_ = -1;  // the line with the most bytes among them
    bool dragging_ = false;
};

// Multi-line text box: one block of the document per line, no wrapping.
// Lines appended by the program are kept as bytes and put into the document
// in one insertion at most every 50 ms, and always before anything reads or
// edits the box, so that results are the same as with one insertion per line.
//
// A large text (more than kLargeLines lines or kLargeBytes bytes) leaves the
// document: it is held as bytes with a line index in a text model and shown
// by a LineView laid over the box, which paints only the lines in sight and
// applies keys with the model's editing rules. Memory then stays near the
// text's own size and appending stays cheap. Replacing the whole text by a
// small one returns the box to its document.
class TextBoxWidget : public QPlainTextEdit, public ControlWidget, public TextBoxAccess {
public:
    static constexpr int kLargeLines = 20000;
    static constexpr int kLargeBytes = 4 << 20;

    TextBoxWidget(ControlHost& host, CtrlRef ref, QWidget* parent);

    // TextBoxAccess: what the shared text-box rules act on.
    void reset(std::string_view text) override { resetText(text); }
    void insertLineBefore(int index, std::string_view line) override { insertLine(index, line); }
    int lineStart(int index) override { return lineOffset(index); }
    void copyLine(int index, char* buffer) override;

    void flush();
    bool hasPending() const { return !pending_.empty(); }

    void resetText(std::string_view bytes);
    void appendLine(std::string_view bytes) override;
    // Inserts a line before line index (0 <= index <= count).
    void insertLine(int index, std::string_view bytes);
    // The whole text as bytes; valid until the box changes.
    std::string_view text();
    int textLength() override;
    int lineCount() override;
    std::string line(int index);
    int lineLength(int index) override;
    int lineOffset(int index);  // -1 past the last line
    int lineOfOffset(int offset) override;
    int selectionStart();
    int selectionLength();
    void setSelectionStart(int start);
    void setSelectionLength(int length);
    int firstVisibleLine();
    void setFirstVisibleLine(int line);
    int visibleLines();
    // Lays out the viewport for the current size even while hidden.
    void syncLayout();
    // The widget that takes the box's mouse clicks.
    QWidget* mouseTarget();

    // For the LineView.
    bool large() const { return large_; }
    const headless::TextModel& model() const { return model_; }
    headless::TextModel& model() { return model_; }
    bool viewKeyPress(QKeyEvent* e);
    bool viewRightClick(QWidget* self, QEvent* e) { return route(self, e, {}); }

protected:
    bool event(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void enterLarge();
    void leaveLarge();
    void largeKey(QKeyEvent* k);

    void handleKey(QKeyEvent* k);
    void moveVertically(QKeyEvent* k, int delta);
    void setSelection(int anchor, int position);
    void selectByProgram(int anchor, int position);
    QPoint scrollPosition() const;  // horizontal, vertical
    void setScrollPosition(QPoint at);
    bool docEmpty() const;

    void mirrorChange(int position, int removed, int added);

    std::string pending_;         // appended lines not yet in the document
    int pendingLines_ = 0;        // lines in pending_
    // The document's text as bytes, kept up to date edit by edit once it was
    // asked for, so that reading a box after a keystroke costs a copy, not a
    // conversion of the whole document.
    std::string bytes_;
    bool bytesValid_ = false;
    bool oneEmptyLine_ = false;   // the empty document holds one empty line
    QTimer flushTimer_;
    bool large_ = false;          // the text is in model_, shown by view_
    headless::TextModel model_;
    LineView* view_ = nullptr;
};

class StringWidget : public QLineEdit, public ControlWidget {
public:
    StringWidget(ControlHost& host, CtrlRef ref, QWidget* parent);

protected:
    bool event(QEvent* e) override;

private:
    void handleKey(QKeyEvent* k);
};

class NumericWidget : public QSpinBox, public ControlWidget {
public:
    NumericWidget(ControlHost& host, CtrlRef ref, QWidget* parent);

protected:
    bool event(QEvent* e) override;
};

class ButtonWidget : public QPushButton, public ControlWidget {
public:
    ButtonWidget(ControlHost& host, CtrlRef ref, QWidget* parent);

protected:
    bool event(QEvent* e) override;

private:
    void handleKey(QKeyEvent* k);
};

class CheckWidget : public QCheckBox, public ControlWidget {
public:
    CheckWidget(ControlHost& host, CtrlRef ref, QWidget* parent);
    // Where a click toggles the box: the middle of its indicator.
    QPoint clickPoint() const;

protected:
    bool event(QEvent* e) override;
};

class ProgressWidget : public QProgressBar, public ControlWidget {
public:
    ProgressWidget(ControlHost& host, CtrlRef ref, QWidget* parent);

protected:
    bool event(QEvent* e) override;
};

class TextMsgWidget : public QLabel, public ControlWidget {
public:
    TextMsgWidget(ControlHost& host, CtrlRef ref, QWidget* parent);

protected:
    bool event(QEvent* e) override;
};

// A panel: a top-level window (or a child of its parent panel) whose client
// area holds the controls at their pixel positions, below an optional menu bar.
class PanelWindow : public QWidget {
public:
    PanelWindow(ControlHost& host, int panel, QWidget* parent);
    QWidget* client() const { return client_; }
    // Attaches a menu bar above the client area (null detaches).
    void setMenuBar(QMenuBar* bar);
    QMenuBar* menuBar() const { return menuBar_; }
    // Client-area geometry, in pixels: the size the program gives the panel.
    // A resizable window may grow beyond it but never shrinks below it; any
    // other keeps exactly this size.
    void setClientSize(int width, int height);
    QSize clientSize() const { return client_->size(); }
    void setResizable(bool on);
    int panel() const { return panel_; }
    // Takes the local files of a drop; false when the panel wants none of them.
    bool takeDrop(const QMimeData* data);

protected:
    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void layoutClient();
    void applySizing();

    ControlHost& host_;
    int panel_;
    QWidget* client_;
    QMenuBar* menuBar_ = nullptr;
    QSize designed_;          // the whole window at the size the program gave it
    bool resizable_ = false;
};

// The control widget that holds w (w itself or an ancestor), or null.
ControlWidget* controlOf(QWidget* w);

}  // namespace uirt::qt

#endif  // UIRT_QT_WIDGETS_H
