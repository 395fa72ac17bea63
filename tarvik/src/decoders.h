// The three net-list decoders and the order in which the shell tries them.
//
// Each decoder takes the open net-list file (text mode) and the text box
// (panel, control) that receives one chain line per net. Result 0: decoded;
// -2: not its form, or the file broke off. Lines emitted before a -2 stay.
#ifndef TARVIK_DECODERS_H
#define TARVIK_DECODERS_H

namespace tarvik {

// State of the running decoder; its meaning depends on the decoder.
extern int WhatDo;

int DecodeACCEL(int file, int panel, int control);
int DecodeORCAD(int file, int panel, int control);
int DecodePCAD45(int file, int panel, int control);

enum NetListForm { FormNone = -1, FormACCEL = 0, FormORCAD = 1, FormPCAD45 = 2 };
// Name of a form for messages ("ACCEL ASCII", "ORCAD", "PCAD 4.5").
const char* FormName(int form);

// Tries ACCEL ASCII, then ORCAD, then PCAD 4.5 on the same text box, without
// clearing it between attempts. Returns the first result >= 0 and stores the
// form in *form (FormNone when all three refuse, result < 0). Out of memory
// gives -3; a decode stopped on request (R.StopRequested) gives -4 at once.
int RunDecoders(int file, int panel, int control, int* form);

// A byte that is not blank, LF, tab, CR or another control byte; every byte
// from 0x80 up is visible.
inline bool Visible(char c) { return static_cast<unsigned char>(c) > 0x20; }

}  // namespace tarvik

#endif
