// The program's shell: start, panel loading, and the open, save, information
// and quit commands.
#include "shell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <string_view>
#include <sys/stat.h>

#include "chain.h"
#include "cli.h"
#include "cp1251.h"
#include "decoders.h"
#include "reader.h"

#ifndef TARVIK_DATADIR
#define TARVIK_DATADIR "/usr/local/share/tarvik"
#endif

namespace tarvik {

using namespace cp1251::literals;

ShellState S;

namespace {

// Why a file operation failed, in words for the user (Windows-1251).
std::string Reason(int err) {
    switch (err) {
    case ENOENT: return "файл или папка не существует"_cp1251;
    case EACCES:
    case EPERM: return "нет прав доступа"_cp1251;
    case EISDIR: return "это папка, а не файл"_cp1251;
    case ENOTDIR: return "часть пути не является папкой"_cp1251;
    case ENOSPC: return "на диске нет места"_cp1251;
    case EDQUOT: return "превышена дисковая квота"_cp1251;
    case EROFS: return "диск доступен только для чтения"_cp1251;
    case EFBIG: return "файл слишком велик"_cp1251;
    case EIO: return "ошибка ввода-вывода"_cp1251;
    case ENAMETOOLONG: return "слишком длинное имя файла"_cp1251;
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов"_cp1251;
    case ENOMEM: return "недостаточно памяти"_cp1251;
    default: return "системная ошибка "_cp1251 + std::to_string(err);
    }
}

// "ОШИБКА!" with what failed, the file and the reason.
void SayFileError(const char* what, const char* path, int err) {
    const std::string text = std::string(what) + "\n«"_cp1251 + path + "»:\n"_cp1251 + Reason(err) + ".";
    MessagePopup("ОШИБКА!"_cp1251, text.c_str());
}

// The system's (UTF-8) name of a path the file dialog gave in Windows-1251.
std::string SystemName(const char* path) { return cp1251::to_utf8(path); }

// errno of opening path for reading, or 0 when it opens as a readable file.
int OpenProblem(const char* path) {
    const int fd = ::open(SystemName(path).c_str(), O_RDONLY);
    if (fd < 0) return errno ? errno : EIO;
    struct stat st {};
    const int err = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    ::close(fd);
    return err;
}

// The open dialog's file types: the two of the first forms, then one filter
// with the usual extensions of every form read (as their tools write them,
// in both cases where tools differ), then all files.
constexpr const char* kNetListTypes =
    "*.net;*.wrl;"
    "*.net *.NET *.wrl *.edf *.EDF *.edif *.EDIF *.edn *.frp *.FRP *.ckt *.CKT *.tel *.TEL "
    "*.txt *.TXT *.asc *.ASC *.pads *.kicad_net *.nlt *.NLT;"
    "*.*";
// The main panel's title for a list read from path: the file's name first.
void ShowTitle(int panel, const char* path) {
    std::string title;
    if (path) {
        const char* slash = std::strrchr(path, '/');
        title = slash ? slash + 1 : path;
        title += " — "_cp1251;
    }
    title += S.BaseTitle;
    SetPanelAttribute(panel, ATTR_TITLE, title.c_str());
}

// The line under the list: the form read and the number of nets.
void ShowListLine(int panel, int form) {
    std::string line;
    if (form != FormNone) {
        int nets = 0;
        GetNumTextBoxLines(panel, kChainBox, &nets);
        line = "Формат: "_cp1251;
        line += FormName(form);
        line += ", цепей: "_cp1251;
        line += std::to_string(nets);
    }
    SetCtrlVal(panel, kListLine, line.c_str());
}

}  // namespace

int OpenCADfile(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT || S.Busy) return 0;
    if (FileSelectPopup("", "*.net", kNetListTypes, "", VAL_LOAD_BUTTON, 0, 0, 1, 0, S.OpenPath) !=
        VAL_EXISTING_FILE_SELECTED)
        return 0;
    OpenNetList(panel);
    return 0;
}

