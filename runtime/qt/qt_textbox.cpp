// The text box of the Qt backend: a QPlainTextEdit with one block per line,
// byte offsets equal to character offsets, and batched appends.
#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <optional>

#include "attrs.h"
#include "qt_keys.h"
#include "uirt.h"
#include "qt_text.h"
#include "qt_widgets.h"

namespace uirt::qt {

namespace {
constexpr int kFlushIntervalMs = 50;
}

TextBoxWidget::TextBoxWidget(ControlHost& host, CtrlRef ref, QWidget* parent)
    : QPlainTextEdit(parent), ControlWidget(host, ref) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setWordWrapMode(QTextOption::NoWrap);
    setTabChangesFocus(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAttribute(Qt::WA_InputMethodEnabled, false);  // every character arrives as a key press
    document()->setUndoRedoEnabled(false);
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(kFlushIntervalMs);
    connect(&flushTimer_, &QTimer::timeout, this, &TextBoxWidget::flush);
    connect(document(), &QTextDocument::contentsChanged, this, [this] { oneEmptyLine_ = false; });
    connect(document(), &QTextDocument::contentsChange, this, &TextBoxWidget::mirrorChange);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { reportEdit(); });
}

bool TextBoxWidget::docEmpty() const { return document()->characterCount() <= 1; }

// ---- Batched appends -------------------------------------------------------

void TextBoxWidget::appendLine(std::string_view bytes) {
    if (large_) {
        model_.insertLine(-1, bytes);
        if (!flushTimer_.isActive()) flushTimer_.start();  // the view catches up at most every 50 ms
        return;
    }
    const bool empty = docEmpty() && pending_.empty() && !oneEmptyLine_;
    if (empty && bytes.empty()) {
        oneEmptyLine_ = true;
        return;
    }
    if (!empty) pending_ += '\n';
    pending_.append(bytes.data(), bytes.size());
    ++pendingLines_;
    if (document()->blockCount() + pendingLines_ > kLargeLines || static_cast<int>(pending_.size()) > kLargeBytes) {
        enterLarge();
        return;
    }
    if (!flushTimer_.isActive()) flushTimer_.start();
}

// The document's text and the lines not yet in it go to the model; the
// selection and the view's place stay.
void TextBoxWidget::enterLarge() {
    flushTimer_.stop();
    std::string all = docEmpty() ? std::string() : fromQString(document()->toRawText());
    all += pending_;
    pending_.clear();
    pending_.shrink_to_fit();
    pendingLines_ = 0;
    const QTextCursor c = textCursor();
    const int anchor = c.anchor(), position = c.position();
    const QPoint view = scrollPosition();
    const bool focused = hasFocus();
    large_ = true;
    model_.reset(all);
    all = std::string();
    model_.setCaret(anchor, false);
    model_.setCaret(position, true);
    {
        ProgramEdit guard(*this);
        setPlainText(QString());
    }
    if (!view_) view_ = new LineView(*this);
    view_->setGeometry(rect());
    view_->textReplaced();
    view_->show();
    setFocusProxy(view_);
    if (focused) view_->setFocus(Qt::OtherFocusReason);
    view_->syncLayout();
    view_->setFirstLine(view.y());
    view_->horizontalScrollBar()->setValue(view.x());
}

void TextBoxWidget::leaveLarge() {
    const bool focused = view_ && view_->hasFocus();
    large_ = false;
    model_ = headless::TextModel();
    setFocusProxy(nullptr);
    view_->hide();
    if (focused) setFocus(Qt::OtherFocusReason);
}

void TextBoxWidget::resizeEvent(QResizeEvent* e) {
    QPlainTextEdit::resizeEvent(e);
    if (view_) view_->setGeometry(rect());
}

QWidget* TextBoxWidget::mouseTarget() { return large_ ? view_->viewport() : viewport(); }

void TextBoxWidget::flush() {
    flushTimer_.stop();
    if (large_) {
        view_->updateRanges();
        return;
    }
    pendingLines_ = 0;
    if (pending_.empty()) return;
    const QString text = toQString(pending_);
    pending_.clear();
    pending_.shrink_to_fit();
    const QTextCursor main = textCursor();
    const int anchor = main.anchor(), position = main.position();
    const QPoint view = scrollPosition();
    ProgramEdit guard(*this);
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    setSelection(anchor, position);
    setScrollPosition(view);
}

// ---- Text and lines ----------------------------------------------------------

void TextBoxWidget::resetText(std::string_view bytes) {
    flushTimer_.stop();
    pending_.clear();
    pendingLines_ = 0;
    const bool big = static_cast<int>(bytes.size()) > kLargeBytes ||
                     std::count(bytes.begin(), bytes.end(), '\n') >= kLargeLines;
    if (big) {
        if (!large_) enterLarge();
        model_.reset(bytes);
        view_->textReplaced();
        view_->setFirstLine(0);
        view_->horizontalScrollBar()->setValue(0);
        return;
    }
    if (large_) leaveLarge();
    ProgramEdit guard(*this);
    setPlainText(toQString(bytes));
    oneEmptyLine_ = false;
    setSelection(0, 0);
    setScrollPosition({0, 0});
}

