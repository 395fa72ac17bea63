// Fuzz target: the run-time's resource-file loader (LoadPanel) on any file.
//
// The input is the file. Panels 1, 2, 3 and 7 are loaded from it on the
// headless backend, with two callback names registered. Each load gives a
// panel handle or a negative code; a loaded panel can be shown and is
// discarded, and loading it again gives the same outcome.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "uirt.h"

namespace {

int Ignore(int, int, int, void*, int, int) { return 0; }

// Outcome of a load: 1 for a panel, else the error code.
int Load(int id) {
    const int panel = LoadPanel(0, InputFile::path().c_str(), id);
    if (panel <= 0) {
        FUZZ_CHECK(panel < 0);
        return panel;
    }
    FUZZ_CHECK(DisplayPanel(panel) == 0);
    FUZZ_CHECK(DiscardPanel(panel) == 0);
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!InitUIRuntime(0, nullptr, UIRT_BACKEND_HEADLESS)) std::exit(1);
    RegisterUICallback("BoxCB", Ignore);
    RegisterUICallback("Save", Ignore);
    static const InputFile file("uirt-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputFile::Write(data, size);
    for (int id : {1, 2, 3, 7}) {
        const int first = Load(id);
        FUZZ_CHECK(Load(id) == first);
    }
    return 0;
}