int OpenNetList(int panel) {
    if (S.Busy) return -1;
    // A file that cannot be opened is said so; the list shown stays.
    if (const int err = OpenProblem(S.OpenPath)) {
        SayFileError("Не удаётся прочитать файл"_cp1251, S.OpenPath, err);
        return -1;
    }
    S.Busy = true;
    R.StopRequested = false;
    R.ReadFailed = false;
    R.ReadErrno = 0;
    S.FileHandle = CVI_OpenFile(S.OpenPath, VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    const bool opened = S.FileHandle > 0;
    SetWaitCursor(1);
    ResetTextBox(panel, kChainBox, "");
    DisplayPanel(S.ProgressPanel);
    int form = FormNone;
    const int result = opened ? RunDecoders(S.FileHandle, panel, kChainBox, &form) : kNotThisForm;
    HidePanel(S.ProgressPanel);
    if (result >= 0) {
        SetWaitCursor(0);
        CVI_CloseFile(S.FileHandle);
    } else {
        CVI_CloseFile(S.FileHandle);
        SetWaitCursor(0);
    }
    S.FileHandle = 0;
    S.Busy = false;
    // Quitting was asked while the decode ran: the event loop ends now, silently.
    if (R.StopRequested) return -1;
    const bool whole = opened && !R.ReadFailed && result >= 0;
    ShowTitle(panel, whole ? S.OpenPath : nullptr);
    ShowListLine(panel, whole ? form : FormNone);
    // A read that failed part way is said even when a decoder took what came
    // before it: the list shown would be incomplete.
    if (!opened || R.ReadFailed)
        SayFileError("Не удаётся прочитать файл"_cp1251, S.OpenPath, R.ReadErrno ? R.ReadErrno : EIO);
    else if (result == kNoRoom)
        SayFileError("Не удаётся прочитать файл"_cp1251, S.OpenPath, ENOMEM);
    else if (result == kTooLarge) {
        // Part of a list must not pass for the whole: nothing stays to save.
        ResetTextBox(panel, kChainBox, "");
        // Built piece by piece: clang 14 crashes on a literal cast to
        // std::string at the head of a longer + chain.
        std::string text = "Список цепей файла\n«"_cp1251;
        text += S.OpenPath;
        text += "»\nбольше 2 ГБ и не помещается в окне.\nПреобразуйте его программой tarvik-convert."_cp1251;
        MessagePopup("ОШИБКА!"_cp1251, text.c_str());
    }
    else if (result == kFormBroken) {
        // A broken file of a known form: no part of its list is shown.
        ResetTextBox(panel, kChainBox, "");
        std::string text = "Файл «"_cp1251;
        text += S.OpenPath;
        text += "»\n";
        text += FormErrorText();
        MessagePopup("ОШИБКА!"_cp1251, text.c_str());
    }
    else if (result < 0)
        MessagePopup("ОШИБКА!"_cp1251, "Неопознанный формат файла!"_cp1251);
    return whole ? 0 : -1;
}

namespace {

bool WriteToFd(void* ctx, const char* bytes, std::size_t count) {
    auto* fd = static_cast<int*>(ctx);
    while (count) {
        const ssize_t w = ::write(fd[0], bytes, count);
        if (w < 0) {
            if (errno == EINTR) continue;
            fd[1] = errno;
            return false;
        }
        bytes += w;
        count -= static_cast<std::size_t>(w);
    }
    return true;
}

// Writes the chain list to an open file; errno of the first failure, or 0.
int WriteList(int panel, int fd) {
    int ctx[2] = {fd, 0};
    if (!WriteChainList(panel, kChainBox, WriteToFd, ctx)) return ctx[1] ? ctx[1] : ENOMEM;
    return 0;
}

// Writes the list to path. A regular file is written beside the old one under
// a temporary name and renamed over it only when every byte was written, so a
// failure leaves the old file (or none) and never a partial list; a device
// (e.g. a printer port) is written in place. errno of the failure, or 0.
int SaveList(int panel, const char* listPath) {
    const std::string name = SystemName(listPath);
    const char* path = name.c_str();
    struct stat st {};
    if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) return EISDIR;
        const int fd = ::open(path, O_WRONLY | O_TRUNC);
        if (fd < 0) return errno;
        int err = WriteList(panel, fd);
        if (::close(fd) != 0 && !err) err = errno;
        return err;
    }
    std::string tmp = std::string(path) + ".XXXXXX";
    const int fd = mkstemp(tmp.data());
    if (fd < 0) return errno == EINVAL ? ENAMETOOLONG : errno;
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    int err = WriteList(panel, fd);
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && std::rename(tmp.c_str(), path) != 0) err = errno;
    if (err) ::unlink(tmp.c_str());
    return err;
}

}  // namespace

int Save(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT || S.Busy) return 0;
    if (FileSelectPopup("", "*.cha", "*.cha", "", VAL_SAVE_BUTTON, 0, 1, 1, 1, S.SavePath) <= 0)
        return 0;
    SetWaitCursor(1);
    const int err = SaveList(panel, S.SavePath);
    SetWaitCursor(0);
    if (err) SayFileError("Не удаётся сохранить список цепей в файл"_cp1251, S.SavePath, err);
    return 0;
}

int About(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) DisplayPanel(S.InfoPanel);
    return 0;
}

int CloseINFO(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) HidePanel(S.InfoPanel);
    return 0;
}

// During a decode the decoder stops at its next progress step; the event
// loop ends as soon as the open command has returned.
int Exit(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (S.Busy) R.StopRequested = true;
    QuitUserInterface(0);
    return 0;
}

int MainPanelEvent(int panel, int, int event, void*, int, int) {
    if (event != EVENT_FILES_DROPPED || S.Busy) return 0;
    char path[MAX_PATHNAME_LEN] = {};
    if (GetPanelAttribute(panel, ATTR_DROPPED_FILE, path) != 0 || !path[0]) return 0;
    std::memcpy(S.OpenPath, path, sizeof path);
    OpenNetList(panel);
    return 0;
}

