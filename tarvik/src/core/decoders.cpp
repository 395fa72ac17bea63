// The decoders' shared state, recognition of the form and the order in which
// the forms without a signature are tried.
#include "decoders.h"

#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "cp1251.h"
#include "reader.h"
#include "shell.h"
#include "uirt.h"

namespace tarvik {

using namespace cp1251::literals;

int WhatDo = 0;
FormErrorInfo FormError;

// The table itself lives with the forms (forms/all_forms.cpp).
extern const NetListForm* const kForms[];
extern const int kFormCount;

int FormCount() { return kFormCount; }

const NetListForm& FormAt(int form) { return *kForms[form]; }

const char* FormName(int form) { return form >= 0 && form < kFormCount ? kForms[form]->Name : ""; }

int FormByName(const char* name) {
    for (int k = 0; k < kFormCount; ++k) {
        const char* a = kForms[k]->Name;
        const char* b = name;
        while (*a && *b && (*a | 0x20) == (*b | 0x20) && (*a != ' ' || *b == ' ')) ++a, ++b;
        if (!*a && !*b) return k;
    }
    return FormNone;
}

std::string FormErrorText() {
    std::string text = FormName(FormError.Form);
    if (FormError.Line > 0) {
        text += ", строка "_cp1251;
        text += std::to_string(FormError.Line);
    }
    text += ": ";
    text += FormError.What;
    return text;
}

void FailForm(long long line, std::string what) { throw FormBroken{line, std::move(what)}; }

void ShowFormTitle(const char* title) { SetCtrlVal(R.ProgressPanel, kProgressTitle, title); }

namespace {

// The first kSignatureBytes of the file (fewer when it is shorter).
std::size_t ReadHead(int file, char* head) {
    InitReadF(file);
    std::size_t size = 0;
    while (size < kSignatureBytes) {
        const int got = ReadF(file, head + size, static_cast<int>(kSignatureBytes - size));
        if (got <= 0) break;
        size += static_cast<std::size_t>(got);
    }
    return size;
}

int Attempt(int form, int file, int panel, int control) {
    const NetListForm& f = *kForms[form];
    if (f.Signature) ShowFormTitle(f.Title);
    try {
        return f.Decode(file, panel, control);
    } catch (FormBroken& broken) {
        if (R.StopRequested) return kStopped;
        FormError.Form = form;
        FormError.Line = broken.Line;
        FormError.What = std::move(broken.What);
        return kFormBroken;
    }
}

int Recognise(int file, int panel, int control, int* form) {
    static char head[kSignatureBytes];
    const std::size_t size = ReadHead(file, head);
    for (int k = 0; k < kFormCount; ++k) {
        if (!kForms[k]->Signature || !kForms[k]->Signature(head, size)) continue;
        const int result = Attempt(k, file, panel, control);
        if (R.StopRequested) return kStopped;
        if (result != kNotThisForm) {
            *form = k;
            return result;
        }
    }
    for (int k = 0; k < kFormCount; ++k) {
        if (kForms[k]->Signature) continue;
        const int result = Attempt(k, file, panel, control);
        if (R.StopRequested) return kStopped;
        if (result >= 0) {
            *form = k;
            return result;
        }
    }
    return kNotThisForm;
}

// Runs decode(), turning the errors that end any decode into results.
template <class Decode>
int Guarded(Decode decode) {
    try {
        return decode();
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

}  // namespace

int RunDecoders(int file, int panel, int control, int* form) {
    *form = FormNone;
    return Guarded([&] { return Recognise(file, panel, control, form); });
}

int RunDecoder(int file, int panel, int control, int form) {
    if (form < 0 || form >= kFormCount) return kNotThisForm;
    return Guarded([&] {
        const int result = Attempt(form, file, panel, control);
        return R.StopRequested ? kStopped : result;
    });
}

}  // namespace tarvik
