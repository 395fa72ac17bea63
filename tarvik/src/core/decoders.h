// The net-list forms, the order in which they are recognised, and the steps
// their decoders share.
//
// Each decoder takes the open net-list file (text mode) and the text box
// (panel, control) that receives one chain line per net. Result kDecoded, or
// kNotThisForm: not its form, or the file broke off. Lines emitted before a
// kNotThisForm stay.
//
// Recognition: a form with a signature is taken when its signature is found in
// the first kSignatureBytes of the file; the signatures are checked in the
// order of the table (forms/all_forms.cpp), and the first that matches decodes
// the file alone: the whole list, or a FormBroken error (kFormBroken). A file
// that carries no signature goes through the forms without one (ACCEL ASCII,
// ORCAD, PCAD 4.5) in turn, without clearing the text box between attempts.
#ifndef TARVIK_DECODERS_H
#define TARVIK_DECODERS_H

#include <cstddef>
#include <string>

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
inline constexpr int kFormBroken = -7;     // RunDecoders: a file of a recognised form is broken (FormError)

// State of the running decoder; its meaning depends on the decoder.
extern int WhatDo;

int DecodeACCEL(int file, int panel, int control);
int DecodeORCAD(int file, int panel, int control);
int DecodePCAD45(int file, int panel, int control);

// A net-list form: one row of the table of forms.
struct NetListForm {
    const char* Name;   // ASCII name for messages, -v and --form ("ACCEL ASCII", "KiCad")
    const char* Title;  // progress panel title while it decodes (Windows-1251)
    // Whether the file's first bytes carry the form's signature; head holds
    // the first kSignatureBytes of the file (fewer in a shorter file). Null
    // for the forms tried in turn when no signature matches.
    bool (*Signature)(const char* head, std::size_t size);
    int (*Decode)(int file, int panel, int control);
};

// How much of a file's start the signatures see.
inline constexpr std::size_t kSignatureBytes = 8192;

// Form ids are indexes into the table; the first three are the forms tried
// in turn, and keep these ids.
enum NetListFormId { FormNone = -1, FormACCEL = 0, FormORCAD = 1, FormPCAD45 = 2 };
int FormCount();
const NetListForm& FormAt(int form);
// Name of a form for messages ("ACCEL ASCII", "ORCAD", "PCAD 4.5", ...); "" for FormNone.
const char* FormName(int form);
// The form whose name is name (ASCII letters in any case), or FormNone.
int FormByName(const char* name);

// Why the last kFormBroken happened: the form, the line (from 1; 0 when the
// whole file is meant) and what was wrong (Windows-1251 text).
struct FormErrorInfo {
    int Form = FormNone;
    long long Line = 0;
    std::string What;
};
extern FormErrorInfo FormError;
// "KiCad, строка 12: нет закрывающей скобки" (Windows-1251).
std::string FormErrorText();

// Thrown by a decoder of a form with a signature when its file breaks off or
// breaks its grammar; RunDecoders turns it into kFormBroken and FormError.
struct FormBroken {
    long long Line;
    std::string What;
};
[[noreturn]] void FailForm(long long line, std::string what);

// Recognises the form and decodes the file (see the top of this file).
// Returns the decoder's result >= 0 and stores the form in *form (FormNone
// when no form accepts the file: kNotThisForm). Running out of memory or
// temporary-file space gives kNoRoom, a failed write to B.Out kOutputFailed,
// a chain list the text box cannot hold kTooLarge, a broken file of a form
// with a signature kFormBroken (*form is that form); a decode stopped on
// request (R.StopRequested) gives kStopped at once.
int RunDecoders(int file, int panel, int control, int* form);
// The same with the form given: no recognition, only that form's decoder.
int RunDecoder(int file, int panel, int control, int form);

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
