// Qt backend: menu bars and popup menus, modal dialogs answered by queued
// automation answers or the user, and the clipboard.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstring>

#include "qt_backend.h"
#include "qt_keys.h"
#include "qt_text.h"

namespace uirt::qt {
namespace {

QString str(const char* s) { return toQString(s ? s : ""); }

// Runs f once the modal loop that is about to start has begun.
template <class F>
void whenShown(QObject* context, F f) {
    QTimer::singleShot(0, context, f);
}

// Makes a message box wide enough for its title, which the window system
// would otherwise cut short above a short message: the title's width in a
// bold font a quarter larger than the box's (window titles are commonly set
// so), and room for the frame's icon and buttons.
void fitTitle(QMessageBox& box, const QString& title) {
    constexpr int kFrameButtons = 140;
    QFont font = box.font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    const int width = QFontMetrics(font).horizontalAdvance(title) + kFrameButtons;
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace

// ---- Menu bars --------------------------------------------------------------

MenuBar* QtBackend::menuBar(int id) {
    auto it = menuBars_.find(id);
    return it == menuBars_.end() ? nullptr : it->second.get();
}

int QtBackend::NewMenuBar(int panelId) {
    Panel* p = nullptr;
    if (panelId != 0 && !(p = panel(panelId))) return UIE_BAD_PANEL;
    auto bar = std::make_unique<MenuBar>();
    bar->id = nextMenuBarId_++;
    bar->panel = panelId;
    if (p) {
        bar->bar = new QMenuBar;
        p->window->setMenuBar(bar->bar);
        p->menuBar = bar->id;
    }
    const int id = bar->id;
    menuBars_[id] = std::move(bar);
    return id;
}

int QtBackend::DiscardMenuBar(int id) {
    MenuBar* bar = menuBar(id);
    if (!bar) return UIE_BAD_MENU;
    if (Panel* p = panel(bar->panel); p && p->menuBar == id) {
        p->window->setMenuBar(nullptr);
        p->menuBar = 0;
    }
    if (bar->bar) bar->bar->deleteLater();
    menuBars_.erase(id);
    return 0;
}

int QtBackend::NewMenu(int barId, const char* name, int before) {
    MenuBar* bar = menuBar(barId);
    if (!bar) return UIE_BAD_MENU;
    const int id = bar->addMenu(name, before);
    if (id > 0) rebuildMenuBar(*bar);
    return id;
}

int QtBackend::NewMenuItem(int barId, int menuId, const char* name, int before, int shortcut, MenuCallbackPtr cb,
                           void* data) {
    MenuBar* bar = menuBar(barId);
    if (!bar) return UIE_BAD_MENU;
    const int id = bar->addItem(menuId, name, before, shortcut, cb, data);
    if (id > 0) rebuildMenuBar(*bar);
    return id;
}

int QtBackend::InsertSeparator(int barId, int menuId, int before) {
    MenuBar* bar = menuBar(barId);
    if (!bar) return UIE_BAD_MENU;
    const int id = bar->addSeparator(menuId, before);
    if (id > 0) rebuildMenuBar(*bar);
    return id;
}

// Fills qmenu with the items of menu. Live menus (on a panel's menu bar) call
// the items' callbacks when chosen; popup menus report the chosen id instead.
void QtBackend::fillMenu(QMenu& qmenu, MenuBar& bar, Menu& menu, bool live) {
    QFont font = qmenu.font();
    if (!bar.font.empty() && bar.font != "Default" && bar.font.rfind("VAL_", 0) != 0) font.setFamily(toQString(bar.font));
    if (bar.pointSize > 0) font.setPointSize(bar.pointSize);
    qmenu.setFont(font);
    for (MenuItem& item : menu.items) {
        if (item.separator) {
            qmenu.addSeparator();
            continue;
        }
        QAction* a = qmenu.addAction(literalAmpersands(item.name));
        a->setData(item.id);
        a->setEnabled(!item.dimmed);
        a->setShortcut(keySequenceOf(item.shortcut));
        a->setShortcutVisibleInContextMenu(true);
        // Accelerators run through the panel's key handling, not Qt's shortcut map.
        a->setShortcutContext(Qt::WidgetShortcut);
        if (!live) continue;
        const int barId = bar.id, itemId = item.id;
        QObject::connect(a, &QAction::triggered, a, [this, barId, itemId] {
            MenuBar* b = menuBar(barId);
            MenuItem* it = b ? b->item(itemId) : nullptr;
            EventScope scope(*this);
            if (it && it->callback) it->callback(barId, itemId, it->callbackData, b->panel);
        });
    }
}

// Rebuilds the Qt menu bar of a panel from the model.
void QtBackend::rebuildMenuBar(MenuBar& bar) {
    if (!bar.bar) return;
    for (QMenu* old : bar.bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) old->deleteLater();
    bar.bar->clear();
    for (Menu& m : bar.menus) {
        QMenu* qmenu = bar.bar->addMenu(literalAmpersands(m.name));
        qmenu->setEnabled(!m.dimmed);
        fillMenu(*qmenu, bar, m, true);
    }
    if (Panel* p = panel(bar.panel)) p->window->setMenuBar(bar.bar);
}

int QtBackend::SetMenuBarAttribute(int barId, int id, int attr, const AttrValue& v) {
    MenuBar* bar = menuBar(barId);
    if (!bar) return UIE_BAD_MENU;
    if (id == 0 && attr == ATTR_MENU_BAR_POINT_SIZE) bar->pointSize = v.i;
    const int rc = bar->setAttribute(id, attr, v);
    if (rc == 0) rebuildMenuBar(*bar);
    return rc;
}

int QtBackend::GetMenuBarAttribute(int barId, int id, int attr, void* out) {
    MenuBar* bar = menuBar(barId);
    return bar ? bar->getAttribute(id, attr, out) : UIE_BAD_MENU;
}

// Shows the menu at (top, left) of the panel and waits; a queued answer is
// applied to the open menu as keys would: select the item, press Enter.
int QtBackend::RunPopupMenu(int barId, int menuId, int panelId, int top, int left) {
    MenuBar* bar = menuBar(barId);
    Menu* m = bar ? bar->menu(menuId) : nullptr;
    if (!m) return UIE_BAD_MENU;
    Panel* p = nullptr;
    if (panelId != 0 && !(p = panel(panelId))) return UIE_BAD_PANEL;
    automation_.record(AUTO_POPUP_MENU, m->name, menuListing(m->items));
    QMenu qmenu(p ? p->window.data() : nullptr);
    fillMenu(qmenu, *bar, *m, false);
    if (std::optional<std::optional<std::string>> queued = automation_.takePopupMenu()) {
        const std::optional<std::string>& answer = *queued;
        int wanted = 0;
        for (const MenuItem& item : m->items)
            if (answer && !item.separator && item.name == *answer && !wanted) wanted = item.id;
        QPointer<QMenu> menu(&qmenu);
        whenShown(&qmenu, [menu, wanted] {
            if (!menu) return;
            QAction* chosen = nullptr;
            for (QAction* a : menu->actions())
                if (wanted && !a->isSeparator() && a->data().toInt() == wanted) chosen = a;
            if (chosen && chosen->isEnabled()) {
                menu->setActiveAction(chosen);
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
                QCoreApplication::sendEvent(menu, &enter);
            } else {
                menu->close();
            }
        });
    }
    const QPoint at = p ? p->window->client()->mapToGlobal(QPoint(left, top)) : QPoint(left, top);
    QAction* chosen = qmenu.exec(at);
    if (!chosen) return 0;
    const int id = chosen->data().toInt();
    MenuBar* b = menuBar(barId);
    MenuItem* item = b ? b->item(id) : nullptr;
    if (item && item->callback) item->callback(barId, id, item->callbackData, panelId);
    return id;
}

// ---- Modal dialogs ----------------------------------------------------------------

QWidget* QtBackend::dialogParent() {
    Panel* p = panel(GetActivePanel());
    return p && p->parent == 0 ? p->window.data() : nullptr;
}

int QtBackend::MessagePopup(const char* title, const char* message) {
    automation_.record(AUTO_POPUP_MESSAGE, title ? title : "", message ? message : "");
    QMessageBox box(QMessageBox::NoIcon, str(title), str(message), QMessageBox::Ok, dialogParent());
    fitTitle(box, str(title));
    if (automation_.takeMessage()) {
        QPointer<QMessageBox> b(&box);
        whenShown(&box, [b] {
            if (b) b->button(QMessageBox::Ok)->click();
        });
    }
    box.exec();
    return 0;
}

int QtBackend::ConfirmPopup(const char* title, const char* message) {
    automation_.record(AUTO_POPUP_CONFIRM, title ? title : "", message ? message : "");
    QMessageBox box(QMessageBox::Question, str(title), str(message), QMessageBox::Yes | QMessageBox::No,
                    dialogParent());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    fitTitle(box, str(title));
    if (const std::optional<int> answer = automation_.takeConfirm()) {
        const int yes = *answer;
        QPointer<QMessageBox> b(&box);
        whenShown(&box, [b, yes] {
            if (b) b->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
    }
    return box.exec() == QMessageBox::Yes ? 1 : 0;
}

namespace {

// The accept button's text, in Qt's own words (translated with Qt's texts).
QString acceptLabel(int button) {
    switch (button) {
    case VAL_SAVE_BUTTON: return QCoreApplication::translate("QFileDialog", "&Save");
    case VAL_SELECT_BUTTON: return QCoreApplication::translate("QFileDialog", "&Choose");
    case VAL_LOAD_BUTTON: return QCoreApplication::translate("QFileDialog", "&Open");
    default: return QCoreApplication::translate("QPlatformTheme", "OK");
    }
}

// "*.net;*.wrl" -> one named filter per pattern: "Файлы .net (*.net)", and
// Qt's "All Files (*)" unless the extension is restricted. An item of several
// blank-separated patterns is one filter: "Файлы нескольких типов (*.edf *.edif)".
QStringList nameFilters(const QString& types, bool restrictExt) {
    const QString all = QCoreApplication::translate("QFileDialog", "All Files (*)");
    QStringList filters;
    for (const QString& t : types.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = t.simplified();
        const qsizetype dot = pattern.lastIndexOf(u'.');
        if (pattern == u"*" || pattern == u"*.*") filters << all;
        else if (pattern.contains(u' ')) filters << QStringLiteral(u"Файлы нескольких типов (%1)").arg(pattern);
        else if (dot >= 0) filters << QStringLiteral(u"Файлы %1 (%2)").arg(pattern.mid(dot), pattern);
        else filters << QStringLiteral(u"Файлы %1 (%1)").arg(pattern);
    }
    if ((!restrictExt || filters.isEmpty()) && !filters.contains(all)) filters << all;
    return filters;
}

// The filter of nameFilters that holds pattern, or "".
QString filterFor(const QStringList& filters, const QString& pattern) {
    for (const QString& f : filters)
        if (f.endsWith(u'(' + pattern + u')')) return f;
    return {};
}

// The extension of a pattern such as "*.cha", or "" when it has none.
QString extensionOf(const QString& pattern) {
    const int dot = static_cast<int>(pattern.lastIndexOf(u'.'));
    if (dot < 0) return {};
    const QString ext = pattern.mid(dot + 1);
    return ext.contains(u'*') || ext.contains(u'?') ? QString() : ext;
}

QAbstractButton* dialogButton(QFileDialog& dialog, bool accept) {
    auto* box = dialog.findChild<QDialogButtonBox*>();
    if (!box) return nullptr;
    for (QAbstractButton* b : box->buttons()) {
        const auto role = box->buttonRole(b);
        if (accept ? role == QDialogButtonBox::AcceptRole : role == QDialogButtonBox::RejectRole) return b;
    }
    return nullptr;
}

}  // namespace

int QtBackend::FileSelectPopup(const char* dir, const char* defaultFile, const char* types, const char* title,
                               int button, int, int restrictExt, int allowCancel, int allowMakeDir, char* path) {
    automation_.record(AUTO_POPUP_FILE_SELECT, title ? title : "", types ? types : "");
    if (path) path[0] = '\0';
    QFileDialog dialog(dialogParent(), str(title), str(dir));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, allowMakeDir == 0);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(button == VAL_SAVE_BUTTON ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, acceptLabel(button));
    const QString pattern = str(defaultFile);
    const QStringList filters = nameFilters(str(types), restrictExt != 0);
    dialog.setNameFilters(filters);
    if (pattern.contains(u'*') || pattern.contains(u'?')) {
        if (const QString f = filterFor(filters, pattern); !f.isEmpty()) dialog.selectNameFilter(f);
    } else if (!pattern.isEmpty()) {
        dialog.selectFile(pattern);
    }
    const QString firstType = str(types).split(u';', Qt::SkipEmptyParts).value(0).trimmed();
    const QString ext = extensionOf(pattern.contains(u'*') ? pattern : firstType);
    if (restrictExt && !ext.isEmpty()) dialog.setDefaultSuffix(ext);
    if (QAbstractButton* cancel = dialogButton(dialog, false); cancel && !allowCancel) cancel->hide();
    if (std::optional<AutomationLog::FileAnswer> queued = automation_.takeFileSelect()) {
        AutomationLog::FileAnswer answer = std::move(*queued);
        QPointer<QFileDialog> d(&dialog);
        whenShown(&dialog, [d, answer] {
            if (!d) return;
            const bool choose = answer.result == VAL_EXISTING_FILE_SELECTED || answer.result == VAL_NEW_FILE_SELECTED;
            if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); edit && choose)
                edit->setText(toQString(answer.path));
            if (QAbstractButton* b = dialogButton(*d, choose)) b->click();
            if (d && d->isVisible()) d->reject();  // the dialog refused the answer
        });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return VAL_NO_FILE_SELECTED;
    QString chosen = dialog.selectedFiles().first();
    if (restrictExt && !ext.isEmpty() && !chosen.endsWith(u'.' + ext, Qt::CaseInsensitive)) chosen += u'.' + ext;
    const std::string bytes = fromQString(chosen);
    if (bytes.size() >= MAX_PATHNAME_LEN) return UIE_BAD_VALUE;
    copyTruncated(bytes, path, MAX_PATHNAME_LEN);
    return QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

// ---- Clipboard -----------------------------------------------------------------------

int QtBackend::ClipboardPutText(const char* text) {
    QGuiApplication::clipboard()->setText(str(text));
    return 0;
}

int QtBackend::ClipboardGetText(std::string& text, bool& available) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    available = data && data->hasText();
    text = available ? fromQString(data->text()) : std::string();
    return 0;
}

}  // namespace uirt::qt
