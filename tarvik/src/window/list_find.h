// Find in the chain list: the window program's use of libpelmo.
#ifndef TARVIK_LIST_FIND_H
#define TARVIK_LIST_FIND_H

namespace tarvik {

// Gives the main panel's chain list box Pelmo's context menu, keys and Find
// dialog. Call once, after the panels are loaded.
void ExtendChainBox();

}  // namespace tarvik

#endif