void TextBoxWidget::insertLine(int index, std::string_view bytes) {
    flush();
    if (large_) {
        // The model keeps the selection's place; the view stays.
        model_.insertLine(index, bytes);
        view_->textReplaced();
        view_->updateRanges();
        return;
    }
    const int count = lineCount();
    if (index < 0 || index >= count) {
        appendLine(bytes);
        return;
    }
    const int at = lineOffset(index);
    const int n = static_cast<int>(bytes.size()) + 1;
    const QTextCursor main = textCursor();
    int anchor = main.anchor(), position = main.position();
    textbox::shiftForInsert(at, n, anchor, position);
    const QPoint view = scrollPosition();
    ProgramEdit guard(*this);
    QTextCursor c(document());
    c.setPosition(at);
    c.insertText(toQString(bytes) + QChar(u'\n'));
    setSelection(anchor, position);
    setScrollPosition(view);
}

std::string_view TextBoxWidget::text() {
    if (large_) return model_.text();
    flush();
    if (!bytesValid_) {
        bytes_ = fromQString(document()->toRawText());
        bytesValid_ = true;
    }
    return bytes_;
}

// Applies one change of the document to the byte copy. A change that reaches
// the document's final block separator (a whole new text, for one) or that
// does not add up drops the copy; the next read rebuilds it.
void TextBoxWidget::mirrorChange(int position, int removed, int added) {
    if (!bytesValid_) return;
    const qsizetype length = static_cast<qsizetype>(bytes_.size());
    const qsizetype total = document()->characterCount() - 1;
    if (position < 0 || removed < 0 || added < 0 || position + removed > length ||
        length - removed + added != total) {
        bytesValid_ = false;
        bytes_.clear();
        bytes_.shrink_to_fit();
        return;
    }
    std::string inserted;
    if (added > 0) {
        QTextCursor c(document());
        c.setPosition(position);
        c.setPosition(position + added, QTextCursor::KeepAnchor);
        appendBytes(inserted, c.selectedText());
    }
    bytes_.replace(static_cast<size_t>(position), static_cast<size_t>(removed), inserted);
}

// Counts the lines not yet in the document without putting them there: an
// append checks the length first, and a flush per appended line would lay
// the document out once per line. (A Windows-1251 byte is one character.)
int TextBoxWidget::textLength() {
    if (large_) return model_.length();
    return document()->characterCount() - 1 + static_cast<int>(pending_.size());
}

int TextBoxWidget::lineCount() {
    if (large_) return model_.lineCount();
    flush();
    if (large_) return model_.lineCount();
    if (docEmpty()) return oneEmptyLine_ ? 1 : 0;
    return document()->blockCount();
}

std::string TextBoxWidget::line(int index) {
    if (index < 0 || index >= lineCount()) return {};
    int start = 0, length = 0;
    if (large_ && model_.lineRange(index, &start, &length))
        return std::string(model_.text().substr(static_cast<size_t>(start), static_cast<size_t>(length)));
    return fromQString(document()->findBlockByNumber(index).text());
}

void TextBoxWidget::copyLine(int index, char* buffer) { copyText(line(index), buffer); }

int TextBoxWidget::lineLength(int index) {
    if (index < 0 || index >= lineCount()) return -1;
    int start = 0, length = 0;
    if (large_) return model_.lineRange(index, &start, &length) ? length : -1;
    return document()->findBlockByNumber(index).length() - 1;
}

int TextBoxWidget::lineOffset(int index) {
    if (index < 0 || index >= lineCount()) return -1;
    int start = 0, length = 0;
    if (large_) return model_.lineRange(index, &start, &length) ? start : -1;
    return document()->findBlockByNumber(index).position();
}

int TextBoxWidget::lineOfOffset(int offset) {
    flush();
    if (offset < 0 || offset > textLength()) return -1;
    if (large_) return model_.lineOfOffset(offset);
    return document()->findBlock(offset).blockNumber();
}

// ---- Selection and scrolling -----------------------------------------------

