// Control widgets and the panel window of the Qt backend.
#include "qt_widgets.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QUrl>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <limits>

#include "qt_keys.h"

namespace uirt::qt {

ControlWidget* controlOf(QWidget* w) {
    for (; w; w = w->parentWidget()) {
        if (auto* c = dynamic_cast<ControlWidget*>(w)) return c;
        if (w->isWindow() || dynamic_cast<PanelWindow*>(w)) return nullptr;
    }
    return nullptr;
}

namespace {

// The client area of the panel that holds w.
QWidget* panelClientOf(QWidget* w) {
    for (QWidget* p = w; p; p = p->parentWidget())
        if (auto* panel = dynamic_cast<PanelWindow*>(p)) return panel->client();
    return w->window();
}

}  // namespace

bool ControlWidget::route(QWidget* self, QEvent* event, const ControlHost::KeyHandler& handle) {
    if (event->type() == QEvent::KeyPress) {
        host_.keyPressed(ref_, static_cast<QKeyEvent*>(event), handle);
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto* m = static_cast<QMouseEvent*>(event);
        if (m->button() != Qt::RightButton) return false;
        QWidget* client = panelClientOf(self);
        QPoint pos = self->mapTo(client->window(), m->position().toPoint());
        pos = client->mapFrom(client->window(), pos);
        host_.rightClicked(ref_, pos);
        return true;
    }
    return false;
}

// ---- Text field, numeric, button, check box, progress bar, text message ----

StringWidget::StringWidget(ControlHost& host, CtrlRef ref, QWidget* parent)
    : QLineEdit(parent), ControlWidget(host, ref) {
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAttribute(Qt::WA_InputMethodEnabled, false);  // every character arrives as a key press
    connect(this, &QLineEdit::textEdited, this, [this] { reportEdit(); });
}

bool StringWidget::event(QEvent* e) {
    return route(this, e, [this](QKeyEvent* k) { handleKey(k); }) || QLineEdit::event(e);
}

// A one-line field takes only the first line of a pasted text.
void StringWidget::handleKey(QKeyEvent* k) {
    if (const auto deletion = oneCharDeletion(*k)) {
        QLineEdit::event(deletion.get());
        return;
    }
    if (!k->matches(QKeySequence::Paste) || isReadOnly()) {
        QLineEdit::event(k);
        return;
    }
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) return;
    QString text = data->text();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text.at(i).unicode();
        if (ch == u'\n' || ch == 0x2028 || ch == 0x2029) {
            text.truncate(i);
            break;
        }
    }
    insert(text);
}

NumericWidget::NumericWidget(ControlHost& host, CtrlRef ref, QWidget* parent)
    : QSpinBox(parent), ControlWidget(host, ref) {
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    setContextMenuPolicy(Qt::PreventContextMenu);
    setKeyboardTracking(false);
    connect(this, &QSpinBox::valueChanged, this, [this] { reportEdit(); });
}

bool NumericWidget::event(QEvent* e) {
    return route(this, e, [this](QKeyEvent* k) { QSpinBox::event(k); }) || QSpinBox::event(e);
}

ButtonWidget::ButtonWidget(ControlHost& host, CtrlRef ref, QWidget* parent)
    : QPushButton(parent), ControlWidget(host, ref) {
    setAutoDefault(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    connect(this, &QPushButton::clicked, this, [this] { host_.committed(ref_); });
}

bool ButtonWidget::event(QEvent* e) {
    return route(this, e, [this](QKeyEvent* k) { handleKey(k); }) || QPushButton::event(e);
}

namespace {

// Space presses a focused button or check box on the key press itself (Qt
// waits for the release, which a faked key does not have); Enter presses a button.
bool pressesButton(const QKeyEvent& k, bool enterToo) {
    if (k.modifiers() != Qt::NoModifier) return false;
    return k.key() == Qt::Key_Space || (enterToo && (k.key() == Qt::Key_Return || k.key() == Qt::Key_Enter));
}

}  // namespace

void ButtonWidget::handleKey(QKeyEvent* k) {
    if (pressesButton(*k, true)) click();
    else QPushButton::event(k);
}

CheckWidget::CheckWidget(ControlHost& host, CtrlRef ref, QWidget* parent)
    : QCheckBox(parent), ControlWidget(host, ref) {
    setContextMenuPolicy(Qt::PreventContextMenu);
    connect(this, &QCheckBox::clicked, this, [this] { host_.committed(ref_); });
}

QPoint CheckWidget::clickPoint() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_CheckBoxClickRect, &option, this).center();
}

