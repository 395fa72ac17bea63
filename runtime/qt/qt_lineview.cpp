// The view of a text box holding a large text: only the lines in sight are
// laid out and painted, straight from the text model's bytes.
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <string_view>

#include "qt_text.h"
#include "qt_widgets.h"

namespace uirt::qt {

namespace {

constexpr int kMargin = 4;  // between the frame and the text, as the document has

// One line of the model laid out for painting and measuring.
struct LaidLine {
    QTextLayout layout;
    QTextLine line;
    int start = 0;
    int length = 0;

    LaidLine(const headless::TextModel& model, int index, const QFont& font, qreal tabStop) {
        model.lineRange(index, &start, &length);
        layout.setText(toQString(model.text().substr(static_cast<size_t>(start), static_cast<size_t>(length))));
        layout.setFont(font);
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        option.setTabStopDistance(tabStop);
        layout.setTextOption(option);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        line = layout.createLine();
        if (line.isValid()) line.setPosition(QPointF(0, 0));
        layout.endLayout();
    }
    int width() const { return line.isValid() ? static_cast<int>(std::ceil(line.naturalTextWidth())) : 0; }
};

}  // namespace

LineView::LineView(TextBoxWidget& box) : QAbstractScrollArea(&box), box_(box) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(20);
}

int LineView::lineHeight() const { return std::max(fontMetrics().lineSpacing(), 1); }

int LineView::visibleLines() const {
    return std::max((viewport()->height() - kMargin) / lineHeight(), 1);
}

int LineView::firstLine() const { return verticalScrollBar()->value(); }

void LineView::setFirstLine(int line) {
    updateRanges();
    verticalScrollBar()->setValue(std::max(line, 0));
}

void LineView::textReplaced() {
    widest_ = 0;
    measuredLines_ = 0;
    longestLine_ = -1;
}

void LineView::updateRanges() {
    const headless::TextModel& model = box_.model();
    const int count = model.lineCount();
    if (measuredLines_ > count) textReplaced();
    // The line with the most bytes stands for the widest until the widest is
    // painted; only lines not looked at before are looked at.
    int bestLength = -1;
    if (longestLine_ >= 0 && longestLine_ < count) {
        int start = 0;
        model.lineRange(longestLine_, &start, &bestLength);
    }
    for (int k = measuredLines_; k < count; ++k) {
        int start = 0, length = 0;
        model.lineRange(k, &start, &length);
        if (length > bestLength) {
            bestLength = length;
            longestLine_ = k;
        }
    }
    measuredLines_ = count;
    if (longestLine_ >= 0 && longestLine_ < count)
        widest_ = std::max(widest_, LaidLine(model, longestLine_, font(), box_.tabStopDistance()).width());

    QScrollBar* v = verticalScrollBar();
    const int page = visibleLines();
    v->setPageStep(page);
    v->setRange(0, std::max(count - page, 0));
    QScrollBar* h = horizontalScrollBar();
    h->setPageStep(viewport()->width());
    h->setRange(0, std::max(widest_ + 2 * kMargin - viewport()->width(), 0));
    viewport()->update();
}

void LineView::syncLayout() {
    if (isVisible()) return;
    QResizeEvent e(size(), size());
    QCoreApplication::sendEvent(this, &e);
}

void LineView::scrollContentsBy(int, int) { viewport()->update(); }

int LineView::textX(int line, int column) {
    const LaidLine laid(box_.model(), line, font(), box_.tabStopDistance());
    return laid.line.isValid() ? static_cast<int>(laid.line.cursorToX(column)) : 0;
}

void LineView::ensureCaretVisible() {
    const headless::TextModel& model = box_.model();
    const int caret = model.caret();
    const int line = std::max(model.lineOfOffset(caret), 0);
    const int first = firstLine(), page = visibleLines();
    updateRanges();
    if (line < first) verticalScrollBar()->setValue(line);
    else if (line >= first + page) verticalScrollBar()->setValue(line - page + 1);
    int start = 0, length = 0;
    if (!model.lineRange(line, &start, &length)) return;
    const int x = textX(line, caret - start) + kMargin;
    QScrollBar* h = horizontalScrollBar();
    const int width = viewport()->width();
    if (x - h->value() < kMargin) h->setValue(x - kMargin - width / 4);
    else if (x - h->value() > width - kMargin) h->setValue(x - width + width / 4);
}

