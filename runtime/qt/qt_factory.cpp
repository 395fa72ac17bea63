// Start of the Qt backend: the exported factory, the application object and
// the backend's construction.
#include <dlfcn.h>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "qt_backend.h"

namespace uirt::qt {
namespace {

// Qt keeps references to argc and argv for the application's lifetime.
struct AppArgs {
    int argc = 0;
    std::vector<std::string> strings;
    std::vector<char*> argv;
};

AppArgs& appArgs() {
    static AppArgs args;
    return args;
}

std::string envOr(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

// True unless an X server is named but cannot be reached: Qt would abort the
// process. libxcb is looked up at run time so that the backend does not link it.
bool x11Reachable() {
    void* lib = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!lib) return true;  // Qt's xcb plugin cannot load either; Qt reports that itself
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(lib, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(lib, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(lib, "xcb_disconnect"));
    bool ok = true;
    if (connect && hasError && disconnect) {
        void* c = connect(nullptr, nullptr);
        ok = c && hasError(c) == 0;
        if (c) disconnect(c);
    }
    dlclose(lib);
    return ok;
}

// The platform Qt would use; Qt aborts the process when it cannot start it,
// so a platform that needs a display is tried only when one can be reached.
bool platformCanStart(int argc, char** argv) {
    std::string platform = envOr("QT_QPA_PLATFORM", "");
    for (int i = 1; argv && i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0) platform = argv[i + 1];
    const bool x11 = !envOr("DISPLAY", "").empty();
    const bool wayland = !envOr("WAYLAND_DISPLAY", "").empty();
    if (platform.empty()) return wayland || (x11 && x11Reachable());
    if (platform.rfind("xcb", 0) == 0) return x11 && x11Reachable();
    if (platform.rfind("wayland", 0) == 0) return wayland;
    return true;
}

// Qt 6 asks for the file dialog's type names ("Folder", "%1 File", ...) in
// the context QAbstractFileIconProvider, while its Russian catalogue still
// holds them under QFileDialog; this looks them up there. Installed after the
// catalogue, so it is asked first; other contexts are left to the catalogue.
class FileTypeNames : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
        if (!context || std::strcmp(context, "QAbstractFileIconProvider") != 0) return {};
        const QString moved = QCoreApplication::translate("QFileDialog", source, nullptr, n);
        if (moved != QString::fromUtf8(source)) return moved;
        const QString same = QCoreApplication::translate("QFileDialog", source, disambiguation, n);
        return same != QString::fromUtf8(source) ? same : QString();
    }
};

// The programs on this run-time speak Russian: Qt's own texts (the file
// dialog, the buttons of message boxes, the editors' menus) come from Qt's
// Russian translations when they are installed, English otherwise.
void speakRussian() {
    static bool done = false;
    if (done) return;
    done = true;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    auto* translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        QCoreApplication::installTranslator(new FileTypeNames(qApp));
    } else {
        delete translator;
    }
}

}  // namespace

QtBackend::QtBackend() : pump_(std::make_unique<EventPump>(*this)) {
    qApp->installEventFilter(pump_.get());
    QApplication::setQuitOnLastWindowClosed(false);
}

QtBackend::~QtBackend() {
    if (!QCoreApplication::instance()) return;
    qApp->removeEventFilter(pump_.get());
    if (waitCursor_) QApplication::restoreOverrideCursor();
    for (auto& [id, p] : panels_)
        if (p->window && p->parent == 0) delete p->window.data();
}

}  // namespace uirt::qt

extern "C" __attribute__((visibility("default"))) uirt::Backend* uirt_qt_create_backend(int argc, char** argv) {
    using namespace uirt::qt;
    try {
        if (!QApplication::instance()) {
            if (!platformCanStart(argc, argv)) return nullptr;
            AppArgs& a = appArgs();
            for (int i = 0; argv && i < argc; ++i) a.strings.emplace_back(argv[i] ? argv[i] : "");
            if (a.strings.empty()) a.strings.emplace_back("uirt");
            for (auto& s : a.strings) a.argv.push_back(s.data());
            a.argv.push_back(nullptr);
            a.argc = static_cast<int>(a.strings.size());
            new QApplication(a.argc, a.argv.data());  // lives until the process ends
        }
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
        speakRussian();
        return new QtBackend;
    } catch (...) {
        return nullptr;
    }
}
