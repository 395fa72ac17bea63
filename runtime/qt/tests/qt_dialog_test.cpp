// Real modal dialogs and popup menus of the Qt backend, answered through the
// automation interface or by a simulated user.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QAbstractButton>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "cp1251.h"
#include "qt_test.h"

using namespace qttest;
using namespace cp1251::literals;

namespace {

// Counts dialogs and menus that Qt actually shows.
struct ShowSpy : QObject {
    int dialogs = 0;
    int menus = 0;
    ShowSpy() { qApp->installEventFilter(this); }
    ~ShowSpy() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show) {
            if (qobject_cast<QDialog*>(o)) ++dialogs;
            if (qobject_cast<QMenu*>(o)) ++menus;
        }
        return false;
    }
};

std::string tempDir() {
    char name[] = "/tmp/uirt-qt-files-XXXXXX";
    return mkdtemp(name) ? name : "/tmp";
}

}  // namespace

class QtDialogs : public QtPanel {};

TEST_F(QtDialogs, MessageAndConfirmAreRealDialogsAnsweredByAutomation) {
    ShowSpy spy;
    AutoAnswerMessage();
    AutoAnswerConfirm(1);
    AutoAnswerConfirm(0);
    EXPECT_EQ(MessagePopup("Title", "Text"), 0);
    EXPECT_EQ(ConfirmPopup("Q", "Sure?"), 1);
    EXPECT_EQ(ConfirmPopup("Q", "Really?"), 0);
    EXPECT_EQ(spy.dialogs, 3);
    ASSERT_EQ(AutoPopupCount(), 3);
    int kind = 0;
    char title[16], text[16];
    AutoGetPopup(2, &kind, title, sizeof title, text, sizeof text);
    EXPECT_EQ(kind, AUTO_POPUP_CONFIRM);
    EXPECT_STREQ(title, "Q");
    EXPECT_STREQ(text, "Really?");
}

// A short question under a long title: the window is wide enough for the
// title and the window frame's buttons, so that the title is not cut short.
TEST_F(QtDialogs, PopupsAreWideEnoughForTheirTitle) {
    struct WidthSpy : QObject {
        std::vector<std::pair<QString, int>> closed;  // title, width when it closed
        WidthSpy() { qApp->installEventFilter(this); }
        ~WidthSpy() override { qApp->removeEventFilter(this); }
        bool eventFilter(QObject* o, QEvent* e) override {
            if (auto* box = qobject_cast<QMessageBox*>(o); box && e->type() == QEvent::Hide)
                closed.emplace_back(box->windowTitle(), box->width());
            return false;
        }
    } spy;
    const char* title = "Сообщение оператору о состоянии"_cp1251;
    AutoAnswerConfirm(0);
    AutoAnswerMessage();
    ConfirmPopup(title, "?");
    MessagePopup(title, "!");
    ASSERT_EQ(spy.closed.size(), 2u);
    for (const auto& [shownTitle, width] : spy.closed) {
        const int titleWidth = QFontMetrics(QApplication::font()).horizontalAdvance(shownTitle);
        EXPECT_GE(width, titleWidth + 100) << shownTitle.toStdString();
    }
}