// Qt scrolls the caret into view, as a key the user typed should.
void TextBoxWidget::setSelection(int anchor, int position) {
    const int len = document()->characterCount() - 1;
    QTextCursor c(document());
    c.setPosition(std::clamp(anchor, 0, len));
    c.setPosition(std::clamp(position, 0, len), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

// A selection the program makes leaves the view where it is.
void TextBoxWidget::selectByProgram(int anchor, int position) {
    const QPoint view = scrollPosition();
    setSelection(anchor, position);
    setScrollPosition(view);
}

QPoint TextBoxWidget::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void TextBoxWidget::setScrollPosition(QPoint at) {
    horizontalScrollBar()->setValue(at.x());
    verticalScrollBar()->setValue(at.y());
}

int TextBoxWidget::selectionStart() {
    flush();
    if (large_) return model_.selectionStart();
    return textCursor().selectionStart();
}

int TextBoxWidget::selectionLength() {
    flush();
    if (large_) return model_.selectionLength();
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void TextBoxWidget::setSelectionStart(int start) {
    if (large_) {
        model_.setSelectionStart(start);
        view_->viewport()->update();
        return;
    }
    flush();
    const int length = selectionLength();
    const int total = textLength();
    start = std::clamp(start, 0, total);
    selectByProgram(start, start + std::clamp(length, 0, total - start));
}

void TextBoxWidget::setSelectionLength(int length) {
    if (large_) {
        model_.setSelectionLength(length);
        view_->viewport()->update();
        return;
    }
    flush();
    const int start = selectionStart();
    selectByProgram(start, start + std::clamp(length, 0, textLength() - start));
}

int TextBoxWidget::firstVisibleLine() {
    flush();
    return large_ ? view_->firstLine() : verticalScrollBar()->value();
}

void TextBoxWidget::setFirstVisibleLine(int line) {
    flush();
    syncLayout();
    if (large_) view_->setFirstLine(line);
    else verticalScrollBar()->setValue(std::max(line, 0));
}

int TextBoxWidget::visibleLines() {
    syncLayout();
    if (large_) return view_->visibleLines();
    const int lineHeight = std::max(fontMetrics().lineSpacing(), 1);
    return std::max(viewport()->height() / lineHeight, 1);
}

void TextBoxWidget::syncLayout() {
    if (isVisible()) return;
    // A hidden widget gets its resize event only when shown; the viewport and
    // the scroll range need it now.
    QResizeEvent e(size(), size());
    QCoreApplication::sendEvent(this, &e);
    if (large_) view_->syncLayout();
}

// ---- Input ---------------------------------------------------------------------

bool TextBoxWidget::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress) flush();
    return route(this, e, [this](QKeyEvent* k) { handleKey(k); }) || QPlainTextEdit::event(e);
}

bool TextBoxWidget::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress && route(viewport(), e, {})) return true;
    return QPlainTextEdit::viewportEvent(e);
}

// A key pressed while the large text's view has the focus: as if pressed on the box.
bool TextBoxWidget::viewKeyPress(QKeyEvent* e) {
    flush();
    return route(this, e, [this](QKeyEvent* k) { handleKey(k); });
}

// A key on the large text: the text model's editing rules, the system
// clipboard for copying, cutting and pasting; the caret is scrolled into sight.
void TextBoxWidget::largeKey(QKeyEvent* k) {
    const std::unique_ptr<QKeyEvent> deletion = oneCharDeletion(*k);
    const int code = keyCodeOf(deletion ? *deletion : *k);
    if (code == 0) return;
    std::optional<std::string> clip;
    const int ctrlChar = code & VAL_MENUKEY_MODIFIER ? (code & VAL_ASCII_KEY_MASK) | 0x20 : 0;
    if (ctrlChar == 'v') {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (data && data->hasText()) {
            QString text = data->text();
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            clip = fromQString(text);
        }
    }
    headless::EditContext ctx;
    ctx.clipboard = &clip;
    ctx.pageLines = view_->visibleLines();
    const bool changed = model_.applyKey(code, ctx);
    if ((ctrlChar == 'c' || ctrlChar == 'x') && clip) QGuiApplication::clipboard()->setText(toQString(*clip));
    if (changed) {
        view_->textReplaced();
        reportEdit();
    }
    view_->ensureCaretVisible();
    view_->viewport()->update();
}

// The box's own handling of a key that reached it.
void TextBoxWidget::handleKey(QKeyEvent* k) {
    flush();
    if (large_) {
        largeKey(k);
        return;
    }
    if (const auto deletion = oneCharDeletion(*k)) {
        QPlainTextEdit::event(deletion.get());
        return;
    }
    const bool plain = !(k->modifiers() & ~Qt::ShiftModifier & ~Qt::KeypadModifier);
    if (plain && (k->key() == Qt::Key_Up || k->key() == Qt::Key_Down)) {
        moveVertically(k, k->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
        // Any Enter starts a new line (Shift+Enter would insert a line separator).
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QPlainTextEdit::event(&enter);
        return;
    }
    QPlainTextEdit::event(k);
}

// Up/Down keep the byte column (clamped to the target line), not the pixel
// column. On the first or last line the caret stays, and without Shift the
// selection goes.
void TextBoxWidget::moveVertically(QKeyEvent* k, int delta) {
    const QTextCursor c = textCursor();
    const bool extend = k->modifiers() & Qt::ShiftModifier;
    const QTextBlock block = c.block();
    const QTextBlock target = delta < 0 ? block.previous() : block.next();
    if (!target.isValid()) {
        if (!extend) setSelection(c.position(), c.position());
        return;
    }
    const int column = c.position() - block.position();
    const int to = target.position() + std::min(column, target.length() - 1);
    setSelection(extend ? c.anchor() : to, to);
}

// Copying keeps every character (toPlainText would turn U+00A0 into a space).
QMimeData* TextBoxWidget::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    data->setText(text);
    return data;
}

// Pasted text is reduced to what Windows-1251 can hold, so the document never
// holds a character the box could not report.
void TextBoxWidget::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText()) return;
    QString text = source->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor c = textCursor();
    c.insertText(toQString(fromQString(text)));
    setTextCursor(c);
    ensureCursorVisible();
}

}  // namespace uirt::qt
