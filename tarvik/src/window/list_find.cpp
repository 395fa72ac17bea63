// The chain list box of the window program gets Pelmo's context menu, keys
// and Find dialog (Ctrl+F, F3), as any host of the library gives them.
#include "list_find.h"

#include "pelmo.h"
#include "shell.h"

namespace tarvik {

void ExtendChainBox() {
    // No undo history: the list is read, not written, in the window.
    ExtendTextBox(S.MainPanel, kChainBox, 0, 0);
}

}  // namespace tarvik