TEST_F(QtDialogs, UnansweredConfirmWaitsForTheUser) {
    bool sawModal = false;
    QTimer::singleShot(30, qApp, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        sawModal = box != nullptr;
        if (box) box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(ConfirmPopup("Ask", "Yes or no?"), 1);
    EXPECT_TRUE(sawModal);
}

TEST_F(QtDialogs, FileDialogReturnsExistingNewOrCancel) {
    ShowSpy spy;
    const std::string dir = tempDir();
    const std::string existing = dir + "/list.net";
    std::ofstream(existing) << "x";
    char path[MAX_PATHNAME_LEN];
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, existing.c_str());
    EXPECT_EQ(FileSelectPopup("", "*.net", "*.net;*.wrl", "", VAL_LOAD_BUTTON, 0, 0, 1, 0, path),
              VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(std::string(path), existing);
    AutoAnswerFileSelect(VAL_NEW_FILE_SELECTED, (dir + "/out").c_str());
    EXPECT_EQ(FileSelectPopup("", "*.cha", "*.cha", "", VAL_SAVE_BUTTON, 0, 1, 1, 1, path), VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(std::string(path), dir + "/out.cha");  // restricted extension added
    AutoAnswerFileSelect(0, "");
    EXPECT_LE(FileSelectPopup("", "*.net", "*.net", "", VAL_LOAD_BUTTON, 0, 0, 1, 0, path), 0);
    EXPECT_EQ(spy.dialogs, 3);
    ASSERT_EQ(AutoPopupCount(), 3);
    int kind = 0;
    char text[32];
    AutoGetPopup(0, &kind, nullptr, 0, text, sizeof text);
    EXPECT_EQ(kind, AUTO_POPUP_FILE_SELECT);
    EXPECT_STREQ(text, "*.net;*.wrl");
    std::remove(existing.c_str());
    rmdir(dir.c_str());
}

TEST_F(QtDialogs, FileDialogShowsTheTypesAndTheButtonLabel) {
    QStringList filters;
    QString accept;
    QTimer::singleShot(30, qApp, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        filters = d->nameFilters();
        accept = d->labelText(QFileDialog::Accept);
        d->reject();
    });
    char path[MAX_PATHNAME_LEN];
    EXPECT_EQ(FileSelectPopup("", "*.net", "*.net;*.wrl; *.edf  *.EDF;*.*", "Open", VAL_LOAD_BUTTON, 0, 0, 1, 0, path), 0);
    EXPECT_EQ(filters, (QStringList{QStringLiteral(u"Файлы .net (*.net)"), QStringLiteral(u"Файлы .wrl (*.wrl)"),
                                    QStringLiteral(u"Файлы нескольких типов (*.edf *.EDF)"), QStringLiteral(u"Все файлы (*)")}));
    EXPECT_EQ(accept, QStringLiteral(u"&Открыть"));
}

// Qt's own dialogs speak Russian: the file dialog's title and buttons for
// each kind of accept button, and the buttons of message boxes.
TEST_F(QtDialogs, DialogsSpeakRussian) {
    struct Case {
        int button;
        const char16_t* title;
        const char16_t* accept;
    };
    for (const Case& c : {Case{VAL_LOAD_BUTTON, u"Открыть", u"&Открыть"}, Case{VAL_SAVE_BUTTON, u"Сохранить как", u"&Сохранить"},
                          Case{VAL_SELECT_BUTTON, u"Открыть", u"&Выбрать"}, Case{VAL_OK_BUTTON, u"Открыть", u"OK"}}) {
        QString title, accept, cancel, typeLabel;
        QTimer::singleShot(30, qApp, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            title = d->windowTitle();
            accept = d->labelText(QFileDialog::Accept);
            cancel = d->labelText(QFileDialog::Reject);
            typeLabel = d->labelText(QFileDialog::FileType);
            d->reject();
        });
        char path[MAX_PATHNAME_LEN];
        FileSelectPopup("", "*.cha", "*.cha", "", c.button, 0, 1, 1, 1, path);
        EXPECT_EQ(title, QString::fromUtf16(c.title)) << c.button;
        EXPECT_EQ(accept, QString::fromUtf16(c.accept)) << c.button;
        EXPECT_EQ(cancel, QStringLiteral(u"Отмена")) << c.button;
        EXPECT_EQ(typeLabel, QStringLiteral(u"Типы файлов:")) << c.button;
    }
    QStringList buttons;
    QTimer::singleShot(30, qApp, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(ConfirmPopup("?", "?"), 0);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral(u"&Да"), QStringLiteral(u"&Нет")}));
}

// The file dialog's list names a folder's type in Russian.
TEST_F(QtDialogs, FileDialogListNamesFoldersInRussian) {
    const std::string dir = tempDir();
    ASSERT_EQ(mkdir((dir + "/sub").c_str(), 0700), 0);
    QString type;
    QTimer::singleShot(30, qApp, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        if (auto* model = d->findChild<QFileSystemModel*>()) {
            const QModelIndex sub = model->index(QString::fromStdString(dir + "/sub"), 2);
            QElapsedTimer waited;
            waited.start();
            while (waited.elapsed() < 5000 && (type = model->data(sub).toString()).isEmpty())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        d->reject();
    });
    char path[MAX_PATHNAME_LEN];
    FileSelectPopup(dir.c_str(), "*.cha", "*.cha", "", VAL_LOAD_BUTTON, 0, 1, 1, 1, path);
    EXPECT_EQ(type, QStringLiteral(u"Папка"));
}

