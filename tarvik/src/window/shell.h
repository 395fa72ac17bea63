// The program's shell: start, panels, and the user-interface commands
// OpenCADfile, Save, About, CloseINFO and Exit (bound by name in Tarvik.uir).
#ifndef TARVIK_SHELL_H
#define TARVIK_SHELL_H

#include <string>

#include "uirt.h"

namespace tarvik {

// Resource ids in Tarvik.uir and the controls the code addresses.
inline constexpr int kInfoPanelId = 1;
inline constexpr int kMainPanelId = 2;
inline constexpr int kProgressPanelId = 3;
inline constexpr int kChainBox = 2;        // main panel: the chain list text box
inline constexpr int kProgressTitle = 2;   // progress panel: title text
inline constexpr int kProgressValue = 3;   // progress panel: progress bar 0..100
inline constexpr int kProgressQuit = 4;    // progress panel: Выход (Ctrl+Q)
inline constexpr int kListLine = 7;        // main panel: the form read and the number of nets
inline constexpr int kInfoVersion = 4;     // information panel: the version

struct ShellState {
    int MainPanel = 0;
    int ProgressPanel = 0;
    int InfoPanel = 0;
    int FileHandle = 0;                  // net-list file while it is being decoded
    char OpenPath[MAX_PATHNAME_LEN] = {};
    char SavePath[MAX_PATHNAME_LEN] = {};
    bool Busy = false;                   // a decode is running (commands wait)
    std::string BaseTitle;               // the main panel's title as loaded
};

extern ShellState S;

// Callbacks (panel, control, event, data, eventData1, eventData2) -> 0.
int OpenCADfile(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Save(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int About(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CloseINFO(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Exit(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// The main panel's events: a file dropped on the window is opened as the
// open command opens the file chosen in its dialog.
int MainPanelEvent(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// Opens and decodes the net list at S.OpenPath (Windows-1251) into the panel's
// list box, as the open command does after its dialog; the panel's title then
// names the file and the line under the list gives the form and the number of
// nets. Returns 0 when a decoder read the whole file, -1 otherwise.
int OpenNetList(int panel);

// Reads the window program's command line: [--help | --version | FILE]. FILE
// (UTF-8) goes to file. Returns the exit code when the program ends here
// (help, version, a usage error), -1 when it goes on.
int ReadTarvikArgs(int argc, char* argv[], std::string& file);

// Makes the callbacks known to the run-time under their names.
void RegisterCallbacks();

// Path of Tarvik.uir: next to the executable, else in ../share/tarvik beside
// it, else in the configured install location, else "Tarvik.uir" in the
// current directory. The path is Windows-1251 text, as LoadPanel takes it; a
// folder whose name Windows-1251 cannot hold is passed over.
std::string FindResourceFile();

// Registers the callbacks and loads the main, progress and information panels
// (in that order) from uirFile. Returns 0, or -1 when a panel cannot be loaded.
int LoadPanels(const char* uirFile);

// The program's start: the command line, run-time on the given backend,
// panels, main panel shown (and FILE opened), event loop. Returns -1 when the run-time or a panel cannot be loaded,
// 0 after the event loop ends.
// panelsReady, when given, runs once the panels are loaded.
int TarvikMain(int argc, char* argv[], int backend, void (*panelsReady)() = nullptr);

}  // namespace tarvik

#endif
