// Helpers shared by the Tarvik test suites: temporary files, decoding a byte
// string through a decoder, and reading the chain list text box.
#ifndef TARVIK_TESTS_SUPPORT_H
#define TARVIK_TESTS_SUPPORT_H

#include <string>
#include <vector>

namespace tarvik::test {

using Decoder = int (*)(int, int, int);

// A fresh file in the suite's temporary folder holding bytes; returns its path.
std::string WriteTemp(const std::string& bytes, const std::string& name = "in.net");
std::string TempPath(const std::string& name);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);

// Lines of the main panel's chain list text box.
std::vector<std::string> BoxLines();
std::string BoxText();  // lines joined by LF

struct Decoded {
    int result = 0;
    std::vector<std::string> lines;
};
// Clears the text box, opens bytes as a text-mode file and runs the decoder.
Decoded Decode(Decoder decoder, const std::string& bytes);
// Same through the shell's order of attempts; form receives the form taken.
Decoded DecodeAny(const std::string& bytes, int* form);
// Same with the form given (no recognition): the result may be kFormBroken,
// with FormError telling why.
Decoded DecodeAs(int form, const std::string& bytes);

// Lines as a .cha file: each followed by CR LF.
std::string ChaBytes(const std::vector<std::string>& lines);

// A program run from the shell: exit status (-1 when it did not exit), and
// what it wrote on standard output and standard error.
struct RunResult {
    int status = -1;
    std::string out, err;
    long maxRssKb = 0;  // peak resident memory, where a test measures it
};
// Runs "program args" with no standard input unless args redirect it.
RunResult RunProgram(const std::string& program, const std::string& args);
// Runs a shell command line (sh) the same way; its output is what all of it writes.
RunResult RunShell(const std::string& command);
// s quoted for the shell.
std::string Quote(const std::string& s);

// Folder of data files: "tests" (tarvik/tests/data) or "examples" (examples/tarvik).
std::string DataFile(const std::string& name);
std::string ExampleFile(const std::string& name);

}  // namespace tarvik::test

#endif