class QtMenus : public QtPanel {
protected:
    void SetUp() override {
        QtPanel::SetUp();
        bar = NewMenuBar(0);
        menu = NewMenu(bar, "1", -1);
        cut = NewMenuItem(bar, menu, "Cut", -1, VAL_MENUKEY_MODIFIER | 'X', nullptr, nullptr);
        InsertSeparator(bar, menu, -1);
        undo = NewMenuItem(bar, menu, "Undo", -1, 0, nullptr, nullptr);
        SetMenuBarAttribute(bar, 0, ATTR_MENU_BAR_FONT, "Arial");
        SetMenuBarAttribute(bar, 0, ATTR_MENU_BAR_POINT_SIZE, 11);
    }
    void TearDown() override {
        DiscardMenuBar(bar);
        QtPanel::TearDown();
    }
    int bar = 0, menu = 0, cut = 0, undo = 0;
};

TEST_F(QtMenus, PopupMenuIsARealMenuAndReturnsTheChosenItem) {
    ShowSpy spy;
    AutoAnswerPopupMenu("Undo");
    EXPECT_EQ(RunPopupMenu(bar, menu, panel, 20, 30, 0, 0, 0, 0), undo);
    AutoAnswerPopupMenu(nullptr);
    EXPECT_EQ(RunPopupMenu(bar, menu, panel, 20, 30, 0, 0, 0, 0), 0);
    SetMenuBarAttribute(bar, undo, ATTR_DIMMED, 1);
    AutoAnswerPopupMenu("Undo");
    EXPECT_EQ(RunPopupMenu(bar, menu, panel, 20, 30, 0, 0, 0, 0), 0);  // a dimmed item cannot be chosen
    EXPECT_EQ(spy.menus, 3);
    char text[64];
    AutoGetPopup(2, nullptr, nullptr, 0, text, sizeof text);
    EXPECT_STREQ(text, "Cut\n~Undo");
    char font[32];
    GetMenuBarAttribute(bar, 0, ATTR_MENU_BAR_FONT, font);
    EXPECT_STREQ(font, "Arial");
}

TEST_F(QtMenus, MenuFontIsAppliedToTheShownMenu) {
    QString family;
    int size = 0;
    QTimer::singleShot(30, qApp, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* m = qobject_cast<QMenu*>(w);
            if (!m || !m->isVisible()) continue;
            family = m->font().family();
            size = m->font().pointSize();
            m->close();
        }
    });
    EXPECT_EQ(RunPopupMenu(bar, menu, panel, 5, 5, 0, 0, 0, 0), 0);
    EXPECT_EQ(family, QStringLiteral("Arial"));
    EXPECT_EQ(size, 11);
}

namespace {
int g_menuCalls = 0;
void menuCallback(int, int, void*, int) { ++g_menuCalls; }
}  // namespace

TEST_F(QtDialogs, PanelMenuBarSitsAboveTheClientAreaAndItsAcceleratorsWork) {
    const int bar = NewMenuBar(panel);
    ASSERT_GT(bar, 0);
    const int file = NewMenu(bar, "File", -1);
    const int save = NewMenuItem(bar, file, "Save", -1, VAL_MENUKEY_MODIFIER | 'S', &menuCallback, nullptr);
    ASSERT_GT(save, 0);
    const int field = NewCtrl(panel, CTRL_STRING, "", 0, 0);
    int height = 0;
    GetPanelAttribute(panel, ATTR_HEIGHT, &height);
    EXPECT_EQ(height, 300) << "the client area keeps its size";
    g_menuCalls = 0;
    AutoTypeKey(panel, field, VAL_MENUKEY_MODIFIER | 'S');
    EXPECT_EQ(g_menuCalls, 1);
    SetMenuBarAttribute(bar, save, ATTR_DIMMED, 1);
    AutoTypeKey(panel, field, VAL_MENUKEY_MODIFIER | 'S');
    EXPECT_EQ(g_menuCalls, 1) << "a dimmed item ignores its accelerator";
    char png[] = "/tmp/uirt-qt-menu-XXXXXX";
    const int fd = mkstemp(png);
    if (fd >= 0) close(fd);
    ASSERT_EQ(AutoRenderPanel(panel, png), 0);
    QImage image(QString::fromLocal8Bit(png));
    std::remove(png);
    EXPECT_EQ(image.width(), 400);
    EXPECT_GT(image.height(), 300) << "the menu bar is drawn above the client area";
    DiscardMenuBar(bar);
}
