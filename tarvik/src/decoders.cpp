// The decoders' shared state and the order in which the shell tries them.
#include "decoders.h"

#include <new>

#include "reader.h"

namespace tarvik {

int WhatDo = 0;

const char* FormName(int form) {
    switch (form) {
    case FormACCEL: return "ACCEL ASCII";
    case FormORCAD: return "ORCAD";
    case FormPCAD45: return "PCAD 4.5";
    default: return "";
    }
}

int RunDecoders(int file, int panel, int control, int* form) {
    using Decoder = int (*)(int, int, int);
    static constexpr Decoder order[] = {DecodeACCEL, DecodeORCAD, DecodePCAD45};
    *form = FormNone;
    try {
        for (int k = 0; k < 3; ++k) {
            const int result = order[k](file, panel, control);
            if (R.StopRequested) return -4;
            if (result >= 0) {
                *form = k;
                return result;
            }
        }
        return -2;
    } catch (const std::bad_alloc&) {
        return -3;
    }
}

}  // namespace tarvik
