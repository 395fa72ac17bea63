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

struct ShellState {
    int MainPanel = 0;
    int ProgressPanel = 0;
    int InfoPanel = 0;
    int FileHandle = 0;                  // net-list file while it is being decoded
    char OpenPath[MAX_PATHNAME_LEN] = {};
    char SavePath[MAX_PATHNAME_LEN] = {};
    bool Busy = false;                   // a decode is running (commands wait)
};

extern ShellState S;

// Callbacks (panel, control, event, data, eventData1, eventData2) -> 0.
int OpenCADfile(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Save(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int About(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CloseINFO(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int Exit(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// Makes the five callbacks known to the run-time under their names.
void RegisterCallbacks();

// Path of Tarvik.uir: next to the executable, else in ../share/tarvik beside
// it, else in the configured install location, else "Tarvik.uir" in the
// current directory. The path is Windows-1251 text, as LoadPanel takes it; a
// folder whose name Windows-1251 cannot hold is passed over.
std::string FindResourceFile();

// Registers the callbacks and loads the main, progress and information panels
// (in that order) from uirFile. Returns 0, or -1 when a panel cannot be loaded.
int LoadPanels(const char* uirFile);

// The program's start: run-time on the given backend, panels, main panel
// shown, event loop. Returns -1 when the run-time or a panel cannot be loaded,
// 0 after the event loop ends.
int TarvikMain(int argc, char* argv[], int backend);

}  // namespace tarvik

#endif
