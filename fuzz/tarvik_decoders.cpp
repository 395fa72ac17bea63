// Fuzz target: the net-list decoders in their order of recognition (the
// forms with a signature, then the three forms tried in turn), and the
// chain-list writer, on any file.
//
// The input is the file. It is decoded twice: once with the decoders taking
// runs of uninteresting bytes straight from the window, once byte by byte
// through the reader; both must give the same result, form and lines, and a
// broken file of a recognised form the same error. A result is a list, no
// form, or a broken file of a form with a signature, which names the form. The
// writer's bytes must be those lines, each followed by CR LF. Built a second
// time with a read window of a few bytes (TARVIK_READ_WINDOW), so that window
// refills, look-ahead across the window's end and stepping back behind its
// start happen on small inputs.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chain.h"
#include "decoders.h"
#include "fuzz_check.h"
#include "reader.h"
#include "shell.h"
#include "uirt.h"

namespace {

struct Decoded {
    int result = 0;
    int form = 0;
    std::vector<std::string> lines;
    std::string error;  // FormErrorText() of a broken file
};

std::vector<std::string> BoxLines() {
    int count = 0;
    FUZZ_CHECK(GetNumTextBoxLines(tarvik::S.MainPanel, tarvik::kChainBox, &count) >= 0);
    std::vector<std::string> lines;
    for (int k = 0; k < count; ++k) {
        int length = 0;
        FUZZ_CHECK(GetTextBoxLineLength(tarvik::S.MainPanel, tarvik::kChainBox, k, &length) >= 0);
        std::string line(static_cast<std::size_t>(length) + 1, '\0');
        FUZZ_CHECK(GetTextBoxLine(tarvik::S.MainPanel, tarvik::kChainBox, k, line.data()) >= 0);
        FUZZ_CHECK(line[static_cast<std::size_t>(length)] == '\0');
        line.resize(static_cast<std::size_t>(length));
        lines.push_back(line);
    }
    return lines;
}

Decoded Decode(bool byteByByte) {
    ResetTextBox(tarvik::S.MainPanel, tarvik::kChainBox, "");
    const int file = CVI_OpenFile(InputFile::path().c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    FUZZ_CHECK(file > 0);
    tarvik::R.ByteByByte = byteByByte;
    tarvik::R.ReadFailed = false;
    Decoded d;
    d.result = tarvik::RunDecoders(file, tarvik::S.MainPanel, tarvik::kChainBox, &d.form);
    tarvik::R.ByteByByte = false;
    CVI_CloseFile(file);
    FUZZ_CHECK(!tarvik::R.ReadFailed);
    FUZZ_CHECK(d.result == tarvik::kDecoded || d.result == tarvik::kNotThisForm || d.result == tarvik::kFormBroken);
    FUZZ_CHECK((d.result == tarvik::kNotThisForm) == (d.form == tarvik::FormNone));
    FUZZ_CHECK(d.form >= tarvik::FormNone && d.form < tarvik::FormCount());
    if (d.result == tarvik::kFormBroken) {
        FUZZ_CHECK(tarvik::FormAt(d.form).Signature != nullptr);
        FUZZ_CHECK(tarvik::FormError.Form == d.form);
        FUZZ_CHECK(!tarvik::FormError.What.empty());
        d.error = tarvik::FormErrorText();
    }
    d.lines = BoxLines();
    return d;
}

bool ToString(void* context, const char* bytes, std::size_t count) {
    static_cast<std::string*>(context)->append(bytes, count);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!InitUIRuntime(0, nullptr, UIRT_BACKEND_HEADLESS) || tarvik::LoadPanels(TARVIK_FUZZ_UIR) < 0) {
        std::fprintf(stderr, "cannot start the run-time or load %s\n", TARVIK_FUZZ_UIR);
        std::exit(1);
    }
    static const InputFile file("tarvik-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputFile::Write(data, size);

    const Decoded runs = Decode(false);
    std::string written;
    FUZZ_CHECK(tarvik::WriteChainList(tarvik::S.MainPanel, tarvik::kChainBox, ToString, &written));
    std::string expected;
    for (const std::string& line : runs.lines) expected += line + "\r\n";
    FUZZ_CHECK(written == expected);

    const Decoded bytes = Decode(true);
    FUZZ_CHECK(bytes.result == runs.result);
    FUZZ_CHECK(bytes.form == runs.form);
    FUZZ_CHECK(bytes.lines == runs.lines);
    FUZZ_CHECK(bytes.error == runs.error);
    return 0;
}
