// Helpers shared by the Tarvik test suites.
#include "support.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "decoders.h"
#include "shell.h"
#include "uirt.h"

namespace tarvik::test {

namespace {

// The suite's temporary folder, removed with everything in it at exit.
const std::string& TempDir() {
    static const std::string dir = [] {
        std::string t = "/tmp/tarvik-test-XXXXXX";
        if (!mkdtemp(t.data())) std::abort();
        return t;
    }();
    static const bool cleanup = std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }) == 0;
    (void)cleanup;
    return dir;
}

}  // namespace

std::string TempPath(const std::string& name) { return TempDir() + "/" + name; }

std::string WriteTemp(const std::string& bytes, const std::string& name) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> BoxLines() {
    int count = 0;
    GetNumTextBoxLines(S.MainPanel, kChainBox, &count);
    std::vector<std::string> lines;
    for (int k = 0; k < count; ++k) {
        int len = 0;
        GetTextBoxLineLength(S.MainPanel, kChainBox, k, &len);
        std::string line(static_cast<std::size_t>(len) + 1, '\0');
        GetTextBoxLine(S.MainPanel, kChainBox, k, line.data());
        line.resize(static_cast<std::size_t>(len));
        lines.push_back(line);
    }
    return lines;
}

std::string BoxText() {
    std::string text;
    const auto lines = BoxLines();
    for (std::size_t k = 0; k < lines.size(); ++k) text += (k ? "\n" : "") + lines[k];
    return text;
}

namespace {

template <class Run>
Decoded RunOn(const std::string& bytes, Run run) {
    const std::string path = WriteTemp(bytes);
    ResetTextBox(S.MainPanel, kChainBox, "");
    const int file = CVI_OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    Decoded d;
    d.result = run(file);
    CVI_CloseFile(file);
    d.lines = BoxLines();
    return d;
}

}  // namespace

Decoded Decode(Decoder decoder, const std::string& bytes) {
    return RunOn(bytes, [&](int file) { return decoder(file, S.MainPanel, kChainBox); });
}

Decoded DecodeAny(const std::string& bytes, int* form) {
    return RunOn(bytes, [&](int file) { return RunDecoders(file, S.MainPanel, kChainBox, form); });
}

Decoded DecodeAs(int form, const std::string& bytes) {
    return RunOn(bytes, [&](int file) { return RunDecoder(file, S.MainPanel, kChainBox, form); });
}

std::string ChaBytes(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

RunResult RunProgram(const std::string& program, const std::string& args) {
    return RunShell(Quote(program) + " " + args);
}

RunResult RunShell(const std::string& command) {
    const std::string out = TempPath("run.out"), err = TempPath("run.err");
    const std::string cmd = "{ " + command + "\n} </dev/null >" + Quote(out) + " 2>" + Quote(err);
    const int rc = std::system(cmd.c_str());
    RunResult r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = ReadBytes(out);
    r.err = ReadBytes(err);
    return r;
}

std::string DataFile(const std::string& name) { return std::string(TARVIK_TEST_DATA) + "/" + name; }
std::string ExampleFile(const std::string& name) { return std::string(TARVIK_EXAMPLES) + "/" + name; }

}  // namespace tarvik::test