bool CheckWidget::event(QEvent* e) {
    return route(this, e, [this](QKeyEvent* k) {
        if (pressesButton(*k, false)) click();
        else QCheckBox::event(k);
    }) || QCheckBox::event(e);
}

ProgressWidget::ProgressWidget(ControlHost& host, CtrlRef ref, QWidget* parent)
    : QProgressBar(parent), ControlWidget(host, ref) {
    setRange(0, 100);
    setValue(0);
    setContextMenuPolicy(Qt::PreventContextMenu);
}

bool ProgressWidget::event(QEvent* e) {
    return route(this, e, [this](QKeyEvent* k) { QProgressBar::event(k); }) || QProgressBar::event(e);
}

TextMsgWidget::TextMsgWidget(ControlHost& host, CtrlRef ref, QWidget* parent)
    : QLabel(parent), ControlWidget(host, ref) {
    setTextFormat(Qt::PlainText);
    setContextMenuPolicy(Qt::PreventContextMenu);
}

bool TextMsgWidget::event(QEvent* e) {
    return route(this, e, [this](QKeyEvent* k) { QLabel::event(k); }) || QLabel::event(e);
}

// ---- Panel window ----------------------------------------------------------

PanelWindow::PanelWindow(ControlHost& host, int panel, QWidget* parent)
    : QWidget(parent), host_(host), panel_(panel), client_(new QWidget(this)) {
    client_->setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
    setAcceptDrops(true);
}

void PanelWindow::setMenuBar(QMenuBar* bar) {
    const QSize size = clientSize();
    if (menuBar_ && menuBar_ != bar) menuBar_->setParent(nullptr);
    menuBar_ = bar;
    if (bar) {
        bar->setParent(this);
        bar->show();
    }
    setClientSize(size.width(), size.height());
}

void PanelWindow::setClientSize(int width, int height) {
    const int top = menuBar_ ? menuBar_->sizeHint().height() : 0;
    designed_ = QSize(width, height + top);
    applySizing();
    resize(designed_);
    layoutClient();  // a hidden window gets its resize event only when shown
}

void PanelWindow::setResizable(bool on) {
    resizable_ = on;
    applySizing();
}

void PanelWindow::applySizing() {
    const QSize most = resizable_ ? QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX) : designed_;
    if (minimumSize() == designed_ && maximumSize() == most) return;  // every change is sent to the window manager
    setMinimumSize(designed_);
    setMaximumSize(most);
}

// The menu bar across the top, the client area below it; the controls follow.
void PanelWindow::layoutClient() {
    const int top = menuBar_ ? menuBar_->sizeHint().height() : 0;
    const QSize client(width(), std::max(height() - top, 0));
    if (menuBar_) menuBar_->setGeometry(0, 0, width(), top);
    if (client_->geometry() == QRect(QPoint(0, top), client)) return;
    client_->setGeometry(0, top, client.width(), client.height());
    host_.clientResized(panel_);
}

void PanelWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    layoutClient();
}

namespace {
// The local files a drag carries.
QStringList localFiles(const QMimeData* data) {
    QStringList paths;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) paths.push_back(url.toLocalFile());
    return paths;
}
}  // namespace

void PanelWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (host_.takesDrops(panel_) && !localFiles(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void PanelWindow::dropEvent(QDropEvent* e) {
    if (takeDrop(e->mimeData())) e->acceptProposedAction();
}

bool PanelWindow::takeDrop(const QMimeData* data) {
    const QStringList paths = localFiles(data);
    if (paths.isEmpty() || !host_.takesDrops(panel_)) return false;
    host_.filesDropped(panel_, paths);
    return true;
}

void PanelWindow::closeEvent(QCloseEvent* e) {
    // The program decides: the close control's callback usually hides the panel.
    e->ignore();
    host_.closeRequested(panel_);
}

bool PanelWindow::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::WindowActivate:
        host_.panelActivated(panel_);
        break;
    case QEvent::KeyPress:
        host_.keyPressed({panel_, 0}, static_cast<QKeyEvent*>(e), [](QKeyEvent*) {});
        return true;
    default:
        break;
    }
    return QWidget::event(e);
}

}  // namespace uirt::qt