void RegisterCallbacks() {
    RegisterUICallback("MainPanelEvent", MainPanelEvent);
    RegisterUICallback("OpenCADfile", OpenCADfile);
    RegisterUICallback("Save", Save);
    RegisterUICallback("About", About);
    RegisterUICallback("CloseINFO", CloseINFO);
    RegisterUICallback("Exit", Exit);
}

namespace {

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The first of the UTF-8 candidates that is a file and whose name Windows-1251
// can hold (LoadPanel takes Windows-1251), converted; empty when none.
std::string FirstUsable(std::initializer_list<std::string> candidates) {
    for (const std::string& path : candidates) {
        bool lossless = false;
        std::string name = cp1251::from_utf8(path, '?', &lossless);
        if (lossless && IsFile(path)) return name;
    }
    return {};
}

}  // namespace

std::string FindResourceFile() {
    std::string exe(4096, '\0');
    const ssize_t len = readlink("/proc/self/exe", exe.data(), exe.size());
    if (len > 0 && static_cast<std::size_t>(len) < exe.size()) {
        exe.resize(static_cast<std::size_t>(len));
        const std::string dir = exe.substr(0, exe.rfind('/') + 1);
        // Beside the program, or an installed tree moved elsewhere:
        // <prefix>/bin/tarvik, <prefix>/share/tarvik.
        if (std::string found = FirstUsable({dir + "Tarvik.uir", dir + "../share/tarvik/Tarvik.uir"}); !found.empty())
            return found;
    }
    // A folder Windows-1251 cannot name falls back to the installed file.
    if (std::string found = FirstUsable({std::string(TARVIK_DATADIR) + "/Tarvik.uir"}); !found.empty()) return found;
    return "Tarvik.uir";
}

int LoadPanels(const char* uirFile) {
    RegisterCallbacks();
    if ((S.MainPanel = LoadPanel(0, uirFile, kMainPanelId)) < 0) return -1;
    if ((S.ProgressPanel = LoadPanel(0, uirFile, kProgressPanelId)) < 0) return -1;
    if ((S.InfoPanel = LoadPanel(0, uirFile, kInfoPanelId)) < 0) return -1;
    R.ProgressPanel = S.ProgressPanel;
    S.BaseTitle.assign(1024, '\0');
    GetPanelAttribute(S.MainPanel, ATTR_TITLE, S.BaseTitle.data());
    S.BaseTitle.resize(std::strlen(S.BaseTitle.c_str()));
    SetCtrlVal(S.InfoPanel, kInfoVersion, (std::string("Версия "_cp1251) + cli::kVersion).c_str());
    return 0;
}

namespace {

const char* const kTarvikUsage =
    "usage: tarvik [FILE]\n"
    "Shows the chain list of a net list (ACCEL ASCII, ORCAD or PCAD 4.5) in a\n"
    "window and saves it as a .cha file. FILE, when given, is opened at once.\n"
    "  -h, --help  this text\n"
    "  --version   the version\n";

// The net list given on the command line, opened once the event loop runs.
void OpenGivenFile(void*) {
    if (S.OpenPath[0]) OpenNetList(S.MainPanel);
}

}  // namespace

int ReadTarvikArgs(int argc, char* argv[], std::string& file) {
    bool options = true;
    for (int k = 1; k < argc; ++k) {
        const std::string_view a = argv[k];
        if (options && a == "--") {
            options = false;
        } else if (options && (a == "-h" || a == "--help")) {
            std::fputs(kTarvikUsage, stdout);
            return 0;
        } else if (options && a == "--version") {
            return cli::PrintVersion("tarvik");
        } else if (options && a.size() > 1 && a[0] == '-') {
            return cli::UsageError("tarvik", cli::UnknownOption(a), 2);
        } else if (!file.empty()) {
            return cli::UsageError("tarvik", cli::SurplusArgument(a), 2);
        } else {
            file = a;
        }
    }
    return -1;
}

int TarvikMain(int argc, char* argv[], int backend, void (*panelsReady)()) {
    std::string file;
    if (const int rc = ReadTarvikArgs(argc, argv, file); rc >= 0) return rc;
    if (!InitUIRuntime(argc, argv, backend)) return -1;
    if (LoadPanels(FindResourceFile().c_str()) < 0) return -1;
    if (panelsReady) panelsReady();
    if (!file.empty()) {
        // The run-time takes Windows-1251 paths; a name it cannot hold is said so.
        bool lossless = false;
        const std::string name = cp1251::from_utf8(file, '?', &lossless);
        if (!lossless || name.size() >= sizeof S.OpenPath) {
            std::fprintf(stderr, "tarvik: cannot open '%s': its name has characters outside Windows-1251\n",
                         file.c_str());
        } else {
            std::memcpy(S.OpenPath, name.c_str(), name.size() + 1);
            PostDeferredCall(OpenGivenFile, nullptr);
        }
    }
    DisplayPanel(S.MainPanel);
    RunUserInterface();
    return 0;
}

}  // namespace tarvik