int LineView::offsetAt(QPoint at) {
    const headless::TextModel& model = box_.model();
    const int count = model.lineCount();
    if (count == 0) return 0;
    const int line = std::clamp(firstLine() + (at.y() - kMargin) / lineHeight(), 0, count - 1);
    const LaidLine laid(model, line, font(), box_.tabStopDistance());
    const qreal x = at.x() - kMargin + horizontalScrollBar()->value();
    const int column = laid.line.isValid() ? laid.line.xToCursor(x) : 0;
    return laid.start + std::clamp(column, 0, laid.length);
}

void LineView::paint() {
    QPainter p(viewport());
    const headless::TextModel& model = box_.model();
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QPalette& pal = palette();
    p.fillRect(viewport()->rect(), pal.color(group, QPalette::Base));
    p.setPen(pal.color(group, QPalette::Text));
    const int count = model.lineCount();
    const int height = lineHeight();
    const int x0 = kMargin - horizontalScrollBar()->value();
    const int selStart = model.selectionStart(), selEnd = selStart + model.selectionLength();
    const int caret = model.caret();
    const int caretLine = hasFocus() ? model.lineOfOffset(caret) : -1;
    int widest = widest_;
    for (int line = firstLine(), y = kMargin; line < count && y < viewport()->height(); ++line, y += height) {
        const LaidLine laid(model, line, font(), box_.tabStopDistance());
        widest = std::max(widest, laid.width());
        QList<QTextLayout::FormatRange> selection;
        const int from = std::max(selStart, laid.start), to = std::min(selEnd, laid.start + laid.length);
        if (to > from) {
            QTextLayout::FormatRange range;
            range.start = from - laid.start;
            range.length = to - from;
            range.format.setBackground(pal.brush(group, QPalette::Highlight));
            range.format.setForeground(pal.brush(group, QPalette::HighlightedText));
            selection.append(range);
        }
        laid.layout.draw(&p, QPointF(x0, y), selection);
        if (line == caretLine) laid.layout.drawCursor(&p, QPointF(x0, y), caret - laid.start);
    }
    if (widest > widest_) {
        widest_ = widest;  // a wider line came into sight: the range grows after this paint
        QTimer::singleShot(0, this, [this] { updateRanges(); });
    }
}

void LineView::mouse(QMouseEvent* m) {
    headless::TextModel& model = box_.model();
    const QPoint at = m->position().toPoint();
    if (m->type() == QEvent::MouseButtonPress && m->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        model.setCaret(offsetAt(at), (m->modifiers() & Qt::ShiftModifier) != 0);
        dragging_ = true;
    } else if (m->type() == QEvent::MouseButtonDblClick && m->button() == Qt::LeftButton) {
        // The word under the pointer: a run of bytes without blanks.
        const std::string_view text = model.text();
        const int at0 = offsetAt(at);
        auto blank = [&](int k) { return text[static_cast<size_t>(k)] == ' ' || text[static_cast<size_t>(k)] == '\t' || text[static_cast<size_t>(k)] == '\n'; };
        int start = at0, end = at0;
        while (start > 0 && !blank(start - 1)) --start;
        while (end < model.length() && !blank(end)) ++end;
        model.select(start, end - start);
    } else if (m->type() == QEvent::MouseMove && dragging_ && (m->buttons() & Qt::LeftButton)) {
        if (at.y() < 0) verticalScrollBar()->setValue(firstLine() - 1);
        if (at.y() > viewport()->height()) verticalScrollBar()->setValue(firstLine() + 1);
        model.setCaret(offsetAt(at), true);
    } else if (m->type() == QEvent::MouseButtonRelease) {
        dragging_ = false;
    }
    viewport()->update();
}

bool LineView::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::KeyPress: return box_.viewKeyPress(static_cast<QKeyEvent*>(e));
    case QEvent::FocusIn:
    case QEvent::FocusOut: viewport()->update(); break;
    default: break;
    }
    return QAbstractScrollArea::event(e);
}

bool LineView::viewportEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::Paint:
        paint();
        return true;
    case QEvent::Resize:
        QAbstractScrollArea::viewportEvent(e);
        updateRanges();
        return true;
    case QEvent::MouseButtonPress:
        if (box_.viewRightClick(viewport(), e)) return true;
        mouse(static_cast<QMouseEvent*>(e));
        return true;
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        mouse(static_cast<QMouseEvent*>(e));
        return true;
    default: return QAbstractScrollArea::viewportEvent(e);
    }
}

}  // namespace uirt::qt
