// The decoders' shared state and the order in which the shell tries them.
#include "decoders.h"

#include <new>

#include "reader.h"
#include "shell.h"
#include "uirt.h"

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

void ShowFormTitle(const char* title) { SetCtrlVal(R.ProgressPanel, kProgressTitle, title); }

int RunDecoders(int file, int panel, int control, int* form) {
    using Decoder = int (*)(int, int, int);
    static constexpr Decoder order[] = {DecodeACCEL, DecodeORCAD, DecodePCAD45};
    *form = FormNone;
    try {
        for (int k = 0; k < 3; ++k) {
            const int result = order[k](file, panel, control);
            if (R.StopRequested) return kStopped;
            if (result >= 0) {
                *form = k;
                return result;
            }
        }
        return kNotThisForm;
    } catch (const std::bad_alloc&) {
        return kNoRoom;
    } catch (const SpillError&) {
        return kNoRoom;
    } catch (const OutputFailed&) {
        return kOutputFailed;
    } catch (const ListTooLarge&) {
        return kTooLarge;
    }
}

}  // namespace tarvik
