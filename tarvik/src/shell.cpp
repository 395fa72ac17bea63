// The program's shell: start, panel loading, and the open, save, information
// and quit commands.
#include "shell.h"

#include <unistd.h>

#include <new>
#include <string>
#include <sys/stat.h>

#include "chain.h"
#include "cp1251.h"
#include "decoders.h"
#include "reader.h"

#ifndef TARVIK_DATADIR
#define TARVIK_DATADIR "/usr/local/share/tarvik"
#endif

namespace tarvik {

using namespace cp1251::literals;

ShellState S;
int OpenCADfile(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT || S.Busy) return 0;
    if (FileSelectPopup("", "*.net", "*.net;*.wrl", "", VAL_LOAD_BUTTON, 0, 0, 1, 0, S.OpenPath) !=
        VAL_EXISTING_FILE_SELECTED)
        return 0;
    S.Busy = true;
    S.FileHandle = CVI_OpenFile(S.OpenPath, VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    SetWaitCursor(1);
    ResetTextBox(panel, kChainBox, "");
    DisplayPanel(S.ProgressPanel);
    int form = FormNone;
    const int result = RunDecoders(S.FileHandle, panel, kChainBox, &form);
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
    if (result < 0) MessagePopup("ОШИБКА!"_cp1251, "Неопознанный формат файла!"_cp1251);
    return 0;
}

namespace {

bool WriteToFile(void* ctx, const char* bytes, std::size_t count) {
    // The results of the writes are not checked by the save command.
    CVI_WriteFile(*static_cast<int*>(ctx), bytes, static_cast<int>(count));
    return true;
}

}  // namespace

int Save(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT || S.Busy) return 0;
    if (FileSelectPopup("", "*.cha", "*.cha", "", VAL_SAVE_BUTTON, 0, 1, 1, 1, S.SavePath) <= 0)
        return 0;
    int file = CVI_OpenFile(S.SavePath, VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_BINARY);
    if (file <= 0) return 0;
    WriteChainList(panel, kChainBox, WriteToFile, &file);
    CVI_CloseFile(file);
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

int Exit(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) QuitUserInterface(0);
    return 0;
}

void RegisterCallbacks() {
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

}  // namespace

std::string FindResourceFile() {
    std::string exe(4096, '\0');
    const ssize_t len = readlink("/proc/self/exe", exe.data(), exe.size());
    if (len > 0 && static_cast<std::size_t>(len) < exe.size()) {
        exe.resize(static_cast<std::size_t>(len));
        const std::string dir = exe.substr(0, exe.rfind('/') + 1);
        if (IsFile(dir + "Tarvik.uir")) return dir + "Tarvik.uir";
        // An installed tree moved elsewhere: <prefix>/bin/tarvik, <prefix>/share/tarvik.
        if (IsFile(dir + "../share/tarvik/Tarvik.uir")) return dir + "../share/tarvik/Tarvik.uir";
    }
    const std::string installed = std::string(TARVIK_DATADIR) + "/Tarvik.uir";
    if (IsFile(installed)) return installed;
    return "Tarvik.uir";
}

int LoadPanels(const char* uirFile) {
    RegisterCallbacks();
    if ((S.MainPanel = LoadPanel(0, uirFile, kMainPanelId)) < 0) return -1;
    if ((S.ProgressPanel = LoadPanel(0, uirFile, kProgressPanelId)) < 0) return -1;
    if ((S.InfoPanel = LoadPanel(0, uirFile, kInfoPanelId)) < 0) return -1;
    R.ProgressPanel = S.ProgressPanel;
    return 0;
}

int TarvikMain(int argc, char* argv[], int backend) {
    if (!InitUIRuntime(argc, argv, backend)) return -1;
    if (LoadPanels(FindResourceFile().c_str()) < 0) return -1;
    DisplayPanel(S.MainPanel);
    RunUserInterface();
    return 0;
}

}  // namespace tarvik
