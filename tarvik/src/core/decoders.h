// The three net-list decoders and the order in which the shell tries them.
//
// Each decoder takes the open net-list file (text mode) and the text box
// (panel, control) that receives one chain line per net. Result kDecoded, or
// kNotThisForm: not its form, or the file broke off. Lines emitted before a
// kNotThisForm stay.
#ifndef TARVIK_DECODERS_H
#define TARVIK_DECODERS_H

#include "chain.h"
#include "reader.h"

namespace tarvik {

// Results of a decoder, and of RunDecoders.
inline constexpr int kDecoded = 0;
inline constexpr int kNotThisForm = -2;
inline constexpr int kNoRoom = -3;         // RunDecoders: memory or temporary-file space ran out
inline constexpr int kOutputFailed = -4;   // RunDecoders: B.Out could not write the chain list
inline constexpr int kStopped = -5;        // RunDecoders: the decode was stopped on request
inline constexpr int kTooLarge = -6;       // RunDecoders: the chain list outgrew the text box (2 GiB)

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
// form in *form (FormNone when all three refuse, result < 0). Running out of
// memory or temporary-file space gives kNoRoom, a failed write to B.Out
// kOutputFailed, a chain list the text box cannot hold kTooLarge; a decode
// stopped on request (R.StopRequested) gives kStopped at once.
int RunDecoders(int file, int panel, int control, int* form);

// A byte that is not blank, LF, tab, CR or another control byte; every byte
// from 0x80 up is visible.
inline bool Visible(char c) { return static_cast<unsigned char>(c) > 0x20; }

// ---- Steps the decoders share

// Reads the next byte into InChar; n (and the result) is 1, or 0 at the end.
inline int Next(int file) { return static_cast<int>(R.n = ReadF1(file, &R.InChar)); }
// Result when the file ends inside a name, node or pin: decoded when at
// least one chain line was emitted.
inline int BrokenOff() { return B.N > 0 ? kDecoded : kNotThisForm; }
// Shows the form being tried as the progress panel's title.
void ShowFormTitle(const char* title);

}  // namespace tarvik

#endif
